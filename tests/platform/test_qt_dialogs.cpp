#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTest>
#include <QTreeView>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "frame/opensave_dialog.h"
#include "hub/opensave.h"
#include "model/errors.h"
#include "platform/qt_dialogs.h"
#include "support/file_dialog.h"
#include "support/modal.h"
#include "support/temp_dir.h"

namespace {

std::string file_text(const std::filesystem::path &p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

} // namespace

TEST(QtMessageBoxes, WarningShowsCaptionTextIconAndAnswers)
{
    qt_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    when_modal([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    err__warning(u"Ошибка загрузки файла изображения '%1'!", u"a.eps");
    EXPECT_EQ(caption, QStringLiteral("Vellumo 1.2"));
    EXPECT_EQ(text, QStringLiteral("Ошибка загрузки файла изображения 'a.eps'!"));
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST(QtMessageBoxes, QuestionButtonsMapToAnswers)
{
    qt_message_boxes boxes;
    message_box_request req;
    req.caption = u"Vellumo 1.2";
    req.text = u"Сохранить изменения в этикетке?";
    req.icon = mb_icon::question;
    req.buttons = mb_buttons::yes_no_cancel;
    QStringList labels;
    when_modal([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        for (QAbstractButton *b : box->buttons())
            labels << b->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(boxes.show(req), mb_answer::no);
    EXPECT_TRUE(labels.contains(QStringLiteral("Да")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Нет")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Отмена")));

    when_modal([](QWidget *w) { qobject_cast<QMessageBox *>(w)->reject(); });
    EXPECT_EQ(boxes.show(req), mb_answer::cancel); // Escape means Cancel
}

TEST(QtFileChoice, RealDialogReturnsTheTypedPath)
{
    temp_dir dir;
    std::ofstream(dir / "pic.eps") << "%!PS\n%%BoundingBox: 0 0 1 1\n";
    qt_file_choice files;
    file_choice_request req;
    req.title = u"Укажите файл изображения";
    req.filters = {{u"Embedded PostScript", u"*.EPS;*.EPSI"}, {u"Все файлы", u"*.*"}};
    QString title;
    QStringList filters;
    when_modal([&](QWidget *w) {
        auto *dlg = qobject_cast<QFileDialog *>(w);
        ASSERT_NE(dlg, nullptr);
        title = dlg->windowTitle();
        filters = dlg->nameFilters();
        dlg->setDirectory(QString::fromStdString(dir.path().string()));
        // The dialog's own OK handling.
        if (!type_path_and_accept(dlg, QStringLiteral("pic.eps"), QString::fromStdString((dir / "pic.eps").string())))
            dlg->reject();
    });
    file_choice_result r = files.choose(req);
    EXPECT_EQ(title, QStringLiteral("Укажите файл изображения"));
    EXPECT_EQ(filters, (QStringList{QStringLiteral("Embedded PostScript (*.EPS *.EPSI)"),
                                    QStringLiteral("Все файлы (*.*)")}));
    EXPECT_EQ(r.st, file_choice_result::status::chosen);
    EXPECT_EQ(r.path, u16(dir / "pic.eps"));

    when_modal([](QWidget *w) { qobject_cast<QFileDialog *>(w)->reject(); });
    EXPECT_EQ(files.choose(req).st, file_choice_result::status::cancelled);
}

TEST(QtFileChoice, StartsInItsOwnFolderWithWholeColumnsAndRussianSizesAndDates)
{
    // Each kind of file keeps its folder: a dialog given none opens at home,
    // never where another dialog was last.  Sizes and dates read in the
    // interface's language whatever the system's locale, in columns wide
    // enough for them.
    temp_dir dir;
    const std::filesystem::path big = dir / "большой.eps";
    std::ofstream(big).close();
    std::filesystem::resize_file(big, 201u << 20);
    const QDateTime when(QDate(2026, 3, 7), QTime(14, 5));
    {
        QFile f(QString::fromStdString(big.string()));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
    qt_file_choice files;
    file_choice_request req;
    req.title = u"Укажите файл изображения";
    req.filters = {{u"Все файлы", u"*"}};
    req.folder = u16(dir.path());
    QString folder, size, date;
    bool size_fits = false, date_fits = false;
    when_modal([&](QWidget *w) {
        auto *dlg = qobject_cast<QFileDialog *>(w);
        ASSERT_NE(dlg, nullptr);
        folder = dlg->directory().absolutePath();
        auto *tree = dlg->findChild<QTreeView *>(QStringLiteral("treeView"));
        ASSERT_NE(tree, nullptr);
        QAbstractItemModel *m = tree->model();
        QModelIndex row;
        (void)QTest::qWaitFor([&] {
            const QModelIndex root = tree->rootIndex();
            for (int r = 0; r < m->rowCount(root); ++r)
                if (m->index(r, 0, root).data().toString() == QStringLiteral("большой.eps"))
                    row = m->index(r, 0, root);
            return row.isValid();
        });
        if (row.isValid()) {
            size = row.siblingAtColumn(1).data().toString();
            date = row.siblingAtColumn(3).data().toString();
            const QFontMetrics fm(tree->font());
            size_fits = fm.horizontalAdvance(size) < tree->columnWidth(1);
            date_fits = fm.horizontalAdvance(date) < tree->columnWidth(3);
        }
        dlg->reject();
    });
    files.choose(req);
    EXPECT_EQ(folder, QString::fromStdString(dir.path().string()));
    EXPECT_EQ(size, QStringLiteral("201,0\u00A0МиБ"));
    EXPECT_EQ(date, QStringLiteral("07.03.2026 14:05"));
    EXPECT_TRUE(size_fits);
    EXPECT_TRUE(date_fits);

    req.folder.clear();
    when_modal([&](QWidget *w) {
        auto *dlg = qobject_cast<QFileDialog *>(w);
        folder = dlg->directory().absolutePath();
        dlg->reject();
    });
    files.choose(req);
    EXPECT_EQ(folder, QDir::homePath());
}

#include "platform/qt_windows.h"
#include "support/fakes.h"

TEST(WindowHelpers, CollectVisibleOutsideSkipsTheExcludedSubtree)
{
    QWidget root;
    auto *tab = new QWidget(&root);
    auto *inside = new QWidget(tab);
    auto *other = new QWidget(&root);
    auto *hidden = new QWidget(&root);
    (void)inside;
    root.show();
    hidden->hide();
    EXPECT_EQ(plt__collect_visible_outside(&root, tab), std::vector<QWidget *>{other});

    root.move(100, 50);
    QRect r(root.mapToGlobal(QPoint(3, 4)), root.mapToGlobal(QPoint(13, 24)));
    plt__screen_to_client_rect(&root, r);
    EXPECT_EQ(r, QRect(QPoint(3, 4), QPoint(13, 24)));
}

TEST(QtFileChoice, TypedNameGetsTheExtensionBeforeTheOverwriteQuestion)
{
    temp_dir dir;
    std::ofstream(dir / "box.lbl") << "old";
    qt_open_save dialogs;
    open_save_service *prev = seam<open_save_service>::set(&dialogs);
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes(&boxes);
    label_ptr lab = ele__label_new(100, 50);

    // Type "box" on the file tab and press its button: the question is
    // about box.lbl; No keeps the dialog open and the file as it was.
    for (bool replace : {false, true}) {
        QString question;
        bool dialog_open_after_no = false;
        when_modal_of<open_save_dialog>([&](open_save_dialog *dlg) {
            QFileDialog *files = dlg->files();
            files->setDirectory(QString::fromStdString(dir.path().string()));
            auto *edit = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(edit, nullptr);
            edit->setText(QStringLiteral("box"));
            when_modal_of<QMessageBox>([&, replace](QMessageBox *box) {
                question = box->text();
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            static_cast<QDialog *>(files)->accept(); // its own button, with its own checks
            dialog_open_after_no = dlg->isVisible();
            if (dlg->isVisible())
                dlg->reject();
        });
        bool saved = osd__save(nullptr, lab.get(), true, false);
        EXPECT_TRUE(question.contains(QStringLiteral("box.lbl"))) << question.toStdString();
        if (!replace) {
            EXPECT_FALSE(saved);
            EXPECT_TRUE(dialog_open_after_no);
            EXPECT_EQ(file_text(dir / "box.lbl"), "old");
        } else {
            EXPECT_TRUE(saved);
            EXPECT_EQ(lab->name, u"box.lbl");
            EXPECT_EQ(*lab->store.place, u16(dir / "box.lbl"));
            EXPECT_EQ(file_text(dir / "box.lbl").rfind("<?xml", 0), 0u);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "box"));
    EXPECT_TRUE(boxes.shown.empty());
    seam<open_save_service>::set(prev);
}

// The scripts that drive modal dialogs in every GUI test: a dialog nobody
// closes, or one that never shows, fails the test instead of hanging it.
class ModalScripts : public testing::Test {
protected:
    void SetUp() override { modal_patience_ms = 300; }
    void TearDown() override
    {
        modal_patience_ms = 10000;
        modal_script::all().clear();
    }
};

TEST_F(ModalScripts, ADialogLeftOpenFailsTheTestAndIsClosed)
{
    QDialog d;
    d.setWindowModality(Qt::ApplicationModal);
    bool ran = false;
    int rc = -1;
    // The script runs but does not close the dialog.
    EXPECT_NONFATAL_FAILURE(
        {
            when_modal_of<QDialog>([&](QDialog *) { ran = true; });
            rc = d.exec();
        },
        "still open");
    EXPECT_TRUE(ran);
    EXPECT_EQ(rc, QDialog::Rejected);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(ModalScripts, AnotherDialogInTheWayIsClosedAfterThePatience)
{
    QDialog d;
    d.setWindowModality(Qt::ApplicationModal);
    bool ran = false;
    EXPECT_NONFATAL_FAILURE(
        {
            when_modal_of<QMessageBox>([&](QMessageBox *) { ran = true; });
            d.exec(); // not a message box: nobody answers it
        },
        "no modal QMessageBox");
    EXPECT_FALSE(ran);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(ModalScripts, AScriptWaitingAtTheEndOfItsTestFailsIt)
{
    when_modal_of<QMessageBox>([](QMessageBox *) {});
    modal_watch watch;
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
    EXPECT_NONFATAL_FAILURE(watch.OnTestEnd(*info), "ended before a modal QMessageBox showed");
    EXPECT_TRUE(modal_script::all().empty());
    // A script that acted is no failure.
    QDialog d;
    d.setWindowModality(Qt::ApplicationModal);
    when_modal_of<QDialog>([](QDialog *w) { w->accept(); });
    EXPECT_EQ(d.exec(), QDialog::Accepted);
    watch.OnTestEnd(*info);
}
