// The request pre-scan, the memory budget and the log's handling of client
// text, on their own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <tuple>

#include "exchange/xmlrpc_support.h"
#include "server/http.h"
#include "server/log.h"
#include "server/methods.h"
#include "server/prescan.h"
#include "server/service.h"

namespace {

std::string values(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "<value/>";
    return s;
}

std::string members(int n)
{
    std::string s = "<struct>";
    for (int i = 0; i < n; ++i)
        s += "<member><name>k" + std::to_string(i) + "</name><value><i4>1</i4></value></member>";
    return s + "</struct>";
}

bool scan(const std::string &xml, const request_limits &limits, request_shape &shape, std::string &why)
{
    return lsv__prescan(xml.data(), xml.size(), limits, shape, why);
}

} // namespace

TEST(RequestPrescan, CountsValuesAndMembersAsTheParserWillSeeThem)
{
    request_limits limits;
    limits.max_values = 100;
    limits.max_members = 10;
    request_shape shape;
    std::string why;

    // Values of every spelling; members only directly in structs.
    ASSERT_TRUE(scan("<?xml version='1.0'?><methodCall><params><param><value><array><data>" + values(3) +
                         "<value ></value><value\n/><value attr='>'>x</value></data></array></value></param></params>"
                         "</methodCall>",
                     limits, shape, why));
    EXPECT_EQ(shape.values, 7u);
    EXPECT_EQ(shape.members, 0u);
    ASSERT_TRUE(scan("<value>" + members(4) + "</value><array><member/></array>", limits, shape, why));
    EXPECT_EQ(shape.members, 4u);
    EXPECT_EQ(shape.values, 5u);
    EXPECT_EQ(shape.largest_struct, 4u);
    EXPECT_EQ(shape.member_pairs, 6u); // 0+1+2+3

    // Nothing in comments, CDATA sections or processing instructions.
    ASSERT_TRUE(scan("<!--" + values(500) + "--><![CDATA[" + values(500) + "]]><?pi " + values(500) + "?>" +
                         "<value>" + values(2) + "</value>",
                     limits, shape, why));
    EXPECT_EQ(shape.values, 3u);

    // Names that only begin like the counted ones are not counted.
    ASSERT_TRUE(scan("<values/><valuex/><members/><struct><memberx/></struct>", limits, shape, why));
    EXPECT_EQ(shape.values, 0u);
    EXPECT_EQ(shape.members, 0u);
}

TEST(RequestPrescan, RefusesAtEachLimitAndNotBefore)
{
    request_limits limits;
    limits.max_values = 100;
    limits.max_members = 10;
    request_shape shape;
    std::string why;

    EXPECT_TRUE(scan(values(100), limits, shape, why));
    EXPECT_FALSE(scan(values(101), limits, shape, why));
    EXPECT_NE(why.find("100"), std::string::npos) << why;
    // Members count against the values' limit too: 10 members and their 10
    // values, plus the struct's own value, in five structs...
    std::string five;
    for (int i = 0; i < 4; ++i)
        five += "<value>" + members(10) + "</value>";
    EXPECT_TRUE(scan(five, limits, shape, why)) << why; // 4 × 21 = 84
    EXPECT_FALSE(scan(five + "<value>" + members(10) + "</value>", limits, shape, why));

    // Members per struct, counted per struct even when nested.
    limits.max_values = 1000000;
    EXPECT_TRUE(scan(members(10), limits, shape, why));
    EXPECT_FALSE(scan(members(11), limits, shape, why));
    EXPECT_NE(why.find("10 полей"), std::string::npos) << why;
    const std::string nested = "<struct><member><name>a</name><value>" + members(10) +
                               "</value></member><member><name>b</name><value/></member></struct>";
    EXPECT_TRUE(scan(nested, limits, shape, why)) << why;
    EXPECT_EQ(shape.largest_struct, 10u);

    // Comparisons summed over structs: 45 for a struct of ten.
    limits.max_member_pairs = 100;
    EXPECT_TRUE(scan(members(10) + members(10), limits, shape, why));
    EXPECT_EQ(shape.member_pairs, 90u);
    EXPECT_FALSE(scan(members(10) + members(10) + members(10), limits, shape, why));
    EXPECT_NE(why.find("сравнений"), std::string::npos) << why;
}

TEST(RequestPrescan, MemoryEstimatesCoverTheShapesThatCostMost)
{
    request_limits limits;
    request_shape shape;
    shape.values = 1000;
    shape.members = 500;
    // The document, its text twice, and the values and members.
    EXPECT_EQ(lsv__parse_memory(1000, shape), 3000u + 440u * 1000 + 700u * 500);
    // Before the body: values are at most one per 8 bytes and at most the
    // limit, half of them members at worst; 8-bit text may double.
    EXPECT_EQ(lsv__parse_memory_at_most(800, limits), 6u * 800 + 440u * 50 + 700u * 50);
    const std::size_t big = 127u << 20;
    EXPECT_EQ(lsv__parse_memory_at_most(big, limits), 6u * big + 440u * 500000 + 700u * 500000);
}

