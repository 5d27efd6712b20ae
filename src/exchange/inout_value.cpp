// The label struct: writer and reader.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "exchange/inout.h"
#include "exchange/value_read.h"
#include "exchange/xmlrpc_support.h"
#include "model/errors.h"
#include "model/gs1_data.h"
#include "model/messages.h"
#include "model/misc.h"
#include "model/picture_file.h"
#include "model/tables.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

namespace {

// ---------------------------------------------------------------- checks

} // namespace

char32_t ino__unsendable_char(std::u16string_view s)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF)
            return c;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF)
            return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        if (c >= 0xD800 && c <= 0xDFFF)
            return c;
    }
    return 0;
}

namespace {

// The stored names of sheet_shape, in its order.
constexpr const char *sheet_shape_names[] = {"rectangle", "round", "ellipse", "cd"};

// ---------------------------------------------------------------- writer

// The panel accepts angles such as -40 (a turn the other way); a stored
// label carries 0..360 only, and a reader refuses anything else, so the same
// turn is written in that range.
double stored_angle(double a)
{
    if (a >= 0 && a <= 360)
        return a;
    a = std::fmod(a, 360.0);
    return a < 0 ? a + 360.0 : a;
}

struct writer {
    xmlrpc_env *env;

    // The library may refuse a value (memory for a huge picture, a text it
    // cannot carry): the label is then not written, with the fault pending,
    // and the program goes on.
    struct refused {};
    void check() const
    {
        if (env->fault_occurred)
            throw refused{};
    }
    xmlrpc_value *string(std::u16string_view s) const
    {
        std::string u = plt__to_utf8(s);
        xmlrpc_value *v = xmlrpc_string_new_lp_cr(env, u.size(), u.data());
        check();
        return v;
    }
    xmlrpc_value *string(const char *s) const
    {
        xmlrpc_value *v = xmlrpc_string_new(env, s);
        check();
        return v;
    }
    void set(xmlrpc_value *st, const char *key, xmlrpc_value *v) const
    {
        xmlrpc_struct_set_value(env, st, key, v);
        xmlrpc_DECREF(v);
        check();
    }
    void set_double(xmlrpc_value *st, const char *key, double d) const
    {
        xmlrpc_value *v = xmlrpc_double_new(env, d);
        check();
        set(st, key, v);
    }
    void set_int(xmlrpc_value *st, const char *key, int i) const
    {
        xmlrpc_value *v = xmlrpc_int_new(env, i);
        check();
        set(st, key, v);
    }

    xmlrpc_value *sheet_struct(const label_sheet &sh) const
    {
        xmlrpc_value_ptr own(xmlrpc_struct_new(env));
        check();
        xmlrpc_value *st = own.get();
        set(st, "brand", string(plt__from_utf8(sh.brand)));
        set(st, "part", string(plt__from_utf8(sh.part)));
        set(st, "description", string(plt__from_utf8(sh.description)));
        set(st, "paper", string(plt__from_utf8(sh.paper)));
        set_double(st, "paper_width", sh.paper_width);
        set_double(st, "paper_height", sh.paper_height);
        set(st, "shape", string(sheet_shape_names[static_cast<int>(sh.shape)]));
        set_double(st, "label_width", sh.label_width);
        set_double(st, "label_height", sh.label_height);
        set_double(st, "corner_radius", sh.radius);
        set_double(st, "hole", sh.hole);
        xmlrpc_value_ptr grids(xmlrpc_array_new(env));
        check();
        for (const sheet_grid &g : sh.grids) {
            xmlrpc_value_ptr one(xmlrpc_struct_new(env));
            check();
            set_int(one.get(), "columns", g.columns);
            set_int(one.get(), "rows", g.rows);
            set_double(one.get(), "left", g.left);
            set_double(one.get(), "top", g.top);
            set_double(one.get(), "across", g.across);
            set_double(one.get(), "down", g.down);
            xmlrpc_array_append_item(env, grids.get(), one.get());
            check();
        }
        xmlrpc_struct_set_value(env, st, "grids", grids.get());
        check();
        return own.release();
    }

