#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "model/list.h"
#include "model/misc.h"
#include "model/xmalloc.h"
#include "support/temp_dir.h"

TEST(Conversions, IntToStringUsesOneStaticBuffer)
{
    const char16_t *a = msc__int_to_string(-2147483647 - 1);
    EXPECT_EQ(std::u16string(a), u"-2147483648");
    EXPECT_EQ(std::u16string(a).size(), 11u);
    const char16_t *b = msc__int_to_string(42);
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::u16string(a), u"42");
    // The other kinds have buffers of their own.
    const char16_t *d = msc__double_to_string2(1.005);
    EXPECT_NE(static_cast<const void *>(d), static_cast<const void *>(a));
    EXPECT_EQ(std::u16string(a), u"42");
}

TEST(Conversions, DoublesIgnoreTheLocaleAndStayInTheirBuffer)
{
    const char *old = std::setlocale(LC_ALL, "ru_RU.UTF-8");
    EXPECT_EQ(std::u16string(msc__double_to_string2(3.14159)), u"3.14");
    EXPECT_EQ(std::u16string(msc__double_to_string(-0.5)), u"-0.500000");
    EXPECT_EQ(msc__format(u"%.1f|%5.2f", 2.25, 1.5), u"2.2| 1.50");
    std::setlocale(LC_ALL, "C");
    (void)old;
    // A huge value is cut to the buffer's 100 characters, never overflowing it.
    std::u16string big = msc__double_to_string(1e300);
    EXPECT_EQ(big.size(), 100u);
    EXPECT_EQ(big.substr(0, 2), u"10");
}

TEST(Conversions, RoundAddsHalfAndTruncates)
{
    EXPECT_EQ(msc__round(2.5), 3.0);
    EXPECT_EQ(msc__round(-1.7), -1.0);
    EXPECT_EQ(msc__round(-0.2), 0.0);
    EXPECT_EQ(msc__round(2.49), 2.0);
}

TEST(Conversions, Utf8RoundTripAndIllFormedInput)
{
    std::u16string s = u"Этикетка <&> \U0001F600 tab\t";
    EXPECT_EQ(msc__from_utf8(msc__to_utf8(s)), s);
    EXPECT_EQ(msc__to_utf8(u"Ж"), "\xD0\x96");
    // A lone surrogate and bad bytes become U+FFFD instead of failing.
    std::u16string lone = u"a";
    lone += static_cast<char16_t>(0xD800);
    EXPECT_EQ(msc__to_utf8(lone), "a\xEF\xBF\xBD");
    EXPECT_EQ(msc__from_utf8("x\xC0\xAFy\xE0"), u"x\uFFFD\uFFFDy\uFFFD");
    EXPECT_EQ(msc__from_ansi(msc__to_ansi(u"адрес")), u"адрес");
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

TEST(Blobs, WriteReadReplaceAndEmpty)
{
    temp_dir dir;
    std::u16string p = u16(dir / "a.bin");
    std::string data = "first contents, long";
    ASSERT_EQ(msc__write_blob(p, data.data(), data.size()), 1);
    ASSERT_EQ(msc__write_blob(p, "xy", 2), 1); // replaces, not overlays
    std::vector<unsigned char> out;
    ASSERT_EQ(msc__read_blob(p, out), 1);
    EXPECT_EQ(std::string(out.begin(), out.end()), "xy");

    std::u16string empty = u16(dir / "empty");
    ASSERT_EQ(msc__write_blob(empty, "", 0), 1);
    out.assign(3, 'z');
    ASSERT_EQ(msc__read_blob(empty, out), 1);
    EXPECT_TRUE(out.empty());
}

TEST(Blobs, FailuresReportZeroWithErrno)
{
    temp_dir dir;
    std::vector<unsigned char> out{1, 2};
    errno = 0;
    EXPECT_EQ(msc__read_blob(u16(dir / "missing"), out), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(out.size(), 2u);
    EXPECT_EQ(msc__read_blob(u16(dir.path()), out), 0);
    EXPECT_EQ(msc__write_blob(u16(dir / "no" / "such" / "dir"), "x", 1), 0);
    EXPECT_EQ(errno, ENOENT);
}

namespace {
int g_destroyed = 0;
void count_destroy(void *p)
{
    ++g_destroyed;
    xfree(p);
}
int value(list *n)
{
    return *static_cast<int *>(n->data);
}
void *new_int(int v)
{
    auto *p = static_cast<int *>(xmalloc(sizeof(int)));
    *p = v;
    return p;
}
} // namespace

TEST(Lists, PrependAppendRemoveFree)
{
    list *l = lst__append(nullptr, new_int(1));
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->next, nullptr);
    l = lst__append(l, new_int(2));
    l = lst__prepend(l, new_int(0));
    list *single = lst__prepend(nullptr, new_int(9));
    EXPECT_EQ(single->next, nullptr);
    lst__free(single, xfree);

    ASSERT_EQ(value(l), 0);
    ASSERT_EQ(value(l->next), 1);
    ASSERT_EQ(value(l->next->next), 2);

    list *second = l->next;
    g_destroyed = 0;
    l = lst__remove(l, l->data, count_destroy);
    EXPECT_EQ(l, second);
    EXPECT_EQ(g_destroyed, 1);
    l = lst__remove(l, l->next->data, count_destroy); // the last node
    EXPECT_EQ(l->next, nullptr);
    EXPECT_EQ(value(l), 1);
    lst__free(l, count_destroy);
    EXPECT_EQ(g_destroyed, 3);
}
