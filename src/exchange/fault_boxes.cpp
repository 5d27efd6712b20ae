#include "exchange/fault_boxes.h"

#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"

namespace {
void show(const xmlrpc_env *env, const char16_t *caption_format)
{
    if (!env->fault_occurred)
        return;
    message_box_request req;
    req.caption = msc__format(caption_format, msg::caption_app, env->fault_code);
    req.text = msc__from_ansi(env->fault_string ? env->fault_string : "");
    req.icon = mb_icon::error;
    req.buttons = mb_buttons::ok;
    req.owner = mb_owner::application;
    req.topmost = true;
    seam<message_box_service>::get().show(req);
}
} // namespace

void ino__fault_box(const xmlrpc_env *env)
{
    show(env, msg::caption_fault);
}

void ino__call_fault_box(const xmlrpc_env *env)
{
    show(env, msg::caption_call_fault);
}

void ino__fault_box_or(const xmlrpc_env *env, const char16_t *message, bool call)
{
    if (env->fault_code == 0)
        err__warning(message);
    else if (call)
        ino__call_fault_box(env);
    else
        ino__fault_box(env);
}
