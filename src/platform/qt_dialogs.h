// Qt implementations of the modal seams: message boxes and file choice.
#pragma once

#include "platform/file_choice.h"
#include "platform/message_boxes.h"

class qt_message_boxes final : public message_box_service {
public:
    mb_answer show(const message_box_request &req) override;
};

class qt_file_choice final : public file_choice_service {
public:
    file_choice_result choose(const file_choice_request &req) override;
};

// Installs both for the lifetime of the application.
void qt_install_dialogs();
