// Message boxes: the one way the program talks to the user modally with a
// caption, a text, an icon and a button set.  The GUI installs the Qt
// implementation; without it the boxes go to stderr; tests install a scripted
// fake that records what was shown and answers from a queue.
#pragma once

#include <deque>
#include <string>
#include <vector>

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

// Writes each box to stderr and answers: OK for OK boxes, No for Yes/No and
// Cancel for Yes/No/Cancel, so nothing destructive happens without a user.
class console_message_boxes final : public message_box_service {
public:
    mb_answer show(const message_box_request &req) override;
};

// Test double: records every box and answers from a queue; with the queue
// empty it answers like the console service.
class scripted_message_boxes final : public message_box_service {
public:
    mb_answer show(const message_box_request &req) override;
    std::vector<message_box_request> shown;
    std::deque<mb_answer> answers;
};

// The service in use.  Never null: the console service when none was set.
message_box_service &platform_message_boxes();
// Installs `svc` (not owned); null restores the console service.  Returns the
// previous one.
message_box_service *platform_set_message_boxes(message_box_service *svc);

// RAII helper for tests and nested scopes.
class scoped_message_boxes {
public:
    explicit scoped_message_boxes(message_box_service *svc)
        : prev_(platform_set_message_boxes(svc)) {}
    ~scoped_message_boxes() { platform_set_message_boxes(prev_); }
    scoped_message_boxes(const scoped_message_boxes &) = delete;
    scoped_message_boxes &operator=(const scoped_message_boxes &) = delete;

private:
    message_box_service *prev_;
};
