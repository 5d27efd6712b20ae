// The label server for programs that speak JSON over plain HTTP, beside
// XML-RPC on the same port: the same users (HTTP Basic), the same store,
// and the very methods XML-RPC calls, so that limits and faults are one.
// A JSON request is turned into the method's parameters, its result or
// fault into JSON and an HTTP status.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <cmath>
#include <optional>
#include <ctime>

#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "server/log.h"
#include "server/methods.h"
#include "server/service.h"
#include "server/web_login.h"
#include "server/web_page.h"

namespace {

constexpr char JSON[] = "application/json; charset=utf-8";

// JSON bodies larger than this are refused before they are parsed.
constexpr std::size_t MAX_JSON_BYTES = 64u << 20;

http_answer json_answer(int status, const char *reason, const QJsonValue &v)
{
    http_answer a;
    a.status = status;
    a.reason = reason;
    a.content_type = JSON;
    const QByteArray bytes =
        v.isArray() ? QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact)
                    : QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
    a.body.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return a;
}

// {"error": {"code", "message"}}: `code` a word a program can test, the
// message for a person.
http_answer error_answer(int status, const char *reason, const char *code, const std::u16string &message)
{
    QJsonObject e{{"code", QString::fromLatin1(code)},
                  {"message", QString::fromStdU16String(message)}};
    return json_answer(status, reason, QJsonObject{{"error", e}});
}

struct fault_row {
    int fault;
    int status;
    const char *reason;
    const char *code;
};

// The faults of the methods as HTTP statuses.
const fault_row fault_rows[] = {
    {LSV_FAULT_NOT_FOUND, 404, "Not Found", "not_found"},
    {LSV_FAULT_EXISTS, 409, "Conflict", "exists"},
    {LSV_FAULT_EMPTY_NAME, 400, "Bad Request", "empty_name"},
    {LSV_FAULT_CREDENTIALS, 401, "Unauthorized", "credentials"},
    {LSV_FAULT_PARAMS, 400, "Bad Request", "bad_request"},
    {LSV_FAULT_LABEL_REFUSED, 422, "Unprocessable Content", "label_refused"},
    {LSV_FAULT_RENDER, 422, "Unprocessable Content", "render_failed"},
    {LSV_FAULT_TOO_LARGE, 413, "Content Too Large", "too_large"},
    {LSV_FAULT_RESOLUTION, 400, "Bad Request", "resolution"},
    {LSV_FAULT_STORE, 503, "Service Unavailable", "store"},
    {LSV_FAULT_BATCH_TOO_LARGE, 413, "Content Too Large", "batch_too_large"},
    {LSV_FAULT_BUSY, 503, "Service Unavailable", "busy"},
    {LSV_FAULT_OUT_OF_RANGE, 422, "Unprocessable Content", "out_of_range"},
    {LSV_FAULT_TIMEOUT, 504, "Gateway Timeout", "timeout"},
    {LSV_FAULT_NO_PRINTER, 404, "Not Found", "no_printer"},
    {LSV_FAULT_KEY_TAKEN, 409, "Conflict", "key_taken"},
};

http_answer fault_answer(const xmlrpc_env &env)
{
    const std::u16string message = plt__from_utf8(env.fault_string ? env.fault_string : "");
    for (const fault_row &r : fault_rows)
        if (r.fault == env.fault_code)
            return error_answer(r.status, r.reason, r.code, message);
    return error_answer(500, "Internal Server Error", "internal", message);
}

