// Sheets of labels in the editor: choosing a sheet in the label's
// properties, the user's own sheets, printing and exporting on a sheet from
// a chosen cell, and the printer's calibration.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <map>
#include <regex>

#include "frame/calibration.h"
#include "frame/frame.h"
#include "frame/key_routing.h"
#include "frame/labelopt.h"
#include "frame/print_export.h"
#include "frame/sheet_dialogs.h"
#include "hub/commands.h"
#include "hub/program_state.h"
#include "model/settings.h"
#include "output/output_support.h"
#include "output/sink.h"
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

constexpr double MM = 72.0 / 25.4;

label_sheet a4_sheet(const char *brand, const char *part, const char *desc, double w_mm, double h_mm, int cols,
                     int rows, double left_mm, double top_mm)
{
    label_sheet s;
    s.brand = brand;
    s.part = part;
    s.description = desc;
    s.paper = "A4";
    s.paper_width = 210 * MM;
    s.paper_height = 297 * MM;
    s.label_width = w_mm * MM;
    s.label_height = h_mm * MM;
    s.grids.push_back({cols, rows, left_mm * MM, top_mm * MM, w_mm * MM, h_mm * MM});
    return s;
}

// The catalogue and the user's sheets in memory; a read that fails as a
// broken file would.
class memory_shelf final : public sheet_shelf_service {
public:
    sheet_catalogue catalogue() override
    {
        sheet_catalogue c = fixed;
        for (const label_sheet &s : own)
            c.sheets.insert(c.sheets.begin(), {s, sheet_source::user});
        return c;
    }
    std::vector<label_sheet> user_sheets(std::u16string &error) override
    {
        error = read_error;
        return read_error.empty() ? own : std::vector<label_sheet>{};
    }
    bool keep_user_sheets(const std::vector<label_sheet> &sheets, std::u16string &) override
    {
        ++writes;
        own = sheets;
        return true;
    }
    sheet_catalogue fixed;
    std::vector<label_sheet> own;
    std::u16string read_error;
    int writes = 0;
};

class pdf_printer_choice final : public print_choice_service {
public:
    bool choose(QPrinter &printer, int pages, QWidget *) override
    {
        asked_pages.push_back(pages);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(file.string()));
        return true;
    }
    fs::path file;
    std::vector<int> asked_pages;
};

file_choice_result chosen(const fs::path &p)
{
    file_choice_result r;
    r.st = file_choice_result::status::chosen;
    r.path = u16(p);
    return r;
}

// Words of a PDF with their page (from 1) and top left corner, in points.
struct placed_word {
    int page = 0;
    double x = 0, y = 0;
};
std::multimap<std::string, placed_word> pdf_words(const fs::path &pdf)
{
    const run_result r = run("pdftotext -bbox " + quoted(pdf) + " -");
    EXPECT_EQ(r.status, 0) << r.err;
    std::multimap<std::string, placed_word> words;
    static const std::regex page("<page "), word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re");
    int n = 0;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        if (std::regex_search(line, page))
            ++n;
        std::smatch m;
        if (std::regex_search(line, m, word))
            words.insert({m[3].str(), {n, std::stod(m[1].str()), std::stod(m[2].str())}});
    }
    return words;
}

class Sheets : public testing::Test {
protected:
    void SetUp() override
    {
        if (!router_) {
            router_ = new key_router(qApp);
            qApp->installEventFilter(router_);
        }
        shelf.fixed.sheets = {
            {a4_sheet("Avery", "L7160", "Адресные этикетки", 63.5, 38.1, 3, 7, 7.2, 15.1), sheet_source::glabels},
            {a4_sheet("Herma", "4457", "Универсальные", 105, 48, 2, 6, 0, 4.5), sheet_source::built_in},
            {a4_sheet("Zweckform", "3475", "Addresses", 70, 36, 3, 8, 0, 4.5), sheet_source::libreoffice},
        };
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
    label_frame *open_frame()
    {
        auto *f = new label_frame(store);
        label *lab = f->hub().lab();
        lab->width = 216;
        lab->height = 108;
        lab->bgcolor = 0xFFFFFF;
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
    static QStringList names(QTreeWidget *list)
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0);
        return out;
    }
    static void ok(QWidget *dialog)
    {
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    }

