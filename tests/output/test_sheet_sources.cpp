// Where sheets come from: the installed glabels and LibreOffice databases
// read as they are, the built-in set, the user's own file, and hostile
// files in place of each.
#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "output/sheet_files.h"
#include "output/sheet_sources.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr double MM = 72.0 / 25.4;
constexpr const char *GLABELS = "/usr/share/libglabels-3.0/templates";
constexpr const char *LIBREOFFICE = "/usr/lib/libreoffice/share/labels/labels.xml";

std::string utf8(const std::u16string &s)
{
    return QString::fromStdU16String(s).toStdString();
}

std::string all_of(const std::vector<std::u16string> &log)
{
    std::string out;
    for (const std::u16string &l : log)
        out += utf8(l) + "\n";
    return out;
}

void write(const fs::path &p, const std::string &text)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

std::string read(const fs::path &p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// A glabels file holding the given templates.
std::string glabels_file(const std::string &templates, const std::string &prolog = "")
{
    return "<?xml version=\"1.0\"?>\n" + prolog + "<Glabels-templates>\n" + templates + "</Glabels-templates>\n";
}

std::string glabels_template(const std::string &part, const std::string &layout_attrs,
                             const std::string &label = "width=\"70mm\" height=\"37mm\"",
                             const std::string &description = "Test")
{
    return "<Template brand=\"Test\" part=\"" + part + "\" size=\"A4\" _description=\"" + description +
           "\"><Label-rectangle id=\"0\" " + label + " round=\"0\"><Layout " + layout_attrs +
           "/></Label-rectangle></Template>\n";
}

const std::string GOOD_LAYOUT = "nx=\"3\" ny=\"8\" x0=\"0\" y0=\"0.5mm\" dx=\"70mm\" dy=\"37mm\"";

// The installed databases, read once for the tests that look at them.
class InstalledSheets : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(fs::is_directory(GLABELS)) << "glabels-data is not installed (scripts/install-deps)";
        ASSERT_TRUE(fs::is_regular_file(LIBREOFFICE)) << "libreoffice-common is not installed (scripts/install-deps)";
        const auto start = std::chrono::steady_clock::now();
        catalogue_ = new sheet_catalogue(sht__load_catalogue({GLABELS, LIBREOFFICE, ""}));
        load_ms_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    static void TearDownTestSuite()
    {
        delete catalogue_;
        catalogue_ = nullptr;
    }
    static const sheet_entry &find(const char *name)
    {
        const sheet_entry *e = sht__find(*catalogue_, name);
        if (!e)
            throw std::runtime_error(std::string("no sheet ") + name);
        return *e;
    }
    static sheet_catalogue *catalogue_;
    static double load_ms_;
};
sheet_catalogue *InstalledSheets::catalogue_ = nullptr;
double InstalledSheets::load_ms_ = 0;

TEST_F(InstalledSheets, Avery5160IsThreeByTenOnLetter)
{
    const sheet_entry &e = find("avery 5160");
    EXPECT_EQ(e.source, sheet_source::glabels);
    const label_sheet &s = e.sheet;
    EXPECT_EQ(sht__name(s), "Avery 5160");
    EXPECT_EQ(s.paper, "US-Letter");
    EXPECT_DOUBLE_EQ(s.paper_width, 8.5 * 72);
    EXPECT_DOUBLE_EQ(s.paper_height, 11 * 72);
    EXPECT_DOUBLE_EQ(s.label_width, 2.625 * 72);
    EXPECT_DOUBLE_EQ(s.label_height, 72);
    const std::vector<sheet_cell> cells = sht__cells(s);
    ASSERT_EQ(cells.size(), 30u);
    EXPECT_DOUBLE_EQ(cells[0].x, 0.15625 * 72);
    EXPECT_DOUBLE_EQ(cells[0].y, 0.5 * 72);
    EXPECT_DOUBLE_EQ(cells[2].x, (0.15625 + 2 * 2.78125) * 72); // across first
    EXPECT_DOUBLE_EQ(cells[3].y, 1.5 * 72);
    EXPECT_DOUBLE_EQ(cells[29].y, 9.5 * 72);
    EXPECT_EQ(sht__list_line(e), "Avery 5160, Address Labels, US-Letter, 66.7x25.4 mm, 30");
}

