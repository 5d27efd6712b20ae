// The real vellumo-server process, driven by the editor's own client
// functions (and, for what the editor never sends, by Python's xmlrpc); the
// label methods once with each store, the folder and the database.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "exchange/inout.h"
#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "platform/network_notice.h"
#include "support/fakes.h"
#include "support/pg_cluster.h"
#include "support/python.h"
#include "support/sample_label.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const char eps_square[] = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 20 10\n0 0 20 10 rectfill\n%%EOF\n";


std::string bytes_of(const label *lab)
{
    ino_env env;
    std::string out;
    EXPECT_TRUE(ino__file_bytes(lab, out, &env.env));
    return out;
}

std::string utf8(const std::u16string &s)
{
    return plt__to_utf8(s);
}

enum class store_kind { folder, database };

class LabelServer : public testing::TestWithParam<store_kind> {
protected:
    void SetUp() override
    {
        rpd__client_init();
        ASSERT_FALSE(store.empty()) << pg_cluster::shared().error();
        ASSERT_TRUE(server.running()) << server.output();
    }
    bool folder() const { return GetParam() == store_kind::folder; }
    // A folder of its own, or a database of its own on this executable's
    // PostgreSQL.
    std::string make_store()
    {
        if (GetParam() == store_kind::folder)
            return (dir / "store").string();
        pg_cluster &pg = pg_cluster::shared(VELLUMO_TEST_PG_STATE);
        database = pg.running() ? pg.new_database() : "";
        return database.empty() ? "" : pg.uri(database);
    }
    // The rows of the database store: name and bytes.
    std::vector<std::pair<std::string, std::string>> rows()
    {
        std::vector<std::pair<std::string, std::string>> out;
        auto r = pg_cluster::shared().sql(database, "SELECT name, encode(bytes, 'base64') FROM vellumo_labels");
        EXPECT_TRUE(r) << pg_cluster::shared().error();
        if (r)
            for (auto &row : *r)
                out.emplace_back(*row[0], from_base64(*row[1]));
        return out;
    }
    static std::string from_base64(const std::string &text)
    {
        static const std::string abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        unsigned bits = 0;
        int n = 0;
        for (char c : text) {
            const std::size_t v = abc.find(c);
            if (v == std::string::npos)
                continue;
            bits = (bits << 6) | static_cast<unsigned>(v);
            if ((n += 6) >= 8) {
                n -= 8;
                out += static_cast<char>((bits >> n) & 0xFF);
            }
        }
        return out;
    }
    // The last box, checked to be a call fault with `code` and a text that
    // holds `text`.
    void expect_fault(std::size_t before, int code, const std::u16string &text)
    {
        ASSERT_EQ(boxes.shown.size(), before + 1);
        const message_box_request &b = boxes.shown.back();
        EXPECT_NE(b.caption.find(plt__from_utf8(std::to_string(code))), std::u16string::npos)
            << utf8(b.caption);
        EXPECT_NE(b.text.find(text), std::u16string::npos) << utf8(b.text);
    }
    std::vector<std::u16string> names()
    {
        std::vector<std::u16string> out;
        auto list = ino__list_labels(nullptr, server.url(), user, password);
        EXPECT_TRUE(list);
        if (list)
            for (const label_list &l : *list)
                out.push_back(l.name);
        return out;
    }

    temp_dir dir;
    std::string database;
    std::string store = make_store();
    server_process server{store};
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice{&notice};
    const std::u16string user = u"оператор", password = u"секрет";
};

} // namespace

