#include "model/picture_file.h"

#include <atomic>
#include <functional>
#include <map>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "model/element.h"
#include "model/misc.h"
#include "platform/file_io.h"
#include "platform/translation.h"

namespace {

std::u16string ascii(const std::string &s)
{
    return std::u16string(s.begin(), s.end());
}

std::uint32_t be32(const unsigned char *p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::uint32_t be16(const unsigned char *p)
{
    return std::uint32_t{p[0]} << 8 | p[1];
}

const unsigned char png_magic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// Whether w × h pixels are a picture's worth; why not otherwise.
bool pixels_fit(std::uint32_t w, std::uint32_t h, std::u16string &why)
{
    if (w == 0 || h == 0) {
        why = pl__tr(VL_TR("vellumo", "в файле нет размеров изображения"));
        return false;
    }
    if (w > PIC_MAX_SIDE || h > PIC_MAX_SIDE || std::uint64_t{w} * h > PIC_MAX_PIXELS) {
        why = msc__format(VL_TR("vellumo", "изображение объявляет %1 × %2 точек, больше %3 мегапикселей (или %4 точек по стороне)"),
                          ascii(std::to_string(w)).c_str(), ascii(std::to_string(h)).c_str(),
                          ascii(std::to_string(PIC_MAX_PIXELS >> 20)).c_str(), ascii(std::to_string(PIC_MAX_SIDE)).c_str());
        return false;
    }
    return true;
}

double usable_dpi(double dpi)
{
    return std::isfinite(dpi) && dpi >= 10 && dpi <= 100000 ? dpi : PIC_DEFAULT_DPI;
}

// Sets the picture's size in points from its pixels and resolution.
bool set_points(lg_epsi &e, double w_pt, double h_pt, std::u16string &why)
{
    if (!(std::isfinite(w_pt) && std::isfinite(h_pt) && w_pt > ELE_EPS && h_pt > ELE_EPS)) {
        why = pl__tr(VL_TR("vellumo", "в файле нет размеров изображения"));
        return false;
    }
    if (w_pt > ELE_MAX_LABEL_SIZE || h_pt > ELE_MAX_LABEL_SIZE) {
        why = pl__tr(VL_TR("vellumo", "изображение больше, чем может быть этикетка"));
        return false;
    }
    e.llx = e.lly = e.dx = e.dy = 0;
    e.urx = e.width = static_cast<float>(w_pt);
    e.ury = e.height = static_cast<float>(h_pt);
    return true;
}

const char16_t *const truncated = VL_TR("vellumo", "файл обрывается на середине");

// PNG: the IHDR chunk first, every chunk whole up to IEND.
bool read_png(const std::vector<unsigned char> &b, lg_epsi &e, std::u16string &why)
{
    const std::size_t n = b.size();
    if (n < 8 + 25 || std::memcmp(b.data(), png_magic, 8) != 0 || std::memcmp(&b[12], "IHDR", 4) != 0 ||
        be32(&b[8]) != 13) {
        why = pl__tr(VL_TR("vellumo", "это не файл PNG"));
        return false;
    }
    const std::uint32_t w = be32(&b[16]), h = be32(&b[20]);
    if (!pixels_fit(w, h, why))
        return false;
    double dpi_x = 0, dpi_y = 0;
    bool ended = false;
    for (std::size_t at = 8; at + 12 <= n;) {
        const std::uint64_t len = be32(&b[at]);
        if (len > 0x7fffffffu || at + 12 + len > n)
            break;
        const unsigned char *type = &b[at + 4];
        if (std::memcmp(type, "pHYs", 4) == 0 && len == 9 && b[at + 16] == 1) {
            dpi_x = be32(&b[at + 8]) * 0.0254;
            dpi_y = be32(&b[at + 12]) * 0.0254;
        }
        if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
            break;
        }
        at += 12 + static_cast<std::size_t>(len);
    }
    if (!ended) {
        why = truncated;
        return false;
    }
    e.px_width = w;
    e.px_height = h;
    return set_points(e, w * 72.0 / usable_dpi(dpi_x), h * 72.0 / usable_dpi(dpi_y), why);
}

// JPEG: markers up to a frame header and on to the end of the image.
bool read_jpeg(const std::vector<unsigned char> &b, lg_epsi &e, std::u16string &why)
{
    const std::size_t n = b.size();
    if (n < 4 || b[0] != 0xff || b[1] != 0xd8) {
        why = pl__tr(VL_TR("vellumo", "это не файл JPEG"));
        return false;
    }
    std::uint32_t w = 0, h = 0;
    double dpi_x = 0, dpi_y = 0;
    bool ended = false;
    std::size_t at = 2;
    while (at + 1 < n) {
        if (b[at] != 0xff) {
            why = pl__tr(VL_TR("vellumo", "файл JPEG испорчен"));
            return false;
        }
        while (at < n && b[at] == 0xff)
            ++at;
        if (at >= n)
            break;
        const unsigned char m = b[at++];
        if (m == 0xd9) {
            ended = true;
            break;
        }
        if (m == 0x01 || (m >= 0xd0 && m <= 0xd7))
            continue; // markers without a length
        if (at + 2 > n)
            break;
        const std::size_t len = be16(&b[at]);
        if (len < 2 || at + len > n)
            break;
        const unsigned char *seg = &b[at + 2];
        const bool frame = m >= 0xc0 && m <= 0xcf && m != 0xc4 && m != 0xc8 && m != 0xcc;
        if (frame && len >= 8 && w == 0) {
            h = be16(seg + 1);
            w = be16(seg + 3);
        }
        if (m == 0xe0 && len >= 16 && std::memcmp(seg, "JFIF", 5) == 0) {
            const double k = seg[7] == 1 ? 1 : seg[7] == 2 ? 2.54 : 0;
            dpi_x = be16(seg + 8) * k;
            dpi_y = be16(seg + 10) * k;
        }
        at += len;
        if (m == 0xda) {
            // The entropy-coded data runs to the next marker that is not a
            // stuffed byte or a restart.
            while (at + 1 < n && !(b[at] == 0xff && b[at + 1] != 0 && !(b[at + 1] >= 0xd0 && b[at + 1] <= 0xd7)))
                ++at;
        }
    }
    if (!ended) {
        why = truncated;
        return false;
    }
    if (!pixels_fit(w, h, why))
        return false;
    e.px_width = w;
    e.px_height = h;
    return set_points(e, w * 72.0 / usable_dpi(dpi_x), h * 72.0 / usable_dpi(dpi_y), why);
}

// ---------------------------------------------------------------- SVG

char lower(unsigned char c)
{
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
}

bool starts_nocase(const std::vector<unsigned char> &b, std::size_t at, const char *word)
{
    for (std::size_t i = 0; word[i]; ++i)
        if (at + i >= b.size() || lower(b[at + i]) != word[i])
            return false;
    return true;
}

std::size_t find(const std::vector<unsigned char> &b, std::size_t at, const char *word)
{
    const std::size_t k = std::strlen(word);
    for (; at + k <= b.size(); ++at) {
        const void *hit = std::memchr(&b[at], word[0], b.size() - at);
        if (!hit)
            return std::string::npos;
        at = static_cast<std::size_t>(static_cast<const unsigned char *>(hit) - b.data());
        if (at + k <= b.size() && std::memcmp(&b[at], word, k) == 0)
            return at;
    }
    return std::string::npos;
}

bool space(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string local_name(std::string name)
{
    for (char &c : name)
        c = lower(static_cast<unsigned char>(c));
    const std::size_t colon = name.rfind(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

// A length of the root element in points: a number with px (or none), pt,
// pc, mm, cm or in.  Nothing for percentages, em and the like.
std::optional<double> svg_length(const std::string &v)
{
    locale_t c = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    if (!c)
        return std::nullopt;
    const char *s = v.c_str();
    char *stop = nullptr;
    const double x = strtod_l(s, &stop, c);
    freelocale(c);
    if (stop == s || !std::isfinite(x))
        return std::nullopt;
    std::string unit(stop);
    while (!unit.empty() && space(static_cast<unsigned char>(unit.back())))
        unit.pop_back();
    const double k = unit.empty() || unit == "px" ? 0.75
                     : unit == "pt"               ? 1
                     : unit == "pc"               ? 12
                     : unit == "mm"               ? 72 / 25.4
                     : unit == "cm"               ? 72 / 2.54
                     : unit == "in"               ? 72
                                                  : 0;
    if (k == 0)
        return std::nullopt;
    return x * k;
}

std::optional<std::pair<double, double>> svg_view_box(const std::string &v)
{
    locale_t c = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    if (!c)
        return std::nullopt;
    double n[4];
    const char *s = v.c_str();
    bool ok = true;
    for (double &x : n) {
        while (*s == ',' || space(static_cast<unsigned char>(*s)))
            ++s;
        char *stop = nullptr;
        x = strtod_l(s, &stop, c);
        if (stop == s || !std::isfinite(x))
            ok = false;
        s = stop;
    }
    freelocale(c);
    if (!ok)
        return std::nullopt;
    return std::make_pair(n[2] * 0.75, n[3] * 0.75);
}

// Every url(...) must point inside the file.
bool urls_inside(const std::vector<unsigned char> &b, std::u16string &why)
{
    for (std::size_t at = 0; at + 4 <= b.size(); ++at) {
        if (!(lower(b[at]) == 'u' && starts_nocase(b, at, "url(")))
            continue;
        std::size_t p = at + 4;
        while (p < b.size() && (space(b[p]) || b[p] == '\'' || b[p] == '"'))
            ++p;
        if (p >= b.size() || b[p] != '#') {
            why = pl__tr(VL_TR("vellumo", "SVG ссылается на другие файлы или адреса (url), такие ссылки не допускаются"));
            return false;
        }
    }
    return true;
}

// Whether drawing the SVG draws at most PIC_MAX_SVG_DRAWS parts through its
// <use>s (and theirs); a part that uses itself is too many.
bool uses_bounded(const std::map<std::string, std::vector<std::string>> &uses)
{
    std::map<std::string, double> drawn;
    std::map<std::string, bool> under_way;
    // Parts using parts using parts, deeper than this, are refused too (and
    // the count needs no deeper recursion).
    constexpr int deepest = 32;
    std::function<double(const std::string &, int)> count = [&](const std::string &id, int depth) -> double {
        if (const auto d = drawn.find(id); d != drawn.end())
            return d->second;
        if (under_way[id] || depth > deepest)
            return PIC_MAX_SVG_DRAWS + 1.0;
        under_way[id] = true;
        double n = 1;
        if (const auto u = uses.find(id); u != uses.end())
            for (const std::string &t : u->second) {
                n += count(t, depth + 1);
                if (n > PIC_MAX_SVG_DRAWS)
                    break;
            }
        under_way[id] = false;
        drawn[id] = n;
        return n;
    };
    return count(std::string(), 0) <= PIC_MAX_SVG_DRAWS;
}

bool read_svg(const std::vector<unsigned char> &b, lg_epsi &e, std::u16string &why)
{
    const std::size_t n = b.size();
    if (std::memchr(b.data(), 0, n)) {
        why = pl__tr(VL_TR("vellumo", "это не SVG в UTF-8 (в файле есть нулевые байты)"));
        return false;
    }
    for (std::size_t at = 0; at < n; ++at) {
        if (b[at] == '@' && starts_nocase(b, at, "@import")) {
            why = pl__tr(VL_TR("vellumo", "SVG подключает другие файлы (@import), это не допускается"));
            return false;
        }
    }
    if (!urls_inside(b, why))
        return false;
    std::size_t at = n >= 3 && b[0] == 0xef && b[1] == 0xbb && b[2] == 0xbf ? 3 : 0;
    int depth = 0;
    bool root_seen = false, root_closed = false;
    std::vector<std::string> open_ids;
    std::map<std::string, std::vector<std::string>> uses;
    std::optional<double> width, height;
    std::optional<std::pair<double, double>> view;
    while (true) {
        const void *hit = at < n ? std::memchr(&b[at], '<', n - at) : nullptr;
        if (!hit)
            break;
        at = static_cast<std::size_t>(static_cast<const unsigned char *>(hit) - b.data());
        if (starts_nocase(b, at, "<!--")) {
            const std::size_t end = find(b, at + 4, "-->");
            if (end == std::string::npos) {
                why = truncated;
                return false;
            }
            at = end + 3;
            continue;
        }
        if (starts_nocase(b, at, "<![cdata[")) {
            const std::size_t end = find(b, at + 9, "]]>");
            if (end == std::string::npos) {
                why = truncated;
                return false;
            }
            at = end + 3;
            continue;
        }
        if (starts_nocase(b, at, "<!")) {
            why = pl__tr(VL_TR("vellumo", "в SVG есть DOCTYPE или объявления сущностей, такие файлы не принимаются"));
            return false;
        }
        if (starts_nocase(b, at, "<?")) {
            if (starts_nocase(b, at, "<?xml-stylesheet")) {
                why = pl__tr(VL_TR("vellumo", "SVG подключает таблицу стилей из другого файла, это не допускается"));
                return false;
            }
            const std::size_t end = find(b, at + 2, "?>");
            if (end == std::string::npos) {
                why = truncated;
                return false;
            }
            at = end + 2;
            continue;
        }
        if (at + 1 < n && b[at + 1] == '/') {
            const void *gt = std::memchr(&b[at], '>', n - at);
            if (!gt) {
                why = truncated;
                return false;
            }
            at = static_cast<std::size_t>(static_cast<const unsigned char *>(gt) - b.data()) + 1;
            if (!open_ids.empty())
                open_ids.pop_back();
            if (--depth < 0) {
                why = pl__tr(VL_TR("vellumo", "SVG испорчен (лишний закрывающий тег)"));
                return false;
            }
            if (depth == 0)
                root_closed = true;
            continue;
        }
        // A start tag: its name, then its attributes.
        std::size_t p = at + 1;
        while (p < n && !space(b[p]) && b[p] != '>' && b[p] != '/')
            ++p;
        const std::string name = local_name(std::string(b.begin() + static_cast<long>(at) + 1,
                                                        b.begin() + static_cast<long>(p)));
        if (name == "script") {
            why = pl__tr(VL_TR("vellumo", "в SVG есть сценарий (script), такие файлы не принимаются"));
            return false;
        }
        const bool is_root = !root_seen;
        std::string id, use_of;
        if (is_root && name != "svg") {
            why = pl__tr(VL_TR("vellumo", "это не SVG (первый элемент не <svg>)"));
            return false;
        }
        if (root_closed) {
            why = pl__tr(VL_TR("vellumo", "SVG испорчен (элементы после конца <svg>)"));
            return false;
        }
        root_seen = true;
        bool closed = false;
        while (true) {
            while (p < n && space(b[p]))
                ++p;
            if (p >= n) {
                why = truncated;
                return false;
            }
            if (b[p] == '>') {
                ++p;
                break;
            }
            if (b[p] == '/') {
                if (p + 1 < n && b[p + 1] == '>') {
                    closed = true;
                    p += 2;
                    break;
                }
                why = pl__tr(VL_TR("vellumo", "SVG испорчен"));
                return false;
            }
            const std::size_t name_at = p;
            while (p < n && !space(b[p]) && b[p] != '=' && b[p] != '>' && b[p] != '/')
                ++p;
            const std::string attr = local_name(std::string(b.begin() + static_cast<long>(name_at),
                                                            b.begin() + static_cast<long>(p)));
            while (p < n && space(b[p]))
                ++p;
            if (p >= n || b[p] != '=') {
                why = p >= n ? std::u16string(pl__tr(truncated)) : pl__tr(VL_TR("vellumo", "SVG испорчен (атрибут без значения)"));
                return false;
            }
            ++p;
            while (p < n && space(b[p]))
                ++p;
            if (p >= n || (b[p] != '"' && b[p] != '\'')) {
                why = p >= n ? std::u16string(pl__tr(truncated)) : pl__tr(VL_TR("vellumo", "SVG испорчен (значение атрибута без кавычек)"));
                return false;
            }
            const unsigned char quote = b[p++];
            const void *q = std::memchr(&b[p], quote, n - p);
            if (!q) {
                why = truncated;
                return false;
            }
            const std::size_t end = static_cast<std::size_t>(static_cast<const unsigned char *>(q) - b.data());
            std::string value(b.begin() + static_cast<long>(p), b.begin() + static_cast<long>(end));
            p = end + 1;
            if (attr == "href" || attr == "src") {
                std::size_t v = 0;
                while (v < value.size() && space(static_cast<unsigned char>(value[v])))
                    ++v;
                if (v >= value.size() || value[v] != '#') {
                    why = pl__tr(VL_TR("vellumo", "SVG ссылается на другие файлы или адреса (href), такие ссылки не допускаются"));
                    return false;
                }
                if (name == "use")
                    use_of = value.substr(v + 1);
            }
            if (attr == "id")
                id = value;
            if (attr.size() > 2 && attr[0] == 'o' && attr[1] == 'n') {
                why = msc__format(VL_TR("vellumo", "в SVG есть сценарий (%1), такие файлы не принимаются"), ascii(attr).c_str());
                return false;
            }
            if (is_root) {
                if (attr == "width")
                    width = svg_length(value);
                else if (attr == "height")
                    height = svg_length(value);
                else if (attr == "viewbox")
                    view = svg_view_box(value);
            }
        }
        at = p;
        // Which parts a <use> repeats: every element it sits in draws the
        // part once more.
        if (!use_of.empty()) {
            uses[std::string()].push_back(use_of);
            for (const std::string &open : open_ids)
                if (!open.empty())
                    uses[open].push_back(use_of);
        }
        if (!closed)
            open_ids.push_back(id);
        if (!closed && ++depth > PIC_MAX_SVG_DEPTH) {
            why = msc__format(VL_TR("vellumo", "SVG вложен глубже %1 уровней"), ascii(std::to_string(PIC_MAX_SVG_DEPTH)).c_str());
            return false;
        }
        if (closed && is_root)
            root_closed = true;
    }
    if (!uses_bounded(uses)) {
        why = msc__format(VL_TR("vellumo", "SVG повторяет свои части (use) больше %1 раз"), ascii(std::to_string(PIC_MAX_SVG_DRAWS)).c_str());
        return false;
    }
    if (!root_seen) {
        why = pl__tr(VL_TR("vellumo", "это не SVG"));
        return false;
    }
    if (!root_closed || depth != 0) {
        why = truncated;
        return false;
    }
    if (view && !(view->first > 0 && view->second > 0))
        view.reset();
    double w = 0, h = 0;
    if (width && height) {
        w = *width;
        h = *height;
    } else if (view) {
        w = width ? *width : height ? *height * view->first / view->second : view->first;
        h = height ? *height : width ? *width * view->second / view->first : view->second;
    } else {
        why = pl__tr(VL_TR("vellumo", "у SVG нет размеров (width и height или viewBox)"));
        return false;
    }
    return set_points(e, w, h, why);
}

std::atomic<picture_verifier> g_verifier{nullptr};

} // namespace

const char *pic__format_name(picture_format f)
{
    switch (f) {
    case picture_format::png: return "png";
    case picture_format::jpeg: return "jpeg";
    case picture_format::svg: return "svg";
    case picture_format::eps: break;
    }
    return nullptr;
}

std::optional<picture_format> pic__format_from_name(const std::string &name)
{
    if (name == "png")
        return picture_format::png;
    if (name == "jpeg")
        return picture_format::jpeg;
    if (name == "svg")
        return picture_format::svg;
    if (name == "eps")
        return picture_format::eps;
    return std::nullopt;
}

picture_format pic__sniff(const unsigned char *data, std::size_t len)
{
    if (len >= 8 && std::memcmp(data, png_magic, 8) == 0)
        return picture_format::png;
    if (len >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff)
        return picture_format::jpeg;
    std::size_t at = len >= 3 && data[0] == 0xef && data[1] == 0xbb && data[2] == 0xbf ? 3 : 0;
    while (at < len && space(data[at]))
        ++at;
    if (at < len && data[at] == '<')
        return picture_format::svg;
    return picture_format::eps;
}

lg_epsi_ptr pic__load_buffer(std::vector<unsigned char> &&bytes, picture_format format, std::u16string &why)
{
    if (bytes.empty()) {
        why = pl__tr(VL_TR("vellumo", "файл пуст"));
        return nullptr;
    }
    if (bytes.size() > LG_EPSI_MAX_FILE || bytes.size() > UINT32_MAX) {
        why = pl__tr(VL_TR("vellumo", "файл слишком велик"));
        return nullptr;
    }
    if (format == picture_format::eps) {
        lg_epsi_ptr e = eps__load_buffer(std::move(bytes));
        if (!e)
            why = pl__tr(VL_TR("vellumo", "в файле нет рисунка EPS (нет строки %%BoundingBox), PNG, JPEG или SVG"));
        return e;
    }
    auto e = std::make_unique<lg_epsi>();
    e->format = format;
    bool ok = false;
    switch (format) {
    case picture_format::png: ok = read_png(bytes, *e, why); break;
    case picture_format::jpeg: ok = read_jpeg(bytes, *e, why); break;
    case picture_format::svg: ok = read_svg(bytes, *e, why); break;
    case picture_format::eps: break;
    }
    if (!ok)
        return nullptr;
    e->len = static_cast<std::uint32_t>(bytes.size());
    e->data = std::move(bytes);
    return e;
}

lg_epsi_ptr pic__load_file(const std::u16string &path, std::u16string &why, picture_format *format)
{
    if (format)
        *format = picture_format::eps;
    std::vector<unsigned char> bytes;
    if (!plt__read_blob(path, bytes, LG_EPSI_MAX_FILE)) {
        why = errno == EFBIG ? std::u16string(pl__tr(VL_TR("vellumo", "файл слишком велик"))) : plt__read_error_text(errno);
        return nullptr;
    }
    const picture_format f = pic__sniff(bytes.data(), bytes.size());
    if (format)
        *format = f;
    return pic__load_buffer(std::move(bytes), f, why);
}

lg_epsi_ptr pic__load_stored(std::vector<unsigned char> &&bytes, picture_format format)
{
    std::vector<unsigned char> keep = bytes;
    std::u16string why;
    lg_epsi_ptr e = pic__load_buffer(std::move(bytes), format, why);
    if (e)
        return e;
    e = eps__keep_unboxed(std::move(keep));
    if (e)
        e->format = format;
    return e;
}

bool pic__is_data_source(const std::u16string &name)
{
    return name.find(u"${") != std::u16string::npos;
}

void pic__set_verifier(picture_verifier v)
{
    g_verifier = v;
}

std::optional<std::u16string> pic__verify(const lg_epsi &pic)
{
    const picture_verifier v = g_verifier.load();
    if (!v || pic.format == picture_format::eps)
        return std::nullopt;
    return v(pic);
}
