// vellumo-server's process: its options read, its users file, the socket
// it listens on, the store opened, and its life until SIGINT or SIGTERM.
// The calls themselves are answered in methods.cpp and render_methods.cpp.
#include "platform/translation.h"
#include "platform/code_pages.h"
#include "model/misc.h"
#include "server/service.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "exchange/xmlrpc_support.h"
#include "render/eps_runner.h"
#include "server/log.h"
#include "server/owner_only.h"
#include "server/pg_store.h"
#include "server/print_service.h"

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
            error = pl__tr8(VL_TR("vellumo", "адрес вида [IPv6]:ПОРТ"));
            return false;
        }
        h = text.substr(1, close - 1);
        p = text.substr(close + 2);
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon) {
            error = pl__tr8(VL_TR("vellumo", "нужен АДРЕС:ПОРТ, например 127.0.0.1:8390"));
            return false;
        }
        h = text.substr(0, colon);
        p = text.substr(colon + 1);
    }
    if (h.empty() || p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(p) > 65535) {
        error = pl__tr8(VL_TR("vellumo", "нужен АДРЕС:ПОРТ с портом 0…65535"));
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
        std::fprintf(stderr, "vellumo-server: %s\n",
                     plt__to_utf8(msc__format(VL_TR("vellumo", "адрес %1: %2"), host.c_str(), ::gai_strerror(rc))).c_str());
        status = 2;
        return -1;
    }
    int fd = -1;
    std::string bind_error;
    for (addrinfo *a = found; a && fd < 0; a = a->ai_next) {
        if (users.open() && !is_loopback(a->ai_addr)) {
            bind_error = pl__tr8(VL_TR("vellumo", "без файла пользователей (--users) сервер слушает только адрес петли "
                                                 "(127.0.0.1 или ::1)"));
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
        std::fprintf(stderr, "vellumo-server: %s\n",
                     plt__to_utf8(msc__format(VL_TR("vellumo", "не удалось слушать %1: %2"), options.listen.c_str(),
                                               bind_error.c_str()))
                         .c_str());
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
    handler.api = [&service](http_call &call, const http_request_info &info) {
        return service.api_answer(call, info);
    };
    return handler;
}

// Serves until SIGINT or SIGTERM: one thread takes them (every other has
// them blocked) and stops the server; renders in progress are stopped with
// it.  Calls that do not end in time are not waited for.
int serve(http_server &server, server_store &store, print_service *printing, int fd, const sockaddr_storage &bound)
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

    // What the server says from now on goes to its clients and its log: in
    // Russian, whatever the locale (the start-up's refusals were in the
    // locale's language).
    pl__set_translator(nullptr);
    lsv__log("этикетки хранятся в " + store.where());
    store.start();
    if (printing)
        printing->start();
    std::printf("listening %s\n", lsv__address_text(bound).c_str());
    std::fflush(stdout);
    const int busy = server.run(2500);
    if (!stopping.exchange(true))
        pthread_kill(stopper.native_handle(), SIGTERM); // the server ended on its own
    stopper.join();
    if (printing)
        printing->stop();
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
    std::unique_ptr<print_service> printing;
    if (!options.printers.empty()) {
        std::vector<server_printer> printers;
        std::unique_ptr<job_queue> jobs;
        if (auto *folder = dynamic_cast<folder_store *>(opened.get()))
            jobs = lsv__folder_jobs(folder->folder() + "/.print-jobs");
        else if (auto *db = dynamic_cast<pg_store *>(opened.get()))
            jobs = lsv__database_jobs(db->pool());
        if (!lsv__load_printers(options.printers, printers, error) || !jobs || !jobs->open(error)) {
            std::fprintf(stderr, "vellumo-server: %s\n", error.c_str());
            ::close(fd);
            return 1;
        }
        printing = std::make_unique<print_service>(service, std::move(printers), std::move(jobs),
                                                   options.print_lease_ms);
        service.set_printing(printing.get());
        lsv__log("принтеров: " + std::to_string(printing->printers().size()) + " (" + options.printers + ")");
    }

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
    return serve(server, *opened, printing.get(), fd, bound);
}
