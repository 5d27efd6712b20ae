// Labels on sheets as vellumo-render writes them: each label at its cell
// (read back by pdftotext's word boxes), where a run starts, copies,
// outlines and crop marks on the pages (their pixels), barcodes a reader
// finds, and the refusals that write nothing.
#include <gtest/gtest.h>

#include <QImage>
#include <regex>

#include "exchange/inout.h"
#include "output/output_support.h"
#include "output/page_layout.h"
#include "output/sheet_sources.h"
#include "platform/code_pages.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

const std::string BIN = VELLUMO_RENDER_BIN;
constexpr double MM = 72 / 25.4;

run_result render(const std::string &args)
{
    return run("env -u VELLUMO_PASSWORD '" + BIN + "' " + args);
}

// A label of w × h points: ${name} in a text near its top, ${code} as a
// CODE-128 below.
fs::path save_label(const fs::path &p, double w, double h, std::optional<label_sheet> sheet = {})
{
    label_ptr lab = ele__label_new(w, h);
    lab->name = u"Адрес";
    lab->bgcolor = 0xFFFFFF;
    text(lab.get(), u"${name}", 6, h - 26, 10);
    barcode(lab.get(), 7, u"${code}", 6, 4, std::min(w - 12, 130.0), h - 34);
    lab->sheet = std::move(sheet);
    EXPECT_EQ(ino__save_file(u16(p), lab.get()), 1);
    return p;
}

struct word {
    int page = 0;
    double x = 0, y = 0; // top left, points from the page's top left
    std::string text;
};

// Every word of the PDF with its box, as pdftotext -bbox gives them.
std::vector<word> pdf_words(const fs::path &pdf)
{
    const std::string html = run("pdftotext -bbox " + quoted(pdf) + " -").out;
    std::vector<word> words;
    static const std::regex tag(R"re(<page |<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>)re");
    int page = 0;
    for (std::sregex_iterator it(html.begin(), html.end(), tag), end; it != end; ++it) {
        if ((*it)[1].length() == 0) {
            ++page;
            continue;
        }
        words.push_back({page, std::stod((*it)[1]), std::stod((*it)[2]), (*it)[3]});
    }
    return words;
}

// Where the word `text` is in the label drawn alone (its page is the label).
QPointF offset_alone(const temp_dir &dir, const fs::path &lbl, const std::string &text)
{
    const run_result r = render(quoted(lbl) + " -o " + quoted(dir / "alone.pdf") + " --var name=" + text);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const word &w : pdf_words(dir / "alone.pdf"))
        if (w.text == text)
            return QPointF(w.x, w.y);
    ADD_FAILURE() << "no " << text << " in the label alone";
    return {};
}

// The labels expected: text, page, and the cell's top left corner.
struct expected_label {
    std::string text;
    int page;
    QPointF cell;
};

// Each expected label's word is at the label's own offset inside its cell
// (to half a point), and there are no other words of that kind.
void expect_at_cells(const std::vector<word> &words, const std::vector<expected_label> &expected, QPointF offset,
                     const std::string &prefix)
{
    std::vector<bool> used(words.size());
    for (const expected_label &e : expected) {
        bool found = false;
        for (std::size_t i = 0; i < words.size() && !found; ++i) {
            const word &w = words[i];
            if (used[i] || w.text != e.text || w.page != e.page)
                continue;
            if (std::fabs(w.x - e.cell.x() - offset.x()) <= 0.5 && std::fabs(w.y - e.cell.y() - offset.y()) <= 0.5)
                used[i] = found = true;
        }
        EXPECT_TRUE(found) << e.text << " on page " << e.page << " at cell " << e.cell.x() << ", " << e.cell.y();
    }
    long others = 0;
    for (std::size_t i = 0; i < words.size(); ++i)
        others += !used[i] && words[i].text.rfind(prefix, 0) == 0;
    EXPECT_EQ(others, 0) << "labels where none was expected";
}

std::string name_of(int n)
{
    return (n < 10 ? "N0" : "N") + std::to_string(n);
}

void write_rows(const fs::path &csv, int rows)
{
    std::string t = "name;code\n";
    for (int i = 1; i <= rows; ++i)
        t += name_of(i) + ";C" + std::to_string(1000 + i) + "\n";
    write_file(csv, t);
}

