// "Печать...", "Экспорт..." and their forms with a table of data, from the
// editor's menu commands and keys, checked on the files they write.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "canvas/canvas.h"
#include "frame/frame.h"
#include "frame/key_routing.h"
#include "frame/print_export.h"
#include "hub/commands.h"
#include "hub/program_state.h"
#include "model/settings.h"
#include "output/output_support.h"
#include "platform/code_pages.h"
#include "platform/file_choice.h"
#include "support/fakes.h"
#include "support/hub_fakes.h"
#include "support/modal.h"
#include "support/scoped_env.h"
#include "support/shots.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

// Prints into a PDF file instead of asking, with an optional page range.
class pdf_printer_choice final : public print_choice_service {
public:
    bool choose(QPrinter &printer, int pages, QWidget *) override
    {
        asked_pages.push_back(pages);
        if (file.empty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(file.string()));
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        printer.setCopyCount(copies);
        return true;
    }
    fs::path file;
    int from = 0, to = 0, copies = 1;
    std::vector<int> asked_pages;
};

file_choice_result chosen(const fs::path &p)
{
    file_choice_result r;
    r.st = file_choice_result::status::chosen;
    r.path = u16(p);
    return r;
}

class PrintExport : public testing::Test {
protected:
    void SetUp() override
    {
        if (!router_) {
            router_ = new key_router(qApp);
            qApp->installEventFilter(router_);
        }
        prs__variables() = {{u"who", u"из просмотра"}};
    }
    void TearDown() override
    {
        prs__variables().clear();
        QList<QPointer<label_frame>> frames;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *f = qobject_cast<label_frame *>(w))
                frames << f;
        for (auto &f : frames)
            delete f.data();
        QApplication::processEvents();
    }
    // A frame holding a price tag: a text with ${who}, a CODE-128 of ${code}.
    label_frame *open_frame()
    {
        auto *f = new label_frame(store);
        // Filled in place: these commands read the label as it is.
        label *lab = f->hub().lab();
        lab->width = 216;
        lab->height = 108;
        lab->name = u"Ценник";
        lab->bgcolor = 0xFFFFFF;
        text(lab, u"${who}", 8, 90, 10);
        barcode(lab, 7, u"${code}", 10, 8, 196, 60);
        f->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(f));
        return f;
    }
    std::string warnings() const
    {
        std::string out;
        for (const auto &b : boxes.shown)
            out += plt__to_utf8(b.text) + "\n";
        return out;
    }
    void write_table(const fs::path &p, int rows)
    {
        std::string csv = "code;who\r\n";
        for (int i = 1; i <= rows; ++i)
            csv += "K" + std::to_string(i) + ";\"Строка " + std::to_string(i) + "\"\r\n";
        write_file(p, csv);
    }

    temp_dir dir;
    scoped_env settings_home{"XDG_CONFIG_HOME", dir.path().string()};
    fake_store store;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    scripted_file_choice files;
    scoped_seam<file_choice_service> use_files{&files};
    pdf_printer_choice printer;
    scoped_seam<print_choice_service> use_printer{&printer};
    static key_router *router_;
};

key_router *PrintExport::router_ = nullptr;

} // namespace

