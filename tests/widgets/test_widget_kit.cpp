// The widget kit: band layout, rulers, floating scroll bars, split
// containers, the toolbar host, choice boxes, buttons and the scrollable
// bitmap, each driven as a user or its owner would.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <QTreeWidget>
#include <cmath>
#include <set>

#include "frame/toolbar_table.h"
#include "hub/program_state.h"
#include "model/settings.h"
#include "model/tables.h"
#include "platform/colour_choice.h"
#include "platform/message_boxes.h"
#include "resources/icons.h"
#include "support/fakes.h"
#include "support/shots.h"
#include "support/temp_dir.h"
#include "widgets/picture_view.h"
#include "widgets/broadcast.h"
#include "widgets/clrflatbtn.h"
#include "widgets/controls.h"
#include "widgets/real_scroll_bar.h"
#include "widgets/gradient.h"
#include "widgets/kit_resources.h"
#include "widgets/picbtn.h"
#include "widgets/band_layout.h"
#include "widgets/ruler.h"
#include "widgets/toolbarsup.h"
#include "widgets/split_pane.h"

namespace {

// Settings in a folder of the test's own.
class with_settings {
public:
    with_settings()
    {
        const char *old = std::getenv("XDG_CONFIG_HOME");
        had_ = old != nullptr;
        if (old)
            old_ = old;
        setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    }
    ~with_settings()
    {
        if (had_)
            setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

private:
    temp_dir dir_;
    std::string old_;
    bool had_ = false;
};

std::vector<int> offsets(const ql_sequence &s)
{
    std::vector<int> out;
    for (const ql_band *b : s.bands)
        out.push_back(b->offset);
    return out;
}

std::vector<int> lengths(const ql_sequence &s)
{
    std::vector<int> out;
    for (const ql_band *b : s.bands)
        out.push_back(b->length);
    return out;
}

} // namespace

TEST(BandLayout, SharesFixedAndFlexibleBandsAsTheExamplesSay)
{
    ql_band a = ql_band::fixed(17), b = ql_band::flexible(70), c = ql_band::fixed(2),
            d = ql_band::flexible(30), e = ql_band::fixed(2);
    ql_sequence s{nullptr, {&a, &b, &c, &d, &e}};
    ql__distribute(s, 0, 100);
    EXPECT_EQ(lengths(s), (std::vector<int>{17, 55, 2, 24, 2}));
    EXPECT_EQ(offsets(s), (std::vector<int>{0, 17, 72, 74, 98}));

    // A share below its minimum takes the minimum first; the rest is shared.
    ql_band f = ql_band::flexible(45, 50), g = ql_band::flexible(6), h = ql_band::flexible(45);
    ql_sequence t{nullptr, {&f, &g, &h}};
    ql__distribute(t, 10, 100);
    EXPECT_EQ(lengths(t), (std::vector<int>{50, 5, 45}));
    EXPECT_EQ(offsets(t), (std::vector<int>{10, 60, 65}));

    // Weight 0: exactly its minimum.
    ql_band z = ql_band::flexible(0, 40), rest = ql_band::flexible(1);
    ql_sequence u{nullptr, {&z, &rest}};
    ql__distribute(u, 0, 300);
    EXPECT_EQ(lengths(u), (std::vector<int>{40, 260}));
}

TEST(BandLayout, MinimumsPropagateAndOverflowRatherThanShrink)
{
    // The column's minimum grows to its children's; it then takes that
    // minimum although its share of 100 is 50.
    ql_band col = ql_band::flexible(1), other = ql_band::flexible(1);
    ql_band x1 = ql_band::flexible(1, 80), x2 = ql_band::fixed(50);
    ql_axis axis{{nullptr, {&col, &other}}, {&col, {&x1, &x2}}};
    ql__propagate(axis);
    EXPECT_EQ(col.min, 130);
    ql__distribute_axis(axis, 100);
    EXPECT_EQ(col.length, 130);
    EXPECT_EQ(other.length, 0);
    EXPECT_EQ(other.offset, 130);
    EXPECT_EQ(x1.length, 80);
    EXPECT_EQ(x2.offset, 80);

    // Children whose minimums exceed the whole extent run past its end.
    ql_band y1 = ql_band::flexible(1, 80), y2 = ql_band::fixed(50), y3 = ql_band::flexible(1);
    ql_sequence s{nullptr, {&y1, &y2, &y3}};
    ql__distribute(s, 0, 100);
    EXPECT_EQ(lengths(s), (std::vector<int>{80, 50, 0}));
    EXPECT_EQ(y2.offset + y2.length, 130);
}

TEST(BandLayout, FitsBandsToTheControlsText)
{
    QWidget w;
    w.resize(400, 200);
    QLabel *label = ctl__label(&w, QStringLiteral("Очень длинная подпись поля"));
    QLineEdit *edit = ctl__edit(&w);
    ql_band cap = ql_band::fixed(10, QL_FIT_TEXT), field = ql_band::flexible(1);
    ql_band row = ql_band::fixed(0, QL_FIT_TEXT);
    ql_axis h{{nullptr, {&cap, &field}}};
    ql_axis v{{nullptr, {&row}}};
    std::vector<ql_place> places{{label, &cap, &row}, {edit, &field, &row}};
    ql__layout(places, h, v, 400, 200);
    EXPECT_EQ(cap.size, ctl__text_width(label));
    EXPECT_GE(row.size, ctl__line_height(edit));
    EXPECT_EQ(label->geometry(), QRect(0, 0, cap.size, row.size));
    EXPECT_EQ(edit->geometry(), QRect(cap.size, 0, 400 - cap.size, row.size));
}

TEST(Ruler, StepDoublesUntilLabelsFitAndLabelsAlternate)
{
    auto px = [](double v) { return 10.0 * v; };
    ruler_scale s = ruler__scale(-20, 30, px, 6);
    EXPECT_DOUBLE_EQ(s.step, 4);
    EXPECT_EQ(s.decimals, 0);
    std::vector<double> labelled, all;
    for (const ruler_tick &t : s.ticks) {
        all.push_back(t.value);
        if (t.labelled)
            labelled.push_back(t.value);
    }
    ASSERT_FALSE(all.empty());
    EXPECT_DOUBLE_EQ(all.front(), -20);
    EXPECT_DOUBLE_EQ(all.back(), 28);
    EXPECT_EQ(labelled, (std::vector<double>{-16, -8, 0, 8, 16, 24}));

    auto wide = [](double v) { return 1000.0 * v; };
    EXPECT_EQ(ruler__scale(0, 0.5, wide, 6).decimals, 1);
    EXPECT_EQ(ruler__scale(0, 0.05, wide, 6).decimals, 2);
    EXPECT_EQ(ruler__scale(0, 5, wide, 6).decimals, 1);
    EXPECT_TRUE(ruler__scale(3, 3, wide, 6).ticks.empty());
    EXPECT_TRUE(ruler__scale(0, 10, nullptr, 6).ticks.empty());
}

TEST(Ruler, DragOntoTheTargetBeginsOneGuideReleaseOnTheRulerNone)
{
    QWidget top;
    top.resize(300, 300);
    ruler r(&top, false);
    r.setGeometry(17, 0, 283, 17);
    QWidget target(&top);
    target.setGeometry(17, 17, 283, 283);
    target.show();
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    std::vector<bool> begun;
    r.set_conversion([](double v) { return v; }, &target, [&](bool vertical) { begun.push_back(vertical); });

    QTest::mousePress(&r, Qt::LeftButton, {}, QPoint(50, 8));
    EXPECT_TRUE(r.dragging());
    QTest::mouseMove(&r, QPoint(60, 12)); // still over the ruler
    EXPECT_TRUE(begun.empty());
    QTest::mouseRelease(&r, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_FALSE(r.dragging());
    EXPECT_TRUE(begun.empty());

    QTest::mousePress(&r, Qt::LeftButton, {}, QPoint(50, 8));
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 40), r.mapToGlobal(QPointF(50, 40)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&r, &move);
    QApplication::sendEvent(&r, &move); // a second move after the hand-over does nothing
    ASSERT_EQ(begun.size(), 1u);
    EXPECT_FALSE(begun[0]);
    EXPECT_FALSE(r.dragging());

    ruler vr(&top, true);
    vr.set_conversion([](double v) { return v; }, &target, [&](bool vertical) { begun.push_back(vertical); });
    vr.begin_drag();
    QMouseEvent vmove(QEvent::MouseMove, QPointF(5, 40), target.mapToGlobal(QPointF(5, 40)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&vr, &vmove);
    ASSERT_EQ(begun.size(), 2u);
    EXPECT_TRUE(begun[1]);
}

TEST(Ruler, PairLooksLikeAScale)
{
    QWidget w;
    w.resize(320, 240);
    ruler h(&w, false), v(&w, true);
    h.setGeometry(17, 0, 303, 17);
    v.setGeometry(0, 17, 17, 223);
    h.set_conversion([](double x) { return (x + 5) * 10; }, nullptr, nullptr);
    h.set_range(-5, 25.3);
    v.set_conversion([](double y) { return 223 - (y + 2) * 10; }, nullptr, nullptr);
    v.set_range(-2, 20.3);
    w.show();
    save_shot(&w, QStringLiteral("widgets-ruler-pair"));
    // A labelled tick reaches y 10, an unlabelled one only y 13.
    QImage img = h.grab().toImage();
    const QRgb face = h.palette().color(QPalette::Button).rgb();
    int labelled = static_cast<int>((0 + 5) * 10); // 0 is a labelled tick
    EXPECT_NE(img.pixel(labelled, 11), face);
    EXPECT_NE(img.pixel(labelled, 16), face);
    EXPECT_EQ(img.pixel(labelled + 1, 11), face);
}

TEST(FloatScrollBar, PageBeyondTheRangeCentresAndNotifies)
{
    QWidget w;
    float_scroll_bar fsb(&w, false);
    fsb.resize(200, 16);
    std::vector<double> told;
    QObject::connect(&fsb, &float_scroll_bar::position_changed, [&](double p) { told.push_back(p); });
    fsb.set(FSB_SET_RANGE | FSB_SET_PAGE | FSB_SET_POSITION, 0, 100, 300, 50);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_DOUBLE_EQ(told[0], -100); // (100 - 300) / 2 before the start
    EXPECT_DOUBLE_EQ(fsb.stock().position, -100);

    // An ascending range: position clamped to [start, end - page].
    fsb.set(FSB_SET_PAGE | FSB_SET_POSITION, 0, 0, 20, 95);
    EXPECT_DOUBLE_EQ(fsb.stock().position, 80);
    // Even an unchanged position is told again.
    fsb.update_bar();
    EXPECT_EQ(told.size(), 3u);

    // Inner arithmetic: 200 px over 100 units, page 20 -> inner page 40,
    // M = 161, position 40 -> 40 * 161 / 80.
    fsb_stock s;
    s.start = 0;
    s.end = 100;
    s.page = 20;
    s.position = 40;
    fsb_inner in = fsb__update(s, 200);
    EXPECT_EQ(in.page, 40);
    EXPECT_EQ(in.max_pos, 161);
    EXPECT_EQ(in.pos, static_cast<int>(40.0 * 161 / 80 + 0.5));
    // A descending range (label y up): the end is at the top.
    fsb_stock d;
    d.start = 100;
    d.end = 0;
    d.page = 20;
    d.position = 90;
    fsb__update(d, 200);
    EXPECT_DOUBLE_EQ(d.position, 80);
    EXPECT_DOUBLE_EQ(fsb__value_at(d, 0, 161), 80);
    EXPECT_DOUBLE_EQ(fsb__value_at(d, 161, 161), 0);
}

TEST(FloatScrollBar, ScrollActionsMoveByTheTableAndNotify)
{
    QWidget w;
    float_scroll_bar fsb(&w, true);
    fsb.resize(16, 200);
    std::vector<double> told;
    fsb.set(FSB_SET_RANGE | FSB_SET_PAGE | FSB_SET_POSITION, 0, 100, 20, 0);
    QObject::connect(&fsb, &float_scroll_bar::position_changed, [&](double p) { told.push_back(p); });
    QScrollBar *bar = fsb.inner();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), 200 / 100 + 1);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NEAR(told[0], 80.0 * 3 / 161, 1e-9);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar->value(), 3 + 200 / 10 + 1);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_DOUBLE_EQ(fsb.stock().position, 80);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_DOUBLE_EQ(fsb.stock().position, 0);
    std::size_t n = told.size();
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub); // already at 0: no change, no word
    EXPECT_EQ(told.size(), n);
}