    temp_dir dir;
    scoped_env settings_home{"XDG_CONFIG_HOME", dir.path().string()};
    fake_store store;
    memory_shelf shelf;
    scoped_seam<sheet_shelf_service> use_shelf{&shelf};
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    scripted_file_choice files;
    scoped_seam<file_choice_service> use_files{&files};
    pdf_printer_choice printer;
    scoped_seam<print_choice_service> use_printer{&printer};
    static key_router *router_;
};

key_router *Sheets::router_ = nullptr;

} // namespace

TEST_F(Sheets, SearchFiltersAsOneTypes)
{
    shelf.fixed.refused = 2;
    when_modal_of<sheet_chooser_dialog>([&](sheet_chooser_dialog *d) {
        EXPECT_EQ(d->list()->topLevelItemCount(), 3);
        EXPECT_EQ(d->refused()->text(), QStringLiteral("Не прочитано файлов шаблонов: 2"));
        // Every word must match, in any of brand, part, description, size.
        QTest::keyClicks(d->search(), QStringLiteral("herma"));
        EXPECT_EQ(names(d->list()), QStringList{QStringLiteral("Herma 4457")});
        d->search()->setText(QStringLiteral("70x36"));
        EXPECT_EQ(names(d->list()), QStringList{QStringLiteral("Zweckform 3475")});
        d->search()->setText(QStringLiteral("a4 nothing-like-it"));
        EXPECT_EQ(d->list()->topLevelItemCount(), 0);
        EXPECT_FALSE(d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled());
        d->search()->clear();
        EXPECT_EQ(d->list()->topLevelItemCount(), 3);
        d->reject();
    });
    EXPECT_FALSE(shd__choose(nullptr, std::nullopt));
}