    xmlrpc_value *element_struct(const element *e, int index) const
    {
        xmlrpc_value_ptr own(xmlrpc_struct_new(env));
        check();
        xmlrpc_value *st = own.get();
        set_int(st, "layer", index);
        set(st, "type", string(kind_names[e->type]));
        set_double(st, "x", e->x);
        set_double(st, "y", e->y);
        set_int(st, "quadrant", anchor_to_stored(e->quadrant));
        set_double(st, "angle", stored_angle(e->angle));
        set(st, "comment", string(e->desc));
        xmlrpc_value *en = xmlrpc_bool_new(env, e->disabled == 0);
        check();
        set(st, "enabled", en);
        std::uint32_t colour = e->type == ELE_TEXT      ? e->text.colour
                               : e->type == ELE_BORDER  ? e->border.colour
                               : e->type == ELE_PICTURE ? e->picture.colour
                                                        : e->barcode.colour;
        set(st, "colour", string(ino__colour_to_string(colour).c_str()));
        if (e->width >= 0)
            set_double(st, "width", e->width);
        if (e->height >= 0)
            set_double(st, "height", e->height);
        switch (e->type) {
        case ELE_TEXT: {
            set(st, "value", string(e->text.text ? *e->text.text : u""));
            set(st, "style", string(e->text.font ? *e->text.font : u""));
            set_double(st, "size", e->text.size);
            const char *j = table_name(justification_table, e->text.justification);
            if (j)
                set(st, "justification", string(j));
            else if (e->text.stored_justification)
                set(st, "justification", string(*e->text.stored_justification));
            else
                set(st, "justification", string(justification_table[0].name));
            // Written only when set: a file without them stays as it was.
            if (e->text.wrap) {
                xmlrpc_value *w = xmlrpc_bool_new(env, 1);
                check();
                set(st, "wrap", w);
            }
            if (e->text.shrink > 0 && std::isfinite(e->text.shrink))
                set_double(st, "shrink", e->text.shrink);
            break;
        }
        case ELE_BORDER: {
            const char *s = table_name(line_style_table, e->border.style);
            set(st, "style", string(s ? s : line_style_table[0].name));
            set_double(st, "size", e->border.thickness);
            break;
        }
        case ELE_PICTURE: {
            const lg_epsi *p = e->picture.data.get();
            static const unsigned char none = 0;
            xmlrpc_value *b = xmlrpc_base64_new(env, p ? p->data.size() : 0,
                                                p && !p->data.empty() ? p->data.data() : &none);
            check();
            set(st, "value", b);
            // EPS pictures are written as they always were; the others
            // name their format.
            if (const char *f = p ? pic__format_name(p->format) : nullptr)
                set(st, "format", string(f));
            if (e->picture.source)
                set(st, "file", string(*e->picture.source));
            break;
        }
        case ELE_BARCODE: {
            // XML cannot carry GS (marking codes hold it): the value has its
            // visible mark instead, and "gs_marks" tells a reader to turn
            // the marks back.  A code without GS is written as it always was.
            const std::u16string code = e->barcode.code ? *e->barcode.code : u"";
            if (code.find(static_cast<char16_t>(GS1_GS)) != std::u16string::npos) {
                set(st, "value", string(gs1__shown(code)));
                xmlrpc_value *marks = xmlrpc_bool_new(env, 1);
                check();
                set(st, "gs_marks", marks);
            } else {
                set(st, "value", string(code));
            }
            const char *s = barcode_stored_name(e->barcode.type);
            if (s)
                set(st, "style", string(s));
            else if (e->barcode.stored_type)
                set(st, "style", string(*e->barcode.stored_type));
            else
                set(st, "style", string(barcode_kinds[0].stored[0]));
            set_double(st, "size", e->barcode.text ? 1.0 : 0.0);
            break;
        }
        }
        return own.release();
    }
};

// ---------------------------------------------------------------- reader

using namespace ino_read;

bool in_range(double v, double lo, double hi)
{
    return v >= lo && v <= hi; // false for NaN
}

// The parts of an element every kind has, as read from its struct.
struct common_fields {
    int layer = 0;
    int stored_quadrant = 0;
    std::string type_name, colour;
    double x = 0, y = 0, angle = 0;
    std::u16string comment;
    bool enabled = true;
};

bool read_common(xmlrpc_env *env, xmlrpc_value *st, common_fields &c)
{
    return read_int(env, st, "layer", c.layer) && read_utf8(env, st, "type", c.type_name) &&
           read_double(env, st, "x", c.x) && read_double(env, st, "y", c.y) &&
           read_int(env, st, "quadrant", c.stored_quadrant) && read_double(env, st, "angle", c.angle) &&
           read_string(env, st, "comment", c.comment) && read_bool(env, st, "enabled", c.enabled) &&
           read_utf8(env, st, "colour", c.colour);
}

// The optional members of a text: words wrapping, the size shrinking.  A
// member of another type (a string, a struct), or a shrink size that is
// not a positive finite number, reads as absent: the text is drawn as one
// without it, and the fault is not kept.  A shrink size above the size
// is kept as stored; drawing takes the size then.
void read_fitting(xmlrpc_env *env, xmlrpc_value *st, element *e)
{
    xmlrpc_value *v = nullptr;
    xmlrpc_struct_find_value(env, st, "wrap", &v);
    if (!env->fault_occurred && v) {
        xmlrpc_value_ptr own(v);
        xmlrpc_bool b = 0;
        if (xmlrpc_value_type(v) == XMLRPC_TYPE_BOOL) {
            xmlrpc_read_bool(env, v, &b);
            e->text.wrap = !env->fault_occurred && b != 0;
        }
    }
    xmlrpc_env_clean(env);
    xmlrpc_env_init(env);
    v = nullptr;
    xmlrpc_struct_find_value(env, st, "shrink", &v);
    if (!env->fault_occurred && v) {
        xmlrpc_value_ptr own(v);
        double d = 0;
        if (xmlrpc_value_type(v) == XMLRPC_TYPE_DOUBLE)
            xmlrpc_read_double(env, v, &d);
        else if (xmlrpc_value_type(v) == XMLRPC_TYPE_INT) {
            int i = 0;
            xmlrpc_read_int(env, v, &i);
            d = i;
        }
        if (!env->fault_occurred && std::isfinite(d) && d > 0)
            e->text.shrink = d;
    }
    xmlrpc_env_clean(env);
    xmlrpc_env_init(env);
}

// The fields of each kind.  False when the element is refused (a fault may
// then be pending); a number that is not finite refuses it too.
bool read_text_part(xmlrpc_env *env, xmlrpc_value *st, element *e)
{
    std::u16string text, font;
    std::string just;
    if (!(read_string(env, st, "value", text) && read_string(env, st, "style", font) &&
          read_double(env, st, "size", e->text.size) && read_utf8(env, st, "justification", just)))
        return false;
    if (!std::isfinite(e->text.size))
        return false; // refused like a position outside the label
    e->text.text = std::move(text);
    e->text.font = std::move(font);
    auto j = table_code(justification_table, just);
    e->text.justification = j.value_or(-1);
    if (!j)
        e->text.stored_justification = stored_name(just);
    read_fitting(env, st, e);
    return true;
}

bool read_border_part(xmlrpc_env *env, xmlrpc_value *st, element *e)
{
    std::string style;
    if (!(read_double(env, st, "size", e->border.thickness) && read_utf8(env, st, "style", style)))
        return false;
    if (!std::isfinite(e->border.thickness))
        return false;
    e->border.style = table_code(line_style_table, style).value_or(0);
    return true;
}

bool read_picture_part(xmlrpc_env *env, xmlrpc_value *st, element *e)
{
    xmlrpc_value_ptr v;
    if (!member(env, st, "value", v))
        return false;
    size_t len = 0;
    const unsigned char *bytes = nullptr;
    xmlrpc_read_base64(env, v.get(), &len, &bytes);
    if (env->fault_occurred)
        return false;
    std::vector<unsigned char> buf(bytes, bytes + len);
    std::free(const_cast<unsigned char *>(bytes));
    picture_format format = picture_format::eps;
    if (has(env, st, "format")) {
        std::string name;
        if (!read_utf8(env, st, "format", name))
            return false;
        // A format this program does not know: its bytes are kept (drawn
        // as a crossed box).
        format = pic__format_from_name(name).value_or(picture_format::eps);
        if (!pic__format_from_name(name)) {
            e->picture.data = eps__keep_unboxed(std::move(buf));
            ele__update_ratio(e);
            return true;
        }
    }
    if (has(env, st, "file")) {
        std::u16string file;
        if (!read_string(env, st, "file", file))
            return false;
        if (!file.empty())
            e->picture.source = std::move(file);
    }
    // Bytes that are no such picture are kept all the same, so that saving
    // the label writes them back unchanged.
    e->picture.data = pic__load_stored(std::move(buf), format);
    ele__update_ratio(e);
    return true;
}

bool read_barcode_part(xmlrpc_env *env, xmlrpc_value *st, element *e)
{
    std::u16string code;
    std::string style;
    double size = 0;
    if (!(read_string(env, st, "value", code) && read_double(env, st, "size", size) &&
          read_utf8(env, st, "style", style)))
        return false;
    if (!std::isfinite(size))
        return false;
    if (has(env, st, "gs_marks")) {
        bool marks = false;
        if (!read_bool(env, st, "gs_marks", marks))
            return false;
        if (marks)
            code = gs1__stored(code);
    }
    e->barcode.code = std::move(code);
    e->barcode.text = std::fabs(size) > ELE_EPS ? 1 : 0;
    auto t = barcode_code_of(style);
    e->barcode.type = t.value_or(-1);
    if (!t)
        e->barcode.stored_type = stored_name(style);
    return true;
}

// The size: a side not stored is automatic; a stored one must be a finite
// number, not below 0.
bool read_size(xmlrpc_env *env, xmlrpc_value *st, element *e)
{
    double w = -100, h = -100;
    for (auto [key, out] : {std::pair<const char *, double *>{"width", &w}, {"height", &h}}) {
        if (!has(env, st, key))
            continue;
        if (!read_double(env, st, key, *out))
            return false;
        if (!(*out >= 0) || !std::isfinite(*out))
            return false;
    }
    e->width = w;
    e->height = h;
    if (e->width < 0) {
        e->width = -e->width;
        e->width = ele__toggle_auto_width(e);
    }
    if (e->height < 0) {
        e->height = -e->height;
        e->height = ele__toggle_auto_height(e);
    }
    return true;
}

// Reads one element into index 0 of `lab`.  Returns with the fault pending
// when reading must end; a refused element leaves no trace and no fault.
// The label's sheet: lengths in points, as label_sheet holds them.  Every
// member must be there with its type; the sheet must be one sht__check
// finds sound.  Nothing, with `why` set, otherwise.
std::optional<label_sheet> read_sheet(xmlrpc_value *v, std::u16string &why)
{
    ino_env env;
    why = pl__tr(msg::sheet_fields_wrong);
    if (xmlrpc_value_type(v) != XMLRPC_TYPE_STRUCT)
        return std::nullopt;
    label_sheet sh;
    std::u16string brand, part, description, paper;
    std::string shape;
    xmlrpc_value_ptr grids;
    if (!read_string(&env, v, "brand", brand) || !read_string(&env, v, "part", part) ||
        !read_string(&env, v, "description", description) || !read_string(&env, v, "paper", paper) ||
        !read_double(&env, v, "paper_width", sh.paper_width) || !read_double(&env, v, "paper_height", sh.paper_height) ||
        !read_utf8(&env, v, "shape", shape) || !read_double(&env, v, "label_width", sh.label_width) ||
        !read_double(&env, v, "label_height", sh.label_height) || !read_double(&env, v, "corner_radius", sh.radius) ||
        !read_double(&env, v, "hole", sh.hole) || !member(&env, v, "grids", grids) ||
        xmlrpc_value_type(grids.get()) != XMLRPC_TYPE_ARRAY)
        return std::nullopt;
    // Names are short texts: a megabyte of one is no sheet's.
    constexpr std::size_t longest_name = 1000;
    if (brand.size() > longest_name || part.size() > longest_name || description.size() > longest_name ||
        paper.size() > longest_name)
        return std::nullopt;
    sh.brand = plt__to_utf8(brand);
    sh.part = plt__to_utf8(part);
    sh.description = plt__to_utf8(description);
    sh.paper = plt__to_utf8(paper);
    const auto named = std::find(std::begin(sheet_shape_names), std::end(sheet_shape_names), shape);
    if (named == std::end(sheet_shape_names))
        return std::nullopt;
    sh.shape = static_cast<sheet_shape>(named - std::begin(sheet_shape_names));
    const int n = xmlrpc_array_size(&env, grids.get());
    // Each grid holds a label at least: more grids than a sheet's labels
    // are refused before any is read.
    if (env.failed() || n < 1 || n > SHT_MAX_LABELS)
        return std::nullopt;
    for (int i = 0; i < n; ++i) {
        xmlrpc_value *item = nullptr;
        xmlrpc_array_read_item(&env, grids.get(), i, &item);
        xmlrpc_value_ptr hold(item);
        sheet_grid g;
        if (env.failed() || xmlrpc_value_type(item) != XMLRPC_TYPE_STRUCT || !read_int(&env, item, "columns", g.columns) ||
            !read_int(&env, item, "rows", g.rows) || !read_double(&env, item, "left", g.left) ||
            !read_double(&env, item, "top", g.top) || !read_double(&env, item, "across", g.across) ||
            !read_double(&env, item, "down", g.down))
            return std::nullopt;
        sh.grids.push_back(g);
    }
    if (auto wrong = sht__check(sh)) {
        why = *wrong;
        return std::nullopt;
    }
    why.clear();
    return sh;
}

void read_element(xmlrpc_env *env, label *lab, xmlrpc_value *st)
{
    common_fields c;
    if (!read_common(env, st, c))
        return;
    if (!in_range(c.x, 0, lab->width) || !in_range(c.y, 0, lab->height) || !in_range(c.angle, 0, 360))
        return;
    int kind = -1;
    for (int k = 0; k < 4; ++k)
        if (c.type_name == kind_names[k])
            kind = k;
    if (kind < 0)
        return;

    element *e = ele__add(lab, 0);
    e->x = c.x;
    e->y = c.y;
    e->quadrant = anchor_from_stored(c.stored_quadrant);
    e->layer = c.layer;
    e->desc = std::move(c.comment);
    e->angle = c.angle;
    e->disabled = c.enabled ? 0 : 1;
    e->type = kind;
    // A colour without hex digits reads as the default colour: black for an
    // element, as a new element has.
    const std::uint32_t colour = ino__colour_from_string(c.colour).value_or(0);
    bool ok = false;
    switch (kind) {
    case ELE_TEXT:
        e->text.colour = colour;
        ok = read_text_part(env, st, e);
        break;
    case ELE_BORDER:
        e->border.colour = colour;
        ok = read_border_part(env, st, e);
        break;
    case ELE_PICTURE:
        e->picture.colour = colour;
        ok = read_picture_part(env, st, e);
        break;
    case ELE_BARCODE:
        e->barcode.colour = colour;
        ok = read_barcode_part(env, st, e);
        break;
    }
    if (!ok || !read_size(env, st, e))
        ele__remove(lab, 0);
}

} // namespace