TEST(ServerLog, ClientTextIsCutAndEscaped)
{
    EXPECT_EQ(lsv__client_text(std::string("anna")), "anna");
    EXPECT_EQ(lsv__client_text(std::string("a\nb\rc\td\\e")), "a\\nb\\rc\\td\\\\e");
    EXPECT_EQ(lsv__client_text(std::string("\x1b[31m\x7f")), "\\x1B[31m\\x7F");
    EXPECT_EQ(lsv__client_text(std::string("x\xC2\x85y\xE2\x80\xA8z\xE2\x80\xAEw")), "x\\x85y\\u2028z\\u202Ew");
    // Bytes that are not UTF-8 (a lone continuation byte, a cut sequence,
    // an overlong form, a surrogate) are shown as bytes.
    EXPECT_EQ(lsv__client_text(std::string("a\x80" "b\xD0")), "a\\x80b\\xD0");
    EXPECT_EQ(lsv__client_text(std::string("\xC0\xAF")), "\\xC0\\xAF");
    EXPECT_EQ(lsv__client_text(std::string("\xED\xA0\x80")), "\\xED\\xA0\\x80");
    // 200 characters (not bytes), then "…".
    std::string cyrillic;
    for (int i = 0; i < 250; ++i)
        cyrillic += "я";
    const std::string cut = lsv__client_text(cyrillic);
    EXPECT_EQ(cut, cyrillic.substr(0, 400) + "…");
    EXPECT_EQ(lsv__client_text(cyrillic.substr(0, 400)), cyrillic.substr(0, 400));
    EXPECT_EQ(lsv__client_text(std::string(100 << 20, 'x')).size(), 200u + 3);
    std::string two_hundred;
    for (int i = 0; i < 200; ++i)
        two_hundred += "ж";
    EXPECT_EQ(lsv__client_text(std::u16string(1 << 20, u'ж')), two_hundred + "…");
    EXPECT_EQ(lsv__client_text(std::u16string(u"тест\n")), "тест\\n");
}

TEST(MemoryBudget, WaitersAreServedInOrderAndThoseWhoGaveUpArePassedOver)
{
    memory_budget budget(100);
    std::atomic<bool> stopping{false};
    std::size_t a = 60;
    ASSERT_TRUE(budget.acquire(a, 1000, stopping));
    std::size_t too_much = 500; // never more than the whole budget
    std::atomic<int> b_got{-1}, c_got{-1};
    std::size_t b = 60, c = 10;
    std::thread tb([&] { b_got = budget.acquire(b, 20000, stopping); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // C would fit, but B is first in line; C gives up.
    std::thread tc([&] { c_got = budget.acquire(c, 200, stopping); });
    tc.join();
    EXPECT_EQ(c_got, 0);
    budget.release(a);
    tb.join();
    EXPECT_EQ(b_got, 1);
    EXPECT_EQ(budget.in_use(), 60u);
    // The line moves on past C's place.
    std::size_t d = 40;
    EXPECT_TRUE(budget.acquire(d, 20000, stopping));
    budget.release(b);
    budget.release(d);
    EXPECT_TRUE(budget.acquire(too_much, 1000, stopping));
    EXPECT_EQ(too_much, 100u);
    // A stopping server wakes every waiter with a refusal.
    std::atomic<int> e_got{-1};
    std::size_t e = 1;
    std::thread te([&] { e_got = budget.acquire(e, 60000, stopping); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stopping = true;
    budget.wake_all();
    te.join();
    EXPECT_EQ(e_got, 0);
    budget.release(too_much);
    EXPECT_EQ(budget.in_use(), 0u);
}

TEST(MemoryBudget, AWaiterWhoseClientLeftGivesUpItsPlace)
{
    memory_budget budget(100);
    std::atomic<bool> stopping{false};
    std::size_t held = 100;
    ASSERT_TRUE(budget.acquire(held, 1000, stopping));
    std::atomic<bool> left{false};
    std::atomic<int> got{-1};
    std::size_t wanted = 50;
    // Waits far longer than the test runs unless leaving ends the wait.
    std::thread waiter([&] { got = budget.acquire(wanted, 600000, stopping, [&] { return left.load(); }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(got, -1);
    left = true;
    waiter.join();
    EXPECT_EQ(got, 0);
    // Its place in the line is passed over: the next one is served.
    budget.release(held);
    std::size_t next = 100;
    EXPECT_TRUE(budget.acquire(next, 1000, stopping));
    budget.release(next);
    EXPECT_EQ(budget.in_use(), 0u);
}

TEST(CallMemory, ACallPastItsTimeIsTimedOutAndOneThatWaitedInVainIsBusy)
{
    int asked = 0;
    bool grant = false;
    http_call call;
    call.reserve = [&](std::size_t, int) {
        ++asked;
        return grant;
    };
    auto fault_of = [](lsv_methods::call_context &c, std::size_t bytes) {
        ino_env env;
        const bool held = c.hold(&env.env, bytes, u"Документ не построен");
        return held ? std::pair<int, std::string>{0, ""}
                    : std::pair<int, std::string>{env.env.fault_code, env.env.fault_string};
    };
    // Its time was over before it asked (its parameters took it all): the
    // timeout, not a busy server, and nothing is asked of the budget.
    lsv_methods::call_context over(call, 0);
    auto [code, text] = fault_of(over, 1000);
    EXPECT_EQ(code, LSV_FAULT_TIMEOUT) << text;
    EXPECT_NE(text.find("--call-timeout"), std::string::npos) << text;
    EXPECT_EQ(asked, 0);
    // With time left: the budget answers; a refusal is a busy server.
    lsv_methods::call_context timely(call, 600);
    std::tie(code, text) = fault_of(timely, 1000);
    EXPECT_EQ(code, LSV_FAULT_BUSY) << text;
    EXPECT_NE(text.find("сервер занят"), std::string::npos) << text;
    EXPECT_EQ(asked, 1);
    grant = true;
    EXPECT_EQ(fault_of(timely, 1000).first, 0);
    EXPECT_EQ(fault_of(timely, 500).first, 0); // already held
    EXPECT_EQ(asked, 2);
}
