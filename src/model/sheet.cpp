#include "model/sheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/misc.h"
#include "platform/ascii_text.h"
#include "platform/translation.h"

namespace {

constexpr double MM = 72.0 / 25.4;

// How far a label may pass the paper's edge, or two labels run into each
// other, before the sheet is refused: sheets measured in inches or mm and
// written with few decimals land a little off.
constexpr double EDGE_SLACK = 0.5;
constexpr double OVERLAP_SLACK = 0.05;
constexpr double MIN_LABEL = 0.1 * MM;

constexpr paper_size papers[] = {
    {"A3", 297 * MM, 420 * MM},        {"A4", 210 * MM, 297 * MM},
    {"A5", 148 * MM, 210 * MM},        {"A6", 105 * MM, 148 * MM},
    {"US-Letter", 612, 792},           {"Letter", 612, 792},
    {"US-Legal", 612, 1008},           {"Legal", 612, 1008},
};

bool positive(double v, double most)
{
    return std::isfinite(v) && v > 0 && v <= most;
}

std::optional<double> number(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::vector<std::string_view> split(std::string_view text, char at)
{
    std::vector<std::string_view> parts;
    for (;;) {
        std::size_t p = text.find(at);
        parts.push_back(text.substr(0, p));
        if (p == std::string_view::npos)
            return parts;
        text.remove_prefix(p + 1);
    }
}

// "AxB" as two numbers.
bool pair_of(std::string_view text, double &a, double &b)
{
    std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos)
        return false;
    auto first = number(text.substr(0, x)), second = number(text.substr(x + 1));
    if (!first || !second)
        return false;
    a = *first;
    b = *second;
    return true;
}

} // namespace

std::string sht__name(const label_sheet &s)
{
    return s.brand.empty() ? s.part : s.brand + " " + s.part;
}

std::int64_t sht__count(const label_sheet &s)
{
    std::int64_t n = 0;
    for (const sheet_grid &g : s.grids) {
        if (g.columns < 1 || g.rows < 1 || g.columns > SHT_MAX_LABELS || g.rows > SHT_MAX_LABELS)
            return 0;
        n += std::int64_t(g.columns) * g.rows;
        if (n > SHT_MAX_LABELS)
            return 0;
    }
    return n;
}

std::vector<sheet_cell> sht__cells(const label_sheet &s)
{
    std::vector<sheet_cell> cells;
    if (sht__count(s) == 0)
        return cells;
    cells.reserve(std::size_t(sht__count(s)));
    for (const sheet_grid &g : s.grids)
        for (int r = 0; r < g.rows; ++r)
            for (int c = 0; c < g.columns; ++c)
                cells.push_back({g.left + c * g.across, g.top + r * g.down});
    // Across, then down: labels whose tops are within a hundredth of a point
    // share a row.
    std::stable_sort(cells.begin(), cells.end(), [](const sheet_cell &a, const sheet_cell &b) {
        double ya = std::round(a.y * 100), yb = std::round(b.y * 100);
        return ya != yb ? ya < yb : a.x < b.x;
    });
    return cells;
}