std::string ino__colour_to_string(std::uint32_t colour)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", (colour >> 16) & 0xFF, (colour >> 8) & 0xFF,
                  colour & 0xFF);
    return buf;
}

std::optional<std::uint32_t> ino__colour_from_string(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        neg = s[i++] == '-';
    auto hex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    // "%X" takes an optional 0x prefix.
    if (i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') && hex(s[i + 2]))
        i += 2;
    std::uint32_t v = 0;
    std::size_t start = i;
    for (; i < s.size() && hex(s[i]); ++i) {
        char c = s[i];
        int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        v = v * 16 + static_cast<std::uint32_t>(d); // keeps the low 32 bits
    }
    if (i == start)
        return std::nullopt;
    return neg ? static_cast<std::uint32_t>(0u - v) : v;
}

std::optional<std::u16string> ino__unsavable_text(const label *lab)
{
    auto report = [](const std::u16string &where, char32_t c) {
        return msc__format(msg::unsavable_text, pl__tr(where.c_str()), static_cast<unsigned>(c));
    };
    if (char32_t c = ino__unsendable_char(lab->name))
        return report(msg::where_label_name, c);
    if (char32_t c = ino__unsendable_char(lab->desc))
        return report(msg::where_label_desc, c);
    if (lab->sheet)
        for (const std::string *s : {&lab->sheet->brand, &lab->sheet->part, &lab->sheet->description,
                                     &lab->sheet->paper})
            if (char32_t c = ino__unsendable_char(plt__from_utf8(*s)))
                return report(msg::where_label_sheet_name, c);
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (char32_t c = ino__unsendable_char(e->desc))
            return report(msc__format(msg::where_element_desc, i + 1), c);
        auto check = [&](const std::optional<std::u16string> &s,
                         msc__fmt<int, const char16_t *> where) -> std::optional<std::u16string> {
            if (!s)
                return std::nullopt;
            if (char32_t c = ino__unsendable_char(*s))
                return report(msc__format(where, i + 1, e->desc.c_str()), c);
            return std::nullopt;
        };
        std::optional<std::u16string> m;
        if (e->type == ELE_TEXT) {
            if ((m = check(e->text.text, msg::where_element_text)))
                return m;
            if ((m = check(e->text.font, msg::where_element_font)))
                return m;
        } else if (e->type == ELE_BARCODE) {
            // GS is written as its mark (see the writer): a code holding
            // both would not read back as it was.
            std::optional<std::u16string> code = e->barcode.code;
            if (code && code->find(static_cast<char16_t>(GS1_GS)) != std::u16string::npos) {
                if (code->find(GS1_GS_MARK) != std::u16string::npos)
                    return report(msc__format(msg::where_element_code, i + 1, e->desc.c_str()), GS1_GS_MARK);
                code = gs1__shown(*code);
            }
            if ((m = check(code, msg::where_element_code)))
                return m;
        }
    }
    return std::nullopt;
}

