#include "server/http.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string_view>
#include <sys/uio.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/ascii_text.h"
#include "server/log.h"

using clock_type = std::chrono::steady_clock;

struct http_server::connection {
    int fd = -1;
    std::string peer;    // address and port
    std::string address; // address alone: the key of the per-address count
    std::string buf;     // read and not yet part of a request
    std::size_t scanned = 0; // of buf, searched for the end of the head
    bool first = true;   // no request has begun yet
};

namespace {

lsv_log_throttle g_refusals;
lsv_log_throttle g_timeouts;

int ms_until(clock_type::time_point t)
{
    const auto d = std::chrono::duration_cast<std::chrono::milliseconds>(t - clock_type::now()).count();
    return d <= 0 ? 0 : static_cast<int>(std::min<long long>(d, 1000000));
}

clock_type::time_point after_ms(clock_type::time_point from, double ms)
{
    return from + std::chrono::microseconds(static_cast<long long>(ms * 1000));
}

// True when the comma-separated header value holds `token`.
bool has_token(std::string_view value, std::string_view token)
{
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        if (plt__ascii_iequal(plt__trim_blanks(value.substr(0, comma)), token))
            return true;
        if (comma == std::string_view::npos)
            break;
        value.remove_prefix(comma + 1);
    }
    return false;
}

std::string http_date()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &tm);
    return buf;
}

std::string address_only(const sockaddr_storage &a)
{
    char host[INET6_ADDRSTRLEN] = "?";
    if (a.ss_family == AF_INET) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(&a)->sin_addr, host, sizeof host);
        return host;
    }
    const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(&a);
    if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr)) {
        ::inet_ntop(AF_INET, &in6->sin6_addr.s6_addr[12], host, sizeof host);
        return host;
    }
    ::inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
    return host;
}

// What one wait for bytes ended with.
enum class got { data, timeout, closed, stopping };

// Waits until `fd` has bytes (or the server stops) and appends up to
// `room` of them to `out` at `at`.
got read_some(int fd, int wake, char *at, std::size_t room, std::size_t &n, clock_type::time_point deadline)
{
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
        const int r = ::poll(p, 2, ms_until(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (p[1].revents)
            return got::stopping;
        if (r == 0)
            return got::timeout;
        if (r < 0)
            return got::closed;
        const ssize_t k = ::recv(fd, at, room, 0);
        if (k < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (k <= 0)
            return got::closed;
        n = static_cast<std::size_t>(k);
        return got::data;
    }
}

// Writes every byte of the pieces unless the client is slower than the
// deadline allows; `deadline_for(sent)` is the time by which `sent` bytes
// must be out.
template <typename Deadline>
bool write_all(int fd, std::vector<iovec> pieces, Deadline deadline_for)
{
    std::size_t sent = 0;
    std::size_t at = 0;
    while (at < pieces.size()) {
        msghdr msg{};
        msg.msg_iov = pieces.data() + at;
        msg.msg_iovlen = pieces.size() - at;
        const ssize_t k = ::sendmsg(fd, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (k < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                return false;
            pollfd p{fd, POLLOUT, 0};
            const int r = ::poll(&p, 1, ms_until(deadline_for(sent)));
            if (r == 0)
                return false;
            if (r < 0 && errno != EINTR)
                return false;
            continue;
        }
        sent += static_cast<std::size_t>(k);
        std::size_t left = static_cast<std::size_t>(k);
        while (at < pieces.size() && left >= pieces[at].iov_len) {
            left -= pieces[at].iov_len;
            ++at;
        }
        if (at < pieces.size()) {
            pieces[at].iov_base = static_cast<char *>(pieces[at].iov_base) + left;
            pieces[at].iov_len -= left;
        }
    }
    return true;
}

// Closes after the client has seen what was written: further input is read
// and dropped for a moment, so that the kernel does not answer it with a
// reset that could destroy the answer before the client reads it.
void close_gently(int fd)
{
    ::shutdown(fd, SHUT_WR);
    const auto until = after_ms(clock_type::now(), 1000);
    char sink[16384];
    std::size_t dropped = 0;
    while (dropped < (4u << 20)) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, ms_until(until)) <= 0)
            break;
        const ssize_t k = ::recv(fd, sink, sizeof sink, 0);
        if (k <= 0)
            break;
        dropped += static_cast<std::size_t>(k);
    }
    ::close(fd);
}

