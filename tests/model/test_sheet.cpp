// The geometry of a sheet of labels: what sht__check refuses and says, and
// the geometry typed on a command line.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/sheet.h"

namespace {

constexpr double MM = 72.0 / 25.4;

// An A4 sheet of one grid, sizes in mm.
label_sheet a4(int columns, int rows, double w, double h, double left, double top, double across, double down)
{
    label_sheet s;
    s.paper = "A4";
    s.paper_width = 210 * MM;
    s.paper_height = 297 * MM;
    s.label_width = w * MM;
    s.label_height = h * MM;
    s.grids.push_back({columns, rows, left * MM, top * MM, across * MM, down * MM});
    return s;
}

TEST(SheetCheck, NamesTheLabelLeavingThePaperAndTheEdge)
{
    // 3 x 70 mm fill the width exactly: a millimetre to the right puts the
    // third label of the first row past the right edge.
    EXPECT_EQ(sht__check(a4(3, 8, 70, 37, 0, 0.5, 70, 37)), std::nullopt);
    EXPECT_EQ(sht__check(a4(3, 8, 70, 37, 1, 0.5, 70, 37)), u"Этикетка 3 выходит за правый край бумаги.");
    // Two millimetres down: the first label of the last row leaves the bottom.
    EXPECT_EQ(sht__check(a4(3, 8, 70, 37, 0, 2, 70, 37)), u"Этикетка 22 выходит за нижний край бумаги.");
    // A tenth of a mm over (rounding of sizes written in inches) passes.
    EXPECT_EQ(sht__check(a4(3, 8, 70, 37, 0.1, 0.5, 70, 37)), std::nullopt);

    label_sheet nan_paper = a4(1, 1, 10, 10, 0, 0, 0, 0);
    nan_paper.paper_width = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(sht__check(nan_paper), std::nullopt);
    EXPECT_EQ(sht__check(a4(1, 1, 0.09, 10, 0, 0, 0, 0)), u"Этикетка листа не может быть меньше 0,1 мм.");
    label_sheet huge = a4(1, 1, 10, 10, 0, 0, 0, 0);
    huge.grids[0].columns = 2147483647;
    EXPECT_EQ(sht__check(huge), u"На листе может быть от 1 до 10000 этикеток.");
}

TEST(SheetCheck, OverlapsNameBothLabelsAndFollowTheShape)
{
    // A step a mm short of the width.
    EXPECT_EQ(sht__check(a4(3, 1, 70, 37, 0, 0, 69, 37)), u"Этикетки 1 и 2 перекрываются.");
    // A second grid over the first one's second row.
    label_sheet two = a4(2, 2, 50, 30, 10, 10, 60, 40);
    two.grids.push_back({2, 1, 10 * MM, 50 * MM, 60 * MM, 0});
    EXPECT_EQ(sht__check(two), u"Этикетки 3 и 4 перекрываются.");

    // Discs of 40 mm in two staggered grids: centres 43 mm apart, so the
    // discs stay apart while their bounding squares overlap.
    label_sheet staggered = a4(4, 2, 40, 40, 5, 5, 50, 70);
    staggered.grids.push_back({3, 2, 30 * MM, 40 * MM, 50 * MM, 70 * MM});
    staggered.shape = sheet_shape::round;
    EXPECT_EQ(sht__check(staggered), std::nullopt);
    staggered.shape = sheet_shape::rectangle;
    EXPECT_EQ(sht__check(staggered), u"Этикетки 1 и 5 перекрываются.");
    // Ten thousand labels in a column, one put between the last two: it
    // runs into both, the earlier one named.
    label_sheet column = a4(1, 9999, 10, 0.1, 0, 0, 0, 0.1);
    column.paper_height = 1100 * MM;
    EXPECT_EQ(sht__check(column), std::nullopt);
    column.grids.push_back({1, 1, 0, 999.75 * MM, 0, 0});
    EXPECT_EQ(sht__check(column), u"Этикетки 9998 и 9999 перекрываются.");
    // Closer than a diameter, discs overlap too.
    staggered.shape = sheet_shape::round;
    staggered.grids[1].top = 30 * MM;
    EXPECT_NE(sht__check(staggered), std::nullopt);
}

TEST(SheetGeometry, ReadsPaperGridSizeAndGaps)
{
    std::u16string error;
    auto s = sht__parse_geometry("A4,3x8,70x37,0,0.5,0,0", error);
    ASSERT_TRUE(s) << std::string(error.begin(), error.end());
    EXPECT_EQ(s->paper, "A4");
    EXPECT_EQ(sht__count(*s), 24);
    EXPECT_NEAR(s->label_width, 70 * MM, 1e-9);
    EXPECT_NEAR(s->grids[0].top, 0.5 * MM, 1e-9);

    s = sht__parse_geometry("100x150,2x3,45x45,3,4,2,1", error);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->paper, "");
    EXPECT_NEAR(s->paper_height, 150 * MM, 1e-9);
    EXPECT_NEAR(s->grids[0].across, 47 * MM, 1e-9);
    EXPECT_NEAR(s->grids[0].down, 46 * MM, 1e-9);
    const std::vector<sheet_cell> cells = sht__cells(*s);
    ASSERT_EQ(cells.size(), 6u);
    EXPECT_NEAR(cells[1].x, 50 * MM, 1e-9); // across first
    EXPECT_NEAR(cells[2].y, 50 * MM, 1e-9);
}

TEST(SheetGeometry, RefusesWhatIsNoSheet)
{
    for (const char *bad : {"A4,3x8,70x37,0,0,0", "B5,3x8,70x37,0,0,0,0", "A4,3x8.5,70x37,0,0,0,0",
                            "A4,3x8,70x37,-1,0,0,0", "A4,3x8,nanx37,0,0,0,0", "A4,3x8,70x37,inf,0,0,0",
                            "A4,100000x1,1x1,0,0,0,0", "A4,0x8,70x37,0,0,0,0", "1e308x1e308,1x1,1x1,0,0,0,0"}) {
        std::u16string error;
        EXPECT_FALSE(sht__parse_geometry(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    // Sound as text, but four columns of 70 mm leave an A4 sheet: the
    // check's own message.
    std::u16string error;
    EXPECT_FALSE(sht__parse_geometry("A4,4x8,70x37,0,0,0,0", error));
    EXPECT_EQ(error, u"Этикетка 4 выходит за правый край бумаги.");
}

} // namespace
