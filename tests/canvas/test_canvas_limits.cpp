// The canvas with sizes and positions far beyond any real label, as a file
// from elsewhere can hold them: the pixel mapping saturates and painting
// costs what the view shows, not what the label holds.
#include <QPainter>
#include <cmath>
#include <limits>

#include "canvas_fixture.h"
#include "support/shots.h"
#include "widgets/real_scroll_bar.h"

namespace {

// The columns of a rendered scene that hold a pixel of `colour`.
int columns_with(const QImage &img, QRgb colour, int y0, int y1)
{
    int n = 0;
    for (int x = 0; x < img.width(); ++x)
        for (int y = std::max(0, y0); y <= std::min(img.height() - 1, y1); ++y)
            if ((img.pixel(x, y) & 0xFFFFFFu) == colour) {
                ++n;
                break;
            }
    return n;
}

} // namespace

TEST_F(CanvasTest, PixelMappingSaturatesForAnyNumber)
{
    const double huge[] = {5e9, 1e12, 1e300, std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::infinity()};
    for (double v : huge) {
        SCOPED_TRACE(v);
        EXPECT_EQ(canvas->px(v), CANVAS_PIXEL_LIMIT);
        EXPECT_EQ(canvas->px(-v), -CANVAS_PIXEL_LIMIT);
        // y grows upward: a huge y lies far above the window.
        EXPECT_LT(canvas->py(v), -CANVAS_PIXEL_LIMIT / 2);
        EXPECT_GT(canvas->py(-v), CANVAS_PIXEL_LIMIT / 2);
    }
    EXPECT_EQ(canvas->px(std::nan("")), -CANVAS_PIXEL_LIMIT);
    // Ordinary values keep the half-rounded mapping.
    const canvas_stock &s = canvas->stock();
    EXPECT_EQ(canvas->px(s.org_x + 10 / s.scale), 10);
    EXPECT_EQ(canvas->px(s.org_x + 2e8 / s.scale), 200000000);
}

TEST_F(CanvasTest, HugeElementsAreDrawnAsFarAsTheViewReaches)
{
    // A border anchored at (100, 100), 5e9 points wide, then 1e300: its
    // bottom edge runs from its anchor to the window's right edge.
    element *e = make(ELE_BORDER, 100, 100);
    set(fn::height, 0, 50);
    for (double width : {5e9, 1e300}) {
        SCOPED_TRACE(width);
        set(fn::width, 0, width);
        const QRect r = canvas->element_rect(e, 10);
        EXPECT_LE(r.left(), canvas->px(100));
        EXPECT_GE(r.right(), CANVAS_PIXEL_LIMIT);
        EXPECT_TRUE(r.contains(canvas->px(100), canvas->py(100)));
        QImage img = canvas->render();
        const int edge_row = canvas->py(100);
        const QRgb label_colour = 0xFFFFFFu, grey = 0x808080u;
        // Ink all along the edge row, beyond the label and to the last column.
        int inked = 0;
        for (int x = canvas->px(100) + 20; x < img.width(); ++x) {
            const QRgb c = pixel(img, x, edge_row);
            inked += c != label_colour && c != grey && c != 0x404040u;
        }
        EXPECT_EQ(inked, img.width() - canvas->px(100) - 20);
        // The anchor marker is a spot where the anchor is.
        bool marker = false;
        for (const spot &sp : canvas->stock().spots)
            marker = marker || (sp.kind == SPOT_MARKER && sp.e == e);
        EXPECT_TRUE(marker);
    }
    // A text of a 1e300-point font, whose height follows its font.
    make(ELE_TEXT, 50, 50);
    set(fn::font_size, 0, 1e300);
    set(fn::width, 0, 5e9);
    canvas->render();
    EXPECT_EQ(lab()->qty, 2);
}