TEST(FloatScrollBar, RangesOfAnySizeStayWithinPixels)
{
    // A label of 1e-300 points under a page of 750: the page in pixels is
    // enormous, not an overflow; everything is visible and centred.
    fsb_stock s;
    s.start = 0;
    s.end = 1e-300;
    s.page = 750;
    fsb_inner in = fsb__update(s, 500);
    EXPECT_EQ(in.page, 1 << 30);
    EXPECT_LE(in.max_pos, 0);
    EXPECT_EQ(in.pos, 0);
    EXPECT_DOUBLE_EQ(s.position, (1e-300 - 750) * 0.5);
    // 1e300 points under the same page: the page is no pixel at all.
    s.end = 1e300;
    s.position = 5e299;
    in = fsb__update(s, 500);
    EXPECT_EQ(in.page, 0);
    EXPECT_EQ(in.max_pos, 501);
    EXPECT_NEAR(in.pos, 250, 1);
}

TEST(SplitContainer, LayoutArithmeticClampAndDrag)
{
    two_layout l = two__layout(300, 401, true, 500);
    EXPECT_EQ(l.first, QRect(0, 0, 300, 199));
    EXPECT_EQ(l.second, QRect(0, 201, 300, 200));
    EXPECT_EQ(two__layout(300, 0, true, 500).first, QRect());
    EXPECT_LT(two__candidate(-5, 401), 0); // read as unsigned: huge
    EXPECT_LT(two__candidate(350, 401), 0);
    EXPECT_DOUBLE_EQ(two__candidate(200, 401), 500);

    QWidget top;
    top.resize(500, 300);
    auto *a = new QWidget, *b = new QWidget;
    split_container c(&top, a, b, false, 900);
    EXPECT_EQ(c.ratio(), 800);
    c.setGeometry(0, 0, 501, 300);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    EXPECT_EQ(a->parentWidget(), &c);
    EXPECT_EQ(a->geometry(), QRect(0, 0, 399, 300));

    // Drag the splitter: 300 -> 600; past 80 % the last accepted value stays.
    QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(400, 100));
    QMouseEvent m1(QEvent::MouseMove, QPointF(300, 100), c.mapToGlobal(QPointF(300, 100)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&c, &m1);
    EXPECT_EQ(c.ratio(), 600);
    QMouseEvent m2(QEvent::MouseMove, QPointF(450, 100), c.mapToGlobal(QPointF(450, 100)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&c, &m2);
    EXPECT_EQ(c.ratio(), 600);
    QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(450, 100));
    EXPECT_EQ(a->geometry().width(), 299);
}

