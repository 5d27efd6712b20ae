// The open and save dialog with its two tabs, against a loopback label
// server and real files, and the save and open procedures around it.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include "exchange/inout.h"
#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "exchange/servers.h"
#include "frame/opensave_dialog.h"
#include "frame/renamedlg.h"
#include "hub/opensave.h"
#include "hub/recent.h"
#include "platform/beep.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/file_dialog.h"
#include "support/label_server.h"
#include "frame/frame.h"
#include "model/settings.h"
#include "support/hub_fakes.h"
#include "support/modal.h"
#include "support/scoped_env.h"
#include "support/shots.h"
#include "support/temp_dir.h"

namespace {

class OpenSave : public testing::Test {
protected:
    void SetUp() override
    {
        rpd__client_init();
        srv__list().clear();
        server_list s;
        s.address = server.url();
        s.description = u"Склад";
        srv__list().push_back(s);
        prev_ = seam<open_save_service>::set(&dialogs);
    }
    void TearDown() override
    {
        seam<open_save_service>::set(prev_);
        srv__list().clear();
    }
    // A label as the editor's client would store it on the server.
    void put(const char *name, const char16_t *desc = u"")
    {
        label_ptr l = ele__label_new(100, 50);
        l->name = plt__from_utf8(name);
        l->desc = desc;
        ASSERT_EQ(ino__save_label(server.url(), l.get(), u"u", u"p"), 1);
    }
    // Picks the server row, as a click does.
    void pick_server(open_save_dialog *d)
    {
        d->servers()->topLevelItem(0)->setSelected(true);
    }
    QTreeWidgetItem *label_row(open_save_dialog *d, const QString &name)
    {
        for (int i = 0; i < d->labels()->topLevelItemCount(); ++i)
            if (d->labels()->topLevelItem(i)->text(0) == name)
                return d->labels()->topLevelItem(i);
        return nullptr;
    }

    label_server server;
    temp_dir dir;
    temp_dir settings_dir; // the dialogs remember their folder there
    scoped_env settings_home{"XDG_CONFIG_HOME", settings_dir.path().string()};
    qt_open_save dialogs;
    open_save_service *prev_ = nullptr;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice{&notice};
    scripted_credential_prompt prompt;
    scoped_seam<credential_prompt_service> use_prompt{&prompt};
};

} // namespace

TEST_F(OpenSave, ServerLabelsGoBackWithoutADialog)
{
    put("Цены", u"описание");
    label_ptr lab = ino__load_label(server.url(), u"Цены", u"u", u"p");
    ASSERT_TRUE(lab);
    lab->store.place = server.url();
    lab->store.local = 0;
    lab->desc = u"новое";
    const int before = server.calls("labels.save_label");
    EXPECT_TRUE(osd__save(nullptr, lab.get(), false, false));
    EXPECT_EQ(server.calls("labels.save_label"), before + 1);
    label_ptr back = ino__load_label(server.url(), u"Цены", u"u", u"p");
    EXPECT_EQ(back->desc, u"новое");
}

TEST_F(OpenSave, NetworkOnlyStaysOnTheNetworkTab)
{
    int beeps = -1, tab = -1;
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        EXPECT_EQ(d->tabs()->currentIndex(), 1);
        const int before = platform_beep_count();
        d->tabs()->setCurrentIndex(0); // a click on " Файл "
        beeps = platform_beep_count() - before;
        tab = d->tabs()->currentIndex();
        save_shot(d, QStringLiteral("open-save-network-save"));
        d->reject();
    });
    label_ptr lab = ele__label_new(100, 50);
    EXPECT_FALSE(osd__save(nullptr, lab.get(), true, true));
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(tab, 1);
}

