// GS1 data given raw, as marking systems export it, turned into the
// bracketed form: where each value ends, and what is refused.
#include <gtest/gtest.h>

#include "model/gs1_data.h"

namespace {

const std::string gs(1, GS1_GS);

TEST(Gs1Data, ValuesEndAtTheirLengthOrAtAGroupSeparator)
{
    struct {
        std::string raw, bracketed;
    } cases[] = {
        // A marking code: 01 fixed, 21 up to GS, 91 up to GS, 92 to the end;
        // a serial holding digits that look like AIs stays one value.
        {"0104601234567893" "21ABC9192" + gs + "91EE06" + gs + "92tail=", "[01]04601234567893[21]ABC9192[91]EE06[92]tail="},
        // A GS in front (FNC1 in some exports), after a fixed value, and
        // at the end are allowed.
        {gs + "0104601234567893" + gs + "21X" + gs, "[01]04601234567893[21]X"},
        // Four-digit and three-digit AIs; 3103 is fixed, 8005 is not.
        {"3103000750" "8005000120" + gs + "2401P(1)", "[3103]000750[8005]000120[240]1P(1)"},
        {"0104601234567893" "17261231" "10LOT", "[01]04601234567893[17]261231[10]LOT"},
    };
    for (const auto &c : cases) {
        std::string out, error;
        EXPECT_TRUE(gs1__raw_to_bracketed(c.raw, out, error)) << c.raw << ": " << error;
        EXPECT_EQ(out, c.bracketed);
    }
}

TEST(Gs1Data, DataThatIsNotGs1IsRefusedWithWhere)
{
    struct {
        std::string raw, why;
    } cases[] = {
        {"01046012345678", "(01) должно быть 14"},             // cut short
        {"010460123" + gs + "45678931", "(01) должно быть 14"}, // GS inside a fixed value
        {"0104601234567893" "21" + gs + "91AB", "(21) пустое"},
        {"0104601234567893" "21A" + gs + gs + "91AB", "в позиции 21 нет идентификатора"},
        {"0104601234567893" "27ABC", "в позиции 17 нет идентификатора"}, // no AI starts with 27
        {"0104601234567893" "800", "оборван"},
        {"0104601234567893" "21A]B", "недопустимый знак"}, // a bracket would start an AI
        {"0104601234567893" "21A B", "недопустимый знак"},
        {"0104601234567893" "21\xD0\x96", "недопустимый знак"},
        {gs, "нет данных"},
        {"", "нет данных"},
    };
    for (const auto &c : cases) {
        std::string out, error;
        EXPECT_FALSE(gs1__raw_to_bracketed(c.raw, out, error)) << c.raw;
        EXPECT_NE(error.find(c.why), std::string::npos) << c.raw << ": " << error;
    }
    EXPECT_TRUE(gs1__looks_raw("0104601234567893"));
    EXPECT_TRUE(gs1__looks_raw("ABC" + gs));
    EXPECT_FALSE(gs1__looks_raw("010460123456789")); // 15: plain text
    EXPECT_FALSE(gs1__looks_raw("0204601234567893"));
}

} // namespace