TEST_F(Sheets, ChoosingASheetSetsTheSizeAndOneUndoTakesBothBack)
{
    label_frame *f = open_frame();
    const label_sheet herma = shelf.fixed.sheets[1].sheet;
    when_modal_of<sheet_chooser_dialog>([&](sheet_chooser_dialog *d) {
        const QList<QTreeWidgetItem *> found = d->list()->findItems(QStringLiteral("Herma 4457"), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        d->list()->setCurrentItem(found[0]);
        // A sheet of the catalogue is nobody's to change.
        EXPECT_FALSE(d->change_button()->isEnabled());
        EXPECT_FALSE(d->delete_button()->isEnabled());
        save_shot(d, QStringLiteral("sheet-chooser"));
        ok(d);
    });
    when_modal_of<label_options_dialog>([&](label_options_dialog *d) {
        d->sheet_button()->click();
        EXPECT_EQ(d->width_edit()->text(), QString::asprintf("%.2f", herma.label_width));
        EXPECT_EQ(d->height_edit()->text(), QString::asprintf("%.2f", herma.label_height));
        save_shot(d, QStringLiteral("label-options-sheet"));
        static_cast<QDialog *>(d)->accept();
    });
    f->command(cmd::label_properties);
    label *lab = f->hub().lab();
    ASSERT_TRUE(lab->sheet);
    EXPECT_EQ(*lab->sheet, herma);
    EXPECT_NEAR(lab->width, herma.label_width, 0.01);
    EXPECT_NEAR(lab->height, herma.label_height, 0.01);
    // One step back: the size and the sheet together.
    f->command(cmd::undo);
    lab = f->hub().lab();
    EXPECT_FALSE(lab->sheet);
    EXPECT_EQ(lab->width, 216);
    EXPECT_EQ(lab->height, 108);
    f->command(cmd::redo);
    lab = f->hub().lab();
    ASSERT_TRUE(lab->sheet);
    EXPECT_EQ(*lab->sheet, herma);
    EXPECT_NEAR(lab->width, herma.label_width, 0.01);
    // "Нет" takes the sheet away and leaves the size.
    when_modal_of<label_options_dialog>([&](label_options_dialog *d) {
        EXPECT_TRUE(d->sheet_name()->text().startsWith(QStringLiteral("Herma 4457")));
        d->no_sheet_button()->click();
        static_cast<QDialog *>(d)->accept();
    });
    f->command(cmd::label_properties);
    lab = f->hub().lab();
    EXPECT_FALSE(lab->sheet);
    EXPECT_NEAR(lab->width, herma.label_width, 0.01);
    EXPECT_EQ(warnings(), "");
}

TEST_F(Sheets, OwnSheetMadeChangedAndDeleted)
{
    std::optional<label_sheet> picked;
    when_modal_of<sheet_chooser_dialog>([&](sheet_chooser_dialog *d) {
        EXPECT_FALSE(d->refused()->isVisible());
        when_modal_of<own_sheet_dialog>([&](own_sheet_dialog *o) {
            o->part()->setText(QStringLiteral("Полка 40x25"));
            o->field("label-width")->setValue(40);
            o->field("label-height")->setValue(25);
            o->columns()->setValue(6); // 6 × 40 mm leave an A4's 210 mm
            o->rows()->setValue(10);
            o->field("left")->setValue(5);
            o->field("top")->setValue(10);
            o->field("gap-across")->setValue(2);
            o->field("gap-down")->setValue(3);
            ok(o);
            EXPECT_TRUE(o->isVisible());
            EXPECT_TRUE(o->problem()->isVisible());
            EXPECT_EQ(o->problem()->text(), QStringLiteral("Этикетка 5 выходит за правый край бумаги."));
            save_shot(o, QStringLiteral("own-sheet-refused"));
            o->columns()->setValue(4);
            ok(o);
            EXPECT_FALSE(o->isVisible());
        });
        d->create_button()->click();
        ASSERT_EQ(shelf.own.size(), 1u);
        EXPECT_EQ(shelf.own[0].part, "Полка 40x25");
        EXPECT_EQ(sht__count(shelf.own[0]), 40);
        EXPECT_NEAR(shelf.own[0].grids[0].across, 42 * MM, 1e-9);
        // The new sheet is in the list, chosen, and the user's to change.
        ASSERT_TRUE(d->chosen());
        EXPECT_EQ(d->chosen()->sheet, shelf.own[0]);
        EXPECT_TRUE(d->change_button()->isEnabled());
        when_modal_of<own_sheet_dialog>([&](own_sheet_dialog *o) {
            EXPECT_EQ(o->paper()->currentText(), QStringLiteral("A4"));
            EXPECT_DOUBLE_EQ(o->field("gap-down")->value(), 3);
            o->rows()->setValue(8);
            ok(o);
        });
        d->change_button()->click();
        ASSERT_EQ(shelf.own.size(), 1u);
        EXPECT_EQ(shelf.own[0].grids[0].rows, 8);
        EXPECT_EQ(d->list()->topLevelItemCount(), 4);
        // An own file that cannot be read is never written over.
        shelf.read_error = u"строка 3: не XML";
        const int writes = shelf.writes;
        boxes.answers.push_back(mb_answer::yes);
        d->delete_button()->click();
        EXPECT_EQ(shelf.writes, writes);
        EXPECT_NE(warnings().find("строка 3: не XML"), std::string::npos) << warnings();
        shelf.read_error.clear();
        boxes.answers.push_back(mb_answer::no);
        d->delete_button()->click();
        EXPECT_EQ(shelf.own.size(), 1u);
        picked = d->chosen()->sheet;
        boxes.answers.push_back(mb_answer::yes);
        d->delete_button()->click();
        EXPECT_TRUE(shelf.own.empty());
        EXPECT_EQ(d->list()->topLevelItemCount(), 3);
        d->reject();
    });
    EXPECT_FALSE(shd__choose(nullptr, std::nullopt));
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->grids[0].rows, 8);
}

