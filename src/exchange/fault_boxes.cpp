#include "exchange/fault_boxes.h"

#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "platform/translation.h"

namespace {

// The program's own texts (and its server's) are Russian from their first
// word; the library's are English, though they may quote Russian names.
bool starts_russian(const std::u16string &s)
{
    for (char16_t c : s) {
        if (c >= 0x0400 && c <= 0x04FF)
            return true;
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
            return false;
    }
    return false;
}

// What a fault code of the XML-RPC library means, in words.
const char16_t *library_reason(int code)
{
    switch (code) {
    case XMLRPC_TYPE_ERROR: return pl__tr(VL_TR("vellumo", "значение не того типа, какого ждёт программа"));
    case XMLRPC_INDEX_ERROR: return pl__tr(VL_TR("vellumo", "в документе нет нужного значения"));
    case XMLRPC_PARSE_ERROR: return pl__tr(VL_TR("vellumo", "документ XML-RPC повреждён или составлен не по правилам"));
    case XMLRPC_NETWORK_ERROR: return pl__tr(VL_TR("vellumo", "ошибка сети"));
    case XMLRPC_TIMEOUT_ERROR: return pl__tr(VL_TR("vellumo", "время ожидания истекло"));
    case XMLRPC_NO_SUCH_METHOD_ERROR: return pl__tr(VL_TR("vellumo", "сервер не знает такого метода"));
    case XMLRPC_REQUEST_REFUSED_ERROR: return pl__tr(VL_TR("vellumo", "запрос отклонён"));
    case XMLRPC_LIMIT_EXCEEDED_ERROR: return pl__tr(VL_TR("vellumo", "документ больше или сложнее допустимого"));
    case XMLRPC_INVALID_UTF8_ERROR:
        return pl__tr(VL_TR("vellumo", "текст, который нельзя записать в XML-RPC (символ вне основной плоскости Юникода или неверная "
               "кодировка)"));
    case XMLRPC_INTERNAL_ERROR: return pl__tr(VL_TR("vellumo", "не хватило памяти или документ слишком велик"));
    default: return pl__tr(VL_TR("vellumo", "ошибка XML-RPC"));
    }
}

// The caption is filled with the program's name and the fault code.
void show(const xmlrpc_env *env, msc__fmt<const char16_t *, int> caption_format, const std::u16string &about)
{
    if (!env->fault_occurred)
        return;
    message_box_request req;
    req.caption = msc__format(caption_format, msg::caption_app, env->fault_code);
    req.text = about + ino__fault_text(env);
    req.icon = mb_icon::error;
    req.buttons = mb_buttons::ok;
    req.owner = mb_owner::application;
    req.topmost = true;
    seam<message_box_service>::get().show(req);
}
} // namespace

// Refusals of the library worth their own words.
static const char16_t *known_refusal(const std::u16string &text)
{
    static const struct {
        const char16_t *part;
        const char16_t *reason;
    } known[] = {
        {u"Nested data structure too deep", pl__tr(VL_TR("vellumo", "значения в документе вложены слишком глубоко"))},
        {u"Memory block too large", pl__tr(VL_TR("vellumo", "документ получился больше, чем может записать библиотека XML-RPC"))},
        {u"UTF-8", pl__tr(VL_TR("vellumo", "текст, который нельзя записать в XML-RPC (символ вне основной плоскости Юникода или неверная "
                   "кодировка)"))},
    };
    for (const auto &k : known)
        if (text.find(k.part) != std::u16string::npos)
            return k.reason;
    return nullptr;
}

std::u16string ino__fault_text(const xmlrpc_env *env)
{
    const std::u16string text = plt__from_ansi(env->fault_string ? env->fault_string : "");
    if (starts_russian(text))
        return text; // the program's own words, or a server's in Russian
    const char16_t *known = known_refusal(text);
    std::u16string out = known ? known : library_reason(env->fault_code);
    out[0] = static_cast<char16_t>(out[0] - 0x20 * (out[0] >= u'а' && out[0] <= u'я')); // capital first letter
    return text.empty() ? out + u"." : out + u" (" + text + u").";
}

void ino__fault_box(const xmlrpc_env *env, const std::u16string &about)
{
    show(env, msg::caption_fault, about);
}

void ino__call_fault_box(const xmlrpc_env *env)
{
    show(env, msg::caption_call_fault, {});
}

void ino__fault_box_or(const xmlrpc_env *env, msc__fmt<> message, bool call)
{
    if (env->fault_code == 0)
        err__warning(message);
    else if (call)
        ino__call_fault_box(env);
    else
        ino__fault_box(env);
}
