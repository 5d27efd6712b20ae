#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hub/program_state.h"
#include "model/settings.h"
#include "support/settings_home.h"

TEST(ProgramState, FontAndVariableListsPersistByTheirRules)
{
    settings_home s;
    settings::set(settings::font_list, {u"Arial", u"Times"});
    settings::set(settings::variables_list, {u"price", u"100", u"empty", u"", u"orphan"});
    prs__load();
    EXPECT_EQ(prs__fonts(), (std::vector<std::u16string>{u"Arial", u"Times"}));
    ASSERT_EQ(prs__variables().size(), 2u); // the name without a value is dropped
    EXPECT_EQ(prs__variables()[1].name, u"empty");
    EXPECT_EQ(prs__variables()[1].value, u"");
    // An empty font list at shutdown leaves the stored one as it was.
    prs__fonts().clear();
    prs__variables().push_back({u"new", u"1"});
    prs__save();
    EXPECT_EQ(settings::get(settings::font_list), (std::vector<std::u16string>{u"Arial", u"Times"}));
    EXPECT_EQ(settings::get(settings::variables_list),
              (std::vector<std::u16string>{u"price", u"100", u"empty", u"", u"new", u"1"}));
    EXPECT_TRUE(prs__fonts().empty());
    EXPECT_TRUE(prs__variables().empty());
}

