// The web page's sessions: when they end, how many there may be, and the
// token read out of what a browser (or anyone) sends as its Cookie field.
#include <gtest/gtest.h>

#include <set>

#include "server/web_sessions.h"

using namespace std::chrono_literals;

TEST(WebSessions, EndAfterIdleTimeOrLifetimeAndOnClosing)
{
    web_sessions s(16, 12h, 48h);
    const auto t0 = web_sessions::clock::now();
    const std::string a = s.open("anna", t0), b = s.open("boris", t0);
    EXPECT_EQ(a.size(), 64u);
    EXPECT_NE(a, b);
    EXPECT_EQ(s.user_of(a, t0 + 1s), "anna");

    // Used every 11 hours, anna's lasts to its lifetime; boris, untouched,
    // is gone after 12 idle hours.
    auto t = t0;
    for (int i = 0; i < 4; ++i) {
        t += 11h;
        EXPECT_EQ(s.user_of(a, t), "anna") << i;
    }
    EXPECT_EQ(s.user_of(b, t0 + 12h), std::nullopt);
    EXPECT_EQ(s.user_of(a, t0 + 48h), std::nullopt);
    EXPECT_EQ(s.size(), 0u);

    const std::string c = s.open("anna", t);
    s.close(c);
    EXPECT_EQ(s.user_of(c, t), std::nullopt);
    s.close("not a token"); // nothing to end
}

TEST(WebSessions, PastCapacityTheLeastRecentlyUsedGoes)
{
    web_sessions s(3);
    const auto t0 = web_sessions::clock::now();
    const std::string a = s.open("a", t0), b = s.open("b", t0 + 1s), c = s.open("c", t0 + 2s);
    ASSERT_TRUE(s.user_of(a, t0 + 3s)); // a used last now: b is the oldest
    const std::string d = s.open("d", t0 + 4s);
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(s.user_of(b, t0 + 5s), std::nullopt);
    EXPECT_EQ(s.user_of(a, t0 + 5s), "a");
    EXPECT_EQ(s.user_of(c, t0 + 5s), "c");
    EXPECT_EQ(s.user_of(d, t0 + 5s), "d");

    // Thousands of sign-ins keep the bound.
    std::set<std::string> tokens;
    for (int i = 0; i < 5000; ++i)
        tokens.insert(s.open("x", t0 + 6s));
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(tokens.size(), 5000u);
}

TEST(WebSessions, OnlyTheExactTokenOpensItsSession)
{
    web_sessions s;
    const std::string a = s.open("anna");
    std::string upper = a;
    for (char &ch : upper)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    for (const std::string &forged :
         {a.substr(0, 63), a + "0", upper, std::string(64, '0'), std::string(), a.substr(0, 32) + std::string(32, 'g')})
        EXPECT_EQ(s.user_of(forged), std::nullopt) << forged;
    EXPECT_EQ(s.user_of(a), "anna");
}

TEST(WebSessions, TheTokenOfACookieField)
{
    const std::string t(64, 'a');
    for (auto [field, want] : std::initializer_list<std::pair<std::string, std::string>>{
             {"vellumo_session=" + t, t},
             {"theme=dark; vellumo_session=" + t + "; lang=ru", t},
             {"  vellumo_session=\"" + t + "\"  ", t},
             {"x_vellumo_session=" + t, ""},
             {"vellumo_session_old=" + t + "; vellumo_session=b", "b"},
             {"vellumo_session", ""},
             {"=;;=; ;vellumo_session=", ""},
             {"", ""},
             {"vellumo_session=a; vellumo_session=b", "a"},
         })
        EXPECT_EQ(web_sessions::token_in(field), want) << field;
}