// A short plain-text answer for a request that is not served.
void send_plain(int fd, int status, const char *reason, const std::string &text, int timeout_ms)
{
    const std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nDate: " + http_date() +
                             "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                             std::to_string(text.size() + 1) + "\r\nConnection: close\r\n\r\n";
    const std::string all = head + text + "\n";
    const auto deadline = after_ms(clock_type::now(), timeout_ms);
    write_all(fd, {iovec{const_cast<char *>(all.data()), all.size()}}, [&](std::size_t) { return deadline; });
}

struct request_head {
    std::string method, target, version;
    http_request_info info; // the fields the server's own interface reads
    std::size_t content_length = 0;
    bool has_length = false;
    bool chunked = false;
    bool keep_alive = true;
    bool expect_continue = false;
    bool bad = false;
    std::string bad_reason;
};

request_head parse_head(std::string_view head)
{
    request_head h;
    auto fail = [&](const char *why) {
        h.bad = true;
        h.bad_reason = why;
        return h;
    };
    std::size_t eol = head.find("\r\n");
    const std::string_view line = head.substr(0, eol);
    const std::size_t s1 = line.find(' '), s2 = s1 == std::string_view::npos ? s1 : line.find(' ', s1 + 1);
    if (s1 == std::string_view::npos || s2 == std::string_view::npos || line.find(' ', s2 + 1) != std::string_view::npos)
        return fail("неверная строка запроса");
    h.method = std::string(line.substr(0, s1));
    h.target = std::string(line.substr(s1 + 1, s2 - s1 - 1));
    h.version = std::string(line.substr(s2 + 1));
    if (h.version != "HTTP/1.1" && h.version != "HTTP/1.0")
        return fail("неизвестная версия HTTP");
    h.keep_alive = h.version == "HTTP/1.1";
    bool close = false, keep = false;
    std::string_view rest = eol == std::string_view::npos ? std::string_view() : head.substr(eol + 2);
    while (!rest.empty()) {
        eol = rest.find("\r\n");
        const std::string_view field = rest.substr(0, eol);
        rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 2);
        if (field.empty())
            continue;
        if (field[0] == ' ' || field[0] == '\t')
            return fail("продолженные строки заголовка не принимаются");
        const std::size_t colon = field.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return fail("неверная строка заголовка");
        const std::string_view name = field.substr(0, colon), value = plt__trim_blanks(field.substr(colon + 1));
        if (plt__ascii_iequal(name, "Content-Length")) {
            if (value.empty() || value.size() > 12 || value.find_first_not_of("0123456789") != std::string_view::npos)
                return fail("неверный Content-Length");
            const std::size_t n = std::stoull(std::string(value));
            if (h.has_length && n != h.content_length)
                return fail("два разных Content-Length");
            h.content_length = n;
            h.has_length = true;
        } else if (plt__ascii_iequal(name, "Transfer-Encoding")) {
            h.chunked = true;
        } else if (plt__ascii_iequal(name, "Connection")) {
            close = close || has_token(value, "close");
            keep = keep || has_token(value, "keep-alive");
        } else if (plt__ascii_iequal(name, "Expect")) {
            h.expect_continue = has_token(value, "100-continue");
        } else if (plt__ascii_iequal(name, "Authorization")) {
            h.info.authorization = std::string(value);
        } else if (plt__ascii_iequal(name, "Content-Type")) {
            h.info.content_type = std::string(value);
        } else if (plt__ascii_iequal(name, "Cookie")) {
            h.info.cookie = std::string(value);
        } else if (plt__ascii_iequal(name, "Accept-Language")) {
            h.info.accept_language = std::string(value);
        } else if (plt__ascii_iequal(name, "Origin")) {
            h.info.origin = std::string(value);
        } else if (plt__ascii_iequal(name, "X-Requested-With")) {
            h.info.requested_with = std::string(value);
        } else if (plt__ascii_iequal(name, "X-Forwarded-Proto")) {
            h.info.forwarded_proto = std::string(value);
        }
    }
    if (close)
        h.keep_alive = false;
    else if (keep)
        h.keep_alive = true;
    h.info.method = h.method;
    h.info.target = h.target;
    return h;
}

// "/RPC2", also when given in absolute form.
bool is_rpc_path(std::string_view target)
{
    if (target.substr(0, 7) == "http://") {
        const std::size_t slash = target.find('/', 7);
        target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
    }
    return target == "/RPC2";
}

} // namespace

