// The editor frame as a user meets it: keys routed by the accelerator table,
// the three layouts, edit and preview modes, and the program's life from
// the first frame to the last.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>
#include <tuple>
#include <map>

#include <QAction>
#include <QPointer>
#include <QClipboard>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTreeWidget>

#include "canvas/canvas.h"
#include "canvas/canvas_holder.h"
#include "frame/about.h"
#include "frame/frame.h"
#include "frame/key_routing.h"
#include "frame/listwin.h"
#include "frame/menu_table.h"
#include "frame/options.h"
#include "frame/preview.h"
#include "frame/properties.h"
#include "frame/servers_dialogs.h"
#include "frame/startup.h"
#include "hub/commands.h"
#include "model/settings.h"
#include "platform/url_opener.h"
#include "support/fakes.h"
#include "support/hub_fakes.h"
#include "support/modal.h"
#include "support/scoped_env.h"
#include "support/shots.h"
#include "support/temp_dir.h"
#include "widgets/kit_resources.h"
#include "widgets/toolbarsup.h"
#include "widgets/split_pane.h"

namespace {

class FrameWindow : public testing::Test {
protected:
    void SetUp() override
    {
        if (!router_) {
            router_ = new key_router(qApp);
            qApp->installEventFilter(router_);
        }
    }
    void TearDown() override
    {
        QList<QPointer<label_frame>> frames;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *f = qobject_cast<label_frame *>(w))
                frames << f;
        for (auto &f : frames)
            delete f.data();
        QApplication::processEvents();
    }
    label_frame *open_frame()
    {
        auto *f = new label_frame(store);
        f->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(f));
        return f;
    }
    void add_text(label_frame *f, double x)
    {
        frame_notify n;
        n.sender = f->stock().canvas;
        n.code = fn::element_list;
        n.action = 1;
        n.kind = ELE_TEXT;
        n.x = x;
        n.y = 10;
        f->hub().notify(n);
    }
    temp_dir dir;
    scoped_env settings_home{"XDG_CONFIG_HOME", dir.path().string()};
    fake_store store;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    static key_router *router_;
};

key_router *FrameWindow::router_ = nullptr;

} // namespace

TEST_F(FrameWindow, MenuToolbarAndStatusBarAsTheTablesSay)
{
    label_frame *f = open_frame();
    EXPECT_EQ(f->objectName(), QStringLiteral("zelta-label-generator-frame"));
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Vellumo"));
    QList<QAction *> tops = f->menuBar()->actions();
    ASSERT_EQ(tops.size(), 4);
    EXPECT_EQ(tops[0]->text(), QStringLiteral("&Файл"));
    EXPECT_EQ(tops[3]->text(), QStringLiteral("&Справка"));
    EXPECT_EQ(f->menu_action(cmd::new_label)->text(), QStringLiteral("Созд&ать\tCtrl+N"));
    EXPECT_EQ(f->menu_action(40072)->text(), QStringLiteral("100%\t="));
    EXPECT_EQ(f->menu_action(cmd::raise)->text(), QStringLiteral("Выше\tCtrl+Вверх"));
    EXPECT_EQ(f->menu_action(cmd::about)->text(), QStringLiteral("&О программе...."));
    // Menu items register no shortcut: only the routing decides.
    EXPECT_TRUE(f->menu_action(cmd::save)->shortcut().isEmpty());
    // Nothing selected and nothing to undo or save.
    EXPECT_FALSE(f->menu_action(cmd::undo)->isEnabled());
    EXPECT_FALSE(f->menu_action(cmd::save)->isEnabled());
    EXPECT_FALSE(f->menu_action(cmd::cut)->isEnabled());
    EXPECT_FALSE(f->stock().toolbar->action(cmd::align_left)->isEnabled());
    EXPECT_TRUE(f->stock().toolbar->action(cmd::normal_mode)->isChecked());
    // The first run shows the 20-point grid only.
    EXPECT_TRUE(f->stock().canvas->grid_shown(20));
    EXPECT_FALSE(f->stock().canvas->grid_shown(10));
    EXPECT_TRUE(f->menu_action(cmd::grid_20)->isChecked());
    auto *status = static_cast<frame_status *>(f->stock().status);
    int W = status->width(), w = status->part_width();
    EXPECT_EQ(status->part(0)->geometry().right() + 1, W - 2 * w);
    EXPECT_EQ(status->part(1)->geometry().right() + 1, W - w);
    EXPECT_EQ(status->part(2)->geometry().right() + 1, W);
    EXPECT_TRUE(f->stock().status_icons_set);
}