// Two grids of 3 × 4 rounded labels of 150 × 60 pt on A4, the second's
// rows between the first's.
label_sheet staggered()
{
    label_sheet s;
    s.brand = "Проба";
    s.part = "ST-24";
    s.paper = "A4";
    s.paper_width = 210 * MM;
    s.paper_height = 297 * MM;
    s.label_width = 150;
    s.label_height = 60;
    s.radius = 6;
    s.grids = {{3, 4, 20, 20, 190, 200}, {3, 4, 40, 120, 190, 200}};
    return s;
}

// The darkest pixel within `r` pixels of (x, y).
int darkest(const QImage &img, double x, double y, int r = 1)
{
    int least = 255;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const int px = int(std::lround(x)) + dx, py = int(std::lround(y)) + dy;
            if (img.valid(px, py))
                least = std::min(least, qGray(img.pixel(px, py)));
        }
    return least;
}

} // namespace

TEST(Sheets, AGeometryOnTheCommandLineFromItsFirstCellWithCopiesSideBySide)
{
    temp_dir dir;
    const fs::path lbl = save_label(dir / "a.lbl", 70 * MM, 37 * MM);
    const QPointF offset = offset_alone(dir, lbl, "N00");
    write_rows(dir / "t.csv", 5);
    const std::string sheet = " --sheet-geometry A4,3x8,70x37,0,0,0,0";
    // Cell k (from 0) of that sheet, counted by hand: three across.
    auto cell = [](int k) { return QPointF((k % 3) * 70 * MM, (k / 3) * 37 * MM); };

    // Five rows, two of each side by side, from cell 3: cells 3..12.
    run_result r = render(quoted(lbl) + " -o " + quoted(dir / "s.pdf") + " --csv " + quoted(dir / "t.csv") + sheet +
                          " --first 3 --copies 2");
    ASSERT_EQ(r.status, 0) << r.err;
    const pdf_facts f = pdf_info(dir / "s.pdf");
    EXPECT_EQ(f.pages, 1);
    // A4 (PDF takes its sizes in whole points).
    EXPECT_NEAR(f.width, 595.28, 0.5);
    EXPECT_NEAR(f.height, 841.89, 0.5);
    std::vector<expected_label> want;
    for (int j = 0; j < 10; ++j)
        want.push_back({name_of(j / 2 + 1), 1, cell(2 + j)});
    expect_at_cells(pdf_words(dir / "s.pdf"), want, offset, "N");

    // 25 labels from cell 20 run onto a second sheet at its first cell.
    write_rows(dir / "t25.csv", 25);
    r = render(quoted(lbl) + " -o " + quoted(dir / "two.pdf") + " --csv " + quoted(dir / "t25.csv") + sheet +
               " --first 20");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pdf_info(dir / "two.pdf").pages, 2);
    want.clear();
    for (int j = 0; j < 25; ++j)
        want.push_back({name_of(j + 1), (19 + j) / 24 + 1, cell((19 + j) % 24)});
    expect_at_cells(pdf_words(dir / "two.pdf"), want, offset, "N");

    // No table: copies of the one label, and an SVG of the sheet.
    r = render(quoted(lbl) + " -o " + quoted(dir / "c.pdf") + " --var name=N07" + sheet + " --copies 4");
    ASSERT_EQ(r.status, 0) << r.err;
    want.clear();
    for (int j = 0; j < 4; ++j)
        want.push_back({"N07", 1, cell(j)});
    expect_at_cells(pdf_words(dir / "c.pdf"), want, offset, "N");
    r = render(quoted(lbl) + " -o " + quoted(dir / "c.svg") + " --var name=N07" + sheet + " --copies 4");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(slurp(dir / "c-0001.svg").find("<svg"), std::string::npos);
}

