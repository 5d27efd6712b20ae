// A server of one's own (--owner-only): the lookup of a connection's user
// over real loopback sockets, and the real vellumo-server turning away a
// client run as another user (nobody) while its own user's editor goes on.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "platform/message_boxes.h"
#include "platform/network_notice.h"
#include "server/owner_only.h"
#include "support/fakes.h"
#include "support/sample_label.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t NOBODY = 65534;

// A listening socket on `family`'s loopback (with `dual`, an IPv6 socket on
// IPv4's loopback) and a free port; -1 when this machine has no such address.
int listener(int family, bool dual, sockaddr_storage &bound)
{
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_storage a{};
    socklen_t len = 0;
    if (family == AF_INET) {
        auto &in = reinterpret_cast<sockaddr_in &>(a);
        in.sin_family = AF_INET;
        in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        len = sizeof in;
    } else {
        auto &in6 = reinterpret_cast<sockaddr_in6 &>(a);
        in6.sin6_family = AF_INET6;
        in6.sin6_addr = in6addr_loopback;
        if (dual) { // ::ffff:127.0.0.1: IPv4 clients, seen as IPv6 ones
            in6.sin6_addr = in6_addr{};
            in6.sin6_addr.s6_addr[10] = in6.sin6_addr.s6_addr[11] = 0xFF;
            in6.sin6_addr.s6_addr[12] = 127;
            in6.sin6_addr.s6_addr[15] = 1;
        }
        int off = 0;
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        len = sizeof in6;
    }
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), len) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    len = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&bound), &len);
    return fd;
}

// Where a client of `family` connects to reach `bound`: the same port on
// IPv4's or IPv6's loopback.
sockaddr_storage client_target(const sockaddr_storage &bound, int family)
{
    sockaddr_storage t{};
    const std::uint16_t port = bound.ss_family == AF_INET ? reinterpret_cast<const sockaddr_in &>(bound).sin_port
                                                          : reinterpret_cast<const sockaddr_in6 &>(bound).sin6_port;
    if (family == AF_INET) {
        auto &in = reinterpret_cast<sockaddr_in &>(t);
        in.sin_family = AF_INET;
        in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        in.sin_port = port;
    } else {
        auto &in6 = reinterpret_cast<sockaddr_in6 &>(t);
        in6.sin6_family = AF_INET6;
        in6.sin6_addr = in6addr_loopback;
        in6.sin6_port = port;
    }
    return t;
}

socklen_t length_of(const sockaddr_storage &a)
{
    return a.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
}

// A client in a process of its own: it becomes `uid` (when that is not
// ours), connects to `target` and holds the connection until `release`
// closes; `closed_first` makes it close its socket before saying it is
// connected.
class other_client {
public:
    other_client(uid_t uid, const sockaddr_storage &target, bool closed_first = false)
    {
        int ready[2], hold[2];
        if (::pipe(ready) != 0 || ::pipe(hold) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(hold[1]);
            if (uid != ::geteuid() &&
                (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0))
                ::_exit(10);
            // Made after the change of user: the socket is nobody's.
            const int s = ::socket(target.ss_family, SOCK_STREAM, 0);
            if (s < 0 || ::connect(s, reinterpret_cast<const sockaddr *>(&target), length_of(target)) != 0)
                ::_exit(11);
            if (closed_first)
                ::close(s);
            char c = 1;
            if (::write(ready[1], &c, 1) != 1)
                ::_exit(12);
            [[maybe_unused]] ssize_t r = ::read(hold[0], &c, 1); // until the parent lets go
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        hold_ = hold[1];
        char c;
        connected_ = ::read(ready[0], &c, 1) == 1;
        ::close(ready[0]);
    }
    ~other_client()
    {
        if (hold_ >= 0)
            ::close(hold_);
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }
    bool connected() const { return connected_; }

private:
    pid_t pid_ = -1;
    int hold_ = -1;
    bool connected_ = false;
};

int accept_one(int listen_fd)
{
    pollfd p{listen_fd, POLLIN, 0};
    if (::poll(&p, 1, 20000) != 1)
        return -1;
    return ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
}

bool root() { return ::geteuid() == 0; }

} // namespace

// ----------------------------------------------------------- the lookup

