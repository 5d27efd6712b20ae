#include "model/lg_epsi.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <new>
#include <stdlib.h>

#include "platform/file_io.h"

namespace {

constexpr char bbox_tag[] = "%%BoundingBox:";
constexpr std::size_t bbox_tag_len = sizeof bbox_tag - 1;

locale_t c_locale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

bool is_space(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_number_char(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           c == '.' || c == '+' || c == '-';
}

// One "%f" conversion: optional white space (line breaks included), then a
// number as strtof reads it.  Only the characters that can belong to a number
// are copied, never the rest of the data.
bool scan_float(const unsigned char *&p, const unsigned char *end, float &out)
{
    while (p < end && is_space(*p))
        ++p;
    const unsigned char *tok = p;
    while (p < end && is_number_char(*p))
        ++p;
    std::size_t n = static_cast<std::size_t>(p - tok);
    p = tok;
    if (n == 0)
        return false;
    char small[64];
    std::string big;
    char *s;
    if (n < sizeof small) {
        std::memcpy(small, tok, n);
        small[n] = 0;
        s = small;
    } else {
        big.assign(reinterpret_cast<const char *>(tok), n);
        s = big.data();
    }
    char *stop = nullptr;
    float v = strtof_l(s, &stop, c_locale());
    if (stop == s)
        return false;
    p = tok + (stop - s);
    out = v;
    return true;
}

bool parse_bbox_line(const unsigned char *p, const unsigned char *end, float box[4])
{
    if (static_cast<std::size_t>(end - p) < bbox_tag_len ||
        std::memcmp(p, bbox_tag, bbox_tag_len) != 0)
        return false;
    p += bbox_tag_len;
    float v[4];
    for (float &x : v) {
        if (!scan_float(p, end, x) || !std::isfinite(x))
            return false;
    }
    float llx = std::fmin(v[0], v[2]), urx = std::fmax(v[0], v[2]);
    float lly = std::fmin(v[1], v[3]), ury = std::fmax(v[1], v[3]);
    if (!std::isfinite(urx - llx) || !std::isfinite(ury - lly))
        return false;
    box[0] = llx;
    box[1] = lly;
    box[2] = urx;
    box[3] = ury;
    return true;
}

} // namespace

bool eps__find_bbox(const unsigned char *data, std::size_t len, float box[4])
{
    if (!data || len < 2)
        return false;
    const unsigned char *end = data + len;
    const unsigned char *p = data + 1;
    while (p < end) {
        const void *hit = std::memchr(p, '%', static_cast<std::size_t>(end - p));
        if (!hit)
            return false;
        const auto *pct = static_cast<const unsigned char *>(hit);
        unsigned char before = pct[-1];
        if ((before == '\n' || before == '\r') && parse_bbox_line(pct, end, box))
            return true;
        p = pct + 1;
    }
    return false;
}

lg_epsi_ptr eps__load_buffer(std::vector<unsigned char> &&bytes)
{
    if (bytes.empty() || bytes.size() > UINT32_MAX)
        return nullptr;
    float box[4];
    if (!eps__find_bbox(bytes.data(), bytes.size(), box))
        return nullptr;
    auto e = std::make_unique<lg_epsi>();
    e->llx = box[0];
    e->lly = box[1];
    e->urx = box[2];
    e->ury = box[3];
    e->dx = -e->llx;
    e->dy = -e->lly;
    e->width = e->urx - e->llx;
    e->height = e->ury - e->lly;
    e->len = static_cast<std::uint32_t>(bytes.size());
    e->data = std::move(bytes);
    return e;
}

lg_epsi_ptr eps__keep_unboxed(std::vector<unsigned char> &&bytes)
{
    if (bytes.size() > UINT32_MAX)
        return nullptr;
    auto e = std::make_unique<lg_epsi>();
    e->len = static_cast<std::uint32_t>(bytes.size());
    e->data = std::move(bytes);
    e->boxed = false;
    return e;
}

lg_epsi_ptr eps__load_mem(const void *bytes, std::size_t len)
{
    if (!bytes || len == 0)
        return nullptr;
    const auto *b = static_cast<const unsigned char *>(bytes);
    return eps__load_buffer(std::vector<unsigned char>(b, b + len));
}

lg_epsi_ptr eps__load_file(const std::u16string &path)
{
    std::vector<unsigned char> bytes;
    if (!plt__read_blob(path, bytes, LG_EPSI_MAX_FILE))
        return nullptr;
    return eps__load_buffer(std::move(bytes));
}

lg_epsi_ptr eps__copy(const lg_epsi *e)
{
    if (!e)
        return nullptr;
    auto *n = new (std::nothrow) lg_epsi;
    if (!n)
        return nullptr;
    lg_epsi_ptr owner(n);
    try {
        *n = *e;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    return owner;
}

void eps__free(lg_epsi *e)
{
    delete e;
}