std::optional<std::u16string> ino__unsavable_number(const label *lab)
{
    auto bad = [](double v) { return !std::isfinite(v); };
    auto report = [](const std::u16string &where, double v) {
        return msc__format(msg::unsavable_number, pl__tr(where.c_str()),
                           std::isnan(v) ? "NaN" : v > 0 ? "+inf" : "-inf");
    };
    if (bad(lab->width))
        return report(msg::where_label_width, lab->width);
    if (bad(lab->height))
        return report(msg::where_label_height, lab->height);
    if (const std::optional<label_sheet> &sh = lab->sheet) {
        std::vector<double> numbers = {sh->paper_width, sh->paper_height, sh->label_width, sh->label_height,
                                       sh->radius, sh->hole};
        for (const sheet_grid &g : sh->grids)
            numbers.insert(numbers.end(), {g.left, g.top, g.across, g.down});
        for (double v : numbers)
            if (bad(v))
                return report(msg::where_label_sheet, v);
    }
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        const struct {
            double v;
            msc__fmt<int, const char16_t *> where;
        } numbers[] = {
            {e->x, msg::where_element_x},
            {e->y, msg::where_element_y},
            {e->angle, msg::where_element_angle},
            {e->width, msg::where_element_width},
            {e->height, msg::where_element_height},
            {e->type == ELE_TEXT ? e->text.size : 0.0, msg::where_element_font_size},
            {e->type == ELE_BORDER ? e->border.thickness : 0.0, msg::where_element_thickness},
        };
        for (const auto &[v, where] : numbers)
            if (bad(v))
                return report(msc__format(where, i + 1, e->desc.c_str()), v);
    }
    return std::nullopt;
}