TEST_F(PrintExport, ExportWritesAPdfWithThePreviewVariables)
{
    label_frame *f = open_frame();
    prs__variables().push_back({u"code", u"PV-1"});
    files.results.push_back(chosen(dir / "tag.pdf"));
    f->command(cmd::export_label);
    ASSERT_EQ(files.asked.size(), 1u);
    EXPECT_TRUE(files.asked[0].save);
    EXPECT_EQ(files.asked[0].initial_name, u"Ценник.pdf");
    // Exports remember their own folder, apart from pictures' and labels'.
    EXPECT_EQ(settings::get(settings::export_folder).value_or(u""), u16(dir.path()));
    f->hub().lab()->name = u"label1.LBL"; // as a label from a file is named
    files.results.push_back({});
    f->command(cmd::export_label);
    ASSERT_EQ(files.asked.size(), 2u);
    EXPECT_EQ(files.asked[1].initial_name, u"label1.pdf");
    EXPECT_EQ(files.asked[1].folder, u16(dir.path()));
    // A slash inside a name is no folder; a label without a name is called
    // after its file.
    f->hub().lab()->name = u"Молоко 1/2 л";
    files.results.push_back({});
    f->command(cmd::export_label);
    EXPECT_EQ(files.asked.back().initial_name, u"Молоко 1_2 л.pdf");
    f->hub().lab()->name.clear();
    f->hub().lab()->store.place = u"/labels/безымянная.lbl";
    f->hub().lab()->store.local = 1;
    files.results.push_back({});
    f->command(cmd::export_label);
    EXPECT_EQ(files.asked.back().initial_name, u"безымянная.pdf");
    f->hub().lab()->name = u"Ценник";
    EXPECT_EQ(warnings(), "");
    const pdf_facts facts = pdf_info(dir / "tag.pdf");
    EXPECT_EQ(facts.pages, 1);
    EXPECT_NEAR(facts.width, 216, 0.01);
    EXPECT_NE(pdf_text(dir / "tag.pdf").find("из просмотра"), std::string::npos);
    temp_dir pages;
    const auto png = pdf_pages(dir / "tag.pdf", pages.path(), 300);
    ASSERT_EQ(png.size(), 1u);
    EXPECT_EQ(zbar_codes(png[0]), std::set<std::string>{"PV-1"});
}

