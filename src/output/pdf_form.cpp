#include "output/pdf_form.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

namespace {

// What a picture's PDF may hold at most.
constexpr int max_depth = 64;
constexpr std::size_t max_values = 500000;
constexpr std::size_t max_objects = 100000;
constexpr int max_xref_sections = 16;
constexpr int max_tree_depth = 32;

// One PDF value, as much of it as copying needs: numbers, names, strings
// and booleans keep the bytes they were written with.
struct pv {
    enum kind_t { null_v, atom, number, name, array, dict, ref } kind = null_v;
    std::string raw;
    double num = 0;
    std::vector<pv> items; // array items; dict: key, value, key, value, …
    long obj = 0;          // ref: the object's number

    const pv *get(std::string_view key) const
    {
        if (kind != dict)
            return nullptr;
        for (std::size_t i = 0; i + 1 < items.size(); i += 2)
            if (items[i].raw == key)
                return &items[i + 1];
        return nullptr;
    }
    bool is_name(std::string_view n) const { return kind == name && raw == n; }
};

bool is_space(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}
bool is_delimiter(char c)
{
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
           c == '/' || c == '%';
}
bool is_regular(char c)
{
    return !is_space(c) && !is_delimiter(c);
}
bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads PDF tokens and values from a part of the bytes.
class lexer {
public:
    lexer(std::string_view s, std::size_t pos, std::size_t *budget) : s_(s), pos_(pos), budget_(budget) {}

    std::size_t pos() const { return pos_; }
    void seek(std::size_t p) { pos_ = p; }
    bool at_end()
    {
        skip();
        return pos_ >= s_.size();
    }

    void skip()
    {
        while (pos_ < s_.size()) {
            if (is_space(s_[pos_]))
                ++pos_;
            else if (s_[pos_] == '%')
                while (pos_ < s_.size() && s_[pos_] != '\n' && s_[pos_] != '\r')
                    ++pos_;
            else
                break;
        }
    }

    // A bare word (obj, stream, trailer, R …) next, consumed when it is.
    bool keyword(std::string_view k)
    {
        skip();
        if (s_.compare(pos_, k.size(), k) != 0)
            return false;
        if (pos_ + k.size() < s_.size() && is_regular(s_[pos_ + k.size()]))
            return false;
        pos_ += k.size();
        return true;
    }

    // A whole number that is not negative.
    bool integer(long long &out)
    {
        skip();
        const std::size_t start = pos_;
        while (pos_ < s_.size() && is_digit(s_[pos_]))
            ++pos_;
        if (pos_ == start || pos_ - start > 15 || (pos_ < s_.size() && is_regular(s_[pos_]))) {
            pos_ = start;
            return false;
        }
        std::from_chars(s_.data() + start, s_.data() + pos_, out);
        return true;
    }