// Labels under 0.1 mm are refused as well; of several overlapping pairs the
// one named is the first label running into an earlier one, with the
// earliest of those; the time taken grows with the labels, not their square.
std::optional<std::u16string> sht__check(const label_sheet &s)
{
    if (!positive(s.paper_width, SHT_MAX_PAPER) || !positive(s.paper_height, SHT_MAX_PAPER))
        return msc__format(VL_TR("vellumo", "Размер бумаги листа должен быть от 0 до %1 мм."), int(SHT_MAX_PAPER / MM));
    if (!positive(s.label_width, s.paper_width + EDGE_SLACK) || !positive(s.label_height, s.paper_height + EDGE_SLACK))
        return std::u16string(pl__tr(VL_TR("vellumo", "Этикетка листа должна быть больше нуля и не больше его бумаги.")));
    // Smaller labels are no labels, and the overlaps below are looked for
    // in steps of a label's size.
    if (s.label_width < MIN_LABEL || s.label_height < MIN_LABEL)
        return std::u16string(pl__tr(VL_TR("vellumo", "Этикетка листа не может быть меньше 0,1 мм.")));
    if (!(std::isfinite(s.radius) && s.radius >= 0 && std::isfinite(s.hole) && s.hole >= 0))
        return std::u16string(pl__tr(VL_TR("vellumo", "Скругление углов и отверстие этикетки не могут быть отрицательными.")));
    if (s.shape == sheet_shape::cd && !(s.hole < std::min(s.label_width, s.label_height)))
        return std::u16string(pl__tr(VL_TR("vellumo", "Отверстие диска должно быть меньше самого диска.")));
    if (s.grids.empty())
        return std::u16string(pl__tr(VL_TR("vellumo", "На листе нет ни одной этикетки.")));
    for (const sheet_grid &g : s.grids) {
        if (!std::isfinite(g.left) || !std::isfinite(g.top) || !std::isfinite(g.across) || !std::isfinite(g.down) ||
            std::fabs(g.left) > SHT_MAX_PAPER || std::fabs(g.top) > SHT_MAX_PAPER || g.across < 0 ||
            g.across > SHT_MAX_PAPER || g.down < 0 || g.down > SHT_MAX_PAPER)
            return std::u16string(pl__tr(VL_TR("vellumo", "Отступы и шаги этикеток листа должны быть числами в пределах листа.")));
    }
    if (sht__count(s) == 0)
        return msc__format(VL_TR("vellumo", "На листе может быть от 1 до %1 этикеток."), SHT_MAX_LABELS);

    const std::vector<sheet_cell> cells = sht__cells(s);
    const double w = s.label_width, h = s.label_height;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const sheet_cell &c = cells[i];
        const char16_t *edge = nullptr;
        if (c.x < -EDGE_SLACK)
            edge = pl__tr(VL_TR("vellumo", "левый"));
        else if (c.x + w > s.paper_width + EDGE_SLACK)
            edge = pl__tr(VL_TR("vellumo", "правый"));
        else if (c.y < -EDGE_SLACK)
            edge = pl__tr(VL_TR("vellumo", "верхний"));
        else if (c.y + h > s.paper_height + EDGE_SLACK)
            edge = pl__tr(VL_TR("vellumo", "нижний"));
        if (edge)
            return msc__format(VL_TR("vellumo", "Этикетка %1 выходит за %2 край бумаги."), long(i + 1), edge);
    }

    // Two labels overlap when their shapes do: rectangles by their sides;
    // round labels, discs and ellipses (all of one size) by the distance of
    // their centres, an ellipse's heights scaled to its width.
    const bool rounded = s.shape != sheet_shape::rectangle;
    const double scale = rounded ? w / h : 1.0;
    const double reach_x = w - OVERLAP_SLACK, reach_y = rounded ? reach_x / scale : h - OVERLAP_SLACK;
    auto overlap = [&](const sheet_cell &a, const sheet_cell &b) {
        const double dx = std::fabs(b.x - a.x), dy = std::fabs(b.y - a.y);
        if (rounded) {
            const double sy = dy * scale;
            return std::sqrt(dx * dx + sy * sy) < reach_x;
        }
        return dx < reach_x && dy < reach_y;
    };
    // Labels go into buckets the size of an overlap's reach: two labels
    // that overlap are in one bucket or next ones, and labels that do not
    // are at most four to a bucket, so that a column of thousands of labels
    // takes no longer than its labels one by one.  The pair named is the
    // first label running into an earlier one, and the earliest of those.
    struct slot {
        std::int64_t bx, by;
        std::size_t i;
    };
    std::vector<slot> slots(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i)
        slots[i] = {std::int64_t(std::floor(cells[i].x / reach_x)), std::int64_t(std::floor(cells[i].y / reach_y)), i};
    auto before = [](const slot &a, const slot &b) {
        return a.bx != b.bx ? a.bx < b.bx : a.by != b.by ? a.by < b.by : a.i < b.i;
    };
    std::sort(slots.begin(), slots.end(), before);
    const slot *const begin = slots.data(), *const end = begin + slots.size();
    // The first slot of bucket (nx, ny) or of the next one.
    auto bucket = [&](std::int64_t nx, std::int64_t ny) {
        const slot *lo = begin;
        std::size_t n = slots.size();
        while (n > 0) {
            const std::size_t half = n / 2;
            const slot *mid = lo + half;
            if (mid->bx < nx || (mid->bx == nx && mid->by < ny)) {
                lo = mid + 1;
                n -= half + 1;
            } else {
                n = half;
            }
        }
        return lo;
    };
    for (std::size_t j = 0; j < cells.size(); ++j) {
        const std::int64_t bx = std::int64_t(std::floor(cells[j].x / reach_x));
        const std::int64_t by = std::int64_t(std::floor(cells[j].y / reach_y));
        std::size_t first = j;
        for (std::int64_t nx = bx - 1; nx <= bx + 1; ++nx)
            for (std::int64_t ny = by - 1; ny <= by + 1; ++ny)
                // The labels before this one in that bucket, in order.
                for (const slot *p = bucket(nx, ny); p != end && p->bx == nx && p->by == ny && p->i < first; ++p)
                    if (overlap(cells[p->i], cells[j]))
                        first = p->i;
        if (first < j)
            return msc__format(VL_TR("vellumo", "Этикетки %1 и %2 перекрываются."), long(first + 1), long(j + 1));
    }
    return std::nullopt;
}

