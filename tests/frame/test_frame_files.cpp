// Labels coming to the editor from outside a dialog: files on the command
// line, "Файл → Недавние", files dropped from a file manager, and the
// manual's address when no browser opens it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <fstream>

#include "canvas/canvas.h"
#include "exchange/inout.h"
#include "frame/frame.h"
#include "frame/key_routing.h"
#include "frame/startup.h"
#include "hub/commands.h"
#include "hub/recent.h"
#include "model/settings.h"
#include "platform/code_pages.h"
#include "platform/url_opener.h"
#include "support/fakes.h"
#include "support/hub_fakes.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

class FrameFiles : public testing::Test {
protected:
    void SetUp() override
    {
        static key_router *router = nullptr;
        if (!router) {
            router = new key_router(qApp);
            qApp->installEventFilter(router);
        }
    }
    void TearDown() override
    {
        for (QPointer<label_frame> f : frames())
            delete f.data();
        QApplication::processEvents();
    }
    static QList<QPointer<label_frame>> frames()
    {
        QList<QPointer<label_frame>> out;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *f = qobject_cast<label_frame *>(w))
                out << f;
        return out;
    }
    // A label file with one text element described `desc`.
    QString write_label(const char *file, const char16_t *desc)
    {
        label_ptr lab = ele__label_new(200, 100);
        element *e = ele__add(lab.get(), 0);
        e->desc = desc;
        lab->name = plt__from_utf8(file); // as a save through the dialog names it
        const std::u16string path = u16(dir / file);
        EXPECT_EQ(ino__save_file(path, lab.get()), 1);
        return QString::fromStdU16String(path);
    }
    static std::u16string u16(const std::filesystem::path &p) { return plt__from_utf8(p.string()); }
    label_frame *open_frame()
    {
        auto *f = new label_frame(store);
        f->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(f));
        return f;
    }
    std::u16string desc_of(label_frame *f) { return f->hub().lab()->qty ? f->hub().lab()->es[0]->desc : u""; }
    // Drags `urls` over the frame and lets them go there; whether the frame
    // took the drag.
    bool drop(label_frame *f, const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint p = f->rect().center();
        QDragEnterEvent enter(p, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(p), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f, &dropped);
        QApplication::processEvents(); // the opening waits for the drop to end
        return true;
    }

    temp_dir dir;
    scoped_env settings_home{"XDG_CONFIG_HOME", dir.path().string()};
    fake_store store;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
};

} // namespace