std::optional<std::u16string> ino__unsavable(const label *lab)
{
    if (auto m = ino__unsavable_text(lab))
        return m;
    return ino__unsavable_number(lab);
}

xmlrpc_value *ino__label_to_value(const label *lab, xmlrpc_env *env)
{
    // The library's number formatter must never see infinity or NaN (it
    // overflows its stack on infinity and writes NaN as 0).
    if (auto m = ino__unsavable_number(lab)) {
        xmlrpc_env_set_fault(env, XMLRPC_TYPE_ERROR, plt__to_ansi(*m).c_str());
        return nullptr;
    }
    if (auto m = ino__unsavable_text(lab)) {
        xmlrpc_env_set_fault(env, XMLRPC_INVALID_UTF8_ERROR, plt__to_ansi(*m).c_str());
        return nullptr;
    }
    c_numeric_scope c_locale;
    writer w{env};
    xmlrpc_value *fields = xmlrpc_array_new(env);
    if (env->fault_occurred)
        return nullptr;
    try {
        for (int i = 0; i < lab->qty; ++i) {
            const element *e = lab->es[i];
            if (e->type < ELE_TEXT || e->type > ELE_BARCODE)
                continue; // no stored form exists for another kind
            xmlrpc_value_ptr st(w.element_struct(e, i));
            xmlrpc_array_append_item(env, fields, st.get());
            w.check();
        }
    } catch (const writer::refused &) {
        xmlrpc_DECREF(fields);
        return nullptr;
    }
    // Only this last step may end without a value, the fault left pending.
    std::string name = plt__to_utf8(lab->name), desc = plt__to_utf8(lab->desc);
    std::string bg = ino__colour_to_string(lab->bgcolor);
    xmlrpc_value *name_v = xmlrpc_string_new_lp_cr(env, name.size(), name.data());
    xmlrpc_value *desc_v = env->fault_occurred ? nullptr
                                               : xmlrpc_string_new_lp_cr(env, desc.size(), desc.data());
    xmlrpc_value *result = nullptr;
    if (!env->fault_occurred)
        result = xmlrpc_build_value(env, "{s:V,s:V,s:d,s:d,s:s,s:V}", "name", name_v, "desc",
                                    desc_v, "width", lab->width, "height", lab->height, "bgcolor",
                                    bg.c_str(), "fields", fields);
    if (name_v)
        xmlrpc_DECREF(name_v);
    if (desc_v)
        xmlrpc_DECREF(desc_v);
    xmlrpc_DECREF(fields);
    // The sheet after every other member, and only for a label that has
    // one: a label without stays as it has always been written.
    if (!env->fault_occurred && lab->sheet) {
        try {
            xmlrpc_value_ptr sheet(w.sheet_struct(*lab->sheet));
            w.set(result, "sheet", sheet.release());
        } catch (const writer::refused &) {
        }
    }
    if (env->fault_occurred && result) {
        xmlrpc_DECREF(result);
        result = nullptr;
    }
    return env->fault_occurred ? nullptr : result;
}