TEST_F(InstalledSheets, EquivalentsAreCopiesUnderTheirOwnPart)
{
    const label_sheet &original = find("Avery 3274.1").sheet;
    label_sheet copy = find("Avery 3111").sheet;
    EXPECT_EQ(copy.part, "3111");
    EXPECT_EQ(copy.description, "Square Labels");
    copy.part = original.part;
    EXPECT_EQ(copy, original);
    // Herma 10801 repeats 4608, which repeats 4102.
    label_sheet chained = find("Herma 10801").sheet;
    chained.part = "4102";
    EXPECT_EQ(chained, find("Herma 4102").sheet);
}

TEST_F(InstalledSheets, RoundCdAndStaggeredSheets)
{
    const label_sheet &round = find("Avery 3274.2").sheet;
    EXPECT_EQ(round.shape, sheet_shape::round);
    EXPECT_DOUBLE_EQ(round.label_width, 1.5 * 72); // radius 0.75in
    EXPECT_EQ(sht__count(round), 20);

    // Three discs in two grids whose bounding squares overlap while the
    // discs do not.
    const label_sheet &cd = find("Desmat A4ST-3CD").sheet;
    EXPECT_EQ(cd.shape, sheet_shape::cd);
    EXPECT_NEAR(cd.label_width, 110 * MM, 1e-9);
    EXPECT_NEAR(cd.hole, 31 * MM, 1e-9);
    ASSERT_EQ(cd.grids.size(), 2u);
    const std::vector<sheet_cell> cells = sht__cells(cd);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_NEAR(cells[0].x, 91.5 * MM, 1e-9);
    EXPECT_NEAR(cells[1].x, 9 * MM, 1e-9);
    EXPECT_NEAR(cells[1].y, 92 * MM, 1e-9);
    EXPECT_NEAR(cells[2].y, 175 * MM, 1e-9);
    EXPECT_EQ(sht__check(cd), std::nullopt);
}

TEST_F(InstalledSheets, LibreOfficeAvery5160AgreesWithGlabels)
{
    const sheet_entry &lo = find("Avery Letter Size 5160");
    EXPECT_EQ(lo.source, sheet_source::libreoffice);
    EXPECT_EQ(lo.sheet.description, "5160 Address");
    const label_sheet &a = lo.sheet, &b = find("Avery 5160").sheet;
    EXPECT_EQ(a.paper, "US-Letter");
    EXPECT_NEAR(a.paper_width, b.paper_width, 0.5);
    EXPECT_NEAR(a.paper_height, b.paper_height, 0.5);
    EXPECT_NEAR(a.label_width, b.label_width, 0.5);
    EXPECT_NEAR(a.label_height, b.label_height, 0.5);
    ASSERT_EQ(a.grids.size(), 1u);
    EXPECT_EQ(a.grids[0].columns, b.grids[0].columns);
    EXPECT_EQ(a.grids[0].rows, b.grids[0].rows);
    EXPECT_NEAR(a.grids[0].top, b.grids[0].top, 0.5);
    EXPECT_NEAR(a.grids[0].down, b.grids[0].down, 0.5);
    // The two place the columns 1/32 in apart (LibreOffice as Avery's own
    // template does, a 1/8 in gap), but both in the middle of the page.
    for (const label_sheet *s : {&a, &b}) {
        const sheet_grid &g = s->grids[0];
        const double right = s->paper_width - (g.left + (g.columns - 1) * g.across + s->label_width);
        EXPECT_NEAR(g.left, right, 0.5) << sht__name(*s);
    }
}