TEST_F(PrintExport, PngAsksItsResolutionAndRemembersIt)
{
    label_frame *f = open_frame();
    prs__variables().push_back({u"code", u"PNG"});
    for (int round = 0; round < 2; ++round) {
        files.results.push_back(chosen(dir / ("tag" + std::to_string(round) + ".png")));
        when_modal_named(QStringLiteral("zelta-png-options"), [round](QWidget *w) {
            auto *dpi = w->findChild<QSpinBox *>(QStringLiteral("dpi"));
            ASSERT_TRUE(dpi);
            if (round == 0) {
                EXPECT_EQ(dpi->value(), 300);
                dpi->setValue(150);
            } else {
                EXPECT_EQ(dpi->value(), 150); // remembered
            }
            save_shot(w, QStringLiteral("png-options"));
            w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        f->command(cmd::export_label);
        QImage img(QString::fromStdString((dir / ("tag" + std::to_string(round) + ".png")).string()));
        EXPECT_EQ(img.size(), QSize(450, 225));
    }
    // Cancelled options write nothing.
    files.results.push_back(chosen(dir / "never.png"));
    when_modal_named(QStringLiteral("zelta-png-options"), [](QWidget *w) {
        w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    });
    f->command(cmd::export_label);
    EXPECT_FALSE(fs::exists(dir / "never.png"));
    EXPECT_EQ(warnings(), "");
}

TEST_F(PrintExport, FailedExportSaysWhyAndLeavesNothing)
{
    label_frame *f = open_frame();
    write_file(dir / "plain", "x");
    files.results.push_back(chosen(dir / "plain" / "tag.pdf"));
    f->command(cmd::export_label);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(warnings().find("не записан"), std::string::npos) << warnings();
    // An extension that is none of the three.
    files.results.push_back(chosen(dir / "tag.bmp"));
    f->command(cmd::export_label);
    EXPECT_NE(warnings().find("Неизвестный формат"), std::string::npos) << warnings();
    EXPECT_EQ(files_in(dir.path()), (std::set<std::string>{"plain", "ZELTA"}));
}

TEST_F(PrintExport, PrintPutsTheLabelOnAPageOfItsSize)
{
    label_frame *f = open_frame();
    prs__variables().push_back({u"code", u"PRN"});
    printer.file = dir / "printed.pdf";
    f->command(cmd::print);
    EXPECT_EQ(printer.asked_pages, std::vector<int>{1});
    const pdf_facts facts = pdf_info(dir / "printed.pdf");
    EXPECT_EQ(facts.pages, 1);
    EXPECT_NEAR(facts.width, 216, 0.5);
    EXPECT_NEAR(facts.height, 108, 0.5);
    temp_dir pages;
    const auto png = pdf_pages(dir / "printed.pdf", pages.path(), 300);
    ASSERT_EQ(png.size(), 1u);
    EXPECT_EQ(zbar_codes(png[0]), std::set<std::string>{"PRN"});
    EXPECT_EQ(warnings(), "");

    // Cancelled in the dialog: nothing printed.
    fs::remove(dir / "printed.pdf");
    printer.file.clear();
    f->command(cmd::print);
    EXPECT_FALSE(fs::exists(dir / "printed.pdf"));
}

TEST_F(PrintExport, CtrlShiftPPrintsAndCtrlPStaysTheLabelsProperties)
{
    label_frame *f = open_frame();
    f->stock().canvas->setFocus();
    QTest::keyClick(f->stock().canvas, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(printer.asked_pages.size(), 1u);
    when_modal([](QWidget *w) {
        EXPECT_TRUE(w->objectName().startsWith(QStringLiteral("zelta-"))) << w->objectName().toStdString();
        close_modal_widgets();
    });
    QTest::keyClick(f->stock().canvas, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(printer.asked_pages.size(), 1u);
}

TEST_F(PrintExport, TheRealPrintDialogOpensAndCancels)
{
    label_frame *f = open_frame();
    scoped_seam<print_choice_service> real{nullptr};
    when_modal_named(QStringLiteral("zelta-print-dialog"), [](QWidget *w) {
        save_shot(w, QStringLiteral("print-dialog"));
        static_cast<QDialog *>(w)->reject();
    });
    f->command(cmd::print);
    EXPECT_EQ(warnings(), "");
}

TEST_F(PrintExport, BatchDialogShowsTheTableThenExportsAPagePerRow)
{
    label_frame *f = open_frame();
    // "who" has a column; a ${price} of the label has none.
    f->hub().lab()->es[0]->text.text = u"${who} ${price}";
    write_table(dir / "t.csv", 12);
    files.results.push_back(chosen(dir / "t.csv"));
    files.results.push_back(chosen(dir / "batch.pdf"));
    when_modal_named(QStringLiteral("zelta-batch-dialog"), [](QWidget *w) {
        EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("rows"))->text(), QStringLiteral("12"));
        EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("columns"))->text(), QStringLiteral("«code», «who»"));
        EXPECT_TRUE(w->findChild<QLabel *>(QStringLiteral("missing"))->text().startsWith(QStringLiteral("${price}")));
        EXPECT_FALSE(w->findChild<QLabel *>(QStringLiteral("thumbnail"))->pixmap().isNull());
        EXPECT_FALSE(w->findChild<QLabel *>(QStringLiteral("problem"))->isVisible());
        save_shot(w, QStringLiteral("batch-dialog"));
        w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    long last = -1;
    pex__set_progress_watch([&](QProgressDialog *d, long done, long total) {
        EXPECT_EQ(total, 12);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->objectName(), QStringLiteral("zelta-batch-progress"));
        EXPECT_EQ(QApplication::activeModalWidget(), d); // the frame waits
        if (done == 6)
            save_shot(d, QStringLiteral("batch-progress"));
        last = done;
    });
    f->command(cmd::export_batch);
    pex__set_progress_watch({});
    EXPECT_EQ(last, 12);
    EXPECT_EQ(warnings(), "");
    EXPECT_EQ(pdf_info(dir / "batch.pdf").pages, 12);
    const std::string text = pdf_text(dir / "batch.pdf");
    EXPECT_NE(text.find("Строка 12"), std::string::npos);
    EXPECT_EQ(text.find("из просмотра"), std::string::npos); // the column wins
}

TEST_F(PrintExport, BatchDialogRefusesABadTableAndTheSeparatorCanBeChosen)
{
    label_frame *f = open_frame();
    write_file(dir / "bad.csv", "code,who\nA,1\nB,2,3\n");
    files.results.push_back(chosen(dir / "bad.csv"));
    when_modal_named(QStringLiteral("zelta-batch-dialog"), [](QWidget *w) {
        auto *problem = w->findChild<QLabel *>(QStringLiteral("problem"));
        EXPECT_TRUE(problem->isVisible());
        EXPECT_TRUE(problem->text().startsWith(QStringLiteral("Строка 3"))) << problem->text().toStdString();
        auto *ok = w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        EXPECT_FALSE(ok->isEnabled());
        save_shot(w, QStringLiteral("batch-dialog-refused"));
        // Read with ";" the file is one column of three rows.
        auto *sep = w->findChild<QComboBox *>(QStringLiteral("separator"));
        sep->setCurrentIndex(sep->findData(int(';')));
        EXPECT_TRUE(ok->isEnabled());
        EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("rows"))->text(), QStringLiteral("2"));
        w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    });
    f->command(cmd::export_batch);
    EXPECT_EQ(files.asked.size(), 1u); // no output was asked for
    EXPECT_EQ(files_in(dir.path()), (std::set<std::string>{"bad.csv", "ZELTA"}));
}