label_ptr ino__value_to_label(xmlrpc_env *env, xmlrpc_value *value, bool param_array, std::u16string *sheet_dropped)
{
    c_numeric_scope c_locale;
    xmlrpc_value_ptr item_holder;
    xmlrpc_value *st = value;
    if (param_array) {
        int n = xmlrpc_array_size(env, value);
        if (env->fault_occurred)
            return nullptr;
        if (n != 1)
            return nullptr;
        xmlrpc_value *item = nullptr;
        xmlrpc_array_read_item(env, value, 0, &item);
        if (env->fault_occurred)
            return nullptr;
        item_holder.reset(item);
        st = item;
    }
    std::u16string name, desc;
    double width = 0, height = 0;
    xmlrpc_value_ptr fields;
    if (!read_string(env, st, "name", name) || !read_string(env, st, "desc", desc) ||
        !read_double(env, st, "width", width) || !read_double(env, st, "height", height) ||
        !member(env, st, "fields", fields))
        return nullptr;
    std::string bg = "FFFFFF";
    if (has(env, st, "bgcolor") && !read_utf8(env, st, "bgcolor", bg))
        return nullptr;
    if (env->fault_occurred)
        return nullptr;
    // A label of negative or unmeasurable size could hold no element at all:
    // refuse it rather than drop every element silently.
    if (!(width >= 0) || !(height >= 0) || !std::isfinite(width) || !std::isfinite(height))
        return nullptr;

    label_ptr lab = ele__label_new(width, height);
    lab->name = std::move(name);
    lab->desc = std::move(desc);
    lab->bgcolor = ino__colour_from_string(bg).value_or(0xFFFFFF);

    int n = xmlrpc_array_size(env, fields.get());
    if (env->fault_occurred)
        return nullptr;
    for (int i = 0; i < n; ++i) {
        xmlrpc_value *item = nullptr;
        xmlrpc_array_read_item(env, fields.get(), i, &item);
        if (env->fault_occurred)
            return nullptr;
        xmlrpc_value_ptr hold(item);
        read_element(env, lab.get(), item);
        if (env->fault_occurred)
            return nullptr;
    }
    std::stable_sort(lab->es, lab->es + lab->qty,
                     [](const element *a, const element *b) { return a->layer < b->layer; });
    if (has(env, st, "sheet")) {
        xmlrpc_value_ptr sheet;
        std::u16string why;
        if (member(env, st, "sheet", sheet))
            lab->sheet = read_sheet(sheet.get(), why);
        if (env->fault_occurred)
            return nullptr;
        if (!lab->sheet && sheet_dropped)
            *sheet_dropped = why;
    }
    return lab;
}

