// load_label and save_label per second against vellumo-server with the
// database store and with the folder store, 8 client processes at once on
// kept-alive connections; the database store must load at least half as
// fast as the folder store.  PostgreSQL runs durable (fsync on), as the
// folder store syncs every save too.
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "support/pg_cluster.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace {

constexpr int clients = 8;
constexpr double seconds = 3.0;

const char cred[] = "<param><value><struct><member><name>user</name><value><string>u</string></value></member>"
                    "<member><name>passwd</name><value><string>p</string></value></member></struct></value></param>";

label_ptr price_label(int client, int round)
{
    label_ptr lab = ele__label_new(280, 420);
    lab->name = plt__from_utf8("Ценник " + std::to_string(client));
    lab->desc = plt__from_utf8("клиент " + std::to_string(client) + ", раз " + std::to_string(round));
    for (int i = 0; i < 30; ++i) {
        element *e = ele__add(lab.get(), i);
        e->type = i % 6 == 5 ? ELE_BARCODE : ELE_TEXT;
        e->x = 8 + (i % 2) * 140;
        e->y = 400 - (i / 2) * 19;
        e->width = 130;
        e->height = 16;
        if (e->type == ELE_TEXT) {
            e->text.text = plt__from_utf8("Строка " + std::to_string(i) + ": молоко 3,2 % — 89,90 ₽");
            e->text.font = u"DejaVu Sans";
            e->text.size = 8;
        } else {
            e->barcode.code = u"4006381333931";
            e->barcode.type = 3;
        }
    }
    return lab;
}

std::string load_body(int client)
{
    return "<?xml version=\"1.0\"?><methodCall><methodName>labels.load_label</methodName><params>" +
           std::string(cred) + "<param><value><struct><member><name>name</name><value><string>Ценник " +
           std::to_string(client) + "</string></value></member></struct></value></param></params></methodCall>";
}

// The label file's call turned into a save: the method's name and the
// credentials before the label.
std::string save_body(int client, int round)
{
    label_ptr lab = price_label(client, round);
    std::string bytes;
    ino_env env;
    ino__file_bytes(lab.get(), bytes, &env.env);
    const std::string local = INO_LOCAL_METHOD;
    bytes.replace(bytes.find(local), local.size(), "labels.save_label");
    bytes.insert(bytes.find("<params>") + 8, cred);
    return bytes;
}

int connect_to(const std::string &address)
{
    const std::size_t colon = address.rfind(':');
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(std::atoi(address.c_str() + colon + 1)));
    inet_pton(AF_INET, address.substr(0, colon).c_str(), &a.sin_addr);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One call on a kept-alive connection; false on a fault or a broken answer.
bool call(int fd, const std::string &body, std::string &buffer)
{
    const std::string request = "POST /RPC2 HTTP/1.1\r\nHost: bench\r\nContent-Type: text/xml\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body;
    for (std::size_t done = 0; done < request.size();) {
        const ssize_t n = ::write(fd, request.data() + done, request.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    buffer.clear();
    std::size_t header_end = std::string::npos, length = 0;
    char chunk[65536];
    for (;;) {
        if (header_end == std::string::npos && (header_end = buffer.find("\r\n\r\n")) != std::string::npos) {
            const std::size_t at = buffer.find("Content-Length:");
            if (at == std::string::npos || at > header_end)
                return false;
            length = std::strtoul(buffer.c_str() + at + 15, nullptr, 10);
        }
        if (header_end != std::string::npos && buffer.size() >= header_end + 4 + length)
            break;
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    return buffer.find("<fault>") == std::string::npos && buffer.find(" 200 ") != std::string::npos;
}

// Calls per second of 8 client processes for `seconds`; -1 on a failure.
double rate(const std::string &address, bool saving)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    std::vector<pid_t> pids;
    for (int c = 0; c < clients; ++c) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            const int fd = connect_to(address);
            std::vector<std::string> bodies;
            for (int r = 0; r < (saving ? 16 : 1); ++r)
                bodies.push_back(saving ? save_body(c, r) : load_body(c));
            std::string buffer;
            long long done = 0, failed = fd < 0;
            const auto warm = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
            while (std::chrono::steady_clock::now() < warm && !failed)
                failed += !call(fd, bodies[0], buffer);
            const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
            while (!failed && std::chrono::steady_clock::now() < end)
                failed += !call(fd, bodies[static_cast<std::size_t>(done++ % bodies.size())], buffer);
            const long long result = failed ? -1 : done;
            if (::write(fds[1], &result, sizeof result) != sizeof result)
                ::_exit(1);
            ::_exit(0);
        }
        pids.push_back(pid);
    }
    ::close(fds[1]);
    long long total = 0;
    bool ok = true;
    for (int c = 0; c < clients; ++c) {
        long long n = -1;
        ok = ok && ::read(fds[0], &n, sizeof n) == sizeof n && n >= 0;
        total += n;
    }
    ::close(fds[0]);
    for (pid_t pid : pids)
        ::waitpid(pid, nullptr, 0);
    return ok ? static_cast<double>(total) / seconds : -1;
}

} // namespace

int main()
{
    ino__ensure_limits();
    pg_cluster pg;
    if (!pg.create(true)) {
        std::printf("bench store: PostgreSQL did not start: %s\n", pg.error().c_str());
        return 1;
    }
    const std::string db = pg.new_database();
    temp_dir dir;
    struct run {
        const char *name;
        std::string store;
        double load = 0, save = 0;
    } runs[] = {{"folder", (dir / "store").string()}, {"database", pg.uri(db)}};
    for (run &r : runs) {
        server_process server(r.store);
        if (!server.running()) {
            std::printf("bench store: vellumo-server did not start on the %s store: %s\n", r.name,
                        server.output().c_str());
            return 1;
        }
        // Every client's label is there before the loads.
        r.save = rate(server.address(), true);
        r.load = rate(server.address(), false);
        if (r.save < 0 || r.load < 0) {
            std::printf("bench store: calls failed on the %s store\n", r.name);
            return 1;
        }
        std::printf("bench store-%s-load-label: %.0f calls/s\n", r.name, r.load);
        std::printf("bench store-%s-save-label: %.0f calls/s\n", r.name, r.save);
    }
    const double load_ratio = runs[1].load / runs[0].load, save_ratio = runs[1].save / runs[0].save;
    std::printf("bench store-database-vs-folder-load: %.2f ratio\n", load_ratio);
    std::printf("bench store-database-vs-folder-save: %.2f ratio\n", save_ratio);
    const bool ok = load_ratio >= 0.5;
    std::printf("bench store-database-load-at-least-0.5: %s\n", ok ? "yes" : "no");
    return ok ? 0 : 1;
}