TEST_P(LabelServer, EveryMethodAnswersAsTheEditorExpects)
{
    // An empty store.
    auto empty = ino__list_labels(nullptr, server.url(), user, password);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());

    label_ptr lab = sample_label({.name = u"Склад: коробка №1"});
    ASSERT_EQ(ino__save_label(server.url(), lab.get(), user, password), 1);
    label_ptr second = sample_label({.name = u"Акция"});
    second->desc = u"вторая этикетка";
    ASSERT_EQ(ino__save_label(server.url(), second.get(), user, password), 1);

    // Listed by name (the client turns the server's order round).
    auto list = ino__list_labels(nullptr, server.url(), user, password);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[1].name, u"Акция");
    EXPECT_EQ((*list)[1].desc, u"вторая этикетка");
    EXPECT_EQ((*list)[0].name, u"Склад: коробка №1");
    EXPECT_EQ((*list)[0].desc, lab->desc); // carriage return and all

    // Loaded back exactly, picture bytes included.
    label_ptr back = ino__load_label(server.url(), lab->name, user, password);
    ASSERT_TRUE(back);
    EXPECT_EQ(bytes_of(back.get()), bytes_of(lab.get()));

    // Saving again replaces.
    lab->desc = u"заменена";
    ASSERT_EQ(ino__save_label(server.url(), lab.get(), user, password), 1);
    back = ino__load_label(server.url(), lab->name, user, password);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->desc, u"заменена");

    server_information info;
    ASSERT_EQ(ino__server_info(server.url(), user, password, info), 1);
    EXPECT_EQ(info.name, u"Vellumo");
    EXPECT_EQ(info.api, u"1");
    EXPECT_NE(std::find(info.features.begin(), info.features.end(), u"render"), info.features.end());

    auto fonts = ino__list_fonts(server.url(), user, password);
    ASSERT_TRUE(fonts);
    EXPECT_NE(std::find(fonts->begin(), fonts->end(), u"DejaVu Sans"), fonts->end());
    for (const std::u16string &f : *fonts)
        EXPECT_EQ(f.find(u" ["), std::u16string::npos) << utf8(f); // no foundry suffixes
    EXPECT_EQ(std::set<std::u16string>(fonts->begin(), fonts->end()).size(), fonts->size());

    std::vector<unsigned char> jpeg;
    std::u16string log;
    ASSERT_EQ(ino__render_label(server.url(), lab->name, {}, 72, 72, false, user, password, jpeg, log), 1);
    ASSERT_GT(jpeg.size(), 100u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_NE(log.find(u"«Склад: коробка №1»"), std::u16string::npos) << utf8(log);
    EXPECT_NE(log.find(u"72×72"), std::u16string::npos) << utf8(log);

    ASSERT_EQ(ino__rename_label(nullptr, server.url(), u"Акция", u"Акция 2", user, password), 1);
    ASSERT_EQ(ino__drop_label(nullptr, server.url(), lab->name, user, password), 1);
    EXPECT_EQ(names(), std::vector<std::u16string>{u"Акция 2"});
    back = ino__load_label(server.url(), u"Акция 2", user, password);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, u"Акция 2");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_P(LabelServer, FaultsHaveTheirOwnCodesAndRussianMessages)
{
    label_ptr lab = sample_label({.name = u"Есть"});
    ASSERT_EQ(ino__save_label(server.url(), lab.get(), user, password), 1);
    label_ptr other = sample_label({.name = u"Другая"});
    ASSERT_EQ(ino__save_label(server.url(), other.get(), user, password), 1);

    std::size_t n = boxes.shown.size();
    EXPECT_FALSE(ino__load_label(server.url(), u"Нет такой", user, password));
    expect_fault(n, 1, u"Этикетка «Нет такой» не найдена");

    n = boxes.shown.size();
    EXPECT_EQ(ino__drop_label(nullptr, server.url(), u"Нет такой", user, password), 0);
    expect_fault(n, 1, u"не найдена");

    n = boxes.shown.size();
    EXPECT_EQ(ino__rename_label(nullptr, server.url(), u"Есть", u"Другая", user, password), 0);
    expect_fault(n, 2, u"Этикетка «Другая» уже есть");
    EXPECT_TRUE(ino__load_label(server.url(), u"Есть", user, password)); // both still there
    EXPECT_TRUE(ino__load_label(server.url(), u"Другая", user, password));

    n = boxes.shown.size();
    EXPECT_EQ(ino__rename_label(nullptr, server.url(), u"Есть", u"", user, password), 0);
    expect_fault(n, 3, u"Не задано имя этикетки");

    n = boxes.shown.size();
    label_ptr nameless = sample_label({.name = u""});
    EXPECT_EQ(ino__save_label(server.url(), nameless.get(), user, password), 0);
    expect_fault(n, 3, u"Не задано имя этикетки");

    std::vector<unsigned char> jpeg;
    std::u16string log;
    n = boxes.shown.size();
    EXPECT_EQ(ino__render_label(server.url(), u"Есть", {}, 9, 300, false, user, password, jpeg, log), 0);
    expect_fault(n, 9, u"вне пределов 10…1200");
    n = boxes.shown.size();
    EXPECT_EQ(ino__render_label(server.url(), u"Есть", {}, 300, 1201, false, user, password, jpeg, log), 0);
    expect_fault(n, 9, u"300×1201");
    n = boxes.shown.size();
    EXPECT_EQ(ino__render_label(server.url(), u"Нет такой", {}, 300, 300, false, user, password, jpeg, log), 0);
    expect_fault(n, 1, u"не найдена");

    // 300 × 400 points at 1200 dpi is 5000 × 6667 pixels; a label of 3000
    // × 3000 points is 2500 megapixels there.
    label_ptr huge = sample_label({.name = u"Огромная"});
    huge->width = huge->height = 3000;
    ASSERT_EQ(ino__save_label(server.url(), huge.get(), user, password), 1);
    n = boxes.shown.size();
    EXPECT_EQ(ino__render_label(server.url(), u"Огромная", {}, 1200, 1200, false, user, password, jpeg, log), 0);
    expect_fault(n, 8, u"больше 100 мегапикселей");
    EXPECT_EQ(ino__render_label(server.url(), u"Есть", {}, 1200, 1200, false, user, password, jpeg, log), 1);
}

