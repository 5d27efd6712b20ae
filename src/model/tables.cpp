#include "model/tables.h"

namespace {

constexpr bool same(const char *a, const char *b)
{
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

// Each row's code is its index, each kind has a name to write and one to
// show, and no stored name belongs to two rows (or twice to one).
constexpr bool barcode_kinds_well_formed()
{
    for (int i = 0; i < barcode_kind_count; ++i) {
        const barcode_kind &k = barcode_kinds[i];
        if (k.code != i || !k.stored[0] || !k.shown)
            return false;
        for (int n = 0; n < barcode_names_max && k.stored[n]; ++n)
            for (int j = i; j < barcode_kind_count; ++j)
                for (int m = j == i ? n + 1 : 0; m < barcode_names_max && barcode_kinds[j].stored[m]; ++m)
                    if (same(k.stored[n], barcode_kinds[j].stored[m]))
                        return false;
    }
    return true;
}
static_assert(barcode_kinds_well_formed(), "barcode_kinds: codes in row order, a name each, no name twice");

} // namespace

std::int32_t anchor_to_stored(std::int32_t quadrant)
{
    for (const anchor_row &r : anchor_table)
        if (r.quadrant == quadrant)
            return r.stored;
    return -1;
}

std::int32_t anchor_from_stored(std::int32_t stored)
{
    for (const anchor_row &r : anchor_table)
        if (r.stored == stored)
            return r.quadrant;
    return -1;
}

const barcode_kind *barcode_kind_of(std::int32_t code)
{
    return code >= 0 && code < barcode_kind_count ? &barcode_kinds[code] : nullptr;
}

std::optional<std::int32_t> barcode_code_of(std::string_view stored)
{
    for (const barcode_kind &k : barcode_kinds)
        for (const char *name : k.stored)
            if (name && stored == name)
                return k.code;
    return std::nullopt;
}

const char *barcode_stored_name(std::int32_t code)
{
    const barcode_kind *k = barcode_kind_of(code);
    return k ? k->stored[0] : nullptr;
}
