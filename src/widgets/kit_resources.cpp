#include "widgets/kit_resources.h"
#include "platform/qt_text.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <array>
#include <cmath>

#include "hub/program_state.h"
#include "model/tables.h"
#include "widgets/controls.h"
#include "widgets/gradient.h"
#include "platform/translation.h"

namespace {

struct shared_state {
    std::vector<QIcon> quadrants, lines, justifications;
    // 0-9 enabled markers (five kinds unselected, then selected), 10-13
    // handles, 14-23 disabled markers in the same order as the enabled ones.
    std::array<QImage, 24> balls;
    bool balls_made = false;
};

shared_state &state()
{
    static shared_state s;
    return s;
}

// Marker ball order within a set of five: barcode, text, border, picture,
// group.
struct ball_colours {
    std::uint32_t rim, centre;
};
constexpr ball_colours enabled_unselected[] = {
    {0x000000, 0xA0A0FF}, {0x000000, 0xFFFF00}, {0x000000, 0xA0FFA0}, {0x000000, 0xFFA000}, {0x000000, 0xA0A0A0}};
constexpr ball_colours enabled_selected[] = {
    {0x777777, 0xA0A0FF}, {0x777700, 0xFFFF00}, {0x777777, 0xA0FFA0}, {0x777700, 0xFFA000}, {0x777777, 0xA0A0A0}};
constexpr std::uint32_t disabled_unselected[] = {0xA0A0FF, 0xFFFF00, 0xA0FFA0, 0xFFA000, 0xA0A0A0};
constexpr std::uint32_t disabled_selected[] = {0xC0C0FF, 0xFFFF77, 0xC0FFC0, 0xFFC000, 0xC0C0C0};
constexpr ball_colours handles[] = {{0x000000, 0xA0A0FF}, {0x000000, 0xFFFFFF}, {0x000000, 0xFFA000}, {0x000000, 0xFFFF00}};

void make_balls()
{
    shared_state &s = state();
    const int r = cmn__marker_ball_radius;
    for (int i = 0; i < 5; ++i) {
        s.balls[static_cast<std::size_t>(i)] = grd__ball(r, enabled_unselected[i].rim, enabled_unselected[i].centre);
        s.balls[static_cast<std::size_t>(5 + i)] = grd__ball(r, enabled_selected[i].rim, enabled_selected[i].centre);
    }
    for (int i = 0; i < 4; ++i)
        s.balls[static_cast<std::size_t>(10 + i)] = grd__ball(cmn__handle_ball_radius, handles[i].rim, handles[i].centre);
    for (int i = 0; i < 5; ++i) {
        s.balls[static_cast<std::size_t>(14 + i)] = grd__ball(r, disabled_unselected[i], disabled_unselected[i]);
        s.balls[static_cast<std::size_t>(19 + i)] = grd__ball(r, disabled_selected[i], disabled_selected[i]);
    }
    s.balls_made = true;
}

template <std::size_t N>
std::vector<QIcon> image_list(const char *const (&names)[N])
{
    return ctl__image_list(std::vector<const char *>(names, names + N));
}

void make_image_lists()
{
    shared_state &s = state();
    s.quadrants = image_list(cmn_quadrant_images);
    s.lines = image_list(cmn_line_images);
    s.justifications = image_list(cmn_justification_images);
}

// A number read from the start of a text, as the C library reads it.
double leading_number(const QString &text)
{
    std::string s = text.toStdString();
    char *end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    return end == s.c_str() ? 0.0 : v;
}

} // namespace

void cmn__startup()
{
    make_image_lists();
    make_balls();
}

void cmn__shutdown()
{
    shared_state &s = state();
    s.quadrants.clear();
    s.lines.clear();
    s.justifications.clear();
}

const std::vector<QIcon> &cmn__quadrant_images()
{
    if (state().quadrants.empty())
        make_image_lists();
    return state().quadrants;
}

const std::vector<QIcon> &cmn__line_images()
{
    if (state().lines.empty())
        make_image_lists();
    return state().lines;
}

const std::vector<QIcon> &cmn__justification_images()
{
    if (state().justifications.empty())
        make_image_lists();
    return state().justifications;
}

void cmn__fill_fonts(QComboBox *combo)
{
    for (const std::u16string &f : prs__fonts())
        combo->addItem(qs(f));
}

QComboBox *cmn__choice_box(QWidget *parent, const cmn_choice *rows, int n,
                           const std::vector<QIcon> *images, int current)
{
    QComboBox *cb = ctl__combo_ex(parent);
    if (images && !images->empty()) {
        QSize sz = ctl__icon_size(images->front());
        cb->setIconSize(sz);
    }
    int selected = -1;
    for (int i = 0; i < n; ++i) {
        QIcon icon;
        if (images && rows[i].image >= 0 && rows[i].image < static_cast<int>(images->size()))
            icon = (*images)[static_cast<std::size_t>(rows[i].image)];
        cb->addItem(icon, QString::fromUtf16(pl__tr(rows[i].text)), rows[i].value);
        if (rows[i].value == current)
            selected = i;
    }
    cb->setCurrentIndex(selected);
    return cb;
}

