#include "server/owner_only.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <poll.h>
#include <system_error>
#include <thread>

#include "server/log.h"

namespace {

constexpr const char *TCP4_LIST = "/proc/self/net/tcp";
constexpr const char *TCP6_LIST = "/proc/self/net/tcp6";

// An address as the kernel prints it in its socket lists: each 32-bit word
// of the address as the machine holds it in memory, in hexadecimal, then
// the port.
std::string list_form_v4(const in_addr &a, std::uint16_t port)
{
    std::uint32_t word;
    std::memcpy(&word, &a, 4);
    char out[16];
    std::snprintf(out, sizeof out, "%08X:%04X", static_cast<unsigned>(word), static_cast<unsigned>(port));
    return out;
}

std::string list_form_v6(const in6_addr &a, std::uint16_t port)
{
    std::uint32_t w[4];
    std::memcpy(w, &a, 16);
    char out[48];
    std::snprintf(out, sizeof out, "%08X%08X%08X%08X:%04X", static_cast<unsigned>(w[0]), static_cast<unsigned>(w[1]),
                  static_cast<unsigned>(w[2]), static_cast<unsigned>(w[3]), static_cast<unsigned>(port));
    return out;
}

// One end of a connection as each list would name it: IPv4 sockets in
// "tcp", IPv6 ones in "tcp6".  An IPv4 client of a dual-stack server shows
// up at the server as ::ffff:a.b.c.d, but its own socket is an IPv4 one.
struct list_names {
    std::string v4, v6;
};

bool names_of(const sockaddr_storage &s, list_names &out)
{
    if (s.ss_family == AF_INET) {
        const auto &in = reinterpret_cast<const sockaddr_in &>(s);
        out.v4 = list_form_v4(in.sin_addr, ntohs(in.sin_port));
        // An IPv6 client that named the IPv4 address as ::ffff:a.b.c.d.
        in6_addr mapped{};
        mapped.s6_addr[10] = mapped.s6_addr[11] = 0xFF;
        std::memcpy(&mapped.s6_addr[12], &in.sin_addr, 4);
        out.v6 = list_form_v6(mapped, ntohs(in.sin_port));
        return true;
    }
    if (s.ss_family == AF_INET6) {
        const auto &in6 = reinterpret_cast<const sockaddr_in6 &>(s);
        out.v6 = list_form_v6(in6.sin6_addr, ntohs(in6.sin6_port));
        if (IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr)) {
            in_addr v4;
            std::memcpy(&v4, &in6.sin6_addr.s6_addr[12], 4);
            out.v4 = list_form_v4(v4, ntohs(in6.sin6_port));
        }
        return true;
    }
    return false;
}

enum class found { no, dead, yes };

// Looks for the socket whose own end is `local` and whose other end is
// `remote` in one list.
found look_up(const char *list, const std::string &local, const std::string &remote, uid_t &uid)
{
    if (local.empty() || remote.empty())
        return found::no;
    std::FILE *f = std::fopen(list, "re");
    if (!f)
        return found::no;
    char *line = nullptr;
    std::size_t size = 0;
    found result = found::no;
    bool header = true;
    while (result == found::no && ::getline(&line, &size, f) > 0) {
        if (header) {
            header = false;
            continue;
        }
        // "sl local rem st tx:rx tr:when retrnsmt uid timeout inode ..."
        char own[64], other[64];
        unsigned long user = 0, inode = 0;
        if (std::sscanf(line, "%*s %63s %63s %*s %*s %*s %*s %lu %*s %lu", own, other, &user, &inode) != 4)
            continue;
        if (local != own || remote != other)
            continue;
        // A socket no process holds any more (closed, or waiting out its
        // last packets) is listed with user 0: say nothing of it.
        if (inode == 0) {
            result = found::dead;
        } else {
            uid = static_cast<uid_t>(user);
            result = found::yes;
        }
    }
    std::free(line);
    std::fclose(f);
    return result;
}

} // namespace

