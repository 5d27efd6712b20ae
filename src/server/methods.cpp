#include "server/methods.h"

#include "exchange/value_read.h"
#include "platform/code_pages.h"
#include "render/eps_runner.h"
#include "server/render.h"
#include "server/service.h"

using namespace ino_read;

namespace lsv_methods {

void fault(xmlrpc_env *env, int code, const std::u16string &message)
{
    if (env->fault_occurred)
        xmlrpc_env_clean(env), xmlrpc_env_init(env);
    xmlrpc_env_set_fault(env, code, msc__to_utf8(message).c_str());
}

std::u16string quoted(const std::u16string &name)
{
    return u"«" + name + u"»";
}

// A library fault as the reason of a malformed call.
void params_fault(xmlrpc_env *env, const char *what)
{
    std::u16string reason = env->fault_occurred && env->fault_string ? msc__from_utf8(env->fault_string) : u"";
    std::u16string text = u"Неверные параметры вызова: " + msc__from_utf8(what);
    if (!reason.empty())
        text += u" (" + reason + u")";
    fault(env, LSV_FAULT_PARAMS, text);
}

// Item `index` of the parameter array, which must be a struct.
xmlrpc_value_ptr struct_param(xmlrpc_env *env, xmlrpc_value *params, int index, const char *what)
{
    if (xmlrpc_value_type(params) != XMLRPC_TYPE_ARRAY || xmlrpc_array_size(env, params) <= index) {
        params_fault(env, what);
        return nullptr;
    }
    xmlrpc_value *v = nullptr;
    xmlrpc_array_read_item(env, params, index, &v);
    xmlrpc_value_ptr out(v);
    if (env->fault_occurred || xmlrpc_value_type(v) != XMLRPC_TYPE_STRUCT) {
        params_fault(env, what);
        return nullptr;
    }
    return out;
}



bool name_param(xmlrpc_env *env, xmlrpc_value *params, const char *key, std::u16string &name)
{
    xmlrpc_value_ptr st = struct_param(env, params, 1, "второй параметр должен быть структурой");
    if (!st)
        return false;
    if (!read_string(env, st.get(), key, name)) {
        params_fault(env, (std::string("нет строки \"") + key + "\"").c_str());
        return false;
    }
    if (name.empty()) {
        fault(env, LSV_FAULT_EMPTY_NAME, u"Не задано имя этикетки");
        return false;
    }
    return true;
}

void store_fault(xmlrpc_env *env, server_store::result r, const std::u16string &name, const std::string &error)
{
    switch (r) {
    case server_store::result::ok: break;
    case server_store::result::not_found: fault(env, LSV_FAULT_NOT_FOUND, u"Этикетка " + quoted(name) + u" не найдена"); break;
    case server_store::result::exists: fault(env, LSV_FAULT_EXISTS, u"Этикетка " + quoted(name) + u" уже есть"); break;
    case server_store::result::empty_name: fault(env, LSV_FAULT_EMPTY_NAME, u"Не задано имя этикетки"); break;
    case server_store::result::bad_label:
        fault(env, LSV_FAULT_LABEL_REFUSED, u"Этикетка не принята: " + msc__from_utf8(error));
        break;
    case server_store::result::io_error:
        fault(env, LSV_FAULT_STORE, u"Ошибка хранилища этикеток: " + msc__from_utf8(error));
        break;
    }
}

xmlrpc_value *stored_value(xmlrpc_env *env, server_store &store, const std::u16string &name)
{
    server_store::result r;
    ino_env inner;
    std::string error;
    xmlrpc_value *v = store.load(&inner.env, name, r, error);
    if (!v)
        store_fault(env, r == server_store::result::bad_label ? server_store::result::io_error : r, name,
                    error.empty() ? "сохранённая этикетка не читается" : error);
    return v;
}

bool call_context::hold(xmlrpc_env *env, std::size_t bytes, const char16_t *what)
{
    if (bytes <= held_)
        return true;
    if (!call_.reserve) {
        held_ = bytes;
        return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline_ - std::chrono::steady_clock::now())
                          .count();
    // A call whose time is already over did not wait for memory: it ran
    // out of time (reading its parameters, drawing), and says so.
    if (left <= 0) {
        stopped_fault(env, what);
        return false;
    }
    if (call_.reserve(bytes, static_cast<int>(std::min<long long>(left, 1 << 30)))) {
        held_ = bytes;
        return true;
    }
    if (rdr__eps_stopping() || gone())
        stopped_fault(env, what);
    else
        fault(env, LSV_FAULT_BUSY,
              std::u16string(what) + u": сервер занят, память для изображений не освободилась за " +
                  lsv__number(static_cast<long long>(seconds_)) + u" с; повторите вызов позже");
    return false;
}

void call_context::stopped_fault(xmlrpc_env *env, const char16_t *what)
{
    if (rdr__eps_stopping())
        fault(env, LSV_FAULT_RENDER, std::u16string(what) + u": сервер останавливается");
    else if (gone())
        fault(env, LSV_FAULT_RENDER, std::u16string(what) + u": клиент закрыл соединение, построение остановлено");
    else
        fault(env, LSV_FAULT_TIMEOUT,
              std::u16string(what) + u": вызов шёл дольше " + lsv__number(static_cast<long long>(seconds_)) +
                  u" с (--call-timeout)");
}

} // namespace lsv_methods