    bool value(pv &out, int depth = 0)
    {
        if (depth > max_depth || !budget_ || *budget_ == 0)
            return false;
        --*budget_;
        skip();
        if (pos_ >= s_.size())
            return false;
        const char c = s_[pos_];
        const std::size_t start = pos_;
        if (c == '/') {
            ++pos_;
            while (pos_ < s_.size() && is_regular(s_[pos_]))
                ++pos_;
            out.kind = pv::name;
            out.raw.assign(s_.substr(start, pos_ - start));
            return true;
        }
        if (c == '(')
            return literal(out);
        if (c == '<') {
            if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '<') {
                pos_ += 2;
                out.kind = pv::dict;
                for (;;) {
                    skip();
                    if (s_.compare(pos_, 2, ">>") == 0) {
                        pos_ += 2;
                        return true;
                    }
                    pv key, v;
                    if (!value(key, depth + 1) || key.kind != pv::name || !value(v, depth + 1))
                        return false;
                    out.items.push_back(std::move(key));
                    out.items.push_back(std::move(v));
                }
            }
            ++pos_;
            while (pos_ < s_.size() && s_[pos_] != '>') {
                const char h = s_[pos_];
                if (!is_space(h) && !std::isxdigit(static_cast<unsigned char>(h)))
                    return false;
                ++pos_;
            }
            if (pos_ >= s_.size())
                return false;
            ++pos_;
            out.kind = pv::atom;
            out.raw.assign(s_.substr(start, pos_ - start));
            return true;
        }
        if (c == '[') {
            ++pos_;
            out.kind = pv::array;
            for (;;) {
                skip();
                if (pos_ < s_.size() && s_[pos_] == ']') {
                    ++pos_;
                    return true;
                }
                pv v;
                if (!value(v, depth + 1))
                    return false;
                out.items.push_back(std::move(v));
            }
        }
        if (is_digit(c) || c == '+' || c == '-' || c == '.')
            return number_or_ref(out);
        for (std::string_view k : {"true", "false"})
            if (keyword(k)) {
                out.kind = pv::atom;
                out.raw.assign(k);
                return true;
            }
        if (keyword("null")) {
            out.kind = pv::null_v;
            return true;
        }
        return false;
    }

private:
    bool literal(pv &out)
    {
        const std::size_t start = pos_;
        int nesting = 0;
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '\\') {
                ++pos_;
            } else if (c == '(') {
                ++nesting;
            } else if (c == ')' && --nesting == 0) {
                out.kind = pv::atom;
                out.raw.assign(s_.substr(start, pos_ - start));
                return true;
            }
        }
        return false;
    }

    bool number_or_ref(pv &out)
    {
        const std::size_t start = pos_;
        if (s_[pos_] == '+' || s_[pos_] == '-')
            ++pos_;
        bool digits = false, dot = false;
        while (pos_ < s_.size() && (is_digit(s_[pos_]) || (s_[pos_] == '.' && !dot))) {
            dot = dot || s_[pos_] == '.';
            digits = digits || s_[pos_] != '.';
            ++pos_;
        }
        if (!digits || pos_ - start > 64 || (pos_ < s_.size() && is_regular(s_[pos_])))
            return false;
        std::string text(s_.substr(start, pos_ - start));
        if (text[0] == '+')
            text.erase(0, 1);
        double v = 0;
        const char *b = text.data(), *e = text.data() + text.size();
        if (*b == '.' || (*b == '-' && b + 1 < e && b[1] == '.')) {
            // from_chars wants a digit before the point.
            text.insert(text[0] == '-' ? 1 : 0, "0");
            b = text.data();
            e = text.data() + text.size();
        }
        if (std::from_chars(b, e, v).ec != std::errc() || !std::isfinite(v))
            return false;
        out.kind = pv::number;
        out.num = v;
        out.raw.assign(s_.substr(start, pos_ - start));
        // "N G R" is a reference.
        if (!dot && s_[start] != '-' && s_[start] != '+') {
            const std::size_t after = pos_;
            long long gen = 0;
            if (integer(gen) && keyword("R")) {
                out.kind = pv::ref;
                out.obj = static_cast<long>(std::min(v, 1e9));
                out.raw.clear();
                return true;
            }
            pos_ = after;
        }
        return true;
    }

    std::string_view s_;
    std::size_t pos_;
    std::size_t *budget_;
};

// An object of the file: its value and, for a stream, its bytes.
struct pdf_object {
    pv value;
    bool is_stream = false;
    std::string_view data;
};

// A whole PDF file, its objects read when asked for.
class pdf_reader {
public:
    explicit pdf_reader(std::string_view s) : s_(s) {}

    bool open(std::string &error)
    {
        const std::size_t from = s_.size() > 1024 ? s_.size() - 1024 : 0;
        const std::size_t at = s_.rfind("startxref");
        if (at == std::string_view::npos || at < from) {
            error = "no startxref at the end";
            return false;
        }
        lexer l(s_, at + 9, &budget_);
        long long xref = 0;
        if (!l.integer(xref)) {
            error = "startxref without an offset";
            return false;
        }
        std::set<long long> seen;
        bool first = true;
        for (int section = 0;; ++section) {
            if (section >= max_xref_sections || !seen.insert(xref).second) {
                error = "too many or looping cross-reference sections";
                return false;
            }
            pv trailer;
            if (!read_xref(static_cast<std::size_t>(std::max(0LL, xref)), xref < 0, trailer, error))
                return false;
            if (trailer.get("/Encrypt")) {
                error = "encrypted";
                return false;
            }
            if (trailer.get("/XRefStm")) {
                error = "cross-reference streams";
                return false;
            }
            if (first)
                trailer_ = trailer;
            first = false;
            const pv *prev = trailer.get("/Prev");
            if (!prev)
                break;
            if (prev->kind != pv::number || prev->num < 0 || prev->num >= static_cast<double>(s_.size())) {
                error = "a bad /Prev";
                return false;
            }
            xref = static_cast<long long>(prev->num);
        }
        return true;
    }

