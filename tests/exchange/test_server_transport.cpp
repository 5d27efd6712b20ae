// Servers that misbehave at the HTTP level, and what the client sends.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/label_server.h"
#include "support/python.h"
#include "support/temp_dir.h"

namespace {

class Transport : public testing::Test {
protected:
    void SetUp() override { rpd__client_init(); }
    void expect_call_fault()
    {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_TRUE(boxes.shown[0].caption.ends_with(u"при обращении к серверу"))
            << plt__to_utf8(boxes.shown[0].caption);
        boxes.shown.clear();
    }
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
};

const char response_head[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<methodResponse>\r\n<params>\r\n<param><value>";
const char response_tail[] = "</value></param>\r\n</params>\r\n</methodResponse>\r\n";

} // namespace

TEST_F(Transport, TheServerSeesExactlyOurUserAgent)
{
    raw_http_server raw([](int fd, const std::string &) {
        raw_http_server::send_all(
            fd, raw_http_server::http_ok(std::string(response_head) + "<array><data></data></array>" + response_tail));
    });
    auto l = ino__list_labels(nullptr, raw.url(), u"u", u"p");
    ASSERT_TRUE(l);
    std::string req = raw.last_request();
    EXPECT_NE(req.find("\r\nUser-Agent: Vellumo/1.2\r\n"), std::string::npos) << req;
    EXPECT_NE(req.find("<methodName>labels.list_labels</methodName>"), std::string::npos);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Transport, GarbageHttpErrorsAndCutAnswers)
{
    std::vector<std::string> answers = {
        "this is not HTTP at all\r\n\r\n",
        "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\nConnection: close\r\n\r\noops!",
        "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
        raw_http_server::http_ok("<html><body>not xml-rpc</body></html>"),
        raw_http_server::http_ok(std::string(response_head) + "<array><data><value><struct>"),
        // A body promised longer than it is: the connection closes half way.
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 100000\r\n\r\n" +
            std::string(response_head) + "<array>",
        "",
        raw_http_server::http_ok("<?xml version=\"1.0\"?>\n<!DOCTYPE x [<!ENTITY a \"b\">]>\n"
                                 "<methodResponse><params><param><value>&a;</value></param></params></methodResponse>"),
    };
    for (const std::string &a : answers) {
        raw_http_server raw([&a](int fd, const std::string &) { raw_http_server::send_all(fd, a); });
        EXPECT_FALSE(ino__list_labels(nullptr, raw.url(), u"u", u"p")) << a.substr(0, 60);
        expect_call_fault();
    }
}

TEST_F(Transport, HugeAnswers)
{
    // A 20 MB answer, far beyond any real one but below the size limit:
    // read in full, then refused for its content.
    std::string big = std::string(response_head) + "<array><data><value><struct><member><name>name</name><value><string>" +
                      std::string(20u << 20, 'n') + "</string></value></member></struct></value></data></array>" +
                      response_tail;
    {
        raw_http_server raw([&big](int fd, const std::string &) {
            raw_http_server::send_all(fd, raw_http_server::http_ok(big));
        });
        EXPECT_FALSE(ino__list_labels(nullptr, raw.url(), u"u", u"p"));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].caption, u"Vellumo 1.2 | ошибка XMLRPC -502"); // no "desc"
        boxes.shown.clear();
    }
    big.clear();
    big.shrink_to_fit();
    // Past the size limit: the library's transport stops reading it.
    const int mib = 140;
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                       std::to_string(mib << 20) + "\r\nConnection: close\r\n\r\n";
    raw_http_server raw([&head](int fd, const std::string &) {
        raw_http_server::send_all(fd, head);
        std::string chunk(1 << 20, 'x');
        for (int i = 0; i < mib; ++i)
            raw_http_server::send_all(fd, chunk);
    });
    EXPECT_FALSE(ino__list_labels(nullptr, raw.url(), u"u", u"p"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, u"Vellumo 1.2 | ошибка XMLRPC -504 при обращении к серверу")
        << plt__to_utf8(boxes.shown[0].text);
    EXPECT_NE(boxes.shown[0].text.find(u"Failure writing output"), std::u16string::npos);
}

TEST_F(Transport, SlowAnswerArrives)
{
    raw_http_server raw([](int fd, const std::string &) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        raw_http_server::send_all(
            fd, raw_http_server::http_ok(std::string(response_head) +
                                         "<array><data><value><struct><member><name>name</name><value><string>F</string>"
                                         "</value></member></struct></value></data></array>" +
                                         response_tail));
    });
    auto f = ino__list_fonts(raw.url(), u"u", u"p");
    ASSERT_TRUE(f);
    EXPECT_EQ(*f, std::vector<std::u16string>{u"F"});
}

