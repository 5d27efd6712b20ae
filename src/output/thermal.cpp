// Labels as thermal printers print them: the 1-bit image at the printer's
// resolution and the job of each label in ZPL II, TSPL or EPL2.
#include "output/thermal.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/misc.h"
#include "output/drawing.h"
#include "platform/ascii_text.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

namespace {

// The largest side of a label the languages take, in dots (ZPL's ^PW and
// ^LL stop at 32000; TSPL and EPL printers at much less, but a longer job
// does no harm there beyond being refused by the printer).
constexpr int MAX_DOTS = 32000;

double mm_to_dots(double mm, int dpi)
{
    return mm * dpi / 25.4;
}

std::string number(double v, int decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s;
}

// The dots of `bits` (Format_Mono, 1 black) row by row, a byte for each
// eight, the leftmost in the high bit; black is a 1 bit (ZPL) or a 0 bit
// (TSPL, EPL); dots past the width are white.
std::string raw_rows(const QImage &bits, bool black_is_one)
{
    const int w = bits.width(), h = bits.height();
    const int bytes = (w + 7) / 8;
    std::string out(static_cast<std::size_t>(bytes) * static_cast<std::size_t>(h), '\0');
    const unsigned char pad = w % 8 ? static_cast<unsigned char>(0xFF >> (w % 8)) : 0;
    for (int y = 0; y < h; ++y) {
        const uchar *row = bits.constScanLine(y);
        char *to = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(bytes);
        std::memcpy(to, row, static_cast<std::size_t>(bytes));
        // Dots past the width are white whatever the image holds there.
        if (pad)
            to[bytes - 1] = static_cast<char>(static_cast<unsigned char>(to[bytes - 1]) & ~pad);
        if (!black_is_one)
            for (int i = 0; i < bytes; ++i)
                to[i] = static_cast<char>(~static_cast<unsigned char>(to[i]));
    }
    return out;
}

// ZPL's compressed ASCII graphic: each row as hexadecimal digits, runs of
// one digit written as a count letter (G…Y: 1…19, g…z: 20…400) before it,
// a row ending in zeros cut by ',', in F's by '!', a row equal to the one
// before as ':'.
void zpl_count(std::string &out, int n)
{
    while (n >= 400) {
        out += 'z';
        n -= 400;
    }
    if (n >= 20) {
        out += static_cast<char>('g' + n / 20 - 1);
        n %= 20;
    }
    if (n > 0)
        out += static_cast<char>('G' + n - 1);
}

std::string zpl_graphic(const std::string &raw, int bytes, int rows)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out, digits, previous;
    out.reserve(raw.size() / 4);
    for (int y = 0; y < rows; ++y) {
        digits.clear();
        for (int i = 0; i < bytes; ++i) {
            const auto b = static_cast<unsigned char>(raw[static_cast<std::size_t>(y) * bytes + i]);
            digits += hex[b >> 4];
            digits += hex[b & 15];
        }
        if (y > 0 && digits == previous) {
            out += ':';
            continue;
        }
        previous = digits;
        // The row's last run of zeros or F's is cut with ',' or '!'.
        std::size_t end = digits.size();
        char tail = 0;
        if (digits.back() == '0' || digits.back() == 'F') {
            tail = digits.back();
            while (end > 0 && digits[end - 1] == tail)
                --end;
        }
        for (std::size_t i = 0; i < end;) {
            std::size_t j = i;
            while (j < end && digits[j] == digits[i])
                ++j;
            const int run = static_cast<int>(j - i);
            if (run > 2)
                zpl_count(out, run);
            else if (run == 2)
                out += digits[i];
            out += digits[i];
            i = j;
        }
        if (tail)
            out += tail == '0' ? ',' : '!';
    }
    return out;
}

