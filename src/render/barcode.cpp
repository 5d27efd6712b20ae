#include "render/barcode.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <zint.h>

#include "model/gs1_data.h"
#include "model/misc.h"
#include "model/tables.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

// The model's copy of libzint's numbers (it does not include zint.h).
static_assert(libzint::c25inter == BARCODE_C25INTER && libzint::code39 == BARCODE_CODE39 &&
              libzint::eanx == BARCODE_EANX && libzint::gs1_128 == BARCODE_GS1_128 &&
              libzint::codabar == BARCODE_CODABAR && libzint::code128 == BARCODE_CODE128 &&
              libzint::code93 == BARCODE_CODE93 && libzint::upca == BARCODE_UPCA &&
              libzint::msi_plessey == BARCODE_MSI_PLESSEY && libzint::pdf417 == BARCODE_PDF417 &&
              libzint::qrcode == BARCODE_QRCODE && libzint::code128b == BARCODE_CODE128B &&
              libzint::isbnx == BARCODE_ISBNX && libzint::datamatrix == BARCODE_DATAMATRIX &&
              libzint::plessey == BARCODE_PLESSEY,
              "model/tables.h: a libzint number differs from zint.h");

namespace {

bool all_digits(const std::string &s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Bar and space widths of the 107 CODE-128 patterns (the last is the stop).
const char *const code128_patterns[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112",
};

void append_pattern(std::vector<unsigned char> &m, const char *pattern)
{
    bool bar = true;
    for (const char *p = pattern; *p; ++p, bar = !bar)
        m.insert(m.end(), static_cast<std::size_t>(*p - '0'), bar ? 1 : 0);
}

struct symbol_deleter {
    void operator()(zint_symbol *s) const { ZBarcode_Delete(s); }
};
using symbol_ptr = std::unique_ptr<zint_symbol, symbol_deleter>;

// libzint speaks English: the person reads why in Russian, libzint's own
// text follows in brackets for looking the error up.
std::string zint_refusal(int code, const char *text)
{
    const char16_t *why;
    switch (code) {
    case ZINT_ERROR_TOO_LONG: why = VL_TR("vellumo", "длина данных не подходит для этого штрихкода"); break;
    case ZINT_ERROR_INVALID_DATA: why = VL_TR("vellumo", "эти данные нельзя записать этим штрихкодом"); break;
    case ZINT_ERROR_INVALID_CHECK: why = VL_TR("vellumo", "неверная контрольная цифра"); break;
    case ZINT_ERROR_MEMORY: why = VL_TR("vellumo", "нет памяти"); break;
    case ZINT_ERROR_USES_ECI:
    case ZINT_ERROR_NONCOMPLIANT: why = VL_TR("vellumo", "данные не соответствуют стандарту этого штрихкода"); break;
    default: why = VL_TR("vellumo", "libzint не построил штрихкод"); break;
    }
    if (!text || !*text)
        return pl__tr8(why);
    return pl__tr8(why) + " (" + text + ")";
}

symbol_ptr encode(const barcode_choice &c, bool hrt, float height, std::string &error)
{
    symbol_ptr s(ZBarcode_Create());
    if (!s) {
        error = pl__tr8(VL_TR("vellumo", "нет памяти"));
        return nullptr;
    }
    s->symbology = c.symbology;
    s->input_mode = c.input_mode;
    s->eci = c.eci;
    s->option_3 = c.option_3;
    s->show_hrt = hrt ? 1 : 0;
    if (!c.two_d)
        s->height = height;
    if (c.strict)
        s->warn_level = WARN_FAIL_ALL;
    const int r = ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char *>(c.data.data()),
                                  static_cast<int>(c.data.size()));
    if (r >= ZINT_ERROR) {
        error = zint_refusal(r, s->errtxt);
        return nullptr;
    }
    const int v = ZBarcode_Buffer_Vector(s.get(), 0);
    if (v >= ZINT_ERROR || !s->vector || !(s->vector->width > 0) || !(s->vector->height > 0)) {
        error = zint_refusal(v >= ZINT_ERROR ? v : ZINT_ERROR_ENCODING_PROBLEM, s->errtxt);
        return nullptr;
    }
    return s;
}

bool ascii(const std::string &s)
{
    return std::all_of(s.begin(), s.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
}

// GS1 data written with its application identifiers in brackets:
// "(01)04601234567893(17)261231" or "[01]04601234567893[17]261231".
bool gs1_bracketed(const std::string &s)
{
    if (s.size() < 4 || (s[0] != '(' && s[0] != '['))
        return false;
    const char close = s[0] == '(' ? ')' : ']';
    std::size_t i = 1;
    while (i < s.size() && i <= 4 && s[i] >= '0' && s[i] <= '9')
        ++i;
    return i >= 3 && i < s.size() && s[i] == close;
}

// Two-dimensional kinds take any text: UTF-8 beyond ASCII is marked as such
// (ECI 26), so that readers do not guess another code page.
void text_mode(barcode_choice &c)
{
    c.input_mode = UNICODE_MODE;
    c.eci = ascii(c.data) ? 0 : 26;
}

void gs1_mode(barcode_choice &c)
{
    c.input_mode = GS1_MODE | (c.data.front() == '(' ? GS1PARENS_MODE : 0);
    c.strict = true; // a wrong check digit or date is a warning to libzint
    if (c.symbology == BARCODE_DATAMATRIX)
        c.option_3 = DM_SQUARE; // marking systems and their scanners take square symbols only
}

// GS1 given raw (AIs one after another, GS after values of variable
// length): libzint takes it bracketed.  `why` starts the refusal.
void gs1_raw_mode(barcode_choice &c, msc__fmt<const char *> why)
{
    std::string bracketed, fault;
    if (!gs1__raw_to_bracketed(c.data, bracketed, fault)) {
        c.error = plt__to_utf8(msc__format(why, fault.c_str()));
        return;
    }
    c.data = std::move(bracketed);
    gs1_mode(c);
}

// The human-readable line, `size` device units high.  A font's point size
// is measured in the device's own inches, so it is the device size scaled
// by 72 / dpi (a 600 dpi page would otherwise get digits 600/72 too big).
void draw_hrt(QPainter &p, const QString &text, double x, double baseline, double size, int halign)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setHintingPreference(QFont::PreferNoHinting);
    const int dpi = p.device() && p.device()->logicalDpiY() > 0 ? p.device()->logicalDpiY() : 72;
    f.setPointSizeF(std::max(size, 0.01) * 72.0 / dpi);
    p.setFont(f);
    const double width = QFontMetricsF(f, p.device()).horizontalAdvance(text);
    double left = halign == 1 ? x : halign == 2 ? x - width : x - width / 2;
    p.drawText(QPointF(left, baseline), text);
}

} // namespace