TEST_F(OpenSave, SavingToAServerUnderAnotherNameRenamesFirst)
{
    put("Старая");
    label_ptr lab = ele__label_new(100, 50);
    lab->name = u"Черновик";
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        // OK with no server does nothing.
        d->name_edit()->setText(QStringLiteral("Новая"));
        d->ok_button()->click();
        EXPECT_TRUE(d->isVisible());
        pick_server(d);
        EXPECT_TRUE(label_row(d, QStringLiteral("Старая")));
        d->name_edit()->setText(QStringLiteral("Новая"));
        EXPECT_TRUE(d->ok_button()->isEnabled());
        d->ok_button()->click();
    });
    EXPECT_TRUE(osd__save(nullptr, lab.get(), true, false));
    EXPECT_EQ(lab->name, u"Новая");
    EXPECT_EQ(*lab->store.place, server.url());
    EXPECT_EQ(lab->store.local, 0);
    EXPECT_TRUE(server.has_label("Новая"));
    EXPECT_EQ(prompt.asked, 1); // asked once, in the dialog
}

TEST_F(OpenSave, SavingANewLabelToAFile)
{
    label_ptr lab = ele__label_new(100, 50);
    const QString path = QString::fromStdString((dir / "box.lbl").string());
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        EXPECT_EQ(d->tabs()->currentIndex(), 0);
        save_shot(d, QStringLiteral("open-save-file-save"));
        QFileDialog *files = d->files();
        files->setDirectory(QString::fromStdString(dir.path().string()));
        if (!type_path_and_accept(files, QStringLiteral("box.lbl"), path))
            d->reject();
    });
    EXPECT_TRUE(osd__save(nullptr, lab.get(), true, false));
    EXPECT_EQ(lab->name, u"box.lbl");
    EXPECT_EQ(*lab->store.place, u16(dir / "box.lbl"));
    EXPECT_EQ(lab->store.local, 1);
    EXPECT_TRUE(ino__load_file(u16(dir / "box.lbl")));
    // Open it again through the file tab.
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        save_shot(d, QStringLiteral("open-save-file-open"));
        // The whole path typed: the folder the dialog starts in is no matter.
        if (!type_path_and_accept(d->files(), path, path))
            d->reject();
    });
    label_ptr back = osd__open(nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back->store.place, u16(dir / "box.lbl"));
    EXPECT_EQ(back->store.local, 1);
}

TEST_F(OpenSave, SavingRefusesAFolderThatDoesNotExist)
{
    label_ptr lab = ele__label_new(100, 50);
    const QString missing = QString::fromStdString((dir / "missing").string());
    const QString good = QString::fromStdString((dir / "x.lbl").string());
    std::vector<bool> open_after;
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        // A folder that is not there, and one below the test's folder.
        for (const QString &typed : {QStringLiteral("/nonexistent/x"), missing + QStringLiteral("/x")}) {
            const QString expected = typed + QStringLiteral(".lbl");
            if (type_path_and_accept(d->files(), typed, expected))
                open_after.push_back(d->isVisible());
        }
        // Then a good one: saved.
        if (!type_path_and_accept(d->files(), good, good))
            d->reject();
    });
    EXPECT_TRUE(osd__save(nullptr, lab.get(), true, false));
    EXPECT_EQ(open_after, (std::vector<bool>{true, true}));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, u"Папка «/nonexistent» не существует.\nПроверьте путь к файлу.");
    EXPECT_EQ(boxes.shown[1].text, u"Папка «" + u16(dir / "missing") + u"» не существует.\nПроверьте путь к файлу.");
    EXPECT_EQ(*lab->store.place, u16(dir / "x.lbl"));
    EXPECT_TRUE(std::filesystem::exists(dir / "x.lbl"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST_F(OpenSave, TheNetworkTabIsTwoHalvesWithWholeColumns)
{
    srv__list().front().description = u"Локальный сервер Vellumo"; // as on a first run
    put("Ценник молочного отдела", u"полка 3, холодильник");
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        pick_server(d);
        QApplication::processEvents();
        save_shot(d, QStringLiteral("open-save-network-halves"));
        QTreeWidget *servers = d->servers(), *labels = d->labels();
        // The servers take the left half, the labels the right.
        EXPECT_LE(std::abs(servers->width() - labels->width()), 2);
        EXPECT_LT(servers->geometry().right(), labels->x());
        EXPECT_LE(d->hint()->geometry().right(), labels->x());
        EXPECT_GE(d->rename_button()->x(), labels->x());
        EXPECT_GE(d->name_edit()->x(), labels->x());
        // Both columns of both lists fit, none cut or beyond the list.
        auto text_width = [](QTreeWidget *lv, int column) {
            int w = lv->fontMetrics().horizontalAdvance(lv->headerItem()->text(column));
            for (int i = 0; i < lv->topLevelItemCount(); ++i)
                w = std::max(w, lv->fontMetrics().horizontalAdvance(lv->topLevelItem(i)->text(column)));
            return w;
        };
        for (QTreeWidget *lv : {servers, labels}) {
            SCOPED_TRACE(lv->objectName().toStdString());
            ASSERT_EQ(lv->topLevelItemCount(), 1);
            const int room = lv->viewport()->width();
            EXPECT_GT(lv->columnWidth(0), text_width(lv, 0));
            EXPECT_GT(lv->columnWidth(1), text_width(lv, 1));
            EXPECT_EQ(lv->columnWidth(0) + lv->columnWidth(1), room);
        }
        d->reject();
    });
    EXPECT_FALSE(osd__open(nullptr));
}

