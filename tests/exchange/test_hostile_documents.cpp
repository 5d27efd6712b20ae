// Documents another program or a hostile sender could hand the program:
// written by Python's own XML-RPC code, nested past any sense, holding
// numbers that are not finite, in other encodings.  Each ends in a message
// or a faithful label, never a crash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

#include "exchange/inout.h"
#include "exchange/lbl_text.h"
#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "exchange/xml_prepare.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/label_server.h"
#include "support/python.h"
#include "support/temp_dir.h"

using namespace lbl;

namespace {

class Hostile : public testing::Test {
protected:
    void SetUp() override { rpd__client_init(); }
    std::u16string write(const std::string &name, const std::string &bytes)
    {
        std::ofstream f(dir / name, std::ios::binary);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return u16(dir / name);
    }
    std::string read(const std::string &name)
    {
        std::ifstream f(dir / name, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    temp_dir dir;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice{&notice};
};

std::string nested_arrays(int levels)
{
    std::string open, close;
    open.reserve(static_cast<std::size_t>(levels) * 20);
    close.reserve(static_cast<std::size_t>(levels) * 23);
    for (int i = 0; i < levels; ++i)
        open += "<value><array><data>";
    for (int i = 0; i < levels; ++i)
        close += "</data></array></value>";
    return open + close;
}

// A label written by Python's xmlrpc.client: one text "café<CR>X Ж",
// the document encoded as `argv[2]`, every CR written as &#13;.
const char python_label[] = R"PY(
import sys, xmlrpc.client
path, enc = sys.argv[1], sys.argv[2]
text = {"layer": 0, "type": "text", "x": 10.0, "y": 20.0, "quadrant": 1, "angle": 0.0,
        "comment": "Цена é", "enabled": True, "colour": "FF0000",
        "value": "café\rX Ж", "style": "DejaVu Sans", "size": 12.0, "justification": "left"}
label = {"name": "Этикетка é", "desc": "line1\r\nline2", "width": 300.0, "height": 400.0,
         "bgcolor": "FFFFFF", "fields": [text]}
doc = xmlrpc.client.dumps((label,), "labels.local_store", encoding=enc)
doc = doc.replace("\r", "&#13;")
errors = "xmlcharrefreplace" if enc.lower() != "utf-16" else "strict"
open(path, "wb").write(doc.encode(enc, errors))
)PY";

} // namespace

TEST_F(Hostile, DeepNestingInFilesIsRefusedBeforeTheParser)
{
    // The default 8 MiB stack is what the program runs with.
    rlimit rl{};
    getrlimit(RLIMIT_STACK, &rl);
    ASSERT_TRUE(rl.rlim_cur == RLIM_INFINITY || rl.rlim_cur <= (64u << 20));
    for (int levels : {60000, 1000000}) {
        std::string extra = "<member><name>extra</name>" + nested_arrays(levels) + "</member>";
        std::u16string path = write("deep.lbl", call(param(label_xml("", extra))));
        boxes.shown.clear();
        EXPECT_FALSE(ino__load_file(path)) << levels;
        ASSERT_EQ(boxes.shown.size(), 1u) << levels;
        EXPECT_EQ(boxes.shown[0].caption, u"Vellumo 1.2 | ошибка XMLRPC -503");
        EXPECT_NE(boxes.shown[0].text.find(u"вложены глубже 1000 уровней"), std::u16string::npos)
            << plt__to_utf8(boxes.shown[0].text);
    }
    // Deeper than the library takes, shallower than our own limit: its
    // refusal reaches the user in Russian, its own words in brackets.
    std::string mid = "<member><name>extra</name>" + nested_arrays(200) + "</member>";
    boxes.shown.clear();
    EXPECT_FALSE(ino__load_file(write("mid.lbl", call(param(label_xml("", mid))))));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.find(u"Файл этикетки «"), 0u) << plt__to_utf8(boxes.shown[0].text);
    EXPECT_NE(boxes.shown[0].text.find(u"вложены слишком глубоко (Nested data structure too deep"), std::u16string::npos)
        << plt__to_utf8(boxes.shown[0].text);
    // Nesting a label really has (and a fair margin) still loads.
    std::string extra = "<member><name>extra</name>" + nested_arrays(20) + "</member>";
    EXPECT_TRUE(ino__load_file(write("ok.lbl", call(param(label_xml("", extra))))));
}

