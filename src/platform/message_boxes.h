// Message boxes: the one way the program talks to the user modally with a
// caption, a text, an icon and a button set.  The GUI installs the Qt
// implementation; without it the boxes go to stderr; tests install a scripted
// fake that records what was shown and answers from a queue
// (tests/support/fakes.h).
#pragma once

#include <string>

#include "platform/seam.h"

enum class mb_icon { error, warning, question, information };
enum class mb_buttons { ok, yes_no, yes_no_cancel };
enum class mb_answer { ok, yes, no, cancel };

// Who the box belongs to; the Qt implementation uses it for placement and
// stacking.  `system` boxes (fatal errors) have no owner at all.
enum class mb_owner { system, application };

struct message_box_request {
    std::u16string caption;
    std::u16string text;
    mb_icon icon = mb_icon::information;
    mb_buttons buttons = mb_buttons::ok;
    mb_owner owner = mb_owner::application;
    bool topmost = false;
};

class message_box_service {
public:
    virtual ~message_box_service() = default;
    virtual mb_answer show(const message_box_request &req) = 0;
};

// Writes each box to stderr and gives the default answer.
class console_message_boxes final : public message_box_service {
public:
    mb_answer show(const message_box_request &req) override;
};

// The answer given when nobody can be asked: OK for OK boxes, No for Yes/No
// and Cancel for Yes/No/Cancel, so nothing destructive happens without a user.
mb_answer mb_default_answer(mb_buttons buttons);

// The service in use: without one installed, the console service.
template <>
message_box_service &seam<message_box_service>::fallback();