// ------------------------------------------------------------------ budget

bool memory_budget::acquire(std::size_t &bytes, int wait_ms, const std::atomic<bool> &stopping,
                            const std::function<bool()> &give_up)
{
    bytes = std::min(bytes, capacity_);
    std::unique_lock<std::mutex> lock(m_);
    const unsigned long long ticket = next_ticket_++;
    const auto until = after_ms(clock_type::now(), wait_ms);
    const auto free_now = [&] { return stopping.load() || (ticket == serving_ && used_ + bytes <= capacity_); };
    bool ok = false;
    for (;;) {
        const auto look = give_up ? std::min(until, after_ms(clock_type::now(), 200)) : until;
        ok = cv_.wait_until(lock, look, free_now);
        if (ok || clock_type::now() >= until)
            break;
        lock.unlock();
        const bool quit = give_up();
        lock.lock();
        if (quit) {
            ok = free_now();
            break;
        }
    }
    const bool granted = ok && !stopping.load();
    if (granted)
        used_ += bytes;
    // Out of the queue either way; tickets of waiters that gave up are
    // passed over.
    if (ticket == serving_)
        ++serving_;
    else
        skipped_.insert(ticket);
    while (skipped_.erase(serving_))
        ++serving_;
    cv_.notify_all();
    return granted;
}

void memory_budget::release(std::size_t bytes)
{
    std::lock_guard<std::mutex> lock(m_);
    used_ -= std::min(bytes, used_);
    cv_.notify_all();
}

void memory_budget::wake_all()
{
    std::lock_guard<std::mutex> lock(m_);
    cv_.notify_all();
}

std::size_t memory_budget::in_use()
{
    std::lock_guard<std::mutex> lock(m_);
    return used_;
}

// ------------------------------------------------------------------ server

http_server::http_server(int listen_fd, http_limits limits, http_handler handler)
    : listen_fd_(listen_fd), limits_(limits), handler_(std::move(handler)), large_(limits.large_memory),
      small_(limits.small_memory)
{
    if (::pipe2(wake_, O_CLOEXEC) != 0)
        wake_[0] = wake_[1] = -1;
    // Connections queue from now on, before run() takes them.
    ::listen(listen_fd_, 128);
}

http_server::~http_server()
{
    for (int fd : wake_)
        if (fd >= 0)
            ::close(fd);
}

void http_server::stop()
{
    if (stopping_.exchange(true))
        return;
    const char c = 1;
    [[maybe_unused]] ssize_t r = ::write(wake_[1], &c, 1);
    large_.wake_all();
    small_.wake_all();
}

int http_server::run(int drain_ms)
{
    ::fcntl(listen_fd_, F_SETFL, ::fcntl(listen_fd_, F_GETFL) | O_NONBLOCK);
    while (!stopping_.load()) {
        pollfd p[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        // Counts of folded log lines are written once their second is over.
        const int r = ::poll(p, 2, 1000);
        lsv__log_tick();
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (p[1].revents)
            break;
        if (r == 0)
            continue;
        sockaddr_storage from{};
        socklen_t len = sizeof from;
        const int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr *>(&from), &len, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE) {
                g_refusals.log("соединения не принимаются: нет свободных дескрипторов файлов");
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            continue;
        }
        if (handler_.turn_away && handler_.turn_away(fd, lsv__address_text(from)))
            continue;
        auto *c = new connection;
        c->fd = fd;
        c->peer = lsv__address_text(from);
        c->address = address_only(from);
        std::string refused;
        {
            std::lock_guard<std::mutex> lock(m_);
            if (static_cast<int>(connections_.size()) >= limits_.max_connections)
                refused = "у сервера уже " + std::to_string(limits_.max_connections) + " соединений";
            else if (per_address_[c->address] >= limits_.max_per_address)
                refused = "с этого адреса уже " + std::to_string(limits_.max_per_address) + " соединений";
            if (refused.empty()) {
                ++per_address_[c->address];
                connections_.insert(c);
            } else if (per_address_[c->address] == 0) {
                per_address_.erase(c->address);
            }
        }
        if (!refused.empty()) {
            g_refusals.log(c->peer + ": соединение отклонено: " + refused);
            send_plain(fd, 503, "Service Unavailable", "Сервер занят: " + refused + ".", 200);
            // What the client already sent is read, so that closing does not
            // reset the connection before it reads the answer.
            ::shutdown(fd, SHUT_WR);
            char sink[4096];
            for (int i = 0; i < 64 && ::recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0; ++i) {
            }
            ::close(fd);
            delete c;
            continue;
        }
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        try {
            std::thread([this, c] { serve(c); }).detach();
        } catch (const std::system_error &) {
            g_refusals.log(c->peer + ": соединение отклонено: не удалось запустить поток");
            finish(c);
        }
    }
    stop();
    std::unique_lock<std::mutex> lock(m_);
    done_.wait_for(lock, std::chrono::milliseconds(drain_ms), [&] { return connections_.empty(); });
    return static_cast<int>(connections_.size());
}

