#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

#include "exchange/inout.h"
#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/label_server.h"
#include "support/sample_label.h"

namespace {

class ServerClient : public testing::Test {
protected:
    void SetUp() override { rpd__client_init(); }

    const message_box_request &last_box()
    {
        static message_box_request none;
        return boxes.shown.empty() ? none : boxes.shown.back();
    }
    void expect_one_box(std::size_t before, const std::u16string &caption_start)
    {
        ASSERT_EQ(boxes.shown.size(), before + 1);
        EXPECT_EQ(last_box().caption.rfind(caption_start, 0), 0u) << plt__to_utf8(last_box().caption);
        EXPECT_EQ(last_box().icon, mb_icon::error);
    }

    label_server server;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice{&notice};
    const std::u16string user = u"оператор", password = u"секрет";
};

xmlrpc_value *list_of(xmlrpc_env *env, std::initializer_list<const char *> names, bool with_desc = true)
{
    xmlrpc_value *arr = xmlrpc_array_new(env);
    for (const char *n : names) {
        xmlrpc_value *it = with_desc ? xmlrpc_build_value(env, "{s:s,s:s}", "name", n, "desc", "d")
                                     : xmlrpc_build_value(env, "{s:s}", "name", n);
        xmlrpc_array_append_item(env, arr, it);
        xmlrpc_DECREF(it);
    }
    return arr;
}

} // namespace

TEST_F(ServerClient, EmptyListAndReversedOrder)
{
    auto empty = ino__list_labels(nullptr, server.url(), user, password);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(notice.shown, 1);

    server.answer("labels.list_labels", [](xmlrpc_env *env, xmlrpc_value *) {
        return list_of(env, {"A", "B", "C"});
    });
    auto l = ino__list_labels(nullptr, server.url(), user, password);
    ASSERT_TRUE(l);
    ASSERT_EQ(l->size(), 3u);
    EXPECT_EQ((*l)[0].name, u"C");
    EXPECT_EQ((*l)[1].name, u"B");
    EXPECT_EQ((*l)[2].name, u"A");
    EXPECT_EQ((*l)[2].desc, u"d");
}

TEST_F(ServerClient, CredentialsComeFirstInOrder)
{
    ASSERT_TRUE(ino__list_fonts(server.url(), user, password));
    xmlrpc_value *p = server.last_params("labels.list_fonts");
    ASSERT_NE(p, nullptr);
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    EXPECT_EQ(xmlrpc_array_size(&env, p), 1);
    xmlrpc_value *cred = nullptr;
    xmlrpc_array_read_item(&env, p, 0, &cred);
    xmlrpc_value *k0 = nullptr, *v0 = nullptr, *k1 = nullptr, *v1 = nullptr;
    xmlrpc_struct_read_member(&env, cred, 0, &k0, &v0);
    xmlrpc_struct_read_member(&env, cred, 1, &k1, &v1);
    const char *s0, *s1, *u, *pw;
    xmlrpc_read_string(&env, k0, &s0);
    xmlrpc_read_string(&env, k1, &s1);
    xmlrpc_read_string(&env, v0, &u);
    xmlrpc_read_string(&env, v1, &pw);
    ASSERT_FALSE(env.fault_occurred);
    EXPECT_STREQ(s0, "user");
    EXPECT_STREQ(s1, "passwd");
    EXPECT_EQ(plt__from_utf8(u), user);
    EXPECT_EQ(plt__from_utf8(pw), password);
    for (const char *s : {s0, s1, u, pw})
        std::free(const_cast<char *>(s));
    for (xmlrpc_value *v : {k0, v0, k1, v1, cred, p})
        xmlrpc_DECREF(v);
    xmlrpc_env_clean(&env);
}

TEST_F(ServerClient, ListEntriesWithoutDescShowTheFaultBox)
{
    server.answer("labels.list_labels", [](xmlrpc_env *env, xmlrpc_value *) {
        return list_of(env, {"A", "B"}, false);
    });
    EXPECT_FALSE(ino__list_labels(nullptr, server.url(), user, password));
    expect_one_box(0, u"Vellumo 1.2 | ошибка XMLRPC -502");
    EXPECT_EQ(last_box().caption.find(u"при обращении"), std::u16string::npos);

    server.answer("labels.list_labels", [](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_string_new(env, "not an array");
    });
    EXPECT_FALSE(ino__list_labels(nullptr, server.url(), user, password));
    expect_one_box(1, u"Vellumo 1.2 | ошибка XMLRPC -501");
}