barcode_choice rdr__barcode_choice(int type, const std::string &data)
{
    barcode_choice c;
    c.data = data;
    c.input_mode = UNICODE_MODE;
    const barcode_kind *kind = barcode_kind_of(type);
    if (!kind) {
        c.error = plt__to_utf8(msc__format(VL_TR("vellumo", "неизвестный вид штрихкода (%1)"), type));
        return c;
    }
    c.symbology = kind->zint;
    c.two_d = kind->two_d;
    const std::size_t n = data.size();
    const bool digits = all_digits(data);
    // EAN and UPC: libzint adds the check digit to the shorter form and
    // checks the one the longer form carries.
    auto with_check_digit = [&](std::size_t shorter, int plain, int checked, const char16_t *error) {
        if (!digits || (n != shorter && n != shorter + 1))
            c.error = pl__tr8(error);
        c.symbology = n == shorter + 1 ? checked : plain;
    };
    switch (kind->check) {
    case barcode_check::plain: break;
    case barcode_check::automatic:
        if (digits && (n == 7 || n == 12))
            c.symbology = BARCODE_EANX;
        else if (digits && (n == 8 || n == 13))
            c.symbology = BARCODE_EANX_CHK;
        else if (digits && n == 11)
            c.symbology = BARCODE_UPCA;
        break;
    case barcode_check::ean:
        if (!digits)
            c.error = pl__tr8(VL_TR("vellumo", "EAN: нужны только цифры, 7, 8, 12 или 13"));
        else if (n == 8 || n == 13)
            c.symbology = BARCODE_EANX_CHK;
        break;
    case barcode_check::ean8:
        with_check_digit(7, BARCODE_EANX, BARCODE_EANX_CHK, VL_TR("vellumo", "EAN-8: нужны только цифры, 7 или 8"));
        break;
    case barcode_check::ean13:
        with_check_digit(12, BARCODE_EANX, BARCODE_EANX_CHK, VL_TR("vellumo", "EAN-13: нужны только цифры, 12 или 13"));
        break;
    case barcode_check::upca:
        with_check_digit(11, BARCODE_UPCA, BARCODE_UPCA_CHK, VL_TR("vellumo", "UPC: нужны только цифры, 11 или 12"));
        break;
    case barcode_check::even_digits:
        if (!digits || n % 2)
            c.error = pl__tr8(VL_TR("vellumo", "CODE-128C: нужно чётное число цифр"));
        break;
    case barcode_check::raw128: c.raw128 = true; break;
    case barcode_check::codabar: {
        auto start_stop = [](char ch) { return (ch >= 'A' && ch <= 'D') || (ch >= 'a' && ch <= 'd'); };
        if (n < 2 || !start_stop(data.front()) || !start_stop(data.back()))
            c.data = "A" + data + "B";
        break;
    }
    case barcode_check::text: text_mode(c); break;
    case barcode_check::text_or_gs1:
        // GS1 DataMatrix, as medicines and marking codes carry it.  Data
        // with a GS, or starting as a marking code does, is never drawn as
        // plain text: a till would refuse that symbol on the goods.
        if (gs1_bracketed(data))
            gs1_mode(c);
        else if (gs1__looks_raw(data))
            gs1_raw_mode(c, VL_TR("vellumo", "DataMatrix: данные с символом GS или с 01 и 14 цифрами в начале — это код GS1, но %1"));
        else
            text_mode(c);
        break;
    case barcode_check::gs1:
        if (n > 0 && (data[0] == '(' || data[0] == '['))
            gs1_mode(c);
        else if (n > 0 && (all_digits(data.substr(0, 2)) || data[0] == GS1_GS))
            gs1_raw_mode(c, VL_TR("vellumo", "GS1-128: %1"));
        else
            c.error = pl__tr8(VL_TR("vellumo", "GS1-128: данные начинаются с идентификатора применения, в скобках или без них, "
                                               "например (01) или 01"));
        break;
    }
    if (c.error.empty() && data.empty())
        c.error = pl__tr8(VL_TR("vellumo", "нет данных для штрихкода"));
    return c;
}