void http_server::finish(connection *c)
{
    std::lock_guard<std::mutex> lock(m_);
    if (c->fd >= 0)
        ::close(c->fd);
    if (--per_address_[c->address] <= 0)
        per_address_.erase(c->address);
    connections_.erase(c);
    delete c;
    done_.notify_all();
}

// ------------------------------------------------------------ one request

struct http_server::request {
    request_head head;
    // The request's clock: its deadlines run from here, and the time it
    // waits for memory moves it on.
    clock_type::time_point start;
    bool large = false;
    bool api = false; // for the server's own interface, not XML-RPC
    std::size_t held = 0; // for the parse: from large_ when large, else from small_ once small_held
    bool small_held = false;
    // Memory of the answer (a render), besides the parse's.
    std::size_t render_small = 0, render_large = 0;
    http_call call;
};

clock_type::time_point http_server::deadline_for(const request &r, std::size_t n) const
{
    // Time allowed for a request of which `n` bytes have arrived.
    return after_ms(r.start, limits_.request_timeout_ms +
                                 1000.0 * static_cast<double>(n) / static_cast<double>(limits_.min_rate));
}

void http_server::give_back(request &r)
{
    if (r.large) {
        large_.release(r.held);
    } else if (r.small_held) {
        small_.release(r.held);
    }
    small_.release(r.render_small);
    large_.release(r.render_large);
    if (r.large || r.render_large)
        ::malloc_trim(0);
    r.held = 0;
    r.render_small = r.render_large = 0;
}

namespace {

// Ends the connection after an answer for a request that is not served.
void refuse(http_server::connection *c, int status, const char *reason, const std::string &text)
{
    send_plain(c->fd, status, reason, text, 2000);
    close_gently(c->fd);
    c->fd = -1;
}

void timed_out(http_server::connection *c, const char *what)
{
    g_timeouts.log(c->peer + ": " + what + " не пришёл за отведённое время, соединение закрыто");
    refuse(c, 408, "Request Timeout", "Запрос не пришёл за отведённое время.");
}

} // namespace

