// The server list: its stored form, the credentials asked once per server,
// and the four dialogs driven as a user would against the loopback server.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <fstream>
#include <sstream>

#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "exchange/servers.h"
#include "frame/servers_dialogs.h"
#include "hub/program_state.h"
#include "model/settings.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/label_server.h"
#include "support/modal.h"
#include "support/shots.h"
#include "support/temp_dir.h"
#include "widgets/kit_resources.h"

namespace {

class Servers : public testing::Test {
protected:
    void SetUp() override
    {
        const char *old = std::getenv("XDG_CONFIG_HOME");
        had_ = old != nullptr;
        if (old)
            old_ = old;
        setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
        srv__list().clear();
        rpd__client_init();
    }
    void TearDown() override
    {
        srv__list().clear();
        if (had_)
            setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    static server_list make(const char16_t *address, const char16_t *desc = u"",
                            std::optional<std::u16string> user = std::nullopt)
    {
        server_list s;
        s.address = address;
        s.description = desc;
        s.username = std::move(user);
        return s;
    }
    std::string settings_text()
    {
        std::ifstream f(dir / "ZELTA" / "ORMIK.reg", std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    std::vector<std::u16string> addresses()
    {
        std::vector<std::u16string> out;
        for (const server_list &s : srv__list())
            out.push_back(s.address);
        return out;
    }
    temp_dir dir;
    std::string old_;
    bool had_ = false;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
};

} // namespace

TEST_F(Servers, StoredAsThreeStringsEachAndReadBack)
{
    srv__list().push_back(make(u"http://a/RPC2"));
    srv__list().push_back(make(u"http://b/RPC2", u"Склад", u"иван"));
    srv__list().back().password = u"secret";
    settings::set(settings::default_server, u"http://b/RPC2");
    srv__load_list(); // reads the default server
    srv__list().clear(); // (and, on this first run, offers the local server)
    srv__list().push_back(make(u"http://a/RPC2"));
    srv__list().push_back(make(u"http://b/RPC2", u"Склад", u"иван"));
    srv__list().back().password = u"secret";
    ASSERT_EQ(srv__save_list(), 1);
    EXPECT_EQ(settings::get(settings::server_list),
              (std::vector<std::u16string>{u"http://a/RPC2", u"\t", u"\t", u"http://b/RPC2", u"Склад", u"иван"}));
    EXPECT_EQ(settings_text().find("secret"), std::string::npos);
    srv__list().clear();
    srv__load_list();
    ASSERT_EQ(srv__list().size(), 2u);
    EXPECT_EQ(srv__list().front().description, u"");
    EXPECT_EQ(srv__list().front().username.value_or(u"?"), u"");
    EXPECT_EQ(*srv__list().back().username, u"иван");
    EXPECT_FALSE(srv__list().back().password);
    // The default server is written back unchanged.
    srv__shutdown();
    EXPECT_EQ(*settings::get(settings::default_server), u"http://b/RPC2");
    EXPECT_TRUE(srv__list().empty());
}

TEST_F(Servers, AListCutShortOrBrokenIsReadWithoutGoingPastItsEnd)
{
    EXPECT_EQ(srv__from_stored({u"http://a/", u"\t", u"\t", u"http://b/", u"d"}).size(), 1u);
    EXPECT_EQ(srv__from_stored({u"http://a/", u"\t"}).size(), 0u);
    EXPECT_EQ(srv__from_stored({u"http://a/", u"\t", u"\t", u"", u"x", u"y", u"http://c/", u"\t", u"\t"}).size(),
              1u);
}

TEST_F(Servers, AFirstRunStartsWithTheLocalServerAndAStoredListIsKept)
{
    // No list stored at all: the local server, with no user yet.
    srv__load_list();
    ASSERT_EQ(srv__list().size(), 1u);
    EXPECT_EQ(srv__list().front().address, u"http://127.0.0.1:8390/RPC2");
    EXPECT_EQ(srv__list().front().description, u"Локальный сервер Vellumo");
    EXPECT_FALSE(srv__list().front().username);
    // Written at the end like any other entry.
    srv__shutdown();
    EXPECT_EQ(settings::get(settings::server_list),
              (std::vector<std::u16string>{u"http://127.0.0.1:8390/RPC2", u"Локальный сервер Vellumo", u"\t"}));
    // A list the user emptied stays empty.
    ASSERT_EQ(settings::set(settings::server_list, std::vector<std::u16string>{}), 1);
    srv__load_list();
    EXPECT_TRUE(srv__list().empty());
    srv__shutdown();
    EXPECT_TRUE(settings::find(settings::server_list));
    EXPECT_TRUE(settings::get(settings::server_list).empty());
}

TEST_F(Servers, CredentialsAreAskedOncePerServerAndFirstEntryWins)
{
    scripted_credential_prompt prompt;
    scoped_seam<credential_prompt_service> use(&prompt);
    srv__list().push_back(make(u"http://same/"));
    srv__list().push_back(make(u"http://same/", u"second"));
    std::u16string u, p;
    EXPECT_FALSE(srv__get_credentials(u"http://other/", u, p));
    EXPECT_EQ(prompt.asked, 0); // not configured: no prompt at all
    ASSERT_TRUE(srv__get_credentials(u"http://same/", u, p));
    EXPECT_EQ(u, u"user");
    EXPECT_EQ(p, u"secret");
    ASSERT_TRUE(srv__get_credentials(u"http://same/", u, p));
    EXPECT_EQ(prompt.asked, 1);
    EXPECT_TRUE(srv__list().front().password);
    EXPECT_FALSE(srv__list().back().password);
    srv__set_credentials(u"http://same/", std::nullopt, std::u16string(u"пётр"));
    EXPECT_EQ(*srv__list().front().username, u"пётр");
    EXPECT_EQ(*srv__list().front().password, u"secret");
    srv__set_credentials(u"http://none/", u"x", u"y"); // nothing happens
    // A cancelled prompt gives nothing.
    srv__forget_password(u"http://same/");
    prompt.cancel = true;
    EXPECT_FALSE(srv__get_credentials(u"http://same/", u, p));
    EXPECT_EQ(prompt.asked, 2);
}

TEST_F(Servers, AuthorizationDialogPrefillsTheNameAndEnablesOkOnlyWhenBothAreFilled)
{
    srv__list().push_back(make(u"http://127.0.0.1:1/RPC2", u"", u"оператор"));
    qt_credential_prompt prompt;
    scoped_seam<credential_prompt_service> use(&prompt);
    bool name_filled = false, focus_in_password = false, ok_disabled = false, ok_after_name_cleared = true;
    when_modal_of<auth_dialog>([&](auth_dialog *d) {
        save_shot(d, QStringLiteral("servers-authorization"));
        name_filled = d->name_edit()->text() == QStringLiteral("оператор");
        focus_in_password = d->focusWidget() == d->password_edit();
        ok_disabled = !d->ok_button()->isEnabled();
        QTest::sendKeyEvent(QTest::Click, d->password_edit(), Qt::Key_unknown, QStringLiteral("п"), {});
        d->name_edit()->clear();
        ok_after_name_cleared = d->ok_button()->isEnabled();
        d->name_edit()->setText(QStringLiteral("оператор"));
        EXPECT_TRUE(d->ok_button()->isEnabled());
        d->ok_button()->click();
    });
    std::u16string u, p;
    ASSERT_TRUE(srv__get_credentials(u"http://127.0.0.1:1/RPC2", u, p));
    EXPECT_TRUE(name_filled);
    EXPECT_TRUE(focus_in_password);
    EXPECT_TRUE(ok_disabled);
    EXPECT_FALSE(ok_after_name_cleared);
    EXPECT_EQ(u, u"оператор");
    EXPECT_EQ(p, u"п");

    // No name remembered: the focus starts in the name field; Отмена fails.
    srv__list().push_back(make(u"http://x/"));
    bool focus_in_name = false;
    when_modal_of<auth_dialog>([&](auth_dialog *d) {
        focus_in_name = d->focusWidget() == d->name_edit();
        d->reject();
    });
    EXPECT_FALSE(srv__get_credentials(u"http://x/", u, p));
    EXPECT_TRUE(focus_in_name);
    // An address of no live record ends the dialog at once.
    auth_dialog none(nullptr, u"http://nowhere/");
    EXPECT_FALSE(none.run());
}

TEST_F(Servers, EditThenOkListsTheServerFirstAndAsksAgain)
{
    srv__list().push_back(make(u"http://one/", u"Первый", u"a"));
    srv__list().push_back(make(u"http://two/", u"Второй", u"b"));
    srv__list().back().password = u"pw";
    servers_dialog d(nullptr);
    d.show();
    save_shot(&d, QStringLiteral("servers-list"));
    EXPECT_FALSE(d.button("edit")->isEnabled());
    d.list()->topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(d.button("edit")->isEnabled());
    when_modal_of<server_edit_dialog>([&](server_edit_dialog *e) {
        save_shot(e, QStringLiteral("servers-edit"));
        EXPECT_EQ(e->address_edit()->text(), QStringLiteral("http://two/"));
        e->address_edit()->clear();
        EXPECT_FALSE(e->ok_button()->isEnabled());
        e->address_edit()->setText(QStringLiteral("http://two:8390/RPC2"));
        e->ok_button()->click();
    });
    d.button("edit")->click();
    ASSERT_EQ(d.list()->topLevelItemCount(), 2);
    EXPECT_EQ(d.list()->topLevelItem(0)->text(0), QStringLiteral("http://two:8390/RPC2"));
    EXPECT_EQ(d.list()->topLevelItem(0)->text(1), QStringLiteral("Второй"));
    d.button("ok")->click();
    EXPECT_EQ(addresses(), (std::vector<std::u16string>{u"http://two:8390/RPC2", u"http://one/"}));
    EXPECT_FALSE(srv__list().front().username);
    EXPECT_FALSE(srv__list().front().password);
    EXPECT_EQ(settings::get(settings::server_list).front(), u"http://two:8390/RPC2");
    for (const server_list &s : srv__list())
        EXPECT_EQ(s.edit_mark, server_list::clean);
}

TEST_F(Servers, AddEditCancelLeavesNothingAndDeleteCancelBringsItBack)
{
    srv__list().push_back(make(u"http://one/", u"", u"a"));
    srv__list().front().password = u"pw";
    {
        servers_dialog d(nullptr);
        when_modal_of<server_edit_dialog>([](server_edit_dialog *e) {
            e->address_edit()->setText(QStringLiteral("http://new/"));
            e->ok_button()->click();
        });
        d.button("add")->click();
        ASSERT_EQ(d.list()->topLevelItemCount(), 2);
        d.list()->topLevelItem(0)->setSelected(true);
        when_modal_of<server_edit_dialog>([](server_edit_dialog *e) {
            e->address_edit()->setText(QStringLiteral("http://newer/"));
            e->ok_button()->click();
        });
        d.button("edit")->click();
        EXPECT_EQ(d.list()->topLevelItemCount(), 2); // the added one was replaced, not kept
        d.button("cancel")->click();
    }
    EXPECT_EQ(addresses(), std::vector<std::u16string>{u"http://one/"});
    {
        servers_dialog d(nullptr);
        d.show();
        d.list()->topLevelItem(0)->setSelected(true);
        d.button("delete")->click();
        EXPECT_EQ(d.list()->topLevelItemCount(), 0);
        d.close(); // the title bar's close works as "Отмена"
    }
    ASSERT_EQ(srv__list().size(), 1u);
    EXPECT_EQ(*srv__list().front().password, u"pw");
    EXPECT_EQ(srv__list().front().edit_mark, server_list::clean);
    // Delete, then OK: gone and saved.
    {
        servers_dialog d(nullptr);
        d.list()->topLevelItem(0)->setSelected(true);
        d.button("delete")->click();
        d.button("ok")->click();
    }
    EXPECT_TRUE(srv__list().empty());
    EXPECT_TRUE(settings::get(settings::server_list).empty());
}

TEST_F(Servers, ForgetPasswordStaysForgottenAfterCancel)
{
    srv__list().push_back(make(u"http://one/", u"", u"a"));
    srv__list().front().password = u"pw";
    servers_dialog d(nullptr);
    d.list()->topLevelItem(0)->setSelected(true);
    d.button("forget")->click();
    d.button("cancel")->click();
    EXPECT_FALSE(srv__list().front().password);
    EXPECT_EQ(*srv__list().front().username, u"a");
}

TEST_F(Servers, InformationAndFontsFromTheLoopbackServer)
{
    label_server server;
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice(&notice);
    scripted_credential_prompt prompt;
    scoped_seam<credential_prompt_service> use(&prompt);
    srv__list().push_back(make(server.url().c_str()));
    servers_dialog d(nullptr);
    d.list()->topLevelItem(0)->setSelected(true);

    QStringList features;
    QString name;
    when_modal_of<server_info_dialog>([&](server_info_dialog *info) {
        save_shot(info, QStringLiteral("servers-information"));
        name = info->name_label()->text();
        for (int i = 0; i < info->features()->count(); ++i)
            features << info->features()->item(i)->text();
        info->accept();
    });
    d.button("check")->click();
    EXPECT_FALSE(name.isEmpty());
    QStringList sorted = features;
    sorted.sort();
    EXPECT_EQ(features, sorted);
    EXPECT_EQ(prompt.asked, 1);

    // Fonts: the shared list is replaced and the change broadcast.
    prs__fonts() = {u"Old"};
    d.button("fonts")->click();
    std::vector<std::u16string> expect;
    for (const std::string &f : server.fonts)
        expect.push_back(plt__from_utf8(f));
    EXPECT_EQ(prs__fonts(), expect);
    // An empty answer keeps the old list.
    server.fonts.clear();
    EXPECT_FALSE(cmn__fetch_fonts(server.url()));
    EXPECT_EQ(prs__fonts(), expect);
    EXPECT_EQ(prompt.asked, 1); // asked once for the whole run

    // A failing call ends the information dialog at once, unshown.
    server.answer("labels.server_info", [](xmlrpc_env *env, xmlrpc_value *) -> xmlrpc_value * {
        xmlrpc_env_set_fault(env, 7, "нет");
        return nullptr;
    });
    server_info_dialog info(nullptr, server.url());
    EXPECT_FALSE(info.run());
    EXPECT_FALSE(boxes.shown.empty());
    prs__fonts().clear();
}

TEST_F(Servers, AnAddressThatIsNotAUrlFailsAtCallTime)
{
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice(&notice);
    scripted_credential_prompt prompt;
    scoped_seam<credential_prompt_service> use(&prompt);
    srv__list().push_back(make(u"склад на втором этаже"));
    EXPECT_FALSE(cmn__fetch_fonts(u"склад на втором этаже"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].caption.ends_with(u"при обращении к серверу"));
}

TEST_F(Servers, NoPasswordEverReachesTheSettingsFile)
{
    label_server server;
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice(&notice);
    scripted_credential_prompt prompt;
    prompt.password = u"очень-секретный-пароль";
    scoped_seam<credential_prompt_service> use(&prompt);
    srv__list().push_back(make(server.url().c_str(), u"Локальный"));
    std::u16string u, p;
    ASSERT_TRUE(srv__get_credentials(server.url(), u, p));
    ASSERT_TRUE(cmn__fetch_fonts(server.url()));
    {
        servers_dialog d(nullptr);
        d.button("ok")->click();
    }
    cmn__shutdown();
    srv__shutdown();
    std::string text = settings_text();
    EXPECT_NE(text.find("server-list"), std::string::npos);
    // Neither as text nor as the hex of its UTF-16 form.
    EXPECT_EQ(text.find("очень"), std::string::npos);
    std::string hex;
    for (char16_t c : std::u16string(u"оч")) {
        char b[16];
        std::snprintf(b, sizeof b, "%02x,%02x,", c & 0xFF, c >> 8);
        hex += b;
    }
    EXPECT_EQ(text.find(hex), std::string::npos);
}