TEST_P(LabelServer, CallsTheEditorNeverMakesAreRefusedWithFaults)
{
    // Python's xmlrpc writes what another program could send.
    const std::string code = R"PY(
import sys, socket, xmlrpc.client as x
url = sys.argv[1]
s = x.ServerProxy(url)
c = {"user": "u", "passwd": "p"}
def fault(call, code):
    try:
        call()
    except x.Fault as f:
        assert f.faultCode == code, (f.faultCode, f.faultString)
        return f.faultString
    raise AssertionError("no fault")
fault(lambda: s.labels.list_labels(), 5)
fault(lambda: s.labels.list_labels("user"), 5)
fault(lambda: s.labels.list_labels({"user": "u"}), 5)
fault(lambda: s.labels.load_label(c), 5)
fault(lambda: s.labels.load_label(c, ["name"]), 5)
fault(lambda: s.labels.load_label(c, {"name": 7}), 5)
fault(lambda: s.labels.rename_label(c, {"oldname": "a"}), 5)
fault(lambda: s.labels.render_label(c, {"name": "a", "xresolution": "300", "yresolution": 300}), 5)
fault(lambda: s.labels.render_label(c, {"name": "a", "xresolution": 300, "yresolution": 300, "variables": 3}), 5)
fault(lambda: s.labels.render_label(c, {"name": "a", "xresolution": 300, "yresolution": 300, "variables": [{"name": "x"}]}), 5)
# Label structs the reader refuses.
fault(lambda: s.labels.save_label(c, {"name": "x"}), 6)
msg = fault(lambda: s.labels.save_label(c, {"name": "x", "desc": "", "width": 10.0, "height": "wide",
                                       "bgcolor": "FFFFFF", "fields": []}), 6)
assert "не принята" in msg, msg
# Not a finite number (Python writes nan as it is).
fault(lambda: s.labels.save_label(c, {"name": "x", "desc": "", "width": float("nan"), "height": 10.0,
                                      "bgcolor": "FFFFFF", "fields": []}), 6)
# Deep nesting, a document type with entities, broken XML, another encoding.
def post(body):
    import http.client, urllib.parse
    u = urllib.parse.urlparse(url)
    h = http.client.HTTPConnection(u.hostname, u.port, timeout=60)
    h.request("POST", u.path, body, {"Content-Type": "text/xml"})
    r = h.getresponse()
    return r.status, r.read()
deep = b"<?xml version='1.0'?><methodCall><methodName>labels.list_labels</methodName><params><param><value>" + b"<array><data><value>" * 100000 + b"</value></data></array>" * 100000 + b"</value></param></params></methodCall>"
status, body = post(deep)
assert status == 200 and b"faultCode" in body, (status, body[:200])
lol = b"<?xml version='1.0'?><!DOCTYPE m [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>]><methodCall><methodName>labels.list_labels</methodName><params><param><value>&b;</value></param></params></methodCall>"
status, body = post(lol)
assert status == 200 and b"faultCode" in body, (status, body[:200])
status, body = post(b"<?xml version='1.0'?><methodCall><methodName>labels.list")
assert status == 200 and b"faultCode" in body, (status, body[:200])
latin = "<?xml version='1.0' encoding='ISO-8859-1'?><methodCall><methodName>labels.load_label</methodName><params><param><value><struct><member><name>user</name><value>u</value></member><member><name>passwd</name><value>p</value></member></struct></value></param><param><value><struct><member><name>name</name><value>caf\xe9</value></member></struct></value></param></params></methodCall>".encode("latin-1")
status, body = post(latin)
assert b"faultCode" in body and "«café»".encode() in body, body[:400]
# Still serving.
assert s.labels.list_labels(c) == []
)PY";
    EXPECT_EQ(run_python(code, {utf8(server.url())}), 0);
    // A request above 128 MiB is cut off, and the server goes on.
    const std::string big = R"PY(
