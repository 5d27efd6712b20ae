#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "model/list.h"
#include "model/misc.h"
#include "model/xmalloc.h"

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