TEST_F(InstalledSheets, WholeDatabasesLoadQuicklyAndNearlyAll)
{
    long glabels = 0, libreoffice = 0;
    for (const sheet_entry &e : catalogue_->sheets) {
        glabels += e.source == sheet_source::glabels;
        libreoffice += e.source == sheet_source::libreoffice;
    }
    // Every single-sheet entry of labels.xml is either a sheet or a line in
    // the log.
    const std::string lo = read(LIBREOFFICE);
    long single = 0, refused_lo = 0;
    for (std::size_t at = 0; (at = lo.find("<measure>S;", at)) != std::string::npos; ++at)
        ++single;
    for (const std::u16string &l : catalogue_->log)
        refused_lo += utf8(l).find(LIBREOFFICE) != std::string::npos;
    EXPECT_EQ(libreoffice + refused_lo, single);
    EXPECT_GT(glabels, 1000);
    std::cout << "glabels " << glabels << ", LibreOffice " << libreoffice << ", refused " << catalogue_->refused
              << ", loaded in " << load_ms_ << " ms\n"
              << all_of(catalogue_->log);
    // Every installed file reads through; what is refused is a sheet whose
    // numbers are off (labels past the paper or into each other by more
    // than the check lets pass), a few in a hundred at most.
    EXPECT_EQ(long(catalogue_->log.size()), catalogue_->refused);
    const std::string log = all_of(catalogue_->log);
    EXPECT_EQ(log.find("не прочитан"), std::string::npos) << log;
    EXPECT_LE(catalogue_->refused * 50, glabels + libreoffice) << log;
}

TEST_F(InstalledSheets, SearchTakesEveryWordInAnyCase)
{
    auto names = [](const std::vector<const sheet_entry *> &found) {
        std::vector<std::string> out;
        for (const sheet_entry *e : found)
            out.push_back(sht__name(e->sheet));
        return out;
    };
    const auto avery = names(sht__search(*catalogue_, u"  AVERY\t5160 "));
    EXPECT_NE(std::find(avery.begin(), avery.end(), "Avery 5160"), avery.end());
    EXPECT_NE(std::find(avery.begin(), avery.end(), "Avery Letter Size 5160"), avery.end());
    EXPECT_EQ(std::find(avery.begin(), avery.end(), "Avery 3111"), avery.end());
    // The size, written with an x, a times sign or a Cyrillic letter;
    // the built-in descriptions in Russian, case ignored.
    for (const char16_t *words : {u"vellumo 70x37", u"ЭТИКЕТКИ 70×37", u"vellumo 70Х37"}) {
        const auto found = names(sht__search(*catalogue_, words));
        EXPECT_NE(std::find(found.begin(), found.end(), "Vellumo A4-24"), found.end()) << utf8(words);
    }
    EXPECT_TRUE(sht__search(*catalogue_, u"avery 5160 nothing-such").empty());
    EXPECT_EQ(sht__search(*catalogue_, u"").size(), catalogue_->sheets.size());
}

TEST(BuiltInSheets, AreSoundCentredAndCountedAsTheirNamesSay)
{
    const sheet_catalogue c = sht__load_catalogue({});
    ASSERT_EQ(c.sheets.size(), 9u);
    EXPECT_EQ(c.refused, 0);
    for (const sheet_entry &e : c.sheets) {
        const label_sheet &s = e.sheet;
        SCOPED_TRACE(sht__name(s));
        EXPECT_EQ(e.source, sheet_source::built_in);
        EXPECT_EQ(sht__check(s), std::nullopt);
        EXPECT_EQ(s.paper, "A4");
        EXPECT_EQ(std::to_string(sht__count(s)), s.part.substr(3));
        EXPECT_EQ(s.description.substr(0, s.description.find(' ')), s.part.substr(3));
        const sheet_grid &g = s.grids[0];
        const double right = s.paper_width - (g.left + (g.columns - 1) * g.across + s.label_width);
        const double bottom = s.paper_height - (g.top + (g.rows - 1) * g.down + s.label_height);
        EXPECT_NEAR(g.left, right, 1e-6);
        EXPECT_NEAR(g.top, bottom, 1e-6);
        EXPECT_GE(g.left, -1e-6);
        EXPECT_GE(g.top, -1e-6);
    }
}