TEST_F(Sheets, ExportWithDataStartsAtTheClickedCell)
{
    label_frame *f = open_frame();
    label *lab = f->hub().lab();
    // Two by two labels of 200 × 100 pt, 50 pt between them across and down.
    label_sheet s = a4_sheet("", "2x2", "", 1, 1, 2, 2, 0, 0);
    s.label_width = lab->width = 200;
    s.label_height = lab->height = 100;
    s.grids[0] = {2, 2, 50, 100, 250, 150};
    lab->sheet = s;
    text(lab, u"${who}", 20, 70, 12);
    std::string csv = "who\r\n";
    for (int i = 1; i <= 5; ++i)
        csv += "W" + std::to_string(i) + "\r\n";
    write_file(dir / "rows.csv", csv);
    auto export_with = [&](const fs::path &pdf, int cell, int copies) {
        files.results.push_back(chosen(dir / "rows.csv"));
        files.results.push_back(chosen(pdf));
        when_modal_named(QStringLiteral("zelta-batch-dialog"), [&, cell, copies](QWidget *d) {
            auto *run = d->findChild<sheet_run_box *>();
            ASSERT_TRUE(run);
            EXPECT_FALSE(run->outlines()->isChecked());
            EXPECT_FALSE(run->crop_marks()->isChecked());
            QTest::mouseClick(run->view(), Qt::LeftButton, {}, run->view()->cell_middle(cell));
            EXPECT_EQ(run->options().first, cell);
            run->copies()->setValue(copies);
            save_shot(d, QStringLiteral("batch-on-sheet"));
            ok(d);
        });
        f->command(cmd::export_batch);
        EXPECT_EQ(warnings(), "");
        return pdf_words(pdf);
    };
    // From cell 2: W1..W3 fill the first sheet, W4 and W5 start the next.
    auto words = export_with(dir / "from2.pdf", 2, 1);
    EXPECT_EQ(pdf_info(dir / "from2.pdf").pages, 2);
    ASSERT_EQ(words.size(), 5u) << run("pdftotext -bbox " + quoted(dir / "from2.pdf") + " -").out;
    auto at = [&](const char *w) { return words.find(w)->second; };
    EXPECT_EQ(at("W1").page, 1);
    EXPECT_EQ(at("W3").page, 1);
    EXPECT_EQ(at("W4").page, 2);
    EXPECT_NEAR(at("W1").x - at("W4").x, 250, 1); // cell 2 against cell 1
    EXPECT_NEAR(at("W1").y, at("W4").y, 1);
    EXPECT_NEAR(at("W2").x, at("W4").x, 1); // cell 3 below cell 1
    EXPECT_NEAR(at("W2").y - at("W4").y, 150, 1);
    EXPECT_NEAR(at("W5").x, at("W1").x, 1);
    EXPECT_EQ(pdf_info(dir / "from2.pdf").width, std::round(210 * MM));
    // Two of each row, side by side: ten labels, three sheets.
    words = export_with(dir / "twice.pdf", 1, 2);
    EXPECT_EQ(pdf_info(dir / "twice.pdf").pages, 3);
    ASSERT_EQ(words.count("W1"), 2u);
    auto w1 = words.equal_range("W1");
    const placed_word a = w1.first->second, b = std::next(w1.first)->second;
    EXPECT_EQ(a.page, 1);
    EXPECT_EQ(b.page, 1);
    EXPECT_NEAR(std::fabs(a.x - b.x), 250, 1);
    EXPECT_EQ(words.find("W5")->second.page, 3);
}

TEST_F(Sheets, OneLabelPrintedFromAPartUsedSheet)
{
    label_frame *f = open_frame();
    label *lab = f->hub().lab();
    lab->sheet = shelf.fixed.sheets[1].sheet; // 2 × 6
    lab->width = lab->sheet->label_width;
    lab->height = lab->sheet->label_height;
    text(lab, u"Один", 20, 70, 12);
    printer.file = dir / "one.pdf";
    when_modal_named(QStringLiteral("zelta-sheet-run"), [&](QWidget *d) {
        auto *run = d->findChild<sheet_run_box *>();
        QTest::mouseClick(run->view(), Qt::LeftButton, {}, run->view()->cell_middle(12));
        run->copies()->setValue(2); // the last cell, and one more on a new sheet
        save_shot(d, QStringLiteral("print-on-sheet"));
        ok(d);
    });
    f->command(cmd::print);
    EXPECT_EQ(printer.asked_pages, std::vector<int>{2});
    EXPECT_EQ(pdf_info(dir / "one.pdf").pages, 2);
    const auto words = pdf_words(dir / "one.pdf");
    ASSERT_EQ(words.count("Один"), 2u);
    auto w = words.equal_range("Один");
    const placed_word last = w.first->second, next = std::next(w.first)->second;
    // Cell 12 is the second column of the sixth row; then cell 1 of sheet 2.
    EXPECT_NEAR(last.x - next.x, 105 * MM, 1);
    EXPECT_NEAR(last.y - next.y, 5 * 48 * MM, 1);
    EXPECT_EQ(warnings(), "");
}