lsv_peer lsv__peer_of(int fd)
{
    lsv_peer out;
    sockaddr_storage peer{}, ours{};
    socklen_t peer_len = sizeof peer, ours_len = sizeof ours;
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peer_len) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&ours), &ours_len) != 0)
        return out;
    list_names them, us;
    if (!names_of(peer, them) || !names_of(ours, us))
        return out;
    // The peer's socket: its own end is the peer's address, its other end ours.
    found f = look_up(TCP4_LIST, them.v4, us.v4, out.uid);
    if (f == found::no)
        f = look_up(TCP6_LIST, them.v6, us.v6, out.uid);
    out.state = f == found::yes ? lsv_peer::live : f == found::dead ? lsv_peer::closed : lsv_peer::unknown;
    if (out.state != lsv_peer::live)
        out.uid = 0;
    return out;
}

std::optional<uid_t> lsv__peer_uid(int fd)
{
    const lsv_peer p = lsv__peer_of(fd);
    if (p.state != lsv_peer::live)
        return std::nullopt;
    return p.uid;
}

std::string lsv__owner_refusal(const lsv_peer &peer, uid_t owner)
{
    switch (peer.state) {
    case lsv_peer::live:
        if (peer.uid == owner)
            return {};
        return "сервер принимает только соединения своего пользователя (uid " + std::to_string(owner) +
               "), а это соединение пользователя uid " + std::to_string(peer.uid);
    case lsv_peer::closed:
        return "клиент уже закрыл соединение, и его владелец неизвестен";
    case lsv_peer::unknown:
        break;
    }
    return "сервер принимает только соединения своего пользователя, а владелец этого соединения не найден "
           "(не с этой машины?)";
}

std::string lsv__socket_lists_readable()
{
    for (const char *list : {TCP4_LIST, TCP6_LIST}) {
        std::FILE *f = std::fopen(list, "re");
        if (!f) {
            // No IPv6 in the kernel: there are no IPv6 peers either.
            if (errno == ENOENT && list == TCP6_LIST)
                continue;
            return std::string("не удалось прочитать ") + list + ": " + std::strerror(errno);
        }
        std::fclose(f);
    }
    return {};
}

int lsv__own_port(uid_t uid)
{
    return 20000 + static_cast<int>(uid % 10000);
}

namespace {

lsv_log_throttle g_turned_away;
std::atomic<int> g_lingering{0};

// 403 with the reason, then what the client still sends is read and thrown
// away (for at most 2 s and 1 MiB) before the socket closes, so that the
// client reads the answer instead of a reset.  That wait is a thread's, not
// the accepting loop's; past 16 such threads a connection closes at once.
void turn_away(int fd, const std::string &why)
{
    const std::string text = "Соединение отклонено: " + why + ".\n";
    const std::string answer = "HTTP/1.1 403 Forbidden\r\nContent-Type: text/plain; charset=utf-8\r\n"
                               "Content-Length: " + std::to_string(text.size()) +
                               "\r\nConnection: close\r\n\r\n" + text;
    [[maybe_unused]] ssize_t sent = ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(fd, SHUT_WR);
    if (g_lingering.fetch_add(1) >= 16) {
        --g_lingering;
        ::close(fd);
        return;
    }
    try {
        std::thread([fd] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            std::size_t thrown = 0;
            char sink[16384];
            while (thrown < (1u << 20)) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
                pollfd p{fd, POLLIN, 0};
                if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                    break;
                const ssize_t n = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
                if (n <= 0)
                    break;
                thrown += static_cast<std::size_t>(n);
            }
            ::close(fd);
            --g_lingering;
        }).detach();
    } catch (const std::system_error &) {
        --g_lingering;
        ::close(fd);
    }
}

} // namespace

std::function<bool(int fd, const std::string &peer)> lsv__owner_gate(uid_t owner)
{
    return [owner](int fd, const std::string &peer) {
        const lsv_peer p = lsv__peer_of(fd);
        const std::string why = lsv__owner_refusal(p, owner);
        if (why.empty())
            return false;
        if (p.state == lsv_peer::closed) {
            ::close(fd);
            return true;
        }
        g_turned_away.log(peer + ": соединение отклонено: " + why);
        turn_away(fd, why);
        return true;
    };
}