bool rdr__code128_raw_modules(const std::string &data, std::vector<unsigned char> &modules, std::string &error)
{
    std::vector<int> values;
    std::size_t i = 0;
    while (i < data.size()) {
        if (data[i] == ' ' || data[i] == '\t') {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < data.size() && data[j] >= '0' && data[j] <= '9' && j - i < 4)
            ++j;
        if (j == i || (j < data.size() && data[j] != ' ' && data[j] != '\t')) {
            error = pl__tr8(VL_TR("vellumo", "CODE-128RAW: нужны номера символов 0…105 через пробел"));
            return false;
        }
        const int v = std::stoi(data.substr(i, j - i));
        if (v > 105) {
            error = plt__to_utf8(msc__format(VL_TR("vellumo", "CODE-128RAW: номер символа %1 больше 105"), v));
            return false;
        }
        values.push_back(v);
        i = j;
    }
    if (values.empty()) {
        error = pl__tr8(VL_TR("vellumo", "нет данных для штрихкода"));
        return false;
    }
    if (values.front() < 103)
        values.insert(values.begin(), 104);
    for (std::size_t k = 1; k < values.size(); ++k)
        if (values[k] >= 103) {
            error = plt__to_utf8(msc__format(VL_TR("vellumo", "CODE-128RAW: стартовый символ %1 не в начале"), values[k]));
            return false;
        }
    if (values.size() > 200) {
        error = pl__tr8(VL_TR("vellumo", "CODE-128RAW: слишком много символов"));
        return false;
    }
    long check = values[0];
    for (std::size_t k = 1; k < values.size(); ++k)
        check += static_cast<long>(k) * values[k];
    modules.clear();
    for (int v : values)
        append_pattern(modules, code128_patterns[v]);
    append_pattern(modules, code128_patterns[check % 103]);
    append_pattern(modules, code128_patterns[106]);
    return true;
}

