// The label file's sheet: written whole with the label that has one, read
// back the same; a label without one written as it always was; a sheet
// another program wrote wrong leaves the label readable without it, and the
// user is told.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "exchange/inout.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/python.h"
#include "support/sample_label.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::string bytes_of(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Two grids, the second between the rows of the first.
label_sheet staggered()
{
    label_sheet s;
    s.brand = "Этикет & <Ко>";
    s.part = "ST-24";
    s.description = "Круглые, в шахматном порядке";
    s.paper = "A4";
    s.paper_width = 595.2756;
    s.paper_height = 841.8898;
    s.shape = sheet_shape::cd;
    s.label_width = s.label_height = 90;
    s.hole = 12.5;
    s.grids = {{3, 4, 20, 20, 180, 200}, {2, 4, 110, 120, 180, 200}};
    return s;
}

void expect_same_sheet(const label_sheet &a, const label_sheet &b)
{
    EXPECT_EQ(a.brand, b.brand);
    EXPECT_EQ(a.part, b.part);
    EXPECT_EQ(a.description, b.description);
    EXPECT_EQ(a.paper, b.paper);
    EXPECT_EQ(a.shape, b.shape);
    const double numbers_a[] = {a.paper_width, a.paper_height, a.label_width, a.label_height, a.radius, a.hole};
    const double numbers_b[] = {b.paper_width, b.paper_height, b.label_width, b.label_height, b.radius, b.hole};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(numbers_a[i], numbers_b[i]) << i;
    ASSERT_EQ(a.grids.size(), b.grids.size());
    for (std::size_t i = 0; i < a.grids.size(); ++i) {
        const sheet_grid &g = a.grids[i], &h = b.grids[i];
        EXPECT_TRUE(g.columns == h.columns && g.rows == h.rows && g.left == h.left && g.top == h.top &&
                    g.across == h.across && g.down == h.down)
            << "grid " << i;
    }
}

} // namespace

TEST(SheetMember, ALabelsSheetRoundTripsAndALabelWithoutOneIsWrittenAsBefore)
{
    temp_dir dir;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use{&boxes};
    label_ptr lab = sample_label();
    lab->sheet = staggered();
    ASSERT_FALSE(sht__check(*lab->sheet));
    ASSERT_EQ(ino__save_file(u16(dir / "s.lbl"), lab.get()), 1);
    label_ptr back = ino__load_file(u16(dir / "s.lbl"));
    ASSERT_TRUE(back);
    ASSERT_TRUE(back->sheet);
    expect_same_sheet(*back->sheet, *lab->sheet);
    EXPECT_EQ(back->qty, lab->qty);
    EXPECT_TRUE(boxes.shown.empty());

    // Without a sheet: no member, and the file read and written again is
    // the same file, byte for byte.
    lab->sheet.reset();
    ASSERT_EQ(ino__save_file(u16(dir / "plain.lbl"), lab.get()), 1);
    const std::string first = bytes_of(dir / "plain.lbl");
    EXPECT_EQ(first.find("sheet"), std::string::npos);
    label_ptr plain = ino__load_file(u16(dir / "plain.lbl"));
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->sheet);
    ASSERT_EQ(ino__save_file(u16(dir / "again.lbl"), plain.get()), 1);
    EXPECT_EQ(bytes_of(dir / "again.lbl"), first);

    // A sheet holding a number that cannot be written is refused like any
    // other such number: nothing written, the old file kept.
    lab->sheet = staggered();
    lab->sheet->grids[1].top = std::numeric_limits<double>::infinity();
    EXPECT_NE(ino__save_file(u16(dir / "plain.lbl"), lab.get()), 1);
    EXPECT_EQ(bytes_of(dir / "plain.lbl"), first);
}

// Files Python's xmlrpc.client writes, each with a sheet that is wrong one
// way: every label opens with its elements and without the sheet, and one
// message says so.
TEST(SheetMember, HostileSheetsLeaveTheLabelWithoutItAndSaySo)
{
    temp_dir dir;
    const int rc = run_python(R"(
import sys, xmlrpc.client
out = sys.argv[1]
def good():
    return {"brand": "B", "part": "P", "description": "", "paper": "A4", "paper_width": 595.0,
            "paper_height": 842.0, "shape": "rectangle", "label_width": 100.0, "label_height": 50.0,
            "corner_radius": 0.0, "hole": 0.0,
            "grids": [{"columns": 2, "rows": 3, "left": 10.0, "top": 10.0, "across": 110.0, "down": 60.0}]}
def grid(**kw):
    s = good(); s["grids"][0].update(kw); return s
def member(**kw):
    s = good(); s.update(kw); return s
def without(key):
    s = good(); del s[key]; return s
cases = {
    "string": "A4,3x8,70x37,0,0,0,0",
    "array": [good()],
    "missing": without("grids"),
    "negative": member(label_width=-100.0),
    "infinite": member(paper_height=float("inf")),
    "huge-columns": grid(columns=2**31 - 1),
    "many-labels": grid(columns=200, rows=200, across=0.5, down=0.5),
    "overlapping": grid(across=50.0),
    "off-paper": grid(left=500.0),
    "many-grids": member(grids=[good()["grids"][0]] * 20000),
    "grid-not-struct": member(grids=["x"]),
    "no-grids": member(grids=[]),
    "shape": member(shape="triangle"),
    "radius-string": member(corner_radius="5"),
    "columns-double": grid(columns=2.0),
    "long-brand": member(brand="Ж" * 1000000),
}
for name, sheet in cases.items():
    label = {"name": name, "desc": "", "width": 100.0, "height": 50.0, "bgcolor": "FFFFFF",
             "fields": [{"layer": 0, "type": "text", "x": 5.0, "y": 5.0, "quadrant": 1, "angle": 0.0,
                         "comment": "", "enabled": True, "colour": "000000", "value": "T",
                         "style": "DejaVu Sans", "size": 10.0, "justification": "left"}],
             "sheet": sheet}
    with open(out + "/" + name + ".lbl", "w", encoding="utf-8") as f:
        f.write(xmlrpc.client.dumps((label,), methodname="labels.local_store"))
)",
                              {dir.path().string()});
    ASSERT_EQ(rc, 0);
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use{&boxes};
    int files = 0;
    for (const auto &e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().stem().string();
        ++files;
        const std::size_t before = boxes.shown.size();
        label_ptr lab = ino__load_file(u16(e.path()));
        ASSERT_TRUE(lab) << name;
        EXPECT_EQ(lab->qty, 1) << name;
        EXPECT_FALSE(lab->sheet) << name;
        ASSERT_EQ(boxes.shown.size(), before + 1) << name;
        const std::u16string &said = boxes.shown.back().text;
        EXPECT_NE(said.find(u"Лист этикеток в файле"), std::u16string::npos) << name;
        EXPECT_NE(said.find(u"открыта без листа"), std::u16string::npos) << name;
    }
    EXPECT_EQ(files, 16);
}