std::optional<double> sht__length(std::string_view text)
{
    struct unit {
        std::string_view name;
        double points;
    };
    static constexpr unit units[] = {{"in", 72.0}, {"mm", MM}, {"cm", 10 * MM}, {"pt", 1.0}, {"pc", 12.0}};
    double factor = 1.0;
    for (const unit &u : units) {
        if (text.size() >= u.name.size() &&
            plt__ascii_iequal(text.substr(text.size() - u.name.size()), u.name)) {
            factor = u.points;
            text.remove_suffix(u.name.size());
            break;
        }
    }
    auto v = number(text);
    if (!v || *v < 0 || !std::isfinite(*v * factor))
        return std::nullopt;
    return *v * factor;
}

const paper_size *sht__paper(std::string_view name)
{
    for (const paper_size &p : papers)
        if (plt__ascii_iequal(name, std::string_view(p.name)))
            return &p;
    return nullptr;
}

std::optional<label_sheet> sht__parse_geometry(std::string_view text, std::u16string &error)
{
    const std::vector<std::string_view> parts = split(text, ',');
    if (parts.size() != 7) {
        error = pl__tr(VL_TR("vellumo", "Размеры листа задаются так: БУМАГА,СТОЛБЦЫxРЯДЫ,ШИРИНАxВЫСОТА,СЛЕВА,СВЕРХУ,"
                "ПРОМЕЖУТОК_ПО_ГОРИЗОНТАЛИ,ПРОМЕЖУТОК_ПО_ВЕРТИКАЛИ (в мм), например A4,3x8,70x37,0,0,0,0."));
        return std::nullopt;
    }
    label_sheet s;
    if (const paper_size *p = sht__paper(parts[0])) {
        s.paper = p->name;
        s.paper_width = p->width;
        s.paper_height = p->height;
    } else if (double pw, ph; pair_of(parts[0], pw, ph)) {
        s.paper_width = pw * MM;
        s.paper_height = ph * MM;
    } else {
        error = pl__tr(VL_TR("vellumo", "Неизвестная бумага листа: укажите A3, A4, A5, A6, Letter, Legal или ШИРИНАxВЫСОТА в мм."));
        return std::nullopt;
    }
    double cols = 0, rows = 0;
    if (!pair_of(parts[1], cols, rows) || cols != std::floor(cols) || rows != std::floor(rows) || cols < 1 ||
        rows < 1 || cols * rows > double(SHT_MAX_LABELS)) {
        error = msc__format(VL_TR("vellumo", "Число этикеток листа задаётся как СТОЛБЦЫxРЯДЫ, целыми числами, всего не больше %1."),
                            SHT_MAX_LABELS);
        return std::nullopt;
    }
    double w = 0, h = 0;
    if (!pair_of(parts[2], w, h)) {
        error = pl__tr(VL_TR("vellumo", "Размер этикетки листа задаётся как ШИРИНАxВЫСОТА в мм."));
        return std::nullopt;
    }
    double v[4];
    for (int i = 0; i < 4; ++i) {
        auto n = number(parts[3 + i]);
        if (!n || *n < 0) {
            error = pl__tr(VL_TR("vellumo", "Отступы и промежутки листа должны быть неотрицательными числами (в мм)."));
            return std::nullopt;
        }
        v[i] = *n * MM;
    }
    s.label_width = w * MM;
    s.label_height = h * MM;
    sheet_grid g;
    g.columns = int(cols);
    g.rows = int(rows);
    g.left = v[0];
    g.top = v[1];
    g.across = s.label_width + v[2];
    g.down = s.label_height + v[3];
    s.grids.push_back(g);
    s.part = std::string(text);
    if (auto why = sht__check(s)) {
        error = *why;
        return std::nullopt;
    }
    return s;
}