bool rdr__zint_modules(int symbology, const std::string &data, std::vector<unsigned char> &modules,
                       std::string &error)
{
    barcode_choice c;
    c.symbology = symbology;
    c.input_mode = UNICODE_MODE;
    c.data = data;
    symbol_ptr s = encode(c, false, 50, error);
    if (!s)
        return false;
    modules.clear();
    for (int i = 0; i < s->width; ++i)
        modules.push_back(static_cast<unsigned char>((s->encoded_data[0][i / 8] >> (i % 8)) & 1));
    return true;
}

std::string rdr__barcode_refusal(int type, const std::string &data)
{
    const barcode_choice c = rdr__barcode_choice(type, data);
    if (!c.error.empty())
        return c.error;
    std::string error;
    if (c.raw128) {
        std::vector<unsigned char> m;
        rdr__code128_raw_modules(c.data, m, error);
        return error;
    }
    return encode(c, false, 50, error) ? std::string() : error;
}

namespace {

// One bar or module: on a raster each edge goes to the nearest pixel edge
// (never narrower than a pixel), elsewhere it stays where it is.
QRectF bar(double x0, double y0, double x1, double y1, bool snap)
{
    if (!snap)
        return QRectF(QPointF(x0, y0), QPointF(x1, y1));
    double l = std::round(x0), r = std::round(x1), t = std::round(y0), b = std::round(y1);
    if (r <= l)
        r = l + 1;
    if (b <= t)
        b = t + 1;
    return QRectF(QPointF(l, t), QPointF(r, b));
}

// Draws the bars: whole pixels under a transform that keeps them upright are
// filled as they are (the raster engine's fast path, the same pixels as a
// rectangle without antialiasing), anything else is drawn as a rectangle.
class bar_painter {
public:
    bar_painter(QPainter &p, const QColor &colour, bool snap)
        : p_(p), colour_(colour), fill_(snap && p.transform().type() <= QTransform::TxScale)
    {
    }
    void operator()(const QRectF &r)
    {
        if (fill_)
            p_.fillRect(r, colour_);
        else
            p_.drawRect(r);
    }

private:
    QPainter &p_;
    QColor colour_;
    bool fill_;
};

// The module of a barcode in whole device pixels (a thermal printer's
// dots): `exact` pixels rounded, never below one.  What the rounding does
// to the symbol's width goes to `warning`: a module narrower than a pixel,
// or a width changed by more than a tenth.
double whole_module(double exact, bool round_down, std::string *warning)
{
    double m = round_down ? std::floor(exact) : std::round(exact);
    if (exact < 1) {
        m = 1;
        if (warning)
            *warning = plt__to_utf8(msc__format(VL_TR("vellumo", "модуль штрихкода уже точки принтера (%{1:.2f} точки): "
                                                                 "напечатан в одну точку, штрихкод больше своей рамки"),
                                                exact));
    } else if (!round_down && std::fabs(m / exact - 1) > 0.10 && warning) {
        const double change = (m / exact - 1) * 100;
        const long dots = std::lround(m);
        const char16_t *word = dots % 10 == 1 && dots % 100 != 11 ? VL_TR("vellumo", "точка")
                               : dots % 10 >= 2 && dots % 10 <= 4 && (dots % 100 < 12 || dots % 100 > 14)
                                   ? VL_TR("vellumo", "точки")
                                   : VL_TR("vellumo", "точек");
        *warning = plt__to_utf8(
            change > 0 ? msc__format(VL_TR("vellumo", "штрихкод растянут на %{1:.0f} %% до целых точек принтера (модуль %2 %3)"),
                                     std::fabs(change), dots, pl__tr(word))
                       : msc__format(VL_TR("vellumo", "штрихкод сжат на %{1:.0f} %% до целых точек принтера (модуль %2 %3)"),
                                     std::fabs(change), dots, pl__tr(word)));
    }
    return m;
}

bool draw_raw128(QPainter &p, const barcode_choice &c, bool human_readable, const QColor &colour, double w, double h,
                 bool snap, bool whole, std::string *warning, std::string &error)
{
    std::vector<unsigned char> m;
    if (!rdr__code128_raw_modules(c.data, m, error))
        return false;
    double x = w / static_cast<double>(m.size());
    double left = 0;
    if (whole) {
        x = whole_module(x, false, warning);
        left = std::round((w - x * static_cast<double>(m.size())) / 2);
    }
    const double text_h = human_readable ? std::min(h / 3, x * 9) : 0;
    bar_painter draw_bar(p, colour, snap);
    for (std::size_t i = 0; i < m.size();) {
        std::size_t j = i;
        while (j < m.size() && m[j] == m[i])
            ++j;
        if (m[i])
            draw_bar(bar(left + x * static_cast<double>(i), 0, left + x * static_cast<double>(j), h - text_h, snap));
        i = j;
    }
    if (human_readable) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(colour);
        draw_hrt(p, QString::fromStdString(c.data), w / 2, h - text_h * 0.15, text_h * 0.7, 0);
    }
    return true;
}

} // namespace