// An XML-RPC value as JSON: base64 as its text, a date as ISO 8601.  Depth
// is bounded by what the methods answer (labels are two levels deep).
QJsonValue to_json(xmlrpc_env *env, xmlrpc_value *v, int depth = 0)
{
    if (depth > 16)
        return QJsonValue();
    switch (xmlrpc_value_type(v)) {
    case XMLRPC_TYPE_INT: {
        int i = 0;
        xmlrpc_read_int(env, v, &i);
        return i;
    }
    case XMLRPC_TYPE_I8: {
        xmlrpc_int64 i = 0;
        xmlrpc_read_i8(env, v, &i);
        return static_cast<qint64>(i);
    }
    case XMLRPC_TYPE_BOOL: {
        xmlrpc_bool b = 0;
        xmlrpc_read_bool(env, v, &b);
        return b != 0;
    }
    case XMLRPC_TYPE_DOUBLE: {
        double d = 0;
        xmlrpc_read_double(env, v, &d);
        return std::isfinite(d) ? QJsonValue(d) : QJsonValue();
    }
    case XMLRPC_TYPE_STRING: {
        const char *s = nullptr;
        std::size_t n = 0;
        xmlrpc_read_string_lp(env, v, &n, &s);
        const QString text = env->fault_occurred ? QString() : QString::fromUtf8(s, static_cast<qsizetype>(n));
        std::free(const_cast<char *>(s));
        return text;
    }
    case XMLRPC_TYPE_BASE64: {
        const unsigned char *b = nullptr;
        std::size_t n = 0;
        xmlrpc_read_base64(env, v, &n, &b);
        const QByteArray bytes = env->fault_occurred ? QByteArray()
                                                     : QByteArray(reinterpret_cast<const char *>(b),
                                                                  static_cast<qsizetype>(n));
        std::free(const_cast<unsigned char *>(b));
        return QString::fromLatin1(bytes.toBase64());
    }
    case XMLRPC_TYPE_ARRAY: {
        QJsonArray out;
        const int n = xmlrpc_array_size(env, v);
        for (int i = 0; i < n && !env->fault_occurred; ++i) {
            xmlrpc_value *item = nullptr;
            xmlrpc_array_read_item(env, v, i, &item);
            if (env->fault_occurred)
                break;
            out.append(to_json(env, item, depth + 1));
            xmlrpc_DECREF(item);
        }
        return out;
    }
    case XMLRPC_TYPE_STRUCT: {
        QJsonObject out;
        const int n = xmlrpc_struct_size(env, v);
        for (int i = 0; i < n && !env->fault_occurred; ++i) {
            xmlrpc_value *key = nullptr, *value = nullptr;
            xmlrpc_struct_read_member(env, v, static_cast<unsigned int>(i), &key, &value);
            if (env->fault_occurred)
                break;
            const QJsonValue k = to_json(env, key, depth + 1);
            out.insert(k.toString(), to_json(env, value, depth + 1));
            xmlrpc_DECREF(key);
            xmlrpc_DECREF(value);
        }
        return out;
    }
    default:
        return QJsonValue();
    }
}

// "%D0%AF" and the like back to UTF-8; nothing when the escapes or the
// UTF-8 they make are broken.
std::optional<std::string> percent_decoded(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        auto hex = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        if (i + 2 >= s.size() || hex(s[i + 1]) < 0 || hex(s[i + 2]) < 0)
            return std::nullopt;
        out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
        i += 2;
    }
    const QString back = QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
    if (back.toUtf8() != QByteArray(out.data(), static_cast<qsizetype>(out.size())) || out.find('\0') != std::string::npos)
        return std::nullopt;
    return out;
}