std::string zpl_label(const QImage &bits, const thermal_options &o, bool setup)
{
    const int bytes = (bits.width() + 7) / 8, rows = bits.height();
    const std::string raw = raw_rows(bits, true);
    std::string job;
    if (setup && o.darkness >= 0)
        job += "~SD" + std::string(o.darkness < 10 ? "0" : "") + std::to_string(o.darkness) + "\n";
    job += "^XA\n";
    job += o.media == thermal_media::gap ? "^MNY\n" : o.media == thermal_media::mark ? "^MNM\n" : "^MNN\n";
    if (o.speed > 0)
        job += "^PR" + std::to_string(o.speed) + "\n";
    job += "^PW" + std::to_string(bits.width()) + "\n^LL" + std::to_string(rows) + "\n^LH0,0\n";
    const std::string total = std::to_string(static_cast<long long>(bytes) * rows);
    job += "^FO0,0^GFA," + total + "," + total + "," + std::to_string(bytes) + ",";
    job += zpl_graphic(raw, bytes, rows);
    job += "^FS\n^PQ" + std::to_string(std::max(1L, o.copies)) + "\n^XZ\n";
    return job;
}

std::string tspl_label(const QImage &bits, const thermal_options &o, bool setup)
{
    const int bytes = (bits.width() + 7) / 8, rows = bits.height();
    std::string job;
    if (setup) {
        const double w = bits.width() * 25.4 / o.dpi, h = rows * 25.4 / o.dpi;
        job += "SIZE " + number(w, 2) + " mm," + number(h, 2) + " mm\r\n";
        if (o.media == thermal_media::gap)
            job += "GAP " + number(o.gap_mm, 2) + " mm,0 mm\r\n";
        else if (o.media == thermal_media::mark)
            job += "BLINE " + number(o.gap_mm, 2) + " mm,0 mm\r\n";
        else
            job += "GAP 0 mm,0 mm\r\n";
        job += "DIRECTION 1\r\nREFERENCE 0,0\r\n";
        if (o.darkness >= 0)
            job += "DENSITY " + std::to_string(o.darkness) + "\r\n";
        if (o.speed > 0)
            job += "SPEED " + std::to_string(o.speed) + "\r\n";
    }
    job += "CLS\r\n";
    // BITMAP's bits: 0 prints a dot, 1 leaves it white.
    job += "BITMAP 0,0," + std::to_string(bytes) + "," + std::to_string(rows) + ",0,";
    job += raw_rows(bits, false);
    job += "\r\nPRINT 1," + std::to_string(std::max(1L, o.copies)) + "\r\n";
    return job;
}

std::string epl_label(const QImage &bits, const thermal_options &o, bool setup)
{
    const int bytes = (bits.width() + 7) / 8, rows = bits.height();
    std::string job = "\r\nN\r\n";
    if (setup) {
        job += "q" + std::to_string(bits.width()) + "\r\n";
        const std::string gap = std::to_string(std::lround(mm_to_dots(o.gap_mm, o.dpi)));
        job += "Q" + std::to_string(rows) + "," +
               (o.media == thermal_media::gap ? gap : o.media == thermal_media::mark ? "B" + gap : "0") + "\r\n";
        if (o.darkness >= 0)
            job += "D" + std::to_string(o.darkness) + "\r\n";
        if (o.speed > 0)
            job += "S" + std::to_string(o.speed) + "\r\n";
    }
    // GW's bits: 0 prints a dot, 1 leaves it white.
    job += "GW0,0," + std::to_string(bytes) + "," + std::to_string(rows) + ",";
    job += raw_rows(bits, false);
    job += "\r\nP" + std::to_string(std::max(1L, o.copies)) + "\r\n";
    return job;
}