TEST_F(OpenSave, OpeningFromAServerNeedsAPickedLabel)
{
    put("Первая", u"раз");
    put("Вторая", u"два");
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        EXPECT_FALSE(d->name_edit()->isEnabled()); // picked, never typed
        EXPECT_FALSE(d->labels()->isEnabled());
        pick_server(d);
        EXPECT_TRUE(d->labels()->isEnabled());
        EXPECT_EQ(d->labels()->topLevelItemCount(), 2);
        EXPECT_FALSE(d->ok_button()->isEnabled());
        label_row(d, QStringLiteral("Вторая"))->setSelected(true);
        EXPECT_EQ(d->name_edit()->text(), QStringLiteral("Вторая"));
        EXPECT_TRUE(d->ok_button()->isEnabled());
        save_shot(d, QStringLiteral("open-save-network-open"));
        d->ok_button()->click();
    });
    label_ptr lab = osd__open(nullptr);
    ASSERT_TRUE(lab);
    EXPECT_EQ(lab->name, u"Вторая");
    EXPECT_EQ(*lab->store.place, server.url());
    EXPECT_EQ(lab->store.local, 0);
}

TEST_F(OpenSave, ACancelledPasswordLeavesNoServerSelected)
{
    prompt.cancel = true;
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        pick_server(d);
        EXPECT_TRUE(d->servers()->selectedItems().isEmpty());
        EXPECT_FALSE(d->labels()->isEnabled());
        EXPECT_EQ(d->labels()->topLevelItemCount(), 0);
        d->reject();
    });
    EXPECT_FALSE(osd__open(nullptr));
    EXPECT_EQ(server.calls("labels.list_labels"), 0);
}

TEST_F(OpenSave, DeleteAndRenameRefreshTheList)
{
    put("Первая");
    put("Вторая");
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        pick_server(d);
        label_row(d, QStringLiteral("Первая"))->setSelected(true);
        // Delete, answered Yes.
        boxes.answers.push_back(mb_answer::yes);
        d->delete_button()->click();
        EXPECT_EQ(boxes.shown.back().text, u"Удалить эту этикетку?");
        EXPECT_FALSE(label_row(d, QStringLiteral("Первая")));
        EXPECT_EQ(d->labels()->topLevelItemCount(), 1);
        // Rename through the rename dialog.
        label_row(d, QStringLiteral("Вторая"))->setSelected(true);
        when_modal_of<rename_dialog>([](rename_dialog *r) {
            r->name_edit()->setText(QStringLiteral("Третья"));
            r->ok_button()->click();
        });
        d->rename_button()->click();
        EXPECT_TRUE(label_row(d, QStringLiteral("Третья")));
        EXPECT_FALSE(label_row(d, QStringLiteral("Вторая")));
        d->reject();
    });
    EXPECT_FALSE(osd__open(nullptr));
    EXPECT_FALSE(server.has_label("Первая"));
    EXPECT_TRUE(server.has_label("Третья"));
    EXPECT_EQ(prompt.asked, 1);
}