    const pv &trailer() const { return trailer_; }

    // The object of that number, or null when the file has none.
    const pdf_object *object(long number, std::string &error)
    {
        if (auto it = cache_.find(number); it != cache_.end())
            return &it->second;
        const auto at = offsets_.find(number);
        if (at == offsets_.end())
            return nullptr;
        if (cache_.size() >= max_objects) {
            error = "too many objects";
            return nullptr;
        }
        pdf_object o;
        if (!read_object(number, at->second, o, error))
            return nullptr;
        return &cache_.emplace(number, std::move(o)).first->second;
    }

    // A value that may be a reference, followed once.
    const pv *resolved(const pv *v, std::string &error)
    {
        if (!v || v->kind != pv::ref)
            return v;
        const pdf_object *o = object(v->obj, error);
        return o ? &o->value : nullptr;
    }

private:
    bool read_xref(std::size_t at, bool negative, pv &trailer, std::string &error)
    {
        if (negative || at >= s_.size()) {
            error = "cross-references outside the file";
            return false;
        }
        lexer l(s_, at, &budget_);
        if (!l.keyword("xref")) {
            error = "cross-references are not a table";
            return false;
        }
        while (!l.keyword("trailer")) {
            long long first = 0, count = 0;
            if (!l.integer(first) || !l.integer(count) || first > 100000000 || count > 100000000 ||
                static_cast<std::size_t>(count) > (s_.size() - std::min(s_.size(), l.pos())) / 18) {
                error = "a bad cross-reference table";
                return false;
            }
            for (long long i = 0; i < count; ++i) {
                long long offset = 0, gen = 0;
                if (!l.integer(offset) || !l.integer(gen)) {
                    error = "a bad cross-reference entry";
                    return false;
                }
                const bool used = l.keyword("n");
                if (!used && !l.keyword("f")) {
                    error = "a bad cross-reference entry";
                    return false;
                }
                const long number = static_cast<long>(first + i);
                // Newer sections come first and win.
                if (used && gen == 0 && offset < static_cast<long long>(s_.size()) && !offsets_.count(number))
                    offsets_[number] = static_cast<std::size_t>(offset);
                else if (!used && !offsets_.count(number))
                    offsets_[number] = npos;
            }
        }
        if (!l.value(trailer) || trailer.kind != pv::dict) {
            error = "a bad trailer";
            return false;
        }
        return true;
    }

    bool read_object(long number, std::size_t at, pdf_object &o, std::string &error)
    {
        if (at == npos)
            return false;
        lexer l(s_, at, &budget_);
        long long n = 0, gen = 0;
        if (!l.integer(n) || !l.integer(gen) || n != number || !l.keyword("obj") || !l.value(o.value)) {
            error = "object " + std::to_string(number) + " is damaged";
            return false;
        }
        if (!l.keyword("stream"))
            return true;
        std::size_t p = l.pos();
        if (p < s_.size() && s_[p] == '\r')
            ++p;
        if (p < s_.size() && s_[p] == '\n')
            ++p;
        const pv *length = o.value.get("/Length");
        if (length && length->kind == pv::ref) {
            if (length->obj == number || reading_length_) {
                error = "object " + std::to_string(number) + " has a bad length";
                return false;
            }
            reading_length_ = true;
            const pdf_object *lo = object(length->obj, error);
            reading_length_ = false;
            length = lo ? &lo->value : nullptr;
        }
        if (!length || length->kind != pv::number || length->num < 0 ||
            length->num > static_cast<double>(s_.size() - p)) {
            error = "object " + std::to_string(number) + " has a bad length";
            return false;
        }
        const std::size_t len = static_cast<std::size_t>(length->num);
        lexer end(s_, p + len, &budget_);
        if (!end.keyword("endstream")) {
            error = "object " + std::to_string(number) + " does not end where its length says";
            return false;
        }
        o.is_stream = true;
        o.data = s_.substr(p, len);
        return true;
    }

    static constexpr std::size_t npos = std::size_t(-1);
    std::string_view s_;
    std::size_t budget_ = max_values;
    std::unordered_map<long, std::size_t> offsets_;
    std::unordered_map<long, pdf_object> cache_;
    pv trailer_;
    bool reading_length_ = false;
};