TEST_F(Hostile, DeepNestingInServerAnswersIsRefusedToo)
{
    for (int levels : {60000, 1000000}) {
        std::string body = "<?xml version=\"1.0\"?>\r\n<methodResponse><params><param>" +
                           nested_arrays(levels) + "</param></params></methodResponse>\r\n";
        raw_http_server raw([&body](int fd, const std::string &) {
            raw_http_server::send_all(fd, raw_http_server::http_ok(body));
        });
        boxes.shown.clear();
        EXPECT_FALSE(ino__list_labels(nullptr, raw.url(), u"u", u"p")) << levels;
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_NE(boxes.shown[0].text.find(u"вложены глубже"), std::u16string::npos);
    }
}

TEST(XmlDepth, CountsElementsNotMarkup)
{
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    // Comments, CDATA, empty elements and '>' inside quotes do not nest.
    std::string doc = "<?xml version=\"1.0\"?><a x=\"1>2\"><!-- <b><b><b> --><![CDATA[<c><c>]]>"
                      "<d/><d/><e><f></f></e></a>";
    EXPECT_TRUE(ino__xml_depth_ok(&env, doc.data(), doc.size(), 3));
    EXPECT_FALSE(ino__xml_depth_ok(&env, doc.data(), doc.size(), 2));
    EXPECT_TRUE(env.fault_occurred);
    xmlrpc_env_clean(&env);
    xmlrpc_env_init(&env);
    // Unfinished markup ends the scan; the parser reports it.
    for (const char *cut : {"<a", "<a><!-- ", "<a><![CDATA[", "<?xml", "<a b=\"", "<"})
        EXPECT_TRUE(ino__xml_depth_ok(&env, cut, std::strlen(cut), 1)) << cut;
    xmlrpc_env_clean(&env);
}