// Grey levels to black and white: below half black, where `diffused` is
// set (pictures) Floyd and Steinberg's error diffusion instead, its error
// spread only to other diffused dots.
QImage one_bit(const QImage &rgb, const QImage &diffused)
{
    const int w = rgb.width(), h = rgb.height();
    QImage bits(w, h, QImage::Format_Mono);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    bits.fill(0);
    std::vector<float> here(static_cast<std::size_t>(w) + 2, 0), next(static_cast<std::size_t>(w) + 2, 0);
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        const uchar *mask = diffused.constScanLine(y);
        uchar *out = bits.scanLine(y);
        std::swap(here, next);
        std::fill(next.begin(), next.end(), 0.0f);
        const uchar *mask_below = y + 1 < h ? diffused.constScanLine(y + 1) : nullptr;
        for (int x = 0; x < w; ++x) {
            const QRgb c = line[x];
            const float grey = (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000.0f;
            bool black;
            if (mask[x]) {
                const float v = grey + here[static_cast<std::size_t>(x) + 1];
                black = v < 128;
                const float error = v - (black ? 0.0f : 255.0f);
                // Index x + 1 of a row's errors is dot x.
                if (x + 1 < w && mask[x + 1])
                    here[static_cast<std::size_t>(x) + 2] += error * (7 / 16.0f);
                if (mask_below) {
                    if (x > 0 && mask_below[x - 1])
                        next[static_cast<std::size_t>(x)] += error * (3 / 16.0f);
                    if (mask_below[x])
                        next[static_cast<std::size_t>(x) + 1] += error * (5 / 16.0f);
                    if (x + 1 < w && mask_below[x + 1])
                        next[static_cast<std::size_t>(x) + 2] += error * (1 / 16.0f);
                }
            } else {
                black = grey < 128;
            }
            if (black)
                out[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
        }
    }
    return bits;
}

} // namespace

std::optional<thermal_language> out__thermal_language(std::string_view name)
{
    for (thermal_language l : {thermal_language::zpl, thermal_language::tspl, thermal_language::epl})
        if (plt__ascii_iequal(std::string(name), out__thermal_language_name(l)))
            return l;
    return std::nullopt;
}

const char *out__thermal_language_name(thermal_language l)
{
    switch (l) {
    case thermal_language::tspl: return "tspl";
    case thermal_language::epl: return "epl";
    default: return "zpl";
    }
}

std::optional<thermal_media> out__thermal_media(std::string_view name)
{
    for (thermal_media m : {thermal_media::gap, thermal_media::mark, thermal_media::continuous})
        if (plt__ascii_iequal(std::string(name), out__thermal_media_name(m)))
            return m;
    return std::nullopt;
}

const char *out__thermal_media_name(thermal_media m)
{
    switch (m) {
    case thermal_media::mark: return "mark";
    case thermal_media::continuous: return "continuous";
    default: return "gap";
    }
}

int out__thermal_max_darkness(thermal_language l)
{
    return l == thermal_language::zpl ? 30 : 15;
}

std::u16string out__thermal_options_refusal(const thermal_options &o)
{
    if (o.dpi < THERMAL_MIN_DPI || o.dpi > THERMAL_MAX_DPI)
        return msc__format(VL_TR("vellumo", "разрешение принтера этикеток %1 dpi: нужно от %2 до %3"), o.dpi, THERMAL_MIN_DPI,
                           THERMAL_MAX_DPI);
    if (o.darkness < -1 || o.darkness > out__thermal_max_darkness(o.language))
        return msc__format(VL_TR("vellumo", "плотность %1: для %2 нужно число от 0 до %3"), o.darkness,
                           plt__from_utf8(out__thermal_language_name(o.language)).c_str(),
                           out__thermal_max_darkness(o.language));
    if (o.speed < 0 || o.speed > 14)
        return msc__format(VL_TR("vellumo", "скорость %1: нужно число дюймов в секунду от 1 до 14"), o.speed);
    if (!(o.gap_mm >= 0 && o.gap_mm <= 50))
        return pl__tr(VL_TR("vellumo", "зазор между этикетками: нужно от 0 до 50 мм"));
    if (!(o.head_width_mm >= 0 && o.head_width_mm <= 1000))
        return pl__tr(VL_TR("vellumo", "ширина головки: нужно от 0 до 1000 мм"));
    if (!(std::fabs(o.offset_x_mm) <= THERMAL_MAX_OFFSET_MM && std::fabs(o.offset_y_mm) <= THERMAL_MAX_OFFSET_MM))
        return msc__format(VL_TR("vellumo", "смещение печати: нужно от −%1 до %1 мм"), static_cast<int>(THERMAL_MAX_OFFSET_MM));
    if (o.copies < 1 || o.copies > 100000)
        return pl__tr(VL_TR("vellumo", "копий: нужно от 1 до 100000"));
    return {};
}