// User and password of an "Authorization: Basic …" field.
bool basic_credentials(const std::string &field, std::string &user, std::string &password)
{
    if (field.size() < 6 || !(field.compare(0, 6, "Basic ") == 0 || field.compare(0, 6, "basic ") == 0))
        return false;
    const QByteArray token = QByteArray::fromStdString(field.substr(6)).trimmed();
    const auto decoded = QByteArray::fromBase64Encoding(token, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    const QByteArray pair = *decoded;
    const qsizetype colon = pair.indexOf(':');
    if (colon < 0)
        return false;
    user = pair.left(colon).toStdString();
    password = pair.mid(colon + 1).toStdString();
    return true;
}

xmlrpc_value_ptr string_value(xmlrpc_env *env, const QString &s)
{
    const QByteArray u = s.toUtf8();
    return xmlrpc_value_ptr(xmlrpc_string_new_lp(env, static_cast<std::size_t>(u.size()), u.constData()));
}

// {"name": "value", …} or [{"name", "value"}, …] as the methods' array of
// {name, value}; false with `why` when it is neither, or a value is not a
// text or a number.
bool variables_value(xmlrpc_env *env, const QJsonValue &v, xmlrpc_value_ptr &out, std::u16string &why)
{
    out.reset(xmlrpc_array_new(env));
    auto add = [&](const QString &name, const QJsonValue &value) {
        QString text;
        if (value.isString())
            text = value.toString();
        else if (value.isDouble() && std::isfinite(value.toDouble()))
            text = QString::number(value.toDouble(), 'g', 15);
        else
            return false;
        xmlrpc_value_ptr n = string_value(env, name), t = string_value(env, text);
        xmlrpc_value_ptr item(xmlrpc_build_value(env, "{s:V,s:V}", "name", n.get(), "value", t.get()));
        if (env->fault_occurred)
            return false;
        xmlrpc_array_append_item(env, out.get(), item.get());
        return !env->fault_occurred;
    };
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!add(it.key(), it.value())) {
                why = u"значение переменной «" + it.key().left(100).toStdU16String() +
                      u"» должно быть текстом или числом";
                return false;
            }
        return true;
    }
    if (v.isArray()) {
        for (const QJsonValue &item : v.toArray()) {
            const QJsonObject o = item.toObject();
            if (!item.isObject() || !o.value("name").isString() || !add(o.value("name").toString(), o.value("value"))) {
                why = u"переменные — объект {\"ИМЯ\": \"ЗНАЧЕНИЕ\"} или массив {\"name\", \"value\"}";
                return false;
            }
        }
        return true;
    }
    why = u"переменные — объект {\"ИМЯ\": \"ЗНАЧЕНИЕ\"} или массив {\"name\", \"value\"}";
    return false;
}

const char *content_type_of(const QString &format)
{
    if (format == "pdf")
        return "application/pdf";
    if (format == "png")
        return "image/png";
    if (format == "svg")
        return "image/svg+xml";
    return "application/octet-stream"; // the printers' languages
}

// The body of a POST: a JSON object of the members named (the call's memory
// for it admitted first, the text dropped once parsed); or the answer that
// refuses it.
std::optional<http_answer> read_object(http_call &call, const QStringList &members, QJsonObject &o)
{
    if (call.body.size() > MAX_JSON_BYTES)
        return error_answer(413, "Content Too Large", "too_large", u"Запрос JSON больше 64 МиБ");
    // A parsed document takes several times its text.
    if (!call.admit(call.body.size() * 8 + (64u << 10)))
        return error_answer(503, "Service Unavailable", "busy", u"Сервер занят, повторите запрос позже");
    QJsonParseError parsed{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(call.body.data(), static_cast<qsizetype>(call.body.size())),
                                &parsed);
    if (parsed.error != QJsonParseError::NoError || !doc.isObject())
        return error_answer(400, "Bad Request", "bad_json",
                            u"Тело запроса — объект JSON: " + parsed.errorString().toStdU16String());
    call.body.clear();
    call.body.shrink_to_fit();
    o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!members.contains(it.key()))
            return error_answer(400, "Bad Request", "bad_request",
                                u"Неизвестный член «" + it.key().left(100).toStdU16String() + u"»");
    return std::nullopt;
}

// Member `key` of the call's struct, which takes the reference.
void set_member(xmlrpc_env *env, xmlrpc_value *st, const char *key, xmlrpc_value *v)
{
    xmlrpc_struct_set_value(env, st, key, v);
    xmlrpc_DECREF(v);
}

// A whole number `json` of the request as the call's `member`: a fraction,
// a number past int or not a number at all is refused, never rounded.
std::optional<http_answer> put_whole(xmlrpc_env *env, xmlrpc_value *st, const QJsonObject &o, const char *json,
                                     const char *member)
{
    if (!o.contains(json))
        return std::nullopt;
    const QJsonValue v = o.value(json);
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || !(d == std::floor(d)) || !(std::fabs(d) < 1e9))
        return error_answer(400, "Bad Request", "bad_request", u"\"" + plt__from_utf8(json) + u"\" — целое число");
    set_member(env, st, member, xmlrpc_int_new(env, static_cast<int>(d)));
    return std::nullopt;
}