namespace {

// Bytes an EPS file of `n` bytes takes in a label document: base64 (four
// characters for three bytes) with the writer's line breaks.
std::uint64_t encoded_picture(std::uint64_t n)
{
    const std::uint64_t chars = (n + 2) / 3 * 4;
    return chars + chars / 76 * 2 + 64;
}

// About what a label's document holds besides pictures: every element's
// members with their texts (as UTF-8, escaped at worst six times over).
std::uint64_t encoded_rest(const label *lab)
{
    std::uint64_t n = 1024 + 6 * (lab->name.size() + lab->desc.size());
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        n += 1024 + 6 * e->desc.size();
        if (e->type == ELE_TEXT && e->text.text)
            n += 6 * e->text.text->size();
        if (e->type == ELE_BARCODE && e->barcode.code)
            n += 6 * e->barcode.code->size();
    }
    return n;
}

// Mebibytes with one decimal, a comma before it as Russian writes (and
// whatever the C locale says).
// About the bytes of the label's document, `left_out`'s picture not counted.
std::uint64_t stored_size(const label *lab, const element *left_out)
{
    std::uint64_t used = encoded_rest(lab);
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (e != left_out && e->type == ELE_PICTURE && e->picture.data)
            used += encoded_picture(e->picture.data->data.size());
    }
    return used;
}