import sys, socket, urllib.parse
u = urllib.parse.urlparse(sys.argv[1])
s = socket.create_connection((u.hostname, u.port))
s.sendall(b"POST /RPC2 HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nContent-Length: %d\r\n\r\n" % (200 << 20))
try:
    s.sendall(b"<" * (1 << 20))
    data = s.recv(4096)
except OSError:
    data = b""
assert b"faultCode" not in data and b"200 OK" not in data, data[:200]
)PY";
    EXPECT_EQ(run_python(big, {utf8(server.url())}), 0);
    EXPECT_TRUE(ino__list_labels(nullptr, server.url(), user, password));
}

TEST_P(LabelServer, AnswersWriteDoublesWithSixDecimals)
{
    // The label comes back with its doubles as the editor writes them.
    const std::string code = R"PY(
import sys, re, http.client, urllib.parse, xmlrpc.client as x
url = sys.argv[1]
s = x.ServerProxy(url)
c = {"user": "u", "passwd": "p"}
s.labels.save_label(c, {"name": "d", "desc": "", "width": 9.527500000000003, "height": 1e-7,
                        "bgcolor": "FFFFFF", "fields": []})
u = urllib.parse.urlparse(url)
h = http.client.HTTPConnection(u.hostname, u.port, timeout=60)
h.request("POST", u.path, x.dumps((c, {"name": "d"}), "labels.load_label"), {"Content-Type": "text/xml"})
body = h.getresponse().read().decode()
doubles = re.findall(r"<double>([^<]*)</double>", body)
assert doubles, body
assert all(re.fullmatch(r"-?[0-9]+\.[0-9]{6}", d) for d in doubles), doubles
label = x.loads(body)[0][0]
assert abs(label["width"] - 9.5275) < 5e-7 and label["height"] == 0.0, label
)PY";
    EXPECT_EQ(run_python(code, {utf8(server.url())}), 0);
}