TEST(Sheets, AStaggeredSheetTheLabelRemembersWithReadableBarcodesAndOutlines)
{
    temp_dir dir;
    const label_sheet sheet = staggered();
    ASSERT_FALSE(sht__check(sheet));
    const fs::path plain = save_label(dir / "plain.lbl", 150, 60);
    const QPointF offset = offset_alone(dir, plain, "N00");
    const fs::path lbl = save_label(dir / "st.lbl", 150, 60, sheet);
    write_rows(dir / "t.csv", 14);

    // No --sheet: the label's own.  Across then down: the first grid's top
    // row, then the second's, and so on.
    run_result r = render(quoted(lbl) + " -o " + quoted(dir / "st.pdf") + " --csv " + quoted(dir / "t.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<QPointF> cells;
    for (int row = 0; row < 4; ++row)
        for (int g = 0; g < 2; ++g)
            for (int c = 0; c < 3; ++c)
                cells.push_back(QPointF(sheet.grids[g].left + c * 190, sheet.grids[g].top + row * 200));
    std::vector<expected_label> want;
    for (int j = 0; j < 14; ++j)
        want.push_back({name_of(j + 1), 1, cells[j]});
    expect_at_cells(pdf_words(dir / "st.pdf"), want, offset, "N");

    // A page as a 300 dpi image: every barcode is read.
    r = render(quoted(lbl) + " -o " + quoted(dir / "st.png") + " --csv " + quoted(dir / "t.csv") + " --dpi 300");
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> codes;
    for (int i = 1; i <= 14; ++i)
        codes.insert("C" + std::to_string(1000 + i));
    EXPECT_EQ(zbar_codes(dir / "st-0001.png"), codes);

    // Outlines and crop marks, on an image and in a PDF (drawn by
    // pdftoppm), at 2 pixels a point: the left side of the first label is
    // dark half way down (a quarter point: grey where it falls between
    // pixels), the paper beside it white; its top left corner's mark runs
    // left in the margin, 2 to 14 pt from the corner.
    const std::string marks = " --outlines --crop-marks --var name=N00 --var code=C1";
    r = render(quoted(lbl) + " -o " + quoted(dir / "ol.png") + " --dpi 144" + marks);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(render(quoted(lbl) + " -o " + quoted(dir / "ol.pdf") + marks).status, 0);
    const std::vector<fs::path> pages = pdf_pages(dir / "ol.pdf", dir.path(), 144);
    ASSERT_EQ(pages.size(), 1u);
    for (const fs::path &p : {dir / "ol.png", pages[0]}) {
        SCOPED_TRACE(p.filename().string());
        const QImage img(QString::fromStdString(p.string()));
        ASSERT_FALSE(img.isNull());
        const QPointF at(20, 20);
        EXPECT_LT(darkest(img, at.x() * 2, (at.y() + 30) * 2), 200);
        EXPECT_EQ(darkest(img, (at.x() - 5) * 2, (at.y() + 30) * 2), 255);
        EXPECT_LT(darkest(img, (at.x() - 8) * 2, at.y() * 2), 200);
        // A thin line: 2 pt inside it the label is white.
        EXPECT_EQ(darkest(img, (at.x() + 2) * 2, (at.y() + 30) * 2), 255);
        // Without a table the label is in the first cell only: the second
        // has its outline and nothing where the bars would be.
        EXPECT_LT(darkest(img, cells[1].x() * 2, (cells[1].y() + 30) * 2), 200);
        EXPECT_EQ(darkest(img, (cells[1].x() + 40) * 2, (cells[1].y() + 45) * 2, 4), 255);
    }
}

TEST(Sheets, RefusalsWriteNothing)
{
    temp_dir dir;
    const fs::path lbl = save_label(dir / "a.lbl", 150, 60);
    struct refused {
        std::string args;
        int status;
        std::vector<std::string> said;
    };
    const refused cases[] = {
        // 150 × 60 pt is 52.9 × 21.2 mm: more than a millimetre off.
        {" --sheet-geometry A4,3x8,70x37,0,0,0,0", 1, {"52.9×21.2 мм", "70.0×37.0 мм"}},
        {" --sheet 'Nobrand X-0000'", 1, {"Лист «Nobrand X-0000» не найден"}},
        {" --sheet-geometry A4,3x8,53x21,0,0,0,0 --first 25", 1, {"--first 25", "всего 24"}},
        {" --sheet-geometry A4,3x8,53x21,0,0,0,0 --first 0", 2, {"--first"}},
        {" --sheet-geometry A4,3x8,53x21,5,5,0,0,7", 1, {"БУМАГА,СТОЛБЦЫxРЯДЫ"}},
        {" --sheet-geometry A4,3x9,53x35,0,0,0,0", 1, {"выходит за нижний край"}},
        {" --outlines", 2, {"--outlines"}},
        {" --copies 1001", 2, {"--copies"}},
        {" --sheet 'Avery 5160' --sheet-geometry A4,3x8,53x21,0,0,0,0", 2, {"--sheet-geometry"}},
    };
    for (const refused &c : cases) {
        for (const char *out : {"x.pdf", "x.png"}) {
            const run_result r = render(quoted(lbl) + " -o " + quoted(dir / out) + c.args);
            EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
            for (const std::string &s : c.said)
                EXPECT_NE(r.err.find(s), std::string::npos) << c.args << ": " << r.err;
        }
        EXPECT_EQ(files_in(dir.path()), std::set<std::string>{"a.lbl"}) << c.args;
    }
    // Within a millimetre: taken, at the cell's top left.
    EXPECT_EQ(render(quoted(lbl) + " -o " + quoted(dir / "ok.pdf") + " --sheet-geometry A4,3x8,53.5x21,0,0,0,0")
                  .status,
              0);
}

// Avery 5160 as the catalogue has it (from the installed glabels
// templates): 31 rows on two US Letter sheets.
TEST(Sheets, AveryFiveOneSixtyFromTheCatalogue)
{
    const sheet_entry *e = sht__find(sht__catalogue(), "Avery 5160");
    if (!e)
        GTEST_SKIP() << "Avery 5160 is not in the catalogue (no glabels templates, or the catalogue reader is "
                        "not in this build)";
    temp_dir dir;
    const label_sheet &sheet = e->sheet;
    const fs::path lbl = save_label(dir / "a.lbl", sheet.label_width, sheet.label_height);
    const QPointF offset = offset_alone(dir, lbl, "N00");
    write_rows(dir / "t.csv", 31);
    const run_result r =
        render(quoted(lbl) + " -o " + quoted(dir / "a.pdf") + " --csv " + quoted(dir / "t.csv") + " --sheet 'avery 5160'");
    ASSERT_EQ(r.status, 0) << r.err;
    const pdf_facts f = pdf_info(dir / "a.pdf");
    EXPECT_EQ(f.pages, 2);
    EXPECT_NEAR(f.width, 612, 0.1);
    EXPECT_NEAR(f.height, 792, 0.1);
    // 3 across, 10 down, 2 5/8 × 1 in, 5/32 in from the left, 1/2 in from
    // the top, 2 25/32 in from one column to the next.
    std::vector<expected_label> want;
    for (int j = 0; j < 31; ++j)
        want.push_back({name_of(j + 1), j / 30 + 1, QPointF(11.25 + (j % 30 % 3) * 200.25, 36 + (j % 30 / 3) * 72)});
    expect_at_cells(pdf_words(dir / "a.pdf"), want, offset, "N");
    EXPECT_NE(render("--sheet list").out.find("Avery 5160"), std::string::npos);
}

// A sheet of each other source, by its name as `--sheet` takes it: a
// staggered glabels sheet (several grids), a LibreOffice sheet and a built-in
// one. Cells come from the grids themselves, sorted down then across, and a
// second sheet starts at the first cell again.
TEST(Sheets, SheetsOfEverySourceByName)
{
    const sheet_catalogue &all = sht__catalogue();
    const sheet_entry *staggered = nullptr, *office = nullptr, *own = nullptr;
    for (const sheet_entry &e : all.sheets) {
        const bool plain = e.sheet.shape == sheet_shape::rectangle && sht__count(e.sheet) <= 40;
        if (!staggered && e.source == sheet_source::glabels && plain && e.sheet.grids.size() >= 2)
            staggered = &e;
        if (!office && e.source == sheet_source::libreoffice && plain && sht__count(e.sheet) >= 4)
            office = &e;
        if (!own && e.source == sheet_source::built_in && sht__name(e.sheet) == "Vellumo A4-24")
            own = &e;
    }
    ASSERT_TRUE(own) << "the built-in A4 sheet of 24 is missing";
    if (!staggered || !office)
        GTEST_SKIP() << "glabels-data or LibreOffice's label list is not installed";
    for (const sheet_entry *e : {staggered, office, own}) {
        const label_sheet &sheet = e->sheet;
        const std::string name = sht__name(sheet);
        SCOPED_TRACE(name);
        temp_dir dir;
        const fs::path lbl = save_label(dir / "l.lbl", sheet.label_width, sheet.label_height);
        const QPointF offset = offset_alone(dir, lbl, "N00");
        std::vector<QPointF> cells;
        for (const sheet_grid &g : sheet.grids)
            for (int r = 0; r < g.rows; ++r)
                for (int c = 0; c < g.columns; ++c)
                    cells.push_back(QPointF(g.left + c * g.across, g.top + r * g.down));
        std::stable_sort(cells.begin(), cells.end(), [](QPointF a, QPointF b) {
            return std::fabs(a.y() - b.y()) > 0.01 ? a.y() < b.y() : a.x() < b.x();
        });
        const int count = static_cast<int>(cells.size());
        write_rows(dir / "t.csv", count + 1);
        const run_result r = render(quoted(lbl) + " -o " + quoted(dir / "s.pdf") + " --csv " +
                                    quoted(dir / "t.csv") + " --sheet " + quoted(fs::path(name)));
        ASSERT_EQ(r.status, 0) << r.err;
        const pdf_facts f = pdf_info(dir / "s.pdf");
        EXPECT_EQ(f.pages, 2);
        EXPECT_NEAR(f.width, sheet.paper_width, 0.5);
        EXPECT_NEAR(f.height, sheet.paper_height, 0.5);
        std::vector<expected_label> want;
        for (int j = 0; j <= count; ++j)
            want.push_back({name_of(j + 1), j / count + 1, cells[j % count]});
        expect_at_cells(pdf_words(dir / "s.pdf"), want, offset, "N");
    }
}

// The layout itself: crop marks keep off every label and the paper's
// edges, and the outer corners of a block of labels have theirs.
TEST(Sheets, CropMarksStayInTheMarginsAndGaps)
{
    std::u16string error;
    for (const char *geometry : {"A4,3x8,63.5x33.9,7.2,12.9,2.5,0", "A4,2x2,80x40,20,20,0,0", "A4,3x8,70x37,0,0,0,0"}) {
        SCOPED_TRACE(geometry);
        const std::optional<label_sheet> s = sht__parse_geometry(geometry, error);
        ASSERT_TRUE(s) << plt__to_utf8(error);
        const std::vector<QLineF> marks = out__crop_marks(*s);
        const std::vector<sheet_cell> cells = sht__cells(*s);
        for (const QLineF &m : marks) {
            for (const QPointF &p : {m.p1(), m.p2(), m.center()}) {
                EXPECT_GE(p.x(), 0);
                EXPECT_GE(p.y(), 0);
                EXPECT_LE(p.x(), s->paper_width);
                EXPECT_LE(p.y(), s->paper_height);
            }
            const QRectF line = QRectF(m.p1(), m.p2()).normalized().adjusted(-0.01, -0.01, 0.01, 0.01);
            for (const sheet_cell &c : cells)
                EXPECT_FALSE(line.intersects(QRectF(c.x - 0.5, c.y - 0.5, s->label_width + 1, s->label_height + 1)))
                    << m.x1() << "," << m.y1() << " - " << m.x2() << "," << m.y2();
        }
        // The block's top left corner: a mark to its left and one above,
        // where the margin has room.
        const sheet_cell &first = cells.front();
        auto has_mark = [&](QPointF from, QPointF towards) {
            for (const QLineF &m : marks) {
                const QPointF d = m.p2() - m.p1();
                const QPointF way((d.x() > 0) - (d.x() < 0), (d.y() > 0) - (d.y() < 0));
                if (QLineF(from, m.p1()).length() < 2.5 && way == towards)
                    return true;
            }
            return false;
        };
        const bool margin = first.x > 5 && first.y > 5;
        EXPECT_EQ(has_mark(QPointF(first.x, first.y), QPointF(-1, 0)), margin);
        EXPECT_EQ(has_mark(QPointF(first.x, first.y), QPointF(0, -1)), margin);
    }
    // Touching labels: nothing between them (2 × 2 with no gaps), all
    // marks outside the block.
    const std::optional<label_sheet> block = sht__parse_geometry("A4,2x2,80x40,20,20,0,0", error);
    const QRectF inside = QRectF(20 * MM, 20 * MM, 160 * MM, 80 * MM).adjusted(0.5, 0.5, -0.5, -0.5);
    const std::vector<QLineF> around = out__crop_marks(*block);
    EXPECT_EQ(around.size(), 16u); // two at each corner of each label on the outside: 4 × 4
    for (const QLineF &m : around)
        EXPECT_FALSE(inside.contains(m.p1()) || inside.contains(m.p2()));
}