TEST(SplitContainer, OnlyAPressInTheGapMovesTheSplit)
{
    // Everything through the window, as a pointer does it: a press no pane
    // takes reaches the container, and the container's capture would take
    // the release from the pane.
    with_settings s;
    scripted_colour_choice colours;
    scoped_seam<colour_choice_service> use(&colours);
    QWidget top;
    top.resize(501, 300);
    auto *caption = new QLabel(QStringLiteral("Угол:"));
    auto *pane = new QWidget;
    auto *swatch = new colour_button(pane, 0x123456);
    swatch->setGeometry(10, 10, 60, 24);
    split_container c(&top, caption, pane, false, 500);
    c.setGeometry(0, 0, 501, 300);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    QWindow *win = top.windowHandle();
    auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(win, Qt::LeftButton, {}, from);
        QTest::mouseMove(win, (from + to) / 2);
        QTest::mouseMove(win, to);
        QTest::mouseRelease(win, Qt::LeftButton, {}, to);
    };
    // Over the caption: the pane's arrow, not the splitter's.
    EXPECT_EQ(caption->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(c.cursor().shape(), Qt::SizeHorCursor);
    drag(caption->geometry().center(), caption->geometry().center() + QPoint(150, 0));
    EXPECT_EQ(c.ratio(), 500);
    EXPECT_FALSE(c.dragging());
    drag(QPoint(300, 280), QPoint(400, 280)); // the second pane's blank area
    EXPECT_EQ(c.ratio(), 500);
    // The swatch in a pane: a click opens the colour dialog.
    colours.answers.push_back(0x00FF00u);
    std::vector<std::uint32_t> told;
    QObject::connect(swatch, &colour_button::colour_changed, [&](std::uint32_t v) { told.push_back(v); });
    const QPoint at = swatch->mapTo(&top, QPoint(20, 10));
    QTest::mouseClick(win, Qt::LeftButton, {}, at);
    ASSERT_EQ(colours.asked.size(), 1u);
    EXPECT_EQ(told, std::vector<std::uint32_t>{0xFF00FF00u});
    EXPECT_EQ(c.ratio(), 500);
    // The gap itself: the split follows the pointer.
    const int gap = caption->geometry().right() + 1;
    EXPECT_TRUE(c.in_gap(QPoint(gap, 150)));
    EXPECT_FALSE(c.in_gap(QPoint(gap - 1, 150)));
    drag(QPoint(gap, 150), QPoint(300, 150));
    EXPECT_EQ(c.ratio(), 600);
    EXPECT_FALSE(c.dragging());
}