TEST_F(ServerClient, UnreachableServerShowsTheCallFaultBox)
{
    dead_port dead;
    EXPECT_FALSE(ino__list_labels(nullptr, dead.url(), user, password));
    expect_one_box(0, u"Vellumo 1.2 | ошибка XMLRPC -504");
    EXPECT_TRUE(last_box().caption.ends_with(u" при обращении к серверу"));
    EXPECT_FALSE(last_box().text.empty());

    // Load through the same failure: the call fault box, no label.
    EXPECT_FALSE(ino__load_label(dead.url(), u"x", user, password));
    EXPECT_TRUE(last_box().caption.ends_with(u" при обращении к серверу"));
}

TEST_F(ServerClient, ServerFaultsCarryTheirCodeAndMessage)
{
    EXPECT_EQ(ino__drop_label(nullptr, server.url(), u"нет такой", user, password), 0);
    expect_one_box(0, u"Vellumo 1.2 | ошибка XMLRPC 1 при обращении к серверу");
    EXPECT_EQ(last_box().text, u"Сервер ответил ошибкой: No label named 'нет такой'");
    EXPECT_EQ(ino__rename_label(nullptr, server.url(), u"a", u"b", user, password), 0);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(ServerClient, ServerInfoMembers)
{
    server_information info;
    ASSERT_EQ(ino__server_info(server.url(), user, password, info), 1);
    EXPECT_EQ(info.name, u"Тестовый сервер");
    EXPECT_EQ(info.version, u"2.1");
    EXPECT_EQ(info.api, u"3");
    EXPECT_EQ(info.features, (std::vector<std::u16string>{u"render", u"fonts"}));

    server.answer("labels.server_info", [](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "{s:s,s:i,s:()}", "name", "n", "api", 1, "features");
    });
    server_information untouched;
    untouched.name = u"keep";
    EXPECT_EQ(ino__server_info(server.url(), user, password, untouched), 0);
    EXPECT_EQ(untouched.name, u"keep");
    expect_one_box(0, u"Vellumo 1.2 | ошибка XMLRPC -502");

    server.answer("labels.server_info", [](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "{s:s,s:s,s:i,s:()}", "name", "n", "version", "", "api", -7,
                                  "features");
    });
    ASSERT_EQ(ino__server_info(server.url(), user, password, info), 1);
    EXPECT_EQ(info.version, u"");
    EXPECT_EQ(info.api, u"-7");
    EXPECT_TRUE(info.features.empty());

    server.answer("labels.server_info", [](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "{s:n,s:s,s:i,s:(si)}", "name", "version", "1", "api", 1, "features", "a", 2);
    });
    EXPECT_EQ(ino__server_info(server.url(), user, password, info), 0); // a feature that is no string
    server.answer("labels.server_info", [](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "{s:n,s:s,s:i,s:()}", "name", "version", "1", "api", 1,
                                  "features");
    });
    ASSERT_EQ(ino__server_info(server.url(), user, password, info), 1);
    EXPECT_EQ(info.name, u"(не указано)");
}

TEST_F(ServerClient, FontsInTheServersOrder)
{
    auto f = ino__list_fonts(server.url(), user, password);
    ASSERT_TRUE(f);
    EXPECT_EQ(*f, (std::vector<std::u16string>{u"DejaVu Sans", u"Arial", u"Times"}));
    server.answer("labels.list_fonts", [](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "({s:s}{s:i})", "name", "a", "name", 1);
    });
    EXPECT_FALSE(ino__list_fonts(server.url(), user, password));
    expect_one_box(0, u"Vellumo 1.2 | ошибка XMLRPC -501");
}