// The same name from every source: the user's own first, then built-in,
// glabels, LibreOffice.
TEST(SheetSources, FindPrefersUserThenBuiltInThenGlabelsThenLibreOffice)
{
    temp_dir dir;
    const std::string glabels = glabels_file(
        "<Template brand=\"Vellumo\" part=\"A4-24\" size=\"A4\"><Label-rectangle width=\"60mm\" height=\"30mm\">"
        "<Layout nx=\"1\" ny=\"1\" x0=\"0\" y0=\"0\" dx=\"0\" dy=\"0\"/></Label-rectangle></Template>"
        "<Template brand=\"Avery\" part=\"5160\" size=\"A4\"><Label-rectangle width=\"60mm\" height=\"30mm\">"
        "<Layout nx=\"1\" ny=\"1\" x0=\"0\" y0=\"0\" dx=\"0\" dy=\"0\"/></Label-rectangle></Template>");
    write(dir / "g/t-templates.xml", glabels);
    write(dir / "labels.xml",
          "<manufacturers><manufacturer name=\"Vellumo\"><label id=\"L1\"><name>A4-24 x</name>"
          "<measure>S;7000;3700;7000;3700;0;0;1;1;21000;29700</measure></label></manufacturer>"
          "<manufacturer name=\"Avery\"><label id=\"L2\"><name>5160 y</name>"
          "<measure>S;7000;3700;7000;3700;0;0;1;1;21000;29700</measure></label></manufacturer></manufacturers>");
    label_sheet mine = sht__find(sht__load_catalogue({}), "Vellumo A4-24")->sheet;
    mine.label_width = 50 * MM;
    std::u16string error;
    ASSERT_TRUE(sht__write_user_sheets((dir / "user.xml").string(), {mine}, error)) << utf8(error);

    const sheet_paths all{(dir / "g").string(), (dir / "labels.xml").string(), (dir / "user.xml").string()};
    sheet_catalogue c = sht__load_catalogue(all);
    EXPECT_EQ(c.refused, 0) << all_of(c.log);
    EXPECT_EQ(sht__find(c, "vellumo a4-24")->source, sheet_source::user);
    EXPECT_EQ(sht__find(c, "Vellumo A4-24")->sheet, mine);
    EXPECT_EQ(sht__find(c, "Avery 5160")->source, sheet_source::glabels);
    // Listed in any order, the catalogue still finds by source.
    std::reverse(c.sheets.begin(), c.sheets.end());
    EXPECT_EQ(sht__find(c, "Vellumo A4-24")->source, sheet_source::user);
    EXPECT_EQ(sht__find(c, "Avery 5160")->source, sheet_source::glabels);
    c.sheets.erase(std::remove_if(c.sheets.begin(), c.sheets.end(),
                                  [](const sheet_entry &e) { return e.source == sheet_source::user; }),
                   c.sheets.end());
    EXPECT_EQ(sht__find(c, "Vellumo A4-24")->source, sheet_source::built_in);
    EXPECT_EQ(sht__find(c, "Vellumo"), nullptr);
}