TEST_F(FrameFiles, EachFileOnTheCommandLineOpensInAFrameOfItsOwn)
{
    const QString a = write_label("a.lbl", u"первая");
    const QString b = write_label("b.lbl", u"вторая");
    std::ofstream(dir / "noise.lbl", std::ios::binary) << std::string("\x13\x37\xff\x00 not a label", 16);
    // A label file as another program writes it, an emoji in its name.
    std::ofstream(dir / "emoji.lbl", std::ios::binary)
        << "<?xml version=\"1.0\"?><methodCall><methodName>labels.local_store</methodName><params><param><value>"
           "<struct><member><name>name</name><value><string>Чай \xF0\x9F\x98\x80</string></value></member>"
           "</struct></value></param></params></methodCall>";
    std::filesystem::create_directory(dir / "folder.lbl");
    const QString missing = QString::fromStdU16String(u16(dir / "missing.lbl"));
    const QString noise = QString::fromStdU16String(u16(dir / "noise.lbl"));
    const QString emoji = QString::fromStdU16String(u16(dir / "emoji.lbl"));
    const QString folder = QString::fromStdU16String(u16(dir / "folder.lbl"));
    EXPECT_EQ(app__open_frames(store, {emoji, a, missing, folder, noise, b}), 2);
    // The bad ones said so, one box each, naming the file and why.
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown[0].text, u"Файл этикетки «" + emoji.toStdU16String() +
                                       u"» не прочитан. Символ U+1F600 (строка 1 документа) не принимается: "
                                       u"символы вне основной плоскости Юникода (эмодзи и подобные) программа не "
                                       u"хранит и не передаёт.");
    EXPECT_EQ(boxes.shown[1].text, u"Файл этикетки «" + missing.toStdU16String() + u"» не открыт: такого файла нет.");
    EXPECT_EQ(boxes.shown[2].text, u"Файл этикетки «" + folder.toStdU16String() + u"» не открыт: это папка.");
    EXPECT_NE(boxes.shown[3].text.find(u"не является файлом этикетки"), std::u16string::npos);
    QList<QPointer<label_frame>> fs = frames();
    ASSERT_EQ(fs.size(), 2);
    QStringList descs;
    for (label_frame *f : fs) {
        descs << QString::fromStdU16String(desc_of(f));
        // As after Open: unmodified, nothing to undo, the file's name shown.
        EXPECT_EQ(f->hub().lab()->modified, 0);
        EXPECT_EQ(f->hub().undo_count(), 0);
        EXPECT_TRUE(f->windowTitle().contains(QStringLiteral(".lbl"))) << f->windowTitle().toStdString();
        EXPECT_EQ(f->hub().lab()->store.local, 1);
    }
    descs.sort();
    EXPECT_EQ(descs, (QStringList{QStringLiteral("вторая"), QStringLiteral("первая")}));
    // Both are recent now, the last opened first.
    std::vector<recent_label> recent = rec__list();
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_EQ(recent[0].place, b.toStdU16String());
    // Nothing that opens: one frame with a new label, as without files.
    for (QPointer<label_frame> f : frames())
        delete f.data();
    boxes.shown.clear();
    EXPECT_EQ(app__open_frames(store, {missing}), 1);
    ASSERT_EQ(frames().size(), 1);
    EXPECT_EQ(frames()[0]->hub().lab()->qty, 0);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(FrameFiles, RecentLabelsAreListedNewestFirstAndOpenAsOpenDoes)
{
    label_frame *f = open_frame();
    QStringList paths;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "label" + std::to_string(i) + ".lbl";
        paths << write_label(name.c_str(), u"x");
        ASSERT_TRUE(f->open_file(paths.back()));
    }
    // Ten kept, the most recent first, numbered for the keyboard.
    f->fill_recent_menu();
    QMenu *menu = f->recent_menu();
    ASSERT_TRUE(menu);
    QList<QAction *> items = menu->actions();
    ASSERT_EQ(items.size(), 10);
    EXPECT_TRUE(items[0]->text().startsWith(QStringLiteral("&1 label11.lbl  (")));
    EXPECT_TRUE(items[9]->text().startsWith(QStringLiteral("1&0 label2.lbl  (")));
    EXPECT_EQ(rec__list().size(), 10u);
    // Chosen: opened as Open does, one undo away, and first again.
    const int steps = f->hub().undo_count();
    items[9]->trigger();
    EXPECT_EQ(f->hub().lab()->store.place, paths[2].toStdU16String());
    EXPECT_EQ(f->hub().undo_count(), steps + 1);
    EXPECT_EQ(rec__list()[0].place, paths[2].toStdU16String());
    // A changed label asks first; "Отмена" keeps it.
    f->command(cmd::select_all);
    f->command(cmd::disable);
    ASSERT_EQ(f->hub().lab()->modified, 1);
    f->fill_recent_menu();
    boxes.answers.push_back(mb_answer::cancel);
    f->recent_menu()->actions()[1]->trigger();
    EXPECT_EQ(f->hub().lab()->store.place, paths[2].toStdU16String());
    EXPECT_EQ(f->hub().lab()->modified, 1);
    // A file gone since: a message, and off the list; the label stays.
    std::filesystem::remove(paths[11].toStdString());
    f->fill_recent_menu();
    const int listed = f->recent_menu()->actions().size();
    boxes.answers.push_back(mb_answer::no); // do not save the changes
    boxes.shown.clear();
    f->recent_menu()->actions()[1]->trigger(); // label11, second now
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, u"Файла «" + paths[11].toStdU16String() +
                                           u"» больше нет.\nОн удалён из списка недавних этикеток.");
    EXPECT_EQ(f->hub().lab()->store.place, paths[2].toStdU16String());
    f->fill_recent_menu();
    EXPECT_EQ(f->recent_menu()->actions().size(), listed - 1);
    // The settings as another program could leave them: only what reads.
    settings::set(settings::recent_labels, std::vector<std::u16string>{
                                               u"", u"file", u"file\t", u"server\thttp://s/RPC2", u"other\tx",
                                               u"file\t" + paths[3].toStdU16String(),
                                               u"file\t" + paths[3].toStdU16String(), std::u16string(100000, u'я'),
                                               u"server\thttp://s/RPC2\tИмя\tс табуляцией"});
    std::vector<recent_label> list = rec__list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].place, paths[3].toStdU16String());
    EXPECT_FALSE(list[1].local);
    EXPECT_EQ(list[1].name, u"Имя\tс табуляцией");
    f->fill_recent_menu();
    EXPECT_EQ(f->recent_menu()->actions().size(), 2);
}

TEST_F(FrameFiles, ALabelFileDroppedOnAFrameOpensThere)
{
    label_frame *f = open_frame();
    const QString a = write_label("a.lbl", u"первая");
    const QString b = write_label("b.LBL", u"вторая");
    std::ofstream(dir / "notes.txt") << "text";
    // Only label files are taken.
    EXPECT_FALSE(drop(f, {QUrl::fromLocalFile(QString::fromStdString((dir / "notes.txt").string()))}));
    EXPECT_FALSE(drop(f, {QUrl(QStringLiteral("https://example.org/a.lbl"))}));
    ASSERT_TRUE(drop(f, {QUrl::fromLocalFile(a)}));
    EXPECT_EQ(desc_of(f), u"первая");
    EXPECT_EQ(f->hub().lab()->modified, 0);
    // A changed label: the question first; "Нет" drops the changes.
    f->command(cmd::select_all);
    f->command(cmd::disable);
    boxes.answers.push_back(mb_answer::no);
    boxes.shown.clear();
    ASSERT_TRUE(drop(f, {QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)}));
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(desc_of(f), u"вторая");
    // The second file dropped with it: a frame of its own.
    ASSERT_EQ(frames().size(), 2);
    for (label_frame *g : frames()) {
        if (g != f) {
            EXPECT_EQ(desc_of(g), u"первая");
        }
    }
    // Undone, the frame has its changed label back.
    f->command(cmd::undo);
    EXPECT_EQ(f->hub().lab()->es[0]->disabled, 1);
}

TEST_F(FrameFiles, F1WithoutABrowserTellsTheAddressToOpenByHand)
{
    scripted_url_opener opener;
    scoped_seam<url_opener_service> use_opener{&opener};
    label_frame *f = open_frame();
    f->activateWindow();
    f->stock().canvas->setFocus();
    QTest::keyClick(f->stock().canvas, Qt::Key_F1);
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_TRUE(boxes.shown.empty());
    opener.found = false;
    QTest::keyClick(f->stock().canvas, Qt::Key_F1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(u"Не найден веб-браузер", 0), 0u);
    EXPECT_TRUE(boxes.shown[0].text.ends_with(opener.opened.back())) << plt__to_utf8(boxes.shown[0].text);
}