TEST_F(ServerClient, RenderSendsVariablesInOrder)
{
    std::vector<unsigned char> image;
    std::u16string log;
    std::vector<preview_var> vars = {{u"цена", u"100"}, {u"имя", u"Товар\r\n2"}, {u"a", u""}};
    ASSERT_EQ(ino__render_label(server.url(), u"Этикетка", vars, 300, 200, true, user, password,
                                image, log),
              1);
    EXPECT_EQ(image.size(), 12u);
    EXPECT_EQ(image[0], 0xFF);
    EXPECT_EQ(log, u"rendered Этикетка");

    xmlrpc_env env;
    xmlrpc_env_init(&env);
    xmlrpc_value *p = server.last_params("labels.render_label");
    xmlrpc_value *st = nullptr;
    xmlrpc_array_read_item(&env, p, 1, &st);
    const char *name = nullptr;
    xmlrpc_value *varr = nullptr;
    int xr = 0, yr = 0;
    xmlrpc_bool markup = 0;
    xmlrpc_decompose_value(&env, st, "{s:s,s:A,s:i,s:i,s:b,*}", "name", &name, "variables", &varr,
                           "xresolution", &xr, "yresolution", &yr, "markup", &markup);
    ASSERT_FALSE(env.fault_occurred) << env.fault_string;
    EXPECT_STREQ(name, "Этикетка");
    EXPECT_EQ(xr, 300);
    EXPECT_EQ(yr, 200);
    EXPECT_TRUE(markup);
    ASSERT_EQ(xmlrpc_array_size(&env, varr), 3);
    for (int i = 0; i < 3; ++i) {
        xmlrpc_value *v = nullptr;
        xmlrpc_array_read_item(&env, varr, i, &v);
        const char *n = nullptr, *val = nullptr;
        xmlrpc_decompose_value(&env, v, "{s:s,s:s,*}", "name", &n, "value", &val);
        EXPECT_EQ(plt__from_utf8(n), vars[static_cast<std::size_t>(i)].name);
        std::free(const_cast<char *>(n));
        std::free(const_cast<char *>(val));
        xmlrpc_DECREF(v);
    }
    std::free(const_cast<char *>(name));
    xmlrpc_DECREF(varr);
    xmlrpc_DECREF(st);
    xmlrpc_DECREF(p);

    ASSERT_EQ(ino__render_label(server.url(), u"x", {}, 100, 100, false, user, password, image, log), 1);
    p = server.last_params("labels.render_label");
    xmlrpc_array_read_item(&env, p, 1, &st);
    xmlrpc_decompose_value(&env, st, "{s:A,*}", "variables", &varr);
    EXPECT_EQ(xmlrpc_array_size(&env, varr), 0);
    xmlrpc_DECREF(varr);
    xmlrpc_DECREF(st);
    xmlrpc_DECREF(p);
    xmlrpc_env_clean(&env);

    server.answer("labels.render_label", [](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "{s:s}", "log", "no image");
    });
    std::vector<unsigned char> keep = {1, 2, 3};
    EXPECT_EQ(ino__render_label(server.url(), u"x", {}, 1, 1, false, user, password, keep, log), 0);
    EXPECT_EQ(keep.size(), 3u);
}

TEST_F(ServerClient, SaveLoadThroughTheServerKeepsTheLabel)
{
    // The test server's parser turns CR into LF; a picture of 700 kB.
    label_ptr lab = sample_label({.name = u"Этикетка 1", .lf_only = true, .picture_padding = 700000});
    ASSERT_EQ(ino__save_label(server.url(), lab.get(), user, password), 1);
    EXPECT_TRUE(server.has_label("Этикетка 1"));
    label_ptr back = ino__load_label(server.url(), u"Этикетка 1", user, password);
    ASSERT_TRUE(back);
    EXPECT_TRUE(boxes.shown.empty());
    expect_same(lab.get(), back.get());
    EXPECT_DOUBLE_EQ(back->es[0]->width, -43.43); // automatic sizes stay automatic
    EXPECT_DOUBLE_EQ(back->es[2]->height, -40);

    ASSERT_EQ(ino__rename_label(nullptr, server.url(), u"Этикетка 1", u"Новая", user, password), 1);
    EXPECT_TRUE(server.has_label("Новая"));
    ASSERT_EQ(ino__drop_label(nullptr, server.url(), u"Новая", user, password), 1);
    EXPECT_FALSE(server.has_label("Новая"));
    EXPECT_EQ(notice.shown, 4);
}