// Each hostile file is refused with one line naming it, the good file
// beside them still read, and nothing else of the refused ones taken.
TEST(SheetSources, HostileGlabelsFilesAreRefusedOneLineEach)
{
    temp_dir dir;
    const fs::path g = dir / "g";
    write(g / "a-good-templates.xml", glabels_file(glabels_template("good", GOOD_LAYOUT)));
    // Nine levels of ten references each: a milliard "lol"s.
    std::string laughs = "<!DOCTYPE Glabels-templates [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "\">";
    }
    laughs += "]>\n";
    write(g / "laughs-templates.xml", glabels_file(glabels_template("laughs", GOOD_LAYOUT, "width=\"70mm\" height=\"37mm\"", "&l9;"), laughs));
    write(g / "passwd-templates.xml",
          glabels_file(glabels_template("passwd", GOOD_LAYOUT, "width=\"70mm\" height=\"37mm\"", "&pw;"),
                       "<!DOCTYPE Glabels-templates [<!ENTITY pw SYSTEM \"file:///etc/passwd\">]>\n"));
    const std::string whole = glabels_file(glabels_template("cut1", GOOD_LAYOUT) + glabels_template("cut2", GOOD_LAYOUT));
    write(g / "cut-templates.xml", whole.substr(0, whole.size() - 60));
    std::string deep = "<Template brand=\"Test\" part=\"deep\" size=\"A4\">";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    write(g / "deep-templates.xml", glabels_file(deep));
    write(g / "huge-templates.xml", glabels_file("<!--" + std::string(17 << 20, ' ') + "-->"));
    write(g / "wrong-root-templates.xml", "<Glabels-paper-sizes/>");
    // Not a file of templates at all: not read.
    write(g / "notes.xml", "<<<");

    const sheet_catalogue c = sht__load_catalogue({g.string(), "", ""});
    const std::string log = all_of(c.log);
    EXPECT_EQ(c.refused, 6) << log;
    EXPECT_EQ(c.log.size(), 6u) << log;
    for (const char *file : {"laughs", "passwd", "cut", "deep", "huge", "wrong-root"})
        EXPECT_NE(log.find(std::string("/") + file + "-templates.xml» не прочитан"), std::string::npos) << file;
    EXPECT_NE(log.find("объявлены сущности"), std::string::npos) << log;
    EXPECT_NE(log.find("файл слишком велик"), std::string::npos) << log;
    EXPECT_NE(log.find("обрывается"), std::string::npos) << log;
    EXPECT_NE(log.find("глубже 32"), std::string::npos) << log;
    std::vector<std::string> read_in;
    for (const sheet_entry &e : c.sheets)
        if (e.source == sheet_source::glabels)
            read_in.push_back(e.sheet.part);
    EXPECT_EQ(read_in, std::vector<std::string>{"good"});
}

// Bad templates in a sound file: each refused with its own line, the
// sound ones beside them read; rolls passed over without a word.
TEST(SheetSources, BadTemplatesAreRefusedOneByOne)
{
    temp_dir dir;
    const fs::path g = dir / "g";
    const std::string rect = "width=\"70mm\" height=\"37mm\"";
    write(g / "x-templates.xml",
          glabels_file(glabels_template("good", GOOD_LAYOUT) + glabels_template("nan", GOOD_LAYOUT, "width=\"nan\" height=\"37mm\"") +
                       glabels_template("inf", GOOD_LAYOUT, "width=\"infmm\" height=\"37mm\"") +
                       glabels_template("big", GOOD_LAYOUT, "width=\"1e308in\" height=\"37mm\"") +
                       glabels_template("huge", GOOD_LAYOUT, "width=\"1e308\" height=\"37mm\"") +
                       glabels_template("negative", GOOD_LAYOUT, "width=\"-70mm\" height=\"37mm\"") +
                       glabels_template("many", "nx=\"2147483647\" ny=\"1\" x0=\"0\" y0=\"0\" dx=\"1\" dy=\"0\"") +
                       glabels_template("more", "nx=\"99999999999\" ny=\"1\" x0=\"0\" y0=\"0\" dx=\"1\" dy=\"0\"") +
                       glabels_template("wide", "nx=\"4\" ny=\"8\" x0=\"0\" y0=\"0\" dx=\"70mm\" dy=\"37mm\"") +
                       "<Template brand=\"Test\" part=\"roll\" size=\"roll\"><Label-rectangle width=\"1in\" "
                       "height=\"1in\"/></Template>"
                       "<Template brand=\"Test\" part=\"nolayout\" size=\"A4\"><Label-rectangle width=\"1in\" "
                       "height=\"1in\"/></Template>"
                       "<Template brand=\"Test\" part=\"copy\" equiv=\"good\"/>"
                       "<Template brand=\"Test\" part=\"copy-of-bad\" equiv=\"nan\"/>"
                       "<Template brand=\"Test\" part=\"ring\" equiv=\"ring\"/>"));
    // Declared in another encoding, read in it.
    std::string cp1251 = glabels_file(glabels_template("cp1251", GOOD_LAYOUT, rect, "\xdd\xf2\xe8\xea\xe5\xf2\xea\xe8"));
    cp1251.replace(0, 21, "<?xml version=\"1.0\" encoding=\"windows-1251\"?>");
    write(g / "y-templates.xml", cp1251);

    const sheet_catalogue c = sht__load_catalogue({g.string(), "", ""});
    const std::string log = all_of(c.log);
    std::vector<std::string> read_in;
    for (const sheet_entry &e : c.sheets)
        if (e.source == sheet_source::glabels)
            read_in.push_back(e.sheet.part);
    EXPECT_EQ(read_in, (std::vector<std::string>{"good", "copy", "cp1251"})) << log;
    EXPECT_EQ(sht__find(c, "Test cp1251")->sheet.description, "Этикетки");
    EXPECT_EQ(c.refused, 10) << log;
    for (const char *why : {"Test nan: «nan» в атрибуте width не длина.",
                            "Test big: «1e308in» в атрибуте width не длина.",
                            "Test huge: Этикетка листа должна быть больше нуля и не больше его бумаги.",
                            "Test many: На листе может быть от 1 до 10000 этикеток.",
                            "Test more: «99999999999» в атрибуте nx не целое число.",
                            "Test wide: Этикетка 4 выходит за правый край бумаги.",
                            "Test copy-of-bad: Он повторяет лист Test nan, а тот не принят."})
        EXPECT_NE(log.find(why), std::string::npos) << why << "\n" << log;
}