TEST_P(LabelServer, AnyNameIsStoredInItsOwnFileAndListedBackExactly)
{
    std::u16string long_name;
    for (int i = 0; i < 1000; ++i)
        long_name += static_cast<char16_t>(u'а' + i % 32);
    const std::vector<std::u16string> tricky = {
        u"a/b",         u"../../../etc/passwd", u"..",        u".",           u"/",
        u"\\",          u"C:\\Windows\\win.ini", u"Цена со скидкой", u"  пробелы  ", u"tab\there",
        u"line\nfeed",  u"car\rriage",          u"a/b/../b",  long_name,      long_name + u"я",
        u"A",           u"a",                   u"%2e%2e%2f", u"name.lbl",    u"ab--00",
    };
    for (const std::u16string &name : tricky) {
        label_ptr lab = sample_label({.name = name});
        lab->desc = u"описание " + name;
        ASSERT_EQ(ino__save_label(server.url(), lab.get(), user, password), 1) << utf8(name);
    }
    std::vector<std::u16string> listed = names();
    std::set<std::u16string> want(tricky.begin(), tricky.end());
    EXPECT_EQ(std::set<std::u16string>(listed.begin(), listed.end()), want);
    EXPECT_EQ(listed.size(), tricky.size());
    EXPECT_TRUE(std::is_sorted(listed.rbegin(), listed.rend()));
    for (const std::u16string &name : tricky) {
        label_ptr back = ino__load_label(server.url(), name, user, password);
        ASSERT_TRUE(back) << utf8(name);
        EXPECT_EQ(back->name, name);
        EXPECT_EQ(back->desc, u"описание " + name);
    }
    if (!folder()) {
        // One row per name, holding a label file the editor reads.
        auto stored = rows();
        EXPECT_EQ(stored.size(), tricky.size());
        for (const auto &[name, bytes] : stored) {
            label_ptr lab = ino__load_memory(bytes.data(), bytes.size());
            ASSERT_TRUE(lab) << name;
            EXPECT_EQ(utf8(lab->name), name);
            EXPECT_EQ(want.count(lab->name), 1u);
        }
        EXPECT_TRUE(boxes.shown.empty());
        return;
    }
    // Every file is a plain file right inside the store, and nothing was
    // written anywhere else.
    std::size_t files = 0;
    for (const auto &e : fs::recursive_directory_iterator(dir.path())) {
        if (e.is_directory()) {
            EXPECT_EQ(e.path(), dir / "store");
            continue;
        }
        EXPECT_EQ(e.path().parent_path(), dir / "store");
        EXPECT_EQ(e.path().extension(), ".lbl");
        ++files;
    }
    EXPECT_EQ(files, tricky.size());
    // A stored file is an ordinary label file for the editor.
    for (const auto &e : fs::directory_iterator(dir / "store")) {
        label_ptr lab = ino__load_file(plt__from_utf8(e.path().string()));
        ASSERT_TRUE(lab) << e.path();
        EXPECT_EQ(want.count(lab->name), 1u);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_P(LabelServer, ListsByNameInCodePointOrder)
{
    // Orders that a locale's collation would give otherwise: capitals
    // before small letters, "Ё" (U+0401) before "А" and "ё" (U+0451) after
    // "я", digits by character, not by number.
    const std::vector<std::u16string> saved = {u"я",  u"ё",   u"б",  u"Ё",  u"а", u"Я", u"b",  u"B",
                                               u"a",  u"10",  u"9",  u" z", u"É", u"e", u"ab", u"a b",
                                               u"\uFFFD", u"\u00A0", u"ж-2", u"ж 2"};
    for (const std::u16string &name : saved)
        ASSERT_EQ(ino__save_label(server.url(), sample_label({.name = name}).get(), user, password), 1) << utf8(name);
    std::vector<std::u16string> listed = names();
    std::reverse(listed.begin(), listed.end()); // the client turns the server's order round
    // The order of the names' code points, computed apart from the server.
    std::vector<std::u32string> points;
    for (const std::u16string &name : saved)
        points.emplace_back(name.begin(), name.end()); // no surrogates here
    std::sort(points.begin(), points.end());
    std::vector<std::u16string> want;
    for (const std::u32string &p : points)
        want.emplace_back(p.begin(), p.end());
    EXPECT_EQ(listed, want);
}

TEST_P(LabelServer, EightClientsAtOnceLoseAndTearNothing)
{
    std::vector<pid_t> pids;
    const std::string url = utf8(server.url());
    for (int i = 0; i < 8; ++i) {
        const std::string mode = i % 2 ? "shared" : "own", id = std::to_string(i), rounds = "12";
        const char *argv[] = {SERVER_CLIENT_PROBE, url.c_str(), mode.c_str(), id.c_str(), rounds.c_str(), nullptr};
        pid_t pid;
        ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char **>(argv), environ), 0);
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "probe status " << status;
    }
    std::vector<std::u16string> listed = names();
    std::set<std::u16string> want = {u"общая"};
    for (int i = 0; i < 8; i += 2)
        want.insert(plt__from_utf8("собственная/" + std::to_string(i) + "/../" + std::to_string(i)));
    EXPECT_EQ(std::set<std::u16string>(listed.begin(), listed.end()), want);
    if (!folder()) {
        EXPECT_EQ(rows().size(), want.size());
        return;
    }
    // No temporary file left behind.
    std::size_t files = 0;
    for (const auto &e : fs::directory_iterator(dir / "store")) {
        EXPECT_EQ(e.path().extension(), ".lbl") << e.path();
        ++files;
    }
    EXPECT_EQ(files, want.size());
}

