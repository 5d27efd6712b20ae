// Formats translated before they are filled: a translation may reorder the
// arguments, and one that does not fit them gives way to the Russian.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "model/misc.h"
#include "platform/translation.h"

namespace {

// The translations of a test: source text → translation.
std::map<std::u16string, std::u16string> &table()
{
    static std::map<std::u16string, std::u16string> t;
    return t;
}

const char16_t *fake_lookup(const char16_t *source)
{
    const auto it = table().find(source);
    return it == table().end() ? nullptr : it->second.c_str();
}

using texts = std::map<std::u16string, std::u16string>;

struct with_translation {
    explicit with_translation(texts t)
    {
        table() = std::move(t);
        prev = pl__set_translator(fake_lookup);
    }
    ~with_translation()
    {
        pl__set_translator(prev);
        table().clear();
    }
    pl_translator prev;
};

} // namespace

TEST(Translation, TextsAsWrittenWithoutATranslation)
{
    EXPECT_EQ(std::u16string(pl__tr(VL_TR("vellumo", "Файл"))), u"Файл");
    EXPECT_EQ(pl__tr(nullptr), nullptr);
    with_translation en(texts{{u"Файл", u"File"}});
    EXPECT_EQ(std::u16string(pl__tr(VL_TR("vellumo", "Файл"))), u"File");
    EXPECT_EQ(std::u16string(pl__tr(u"Лист")), u"Лист"); // none for it
}

TEST(Translation, FormatTranslatedBeforeItIsFilled)
{
    with_translation en(texts{
        {u"Файл «%1» не записан: %2.", u"File “%1” was not written: %2."},
        // Another order, an argument twice, a spec kept.
        {u"Строка %1: %2", u"%2 (row %1, again %1)"},
        {u"%{1:.2f} мм", u"%{1:.2f} mm"},
    });
    EXPECT_EQ(msc__format(VL_TR("vellumo", "Файл «%1» не записан: %2."), "a.pdf", u"нет места"),
              u"File “a.pdf” was not written: нет места.");
    EXPECT_EQ(msc__format(VL_TR("vellumo", "Строка %1: %2"), 7, u"x"), u"x (row 7, again 7)");
    EXPECT_EQ(msc__format(VL_TR("vellumo", "%{1:.2f} мм"), 2.5), u"2.50 mm");
}

// A translation file is outside data: whatever it holds, the message keeps
// every argument and nothing reads past them.
TEST(Translation, TranslationThatDoesNotFitGivesWayToTheSource)
{
    with_translation bad(texts{
        {u"Строка %1: %2", u"Row %1"},                 // an argument lost
        {u"Лист %1", u"Sheet %2"},                     // past the last argument
        {u"Копий: %1", u"Copies: %{1:.2f}"},           // a real's spec on an integer
        {u"Путь %1", u"Path %{1:"},                    // cut short
        {u"Имя %1", u"Name %"},                        // a lone percent sign at the end
        {u"Код %1", u"Code %{1:04X}"},                 // a spec a text does not take
        {u"Всего %1", u""},                            // empty
    });
    EXPECT_EQ(msc__format(VL_TR("vellumo", "Строка %1: %2"), 3, u"z"), u"Строка 3: z");
    EXPECT_EQ(msc__format(VL_TR("vellumo", "Лист %1"), 1), u"Лист 1");
    EXPECT_EQ(msc__format(VL_TR("vellumo", "Копий: %1"), 4), u"Копий: 4");
    EXPECT_EQ(msc__format(VL_TR("vellumo", "Путь %1"), "/tmp"), u"Путь /tmp");
    EXPECT_EQ(msc__format(VL_TR("vellumo", "Имя %1"), "n"), u"Имя n");
    EXPECT_EQ(msc__format(VL_TR("vellumo", "Код %1"), u"A"), u"Код A");
    EXPECT_EQ(msc__format(VL_TR("vellumo", "Всего %1"), 2), u"Всего 2");
}

// The network client's messages are printf formats filled by the XML-RPC
// library: a translation that would read the arguments otherwise (a %d
// turned %s, a conversion lost or added) must never be used.
TEST(Translation, PrintfFormatKeepsItsConversionsOrGivesWay)
{
    with_translation en(texts{
        {u"Сервер не ответил за %d с.", u"No answer in %d s."},
        {u"Код HTTP %ld, строка %s.", u"HTTP code %s, line %ld."}, // swapped: would read a long as a pointer
        {u"Символ U+%04X.", u"Character U+%04X."},
        {u"Больше %u МиБ.", u"More than MiB."},                 // one lost
        {u"Готово.", u"Done (%s)."},                              // one added
        {u"Текст", u"Text"},
    });
    EXPECT_EQ(pl__tr_printf(VL_TR8("vellumo", "Сервер не ответил за %d с.")), "No answer in %d s.");
    EXPECT_EQ(pl__tr_printf(VL_TR8("vellumo", "Символ U+%04X.")), "Character U+%04X.");
    EXPECT_EQ(pl__tr_printf("Код HTTP %ld, строка %s."), "Код HTTP %ld, строка %s.");
    EXPECT_EQ(pl__tr_printf("Больше %u МиБ."), "Больше %u МиБ.");
    EXPECT_EQ(pl__tr_printf("Готово."), "Готово.");
    EXPECT_EQ(pl__tr8("Текст"), "Text");
    EXPECT_EQ(pl__tr8(static_cast<const char *>(nullptr)), "");
    EXPECT_EQ(pl__tr_printf(nullptr), "");
}
