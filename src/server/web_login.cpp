#include "server/web_login.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "platform/ascii_text.h"
#include "server/log.h"
#include "server/service.h"
#include "server/web_sessions.h"

namespace {

constexpr std::size_t MAX_SIGN_IN_BYTES = 64u << 10;

http_answer json_answer(int status, const char *reason, const QJsonObject &o)
{
    http_answer a;
    a.status = status;
    a.reason = reason;
    a.content_type = "application/json; charset=utf-8";
    a.body = QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
    return a;
}

http_answer refusal(int status, const char *reason, const char *code, const std::u16string &message)
{
    return json_answer(status, reason,
                       QJsonObject{{"error", QJsonObject{{"code", QString::fromLatin1(code)},
                                                         {"message", QString::fromStdU16String(message)}}}});
}

bool from_page(const http_request_info &info)
{
    return info.requested_with == LSV_PAGE_HEADER_VALUE;
}

bool changes_state(const http_request_info &info)
{
    return info.method != "GET" && info.method != "HEAD";
}

// 401; the challenge for Basic only to other programs, so that a browser
// does not put its own password dialog over the page.
http_answer not_signed_in(const http_request_info &info, const std::u16string &message)
{
    http_answer a = refusal(401, "Unauthorized", "credentials", message);
    if (!from_page(info))
        a.headers.push_back({"WWW-Authenticate", "Basic realm=\"Vellumo\", charset=\"UTF-8\""});
    return a;
}

http_answer no_page_header()
{
    return refusal(403, "Forbidden", "forbidden",
                   u"Запрос с cookie сеанса, меняющий данные, принимается только с заголовком "
                   u"«X-Requested-With: vellumo»");
}

std::string cookie(const http_request_info &info, const std::string &value, bool clear)
{
    std::string c = std::string(web_sessions::cookie_name) + "=" + value + "; HttpOnly; SameSite=Strict; Path=/";
    if (clear)
        c += "; Max-Age=0";
    // Behind a proxy that ends TLS (see the README's nginx block).
    if (plt__ascii_iequal(info.forwarded_proto, "https"))
        c += "; Secure";
    return c;
}

bool fit_user_name(const QString &name)
{
    if (name.size() > 200)
        return false;
    for (QChar ch : name)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            return false;
    return true;
}

http_answer sign_in(label_service &service, http_call &call, const http_request_info &info)
{
    if (call.body.size() > MAX_SIGN_IN_BYTES)
        return refusal(413, "Content Too Large", "too_large", u"Запрос входа больше 64 КиБ");
    if (!call.admit(call.body.size() * 8 + (16u << 10)))
        return refusal(503, "Service Unavailable", "busy", u"Сервер занят, повторите запрос позже");
    QJsonParseError parsed{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(call.body), &parsed);
    call.body.clear();
    const QJsonObject o = doc.object();
    if (parsed.error != QJsonParseError::NoError || !doc.isObject() || o.size() != 2 ||
        !o.value("user").isString() || !o.value("password").isString())
        return refusal(400, "Bad Request", "bad_request",
                       u"Тело запроса входа — объект JSON {\"user\": \"ИМЯ\", \"password\": \"ПАРОЛЬ\"}");
    const QString name = o.value("user").toString();
    if (!fit_user_name(name))
        return refusal(400, "Bad Request", "bad_request",
                       u"Имя пользователя — не длиннее 200 знаков, без управляющих символов");
    const std::string user = name.toStdString(), password = o.value("password").toString().toStdString();
    if (!service.users().allowed(user, password)) {
        lsv__log_call(call.peer, "вход на веб-страницу: отказано пользователю «" + lsv__client_text(user) + "»");
        return not_signed_in(info, u"Неверное имя пользователя или пароль");
    }
    // A session the browser still carries is replaced, not kept beside.
    service.sessions().close(web_sessions::token_in(info.cookie));
    const std::string token = service.sessions().open(user);
    lsv__log_call(call.peer, "вход на веб-страницу: пользователь «" + lsv__client_text(user) + "»");
    http_answer a = json_answer(200, "OK", QJsonObject{{"user", name}});
    a.headers.push_back({"Set-Cookie", cookie(info, token, false)});
    return a;
}

} // namespace

std::optional<http_answer> lsv__session_caller(label_service &service, const http_call &call,
                                               const http_request_info &info, std::string &user)
{
    const std::string token = web_sessions::token_in(info.cookie);
    std::optional<std::string> found = token.empty() ? std::nullopt : service.sessions().user_of(token);
    if (!found)
        return not_signed_in(info, token.empty() ? u"Неверное имя пользователя или пароль"
                                                 : u"Сеанс закончился, войдите снова");
    if (changes_state(info) && !from_page(info)) {
        lsv__log_call(call.peer, "JSON: запрос " + lsv__client_text(info.method) +
                                     " с cookie сеанса без заголовка X-Requested-With отвергнут");
        return no_page_header();
    }
    user = std::move(*found);
    return std::nullopt;
}

http_answer lsv__session_answer(label_service &service, http_call &call, const http_request_info &info)
{
    if (info.method == "POST") {
        if (!from_page(info))
            return no_page_header();
        return sign_in(service, call, info);
    }
    if (info.method == "GET" || info.method == "HEAD") {
        std::string user;
        if (std::optional<http_answer> refused = lsv__session_caller(service, call, info, user))
            return *refused;
        return json_answer(200, "OK", QJsonObject{{"user", QString::fromStdString(user)}});
    }
    if (info.method == "DELETE") {
        // Signing out is a change as well: another site must not end a
        // session either.
        if (!from_page(info))
            return no_page_header();
        service.sessions().close(web_sessions::token_in(info.cookie));
        http_answer a = json_answer(200, "OK", QJsonObject{});
        a.headers.push_back({"Set-Cookie", cookie(info, "", true)});
        return a;
    }
    http_answer a = refusal(405, "Method Not Allowed", "method", u"Сеанс открывается методом POST, закрывается DELETE");
    a.headers.push_back({"Allow", "GET, HEAD, POST, DELETE"});
    return a;
}