// Numbers as PDF writes them: no exponent.
std::string real(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10f", std::abs(v) < 1e-10 ? 0.0 : v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

} // namespace

// A copied object: references in it are to other copied objects, by their
// place in the form's list.
struct pdf_copy {
    pv value;
    bool is_stream = false;
    std::string data;
};

struct pdf_form {
    double box[4] = {0, 0, 1, 1};
    pv resources;
    pv group;           // null when the page has none
    pv filter, parms;   // of the content
    std::string content;
    std::vector<pdf_copy> objects;
};

namespace {

// Copies what values reach into a form, references renumbered to the
// form's own list.  Objects are taken one after the other from a queue, so
// a long chain of references costs no stack.
class copier {
public:
    copier(pdf_reader &r, pdf_form &f) : r_(r), f_(f) {}

    // `v` with its references renumbered, and everything they reach copied.
    bool copy(pv &v, std::string &error)
    {
        if (!renumber(v, error, 0))
            return false;
        while (next_ < f_.objects.size()) {
            const std::size_t i = next_++;
            pv value = f_.objects[i].value;
            if (!renumber(value, error, 0))
                return false;
            f_.objects[i].value = std::move(value);
        }
        return true;
    }

private:
    bool renumber(pv &v, std::string &error, int depth)
    {
        if (depth > max_depth) {
            error = "nested too deep";
            return false;
        }
        if (v.kind == pv::ref) {
            long local = 0;
            if (!take(v.obj, local, error))
                return false;
            if (local < 0)
                v = pv{}; // a reference to nothing is null
            else
                v.obj = local;
            return true;
        }
        for (pv &item : v.items)
            if (!renumber(item, error, depth + 1))
                return false;
        return true;
    }

    // The object's place in the form's list (-1: no such object), queued
    // for copying when first met.
    bool take(long number, long &local, std::string &error)
    {
        if (auto it = map_.find(number); it != map_.end()) {
            local = it->second;
            return true;
        }
        std::string why;
        const pdf_object *o = r_.object(number, why);
        if (!o) {
            if (!why.empty()) {
                error = why;
                return false;
            }
            local = -1;
            map_[number] = -1;
            return true;
        }
        if (const pv *type = o->value.get("/Type");
            type && (type->is_name("/Page") || type->is_name("/Pages") || type->is_name("/Catalog"))) {
            error = "the resources reach the page tree";
            return false;
        }
        if (f_.objects.size() >= max_objects) {
            error = "too many objects";
            return false;
        }
        local = static_cast<long>(f_.objects.size());
        map_[number] = local;
        pdf_copy c;
        c.value = o->value;
        c.is_stream = o->is_stream;
        c.data.assign(o->data);
        f_.objects.push_back(std::move(c));
        return true;
    }

    pdf_reader &r_;
    pdf_form &f_;
    std::unordered_map<long, long> map_;
    std::size_t next_ = 0;
};

bool box_of(const pv *v, double out[4])
{
    if (!v || v->kind != pv::array || v->items.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (v->items[static_cast<std::size_t>(i)].kind != pv::number)
            return false;
        out[i] = v->items[static_cast<std::size_t>(i)].num;
    }
    if (out[0] > out[2])
        std::swap(out[0], out[2]);
    if (out[1] > out[3])
        std::swap(out[1], out[3]);
    return out[2] - out[0] > 1e-6 && out[3] - out[1] > 1e-6 && std::abs(out[0]) < 1e7 && std::abs(out[1]) < 1e7 &&
           std::abs(out[2]) < 1e7 && std::abs(out[3]) < 1e7;
}

void put(std::string &out, const pv &v, long base)
{
    switch (v.kind) {
    case pv::null_v:
        out += "null";
        break;
    case pv::atom:
    case pv::number:
    case pv::name:
        out += v.raw;
        break;
    case pv::ref:
        out += std::to_string(base + v.obj) + " 0 R";
        break;
    case pv::array:
        out += '[';
        for (std::size_t i = 0; i < v.items.size(); ++i) {
            if (i)
                out += ' ';
            put(out, v.items[i], base);
        }
        out += ']';
        break;
    case pv::dict:
        out += "<<";
        for (std::size_t i = 0; i + 1 < v.items.size(); i += 2) {
            out += v.items[i].raw;
            out += ' ';
            put(out, v.items[i + 1], base);
            out += '\n';
        }
        out += ">>";
        break;
    }
}

// A stream object's dictionary with its length as it now is.
void put_stream(std::string &out, const pv &dict, std::size_t length, long base)
{
    out += "<<";
    for (std::size_t i = 0; i + 1 < dict.items.size(); i += 2) {
        if (dict.items[i].raw == "/Length")
            continue;
        out += dict.items[i].raw;
        out += ' ';
        put(out, dict.items[i + 1], base);
        out += '\n';
    }
    out += "/Length " + std::to_string(length) + ">>\nstream\n";
}

} // namespace