TEST(PeerUid, FindsTheUserOfEachLoopbackClientOverIpv4Ipv6AndDualStack)
{
    if (!root())
        GTEST_SKIP() << "needs root to make a client of another user";
    struct way {
        const char *what;
        int listen_family;
        bool dual;
        int client_family;
    };
    for (const way &w : {way{"IPv4", AF_INET, false, AF_INET}, way{"IPv6", AF_INET6, false, AF_INET6},
                         way{"IPv4 client of a dual-stack server", AF_INET6, true, AF_INET}}) {
        SCOPED_TRACE(w.what);
        sockaddr_storage bound{};
        const int l = listener(w.listen_family, w.dual, bound);
        if (l < 0) {
            std::printf("%s: no such loopback here, not checked\n", w.what);
            continue;
        }
        const sockaddr_storage target = client_target(bound, w.client_family);
        for (uid_t uid : {::geteuid(), NOBODY}) {
            other_client client(uid, target);
            ASSERT_TRUE(client.connected());
            const int fd = accept_one(l);
            ASSERT_GE(fd, 0);
            EXPECT_EQ(lsv__peer_uid(fd), std::optional<uid_t>(uid));
            // Our own end of it is ours, not the peer's: the lookup must
            // not take the accepted socket for the client's.
            const lsv_peer peer = lsv__peer_of(fd);
            EXPECT_EQ(peer.state, lsv_peer::live);
            if (uid == ::geteuid()) {
                EXPECT_EQ(lsv__owner_refusal(peer, ::geteuid()), "");
                EXPECT_FALSE(lsv__owner_gate(::geteuid())(fd, "peer"));
            } else {
                const std::string why = lsv__owner_refusal(peer, ::geteuid());
                EXPECT_NE(why.find("uid 65534"), std::string::npos) << why;
                EXPECT_EQ(lsv__owner_refusal(peer, NOBODY), "");
            }
            ::close(fd);
        }
        ::close(l);
    }
}

TEST(PeerUid, NothingIsAdmittedWithoutALiveSocketAtTheOtherEnd)
{
    sockaddr_storage bound{};
    const int l = listener(AF_INET, false, bound);
    ASSERT_GE(l, 0);
    {
        // The client closed before the server looked: the kernel keeps the
        // connection for a while but no longer says whose it was.  Run as
        // nobody, so that a root server could not mistake the "user 0" the
        // kernel shows for such sockets for its own.
        other_client client(root() ? NOBODY : ::geteuid(), client_target(bound, AF_INET), true);
        ASSERT_TRUE(client.connected());
        const int fd = accept_one(l);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(lsv__peer_uid(fd), std::nullopt);
        const lsv_peer peer = lsv__peer_of(fd);
        EXPECT_EQ(peer.state, lsv_peer::closed);
        EXPECT_NE(lsv__owner_refusal(peer, 0), "");
        EXPECT_NE(lsv__owner_refusal(peer, ::geteuid()), "");
        // The gate takes it over and closes it.
        EXPECT_TRUE(lsv__owner_gate(::geteuid())(fd, "peer"));
        EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
    }
    ::close(l);
    // Not a TCP connection at all.
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EXPECT_EQ(lsv__peer_uid(pair[0]), std::nullopt);
    EXPECT_EQ(lsv__peer_of(pair[0]).state, lsv_peer::unknown);
    EXPECT_NE(lsv__owner_refusal(lsv__peer_of(pair[0]), ::geteuid()).find("не найден"), std::string::npos);
    ::close(pair[0]);
    ::close(pair[1]);
    EXPECT_EQ(lsv__peer_uid(-1), std::nullopt);
    EXPECT_EQ(lsv__socket_lists_readable(), "");
}

TEST(PeerUid, OwnPortsStayApartFromTheServiceAndTheKernelsOutgoingPorts)
{
    EXPECT_EQ(lsv__own_port(0), 20000);
    EXPECT_EQ(lsv__own_port(1000), 21000);
    EXPECT_EQ(lsv__own_port(1001), 21001);
    EXPECT_EQ(lsv__own_port(NOBODY), 25534);
    for (uid_t uid : {uid_t(9999), uid_t(10000), uid_t(4294967294u), uid_t(123456789)}) {
        const int port = lsv__own_port(uid);
        EXPECT_GE(port, 20000);
        EXPECT_LT(port, 30000); // Linux hands out 32768… to outgoing connections
    }
}

// ----------------------------------------------------------- the server