TEST_F(Sheets, CalibrationMovesAndScalesThePrintedPage)
{
    // What the dialog keeps, for the printer it was opened for.
    {
        calibration_dialog d(nullptr, {QStringLiteral("Офис"), QStringLiteral("Склад")}, QStringLiteral("Склад"));
        EXPECT_EQ(d.printer()->currentText(), QStringLiteral("Склад"));
        EXPECT_DOUBLE_EQ(d.left()->value(), 20);
        d.left()->setValue(21.5);
        d.top()->setValue(18);
        d.ruler()->setValue(98);
        save_shot(&d, QStringLiteral("calibration"));
        static_cast<QDialog &>(d).accept();
    }
    const settings::calibration c = settings::get_calibration(u"Склад");
    EXPECT_NEAR(c.scale, 100 * 100 / 98.0, 0.01);
    EXPECT_NEAR(c.x, 20 - 21.5 * 100 / 98.0, 0.01);
    EXPECT_NEAR(c.y, 20 - 18 * 100 / 98.0, 0.01);
    EXPECT_EQ(settings::get_calibration(u"Офис"), settings::calibration{});
    {
        calibration_dialog d(nullptr, {QStringLiteral("Склад")}, QStringLiteral("Склад"));
        EXPECT_NEAR(d.left()->value(), 21.5, 0.05);
        EXPECT_NEAR(d.ruler()->value(), 98, 0.05);
    }
    // Kept entries another program (or a hand) broke count as none and go
    // with the next write; a sound one beside them stays.
    settings::set(settings::printer_calibration,
                  {u"Склад\tnan\t0\t100", u"Склад\t1e999\t0\t100", u"Офис\t1\t2\t100", u"Офис", u"\t1\t2\t100",
                   u"Касса\t1\t2\t0", u"Касса\t1\t2\t100\t7", u"Склад\t1,5\t0x10\t100"});
    EXPECT_EQ(settings::get_calibration(u"Склад"), settings::calibration{});
    EXPECT_EQ(settings::get_calibration(u"Касса"), settings::calibration{});
    EXPECT_EQ(settings::get_calibration(u"Офис"), (settings::calibration{1, 2, 100}));
    settings::set_calibration(u"Склад", {-1, 1, 101});
    EXPECT_EQ(settings::get(settings::printer_calibration),
              (std::vector<std::u16string>{u"Офис\t1\t2\t100", u"Склад\t-1.000\t1.000\t101.000"}));

    // The shift drawn on a device: a word 30 pt right and 15 pt down, and
    // its place scaled about the page's corner.
    label_ptr lab = ele__label_new(300, 200);
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"Метка", 100, 100, 12);
    auto print = [&](const fs::path &pdf, page_shift shift) {
        QPdfWriter w(QString::fromStdString(pdf.string()));
        w.setPageLayout(out__page_layout(lab.get()));
        w.setResolution(600);
        std::unique_ptr<page_sink> sink = out__device_sink(lab.get(), w, 0, 0, shift);
        std::vector<std::u16string> problems;
        std::u16string error;
        ASSERT_TRUE(sink->label_page(lab.get(), {}, 1, problems, error) && sink->finish(error)) << plt__to_utf8(error);
    };
    print(dir / "plain.pdf", {});
    print(dir / "moved.pdf", {QPointF(30, 15), 1});
    print(dir / "scaled.pdf", {QPointF(0, 0), 1.5});
    const placed_word plain = pdf_words(dir / "plain.pdf").find("Метка")->second;
    const placed_word moved = pdf_words(dir / "moved.pdf").find("Метка")->second;
    const placed_word scaled = pdf_words(dir / "scaled.pdf").find("Метка")->second;
    EXPECT_NEAR(moved.x - plain.x, 30, 0.5);
    EXPECT_NEAR(moved.y - plain.y, 15, 0.5);
    EXPECT_NEAR(scaled.x / plain.x, 1.5, 0.02);
    EXPECT_NEAR(scaled.y / plain.y, 1.5, 0.02);
    // A file is no printer: no calibration of any printer's applies.
    QPrinter pdf_printer(QPrinter::HighResolution);
    pdf_printer.setOutputFormat(QPrinter::PdfFormat);
    const page_shift none = pex__printer_shift(pdf_printer);
    EXPECT_EQ(none.scale, 1);
    EXPECT_TRUE(none.offset.isNull());

    // The page to measure says what to measure.
    {
        QPdfWriter w(QString::fromStdString((dir / "calibration.pdf").string()));
        w.setPageSize(QPageSize(QPageSize::A4));
        w.setPageMargins(QMarginsF(0, 0, 0, 0));
        ASSERT_TRUE(cal__print_page(w));
    }
    const auto words = pdf_words(dir / "calibration.pdf");
    ASSERT_EQ(words.count("Измерьте"), 1u) << run("pdftotext -bbox " + quoted(dir / "calibration.pdf") + " -").out;
    // The instruction starts right of the ruler down and below the one across.
    EXPECT_GT(words.find("Измерьте")->second.x, 20 * MM);
    EXPECT_GT(words.find("Измерьте")->second.y, 20 * MM);
}