TEST_P(LabelServer, AServerKilledWhileSavingLeavesTheOldLabel)
{
    label_ptr old = sample_label({.name = u"Прайс"});
    old->desc = u"старая";
    ASSERT_EQ(ino__save_label(server.url(), old.get(), user, password), 1);
    const std::string old_bytes = bytes_of(old.get());

    // A big new version takes a while to arrive, be read and be written.
    label_ptr big = sample_label({.name = u"Прайс"});
    big->desc = u"новая";
    std::string eps(eps_square);
    eps.resize(24u << 20, '%');
    big->es[2]->picture.data = eps__load_mem(eps.data(), eps.size());
    const std::string big_bytes = bytes_of(big.get());

    int interrupted = 0;
    for (int delay_ms : {20, 300, 1500}) {
        server_process s(store);
        ASSERT_TRUE(s.running());
        std::thread saver([&] { ino__save_label(s.url(), big.get(), user, password); });
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        s.kill_now();
        saver.join();

        server_process again(store);
        ASSERT_TRUE(again.running());
        label_ptr back = ino__load_label(again.url(), u"Прайс", user, password);
        ASSERT_TRUE(back) << "after a kill at " << delay_ms << " ms";
        const std::string got = bytes_of(back.get());
        EXPECT_TRUE(got == old_bytes || got == big_bytes) << "torn after " << delay_ms << " ms";
        if (got == old_bytes)
            ++interrupted;
        else
            ASSERT_EQ(ino__save_label(again.url(), old.get(), user, password), 1); // start over
        auto list = ino__list_labels(nullptr, again.url(), user, password);
        ASSERT_TRUE(list);
        EXPECT_EQ(list->size(), 1u);
    }
    // At least one kill came before the new version was in place.
    EXPECT_GT(interrupted, 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, LabelServer, testing::Values(store_kind::folder, store_kind::database),
                         [](const testing::TestParamInfo<store_kind> &info) {
                             return info.param == store_kind::folder ? "Folder" : "Database";
                         });

TEST(LabelServerProcess, CredentialsFromAUsersFile)
{
    rpd__client_init();
    temp_dir dir;
    // A hashed line made by the server itself, and a plain one.
    const std::string hash_cmd = std::string("printf 'пароль-1\\n' | '") + VELLUMO_SERVER_BIN +
                                 "' --hash-password anna > '" + (dir / "users").string() + "'";
    ASSERT_EQ(std::system(hash_cmd.c_str()), 0);
    {
        std::ofstream users(dir / "users", std::ios::app);
        users << "# comment\n\nboris:открытый\n";
    }
    std::string users_text;
    {
        std::ifstream in(dir / "users");
        std::getline(in, users_text);
    }
    EXPECT_EQ(users_text.rfind("anna:pbkdf2-sha256:", 0), 0u) << users_text;
    EXPECT_EQ(users_text.find("пароль-1"), std::string::npos);

    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes(&boxes);
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice(&notice);
    const std::string err = (dir / "server.err").string();
    {
        server_process server((dir / "store").string(), {"--users", (dir / "users").string()}, "127.0.0.1:0", err);
        ASSERT_TRUE(server.running());
        EXPECT_TRUE(ino__list_labels(nullptr, server.url(), u"anna", u"пароль-1"));
        EXPECT_TRUE(ino__list_labels(nullptr, server.url(), u"boris", u"открытый"));
        EXPECT_TRUE(boxes.shown.empty());
        for (auto [u, p] : {std::pair{u"anna", u"пароль-2"}, {u"anna", u""}, {u"boris", u"открытыЙ"},
                            {u"nobody", u"пароль-1"}, {u"", u""}}) {
            const std::size_t n = boxes.shown.size();
            EXPECT_FALSE(ino__list_labels(nullptr, server.url(), u, p));
            ASSERT_EQ(boxes.shown.size(), n + 1);
            EXPECT_NE(boxes.shown.back().text.find(u"Неверное имя пользователя или пароль"), std::u16string::npos);
        }
        EXPECT_EQ(server.stop(SIGINT), 0);
    }
    std::ifstream in(err);
    std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("открытым текстом"), std::string::npos) << log; // the plain line is pointed out
    EXPECT_NE(log.find("сервер остановлен"), std::string::npos) << log;
    for (const char *secret : {"пароль-1", "пароль-2", "открытый", "открытыЙ"})
        EXPECT_EQ(log.find(secret), std::string::npos) << secret;
}

TEST(LabelServerProcess, WithoutUsersOnlyLoopbackIsServed)
{
    temp_dir dir;
    const std::string err = (dir / "server.err").string();
    {
        server_process open_wide((dir / "store").string(), {}, "0.0.0.0:0", err);
        EXPECT_FALSE(open_wide.running());
        EXPECT_EQ(open_wide.stop(), 1);
    }
    std::ifstream in(err);
    std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("только адрес петли"), std::string::npos) << log;

    std::ofstream(dir / "users") << "anna:x\n";
    server_process with_users((dir / "store").string(), {"--users", (dir / "users").string()}, "0.0.0.0:0");
    EXPECT_TRUE(with_users.running());
    EXPECT_EQ(with_users.stop(SIGTERM), 0);

    for (const char *bad : {"8390", "127.0.0.1:", "127.0.0.1:99999", "[::1:80", "127.0.0.1:8a"}) {
        server_process s((dir / "store").string(), {}, bad);
        EXPECT_FALSE(s.running()) << bad;
        EXPECT_EQ(s.stop(), 2) << bad;
    }
}