bool http_server::read_head(connection *c, request &r)
{
    const int fd = c->fd;
    char chunk[65536];
    // The next request: its first byte within the idle time.
    if (c->buf.empty()) {
        std::size_t n = 0;
        const got g = read_some(fd, wake_[0], chunk, sizeof chunk, n,
                                after_ms(clock_type::now(),
                                         c->first ? limits_.request_timeout_ms : limits_.idle_timeout_ms));
        if (g != got::data)
            return false;
        c->buf.append(chunk, n);
    }
    c->first = false;
    r.start = clock_type::now();
    std::size_t head_end;
    for (;;) {
        head_end = c->buf.find("\r\n\r\n", c->scanned > 3 ? c->scanned - 3 : 0);
        if (head_end != std::string::npos && head_end <= limits_.max_header)
            break;
        c->scanned = c->buf.size();
        if (std::min(head_end, c->buf.size()) > limits_.max_header) {
            refuse(c, 431, "Request Header Fields Too Large", "Заголовок запроса слишком велик.");
            return false;
        }
        std::size_t n = 0;
        const got g = read_some(fd, wake_[0], chunk, sizeof chunk, n, deadline_for(r, 0));
        if (g == got::timeout) {
            timed_out(c, "заголовок запроса");
            return false;
        }
        if (g != got::data)
            return false;
        c->buf.append(chunk, n);
    }
    c->scanned = 0;
    r.head = parse_head(std::string_view(c->buf).substr(0, head_end));
    c->buf.erase(0, head_end + 4);
    const request_head &h = r.head;
    if (h.bad) {
        refuse(c, 400, "Bad Request", "Неверный запрос HTTP: " + h.bad_reason + ".");
        return false;
    }
    if (!is_rpc_path(h.target)) {
        if (!handler_.api) {
            refuse(c, 404, "Not Found", "Вызовы XML-RPC принимаются по адресу /RPC2.");
            return false;
        }
        // The server's own interface: a body only with POST and PUT.
        r.api = true;
        if (h.chunked) {
            refuse(c, 411, "Length Required", "Нужен заголовок Content-Length.");
            return false;
        }
        if (h.method != "POST" && h.method != "PUT" && h.content_length > 0) {
            refuse(c, 400, "Bad Request", "У запроса " + h.method.substr(0, 16) + " не бывает тела.");
            return false;
        }
    } else if (h.method != "POST") {
        refuse(c, 405, "Method Not Allowed", "Вызовы XML-RPC принимаются только методом POST.");
        return false;
    }
    if (!r.api && (h.chunked || !h.has_length)) {
        refuse(c, 411, "Length Required", "Нужен заголовок Content-Length.");
        return false;
    }
    if (!r.api && h.content_length == 0) {
        refuse(c, 400, "Bad Request", "Пустой запрос.");
        return false;
    }
    if (h.content_length > limits_.max_body) {
        g_refusals.log(c->peer + ": запрос в " + std::to_string(h.content_length) + " байт отвергнут (больше " +
                       std::to_string(limits_.max_body) + ")");
        refuse(c, 413, "Payload Too Large",
               "Запрос больше " + std::to_string(limits_.max_body >> 20) + " МиБ не принимается.");
        return false;
    }
    return true;
}

bool http_server::read_body(connection *c, request &r)
{
    const int fd = c->fd;
    const std::size_t length = r.head.content_length;
    // A large body waits for its memory before it is read.
    r.large = length > limits_.large_body;
    if (r.large) {
        r.held = handler_.worst_memory ? handler_.worst_memory(length) : length;
        const auto waiting = clock_type::now();
        const bool admitted = large_.acquire(r.held, limits_.admission_wait_ms, stopping_);
        // The time spent waiting is the server's, not the client's.
        r.start += clock_type::now() - waiting;
        if (!admitted) {
            r.held = 0;
            if (!stopping_.load()) {
                g_refusals.log(c->peer + ": большой запрос отвергнут: сервер занят другими");
                refuse(c, 503, "Service Unavailable", "Сервер занят другими большими запросами.");
            }
            return false;
        }
    }
    if (r.head.expect_continue && c->buf.empty()) {
        static const char go_on[] = "HTTP/1.1 100 Continue\r\n\r\n";
        const auto d = deadline_for(r, 0);
        write_all(fd, {iovec{const_cast<char *>(go_on), sizeof go_on - 1}}, [&](std::size_t) { return d; });
    }

    http_call &call = r.call;
    call.peer = c->peer;
    const std::size_t have = std::min(c->buf.size(), length);
    if (have == c->buf.size()) {
        call.body = std::move(c->buf);
        c->buf.clear();
    } else {
        call.body.assign(c->buf, 0, have);
        c->buf.erase(0, have);
    }
    call.body.resize(length);
    std::size_t got_bytes = have;
    while (got_bytes < length) {
        std::size_t n = 0;
        const got g = read_some(fd, wake_[0], call.body.data() + got_bytes, length - got_bytes, n,
                                deadline_for(r, got_bytes));
        if (g == got::timeout)
            timed_out(c, "запрос");
        if (g != got::data) {
            give_back(r);
            return false;
        }
        got_bytes += n;
    }
    return true;
}