TEST_F(OpenSave, ADoubleClickOrEnterOnTheNetworkTabConfirms)
{
    put("Первая", u"раз");
    put("Вторая", u"два");
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        pick_server(d);
        QTreeWidgetItem *row = label_row(d, QStringLiteral("Вторая"));
        ASSERT_TRUE(row);
        const QPoint p = d->labels()->visualItemRect(row).center();
        QTest::mouseClick(d->labels()->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(d->labels()->viewport(), Qt::LeftButton, {}, p);
    });
    label_ptr lab = osd__open(nullptr);
    ASSERT_TRUE(lab);
    EXPECT_EQ(lab->name, u"Вторая");

    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        pick_server(d);
        label_row(d, QStringLiteral("Первая"))->setSelected(true);
        d->labels()->setFocus();
        QTest::keyClick(d->labels(), Qt::Key_Return);
    });
    lab = osd__open(nullptr);
    ASSERT_TRUE(lab);
    EXPECT_EQ(lab->name, u"Первая");

    // Enter with no label picked opens nothing and keeps the dialog.
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        pick_server(d);
        d->labels()->setFocus();
        QTest::keyClick(d->labels(), Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());
        d->reject();
    });
    EXPECT_FALSE(osd__open(nullptr));
}

TEST_F(OpenSave, SavingOntoANameTheServerHasAsksFirst)
{
    // The stored label stays as it was after "Нет", whether its row was
    // double-clicked or its name typed; a name another client saved after
    // the list was shown is found at OK; "Да" replaces.
    put("Цены", u"хранимая");
    label_ptr lab = ele__label_new(100, 50);
    lab->desc = u"новая";
    boxes.answers = {mb_answer::no, mb_answer::no};
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        pick_server(d);
        QTreeWidgetItem *row = label_row(d, QStringLiteral("Цены"));
        ASSERT_TRUE(row);
        const QPoint p = d->labels()->visualItemRect(row).center();
        QTest::mouseClick(d->labels()->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(d->labels()->viewport(), Qt::LeftButton, {}, p);
        EXPECT_TRUE(d->isVisible());
        d->labels()->clearSelection();
        d->name_edit()->setText(QStringLiteral("Цены"));
        d->ok_button()->click();
        EXPECT_TRUE(d->isVisible());
        put("Позже", u"чужая");
        d->name_edit()->setText(QStringLiteral("Позже"));
        d->ok_button()->click(); // the third question, answered by default: "Нет"
        EXPECT_TRUE(d->isVisible());
        d->reject();
    });
    EXPECT_FALSE(osd__save(nullptr, lab.get(), true, false));
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].buttons, mb_buttons::yes_no);
    EXPECT_NE(boxes.shown[0].text.find(u"«Цены» уже существует"), std::u16string::npos);
    EXPECT_NE(boxes.shown[2].text.find(u"«Позже» уже существует"), std::u16string::npos);
    EXPECT_EQ(ino__load_label(server.url(), u"Цены", u"u", u"p")->desc, u"хранимая");
    EXPECT_EQ(ino__load_label(server.url(), u"Позже", u"u", u"p")->desc, u"чужая");

    boxes.answers = {mb_answer::yes};
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        pick_server(d);
        label_row(d, QStringLiteral("Цены"))->setSelected(true);
        d->ok_button()->click();
    });
    EXPECT_TRUE(osd__save(nullptr, lab.get(), true, false));
    EXPECT_EQ(ino__load_label(server.url(), u"Цены", u"u", u"p")->desc, u"новая");
}

TEST_F(OpenSave, TheDialogsStartInTheLastFolderAndSaveOffersTheLabelsName)
{
    std::filesystem::create_directories(dir / "sub");
    label_ptr lab = ele__label_new(100, 50);
    lab->name = u"Цены/склад";
    const QString path = QString::fromStdString((dir / "sub" / "box.lbl").string());
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        auto *name = d->files()->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        EXPECT_EQ(name->text(), QStringLiteral("Цены_склад")); // no folder sign in a file name
        if (!type_path_and_accept(d->files(), path, path))
            d->reject();
    });
    ASSERT_TRUE(osd__save(nullptr, lab.get(), true, false));
    EXPECT_EQ(settings::get(settings::last_folder), u16(dir / "sub"));
    // The next dialog, opening or saving, starts there.
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        EXPECT_EQ(QDir(d->files()->directory()).absolutePath(),
                  QString::fromStdString((dir / "sub").string()));
        d->reject();
    });
    EXPECT_FALSE(osd__open(nullptr));
    // A label from a file offers its file's name.
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        EXPECT_EQ(QDir(d->files()->directory()).absolutePath(),
                  QString::fromStdString((dir / "sub").string()));
        auto *name = d->files()->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        EXPECT_EQ(name->text(), QStringLiteral("box.lbl"));
        d->reject();
    });
    EXPECT_FALSE(osd__save(nullptr, lab.get(), true, false));
    // A remembered folder that is gone is no matter.
    settings::set(settings::last_folder, u16(dir / "gone"));
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        EXPECT_TRUE(d->files()->directory().exists());
        d->reject();
    });
    EXPECT_FALSE(osd__open(nullptr));
}

