// The label methods over the store, what every method shares, and a
// call from its body to its answer (label_service::answer): the guards in
// front of the parser, the credentials, the dispatch and the fault texts of
// calls that are not made.  The render methods are in render_methods.cpp.
#include "server/methods.h"

#include <cstdio>
#include <cstdlib>

#include "exchange/inout.h"
#include "exchange/value_read.h"
#include "exchange/xml_prepare.h"
#include "platform/code_pages.h"
#include "platform/version.h"
#include "render/eps_runner.h"
#include "server/log.h"
#include "server/render.h"
#include "server/service.h"

using namespace ino_read;

namespace lsv_methods {

void fault(xmlrpc_env *env, int code, const std::u16string &message)
{
    if (env->fault_occurred)
        xmlrpc_env_clean(env), xmlrpc_env_init(env);
    xmlrpc_env_set_fault(env, code, plt__to_utf8(message).c_str());
}

std::u16string quoted(const std::u16string &name)
{
    return u"«" + name + u"»";
}

// A library fault as the reason of a malformed call.
void params_fault(xmlrpc_env *env, const char *what)
{
    std::u16string reason = env->fault_occurred && env->fault_string ? plt__from_utf8(env->fault_string) : u"";
    std::u16string text = u"Неверные параметры вызова: " + plt__from_utf8(what);
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
        fault(env, LSV_FAULT_LABEL_REFUSED, u"Этикетка не принята: " + plt__from_utf8(error));
        break;
    case server_store::result::io_error:
        fault(env, LSV_FAULT_STORE, u"Ошибка хранилища этикеток: " + plt__from_utf8(error));
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
    if (left <= 0) {
        // The call's time was over before the memory was asked for: the
        // render ran too long, the server is not busy.
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

// ------------------------------------------------------------ the calls

using namespace lsv_methods;

namespace {

xmlrpc_value *string_value_of(xmlrpc_env *env, const std::u16string &s)
{
    const std::string u = plt__to_utf8(s);
    return xmlrpc_string_new_lp_cr(env, u.size(), u.data());
}

xmlrpc_value *true_value(xmlrpc_env *env)
{
    return xmlrpc_bool_new(env, 1);
}

// ------------------------------------------------------------ the methods

xmlrpc_value *list_labels(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *)
{
    std::vector<stored_label> labels;
    std::string error;
    if (const server_store::result r = store.list(labels, error); r != server_store::result::ok) {
        store_fault(env, r, u"", error);
        return nullptr;
    }
    xmlrpc_value_ptr arr(xmlrpc_array_new(env));
    for (const stored_label &l : labels) {
        xmlrpc_value_ptr n(string_value_of(env, l.name)), d(string_value_of(env, l.desc));
        xmlrpc_value_ptr item(xmlrpc_build_value(env, "{s:V,s:V}", "name", n.get(), "desc", d.get()));
        if (env->fault_occurred)
            return nullptr;
        xmlrpc_array_append_item(env, arr.get(), item.get());
    }
    return env->fault_occurred ? nullptr : arr.release();
}

xmlrpc_value *load_label(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *params)
{
    std::u16string name;
    if (!name_param(env, params, "name", name))
        return nullptr;
    return stored_value(env, store, name);
}

xmlrpc_value *save_label(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *params)
{
    xmlrpc_value_ptr st = struct_param(env, params, 1, "второй параметр должен быть этикеткой");
    if (!st)
        return nullptr;
    ino_env inner;
    label_ptr lab = ino__value_to_label(&inner.env, st.get(), false);
    if (!lab) {
        std::u16string why = inner.failed() && inner.env.fault_string ? plt__from_utf8(inner.env.fault_string)
                                                                       : u"структура этикетки не прочитана";
        fault(env, LSV_FAULT_LABEL_REFUSED, u"Этикетка не принята: " + why);
        return nullptr;
    }
    if (lab->name.empty()) {
        fault(env, LSV_FAULT_EMPTY_NAME, u"Не задано имя этикетки");
        return nullptr;
    }
    std::string error;
    const server_store::result r = store.save(lab.get(), error);
    if (r != server_store::result::ok) {
        store_fault(env, r, lab->name, error);
        return nullptr;
    }
    return true_value(env);
}

xmlrpc_value *drop_label(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *params)
{
    std::u16string name;
    if (!name_param(env, params, "name", name))
        return nullptr;
    std::string error;
    const server_store::result r = store.drop(name, error);
    if (r != server_store::result::ok) {
        store_fault(env, r, name, error);
        return nullptr;
    }
    return true_value(env);
}

xmlrpc_value *rename_label(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *params)
{
    std::u16string from, to;
    if (!name_param(env, params, "oldname", from) || !name_param(env, params, "newname", to))
        return nullptr;
    std::string error;
    const server_store::result r = store.rename(from, to, error);
    if (r != server_store::result::ok) {
        store_fault(env, r, r == server_store::result::exists ? to : from, error);
        return nullptr;
    }
    return true_value(env);
}

xmlrpc_value *server_info(label_service &service, server_store &, call_context &, xmlrpc_env *env, xmlrpc_value *)
{
    // "print": the server has printers of its own (labels.print).
    if (service.printing())
        return xmlrpc_build_value(env, "{s:s,s:s,s:i,s:(ssss)}", "name", "Vellumo", "version", VELLUMO_VERSION, "api",
                                  1, "features", "store", "render", "fonts", "print");
    return xmlrpc_build_value(env, "{s:s,s:s,s:i,s:(sss)}", "name", "Vellumo", "version", VELLUMO_VERSION, "api", 1,
                              "features", "store", "render", "fonts");
}

xmlrpc_value *list_fonts(label_service &, server_store &, call_context &, xmlrpc_env *env, xmlrpc_value *)
{
    xmlrpc_value_ptr arr(xmlrpc_array_new(env));
    for (const std::u16string &f : lsv__font_families()) {
        xmlrpc_value_ptr n(string_value_of(env, f));
        xmlrpc_value_ptr item(xmlrpc_build_value(env, "{s:V}", "name", n.get()));
        if (env->fault_occurred)
            return nullptr;
        xmlrpc_array_append_item(env, arr.get(), item.get());
    }
    return env->fault_occurred ? nullptr : arr.release();
}

struct method_row {
    const char *name;
    xmlrpc_value *(*fn)(label_service &, server_store &, call_context &, xmlrpc_env *, xmlrpc_value *);
};
const method_row method_rows[] = {
    {"labels.list_labels", list_labels}, {"labels.load_label", load_label},   {"labels.save_label", save_label},
    {"labels.drop_label", drop_label},   {"labels.rename_label", rename_label}, {"labels.server_info", server_info},
    {"labels.list_fonts", list_fonts},   {"labels.render_label", render_label},
    {"labels.render_document",
     [](label_service &service, server_store &store, call_context &c, xmlrpc_env *env, xmlrpc_value *params) {
         return render_document(service, store, c, env, params);
     }},
    {"labels.print", print},             {"labels.job_state", job_state},       {"labels.list_printers", list_printers},
};

// Whether a method's fault is one of the documented ones; any other (a
// library call inside a method that failed) is answered as the server's
// own failure, the library's words in brackets.
bool documented_fault(int code)
{
    return code >= LSV_FAULT_NOT_FOUND && code <= LSV_FAULT_LAST;
}

// Runs one method: credentials first, then the method itself.
xmlrpc_value *dispatch(label_service &service, const method_row &row, call_context &c, xmlrpc_env *env,
                       xmlrpc_value *params)
{
    xmlrpc_value_ptr cred = struct_param(env, params, 0, "первый параметр должен быть структурой {user, passwd}");
    if (!cred)
        return nullptr;
    std::string user, password;
    if (!read_utf8(env, cred.get(), "user", user) || !read_utf8(env, cred.get(), "passwd", password)) {
        params_fault(env, "первый параметр должен быть структурой {user, passwd}");
        return nullptr;
    }
    cred.reset();
    if (!c.signed_in(user) && !service.users().allowed(user, password)) {
        lsv__log_call(c.peer(), std::string(row.name) + ": отказано пользователю «" + lsv__client_text(user) + "»");
        fault(env, LSV_FAULT_CREDENTIALS, u"Неверное имя пользователя или пароль");
        return nullptr;
    }
    xmlrpc_value *result = row.fn(service, service.store(), c, env, params);
    if (env->fault_occurred) {
        if (result)
            xmlrpc_DECREF(result);
        if (!documented_fault(env->fault_code)) {
            const std::u16string said = env->fault_string ? plt__from_utf8(env->fault_string) : u"";
            fault(env, XMLRPC_INTERNAL_ERROR, u"Внутренняя ошибка сервера: ответ не построен (" + said + u")");
        }
        lsv__log_call(c.peer(), std::string(row.name) + ": " + lsv__client_text(env->fault_string));
        return nullptr;
    }
    return result;
}

// The first character of the document that XML-RPC here cannot carry (one
// outside the Basic Multilingual Plane, written as UTF-8 or as a character
// reference), or 0.
char32_t beyond_bmp(const std::string &xml)
{
    for (std::size_t i = 0; i < xml.size(); ++i) {
        const auto b = static_cast<unsigned char>(xml[i]);
        if (b >= 0xF0 && b <= 0xF4 && i + 3 < xml.size())
            return (char32_t(b & 0x07) << 18) | (char32_t(xml[i + 1] & 0x3F) << 12) |
                   (char32_t(xml[i + 2] & 0x3F) << 6) | char32_t(xml[i + 3] & 0x3F);
        if (b == '&' && i + 2 < xml.size() && xml[i + 1] == '#') {
            const bool hex = xml[i + 2] == 'x' || xml[i + 2] == 'X';
            char32_t v = 0;
            std::size_t k = i + (hex ? 3 : 2);
            for (; k < xml.size() && k < i + 16; ++k) {
                const char d = xml[k];
                const int digit = d >= '0' && d <= '9'                ? d - '0'
                                  : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                                  : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                                : -1;
                if (digit < 0)
                    break;
                v = std::min<char32_t>(v * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x7FFFFFFF);
            }
            if (k < xml.size() && xml[k] == ';' && v > 0xFFFF)
                return v;
        }
    }
    return 0;
}

std::string code_point_text(char32_t c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    return buf;
}

// Why a document is not a call the server can read, in Russian, the
// library's own words in brackets.
std::string unreadable_request(const xmlrpc_env &env, const std::string &xml)
{
    const std::string said = env.fault_string ? env.fault_string : "";
    std::string why;
    if (const char32_t c = beyond_bmp(xml))
        why = "символ " + code_point_text(c) +
              " вне основной плоскости Юникода (эмодзи и подобные): XML-RPC этого сервера их не переносит";
    else if (said.find("nests elements deeper") != std::string::npos)
        why = "элементы XML вложены глубже " + std::to_string(INO_XML_DEPTH_LIMIT) + " уровней";
    else if (said.find("too deep") != std::string::npos)
        why = "значения вложены глубже " + std::to_string(xmlrpc_limit_get(XMLRPC_NESTING_LIMIT_ID)) + " уровней";
    else if (env.fault_code == XMLRPC_LIMIT_EXCEEDED_ERROR)
        why = "документ больше " + std::to_string(INO_XML_SIZE_LIMIT >> 20) + " МиБ";
    else if (said.find("unknown encoding") != std::string::npos)
        why = "документ объявляет кодировку, которой сервер не знает";
    else if (said.find("ncoding") != std::string::npos || said.find("not valid") != std::string::npos ||
             env.fault_code == XMLRPC_INVALID_UTF8_ERROR)
        why = "текст не в той кодировке, которую объявляет документ";
    else
        why = "это не документ XML с вызовом XML-RPC";
    return "Запрос не прочитан: " + why + (said.empty() ? "" : " (" + lsv__client_text(said) + ")");
}

// The answer to a call that was not made: a fault with that code and text.
mem_block_ptr fault_answer(int code, const std::string &text)
{
    ino_env env;
    mem_block_ptr out(xmlrpc_mem_block_new(&env.env, 0));
    if (!out)
        return nullptr;
    ino_env f;
    xmlrpc_env_set_fault(&f.env, code, text.c_str());
    xmlrpc_serialize_fault(&env.env, out.get(), &f.env);
    return env.failed() ? nullptr : std::move(out);
}

} // namespace

label_service::label_service(server_store &store, server_users &users, request_limits limits, render_limits render,
                             double call_seconds, std::int64_t document_bytes)
    : store_(store), users_(users), limits_(limits), render_(render), call_seconds_(call_seconds),
      document_bytes_(document_bytes)
{
}

label_service::~label_service() = default;

namespace lsv_methods {
// One method by its name, as the JSON interface calls it: the parameters
// as XML-RPC's would be, credentials first.
xmlrpc_value *call_method(label_service &service, const char *name, call_context &c, xmlrpc_env *env,
                          xmlrpc_value *params)
{
    for (const method_row &r : method_rows)
        if (std::strcmp(name, r.name) == 0)
            return dispatch(service, r, c, env, params);
    fault(env, XMLRPC_NO_SUCH_METHOD_ERROR, u"Метод не определён");
    return nullptr;
}
} // namespace lsv_methods

mem_block_ptr label_service::answer(http_call &call)
{
    c_numeric_scope c_locale;
    cr_protected_scope cr;
    call_context c(call, call_seconds_);
    std::optional<std::string> safe;
    {
        ino_env prep;
        safe = ino__prepare_xml(&prep.env, call.body.data(), call.body.size());
        if (!safe) {
            // A document the parser must not see still gets an XML-RPC fault.
            const std::string why = unreadable_request(prep.env, call.body);
            lsv__log_call(call.peer, "отвергнут запрос: " + why);
            return fault_answer(prep.env.fault_code == XMLRPC_LIMIT_EXCEEDED_ERROR ? XMLRPC_LIMIT_EXCEEDED_ERROR
                                                                                  : XMLRPC_PARSE_ERROR,
                                why);
        }
    }
    call.body.clear();
    call.body.shrink_to_fit();
    request_shape shape;
    std::string why;
    if (!lsv__prescan(safe->data(), safe->size(), limits_, shape, why)) {
        lsv__log_call(call.peer, "отвергнут запрос: " + why);
        return fault_answer(XMLRPC_LIMIT_EXCEEDED_ERROR, "Запрос отвергнут: " + why);
    }
    if (!call.admit(lsv__parse_memory(safe->size(), shape)))
        return nullptr;

    ino_env env;
    const char *method_name = nullptr;
    xmlrpc_value *raw_params = nullptr;
    xmlrpc_parse_call(&env.env, safe->data(), safe->size(), &method_name, &raw_params);
    xmlrpc_value_ptr params(raw_params);
    const std::string method = method_name ? method_name : "";
    std::free(const_cast<char *>(method_name));
    if (env.failed()) {
        const std::string text = unreadable_request(env.env, *safe);
        safe.reset();
        lsv__log_call(call.peer, "отвергнут запрос: " + text);
        return fault_answer(XMLRPC_PARSE_ERROR, text);
    }
    safe.reset();
    // Only the label methods: no introspection, no multicall.
    const method_row *row = nullptr;
    for (const method_row &r : method_rows)
        if (method == r.name)
            row = &r;
    if (!row) {
        lsv__log_call(call.peer, "неизвестный метод «" + lsv__client_text(method) + "»");
        return fault_answer(XMLRPC_NO_SUCH_METHOD_ERROR,
                            "Метод «" + lsv__client_text(method) + "» не определён: сервер отвечает только на методы "
                                                                  "labels.*");
    }
    xmlrpc_value_ptr result(dispatch(*this, *row, c, &env.env, params.get()));
    params.reset();
    ino_env ser;
    mem_block_ptr out(xmlrpc_mem_block_new(&ser.env, 0));
    if (!out)
        return nullptr;
    if (env.failed())
        xmlrpc_serialize_fault(&ser.env, out.get(), &env.env);
    else {
        xmlrpc_serialize_response2(&ser.env, out.get(), result.get(), xmlrpc_dialect_i8);
        if (!ser.failed())
            ino__six_decimal_doubles(&ser.env, out.get()); // as the editor writes them
    }
    if (ser.failed()) {
        // The answer cannot be written (a text the format cannot hold).
        lsv__log_call(call.peer, method + ": ответ не записан: " + lsv__client_text(ser.env.fault_string));
        return fault_answer(XMLRPC_INTERNAL_ERROR,
                            "Внутренняя ошибка сервера: ответ не записан" +
                                (ser.env.fault_string ? " (" + lsv__client_text(ser.env.fault_string) + ")"
                                                      : std::string()));
    }
    return out;
}