TEST(FrameMenuTable, EveryCommandAndEveryMnemonicOfAMenuIsItsOwn)
{
    // Two rows with one command would run one for the other; the entries of
    // "Недавние" take a range of their own.
    std::map<int, std::u16string> commands;
    std::map<std::u16string, std::u16string> letters; // popup + letter -> item
    std::u16string popup;
    for (const menu_row &r : frame_menu) {
        if (r.command > 0) {
            const auto [it, fresh] = commands.emplace(r.command, r.text);
            EXPECT_TRUE(fresh) << r.command << " " << QString::fromStdU16String(r.text).toStdString() << " and "
                               << QString::fromStdU16String(it->second).toStdString();
            EXPECT_FALSE(r.command >= cmd::recent_first && r.command < cmd::recent_first + cmd::recent_count)
                << QString::fromStdU16String(r.text).toStdString() << " takes a recent label's number";
        }
        if (!r.text)
            continue;
        const std::u16string text = r.text;
        if (r.depth == 0)
            popup = text;
        const std::size_t amp = text.find(u'&');
        if (amp == std::u16string::npos || amp + 1 >= text.size() || r.depth == 0 || r.depth == 2)
            continue;
        const std::u16string key = popup + QString(QChar(text[amp + 1])).toLower().toStdU16String();
        const auto [it, fresh] = letters.emplace(key, text);
        EXPECT_TRUE(fresh) << QString::fromStdU16String(text).toStdString() << " and "
                           << QString::fromStdU16String(it->second).toStdString() << " share a letter";
    }
}

