// Several vellumo-server processes on one database, driven from outside by
// Python's xmlrpc as clients on the network would be: what one saves the
// other serves, renames racing for one name, the database stopped and
// started under load, and names and labels an attacker could send.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <utility>
#include <vector>

#include "support/pg_cluster.h"
#include "support/python.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace {

pg_cluster &cluster()
{
    return pg_cluster::shared(VELLUMO_TEST_PG_STATE);
}

std::string narrow(const std::u16string &s)
{
    return std::string(s.begin(), s.end()); // URLs are ASCII
}

// The last `lines` lines of a log, each line repeated in a row shown once
// with its count (an outage logs the same refusal thousands of times).
std::string log_tail(const std::string &path, std::size_t lines)
{
    std::ifstream in(path);
    std::vector<std::pair<std::string, int>> kept;
    std::string line;
    while (std::getline(in, line)) {
        // The date and the client's port differ from line to line.
        const std::size_t method = line.find(" labels.");
        const std::string key = method == std::string::npos ? line : line.substr(method);
        if (!kept.empty() && kept.back().first == key)
            ++kept.back().second;
        else
            kept.emplace_back(key, 1);
        if (kept.size() > lines)
            kept.erase(kept.begin());
    }
    std::string out;
    for (const auto &[text, count] : kept)
        out += text + (count > 1 ? "  (×" + std::to_string(count) + ")" : "") + "\n";
    return out;
}

} // namespace

TEST(SeveralServers, WhatOneServerWritesTheOtherServes)
{
    ASSERT_TRUE(cluster().running()) << cluster().error();
    const std::string db = cluster().new_database();
    ASSERT_FALSE(db.empty()) << cluster().error();
    server_process a(cluster().uri(db)), b(cluster().conninfo(db));
    ASSERT_TRUE(a.running()) << a.output();
    ASSERT_TRUE(b.running()) << b.output();
    const std::string code = R"PY(
import sys, peer, xmlrpc.client as x
a, b = x.ServerProxy(sys.argv[1]), x.ServerProxy(sys.argv[2])
c = peer.CRED
big = peer.label("Прайс", [peer.element("text", 0, 0, 10, 10, "строка %d" % i) for i in range(300)], desc="первая")
assert a.labels.save_label(c, big)
got = b.labels.load_label(c, {"name": "Прайс"})
assert got["desc"] == "первая" and len(got["fields"]) == 300, got["desc"]
# Replaced through the other: the first serves the new one (its cache notwithstanding).
big["desc"] = "вторая"
assert b.labels.save_label(c, big)
assert a.labels.load_label(c, {"name": "Прайс"})["desc"] == "вторая"
assert a.labels.rename_label(c, {"oldname": "Прайс", "newname": "Прайс 2"})
assert [l["name"] for l in b.labels.list_labels(c)] == ["Прайс 2"]
try:
    b.labels.load_label(c, {"name": "Прайс"})
    raise AssertionError("the old name still loads")
except x.Fault as f:
    assert f.faultCode == 1, f
assert b.labels.drop_label(c, {"name": "Прайс 2"})
assert a.labels.list_labels(c) == []
)PY";
    EXPECT_EQ(run_python(code, {narrow(a.url()), narrow(b.url())}), 0);
}

TEST(SeveralServers, TwoRenamesRacingForOneNameHaveExactlyOneWinner)
{
    ASSERT_TRUE(cluster().running()) << cluster().error();
    const std::string db = cluster().new_database();
    ASSERT_FALSE(db.empty()) << cluster().error();
    server_process a(cluster().uri(db)), b(cluster().uri(db));
    ASSERT_TRUE(a.running() && b.running());
    const std::string code = R"PY(
import sys, threading, peer, xmlrpc.client as x
urls = sys.argv[1:3]
c = peer.CRED
setup = x.ServerProxy(urls[0])
rounds = 40
for r in range(rounds):
    for side in "AB":
        assert setup.labels.save_label(c, peer.label("%s%d" % (side, r), desc="from %s" % side))
wins = {"A": 0, "B": 0}
for r in range(rounds):
    barrier = threading.Barrier(2)
    outcome = {}
    def rename(side, url):
        s = x.ServerProxy(url)
        s.labels.server_info(c)  # connected before the race
        barrier.wait()
        try:
            outcome[side] = s.labels.rename_label(c, {"oldname": "%s%d" % (side, r), "newname": "T%d" % r})
        except x.Fault as f:
            outcome[side] = f.faultCode
    # Alternate which server renames which label.
    order = urls if r % 2 else urls[::-1]
    ts = [threading.Thread(target=rename, args=(side, url)) for side, url in zip("AB", order)]
    [t.start() for t in ts]
    [t.join() for t in ts]
    assert sorted(map(str, outcome.values())) == ["2", "True"], (r, outcome)
    winner = [s for s, v in outcome.items() if v is True][0]
    loser = "B" if winner == "A" else "A"
    wins[winner] += 1
    got = setup.labels.load_label(c, {"name": "T%d" % r})
    assert got["desc"] == "from " + winner and got["name"] == "T%d" % r, got
    assert setup.labels.load_label(c, {"name": "%s%d" % (loser, r)})["desc"] == "from " + loser
names = [l["name"] for l in setup.labels.list_labels(c)]
assert len(names) == 2 * rounds, len(names)
print("wins", wins)
)PY";
    EXPECT_EQ(run_python(code, {narrow(a.url()), narrow(b.url())}), 0);
}