TEST_F(Transport, DoublesTravelWithSixDecimals)
{
    raw_http_server raw([](int fd, const std::string &) {
        raw_http_server::send_all(fd, raw_http_server::http_ok(std::string(response_head) +
                                                               "<boolean>1</boolean>" + response_tail));
    });
    label_ptr lab = ele__label_new(9.527500000000003, 400);
    element *e = ele__add(lab.get(), 0);
    e->type = ELE_BORDER;
    e->x = 1.0 / 3;
    e->y = 2.0 / 3;
    e->width = e->height = 10;
    ASSERT_EQ(ino__save_label(raw.url(), lab.get(), u"u", u"p"), 1);
    const std::string req = raw.last_request();
    EXPECT_NE(req.find("<double>9.527500</double>"), std::string::npos) << req;
    EXPECT_NE(req.find("<double>0.333333</double>"), std::string::npos);
    EXPECT_NE(req.find("<double>0.666667</double>"), std::string::npos);
    EXPECT_EQ(req.find("9.5275000"), std::string::npos);
    // The body is still what Python's XML-RPC reads.
    temp_dir dir;
    const std::size_t body = req.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos);
    std::ofstream(dir / "call.xml", std::ios::binary) << req.substr(body + 4);
    const std::string python = R"(
import sys, xmlrpc.client
params, method = xmlrpc.client.loads(open(sys.argv[1], 'rb').read())
assert method == 'labels.save_label', method
assert params[1]['width'] == 9.5275 and params[1]['fields'][0]['y'] == 0.666667, params[1]
)";
    EXPECT_EQ(run_python(python, {(dir / "call.xml").string()}), 0);
}

TEST_F(Transport, CarriageReturnsTravelBothWays)
{
    raw_http_server raw([](int fd, const std::string &) {
        raw_http_server::send_all(
            fd, raw_http_server::http_ok(
                    std::string(response_head) +
                    "<array><data><value><struct><member><name>name</name><value><string>a&#x0d;&#x0a;b&#13;"
                    "</string></value></member><member><name>desc</name><value><string>\xEE\x80\x81</string>"
                    "</value></member></struct></value></data></array>" +
                    response_tail));
    });
    label_ptr lab = ele__label_new(10, 10);
    lab->name = u"x\r\ny";
    ASSERT_EQ(ino__save_label(raw.url(), lab.get(), u"u", u"p"), 1);
    EXPECT_NE(raw.last_request().find("<string>x&#x0d;\ny</string>"), std::string::npos);
    auto l = ino__list_labels(nullptr, raw.url(), u"u", u"p");
    ASSERT_TRUE(l);
    ASSERT_EQ(l->size(), 1u);
    EXPECT_EQ((*l)[0].name, u"a\r\nb\r");
    EXPECT_EQ((*l)[0].desc, u"\uE001");
}

TEST_F(Transport, HttpFailuresAreToldInRussianWithTheLibrarysTextInBrackets)
{
    // Nothing listens there.
    dead_port closed;
    EXPECT_FALSE(ino__list_labels(nullptr, closed.url(), u"u", u"p"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::u16string refused = boxes.shown[0].text;
    EXPECT_EQ(refused.rfind(u"Сервер не принимает подключения", 0), 0u) << plt__to_utf8(refused);
    EXPECT_NE(refused.find(u"\n\n("), std::u16string::npos);
    EXPECT_TRUE(refused.ends_with(u")"));
    expect_call_fault();

    // An answer that is an HTTP error, and a secure address on a plain server.
    raw_http_server raw([](int fd, const std::string &) {
        raw_http_server::send_all(fd, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    EXPECT_FALSE(ino__list_labels(nullptr, raw.url(), u"u", u"p"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(u"Сервер ответил кодом HTTP 404", 0), 0u) << plt__to_utf8(boxes.shown[0].text);
    EXPECT_NE(boxes.shown[0].text.find(u"(HTTP response code is 404"), std::u16string::npos) << plt__to_utf8(boxes.shown[0].text);
    expect_call_fault();
    std::u16string secure = raw.url();
    secure.replace(0, 4, u"https");
    EXPECT_FALSE(ino__list_labels(nullptr, secure, u"u", u"p"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(u"Не удалось установить защищённое соединение (TLS)", 0), 0u)
        << plt__to_utf8(boxes.shown[0].text);
    expect_call_fault();

    // The texts of the library for the failures a test cannot bring about here.
    struct said {
        const char *library;
        const char *starts;
    } cases[] = {
        {"libcurl failed to execute the HTTP POST transaction, explaining:  Could not resolve host: labels.example",
         "Сервер с таким именем не найден"},
        {"libcurl failed ... explaining:  Operation timed out after 30001 milliseconds with 0 bytes received",
         "Сервер не ответил вовремя."},
        {"explaining:  SSL certificate problem: self-signed certificate", "Не удалось установить защищённое"},
        {"explaining:  Failed to connect to 10.0.0.1 port 80: No route to host", "Сервер не принимает подключения"},
        {"explaining:  Empty reply from server", "Соединение с сервером прервалось"},
        {"something new", "Ошибка сети при обращении к серверу."},
        {"HTTP response code is 99999999999999999999999, not 200", "Сервер ответил кодом HTTP"},
    };
    for (const said &c : cases) {
        const std::string t = rpd__transport_text(c.library);
        EXPECT_EQ(t.rfind(c.starts, 0), 0u) << t;
        EXPECT_TRUE(t.ends_with("(" + std::string(c.library) + ")")) << t;
    }
    EXPECT_EQ(rpd__transport_text(nullptr), "Ошибка сети при обращении к серверу.");
}