QComboBox *cmn__quadrant_box(QWidget *parent, int current)
{
    // Image i for anchor position i.
    static const std::vector<cmn_choice> rows = [] {
        std::vector<cmn_choice> r;
        for (const anchor_row &a : anchor_table)
            r.push_back({a.quadrant, a.shown, a.quadrant});
        return r;
    }();
    return cmn__choice_box(parent, rows.data(), static_cast<int>(rows.size()), &cmn__quadrant_images(), current);
}

QComboBox *cmn__line_style_box(QWidget *parent, int current)
{
    return cmn__choice_box(parent, cmn_line_style_table, &cmn__line_images(), current);
}

QComboBox *cmn__justification_box(QWidget *parent, int current)
{
    return cmn__choice_box(parent, cmn_justification_table, &cmn__justification_images(), current);
}

QComboBox *cmn__yes_no_box(QWidget *parent, int current)
{
    return cmn__choice_box(parent, cmn_yes_no_table, nullptr, current);
}

QComboBox *cmn__barcode_type_box(QWidget *parent, int current)
{
    static const std::vector<cmn_choice> rows = [] {
        std::vector<cmn_choice> r;
        for (const barcode_kind &k : barcode_kinds)
            r.push_back({-1, k.shown, k.code});
        return r;
    }();
    return cmn__choice_box(parent, rows.data(), static_cast<int>(rows.size()), nullptr, current);
}

QString cmn__font_size_text(double size)
{
    if (std::isfinite(size) && size == std::floor(size) && std::fabs(size) < 1e9)
        return QString::number(static_cast<long long>(size));
    return QString::number(size, 'g', 6);
}

QComboBox *cmn__font_size_box(QWidget *parent, double current)
{
    QComboBox *cb = ctl__sorted_combo(parent);
    cmn__fill_font_sizes(cb, current);
    return cb;
}

void cmn__fill_font_sizes(QComboBox *cb, double current)
{
    cb->clear();
    for (int size : cmn_font_sizes)
        cb->addItem(QString::number(size));
    const QString text = cmn__font_size_text(current);
    int at = cb->findText(text);
    if (at < 0) {
        // In its numeric place among the sizes.
        at = cb->count();
        for (int i = 0; i < cb->count(); ++i)
            if (leading_number(cb->itemText(i)) > current) {
                at = i;
                break;
            }
        cb->insertItem(at, text);
    }
    cb->setCurrentIndex(at);
}

QComboBox *cmn__thickness_box(QWidget *parent, double current)
{
    QComboBox *cb = ctl__combo(parent);
    cmn__fill_thickness(cb, current);
    return cb;
}

void cmn__fill_thickness(QComboBox *cb, double current)
{
    cb->clear();
    int selected = -1;
    for (const char16_t *t : cmn_thicknesses) {
        cb->addItem(QString::fromUtf16(pl__tr(t)));
        if (selected < 0 && std::fabs(leading_number(QString::fromUtf16(t)) - current) <= 1e-10)
            selected = cb->count() - 1;
    }
    if (selected < 0) {
        cb->addItem(QString::asprintf("%.2f", current));
        selected = cb->count() - 1;
    }
    cb->setCurrentIndex(selected);
    if (cb->lineEdit())
        cb->lineEdit()->selectAll();
}

int cmn__choice_value(const QComboBox *combo)
{
    int i = combo->currentIndex();
    if (i < 0)
        return -1;
    QVariant d = combo->itemData(i);
    return d.isValid() ? d.toInt() : -1;
}

void cmn__select_value(QComboBox *combo, int value)
{
    for (int i = 0; i < combo->count(); ++i) {
        QVariant d = combo->itemData(i);
        if (d.isValid() && d.toInt() == value)
            combo->setCurrentIndex(i);
    }
}

const QImage &cmn__marker_ball(int kind, bool group, bool selected, bool disabled)
{
    if (!state().balls_made)
        make_balls();
    // Set order: barcode, text, border, picture, group; kinds 3, 0, 1, 2.
    static const int slot_of_kind[] = {1, 2, 3, 0};
    int slot = group ? 4 : (kind >= 0 && kind < 4 ? slot_of_kind[kind] : 4);
    int base = disabled ? 14 : 0;
    return state().balls[static_cast<std::size_t>(base + (selected ? 5 : 0) + slot)];
}

const QImage &cmn__handle_ball(int index)
{
    if (!state().balls_made)
        make_balls();
    return state().balls[static_cast<std::size_t>(10 + std::clamp(index, 0, 3))];
}
