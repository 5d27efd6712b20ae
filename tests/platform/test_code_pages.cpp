#include <gtest/gtest.h>

#include <string>

#include "platform/code_pages.h"

TEST(CodePages, Utf8RoundTripAndIllFormedInput)
{
    std::u16string s = u"Этикетка <&> \U0001F600 tab\t";
    EXPECT_EQ(plt__from_utf8(plt__to_utf8(s)), s);
    EXPECT_EQ(plt__to_utf8(u"Ж"), "\xD0\x96");
    // A lone surrogate and bad bytes become U+FFFD instead of failing.
    std::u16string lone = u"a";
    lone += static_cast<char16_t>(0xD800);
    EXPECT_EQ(plt__to_utf8(lone), "a\xEF\xBF\xBD");
    EXPECT_EQ(plt__from_utf8("x\xC0\xAFy\xE0"), u"x\uFFFD\uFFFDy\uFFFD");
    EXPECT_EQ(plt__from_ansi(plt__to_ansi(u"адрес")), u"адрес");
}