// "variables" and "rows" of the request into the call's struct; `in_one`
// names what the rows are bounded in ("в одном документе").
std::optional<http_answer> put_variables_and_rows(xmlrpc_env *env, xmlrpc_value *st, const QJsonObject &o,
                                                  const char16_t *in_one)
{
    std::u16string why;
    if (o.contains("variables")) {
        xmlrpc_value_ptr vars;
        if (!variables_value(env, o.value("variables"), vars, why))
            return error_answer(400, "Bad Request", "bad_request", u"\"variables\": " + why);
        set_member(env, st, "variables", vars.release());
    }
    if (!o.contains("rows"))
        return std::nullopt;
    if (!o.value("rows").isArray())
        return error_answer(400, "Bad Request", "bad_request", u"\"rows\" — массив строк");
    const QJsonArray items = o.value("rows").toArray();
    if (items.size() > LSV_MAX_DOCUMENT_ROWS)
        return error_answer(413, "Content Too Large", "batch_too_large",
                            u"Строк " + plt__from_utf8(std::to_string(items.size())) + u", а " + in_one +
                                u" их не больше " + plt__from_utf8(std::to_string(LSV_MAX_DOCUMENT_ROWS)));
    xmlrpc_value_ptr rows(xmlrpc_array_new(env));
    for (qsizetype i = 0; i < items.size(); ++i) {
        xmlrpc_value_ptr row;
        if (!variables_value(env, items[i], row, why))
            return error_answer(400, "Bad Request", "bad_request",
                                u"\"rows\", строка " + plt__from_utf8(std::to_string(i + 1)) + u": " + why);
        xmlrpc_array_append_item(env, rows.get(), row.get());
    }
    set_member(env, st, "rows", rows.release());
    return std::nullopt;
}

} // namespace

namespace lsv_methods {
xmlrpc_value *call_method(label_service &service, const char *name, call_context &c, xmlrpc_env *env,
                          xmlrpc_value *params);
}
using lsv_methods::call_context;