std::u16string mib(std::uint64_t bytes)
{
    const std::uint64_t tenths = (bytes * 10 + (1u << 19)) >> 20;
    const std::string s = std::to_string(tenths / 10) + "," + std::to_string(tenths % 10);
    return std::u16string(s.begin(), s.end());
}

} // namespace

std::uint64_t ino__picture_room(const label *lab, const element *replaced)
{
    const std::uint64_t used = stored_size(lab, replaced) + (replaced ? 0 : 1024);
    if (used >= INO_XML_SIZE_LIMIT)
        return 0;
    // The largest n whose encoding fits what is left.
    const std::uint64_t left = INO_XML_SIZE_LIMIT - used;
    std::uint64_t n = left / 78 * 57;
    while (n > 0 && encoded_picture(n) > left)
        n -= std::min<std::uint64_t>(n, 57);
    return n;
}

bool ino__document_size_ok(xmlrpc_env *env, const label *lab, std::size_t size)
{
    if (size <= INO_XML_SIZE_LIMIT)
        return true;
    const std::u16string m = msc__format(msg::label_too_large, lab->name.c_str(), mib(size).c_str(),
                                         static_cast<int>(INO_XML_SIZE_LIMIT >> 20));
    xmlrpc_env_set_fault(env, XMLRPC_LIMIT_EXCEEDED_ERROR, plt__to_ansi(m).c_str());
    return false;
}

std::optional<std::u16string> ino__picture_refusal(const label *lab, const element *replaced,
                                                   const std::u16string &path, std::uint64_t size)
{
    const std::uint64_t room = ino__picture_room(lab, replaced);
    if (size <= room)
        return std::nullopt;
    return msc__format(msg::picture_too_large, path.c_str(), mib(size).c_str(), mib(room).c_str(),
                       static_cast<int>(INO_XML_SIZE_LIMIT >> 20));
}

std::optional<std::u16string> ino__too_large_to_send(const label *lab)
{
    const std::uint64_t used = stored_size(lab, nullptr);
    if (used <= INO_XML_SIZE_LIMIT)
        return std::nullopt;
    return msc__format(msg::label_too_large, lab->name.c_str(), mib(used).c_str(),
                       static_cast<int>(INO_XML_SIZE_LIMIT >> 20));
}