// Sheets of a column of 10,000 labels each: every one is checked (in time
// growing with its labels, not their square) until the labels of the
// source pass a million; the rest is left with one line.
TEST(SheetSources, ColumnsOfThousandsOfLabelsAreCheckedAndCapped)
{
    temp_dir dir;
    std::string many;
    for (int i = 0; i < 150; ++i)
        many += "<Template brand=\"Test\" part=\"c" + std::to_string(i) +
                "\" size=\"Other\" width=\"10\" height=\"10000\"><Label-rectangle width=\"10\" height=\"1\">"
                "<Layout nx=\"1\" ny=\"10000\" x0=\"0\" y0=\"0\" dx=\"0\" dy=\"1\"/></Label-rectangle></Template>";
    write(dir / "g/many-templates.xml", glabels_file(many));
    const sheet_catalogue c = sht__load_catalogue({(dir / "g").string(), "", ""});
    EXPECT_EQ(c.sheets.size(), 9u + 100u);
    ASSERT_EQ(c.log.size(), 1u);
    EXPECT_NE(utf8(c.log[0]).find("больше 1000000 этикеток"), std::string::npos) << utf8(c.log[0]);
}

TEST(SheetSources, LibreOfficeEntriesAreCheckedAndContinuousOnesPassedOver)
{
    temp_dir dir;
    const std::string good = "<measure>S;7000;3700;7000;3700;0;50;3;8;21000;29700</measure>";
    write(dir / "labels.xml",
          "<?xml version='1.0' encoding='UTF-8'?><manufacturers><manufacturer name=\"Brand &amp; Co\">"
          "<label id=\"L1\"><name>L7160  Address &quot;A4&quot;</name>" + good + "</label>"
          "<label id=\"L2\"><name>C1 roll</name><measure>C;7000;3700;7000;3700;0;0;1;1;7000;3700</measure></label>"
          "<label id=\"L3\"><name>NaN</name><measure>S;nan;3700;7000;3700;0;0;3;8;21000;29700</measure></label>"
          "<label id=\"L4\"><name>Few</name><measure>S;7000;3700</measure></label>"
          "<label id=\"L5\"><name>Land</name><measure>S;7000;3700;7000;3700;0;0;4;5;29700;21000</measure></label>"
          "<label id=\"L6\"><name>Huge</name><measure>S;0;0;1;1;0;0;2147483647;1;21000;29700</measure></label>"
          "</manufacturer></manufacturers>");
    const sheet_catalogue c = sht__load_catalogue({"", (dir / "labels.xml").string(), ""});
    const std::string log = all_of(c.log);
    EXPECT_EQ(c.refused, 3) << log;
    const sheet_entry *e = sht__find(c, "Brand & Co L7160");
    ASSERT_TRUE(e) << log;
    EXPECT_EQ(e->sheet.description, "L7160 Address \"A4\"");
    EXPECT_EQ(e->sheet.paper, "A4");
    EXPECT_NEAR(e->sheet.grids[0].top, 0.5 * MM, 1e-9);
    EXPECT_EQ(sht__count(e->sheet), 24);
    // A4 turned is a paper of its own size.
    EXPECT_EQ(sht__find(c, "Brand & Co Land")->sheet.paper, "");
    EXPECT_EQ(sht__list_line(*sht__find(c, "Brand & Co Land")),
              "Brand & Co Land, Land, 297x210 mm, 70x37 mm, 20");
    EXPECT_EQ(sht__find(c, "Brand & Co C1"), nullptr);

    // The same file behind entities is not read at all.
    write(dir / "laughs.xml",
          "<!DOCTYPE manufacturers [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
          "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
          "<manufacturers><manufacturer name=\"X\"><label id=\"L1\"><name>&b;</name>" + good +
              "</label></manufacturer></manufacturers>");
    const sheet_catalogue laughs = sht__load_catalogue({"", (dir / "laughs.xml").string(), ""});
    EXPECT_EQ(laughs.refused, 1);
    EXPECT_EQ(laughs.sheets.size(), 9u); // the built-in ones
    // Nor one whose entity would come from a DTD elsewhere (never read):
    // its text is not there to take.
    write(dir / "external.xml",
          "<!DOCTYPE manufacturers SYSTEM \"/etc/passwd\"><manufacturers><manufacturer name=\"X\"><label id=\"L1\">"
          "<name>A&root;</name>" + good + "</label></manufacturer></manufacturers>");
    const sheet_catalogue external = sht__load_catalogue({"", (dir / "external.xml").string(), ""});
    EXPECT_EQ(external.sheets.size(), 9u);
    ASSERT_EQ(external.log.size(), 1u);
    EXPECT_NE(utf8(external.log[0]).find("сущность XML «root»"), std::string::npos) << utf8(external.log[0]);
}