std::shared_ptr<const pdf_form> out__pdf_form(std::string_view pdf, std::string &error)
{
    pdf_reader r(pdf);
    if (!r.open(error))
        return nullptr;
    const pv *root = r.resolved(r.trailer().get("/Root"), error);
    const pv *node = root ? r.resolved(root->get("/Pages"), error) : nullptr;
    if (!node) {
        if (error.empty())
            error = "no page tree";
        return nullptr;
    }
    // Down to the first page; resources, boxes and turn are inherited.
    const pv *resources = nullptr, *media = nullptr, *crop = nullptr, *rotate = nullptr;
    for (int depth = 0;; ++depth) {
        if (depth > max_tree_depth || node->kind != pv::dict) {
            error = "a bad page tree";
            return nullptr;
        }
        if (const pv *v = node->get("/Resources"))
            resources = v;
        if (const pv *v = node->get("/MediaBox"))
            media = v;
        if (const pv *v = node->get("/CropBox"))
            crop = v;
        if (const pv *v = node->get("/Rotate"))
            rotate = v;
        const pv *kids = r.resolved(node->get("/Kids"), error);
        const pv *type = node->get("/Type");
        if (!kids || (type && type->is_name("/Page")))
            break;
        if (kids->kind != pv::array || kids->items.empty()) {
            error = "a page tree without pages";
            return nullptr;
        }
        node = r.resolved(&kids->items[0], error);
        if (!node) {
            if (error.empty())
                error = "a missing page";
            return nullptr;
        }
    }
    const pv *page = node;
    auto form = std::make_shared<pdf_form>();
    double box[4];
    if (!box_of(r.resolved(media, error), form->box)) {
        error = "the page has no usable /MediaBox";
        return nullptr;
    }
    if (box_of(r.resolved(crop, error), box)) {
        // The part of the media box the crop box keeps.
        form->box[0] = std::max(form->box[0], box[0]);
        form->box[1] = std::max(form->box[1], box[1]);
        form->box[2] = std::min(form->box[2], box[2]);
        form->box[3] = std::min(form->box[3], box[3]);
        if (!(form->box[2] - form->box[0] > 1e-6 && form->box[3] - form->box[1] > 1e-6)) {
            error = "the crop box leaves nothing";
            return nullptr;
        }
    }
    if (const pv *rot = r.resolved(rotate, error);
        rot && (rot->kind != pv::number || std::fmod(std::abs(rot->num), 360.0) != 0)) {
        error = "a turned page";
        return nullptr;
    }

    // The content, as one stream.
    const pv *contents = page->get("/Contents");
    std::vector<const pdf_object *> parts;
    std::vector<const pv *> refs;
    if (contents && contents->kind == pv::array)
        for (const pv &item : contents->items)
            refs.push_back(&item);
    else if (contents)
        refs.push_back(contents);
    for (const pv *ref : refs) {
        if (ref->kind != pv::ref) {
            error = "content that is not a stream";
            return nullptr;
        }
        const pdf_object *o = r.object(ref->obj, error);
        if (!o || !o->is_stream) {
            if (error.empty())
                error = "content that is not a stream";
            return nullptr;
        }
        parts.push_back(o);
    }
    if (parts.size() == 1) {
        if (const pv *f = parts[0]->value.get("/Filter"))
            form->filter = *f;
        if (const pv *d = parts[0]->value.get("/DecodeParms"))
            form->parms = *d;
        form->content.assign(parts[0]->data);
    } else {
        for (const pdf_object *o : parts) {
            if (o->value.get("/Filter")) {
                error = "content in several packed streams";
                return nullptr;
            }
            form->content.append(o->data);
            form->content += '\n';
        }
    }

    if (const pv *res = r.resolved(resources, error))
        form->resources = *res;
    else if (!error.empty())
        return nullptr;
    if (form->resources.kind != pv::dict && form->resources.kind != pv::null_v) {
        error = "resources that are not a dictionary";
        return nullptr;
    }
    if (const pv *g = r.resolved(page->get("/Group"), error))
        form->group = *g;
    copier c(r, *form);
    if (!c.copy(form->resources, error) || !c.copy(form->group, error) || !c.copy(form->filter, error) ||
        !c.copy(form->parms, error))
        return nullptr;
    return form;
}

