// Qt implementations of the modal seams: message boxes and file choice.
#pragma once

#include <functional>

#include "platform/colour_choice.h"
#include "platform/file_choice.h"
#include "platform/message_boxes.h"
#include "platform/url_opener.h"

class qt_message_boxes final : public message_box_service {
public:
    mb_answer show(const message_box_request &req) override;
};

class qt_file_choice final : public file_choice_service {
public:
    file_choice_result choose(const file_choice_request &req) override;
};

// QColorDialog, fully opened, with the 16 custom colours.
class qt_colour_choice final : public colour_choice_service {
public:
    std::optional<std::uint32_t> choose(void *owner, std::uint32_t initial, custom_colours &customs) override;
};

// The desktop's opener (QDesktopServices).
class qt_url_opener final : public url_opener_service {
public:
    bool open(const std::u16string &url) override;
};

class QFileDialog;
class QSize;

// A file dialog people can read: sizes and dates in Russian whatever the
// system's locale, columns as wide as their texts, and the dialog as large
// as its columns need the first time, then as large as it was left.
void qt_readable_file_view(QFileDialog &dlg);
// Where that size is kept between runs (the program's settings): read once
// before a dialog opens, written when one closes.
void qt_file_dialog_size_store(std::function<QSize()> load, std::function<void(const QSize &)> save);

// Installs the Qt services for the lifetime of the application.
void qt_install_dialogs();