TEST(UserSheets, RoundTripExactlyAndRefuseWhatCannotComeBack)
{
    temp_dir dir;
    const std::string path = (dir / "no/such/folder/sheets.xml").string();
    std::vector<label_sheet> sheets;
    label_sheet s;
    s.brand = "Свои";
    s.part = "Круглые <1/3> & \"Ø\"";
    s.description = "Диски на 2/3 листа";
    s.paper_width = 100.1 * MM;
    s.paper_height = 150.7 * MM;
    s.shape = sheet_shape::cd;
    s.label_width = s.label_height = 40.3 * MM;
    s.hole = 1 / 3.0;
    s.grids.push_back({2, 2, 1.1 * MM, 0.7 * MM, 50 * MM, 70 * MM});
    s.grids.push_back({1, 2, 27.1 * MM, 35.7 * MM, 0, 70 * MM});
    sheets.push_back(s);
    sheets.push_back(sht__find(sht__load_catalogue({}), "Vellumo A4-65")->sheet);
    sheets.back().brand.clear();
    std::u16string error;
    ASSERT_TRUE(sht__write_user_sheets(path, sheets, error)) << utf8(error);
    EXPECT_EQ(sht__read_user_sheets(path, error), sheets);
    EXPECT_EQ(error, u"");
    // Written and read under the locale of a decimal comma as well.
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "ru_RU.UTF-8");
    const bool written = sht__write_user_sheets(path, sheets, error);
    const std::vector<label_sheet> again = sht__read_user_sheets(path, error);
    std::setlocale(LC_ALL, locale.c_str());
    EXPECT_TRUE(written);
    EXPECT_EQ(again, sheets);

    // A sheet that is no sheet, or text an XML file cannot carry back:
    // nothing written, the file as it was.
    const std::string before = read(path);
    std::vector<label_sheet> bad = sheets;
    bad[0].description = "две\nстроки";
    EXPECT_FALSE(sht__write_user_sheets(path, bad, error));
    EXPECT_NE(error.find(u"Круглые"), std::u16string::npos) << utf8(error);
    bad = sheets;
    bad[1].grids[0].columns = 6;
    EXPECT_FALSE(sht__write_user_sheets(path, bad, error));
    EXPECT_EQ(read(path), before);

    // Written through a link, the file it points at is replaced.
    fs::create_symlink(path, dir / "link.xml");
    ASSERT_TRUE(sht__write_user_sheets((dir / "link.xml").string(), {sheets[1]}, error)) << utf8(error);
    EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
    EXPECT_EQ(sht__read_user_sheets(path, error), std::vector<label_sheet>{sheets[1]});
    ASSERT_TRUE(sht__write_user_sheets(path, sheets, error));

    // A cut file gives nothing, and says so; so does the catalogue, which
    // goes on without it.
    write(path, before.substr(0, before.size() / 2));
    EXPECT_TRUE(sht__read_user_sheets(path, error).empty());
    EXPECT_NE(utf8(error).find("sheets.xml» не прочитан: файл обрывается в строке"), std::string::npos) << utf8(error);
    const sheet_catalogue c = sht__load_catalogue({"", "", path});
    EXPECT_EQ(c.refused, 1);
    EXPECT_EQ(c.sheets.size(), 9u);
    // A missing file is no fault.
    EXPECT_TRUE(sht__read_user_sheets((dir / "none.xml").string(), error).empty());
    EXPECT_EQ(error, u"");
}

