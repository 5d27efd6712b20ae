// Texts that wrap and shrink: what the canvas's box around an element takes
// in, the mark of a cut text on the canvas only, and hostile members.
#include <chrono>
#include <cmath>
#include <limits>

#include "render_support.h"

namespace {

element *fitted_text(label *lab, const std::u16string &text, double x, double y, double w, double h)
{
    element *e = add_element(lab, ELE_TEXT, x, y, w, h);
    e->text.text = text;
    e->text.font = u"DejaVu Sans";
    e->text.size = 12;
    return e;
}

QImage draw_marked(const label *lab, double scale, bool marks)
{
    QImage img(static_cast<int>(lab->width * scale), static_cast<int>(lab->height * scale),
               QImage::Format_RGB32);
    img.fill(Qt::white);
    render_request r;
    r.scale_x = r.scale_y = scale;
    r.overflow_marks = marks;
    std::vector<std::u16string> log;
    QPainter p(&img);
    rdr__draw_label(p, lab, r, log);
    return img;
}

int count_pixels(const QImage &img, const std::function<bool(QRgb)> &which)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += which(img.pixel(x, y)) ? 1 : 0;
    return n;
}

bool red(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
}

} // namespace

TEST(TextFit, ElementsExtentHoldsEveryWrappedLineAndTheMark)
{
    // Wrapping without shrinking runs past the box's bottom, as a plain
    // text runs past its side; the extent the canvas repaints holds it.
    label_ptr lab = blank_label(200, 300);
    element *e = fitted_text(lab.get(), u"много слов один за другим в узком и низком поле текста", 20, 250, 50, 14);
    e->text.wrap = true;
    const double scale = 2;
    const QImage img = draw_marked(lab.get(), scale, true);
    render_request r;
    r.scale_x = r.scale_y = scale;
    const QRectF extent = rdr__element_extent(lab.get(), e, r, &img);
    int outside = 0, below_box = 0;
    const double box_bottom = (300 - 250) * scale;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 200) {
                outside += extent.contains(QPointF(x + 0.5, y + 0.5)) ? 0 : 1;
                below_box += y > box_bottom ? 1 : 0;
            }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(below_box, 0); // it did run past the box
    EXPECT_EQ(count_pixels(img, red), 0); // not cut: no mark

    // Shrinking: cut at the box, the red outline on the canvas only.
    e->text.shrink = 8;
    const QImage canvas = draw_marked(lab.get(), scale, true);
    const QImage output = draw_marked(lab.get(), scale, false);
    EXPECT_GT(count_pixels(canvas, red), 0);
    EXPECT_EQ(count_pixels(output, red), 0);
    const QRectF cut_extent = rdr__element_extent(lab.get(), e, r, &canvas);
    int ink_outside = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (qGray(canvas.pixel(x, y)) < 200 && !cut_extent.contains(QPointF(x + 0.5, y + 0.5)))
                ++ink_outside;
    EXPECT_EQ(ink_outside, 0);
    // Nothing of the output below the box.
    for (int y = static_cast<int>(box_bottom) + 1; y < output.height(); ++y)
        for (int x = 0; x < output.width(); ++x)
            ASSERT_GE(qGray(output.pixel(x, y)), 200) << x << "," << y;
}

TEST(TextFit, HostileSizesAndHugeWordsAreDrawnInReasonableTime)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    label_ptr lab = blank_label(200, 200);
    struct odd {
        double size, shrink, w, h;
    };
    const odd cases[] = {{12, nan, 50, 20}, {12, inf, 50, 20}, {12, -3, 50, 20}, {12, 1e308, 50, 20},
                         {12, 1e-300, 50, 20}, {0, 6, 50, 20}, {12, 6, 0, 0}, {1e300, 2, 50, 20}};
    for (const odd &o : cases) {
        element *e = fitted_text(lab.get(), u"слово другое\nещё", 10, 10, o.w, o.h);
        e->text.size = o.size;
        e->text.shrink = o.shrink;
        e->text.wrap = true;
        const text_layout l = rdr__layout_text(e, o.w, o.h, *e->text.text);
        EXPECT_TRUE(std::isfinite(l.size) && l.size > 0) << o.size << " " << o.shrink;
        for (const text_line &line : l.lines)
            EXPECT_TRUE(std::isfinite(line.baseline));
    }
    // The largest text an element carries, one word without a break,
    // wrapping and shrinking into a small box.
    element *huge = fitted_text(lab.get(), std::u16string(LIM_MAX_TEXT_CHARS / 8, u'ж'), 10, 100, 60, 20);
    huge->text.wrap = true;
    huge->text.shrink = 4;
    const auto start = std::chrono::steady_clock::now();
    const QImage img = draw_at(lab.get(), 72);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 20);
    const text_layout l = rdr__layout_text(huge, 60, 20, *huge->text.text);
    EXPECT_TRUE(l.overflow);
    EXPECT_EQ(l.size, 4);
    ASSERT_FALSE(l.lines.empty());
    EXPECT_LE(l.lines.back().baseline + l.descent, 20 + 1e-9);
}
