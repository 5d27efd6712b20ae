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
    EXPECT_EQ(msc__format(u"%{1:.1f}|%{2:5.2f}|%{3:.10g}", 2.25, 1.5, 1e21 / 3), u"2.2| 1.50|3.333333333e+20");
    std::setlocale(LC_ALL, "C");
    (void)old;
    // A huge value is cut to the buffer's 100 characters, never overflowing it.
    std::u16string big = msc__double_to_string(1e300);
    EXPECT_EQ(big.size(), 100u);
    EXPECT_EQ(big.substr(0, 2), u"10");
}

TEST(Format, TextsAndIntegersInAnyOrderAndMoreThanOnce)
{
    EXPECT_EQ(msc__format(u"%1 | ошибка XMLRPC %2", u"Vellumo 1.2", -504), u"Vellumo 1.2 | ошибка XMLRPC -504");
    // A translation reorders and repeats; the arguments stay as the code passes them.
    EXPECT_EQ(msc__format(u"%2: %1, %2 again; %1%1", u"a", 7), u"7: a, 7 again; aa");
    EXPECT_EQ(msc__format(u"[%1] 100%% %%1", "узел"), u"[узел] 100% %1");
    // The plain form in braces lets a digit follow an argument.
    EXPECT_EQ(msc__format(u"%{1:}0%2", 5, 6), u"506");
    // Null texts of both kinds.
    EXPECT_EQ(msc__format(u"%1/%2", static_cast<const char16_t *>(nullptr), static_cast<const char *>(nullptr)),
              u"(null)/(null)");
    // Integer types of every width and sign, printed as their own values.
    EXPECT_EQ(msc__format(u"%1 %2 %3 %4", -2147483647 - 1, 4294967295u, -9000000000L, std::size_t{18}),
              u"-2147483648 4294967295 -9000000000 18");
    EXPECT_EQ(msc__format(u"no placeholders"), u"no placeholders");
}

TEST(Format, WidthPrecisionAndHexOfNumbers)
{
    EXPECT_EQ(msc__format(u"U+%{1:04X} U+%{2:04X} %{3:X}", 0xE9u, 0x1F600u, 255), u"U+00E9 U+1F600 FF");
    // Hex of a negative number is its value in its own width.
    EXPECT_EQ(msc__format(u"%{1:X} %{2:X}", -1, static_cast<short>(-2)), u"FFFFFFFF FFFE");
    EXPECT_EQ(msc__format(u"-%{1:04}|%{2:5}|%{3:04}", 7L, 42, -5), u"-0007|   42|-005");
    EXPECT_EQ(msc__format(u"%{1:.10g} × %{2:.10g}", 14400.5, 1.0 / 3), u"14400.5 × 0.3333333333");
    EXPECT_EQ(msc__format(u"%{1:08.3f}|%{2:f}", -1.5, 0.25), u"-001.500|0.250000");
    // A number longer than any buffer comes out whole.
    EXPECT_EQ(msc__format(u"%{1:.0f}", 1e300).size(), 301u);
}

TEST(Format, LimitsAndFormatsPassedOn)
{
    std::u16string longtext(5000, u'я');
    EXPECT_EQ(msc__format_limited(1023, u"%1!", longtext.c_str()), longtext.substr(0, 1023));
    EXPECT_EQ(msc__format_limited(3, u"ab%1", 12345), u"ab1");
    EXPECT_EQ(msc__format(u"%1!", longtext.c_str()).size(), 5001u);
    // A format kept in a variable or a table is checked where it is made.
    const msc__fmt<int, const char16_t *> where = u"элемент %1 «%2»";
    EXPECT_EQ(msc__format(where, 3, u"Цена"), u"элемент 3 «Цена»");
    const msc__fmt<int> none = nullptr;
    EXPECT_EQ(msc__format(none, 1), u"");
}