TEST_F(ServerClient, LoadFailuresAndTheirMessages)
{
    server.answer("labels.load_label", [](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "{s:s}", "desc", "no name");
    });
    EXPECT_FALSE(ino__load_label(server.url(), u"x", user, password));
    expect_one_box(0, u"Vellumo 1.2 | ошибка XMLRPC -502");
    EXPECT_EQ(last_box().caption.find(u"при обращении"), std::u16string::npos);

    server.answer("labels.load_label", [](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "{s:s,s:s,s:d,s:d,s:()}", "name", "n", "desc", "d", "width",
                                  -5.0, "height", 10.0, "fields");
    });
    EXPECT_FALSE(ino__load_label(server.url(), u"x", user, password));
    EXPECT_EQ(last_box().text, u"Ошибка загрузки этикетки!");
    EXPECT_EQ(last_box().caption, u"Vellumo 1.2");

    server.answer("labels.save_label", [](xmlrpc_env *env, xmlrpc_value *) {
        xmlrpc_env_set_fault(env, 13, "read only");
        return static_cast<xmlrpc_value *>(nullptr);
    });
    EXPECT_EQ(ino__save_label(server.url(), sample_label({.name = u"a"}).get(), user, password), 0);
    EXPECT_EQ(last_box().caption, u"Vellumo 1.2 | ошибка XMLRPC 13 при обращении к серверу");
    EXPECT_EQ(last_box().text, u"Сервер ответил ошибкой: read only");
}

TEST_F(ServerClient, TextThatCannotTravelIsRefusedBeforeAnyCall)
{
    label_ptr lab = sample_label({.name = u"emoji \U0001F600"});
    EXPECT_EQ(ino__save_label(server.url(), lab.get(), user, password), 0);
    EXPECT_NE(last_box().text.find(u"название этикетки"), std::u16string::npos);
    EXPECT_FALSE(ino__load_label(server.url(), u"bad\u0001", user, password));
    EXPECT_NE(last_box().text.find(u"имя этикетки содержит символ U+0001"), std::u16string::npos);
    std::vector<unsigned char> img;
    std::u16string log;
    EXPECT_EQ(ino__render_label(server.url(), u"x", {{u"v", u"\U0001F600"}}, 1, 1, false, user,
                                password, img, log),
              0);
    EXPECT_NE(last_box().text.find(u"значение переменной «v»"), std::u16string::npos);
    EXPECT_EQ(notice.shown, 0);
    EXPECT_EQ(server.calls("labels.save_label"), 0);
}

TEST_F(ServerClient, CancelledCallChangesNothing)
{
    server.delay_ms(400);
    notice.cancel_immediately = true;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(ino__list_labels(nullptr, server.url(), user, password));
    auto took = std::chrono::steady_clock::now() - t0;
    expect_one_box(0, u"Vellumo 1.2 | ошибка XMLRPC");
    EXPECT_TRUE(last_box().caption.ends_with(u"при обращении к серверу"));
    EXPECT_EQ(last_box().text, u"Сетевая операция отменена пользователем.");
    EXPECT_LT(took, std::chrono::seconds(5));
    // The next call works normally.
    notice.cancel_immediately = false;
    server.delay_ms(0);
    EXPECT_TRUE(ino__list_labels(nullptr, server.url(), user, password));
}

TEST_F(ServerClient, SlowServerStillAnswersPastTheConnectTimeout)
{
    rpd__set_connect_timeout_ms(300);
    server.delay_ms(1200);
    auto f = ino__list_fonts(server.url(), user, password);
    rpd__set_connect_timeout_ms(RPD_CONNECT_TIMEOUT_S * 1000);
    EXPECT_TRUE(f);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ServerClient, ServerThatNeverAcceptsTimesOut)
{
    // A listener whose queue is full: new connections are never completed.
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    ::listen(fd, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(c, reinterpret_cast<sockaddr *>(&a), sizeof a);
        fillers.push_back(c);
    }
    std::string url = "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/RPC2";
    rpd__set_connect_timeout_ms(1000);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(ino__list_labels(nullptr, plt__from_utf8(url), user, password));
    auto took = std::chrono::steady_clock::now() - t0;
    rpd__set_connect_timeout_ms(RPD_CONNECT_TIMEOUT_S * 1000);
    for (int c : fillers)
        ::close(c);
    ::close(fd);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(last_box().caption, u"Vellumo 1.2 | ошибка XMLRPC -505 при обращении к серверу");
    EXPECT_LT(took, std::chrono::seconds(8));
}