TEST(ToolbarHost, ButtonsTooltipsGroupsAndHeight)
{
    QWidget top;
    top.resize(800, 100);
    toolbar_host host(&top, &top, frame_toolbar, frame_toolbar_rows, 16, 16);
    host.setGeometry(0, 0, 800, host.needed_height());
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    EXPECT_EQ(host.stock().normal.size(), 28u);
    EXPECT_EQ(host.stock().disabled.size(), 28u);
    int separators = 0, buttons = 0;
    for (QAction *a : host.toolbar()->actions())
        (a->isSeparator() ? separators : buttons)++;
    EXPECT_EQ(separators, 6);
    EXPECT_EQ(buttons, 22);
    // "Повторить" right after "Отменить".
    const QList<QAction *> all = host.toolbar()->actions();
    const qsizetype undo_at = all.indexOf(host.action(cmd::undo));
    ASSERT_GE(undo_at, 0);
    ASSERT_LT(undo_at + 1, all.size());
    EXPECT_EQ(all[undo_at + 1], host.action(cmd::redo));
    EXPECT_EQ(host.tooltip_for(cmd::redo), QStringLiteral("Повторить"));
    EXPECT_EQ(host.tooltip_for(cmd::open), QStringLiteral("Открыть"));
    EXPECT_TRUE(host.tooltip_for(1).isEmpty()); // separators: none
    EXPECT_EQ(host.action(cmd::open)->toolTip(), QStringLiteral("Открыть"));
    EXPECT_GE(host.needed_height(), 16);

    std::vector<int> commands;
    QObject::connect(&host, &toolbar_host::command, [&](int id) { commands.push_back(id); });
    host.action(cmd::open)->trigger();
    EXPECT_EQ(commands, std::vector<int>{cmd::open});
    host.check(cmd::tool_text, true);
    EXPECT_TRUE(host.action(cmd::tool_text)->isChecked());
    host.check(cmd::normal_mode, true);
    EXPECT_FALSE(host.action(cmd::tool_text)->isChecked()); // one group
    host.enable(cmd::save, false);
    host.enable(cmd::align_left, false);
    EXPECT_FALSE(host.action(cmd::save)->isEnabled());
    save_shot(&host, QStringLiteral("widgets-toolbar-27"));

    // Disabling the host disables every button; enabling it again leaves
    // them to their own enable messages.
    host.setEnabled(false);
    host.setEnabled(true);
    EXPECT_FALSE(host.action(cmd::open)->isEnabled());
    host.enable(cmd::open, true);
    EXPECT_TRUE(host.action(cmd::open)->isEnabled());
}

TEST(ToolbarHost, PicturesFollowTheSystemColours)
{
    QImage before = res__image("align_left");
    QPalette old = QApplication::palette();
    QPalette pal = old;
    pal.setColor(QPalette::Dark, QColor(0x00, 0x80, 0x00));
    QApplication::setPalette(pal);
    QImage after = res__image("align_left");
    QApplication::setPalette(old);
    // The bars' outlines are not in the fixed grey; the quadrant frame is.
    QImage q1 = res__image("quadrant_8");
    QApplication::setPalette(pal);
    QImage q2 = res__image("quadrant_8");
    QApplication::setPalette(old);
    EXPECT_EQ(before, after);
    EXPECT_NE(q1, q2);
    EXPECT_EQ(qGreen(q2.pixel(2, 8)), 0x80);
}

