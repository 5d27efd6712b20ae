#include "platform/message_boxes.h"

#include <cstdio>

#include "platform/code_pages.h"

namespace {
console_message_boxes g_console;
message_box_service *g_current = nullptr;

mb_answer default_answer(mb_buttons b)
{
    switch (b) {
    case mb_buttons::ok: return mb_answer::ok;
    case mb_buttons::yes_no: return mb_answer::no;
    case mb_buttons::yes_no_cancel: return mb_answer::cancel;
    }
    return mb_answer::ok;
}
} // namespace

mb_answer console_message_boxes::show(const message_box_request &req)
{
    std::string cap = msc__to_utf8(req.caption);
    std::string txt = msc__to_utf8(req.text);
    std::fprintf(stderr, "[%s]\n%s\n", cap.c_str(), txt.c_str());
    std::fflush(stderr);
    return default_answer(req.buttons);
}

mb_answer scripted_message_boxes::show(const message_box_request &req)
{
    shown.push_back(req);
    if (answers.empty())
        return default_answer(req.buttons);
    mb_answer a = answers.front();
    answers.pop_front();
    return a;
}

message_box_service &platform_message_boxes()
{
    return g_current ? *g_current : g_console;
}

message_box_service *platform_set_message_boxes(message_box_service *svc)
{
    message_box_service *prev = g_current;
    g_current = svc;
    return prev;
}