namespace {

// Python's XML-RPC (the system's, which nobody may run) as user nobody
// against `address`: one call of
// `method` with a label name; prints "ok N" with the number of labels
// listed, or "http STATUS" when the server answered HTTP with an error.
std::string as_nobody(const std::string &address, const std::string &method)
{
    static const char code[] = R"(
import sys, xmlrpc.client
p = xmlrpc.client.ServerProxy("http://%s/RPC2" % sys.argv[1])
cred = {"user": "x", "passwd": "y"}
try:
    if sys.argv[2] == "list":
        print("ok", len(p.labels.list_labels(cred)))
    else:
        p.labels.drop_label(cred, {"name": sys.argv[3]})
        print("ok dropped")
except xmlrpc.client.ProtocolError as e:
    print("http", e.errcode)
except xmlrpc.client.Fault as e:
    print("fault", e.faultCode)
except Exception as e:
    print("error", type(e).__name__, e)
)";
    std::vector<std::string> args = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                     "--",  "/usr/bin/python3", "-c", code, address, method, "Склад"};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0)
        return "pipe";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2); // a failure shows in the comparison
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buf[512];
    for (ssize_t n; rc == 0 && (n = ::read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    if (rc == 0)
        ::waitpid(pid, nullptr, 0);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::string file_text(const fs::path &p)
{
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class OwnServer : public testing::Test {
protected:
    void SetUp() override
    {
        if (!root())
            GTEST_SKIP() << "needs root to run a client as another user";
        rpd__client_init();
    }
    // A store that nobody may read through the file system either: only the
    // server is a way in.
    std::string store()
    {
        fs::create_directories(dir / "store");
        fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
        return (dir / "store").string();
    }
    int label_count(const server_process &s)
    {
        auto list = ino__list_labels(nullptr, s.url(), u"я", u"любой");
        return list ? static_cast<int>(list->size()) : -1;
    }

    temp_dir dir;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice{&notice};
};

} // namespace

TEST_F(OwnServer, AnotherUserCanNeitherListNorDropWhileTheOwnersEditorWorks)
{
    const fs::path log = dir / "server.log";
    server_process server(store(), {"--owner-only"}, "127.0.0.1:0", log.string());
    ASSERT_TRUE(server.running()) << server.output();

    // The owner's editor: save and list as usual.
    label_ptr lab = sample_label({.name = u"Склад"});
    ASSERT_EQ(ino__save_label(server.url(), lab.get(), u"я", u"любой"), 1);
    EXPECT_EQ(label_count(server), 1);

    // Another user is turned away before the call is read, whatever it is.
    EXPECT_EQ(as_nobody(server.address(), "list"), "http 403");
    EXPECT_EQ(as_nobody(server.address(), "drop"), "http 403");
    EXPECT_EQ(label_count(server), 1);
    EXPECT_TRUE(boxes.shown.empty());

    EXPECT_EQ(server.stop(), 0);
    const std::string text = file_text(log);
    EXPECT_NE(text.find("соединения принимаются только от процессов пользователя uid 0"), std::string::npos) << text;
    EXPECT_NE(text.find("соединение отклонено"), std::string::npos) << text;
    EXPECT_NE(text.find("uid 65534"), std::string::npos) << text;
    // The editor's own calls (each after a connection opened and closed at
    // once, to see the server is there) leave no refusal behind.
    EXPECT_EQ(text.find("закрыл"), std::string::npos) << text;
    EXPECT_EQ(text.find("не найден"), std::string::npos) << text;
}

TEST_F(OwnServer, WithoutTheOptionAnotherUserGetsIn)
{
    // The same client against a server started without --owner-only: what
    // the option closes was open before (and the client above did run).
    server_process server(store());
    ASSERT_TRUE(server.running()) << server.output();
    label_ptr lab = sample_label({.name = u"Склад"});
    ASSERT_EQ(ino__save_label(server.url(), lab.get(), u"я", u"любой"), 1);
    EXPECT_EQ(as_nobody(server.address(), "list"), "ok 1");
    EXPECT_EQ(as_nobody(server.address(), "drop"), "ok dropped");
    EXPECT_EQ(label_count(server), 0);
}

namespace {

// vellumo-server run with `args` until it listens (then stopped with
// SIGTERM) or exits: the address it listened on, what it said on standard
// error, its exit status.
struct server_run {
    std::string listening, said;
    int status = -1;
};

server_run run_server(std::vector<std::string> args)
{
    server_run r;
    args.insert(args.begin(), VELLUMO_SERVER_BIN);
    std::vector<char *> argv;
    for (std::string &s : args)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0)
        return r;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (rc != 0)
        return r;
    // Standard output up to "listening ADDR:PORT\n" or its end.
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    if (line.rfind("listening ", 0) == 0) {
        r.listening = line.substr(10);
        ::kill(pid, SIGTERM);
    }
    ::close(out[0]);
    char buf[512];
    for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;)
        r.said.append(buf, static_cast<std::size_t>(n));
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

} // namespace

TEST_F(OwnServer, TakesItsOwnPortWithoutListenAndRefusesToStartWhenThatPortIsTaken)
{
    const std::string own = "127.0.0.1:" + std::to_string(lsv__own_port(::geteuid()));
    // Hold the own port first: the server must say it cannot listen there,
    // not fall back to another port (or to the shared 8390).
    const int held = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(lsv__own_port(::geteuid())));
    if (::bind(held, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(held, 1) != 0) {
        ::close(held);
        GTEST_SKIP() << own << " is in use by something else";
    }
    const std::string store_dir = store();
    const server_run busy = run_server({"--owner-only", "--store", store_dir});
    ::close(held);
    EXPECT_EQ(busy.listening, "");
    EXPECT_EQ(busy.status, 1);
    EXPECT_NE(busy.said.find("не удалось слушать " + own), std::string::npos) << busy.said;

    // Free again: the server takes it, and an explicit --listen still wins.
    const server_run taken = run_server({"--owner-only", "--store", store_dir});
    EXPECT_EQ(taken.listening, own) << taken.said;
    EXPECT_EQ(taken.status, 0) << taken.said;
    const server_run elsewhere = run_server({"--owner-only", "--listen", "127.0.0.1:0", "--store", store_dir});
    EXPECT_NE(elsewhere.listening, own);
    EXPECT_EQ(elsewhere.listening.rfind("127.0.0.1:", 0), 0u) << elsewhere.said;
    EXPECT_EQ(elsewhere.status, 0) << elsewhere.said;
}