TEST_F(PrintExport, BatchDialogTakesCopiesFromAColumnAndRefusesABadCell)
{
    label_frame *f = open_frame();
    f->hub().lab()->es[0]->text.text = u"№${#:0001} ${who} ${#row}";
    f->hub().lab()->es[1]->barcode.code = u"${code}-${#}";
    write_file(dir / "t.csv", "code;who;штук\nA;Первая;2\nB;Вторая;0\nC;Третья;3\n");
    files.results.push_back(chosen(dir / "t.csv"));
    files.results.push_back(chosen(dir / "copies.pdf"));
    when_modal_named(QStringLiteral("zelta-batch-dialog"), [this](QWidget *w) {
        auto *column = w->findChild<QComboBox *>(QStringLiteral("copies_column"));
        ASSERT_TRUE(column);
        EXPECT_EQ(column->currentText(), QStringLiteral("нет"));
        // Counters are no column the table lacks.
        EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("missing"))->text(), QStringLiteral("нет"));
        column->setCurrentIndex(column->findData(QStringLiteral("штук")));
        EXPECT_FALSE(w->findChild<QLabel *>(QStringLiteral("problem"))->isVisible());
        // A cell that is no number of copies: named with its line, no button.
        write_file(dir / "t.csv", "code;who;штук\nA;Первая;2\nB;Вторая;1e3\nC;Третья;3\n");
        column->setCurrentIndex(0);
        column->setCurrentIndex(column->findData(QStringLiteral("штук")));
        auto *problem = w->findChild<QLabel *>(QStringLiteral("problem"));
        EXPECT_TRUE(problem->isVisible());
        EXPECT_TRUE(problem->text().startsWith(QStringLiteral("Строка 3: в столбце «штук» «1e3»")))
            << problem->text().toStdString();
        auto *ok = w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        EXPECT_FALSE(ok->isEnabled());
        save_shot(w, QStringLiteral("batch-dialog-copies-refused"));
        write_file(dir / "t.csv", "code;who;штук\nA;Первая;2\nB;Вторая;0\nC;Третья;3\n");
        column->setCurrentIndex(0);
        column->setCurrentIndex(column->findData(QStringLiteral("штук")));
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
    });
    f->command(cmd::export_batch);
    EXPECT_EQ(warnings(), "");
    ASSERT_EQ(pdf_info(dir / "copies.pdf").pages, 5);
    const std::string third = run("pdftotext -f 3 -l 3 " + quoted(dir / "copies.pdf") + " -").out;
    EXPECT_NE(third.find("№0003 Третья 3"), std::string::npos) << third;
    temp_dir pages;
    const auto png = pdf_pages(dir / "copies.pdf", pages.path(), 200);
    ASSERT_EQ(png.size(), 5u);
    EXPECT_EQ(zbar_codes(png[4]), std::set<std::string>{"C-5"});
}

TEST_F(PrintExport, PrintedCopiesOfANumberedLabelAreNumbered)
{
    label_frame *f = open_frame();
    f->hub().lab()->es[1]->barcode.code = u"N${#:100}";
    printer.file = dir / "printed.pdf";
    printer.copies = 3;
    f->command(cmd::print);
    EXPECT_EQ(warnings(), "");
    temp_dir pages;
    const auto png = pdf_pages(dir / "printed.pdf", pages.path(), 200);
    ASSERT_EQ(png.size(), 3u);
    EXPECT_EQ(zbar_codes(png[0]), std::set<std::string>{"N100"});
    EXPECT_EQ(zbar_codes(png[2]), std::set<std::string>{"N102"});
}

