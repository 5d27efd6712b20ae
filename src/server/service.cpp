#include "server/service.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "exchange/inout.h"
#include "exchange/value_read.h"
#include "exchange/xml_prepare.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "render/eps_runner.h"
#include "server/log.h"
#include "server/methods.h"
#include "server/owner_only.h"
#include "server/render.h"

using namespace ino_read;
using namespace lsv_methods;

namespace {

xmlrpc_value *string_value_of(xmlrpc_env *env, const std::u16string &s)
{
    const std::string u = msc__to_utf8(s);
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
        std::u16string why = inner.failed() && inner.env.fault_string ? msc__from_utf8(inner.env.fault_string)
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

xmlrpc_value *server_info(label_service &, server_store &, call_context &, xmlrpc_env *env, xmlrpc_value *)
{
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
    {"labels.render_document", render_document},
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
    if (!service.users().allowed(user, password)) {
        lsv__log_call(c.peer(), std::string(row.name) + ": отказано пользователю «" + lsv__client_text(user) + "»");
        fault(env, LSV_FAULT_CREDENTIALS, u"Неверное имя пользователя или пароль");
        return nullptr;
    }
    xmlrpc_value *result = row.fn(service, service.store(), c, env, params);
    if (env->fault_occurred) {
        if (result)
            xmlrpc_DECREF(result);
        if (!documented_fault(env->fault_code)) {
            const std::u16string said = env->fault_string ? msc__from_utf8(env->fault_string) : u"";
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

std::string lsv__default_store()
{
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/')
        return std::string(xdg) + "/vellumo/labels";
    const char *home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/vellumo/labels";
}

bool lsv__parse_listen(const std::string &text, std::string &host, std::string &port, std::string &error)
{
    std::string h, p;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            error = "адрес вида [IPv6]:ПОРТ";
            return false;
        }
        h = text.substr(1, close - 1);
        p = text.substr(close + 2);
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon) {
            error = "нужен АДРЕС:ПОРТ, например 127.0.0.1:8390";
            return false;
        }
        h = text.substr(0, colon);
        p = text.substr(colon + 1);
    }
    if (h.empty() || p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(p) > 65535) {
        error = "нужен АДРЕС:ПОРТ с портом 0…65535";
        return false;
    }
    host = h;
    port = p;
    return true;
}

namespace {

bool is_loopback(const sockaddr *a)
{
    if (a->sa_family == AF_INET) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(a);
        return (ntohl(in->sin_addr.s_addr) >> 24) == 127;
    }
    if (a->sa_family == AF_INET6) {
        const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(a);
        if (IN6_IS_ADDR_LOOPBACK(&in6->sin6_addr))
            return true;
        if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr))
            return in6->sin6_addr.s6_addr[12] == 127;
    }
    return false;
}

} // namespace

namespace {

// The users file, read: 0, or the exit status after saying why not.  Plain
// passwords in it are accepted with a line in the log.
int read_users(const server_options &options, server_users &users)
{
    if (options.users.empty())
        return 0;
    std::string error;
    if (!users.load(options.users, error)) {
        std::fprintf(stderr, "vellumo-server: %s\n", error.c_str());
        return 2;
    }
    for (int line : users.plain_lines())
        lsv__log("внимание: в файле пользователей, строка " + std::to_string(line) +
                 ", пароль записан открытым текстом; vellumo-server --hash-password ИМЯ даёт строку с хешем");
    return 0;
}

// A socket bound to the --listen address (a loopback one only, without a
// users file), and the address it got; -1 with the exit status in `status`
// after saying why not.
int bind_listener(const server_options &options, const std::string &host, const std::string &port,
                  const server_users &users, sockaddr_storage &bound, int &status)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    if (int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0) {
        std::fprintf(stderr, "vellumo-server: адрес %s: %s\n", host.c_str(), ::gai_strerror(rc));
        status = 2;
        return -1;
    }
    int fd = -1;
    std::string bind_error;
    for (addrinfo *a = found; a && fd < 0; a = a->ai_next) {
        if (users.open() && !is_loopback(a->ai_addr)) {
            bind_error = "без файла пользователей (--users) сервер слушает только адрес петли "
                         "(127.0.0.1 или ::1)";
            continue;
        }
        int s = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (s < 0) {
            bind_error = std::strerror(errno);
            continue;
        }
        int one = 1;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(s, a->ai_addr, a->ai_addrlen) != 0) {
            bind_error = std::strerror(errno);
            ::close(s);
            continue;
        }
        fd = s;
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        std::fprintf(stderr, "vellumo-server: не удалось слушать %s: %s\n", options.listen.c_str(),
                     bind_error.c_str());
        status = 1;
        return -1;
    }
    socklen_t bound_len = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&bound), &bound_len);
    return fd;
}