TEST(SeveralServers, TheDatabaseStoppedUnderLoadLosesNothingAcknowledged)
{
    // A cluster of its own: this test stops it.
    pg_cluster own;
    ASSERT_TRUE(own.create()) << own.error();
    const std::string db = own.new_database();
    ASSERT_FALSE(db.empty()) << own.error();
    // The servers' logs (a line per refused call during the outage) and the
    // script's own words go to files; only the script's are shown on failure.
    temp_dir dir;
    server_process a(own.uri(db), {}, "127.0.0.1:0", (dir / "a.log").string()),
        b(own.uri(db), {}, "127.0.0.1:0", (dir / "b.log").string());
    ASSERT_TRUE(a.running() && b.running());
    const std::string code = R"PY(
import sys, time, threading, random, socket, peer, xmlrpc.client as x
urls, seconds = sys.argv[1:3], float(sys.argv[3])
socket.setdefaulttimeout(60)
c = peer.CRED
def make(i, v):
    sig = "w%d v%d" % (i, v)
    return peer.label("w%d" % i, [peer.element("text", k, k, 50, 10, "%s #%d" % (sig, k)) for k in range(12)], desc=sig)
def whole(l):
    sig = l["desc"]
    return all(f["value"] == "%s #%d" % (sig, k) for k, f in enumerate(l["fields"])) and len(l["fields"]) == 12
writers = 6
acked, tried = [0] * writers, [0] * writers
faults, oks, slowest, bad = [0], [0], [0.0], []
lock = threading.Lock()
stop = time.monotonic() + seconds
def call(f):
    start = time.monotonic()
    try:
        return True, f()
    except x.Fault as e:
        with lock:
            faults[0] += 1
            if e.faultCode != 10 or "Ошибка хранилища этикеток" not in e.faultString:
                bad.append((e.faultCode, e.faultString))
        return False, None
    finally:
        with lock:
            slowest[0] = max(slowest[0], time.monotonic() - start)
def writer(i):
    s = x.ServerProxy(urls[i % 2])
    v = 0
    while time.monotonic() < stop:
        v += 1
        tried[i] = v
        ok, _ = call(lambda: s.labels.save_label(c, make(i, v)))
        if ok:
            acked[i] = v
            with lock:
                oks[0] += 1
        time.sleep(0.01)
def reader(u):
    s = x.ServerProxy(u)
    while time.monotonic() < stop:
        ok, l = call(lambda: s.labels.load_label(c, {"name": "w%d" % random.randrange(writers)}))
        if ok and not whole(l):
            bad.append(("torn", l["desc"]))
        ok, _ = call(lambda: s.labels.list_labels(c))
        time.sleep(0.02)
# Every label exists before the outage.
first = x.ServerProxy(urls[0])
for i in range(writers):
    first.labels.save_label(c, make(i, 0))
threads = [threading.Thread(target=writer, args=(i,)) for i in range(writers)]
threads += [threading.Thread(target=reader, args=(u,)) for u in urls]
[t.start() for t in threads]
[t.join() for t in threads]
# Both servers come back by themselves.
for u in urls:
    s = x.ServerProxy(u)
    deadline = time.monotonic() + 30
    while True:
        try:
            s.labels.list_labels(c)
            break
        except x.Fault:
            assert time.monotonic() < deadline, "no recovery on " + u
            time.sleep(0.2)
assert not bad, bad[:5]
assert faults[0] > 0, "the outage was not seen"
assert slowest[0] < 13, slowest[0]
for u in urls:
    s = x.ServerProxy(u)
    for i in range(writers):
        l = s.labels.load_label(c, {"name": "w%d" % i})
        assert whole(l), l["desc"]
        v = int(l["desc"].split(" v")[1])
        assert acked[i] <= v <= tried[i], (i, v, acked[i], tried[i])
print("saves acknowledged", oks[0], "faults", faults[0], "slowest call %.2f s" % slowest[0])
)PY";
    const std::string file = (dir / "outage.py").string(), said = (dir / "outage.txt").string();
    std::ofstream(file) << code;
    const std::string pythonpath = std::string("PYTHONPATH=") + VELLUMO_TESTS_DIR + "/support";
    const std::string url_a = narrow(a.url()), url_b = narrow(b.url());
    const char *argv[] = {"/usr/bin/env", pythonpath.c_str(), "python3", file.c_str(), url_a.c_str(), url_b.c_str(),
                          "9", nullptr};
    const auto started = std::chrono::steady_clock::now();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_TRUE(own.stop()) << own.error();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_TRUE(own.start()) << own.error();
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    std::ifstream in(said);
    const std::string words((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << words;
    std::cout << words;
    // Both servers are still the same processes and stop when asked.
    EXPECT_EQ(a.stop(), 0);
    EXPECT_EQ(b.stop(), 0);
    // Refused calls of the outage are folded: the logs grew at the fixed
    // rate of lines about calls (21 a second), not a line per call.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (const char *name : {"a.log", "b.log"}) {
        std::ifstream log(dir / name);
        std::size_t lines = 0;
        for (std::string line; std::getline(log, line);)
            ++lines;
        EXPECT_LE(static_cast<double>(lines), 21 * (seconds + 2) + 20) << name << " after " << seconds << " s";
    }
    if (::testing::Test::HasFailure())
        for (const char *name : {"a.log", "b.log"})
            std::cout << "--- the end of " << name << ":\n" << log_tail((dir / name).string(), 40);
}

