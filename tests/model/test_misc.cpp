#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "model/misc.h"

TEST(Conversions, IntToStringUsesOneStaticBuffer)
{
    const char16_t *a = msc__int_to_string(-2147483647 - 1);
    EXPECT_EQ(std::u16string(a), u"-2147483648");
    EXPECT_EQ(std::u16string(a).size(), 11u);
    const char16_t *b = msc__int_to_string(42);
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::u16string(a), u"42");
    // The other kinds have buffers of their own.
    const char16_t *d = msc__double_to_string(1.005);
    EXPECT_NE(static_cast<const void *>(d), static_cast<const void *>(a));
    EXPECT_EQ(std::u16string(a), u"42");
}

TEST(Conversions, DoublesIgnoreTheLocaleAndStayInTheirBuffer)
{
    const char *old = std::setlocale(LC_ALL, "ru_RU.UTF-8");
    EXPECT_EQ(std::u16string(msc__double_to_string(-0.5)), u"-0.500000");
    EXPECT_EQ(msc__format(u"%.1f|%5.2f", 2.25, 1.5), u"2.2| 1.50");
    std::setlocale(LC_ALL, "C");
    (void)old;
    // A huge value is cut to the buffer's 100 characters, never overflowing it.
    std::u16string big = msc__double_to_string(1e300);
    EXPECT_EQ(big.size(), 100u);
    EXPECT_EQ(big.substr(0, 2), u"10");
}

TEST(Conversions, FormatHandlesWideAndNarrowStringsAndLimits)
{
    EXPECT_EQ(msc__format(u"%s | ошибка XMLRPC %d", u"Vellumo 1.2", -504),
              u"Vellumo 1.2 | ошибка XMLRPC -504");
    EXPECT_EQ(msc__format(u"[%hs] %%", "узел"), u"[узел] %");
    EXPECT_EQ(msc__format(u"%5s|%-3d|%02X", u"ab", 7, 10), u"   ab|7  |0A");
    EXPECT_EQ(msc__format(u"%s", static_cast<const char16_t *>(nullptr)), u"(null)");
    std::u16string longtext(5000, u'я');
    va_list dummy;
    (void)dummy;
    auto limited = [](const char16_t *fmt, ...) {
        va_list ap;
        va_start(ap, fmt);
        std::u16string s = msc__vformat(fmt, ap, 1023);
        va_end(ap);
        return s;
    };
    EXPECT_EQ(limited(u"%s!", longtext.c_str()).size(), 1023u);
}