TEST(UserSheets, ABadSheetInASoundFileIsLeftOutAndNamed)
{
    temp_dir dir;
    write(dir / "sheets.xml",
          "<vellumo-sheets version=\"1\">"
          "<sheet part=\"mm\" paper=\"A4\" shape=\"rectangle\" paper-width=\"210mm\" paper-height=\"297mm\" width=\"70mm\""
          " height=\"37mm\"><grid columns=\"3\" rows=\"8\" left=\"0\" top=\"0\" across=\"70mm\" down=\"37mm\"/></sheet>"
          "<sheet part=\"over\" shape=\"round\" paper-width=\"100\" paper-height=\"100\" width=\"60\" height=\"60\">"
          "<grid columns=\"2\" rows=\"1\" left=\"0\" top=\"0\" across=\"30\"/></sheet>"
          "<sheet part=\"odd\" shape=\"star\" paper-width=\"100\" paper-height=\"100\" width=\"60\" height=\"60\">"
          "<grid columns=\"1\" rows=\"1\" left=\"0\" top=\"0\"/></sheet>"
          "</vellumo-sheets>");
    std::u16string error;
    const std::vector<label_sheet> sheets = sht__read_user_sheets((dir / "sheets.xml").string(), error);
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_NEAR(sheets[0].label_width, 70 * MM, 1e-9);
    EXPECT_NE(utf8(error).find("sheets.xml», лист over: Этикетки 1 и 2 перекрываются."), std::string::npos)
        << utf8(error);
}

// The catalogue of the default places is read once and shared by threads;
// a reload reads it again while references to the old one stay good.
TEST(SheetSources, CatalogueIsSharedAndReloaded)
{
    temp_dir dir;
    scoped_env glabels("VELLUMO_SHEET_GLABELS", "");
    scoped_env libreoffice("VELLUMO_SHEET_LIBREOFFICE", "");
    scoped_env user("VELLUMO_SHEET_USER", (dir / "sheets.xml").string());
    EXPECT_EQ(sht__default_paths().user_file, (dir / "sheets.xml").string());
    sht__reload();
    std::vector<const sheet_catalogue *> seen(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = &sht__catalogue(); });
    for (std::thread &t : threads)
        t.join();
    for (const sheet_catalogue *c : seen)
        EXPECT_EQ(c, seen[0]);
    EXPECT_EQ(seen[0]->sheets.size(), 9u);

    label_sheet mine = seen[0]->sheets[0].sheet;
    mine.brand = "";
    mine.part = "Мой";
    std::u16string error;
    ASSERT_TRUE(sht__write_user_sheets((dir / "sheets.xml").string(), {mine}, error));
    const sheet_catalogue &old = *seen[0];
    sht__reload();
    EXPECT_EQ(sht__find(sht__catalogue(), "мой")->source, sheet_source::user);
    EXPECT_EQ(old.sheets.size(), 9u);
    sht__reload();
}

} // namespace