TEST(SeveralServers, NamesAndLabelsAnAttackerSendsAreStoredExactlyOrRefused)
{
    ASSERT_TRUE(cluster().running()) << cluster().error();
    const std::string db = cluster().new_database();
    ASSERT_FALSE(db.empty()) << cluster().error();
    temp_dir dir;
    const std::string log = (dir / "server.log").string();
    server_process a(cluster().uri(db), {}, "127.0.0.1:0", log);
    ASSERT_TRUE(a.running());
    const std::string code = R"PY(
import sys, peer, xmlrpc.client as x
s = x.ServerProxy(sys.argv[1])
c = peer.CRED
names = ["'; DROP TABLE vellumo_labels; --", "$1", "\\x00", "%s%n", "a\nb\tc", "я" * 20000,
         "\ufeffBOM", "\u202eRTL", "\ufffd", "  ", "E'\\\\'", "NULL"]
for n in names:
    assert s.labels.save_label(c, peer.label(n, desc="d " + n)), n
listed = [l["name"] for l in s.labels.list_labels(c)]
assert sorted(listed, key=lambda n: [ord(ch) for ch in n]) == listed, listed
assert set(listed) == set(names), (set(listed) ^ set(names))
for n in names:
    l = s.labels.load_label(c, {"name": n})
    assert l["name"] == n and l["desc"] == "d " + n, n
# A label whose file would be above what a store reads back is refused,
# and nothing of it is kept.
# (each "&" sent in CDATA is written as "&amp;")
placeholder = "PLACEHOLDER-TEXT"
xml = x.dumps((c, peer.label("большая", [peer.element("text", 0, 0, 10, 10, placeholder)])), "labels.save_label").encode()
xml = xml.replace(placeholder.encode(), b"<![CDATA[" + b"&" * (26 << 20) + b"]]>")
addr = sys.argv[1].split("/")[2].rsplit(":", 1)
code, text = peer.fault_of(peer.post((addr[0], int(addr[1])), xml, timeout=300)[2])
assert code == 6 and "128 МиБ" in text, (code, text)
del xml
assert "большая" not in [l["name"] for l in s.labels.list_labels(c)]
# Faults that quote a hostile name go into the log as one escaped line.
try:
    s.labels.load_label(c, {"name": "нет\nподделка 2000-01-01 00:00:00 строка"})
except x.Fault as f:
    assert f.faultCode == 1
)PY";
    EXPECT_EQ(run_python(code, {narrow(a.url())}), 0);
    EXPECT_EQ(a.stop(), 0);
    std::ifstream in(log);
    std::string line;
    bool escaped = false;
    while (std::getline(in, line)) {
        EXPECT_NE(line.rfind("подделка", 0), 0u) << line;
        escaped = escaped || line.find("нет\\nподделка") != std::string::npos;
    }
    EXPECT_TRUE(escaped);
}

TEST(SeveralServers, AServerThatCannotReachItsDatabaseSaysWhyAndStops)
{
    temp_dir dir;
    const std::string err = (dir / "server.err").string();
    {
        // Nobody listens on that socket.
        server_process s("postgresql://vellumo@/none?host=" + dir.path().string() + "&connect_timeout=2", {},
                         "127.0.0.1:0", err);
        EXPECT_FALSE(s.running());
        EXPECT_EQ(s.stop(), 1);
    }
    std::ifstream in(err);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("база данных этикеток: нет связи с базой данных"), std::string::npos) << text;
    {
        server_process s("postgresql://vellumo:secret@/none?host=" + dir.path().string(), {}, "127.0.0.1:0", err);
        EXPECT_EQ(s.stop(), 1);
    }
    std::ifstream in2(err);
    text.assign((std::istreambuf_iterator<char>(in2)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("PGPASSWORD"), std::string::npos) << text;
}

TEST(SeveralServers, TwoServersShareOnePrintQueueAndPrintEachJobOnce)
{
    ASSERT_TRUE(cluster().running()) << cluster().error();
    const std::string db = cluster().new_database();
    ASSERT_FALSE(db.empty()) << cluster().error();
    EXPECT_EQ(run_python_file(std::string(VELLUMO_TESTS_DIR) + "/server/hostile/print_queue.py",
                              {VELLUMO_SERVER_BIN, cluster().uri(db)}),
              0);
}