TEST_F(CanvasTest, GridOfAHugeLabelIsBoundedByTheView)
{
    // A label 1e12 points square with one element as wide, every grid on.
    lab()->width = 1e12;
    lab()->height = 1e12;
    lab()->bgcolor = 0x102030;
    canvas->set_label(lab());
    make(ELE_BORDER, 10, 10);
    set(fn::width, 0, 1e12);
    set(fn::height, 0, 1e12);
    canvas->show_grid(10, true);
    canvas->show_grid(20, true);
    canvas->show_grid(40, true);
    const canvas_stock &s = canvas->stock();
    EXPECT_GE(s.ext[2], 1e12);

    QImage img = canvas->render();
    // At most every step across the view, and a line or two at its edges.
    int most = 0;
    for (int step : {10, 20, 40})
        most += static_cast<int>(s.view_w / step) + 2 + static_cast<int>(s.view_h / step) + 2;
    EXPECT_LE(canvas->grid_lines_painted(), most);
    // ...and they are there: one 10-point line per 10 points of the view.
    const QRgb grid = ((0x10 + 204) % 255) << 16 | ((0x20 + 204) % 255) << 8 | ((0x30 + 204) % 255);
    EXPECT_GE(columns_with(img, grid, 0, img.height() - 1), static_cast<int>(s.view_w / 10) - 2);

    // A window repainting a small part paints the lines of that part only.
    QImage part(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    canvas->render_area(part, QRect(100, 100, 30, 30));
    const int per_step = static_cast<int>(30 / s.scale / 10) + 2;
    EXPECT_LE(canvas->grid_lines_painted(), 3 * 2 * per_step);
    EXPECT_GT(canvas->grid_lines_painted(), 0);

    // 1e300 points wide, seen half way: there a step of 10 points is below
    // what the numbers can tell apart.
    lab()->width = 1e300;
    canvas->set_label(lab());
    frame->stock().holder->stock().hscroll->set_position(5e299);
    EXPECT_DOUBLE_EQ(canvas->stock().org_x, 5e299);
    canvas->render();
    EXPECT_LE(canvas->grid_lines_painted(), most);
}

TEST_F(CanvasTest, ASceneRepaintedInPartsMatchesOnePaint)
{
    // Grid patterns and element gradients carry on where a part of them is
    // repainted; descriptions, markers and handles are cut, never moved.
    lab()->bgcolor = 0x102030;
    canvas->set_label(lab());
    canvas->show_grid(10, true);
    canvas->show_grid(20, true);
    canvas->show_grid(40, true);
    make(ELE_BORDER, 40, 60);
    set(fn::width, 0, 200);
    set(fn::height, 0, 120);
    make(ELE_TEXT, 120, 250); // automatic width: edges fading to clear
    make(ELE_BARCODE, 200, 330);
    set(fn::angle, 0, 30);
    make(ELE_PICTURE, 60, 300);
    set(fn::angle, 0, 45);
    const QImage whole = canvas->render();
    QImage parts(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    const int h = canvas->height(), w = canvas->width();
    for (int y = 0; y < h; y += 37)
        for (int x = 0; x < w; x += 53) {
            const QRect area(x, y, 53, 37);
            QImage piece(canvas->size(), QImage::Format_ARGB32_Premultiplied);
            piece.fill(Qt::black);
            canvas->render_area(piece, area);
            QPainter p(&parts);
            p.drawImage(area.topLeft(), piece.copy(area));
        }
    int different = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            different += whole.pixel(x, y) != parts.pixel(x, y);
    EXPECT_EQ(different, 0);
    save_image_shot(whole, QStringLiteral("canvas-scene-in-parts"));
}

TEST_F(CanvasTest, AHugeElementsDescriptionStaysAtItsTrueCentre)
{
    // Quadrant 0 grows right and up from the anchor: a box 1e12 points wide
    // on a label as wide has its middle at 5e11.  Scrolled to 1e11, both its
    // ends lie beyond the pixels the mapping keeps, and no text shows.  The
    // same box centred on its anchor (quadrant 8) shows the text there.
    lab()->width = 1e12;
    canvas->set_label(lab());
    element *e = make(ELE_BORDER, 50, 100);
    set(fn::quadrant, 0, 0);
    set(fn::height, 0, 60);
    set(fn::width, 0, 1e12);
    e->desc = u"Огромная рамка";
    canvas->deselect_all();
    float_scroll_bar *hscroll = frame->stock().holder->stock().hscroll;
    auto ink_inside = [&](const QImage &img, int from, int to) {
        // What is not the white label between the box's edges, clear of
        // them and of the anchor marker.
        int n = 0;
        for (int y = canvas->py(160) + 3; y <= canvas->py(100) - 10; ++y)
            for (int x = from; x < to; ++x)
                n += pixel(img, x, y) != 0xFFFFFFu;
        return n;
    };
    hscroll->set_position(1e11);
    ASSERT_DOUBLE_EQ(canvas->stock().org_x, 1e11);
    EXPECT_EQ(ink_inside(canvas->render(), 0, canvas->width()), 0);
    // Centred on an anchor in view.
    hscroll->set_position(0);
    set(fn::quadrant, 0, 8);
    set(fn::y, 0, 130);
    set(fn::x, 0, 150);
    EXPECT_GT(ink_inside(canvas->render(), canvas->px(60), canvas->px(240)), 20);
}