bool rdr__draw_barcode(QPainter &p, int type, const std::string &data, bool human_readable,
                       const QColor &colour, double w, double h, bool snap, std::string &error,
                       bool whole_modules, std::string *warning)
{
    const bool whole = snap && whole_modules;
    if (!(w > 0) || !(h > 0)) {
        error = pl__tr8(VL_TR("vellumo", "штрихкод нулевого размера"));
        return false;
    }
    const barcode_choice choice = rdr__barcode_choice(type, data);
    if (!choice.error.empty()) {
        error = choice.error;
        return false;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, !snap);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    if (choice.raw128) {
        const bool ok = draw_raw128(p, choice, human_readable, colour, w, h, snap, whole, warning, error);
        p.restore();
        return ok;
    }
    const bool hrt = human_readable && !choice.two_d;
    symbol_ptr s = encode(choice, hrt, 50, error);
    if (!s) {
        p.restore();
        return false;
    }
    double scale; // device units per vector unit
    if (choice.two_d) {
        scale = std::min(w / static_cast<double>(s->vector->width), h / static_cast<double>(s->vector->height));
        // Vector units are two per module: square modules of whole pixels
        // that still fit the box.
        if (whole)
            scale = whole_module(scale * 2, true, warning) / 2;
    } else {
        // Once more at the bar height that fills the box: vector units are
        // two per module, the text and guard bars below the bars are fixed.
        scale = w / static_cast<double>(s->vector->width);
        if (whole)
            scale = whole_module(scale * 2, false, warning) / 2;
        const double fixed = static_cast<double>(s->vector->height) - 2.0 * 50;
        const double bar_height = std::max(1.0, (h / scale - fixed) / 2);
        s = encode(choice, hrt, static_cast<float>(bar_height), error);
        if (!s) {
            p.restore();
            return false;
        }
    }
    const zint_vector *v = s->vector;
    double left = (w - scale * static_cast<double>(v->width)) / 2;
    double top = (h - scale * static_cast<double>(v->height)) / 2;
    if (whole) {
        left = std::round(left);
        top = std::round(top);
    }
    bar_painter draw_bar(p, colour, snap);
    for (const zint_vector_rect *r = v->rectangles; r; r = r->next)
        draw_bar(bar(left + scale * r->x, top + scale * r->y, left + scale * (r->x + r->width),
                     top + scale * (r->y + r->height), snap));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setPen(colour);
    for (const zint_vector_string *t = v->strings; t; t = t->next)
        draw_hrt(p, QString::fromUtf8(reinterpret_cast<const char *>(t->text)), left + scale * t->x,
                 top + scale * t->y, scale * t->fsize * 0.8, t->halign);
    p.restore();
    return true;
}