TEST(Icons, EveryPictureDrawsCrispAtOneAndTwoTimes)
{
    QStringList names = res__names();
    ASSERT_GE(names.size(), 60);
    QImage sheet(40 * 12, 40 * ((names.size() + 11) / 12), QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    int i = 0;
    for (const QString &n : names) {
        QByteArray name = n.toUtf8();
        QSize natural = res__size(name.constData());
        QImage one = res__image(name.constData(), natural, 1.0);
        QImage two = res__image(name.constData(), natural, 2.0);
        EXPECT_EQ(one.size(), natural) << name.constData();
        EXPECT_EQ(two.size(), natural * 2) << name.constData();
        // Something is drawn, and the greyed form differs from the normal one.
        EXPECT_NE(one, QImage(natural, one.format())) << name.constData();
        if (natural.width() <= 36) {
            p.drawImage(QRect((i % 12) * 40, (i / 12) * 40, natural.width(), natural.height()), one);
            p.drawImage(QRect((i % 12) * 40, (i / 12) * 40 + 16, 16, 16),
                        res__image(name.constData(), QSize(16, 16), 1.0, true));
            ++i;
        }
    }
    p.end();
    save_image_shot(sheet, QStringLiteral("widgets-icons"));
    QImage big(36 * 2 * 9, 32, QImage::Format_ARGB32);
    big.fill(Qt::white);
    QPainter pb(&big);
    const char *some[] = {"align_left", "save", "open", "tool_text", "quadrant_8", "kind_barcode",
                          "just_fill", "delete", "help"};
    for (int k = 0; k < 9; ++k)
        pb.drawImage(QPoint(k * 36, 0), res__image(some[k], QSize(16, 16), 2.0));
    pb.end();
    save_image_shot(big, QStringLiteral("widgets-icons-200-percent"));
}

TEST(ChoiceBoxes, SelectionRulesOfTheSharedLists)
{
    QWidget w;
    QComboBox *sizes = cmn__font_size_box(&w, 11);
    EXPECT_EQ(sizes->count(), 26);
    EXPECT_EQ(sizes->currentText(), QStringLiteral("11"));
    QComboBox *big = cmn__font_size_box(&w, 100);
    EXPECT_EQ(big->count(), 27);
    EXPECT_EQ(big->currentText(), QStringLiteral("100"));
    EXPECT_EQ(big->itemText(26), QStringLiteral("100")); // after 72
    QComboBox *half = cmn__font_size_box(&w, 10.5);
    EXPECT_EQ(half->currentText(), QStringLiteral("10.5"));
    EXPECT_EQ(half->itemText(9), QStringLiteral("10.5"));

    QComboBox *thin = cmn__thickness_box(&w, 0);
    EXPECT_EQ(thin->count(), 4);
    EXPECT_EQ(thin->currentText(), QStringLiteral("0.0 (самая тонкая)"));
    QComboBox *quarter = cmn__thickness_box(&w, 0.25);
    EXPECT_EQ(quarter->count(), 5);
    EXPECT_EQ(quarter->currentText(), QStringLiteral("0.25"));
    EXPECT_EQ(cmn__thickness_box(&w, 1.0)->currentText(), QStringLiteral("1.0"));

    QComboBox *lines = cmn__line_style_box(&w, 1);
    EXPECT_EQ(lines->currentText(), QStringLiteral("Точка-тире"));
    EXPECT_EQ(cmn__choice_value(lines), 1);
    cmn__select_value(lines, 3);
    EXPECT_EQ(lines->currentText(), QStringLiteral("Тире"));
    cmn__select_value(lines, 99); // no such value: nothing changes
    EXPECT_EQ(lines->currentText(), QStringLiteral("Тире"));
    QComboBox *none = cmn__quadrant_box(&w, -1);
    EXPECT_EQ(none->currentIndex(), -1);
    EXPECT_EQ(cmn__choice_value(none), -1);
    EXPECT_EQ(cmn__quadrant_box(&w, 8)->currentText(), QStringLiteral("По центру"));
    EXPECT_EQ(cmn__yes_no_box(&w, 0)->currentText(), QStringLiteral("Нет"));
    QComboBox *types = cmn__barcode_type_box(&w, 11);
    EXPECT_EQ(types->count(), barcode_kind_count);
    EXPECT_EQ(types->currentText(), QStringLiteral("Interleaved 2 of 5"));
    // The two-dimensional and GS1 kinds after the sixteen linear ones.
    const char16_t *later[] = {u"QR-код", u"DataMatrix", u"PDF417", u"GS1-128"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(types->itemText(16 + i), QString::fromUtf16(later[i]));
        EXPECT_EQ(types->itemData(16 + i).toInt(), 16 + i);
    }
    EXPECT_EQ(cmn__justification_box(&w, 3)->currentText(), QStringLiteral("Равномерно"));
    // The anchor and barcode lists are the label's tables, row for row.
    QComboBox *anchors = cmn__quadrant_box(&w, -1);
    ASSERT_EQ(anchors->count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(anchors->itemText(i), QString::fromUtf16(anchor_table[i].shown));
        EXPECT_EQ(anchors->itemData(i).toInt(), anchor_table[i].quadrant);
        EXPECT_FALSE(anchors->itemIcon(i).isNull());
    }
    ASSERT_EQ(types->count(), barcode_kind_count);
    for (int i = 0; i < barcode_kind_count; ++i) {
        EXPECT_EQ(types->itemText(i), QString::fromUtf16(barcode_kinds[i].shown));
        EXPECT_EQ(types->itemData(i).toInt(), barcode_kinds[i].code);
    }
}

TEST(ChoiceBoxes, OpenedTheyShowTheirPictures)
{
    QWidget w;
    w.resize(260, 60);
    w.show();
    struct box {
        QComboBox *cb;
        const char *name;
    } boxes[] = {{cmn__quadrant_box(&w, 0), "widgets-choice-quadrant"},
                 {cmn__line_style_box(&w, 0), "widgets-choice-line-style"},
                 {cmn__justification_box(&w, 0), "widgets-choice-justification"},
                 {cmn__barcode_type_box(&w, 0), "widgets-choice-barcode"}};
    for (box &b : boxes) {
        b.cb->setGeometry(10, 10, 220, 26);
        b.cb->show();
        b.cb->raise();
        b.cb->showPopup();
        QWidget *popup = b.cb->view()->window();
        ASSERT_TRUE(popup->isVisible());
        QImage shot(popup->width(), popup->height() + 40, QImage::Format_ARGB32);
        shot.fill(Qt::white);
        QPainter p(&shot);
        p.drawImage(0, 0, b.cb->grab().toImage());
        p.drawImage(0, 40, popup->grab().toImage());
        p.end();
        save_image_shot(shot, QString::fromLatin1(b.name));
        b.cb->hidePopup();
        b.cb->hide();
    }
}

TEST(Controls, ListViewRowsCellsAndMeasures)
{
    QWidget w;
    QTreeWidget *lv = ctl__list_view(&w);
    ctl__add_column(lv, QStringLiteral("Имя"), 0, '<');
    ctl__add_column(lv, QStringLiteral("Число"), 1, '>');
    std::u16string long_text(3000, u'ж');
    ctl__add_row(lv, 0, "su", long_text.c_str(), 42u);
    ctl__add_row(lv, 0, "sx", u"first", 7);
    ctl__add_row(lv, 5, "si", u"last", -3);
    EXPECT_EQ(lv->topLevelItemCount(), 3);
    EXPECT_EQ(ctl__row_text(lv, 0, 1), u"[ERROR]");
    EXPECT_EQ(ctl__row_text(lv, 1, 0), long_text); // 3000 characters come back whole
    EXPECT_EQ(ctl__row_text(lv, 1, 1), u"42");
    EXPECT_EQ(ctl__row_text(lv, 2, 1), u"-3");
    EXPECT_EQ(ctl__row_text(lv, 9, 0), u"");
    EXPECT_EQ(lv->topLevelItem(1)->textAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(ctl__selected_row(lv), -1);
    lv->topLevelItem(2)->setSelected(true);
    EXPECT_EQ(ctl__selected_row(lv), 2);
    ctl__set_row_data(lv, 2, 1234567890123LL);
    EXPECT_EQ(ctl__row_data(lv, 2), 1234567890123LL);
    EXPECT_EQ(ctl__row_data(lv, 7), 0);

    QLineEdit *e = ctl__edit(&w);
    EXPECT_EQ(ctl__line_height(e), 3 * ctl__w_height(e) / 2 + 4);
    EXPECT_GT(ctl__text_width(ctl__label(&w, QStringLiteral("WWWW"))),
              ctl__text_width(ctl__label(&w, QStringLiteral("W"))));

    // The owner toggles a plain check box itself.
    QCheckBox *c = ctl__check(&w, QStringLiteral("Спрашивать"));
    int clicks = 0;
    QObject::connect(c, &QCheckBox::clicked, [&] { ++clicks; });
    c->click();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(c->isChecked());
}

TEST(Controls, OwnWindowsAndTheBroadcastReachThemAll)
{
    struct own : QWidget {
        explicit own(QWidget *p, const char *name) : QWidget(p) { setObjectName(QString::fromLatin1(name)); }
        bool event(QEvent *e) override
        {
            if (e->type() == cmn_broadcast_event::type()) {
                auto *b = static_cast<cmn_broadcast_event *>(e);
                got.push_back(b->message);
                lparam = b->lparam;
                return true;
            }
            return QWidget::event(e);
        }
        std::vector<int> got;
        long long lparam = 0;
    };
    own frame(nullptr, "zelta-label-generator-frame");
    own *panel = new own(&frame, "zelta-properties-window");
    QWidget *plain = new QWidget(panel);
    own *deep = new own(plain, "zelta-list-window");
    own *stranger = new own(&frame, "something-else");
    own other(nullptr, "zelta-label-generator-frame");
    EXPECT_TRUE(ctl__is_own_window(panel));
    EXPECT_FALSE(ctl__is_own_window(plain));
    EXPECT_EQ(ctl__own_ancestor(deep), panel);
    EXPECT_EQ(ctl__own_ancestor(&frame), nullptr);
    EXPECT_TRUE(ctl__is_descendant(deep, &frame));
    EXPECT_TRUE(ctl__is_descendant(&frame, &frame));
    EXPECT_FALSE(ctl__is_descendant(&other, &frame));

    cmn__broadcast(CMN_VARIABLES_CHANGED, 0, 77);
    for (own *o : {&frame, panel, deep, &other}) {
        ASSERT_EQ(o->got.size(), 1u);
        EXPECT_EQ(o->got[0], CMN_VARIABLES_CHANGED);
        EXPECT_EQ(o->lparam, 77);
    }
    EXPECT_TRUE(stranger->got.empty());
}

TEST(SharedLists, TheFontBoxOffersTheProgramsFontList)
{
    prs__fonts() = {u"Arial", u"Times"};
    QWidget w;
    QComboBox *fonts = ctl__combo(&w);
    cmn__fill_fonts(fonts);
    EXPECT_EQ(fonts->count(), 2);
    EXPECT_EQ(fonts->itemText(1), QStringLiteral("Times"));
    prs__fonts().clear();
}

TEST(Balls, ShadedFromTheUpperLeftWithAnAntialiasedRim)
{
    QImage b = grd__ball(5, 0x000000, 0xFFFF00);
    ASSERT_EQ(b.size(), QSize(12, 12));
    ASSERT_EQ(b.format(), QImage::Format_ARGB32_Premultiplied);
    // The highlight (r + 1 - r / 4 = 4.75) is nearly the centre colour.
    QRgb hi = b.pixel(5, 5);
    EXPECT_EQ(qAlpha(hi), 255);
    double s = std::min(1.0, std::sqrt(2 * 0.25 * 0.25) / (1.25 * 5 * std::sqrt(2.0)));
    EXPECT_EQ(qRed(hi), static_cast<int>(255 + s * (0 - 255)));
    EXPECT_EQ(qBlue(hi), 0);
    // Middle (6, 6): dist 0, s = |6 - 4.75| * sqrt2 / D.
    QRgb mid = b.pixel(6, 6);
    double sm = std::sqrt(2 * 1.25 * 1.25) / (1.25 * 5 * std::sqrt(2.0));
    EXPECT_EQ(qGreen(mid), static_cast<int>(255 * (1 - sm)));
    // Rim: row 6, column 0 is 6 away: coverage 0; column 1 is 5: full; a
    // pixel at distance 5.5 is half covered.
    EXPECT_EQ(qAlpha(b.pixel(0, 6)), 0);
    EXPECT_EQ(qAlpha(b.pixel(1, 6)), 255);
    // Corner pixel (1, 2): dist sqrt(25 + 16) = 6.40 > 6: nothing.
    EXPECT_EQ(b.pixel(1, 2), 0u);
    // Premultiplied: no colour byte above alpha.
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            QRgb p = b.pixel(x, y);
            EXPECT_LE(qRed(p), qAlpha(p));
        }
    // The set: 24 balls, sizes by kind.
    EXPECT_EQ(cmn__marker_ball(0, false, false, false).size(), QSize(12, 12));
    EXPECT_EQ(cmn__handle_ball(CMN_BALL_ORANGE).size(), QSize(8, 8));
    // Group ball whatever the kind; selected and disabled variants differ.
    EXPECT_EQ(cmn__marker_ball(0, true, false, false), cmn__marker_ball(3, true, false, false));
    EXPECT_NE(cmn__marker_ball(0, false, false, false), cmn__marker_ball(0, false, true, false));
    EXPECT_NE(cmn__marker_ball(0, false, false, false), cmn__marker_ball(0, false, false, true));
    // A disabled ball is flat: the text ball is FFFF00 at rim and centre.
    QRgb flat = cmn__marker_ball(0, false, false, true).pixel(6, 6);
    EXPECT_EQ(flat, 0xFFFFFF00u);
}

TEST(PictureButton, ClickRulesOfMouseAndSpace)
{
    QWidget top;
    top.resize(100, 100);
    picture_button b(&top, res__icon("raise"), res__icon("raise"));
    b.setGeometry(10, 10, 24, 24);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    int clicks = 0;
    QObject::connect(&b, &picture_button::clicked, [&] { ++clicks; });

    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 1);
    // Press, move out, come back, release: the click was abandoned on leaving.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_TRUE(b.stock().pressed);
    QTest::mouseMove(&b, QPoint(60, 60));
    QMouseEvent out(QEvent::MouseMove, QPointF(60, 60), b.mapToGlobal(QPointF(60, 60)), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b, &out);
    EXPECT_FALSE(b.stock().pressed);
    QMouseEvent back(QEvent::MouseMove, QPointF(12, 12), b.mapToGlobal(QPointF(12, 12)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b, &back);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 1);

    b.setFocus();
    QTest::keyPress(&b, Qt::Key_Space);
    EXPECT_TRUE(b.stock().pressed);
    QTest::keyRelease(&b, Qt::Key_Space);
    EXPECT_EQ(clicks, 2);
    QTest::keyRelease(&b, Qt::Key_Space); // a release without a press
    EXPECT_EQ(clicks, 2);

    b.setEnabled(false);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(12, 12));
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&b, &space);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&b, &up);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(b.stock().pressed);
}