TEST_F(Hostile, InfiniteAndNaNNumbersFromPythonAreRefusedOnLoad)
{
    // Python writes inf and nan as <double>inf</double> and the library reads them.
    const char code[] = R"PY(
import sys, xmlrpc.client
def el(kind, layer, **kw):
    e = {"layer": layer, "type": kind, "x": 1.0, "y": 1.0, "quadrant": 1, "angle": 0.0,
         "comment": kind + str(layer), "enabled": True, "colour": "000000"}
    e.update(kw)
    return e
fields = [el("text", 0, value="ok", style="", size=12.0, justification="left"),
          el("text", 1, value="t", style="", size=float("inf"), justification="left"),
          el("border", 2, style="SOLID", size=float("inf")),
          el("border", 3, style="SOLID", size=float("nan")),
          el("barcode", 4, value="1", style="AUTO", size=float("-inf")),
          el("text", 5, value="t", style="", size=12.0, justification="left", width=float("inf")),
          el("text", 6, value="t", style="", size=12.0, justification="left", x=float("nan"))]
label = {"name": "n", "desc": "d", "width": 300.0, "height": 400.0, "fields": fields}
open(sys.argv[1], "w").write(xmlrpc.client.dumps((label,), "labels.local_store"))
label["width"] = float("inf")
open(sys.argv[2], "w").write(xmlrpc.client.dumps((label,), "labels.local_store"))
)PY";
    ASSERT_EQ(run_python(code, {(dir / "inf.lbl").string(), (dir / "infwide.lbl").string()}), 0);
    ASSERT_NE(read("inf.lbl").find("<double>inf</double>"), std::string::npos);
    label_ptr lab = ino__load_file(u16(dir / "inf.lbl"));
    ASSERT_TRUE(lab);
    ASSERT_EQ(lab->qty, 1);
    EXPECT_EQ(lab->es[0]->desc, u"text0");
    // Saving what was loaded never meets a number it cannot write.
    EXPECT_EQ(ino__save_file(u16(dir / "back.lbl"), lab.get()), 1);
    EXPECT_TRUE(boxes.shown.empty());
    // A label of infinite width is no label.
    EXPECT_FALSE(ino__load_file(u16(dir / "infwide.lbl")));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(Hostile, NumbersThatAreNotFiniteAreNeverWritten)
{
    label_ptr lab = ele__label_new(300, 400);
    element *t = ele__add(lab.get(), 0);
    t->type = ELE_TEXT;
    t->desc = u"Цена";
    t->text.size = INFINITY;
    std::string before = "old contents";
    std::u16string path = write("keep.lbl", before);
    EXPECT_EQ(ino__save_file(path, lab.get()), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              u"Этикетку нельзя сохранить: размер шрифта элемента 1 «Цена» — не конечное число (+inf).");
    EXPECT_EQ(read("keep.lbl"), before);

    // NaN is not written as 0 either; nor is an element's size or a border's thickness.
    t->text.size = 12;
    t->width = NAN;
    EXPECT_EQ(ino__save_file(path, lab.get()), 0);
    EXPECT_NE(boxes.shown.back().text.find(u"ширина элемента 1 «Цена» — не конечное число (NaN)"),
              std::u16string::npos);
    t->width = 10;
    t->type = ELE_BORDER;
    t->border.thickness = -INFINITY;
    EXPECT_EQ(ino__save_file(path, lab.get()), 0);
    EXPECT_NE(boxes.shown.back().text.find(u"толщина линии"), std::u16string::npos);
    EXPECT_EQ(read("keep.lbl"), before);

    // The converter itself refuses with a fault instead of crashing.
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    EXPECT_EQ(ino__label_to_value(lab.get(), &env), nullptr);
    EXPECT_TRUE(env.fault_occurred);
    xmlrpc_env_clean(&env);

    // And nothing is sent to a server.
    label_server server;
    std::size_t shown = boxes.shown.size();
    EXPECT_EQ(ino__save_label(server.url(), lab.get(), u"u", u"p"), 0);
    EXPECT_EQ(server.calls("labels.save_label"), 0);
    EXPECT_EQ(boxes.shown.size(), shown + 1);
    t->border.thickness = 1;
    EXPECT_EQ(ino__save_label(server.url(), lab.get(), u"u", u"p"), 1);
}

TEST_F(Hostile, DeclaredEncodingsKeepCarriageReturnsAndText)
{
    for (const char *enc : {"utf-8", "iso-8859-1", "utf-16", "windows-1251", "koi8-r"}) {
        std::string path = (dir / "enc.lbl").string();
        ASSERT_EQ(run_python(python_label, {path, enc}), 0) << enc;
        boxes.shown.clear();
        label_ptr lab = ino__load_file(u16(dir / "enc.lbl"));
        ASSERT_TRUE(lab) << enc << ": "
                         << (boxes.shown.empty() ? "" : plt__to_utf8(boxes.shown[0].text));
        EXPECT_EQ(lab->name, u"Этикетка é") << enc;
        EXPECT_EQ(lab->desc, u"line1\r\nline2") << enc;
        ASSERT_EQ(lab->qty, 1);
        EXPECT_EQ(*lab->es[0]->text.text, u"café\rX Ж") << enc;
        EXPECT_EQ(lab->es[0]->desc, u"Цена é") << enc;
        EXPECT_EQ(lab->es[0]->text.colour, 0xFF0000u);
    }
}