QSize out__thermal_size(const label *lab, int dpi)
{
    const QSizeF pt = out__label_size(lab);
    const double w = std::round(pt.width() * dpi / 72.0), h = std::round(pt.height() * dpi / 72.0);
    return QSize(static_cast<int>(std::clamp(w, 1.0, 1e9)), static_cast<int>(std::clamp(h, 1.0, 1e9)));
}

std::u16string out__thermal_label_refusal(const label *lab, const thermal_options &o)
{
    if (auto why = ele__out_of_range(lab))
        return *why;
    const QSize dots = out__thermal_size(lab, o.dpi);
    const double width_mm = lab->width * 25.4 / 72.0;
    if (o.head_width_mm > 0 && dots.width() > std::lround(mm_to_dots(o.head_width_mm, o.dpi)) + 1)
        return msc__format(VL_TR("vellumo", "этикетка шириной %1 мм шире головки принтера (%2 мм)"),
                           plt__from_utf8(number(width_mm, 1)).c_str(),
                           plt__from_utf8(number(o.head_width_mm, 1)).c_str());
    if (dots.width() > MAX_DOTS || dots.height() > MAX_DOTS ||
        static_cast<double>(dots.width()) * dots.height() > static_cast<double>(LIM_MAX_IMAGE_PIXELS))
        return msc__format(VL_TR("vellumo", "этикетка %1 × %2 точек слишком велика для принтера этикеток"), dots.width(),
                           dots.height());
    return {};
}

QImage out__thermal_image(const doc_page &page, const thermal_options &o, std::vector<page_problem> &problems,
                          render_outcome *outcome, picture_source *pictures)
{
    const int dpi = std::clamp(o.dpi, THERMAL_MIN_DPI, THERMAL_MAX_DPI);
    const double w = std::round(page.size.width() * dpi / 72.0), h = std::round(page.size.height() * dpi / 72.0);
    if (!(w >= 1 && h >= 1 && w <= MAX_DOTS && h <= MAX_DOTS && w * h <= static_cast<double>(LIM_MAX_IMAGE_PIXELS)))
        return {};
    for (const placed_label &l : page.labels)
        if (ele__out_of_range(l.lab))
            return {};
    QImage rgb(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    QImage diffused(rgb.size(), QImage::Format_Grayscale8);
    if (rgb.isNull() || diffused.isNull())
        return {};
    rgb.fill(0xFFFFFFFFu);
    diffused.fill(0);
    // The calibration moves everything in whole dots; what leaves the
    // label is not printed.  (The render sets its own transforms, so the
    // move goes into the labels' places, not into the painter.)
    const QPointF shift(std::round(mm_to_dots(o.offset_x_mm, dpi)), std::round(mm_to_dots(o.offset_y_mm, dpi)));
    doc_page moved = page;
    for (placed_label &l : moved.labels)
        l.offset += shift * (72.0 / dpi);
    {
        QPainter p(&rgb);
        const page_outcome drawn = out__draw_labels(p, moved, dpi, render_edges::dots, true, problems, {}, pictures);
        if (outcome)
            *outcome = drawn.outcome;
    }
    {
        QPainter m(&diffused);
        m.setPen(Qt::NoPen);
        m.setBrush(Qt::white);
        for (const placed_label &l : moved.labels) {
            render_request r;
            r.scale_x = r.scale_y = dpi / 72.0;
            r.origin = l.offset * (dpi / 72.0);
            QPainterPath area = rdr__picture_area(l.lab, r);
            area.setFillRule(Qt::WindingFill);
            m.drawPath(area);
        }
    }
    QImage bits = one_bit(rgb, diffused);
    const int per_metre = static_cast<int>(std::lround(dpi / 0.0254));
    bits.setDotsPerMeterX(per_metre);
    bits.setDotsPerMeterY(per_metre);
    return bits;
}

std::string out__thermal_label_job(const QImage &bits, const thermal_options &o, bool setup)
{
    switch (o.language) {
    case thermal_language::tspl: return tspl_label(bits, o, setup);
    case thermal_language::epl: return epl_label(bits, o, setup);
    default: return zpl_label(bits, o, setup);
    }
}
