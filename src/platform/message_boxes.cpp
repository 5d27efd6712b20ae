#include "platform/message_boxes.h"

#include <cstdio>

#include "platform/code_pages.h"

mb_answer mb_default_answer(mb_buttons b)
{
    switch (b) {
    case mb_buttons::ok: return mb_answer::ok;
    case mb_buttons::yes_no: return mb_answer::no;
    case mb_buttons::yes_no_cancel: return mb_answer::cancel;
    }
    return mb_answer::ok;
}

mb_answer console_message_boxes::show(const message_box_request &req)
{
    std::string cap = plt__to_utf8(req.caption);
    std::string txt = plt__to_utf8(req.text);
    std::fprintf(stderr, "[%s]\n%s\n", cap.c_str(), txt.c_str());
    std::fflush(stderr);
    return mb_default_answer(req.buttons);
}

template <>
message_box_service &seam<message_box_service>::fallback()
{
    static console_message_boxes console;
    return console;
}