http_answer label_service::api_answer(http_call &call, const http_request_info &info)
{
    std::string path = info.target;
    if (path.compare(0, 7, "http://") == 0) {
        const std::size_t slash = path.find('/', 7);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    const std::size_t query = path.find('?');
    if (query != std::string::npos)
        path.resize(query);
    const bool get = info.method == "GET" || info.method == "HEAD", post = info.method == "POST";

    if (std::optional<http_answer> page = lsv__web_page(path, info))
        return *page;

    if (path == "/api/v1/openapi.json") {
        if (!get)
            return error_answer(405, "Method Not Allowed", "method", u"Описание читается методом GET.");
        http_answer a;
        a.content_type = JSON;
        a.body = lsv__openapi_text();
        return a;
    }
    if (path.compare(0, 8, "/api/v1/") != 0)
        return error_answer(404, "Not Found", "not_found",
                            u"Нет такого адреса; вызовы JSON — по адресам /api/v1/…, XML-RPC — /RPC2.");

    if (path == "/api/v1/session")
        return lsv__session_answer(*this, call, info);

    // Every call but the description names a user: by HTTP Basic, else by
    // the web page's session.
    std::string user, password;
    const bool by_session = info.authorization.empty();
    if (by_session) {
        if (std::optional<http_answer> refused = lsv__session_caller(*this, call, info, user))
            return *refused;
    } else if (!basic_credentials(info.authorization, user, password) || !users_.allowed(user, password)) {
        if (!info.authorization.empty())
            lsv__log_call(call.peer, "JSON " + path.substr(0, 200) + ": отказано пользователю «" +
                                         lsv__client_text(user) + "»");
        http_answer a = error_answer(401, "Unauthorized", "credentials", u"Неверное имя пользователя или пароль");
        a.headers.push_back({"WWW-Authenticate", "Basic realm=\"Vellumo\", charset=\"UTF-8\""});
        return a;
    }

    c_numeric_scope c_locale;
    call_context c(call, call_seconds_);
    if (by_session)
        c.signed_in_as(user);
    ino_env env;
    xmlrpc_value_ptr cred(xmlrpc_build_value(&env.env, "{s:s,s:s}", "user", user.c_str(), "passwd", password.c_str()));
    auto run = [&](const char *method, xmlrpc_value *second) -> xmlrpc_value_ptr {
        xmlrpc_value_ptr params(xmlrpc_array_new(&env.env));
        xmlrpc_array_append_item(&env.env, params.get(), cred.get());
        if (second)
            xmlrpc_array_append_item(&env.env, params.get(), second);
        if (env.failed())
            return nullptr;
        return xmlrpc_value_ptr(lsv_methods::call_method(*this, method, c, &env.env, params.get()));
    };

    if (path == "/api/v1/labels") {
        if (!get)
            return error_answer(405, "Method Not Allowed", "method", u"Список этикеток читается методом GET.");
        std::vector<stored_label> labels;
        std::string error;
        if (store_.list(labels, error) != server_store::result::ok)
            return error_answer(503, "Service Unavailable", "store",
                                u"Хранилище этикеток не ответило: " + plt__from_utf8(error));
        QJsonArray out;
        for (const stored_label &l : labels) {
            QJsonObject o{{"name", QString::fromStdU16String(l.name)},
                          {"description", QString::fromStdU16String(l.desc)}};
            if (l.modified_ms > 0) {
                const std::time_t t = static_cast<std::time_t>(l.modified_ms / 1000);
                std::tm tm{};
                gmtime_r(&t, &tm);
                char text[40];
                std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
                o.insert("modified", QString::fromLatin1(text));
            }
            out.append(o);
        }
        return json_answer(200, "OK", out);
    }

    if (path.compare(0, 15, "/api/v1/labels/") == 0) {
        if (!get)
            return error_answer(405, "Method Not Allowed", "method", u"Этикетка читается методом GET.");
        const std::optional<std::string> name = percent_decoded(path.substr(15));
        if (!name || name->empty())
            return error_answer(400, "Bad Request", "bad_name",
                                u"Имя этикетки в адресе — UTF-8 в процентной кодировке (%D0%AF…)");
        xmlrpc_value_ptr st(xmlrpc_build_value(&env.env, "{s:s}", "name", name->c_str()));
        xmlrpc_value_ptr lab = run("labels.load_label", st.get());
        if (!lab)
            return fault_answer(env.env);
        ino_env conv;
        const QJsonValue v = to_json(&conv.env, lab.get());
        if (conv.failed())
            return error_answer(500, "Internal Server Error", "internal", u"Этикетка не переведена в JSON");
        return json_answer(200, "OK", v);
    }

    if (path == "/api/v1/render") {
        if (!post)
            return error_answer(405, "Method Not Allowed", "method", u"Документ делается методом POST.");
        QJsonObject o;
        if (auto refused = read_object(call, {"label", "variables", "rows", "format", "dpi", "sheet", "first", "copies"}, o))
            return *refused;
        if (!o.value("label").isString() || o.value("label").toString().isEmpty())
            return error_answer(400, "Bad Request", "bad_request", u"\"label\" — имя этикетки");
        const QString format = o.value("format").toString();
        if (!QStringList{"pdf", "png", "svg", "zpl", "tspl", "epl"}.contains(format))
            return error_answer(400, "Bad Request", "bad_request",
                                u"\"format\" — \"pdf\", \"png\", \"svg\", \"zpl\", \"tspl\" или \"epl\"");
        xmlrpc_value_ptr st(xmlrpc_struct_new(&env.env));
        auto set = [&](const char *key, xmlrpc_value *v) { set_member(&env.env, st.get(), key, v); };
        set("name", string_value(&env.env, o.value("label").toString()).release());
        set("format", string_value(&env.env, format).release());
        for (auto [json, member] : {std::pair{"dpi", "resolution"}, {"first", "first"}, {"copies", "copies"}})
            if (auto refused = put_whole(&env.env, st.get(), o, json, member))
                return *refused;
        if (o.contains("sheet")) {
            if (!o.value("sheet").isString())
                return error_answer(400, "Bad Request", "bad_request", u"\"sheet\" — название листа («МАРКА НОМЕР»)");
            set("sheet", string_value(&env.env, o.value("sheet").toString()).release());
        }
        if (auto refused = put_variables_and_rows(&env.env, st.get(), o, u"в одном документе"))
            return *refused;
        if (env.failed())
            return error_answer(500, "Internal Server Error", "internal", u"Запрос не построен");
        xmlrpc_value_ptr document = run("labels.render_document", st.get());
        if (!document)
            return fault_answer(env.env);
        const unsigned char *b = nullptr;
        std::size_t n = 0;
        xmlrpc_read_base64(&env.env, document.get(), &n, &b);
        http_answer a;
        a.content_type = content_type_of(format);
        if (!env.failed())
            a.body.assign(reinterpret_cast<const char *>(b), n);
        std::free(const_cast<unsigned char *>(b));
        a.headers.push_back({"Content-Disposition", "attachment; filename=\"label." + format.toStdString() + "\""});
        return a;
    }
    if (path == "/api/v1/printers") {
        if (!get)
            return error_answer(405, "Method Not Allowed", "method", u"Список принтеров читается методом GET.");
        xmlrpc_value_ptr list = run("labels.list_printers", nullptr);
        if (!list)
            return fault_answer(env.env);
        ino_env conv;
        const QJsonValue v = to_json(&conv.env, list.get());
        return json_answer(200, "OK", v);
    }

    if (path.compare(0, 13, "/api/v1/jobs/") == 0) {
        if (!get)
            return error_answer(405, "Method Not Allowed", "method", u"Задание печати читается методом GET.");
        const std::optional<std::string> id = percent_decoded(path.substr(13));
        xmlrpc_value_ptr st(xmlrpc_build_value(&env.env, "{s:s}", "job", id ? id->c_str() : ""));
        xmlrpc_value_ptr job = run("labels.job_state", st.get());
        if (!job)
            return fault_answer(env.env);
        ino_env conv;
        return json_answer(200, "OK", to_json(&conv.env, job.get()));
    }

    if (path == "/api/v1/print") {
        if (!post)
            return error_answer(405, "Method Not Allowed", "method", u"Задание печати даётся методом POST.");
        QJsonObject o;
        if (auto refused = read_object(call, {"label", "printer", "variables", "rows", "copies", "key"}, o))
            return *refused;
        for (const char *m : {"label", "printer"})
            if (!o.value(m).isString() || o.value(m).toString().isEmpty())
                return error_answer(400, "Bad Request", "bad_request",
                                    u"\"" + plt__from_utf8(m) + u"\" — непустая строка");
        if (o.contains("key") && !o.value("key").isString())
            return error_answer(400, "Bad Request", "bad_request", u"\"key\" — строка");
        if (o.contains("variables") && o.contains("rows"))
            return error_answer(400, "Bad Request", "bad_request",
                                u"\"variables\" — для одной этикетки, \"rows\" — для нескольких; одно из двух");
        xmlrpc_value_ptr st(xmlrpc_struct_new(&env.env));
        auto set = [&](const char *key, xmlrpc_value *v) { set_member(&env.env, st.get(), key, v); };
        set("name", string_value(&env.env, o.value("label").toString()).release());
        set("printer", string_value(&env.env, o.value("printer").toString()).release());
        if (o.contains("key"))
            set("key", string_value(&env.env, o.value("key").toString()).release());
        if (auto refused = put_whole(&env.env, st.get(), o, "copies", "copies"))
            return *refused;
        if (auto refused = put_variables_and_rows(&env.env, st.get(), o, u"в одном задании"))
            return *refused;
        if (env.failed())
            return error_answer(500, "Internal Server Error", "internal", u"Запрос не построен");
        xmlrpc_value_ptr job = run("labels.print", st.get());
        if (!job)
            return fault_answer(env.env);
        ino_env conv;
        http_answer a = json_answer(202, "Accepted", to_json(&conv.env, job.get()));
        return a;
    }
    return error_answer(404, "Not Found", "not_found", u"Нет такого адреса в /api/v1/");
}