bool http_server::respond(connection *c, request &r)
{
    const int fd = c->fd;
    http_call &call = r.call;
    call.admit = [this, &r](std::size_t bytes) {
        if (r.large) {
            if (bytes < r.held) {
                large_.release(r.held - bytes);
                r.held = bytes;
            }
            return !stopping_.load();
        }
        r.held = bytes;
        r.small_held = small_.acquire(r.held, limits_.admission_wait_ms, stopping_);
        return r.small_held;
    };
    call.gone = [fd] {
        pollfd p{fd, POLLIN | POLLRDHUP, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
    };
    call.reserve = [this, &r](std::size_t bytes, int wait_ms) {
        const std::function<bool()> give_up = r.call.gone;
        if (r.render_large == 0 && bytes <= limits_.small_render) {
            if (bytes <= r.render_small)
                return true;
            std::size_t more = bytes - r.render_small;
            if (!small_.acquire(more, wait_ms, stopping_, give_up))
                return false;
            r.render_small += more;
            return true;
        }
        // A large request's own memory is in the same budget: together
        // they never ask for more than all of it.
        const std::size_t own = r.large ? r.held : 0;
        bytes = std::min(bytes, large_.capacity() - std::min(own, large_.capacity()));
        if (bytes <= r.render_large)
            return true;
        std::size_t more = bytes - r.render_large;
        if (!large_.acquire(more, wait_ms, stopping_, give_up))
            return false;
        r.render_large += more;
        small_.release(r.render_small);
        r.render_small = 0;
        return true;
    };
    const bool keep = r.head.keep_alive && !stopping_.load();
    bool written = false;
    if (r.api) {
        http_answer a = handler_.api(call, r.head.info);
        call.body.clear();
        call.body.shrink_to_fit();
        std::string head = "HTTP/1.1 " + std::to_string(a.status) + " " + a.reason + "\r\nDate: " + http_date() +
                           "\r\nContent-Type: " + a.content_type +
                           "\r\nContent-Length: " + std::to_string(a.body.size()) +
                           "\r\nX-Content-Type-Options: nosniff\r\nCache-Control: no-store";
        for (const auto &[name, value] : a.headers)
            head += "\r\n" + name + ": " + value;
        head += keep ? "\r\nConnection: keep-alive\r\n\r\n" : "\r\nConnection: close\r\n\r\n";
        const bool with_body = r.head.method != "HEAD";
        const auto out_start = clock_type::now();
        written = write_all(
            fd,
            {iovec{head.data(), head.size()}, iovec{a.body.data(), with_body ? a.body.size() : 0}},
            [&](std::size_t sent) {
                return after_ms(out_start, limits_.request_timeout_ms +
                                               1000.0 * static_cast<double>(sent) /
                                                   static_cast<double>(limits_.min_rate));
            });
        if (!written)
            g_timeouts.log(c->peer + ": ответ не забран за отведённое время, соединение закрыто");
        give_back(r);
        return written && keep;
    }
    mem_block_ptr answer = handler_.answer(call);
    call.body.clear();
    call.body.shrink_to_fit();
    if (answer) {
        const std::size_t size = xmlrpc_mem_block_size(answer.get());
        const std::string head = "HTTP/1.1 200 OK\r\nDate: " + http_date() +
                                 "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
                                 std::to_string(size) + (keep ? "\r\nConnection: keep-alive" : "\r\nConnection: close") +
                                 "\r\n\r\n";
        const auto out_start = clock_type::now();
        written = write_all(
            fd,
            {iovec{const_cast<char *>(head.data()), head.size()},
             iovec{xmlrpc_mem_block_contents(answer.get()), size}},
            [&](std::size_t sent) {
                return after_ms(out_start, limits_.request_timeout_ms +
                                               1000.0 * static_cast<double>(sent) /
                                                   static_cast<double>(limits_.min_rate));
            });
        if (!written)
            g_timeouts.log(c->peer + ": ответ не забран за отведённое время, соединение закрыто");
    } else {
        // No memory was granted for the parse (or none for the answer).
        send_plain(fd, 503, "Service Unavailable",
                   stopping_.load() ? "Сервер останавливается." : "Сервер занят, повторите запрос позже.", 2000);
    }
    answer.reset();
    give_back(r);
    return written && keep;
}

// Requests one after another on a kept-alive connection: the head, the
// body, the answer; any of them may end the connection.
void http_server::serve(connection *c)
{
    while (!stopping_.load()) {
        request r;
        if (!read_head(c, r) || !read_body(c, r) || !respond(c, r))
            break;
    }
    if (c->fd >= 0) {
        ::shutdown(c->fd, SHUT_RDWR);
    }
    finish(c);
}

std::string lsv__address_text(const sockaddr_storage &a)
{
    char host[INET6_ADDRSTRLEN] = "?";
    if (a.ss_family == AF_INET) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(&a);
        ::inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
        return std::string(host) + ":" + std::to_string(ntohs(in->sin_port));
    }
    const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(&a);
    ::inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
    std::string out = "[";
    out += host;
    out += "]:";
    out += std::to_string(ntohs(in6->sin6_port));
    return out;
}