TEST(ColourButton, PicksKeepsCustomColoursAndHatchesWhenDisabled)
{
    with_settings s;
    scripted_colour_choice colours;
    scoped_seam<colour_choice_service> use(&colours);
    QWidget top;
    top.resize(200, 60);
    colour_button b(&top, 0xFF123456);
    colour_button off(&top, 0x3366CC);
    b.setGeometry(10, 10, 60, 24);
    off.setGeometry(100, 10, 60, 24);
    off.setEnabled(false);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    EXPECT_EQ(b.colour(), 0xFF123456u);
    b.set_colour(0x00ABCDEF);
    EXPECT_EQ(b.colour(), 0xFFABCDEFu);
    save_shot(&top, QStringLiteral("widgets-colour-buttons"));

    std::vector<std::uint32_t> told;
    QObject::connect(&b, &colour_button::colour_changed, [&](std::uint32_t c) { told.push_back(c); });
    // Cancelled, but a custom colour was defined: it is stored all the same.
    colours.set_custom = std::make_pair(3, 0x00FF00u);
    colours.answers.push_back(std::nullopt);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(settings::get_custom_color(3), 0x00FF00);
    EXPECT_EQ(settings::get_custom_color(4), 0xFFFFFF);
    ASSERT_EQ(colours.asked.size(), 1u);
    EXPECT_EQ(colours.asked[0], 0xABCDEFu);
    // Confirmed with Enter; the next dialog starts with the stored customs.
    colours.set_custom.reset();
    colours.answers.push_back(0x102030u);
    b.setFocus();
    QTest::keyClick(&b, Qt::Key_Return);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], 0xFF102030u);
    EXPECT_EQ(colours.seen_customs[1][3], 0x00FF00u);

    // Disabled: no dialog; hatching in the colour over its inverse.
    QTest::mouseClick(&off, Qt::LeftButton, {}, QPoint(5, 5));
    off.pick();
    EXPECT_EQ(colours.asked.size(), 2u);
    QImage img = off.grab().toImage();
    std::set<QRgb> seen;
    for (int y = 3; y < 20; ++y)
        for (int x = 3; x < 50; ++x)
            seen.insert(img.pixel(x, y) & 0xFFFFFF);
    EXPECT_TRUE(seen.count(0x3366CC));
    EXPECT_TRUE(seen.count(0xCC9933));
    QImage on = b.grab().toImage();
    EXPECT_EQ(on.pixel(20, 10) & 0xFFFFFF, 0x102030u);
}