TEST_F(PrintExport, BatchDialogChoosesABooksSheet)
{
    label_frame *f = open_frame();
    f->hub().lab()->es[0]->text.text = u"${who} ${price}";
    // A book as openpyxl writes it, under a name that says nothing of it.
    const run_result made = run("/usr/bin/python3 -c \"import openpyxl, sys\n"
                                "wb = openpyxl.Workbook(); wb.active.title = 'Склад'\n"
                                "wb.active.append(['code', 'qty']); wb.active.append(['A', 1])\n"
                                "s = wb.create_sheet('Цены'); s.append(['who', 'price', 'code'])\n"
                                "[s.append(['Строка %d' % i, i + 0.5, 'K%d' % i]) for i in range(1, 4)]\n"
                                "wb.save(sys.argv[1])\" " +
                                quoted(dir / "book.dat"));
    ASSERT_EQ(made.status, 0) << made.err;
    files.results.push_back(chosen(dir / "book.dat"));
    files.results.push_back(chosen(dir / "batch.pdf"));
    when_modal_named(QStringLiteral("zelta-batch-dialog"), [](QWidget *w) {
        auto *sheets = w->findChild<QComboBox *>(QStringLiteral("table-sheet"));
        EXPECT_TRUE(sheets->isVisible()) << w->findChild<QLabel *>(QStringLiteral("problem"))->text().toStdString();
        EXPECT_FALSE(w->findChild<QComboBox *>(QStringLiteral("separator"))->isVisible());
        ASSERT_EQ(sheets->count(), 2);
        EXPECT_EQ(sheets->itemText(1), QStringLiteral("Цены"));
        EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("columns"))->text(), QStringLiteral("«code», «qty»"));
        sheets->setCurrentIndex(1);
        EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("columns"))->text(), QStringLiteral("«who», «price», «code»"));
        EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("rows"))->text(), QStringLiteral("3"));
        EXPECT_FALSE(w->findChild<QLabel *>(QStringLiteral("thumbnail"))->pixmap().isNull());
        save_shot(w, QStringLiteral("batch-dialog-book"));
        w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    f->command(cmd::export_batch);
    EXPECT_EQ(warnings(), "");
    EXPECT_EQ(pdf_info(dir / "batch.pdf").pages, 3);
    EXPECT_NE(pdf_text(dir / "batch.pdf").find("Строка 3 3.5"), std::string::npos);
}

TEST_F(PrintExport, CancelledBatchLeavesNoPdf)
{
    label_frame *f = open_frame();
    write_table(dir / "t.csv", 400);
    files.results.push_back(chosen(dir / "t.csv"));
    files.results.push_back(chosen(dir / "batch.pdf"));
    when_modal_named(QStringLiteral("zelta-batch-dialog"), [](QWidget *w) {
        w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    long last = -1;
    pex__set_progress_watch([&](QProgressDialog *d, long done, long) {
        last = done;
        if (done == 200)
            d->cancel(); // as the "Отмена" button does
    });
    f->command(cmd::export_batch);
    pex__set_progress_watch({});
    EXPECT_EQ(last, 200);
    EXPECT_EQ(warnings(), "");
    EXPECT_FALSE(fs::exists(dir / "batch.pdf"));
    EXPECT_EQ(files_in(dir.path()), (std::set<std::string>{"t.csv", "ZELTA"}));
}

TEST_F(PrintExport, BatchPrintsTheChosenPageRange)
{
    label_frame *f = open_frame();
    write_table(dir / "t.csv", 6);
    files.results.push_back(chosen(dir / "t.csv"));
    printer.file = dir / "printed.pdf";
    printer.from = 2;
    printer.to = 4;
    when_modal_named(QStringLiteral("zelta-batch-dialog"), [](QWidget *w) {
        w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    f->command(cmd::print_batch);
    EXPECT_EQ(printer.asked_pages, std::vector<int>{6});
    EXPECT_EQ(pdf_info(dir / "printed.pdf").pages, 3);
    temp_dir pages;
    const auto png = pdf_pages(dir / "printed.pdf", pages.path(), 300);
    ASSERT_EQ(png.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(zbar_codes(png[i]), std::set<std::string>{"K" + std::to_string(i + 2)});
}