std::size_t out__pdf_form_objects(const pdf_form &form)
{
    return form.objects.size();
}


std::array<double, 4> out__pdf_form_box(const pdf_form &form)
{
    return {form.box[0], form.box[1], form.box[2], form.box[3]};
}

std::string out__pdf_form_body(const pdf_form &f, long base)
{
    const double w = f.box[2] - f.box[0], h = f.box[3] - f.box[1];
    // The image's unit square is where the form's box goes.
    std::string out = "<</Type /XObject\n/Subtype /Form\n/FormType 1\n/BBox [" + real(f.box[0]) + " " +
                      real(f.box[1]) + " " + real(f.box[2]) + " " + real(f.box[3]) + "]\n/Matrix [" + real(1 / w) +
                      " 0 0 " + real(1 / h) + " " + real(-f.box[0] / w) + " " + real(-f.box[1] / h) +
                      "]\n/Resources ";
    if (f.resources.kind == pv::dict)
        put(out, f.resources, base);
    else
        out += "<<>>";
    if (f.group.kind == pv::dict) {
        out += "\n/Group ";
        put(out, f.group, base);
    }
    if (f.filter.kind != pv::null_v) {
        out += "\n/Filter ";
        put(out, f.filter, base);
    }
    if (f.parms.kind != pv::null_v) {
        out += "\n/DecodeParms ";
        put(out, f.parms, base);
    }
    out += "\n/Length " + std::to_string(f.content.size()) + ">>\nstream\n";
    out += f.content;
    out += "\nendstream";
    return out;
}

std::string out__pdf_form_object_body(const pdf_form &form, std::size_t i, long base)
{
    const pdf_copy &c = form.objects.at(i);
    std::string out;
    if (c.is_stream) {
        put_stream(out, c.value, c.data.size(), base);
        out += c.data;
        out += "\nendstream";
    } else {
        put(out, c.value, base);
    }
    return out;
}

bool out__pdf_image_size(std::string_view bytes, std::size_t at, long long &width, long long &height)
{
    std::size_t budget = 4096;
    lexer l(bytes, at, &budget);
    pv v;
    if (!l.value(v) || v.kind != pv::dict)
        return false;
    const pv *subtype = v.get("/Subtype"), *w = v.get("/Width"), *h = v.get("/Height");
    if (!subtype || !subtype->is_name("/Image") || !w || !h || w->kind != pv::number || h->kind != pv::number)
        return false;
    width = static_cast<long long>(w->num);
    height = static_cast<long long>(h->num);
    return true;
}

bool out__pdf_last_trailer(std::string_view tail, pdf_trailer &t)
{
    const std::size_t sx = tail.rfind("startxref");
    const std::size_t tr = sx == std::string_view::npos ? sx : tail.rfind("trailer", sx);
    if (tr == std::string_view::npos)
        return false;
    std::size_t budget = 4096;
    lexer l(tail, tr + 7, &budget), lx(tail, sx + 9, &budget);
    pv trailer;
    long long start = 0;
    if (!l.value(trailer) || trailer.kind != pv::dict || !lx.integer(start))
        return false;
    const pv *size = trailer.get("/Size"), *root = trailer.get("/Root"), *info = trailer.get("/Info");
    if (!size || size->kind != pv::number || size->num < 1 || size->num > 1e9 || !root || root->kind != pv::ref)
        return false;
    t.size = static_cast<long>(size->num);
    t.root = root->obj;
    t.info = info && info->kind == pv::ref ? info->obj : -1;
    t.id.clear();
    if (const pv *id = trailer.get("/ID"))
        put(t.id, *id, 0);
    t.startxref = start;
    return true;
}