// The HTTP front for the label methods: requests up to the largest label
// document, the memory a large one may take counted before it is read.
http_handler handler_for(label_service &service, const request_limits &request)
{
    http_handler handler;
    handler.worst_memory = [request](std::size_t bytes) { return lsv__parse_memory_at_most(bytes, request); };
    handler.answer = [&service](http_call &call) { return service.answer(call); };
    return handler;
}

// Serves until SIGINT or SIGTERM: one thread takes them (every other has
// them blocked) and stops the server; renders in progress are stopped with
// it.  Calls that do not end in time are not waited for.
int serve(http_server &server, server_store &store, int fd, const sockaddr_storage &bound)
{
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    std::signal(SIGPIPE, SIG_IGN);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::atomic<bool> stopping{false};
    std::thread stopper([&] {
        int sig = 0;
        sigwait(&stop_signals, &sig);
        if (stopping.exchange(true))
            return;
        lsv__log(sig == SIGINT ? "остановка по SIGINT" : "остановка по SIGTERM");
        // Renders in progress end now: their Ghostscript is killed.
        rdr__eps_stop_all();
        server.stop();
    });

    lsv__log("этикетки хранятся в " + store.where());
    store.start();
    std::printf("listening %s\n", lsv__address_text(bound).c_str());
    std::fflush(stdout);
    const int busy = server.run(2500);
    if (!stopping.exchange(true))
        pthread_kill(stopper.native_handle(), SIGTERM); // the server ended on its own
    stopper.join();
    lsv__log_tick(true);
    if (busy > 0) {
        lsv__log("сервер остановлен, не дождавшись " + std::to_string(busy) + " соединений");
        std::fflush(nullptr);
        ::_exit(0);
    }
    store.stop();
    ::close(fd);
    lsv__log("сервер остановлен");
    return 0;
}

} // namespace

int lsv__run(const server_options &options)
{
    std::string host, port, error;
    if (!lsv__parse_listen(options.listen, host, port, error)) {
        std::fprintf(stderr, "vellumo-server: --listen %s: %s\n", options.listen.c_str(), error.c_str());
        return 2;
    }
    server_users users;
    if (int status = read_users(options, users))
        return status;
    sockaddr_storage bound{};
    int status = 0;
    const int fd = bind_listener(options, host, port, users, bound, status);
    if (fd < 0)
        return status;
    std::unique_ptr<server_store> opened =
        lsv__open_store(options.store.empty() ? lsv__default_store() : options.store, options.cache_bytes, error);
    if (!opened) {
        std::fprintf(stderr, "vellumo-server: %s\n", error.c_str());
        ::close(fd);
        return 1;
    }
    label_service service(*opened, users, options.request, options.render, options.call_seconds,
                          options.document_bytes);

    // The program checks sizes itself; the library's limit is only a net.
    ino__ensure_limits();
    xmlrpc_limit_set(XMLRPC_XML_SIZE_LIMIT_ID, INO_XML_SIZE_LIMIT);
    http_limits limits = options.http;
    limits.max_body = INO_XML_SIZE_LIMIT;
    http_handler handler = handler_for(service, options.request);
    if (options.owner_only) {
        if (const std::string why = lsv__socket_lists_readable(); !why.empty()) {
            std::fprintf(stderr, "vellumo-server: --owner-only: %s\n", why.c_str());
            ::close(fd);
            return 1;
        }
        handler.turn_away = lsv__owner_gate(::geteuid());
        lsv__log("соединения принимаются только от процессов пользователя uid " + std::to_string(::geteuid()));
    }
    http_server server(fd, limits, std::move(handler));
    return serve(server, *opened, fd, bound);
}