TEST_F(OpenSave, AFrameHoldingALabelRenamedOnTheServerTakesTheNewName)
{
    put("Вторая", u"два");
    fake_store store;
    auto *f = new label_frame(store);
    label_ptr held = ino__load_label(server.url(), u"Вторая", u"u", u"p");
    ASSERT_TRUE(held);
    held->store.place = server.url();
    held->store.local = 0;
    f->hub().start_with(std::move(held));
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        d->tabs()->setCurrentIndex(1);
        pick_server(d);
        label_row(d, QStringLiteral("Вторая"))->setSelected(true);
        when_modal_of<rename_dialog>([](rename_dialog *r) {
            r->name_edit()->setText(QStringLiteral("Третья"));
            r->ok_button()->click();
        });
        d->rename_button()->click();
        d->reject();
    });
    EXPECT_FALSE(osd__open(nullptr));
    EXPECT_EQ(f->hub().lab()->name, u"Третья");
    EXPECT_NE(f->windowTitle().indexOf(QStringLiteral("Третья")), -1) << f->windowTitle().toStdString();
    // Saved as it is, the label goes under its new name.
    f->hub().lab()->desc = u"после";
    EXPECT_TRUE(osd__save(nullptr, f->hub().lab(), false, false));
    EXPECT_FALSE(server.has_label("Вторая"));
    label_ptr back = ino__load_label(server.url(), u"Третья", u"u", u"p");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->desc, u"после");
    delete f;
}

TEST_F(OpenSave, ARecentServerLabelOpensAndOneTheServerLostIsForgotten)
{
    put("Цены", u"описание");
    label_ptr lab = ino__load_label(server.url(), u"Цены", u"u", u"p");
    ASSERT_TRUE(lab);
    lab->store.place = server.url();
    lab->store.local = 0;
    rec__remember(*lab);
    std::vector<recent_label> list = rec__list();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_FALSE(list[0].local);
    EXPECT_EQ(list[0].name, u"Цены");
    EXPECT_EQ(rec__caption(list[0]), u"Цены  (" + server.url() + u")");
    label_ptr back = rec__open(list[0]);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->desc, u"описание");
    EXPECT_EQ(*back->store.place, server.url());
    EXPECT_EQ(back->store.local, 0);
    EXPECT_TRUE(boxes.shown.empty());
    // Deleted on the server since: a message, and off the list.
    ASSERT_EQ(ino__drop_label(nullptr, server.url(), u"Цены", u"u", u"p"), 1);
    EXPECT_FALSE(rec__open(list[0]));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Этикетки «Цены» больше нет на сервере " + server.url() +
                                       u".\nОна удалена из списка недавних этикеток.");
    EXPECT_TRUE(rec__list().empty());
    // A server that does not answer is no proof: the entry stays.
    rec__remember(*lab);
    dead_port dead;
    recent_label far = list[0];
    far.place = dead.url();
    lab->store.place = dead.url();
    rec__remember(*lab);
    boxes.shown.clear();
    EXPECT_FALSE(rec__open(far)); // not on the server list: said so
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Сервера " + dead.url() +
                                       u" нет в списке серверов.\nДобавьте его в «Файл → Список серверов...», "
                                       u"чтобы открыть этикетку «Цены».");
    server_list s;
    s.address = dead.url();
    srv__list().push_back(s);
    boxes.shown.clear();
    EXPECT_FALSE(rec__open(far)); // listed, and silent: the call's own box
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].caption.ends_with(u"при обращении к серверу"));
    EXPECT_EQ(rec__list().size(), 2u);
}
