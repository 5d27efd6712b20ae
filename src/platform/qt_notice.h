// The Qt network notice: a small untitled dialog with "Идет сетевая
// операция..." and "Отмена"; the call starts on the first tick of a 100 ms
// timer, so the dialog is painted before the call begins.
#pragma once

#include "platform/network_notice.h"

class qt_network_notice final : public network_notice_service {
public:
    void run(platform_window parent, network_call &call) override;
};