TEST(ScrollableBitmap, PlaceholderCentringOffsetsAndClipboard)
{
    QWidget top;
    top.resize(420, 320);
    scrollable_bitmap bm(&top);
    bm.setGeometry(0, 0, 420, 320);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    save_shot(&bm, QStringLiteral("widgets-scrollable-bitmap-placeholder"));
    EXPECT_EQ(bm.stock().width, res__size("placeholder").width());
    QSize client = bm.viewport()->size();
    EXPECT_EQ(bm.picture_origin(), QPoint((client.width() - bm.stock().width) / 2,
                                          (client.height() - bm.stock().height) / 2));
    QImage shown = bm.viewport()->grab().toImage();
    EXPECT_EQ(shown.pixel(1, 1) & 0xFFFFFF, 0x808080u); // grey around it

    // A picture of 1000 x 800, red at its bottom-left (the first row of the
    // bottom-up buffer).
    auto picture = [](int w, int h) {
        std::vector<unsigned char> px(static_cast<std::size_t>(bma__stride(w)) * static_cast<std::size_t>(h), 0xFF);
        px[0] = 0;
        px[1] = 0;
        px[2] = 0xFF; // B, G, R of pixel (0, bottom)
        return px;
    };
    bm.set_picture(picture(1000, 800), 1000, 800);
    EXPECT_EQ(bm.stock().picture.pixel(0, 799) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bm.stock().picture.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(bm.horizontalScrollBar()->maximum(), 1000 - client.width());
    bm.horizontalScrollBar()->setValue(300);
    bm.verticalScrollBar()->setValue(200);
    EXPECT_EQ(bm.stock().x, 300);
    // Twice the size: the offsets keep their relative place.
    bm.set_picture(picture(2000, 1600), 2000, 1600);
    EXPECT_EQ(bm.stock().x, 600);
    EXPECT_EQ(bm.stock().y, 400);
    EXPECT_EQ(bma__keep_offset(500, 1000, 300, 400), 0); // smaller than the client
    EXPECT_EQ(bma__keep_offset(900, 1000, 1000, 400), 600);
    EXPECT_EQ(bma__keep_offset(50, 0, 1000, 400), 0);
    // A short buffer is refused.
    std::vector<unsigned char> small(10);
    bm.set_picture(small, 100, 100);
    EXPECT_EQ(bm.stock().width, 2000);
    // Odd widths pad every row to 4 bytes.
    EXPECT_EQ(bma__stride(3), 12);
    EXPECT_EQ(bma__stride(5), 16);

    QApplication::clipboard()->clear();
    QTest::mouseDClick(bm.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(2000, 1600));
}