TEST(FrameMenuTable, EveryKeyAMenuShowsRunsItsCommand)
{
    // The hint after the tab is a promise: the key it names, pressed in a
    // frame, must reach that command through the accelerator table.
    const std::map<QString, int> named = {{QStringLiteral("Вверх"), Qt::Key_Up}, {QStringLiteral("Вниз"), Qt::Key_Down}};
    int checked = 0;
    for (const menu_row &r : frame_menu) {
        if (!r.hint || r.command <= 0)
            continue;
        const QString hint = QString::fromStdU16String(r.hint);
        SCOPED_TRACE(hint.toStdString());
        QStringList parts = hint.split(QLatin1Char('+'));
        if (hint.endsWith(QLatin1Char('+'))) // "Ctrl++" style: the last part is the plus itself
            parts = {parts.mid(0, parts.size() - 2).join(QLatin1Char('+')), QStringLiteral("+")};
        const QString last = parts.takeLast();
        Qt::KeyboardModifiers mods;
        for (const QString &m : parts)
            if (!m.isEmpty())
                mods |= m == QLatin1String("Ctrl") ? Qt::ControlModifier : m == QLatin1String("Shift") ? Qt::ShiftModifier : Qt::AltModifier;
        int key;
        QString text;
        if (named.count(last)) {
            key = named.at(last);
        } else if (last.size() == 1) {
            key = last.at(0).toUpper().unicode();
            text = mods & Qt::ControlModifier ? QString(QChar(last.at(0).toUpper().unicode() & 0x1F)) : last;
        } else {
            key = QKeySequence::fromString(last, QKeySequence::PortableText)[0].key();
        }
        ASSERT_NE(key, 0);
        const QKeyEvent press(QEvent::KeyPress, key, mods, text);
        EXPECT_EQ(app__accelerator(&press), r.command) << QString::fromStdU16String(r.text).toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

TEST_F(FrameWindow, StatusPartsAndElementLinesShowWholeTexts)
{
    label_frame *f = open_frame();
    f->resize(900, 600);
    // The widest position the canvas reports fits after the icon, in
    // either part that has one.
    auto *status = static_cast<frame_status *>(f->stock().status);
    for (int part : {1, 2}) {
        SCOPED_TRACE(part);
        status->set_text(part, QStringLiteral("-99999.99, -99999.99"));
        QApplication::processEvents();
        EXPECT_LE(status->part(part)->sizeHint().width(), status->part(part)->width());
        EXPECT_GE(status->part(part)->indent(), status->part(part)->findChild<QLabel *>()->geometry().right());
    }
    // Enough lines for the vertical scroll bar: the column still spans the
    // list's client area, and there is no horizontal bar.
    for (int i = 0; i < 40; ++i)
        add_text(f, 10 + i);
    QApplication::processEvents();
    QTreeWidget *lv = f->stock().list->stock().lv;
    ASSERT_TRUE(lv->verticalScrollBar()->isVisible());
    EXPECT_FALSE(lv->horizontalScrollBar()->isVisible());
    EXPECT_EQ(lv->columnWidth(0), lv->viewport()->width());
    // The selected line is highlighted from edge to edge.
    const QRect line = lv->visualItemRect(lv->topLevelItem(0));
    EXPECT_EQ(line.left(), 0);
    EXPECT_EQ(line.right(), lv->viewport()->width() - 1);
    save_shot(f, QStringLiteral("frame-many-elements"));
    // A narrow list after a layout change (a fifth of a fifth): the column
    // follows.
    f->set_layout_mode(2);
    QApplication::processEvents();
    EXPECT_EQ(lv->columnWidth(0), lv->viewport()->width());
    EXPECT_FALSE(lv->horizontalScrollBar()->isVisible());
}

TEST_F(FrameWindow, KeysInAnEditFieldEditTheFieldNotTheLabel)
{
    label_frame *f = open_frame();
    add_text(f, 10);
    add_text(f, 20);
    ASSERT_EQ(f->hub().lab()->qty, 2);
    ASSERT_EQ(f->hub().lab()->sel, 1);
    // A field of the properties panel.
    auto *edit = new QLineEdit(QStringLiteral("abc"), f->stock().props);
    edit->show();
    edit->setFocus();
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), QStringLiteral("bc"));
    EXPECT_EQ(f->hub().lab()->qty, 2);
    QApplication::clipboard()->setText(QStringLiteral("XY"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("XYbc"));
    EXPECT_EQ(f->hub().lab()->qty, 2);
    // The same Delete on the canvas deletes the selected element.
    f->stock().canvas->setFocus();
    QTest::keyClick(f->stock().canvas, Qt::Key_Delete);
    EXPECT_EQ(f->hub().lab()->qty, 1);
}

TEST_F(FrameWindow, CtrlLEnablesAndNeverOpens)
{
    label_frame *f = open_frame();
    add_text(f, 10);
    f->command(cmd::disable);
    ASSERT_EQ(f->hub().lab()->es[0]->disabled, 1);
    f->stock().canvas->setFocus();
    QTest::keyClick(f->stock().canvas, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(f->hub().lab()->es[0]->disabled, 0);
    EXPECT_EQ(store.opens, 0);
    boxes.answers.push_back(mb_answer::no); // do not save the changes first
    QTest::keyClick(f->stock().canvas, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(store.opens, 1);
    // "+" and "=" are typed characters; either minus zooms out.
    f->stock().canvas->zoom_to(100);
    QTest::keyClick(f->stock().canvas, Qt::Key_Plus, Qt::ShiftModifier);
    EXPECT_EQ(f->stock().canvas->stock().zoom, 110);
    QTest::keyClick(f->stock().canvas, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(f->stock().canvas->stock().zoom, 99);
    QTest::keyClick(f->stock().canvas, Qt::Key_Equal);
    EXPECT_EQ(f->stock().canvas->stock().zoom, 100);
    QTest::keyClick(f->stock().canvas, Qt::Key_Minus);
    EXPECT_EQ(f->stock().canvas->stock().zoom, 90);
}

TEST_F(FrameWindow, LayoutsStartAtHalfWithTheWholePanelAndRebuildWithTheirRatios)
{
    label_frame *f = open_frame();
    f->resize(1000, 700);
    QApplication::processEvents();
    EXPECT_EQ(f->stock().mode, 1);
    // A first run: the default 50 is the half it names, not 5 %.
    EXPECT_EQ(f->ratio(true), 500);
    EXPECT_EQ(f->ratio(false), 500);
    auto *panel = static_cast<properties_panel *>(f->stock().props);
    EXPECT_GE(panel->width(), panel->needed_width());
    EXPECT_GT(f->stock().holder->height(), f->height() / 3);
    save_shot(f, QStringLiteral("frame-first-run"));
    // Mode 1: canvas on top, properties and list side by side below.
    QRect holder = f->stock().holder->geometry(), props = f->stock().props->geometry();
    EXPECT_LT(holder.height(), props.height() + f->stock().holder->height());
    const char *names[] = {"frame-layout-mode-0", "frame-layout-mode-1", "frame-layout-mode-2"};
    for (int mode : {0, 1, 2}) {
        f->set_layout_mode(mode);
        QApplication::processEvents();
        EXPECT_EQ(f->ratio(true), 500);
        EXPECT_EQ(f->ratio(false), 500);
        save_shot(f, QString::fromLatin1(names[mode]));
    }
    // Mode 2: three columns, list, canvas, properties, left to right.
    QPoint l = f->stock().list->mapTo(f, QPoint(0, 0)), c = f->stock().holder->mapTo(f, QPoint(0, 0)),
           p = f->stock().props->mapTo(f, QPoint(0, 0));
    EXPECT_LT(l.x(), c.x());
    EXPECT_LT(c.x(), p.x());
    // Options cancelled: the same layout again.
    when_modal_of<options_dialog>([](options_dialog *d) { d->reject(); });
    f->command(cmd::options);
    EXPECT_EQ(f->stock().mode, 2);
    when_modal_of<options_dialog>([](options_dialog *d) {
        d->mode_button(0)->setChecked(true);
        d->accept();
    });
    f->command(cmd::options);
    EXPECT_EQ(f->stock().mode, 0);
    EXPECT_EQ(frame_globals::newwin, 0); // always 0 after OK
    frame_globals::newwin = 1;
    f->close();
    EXPECT_EQ(settings::get(settings::frame_twowin_mode), 0);
    EXPECT_EQ(settings::get(settings::frame_master_twowin_perc), 500);
    // Stored ratios keep their meaning: thousandths.
    settings::set(settings::frame_master_twowin_perc, 200);
    settings::set(settings::frame_slave_twowin_perc, 300);
    label_frame *again = open_frame();
    EXPECT_EQ(again->ratio(true), 200);
    EXPECT_EQ(again->ratio(false), 300);
}

// Start-up reads the stored grids and writes nothing (each write of the
// settings waits for the disk); the menu's toggle still stores its choice.
TEST_F(FrameWindow, OpeningShowsTheStoredGridsAndWritesNoSettings)
{
    settings::set(settings::grid_10, 1);
    settings::set(settings::grid_20, 0);
    auto files = [&] {
        std::vector<std::tuple<std::string, std::uintmax_t, long long>> out;
        for (const auto &e : std::filesystem::recursive_directory_iterator(dir.path()))
            if (e.is_regular_file()) {
                struct stat st {};
                ::stat(e.path().c_str(), &st);
                out.emplace_back(e.path().string(), st.st_ino,
                                 static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
            }
        return out;
    };
    const auto before = files();
    ASSERT_FALSE(before.empty());
    label_frame *f = open_frame();
    EXPECT_EQ(files(), before);
    EXPECT_TRUE(f->stock().canvas->grid_shown(10));
    EXPECT_FALSE(f->stock().canvas->grid_shown(20));
    EXPECT_TRUE(f->menu_action(cmd::grid_10)->isChecked());
    EXPECT_FALSE(f->menu_action(cmd::grid_20)->isChecked());
    f->command(cmd::grid_10);
    EXPECT_FALSE(f->stock().canvas->grid_shown(10));
    EXPECT_EQ(settings::get(settings::grid_10), 0);
}

TEST_F(FrameWindow, ClosedMaximisedKeepsTheNormalSizeAndReopensMaximised)
{
    label_frame *f = open_frame();
    f->resize(900, 640);
    f->close(); // an unmodified label closes without a question
    QApplication::processEvents();
    EXPECT_EQ(settings::get(settings::frame_width), 900);
    EXPECT_EQ(settings::get(settings::frame_height), 640);
    EXPECT_EQ(settings::get(settings::frame_maximized), 0);

    label_frame *g = open_frame();
    EXPECT_EQ(g->size(), QSize(900, 640));
    g->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(g->isMaximized());
    g->close();
    QApplication::processEvents();
    EXPECT_EQ(settings::get(settings::frame_maximized), 1);
    EXPECT_EQ(settings::get(settings::frame_width), 900);

    label_frame *h = open_frame();
    EXPECT_TRUE(h->windowState() & Qt::WindowMaximized);
}

TEST_F(FrameWindow, InPreviewModeDocumentCommandsWorkAndEditingDoesNot)
{
    scripted_url_opener opener;
    url_opener_service *prev = seam<url_opener_service>::set(&opener);
    label_frame *f = open_frame();
    add_text(f, 10);
    f->command(cmd::preview_mode);
    ASSERT_TRUE(f->stock().preview_mode);
    EXPECT_TRUE(f->stock().preview->isVisible());
    EXPECT_FALSE(f->stock().master->isVisible());
    EXPECT_FALSE(f->menu_action(cmd::undo)->isEnabled());
    EXPECT_FALSE(f->menu_action(40072)->isEnabled());
    EXPECT_FALSE(f->stock().toolbar->action(cmd::normal_mode)->isEnabled());

    int frames = label_frame::open_frames();
    f->command(cmd::new_label);
    EXPECT_EQ(label_frame::open_frames(), frames + 1);
    boxes.answers.push_back(mb_answer::no);
    f->command(cmd::open);
    EXPECT_EQ(store.opens, 1);
    f->command(cmd::save);
    EXPECT_EQ(store.saves, 1);
    f->command(cmd::save_as);
    EXPECT_EQ(store.saves, 2);
    f->command(cmd::help);
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0], u"https://vellumo.org/manual/");
    bool about = false, servers = false;
    when_modal_of<about_box>([&](about_box *b) {
        about = true;
        save_shot(b, QStringLiteral("frame-about"));
        b->accept();
    });
    f->command(cmd::about);
    when_modal_of<servers_dialog>([&](servers_dialog *d) {
        servers = true;
        static_cast<QDialog *>(d)->reject();
    });
    f->command(cmd::server_list);
    EXPECT_TRUE(about);
    EXPECT_TRUE(servers);
    int zoom = f->stock().canvas->stock().zoom;
    f->command(cmd::zoom_in);
    f->command(40077);
    EXPECT_EQ(f->stock().canvas->stock().zoom, zoom);
    int qty = f->hub().lab()->qty;
    f->command(cmd::select_all);
    f->command(cmd::remove);
    EXPECT_EQ(f->hub().lab()->qty, qty);

    // F2 inside the preview leaves preview mode (its keys are its own).
    f->stock().preview->setFocus();
    QTest::keyClick(f->stock().preview, Qt::Key_F2);
    EXPECT_FALSE(f->stock().preview_mode);
    EXPECT_TRUE(f->menu_action(40072)->isEnabled());
    // And F2 on the canvas enters it.
    QTest::keyClick(f->stock().canvas, Qt::Key_F2);
    EXPECT_TRUE(f->stock().preview_mode);
    f->command(cmd::close);
    seam<url_opener_service>::set(prev);
}

TEST_F(FrameWindow, LabelPropertiesCancelledKeepTheMarkConfirmedAreStored)
{
    label_frame *f = open_frame();
    int steps = f->hub().undo_count();
    when_modal_named(QStringLiteral("zelta-label-options-dialog"), [](QWidget *d) {
        static_cast<QDialog *>(d)->reject();
    });
    f->command(cmd::label_properties);
    EXPECT_EQ(f->hub().undo_count(), steps);
    EXPECT_EQ(f->hub().lab()->modified, 1);
    when_modal_named(QStringLiteral("zelta-label-options-dialog"), [](QWidget *d) {
        auto *w = d->findChild<QLineEdit *>(QStringLiteral("width"));
        w->setText(QStringLiteral("210,5"));
        static_cast<QDialog *>(d)->accept();
    });
    f->command(cmd::label_properties);
    EXPECT_EQ(f->hub().lab()->width, 210.5);
    EXPECT_EQ(settings::get(settings::label_width), 210.5);
    EXPECT_EQ(f->hub().undo_count(), steps + 1);
    // The next new label takes the stored size.
    f->command(cmd::new_label);
    label_frame *g = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *lf = qobject_cast<label_frame *>(w); lf && lf != f)
            g = lf;
    ASSERT_TRUE(g);
    EXPECT_EQ(g->hub().lab()->width, 210.5);
}

TEST_F(FrameWindow, TheLastFrameClosedEndsTheProgramAndWritesTheGlobalOptions)
{
    // Start-up as the program does, with the first frame.
    seam<network_notice_service>::set(nullptr);
    app__startup();
    label_frame *first = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *lf = qobject_cast<label_frame *>(w))
            first = lf;
    ASSERT_TRUE(first);
    first->command(cmd::new_label);
    ASSERT_EQ(label_frame::open_frames(), 2);
    frame_globals::confdel = 0;
    bool quit = false;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { quit = true; });
    QTimer::singleShot(0, [&] {
        first->close();
        QTimer::singleShot(50, [&] {
            EXPECT_EQ(label_frame::open_frames(), 1); // the program runs on
            EXPECT_FALSE(quit);
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *lf = qobject_cast<label_frame *>(w))
                    lf->close();
        });
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // a safety net
    int rc = QApplication::exec();
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(label_frame::open_frames(), 0);
    app__shutdown();
    EXPECT_EQ(settings::get(settings::global_confdel), 0);
    EXPECT_EQ(settings::get(settings::global_newwin), 1);
    frame_globals::confdel = 1;
    seam<message_box_service>::set(&boxes);
}