TEST_F(Hostile, EncodingsThatLieOrAreUnknownAreRefused)
{
    std::string good = call(param(label_xml("")));
    std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    auto with = [&](const std::string &enc) {
        std::string d = good;
        d.replace(0, decl.size(), "<?xml version=\"1.0\" encoding=\"" + enc + "\"?>");
        return d;
    };
    for (const std::string &doc :
         {with("no-such-encoding"), with("UTF-16"), with("US-ASCII") + "\xC3\xA9",
          std::string("\xEF\xBB\xBF") + with("ISO-8859-1"),
          std::string("\xFF\xFE<\0?\0x\0", 8) + std::string("\0\xD8", 2)}) {
        boxes.shown.clear();
        EXPECT_FALSE(ino__load_file(write("lie.lbl", doc)));
        EXPECT_EQ(boxes.shown.size(), 1u);
    }
    // A declaration in single quotes, and a UTF-8 byte order mark, are fine.
    std::string quoted = good;
    quoted.replace(0, decl.size(), "<?xml version='1.0' encoding='utf-8'?>");
    EXPECT_TRUE(ino__load_file(write("q.lbl", "\xEF\xBB\xBF" + quoted)));
}

TEST_F(Hostile, ServerAnswersInOtherEncodingsKeepTheirText)
{
    // Python's own XML-RPC server answers in ISO-8859-1.
    const char code[] = R"PY(
import sys, threading, xmlrpc.server, xmlrpc.client
class Handler(xmlrpc.server.SimpleXMLRPCRequestHandler):
    def log_message(self, *a): pass
srv = xmlrpc.server.SimpleXMLRPCServer(("127.0.0.1", 0), Handler, encoding="iso-8859-1",
                                       logRequests=False)
answered = []
def list_labels(cred):
    answered.append(1)
    return [{"name": "caf\u00e9\rX", "desc": "\u0416"}]
srv.register_function(list_labels, "labels.list_labels")
srv.timeout = 10
open(sys.argv[1], "w").write(str(srv.server_address[1]))
# The client opens one connection first to see that the server is there.
for _ in range(3):
    if answered:
        break
    srv.handle_request()
)PY";
    std::string port_file = (dir / "port").string();
    std::thread py([&] { run_python(code, {port_file}); });
    std::string port;
    for (int i = 0; i < 200 && port.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        port = read("port");
    }
    ASSERT_FALSE(port.empty());
    auto l = ino__list_labels(nullptr, plt__from_utf8("http://127.0.0.1:" + port + "/RPC2"), u"u", u"p");
    py.join();
    ASSERT_TRUE(l) << (boxes.shown.empty() ? "" : plt__to_utf8(boxes.shown[0].text));
    ASSERT_EQ(l->size(), 1u);
    // Python writes the CR raw, and XML reads a raw CR as a line feed.
    EXPECT_EQ((*l)[0].name, u"café\nX");
    EXPECT_EQ((*l)[0].desc, u"Ж");
}

TEST_F(Hostile, SavingThroughALinkReplacesTheTarget)
{
    std::filesystem::create_directory(dir / "real");
    std::u16string target = write("real/box.lbl", "old");
    std::filesystem::permissions(dir / "real" / "box.lbl", std::filesystem::perms(0604));
    std::filesystem::create_symlink("real/box.lbl", dir / "link.lbl");
    label_ptr lab = ele__label_new(100, 50);
    lab->name = u"linked";
    ASSERT_EQ(ino__save_file(u16(dir / "link.lbl"), lab.get()), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.lbl"));
    label_ptr back = ino__load_file(target);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, u"linked");
    EXPECT_EQ(std::filesystem::status(dir / "real" / "box.lbl").permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms(0604));
    int in_real = 0;
    for (auto &e : std::filesystem::directory_iterator(dir / "real"))
        in_real += e.path().filename() != "box.lbl";
    EXPECT_EQ(in_real, 0); // no temporary left behind
}
