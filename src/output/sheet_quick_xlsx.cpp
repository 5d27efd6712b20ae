#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "model/misc.h"
#include "output/spreadsheet_parts.h"
#include "output/spreadsheet_table.h"
#include "output/zip_package.h"
#include "platform/translation.h"

namespace {

// Where `c` is in `s` from `from` on: a loop, which beats a call to
// memchr over the few bytes of a tag.
inline std::size_t small_find(std::string_view s, char c, std::size_t from = 0)
{
    for (std::size_t i = from; i < s.size(); ++i)
        if (s[i] == c)
            return i;
    return std::string_view::npos;
}

// An .xlsx sheet as spreadsheet programs write it (UTF-8, the five entities
// and character references, no CDATA) read without Qt's general reader,
// which costs ten times a CSV file.  Whatever lies outside that subset
// (another encoding, CDATA, an unknown entity, bytes that are not UTF-8, a
// DOCTYPE, XML that does not close) makes it give up: the sheet is then read
// again from its start by xlsx_stream, which says what is wrong.
class fast_xlsx_stream final : public sheet_stream {
public:
    fast_xlsx_stream(const spreadsheet_book &book, std::unique_ptr<zip_part> part)
        : b_(book), part_(std::move(part))
    {
    }

    result next(std::vector<std::u16string> &cells, long &line, csv_problem &problem) override
    {
        // The cells keep their strings from row to row, emptied: most rows
        // are as wide as the one before, and their texts as long.
        for (std::u16string &c : cells)
            c.clear();
        used_ = 0;
        const result r = next_row(cells, line, problem);
        cells.resize(used_);
        return r;
    }

private:
    enum kind { k_start, k_end, k_empty, k_text, k_eof, k_bad };

    result next_row(std::vector<std::u16string> &cells, long &line, csv_problem &problem)
    {
        cur_ = last_ + 1;
        if (!started_) {
            started_ = true;
            if (!prolog(problem))
                return stop();
            for (;;) {
                const kind k = token(problem);
                if (k == k_bad)
                    return stop();
                if (k == k_eof)
                    return fallback();
                if (k == k_start && named("sheetData"))
                    break;
                if (k == k_empty && named("sheetData"))
                    return end;
            }
        }
        for (;;) {
            const kind k = token(problem);
            if (k == k_bad)
                return stop();
            if (k == k_eof)
                return fallback();
            if (k == k_end && named("sheetData"))
                return end;
            if ((k == k_start || k == k_empty) && named("row")) {
                const long r = number(attr("r"), last_ + 1);
                line = r <= 0 ? last_ + 1 : r;
                last_ = cur_ = line;
                if (line > SHEET_MAX_ROWS) {
                    problem = sheet__row_problem(b_, line, msc__format(VL_TR("vellumo", "строк на листе больше %1"), SHEET_MAX_ROWS));
                    return failed;
                }
                if (k == k_empty)
                    return row;
                const result r2 = read_row(cells, line, problem);
                return r2;
            }
        }
    }

    result stop() { return gave_up_ ? unsure : failed; }
    result fallback()
    {
        gave_up_ = true;
        return unsure;
    }

    result read_row(std::vector<std::u16string> &cells, long line, csv_problem &problem)
    {
        long col = -1;
        std::size_t text = 0;
        for (;;) {
            kind k = token(problem);
            if (k == k_bad)
                return stop();
            if (k == k_eof)
                return fallback();
            if (k == k_end && named("row"))
                return row;
            if (k == k_end)
                return fallback(); // not the row's: let Qt's reader say so
            if (k != k_start && k != k_empty)
                continue;
            if (!named("c")) {
                if (k == k_start && !skip(problem))
                    return stop();
                continue;
            }
            std::string_view ref, type, st;
            attrs3("r", ref, "t", type, "s", st);
            const long at = ref.empty() ? -1 : column_of_ascii(ref);
            col = at < 0 ? col + 1 : at;
            type_.assign(type);
            const long style = number(st, 0);
            v_.clear();
            is_.clear();
            if (k == k_start) {
                // <v>, and the <t>s of <is> outside its phonetic runs.
                int depth = 0, in_rph = 0;
                bool in_v = false, in_is = false, in_t = false;
                for (;;) {
                    // The texts of <v> and of the <t>s straight where they go.
                    into_ = in_v ? &v_ : in_t ? &is_ : nullptr;
                    k = token(problem);
                    into_ = nullptr;
                    if (k == k_bad)
                        return stop();
                    if (k == k_eof)
                        return fallback();
                    if (k == k_start) {
                        open_.emplace_back(name_);
                        if (depth == 0 && named("v"))
                            in_v = true;
                        else if (depth == 0 && named("is"))
                            in_is = true;
                        else if (in_is && named("rPh"))
                            ++in_rph;
                        else if (in_is && in_rph == 0 && named("t"))
                            in_t = true;
                        ++depth;
                    } else if (k == k_end) {
                        if (--depth < 0) {
                            if (!named("c"))
                                return fallback();
                            break;
                        }
                        if (!close())
                            return fallback();
                        if (depth == 0)
                            in_v = in_is = false;
                        else if (named("rPh"))
                            --in_rph;
                        else if (named("t"))
                            in_t = false;
                    } else if (k == k_text) {
                        if (v_.size() + is_.size() > SHEET_MAX_ROW_TEXT) {
                            problem = sheet__row_problem(b_, line, pl__tr(VL_TR("vellumo", "ячейка длиннее 16 МиБ")));
                            return failed;
                        }
                    }
                }
            }
            std::u16string &value = value_;
            value.clear();
            if (!sheet__xlsx_value(b_, type_, style, v_, is_, value, line, problem))
                return failed;
            if (value.empty())
                continue;
            if (col >= static_cast<long>(CSV_MAX_COLUMNS)) {
                problem = sheet__row_problem(b_, line, pl__tr(VL_TR("vellumo", "столбцов больше 10000")));
                return failed;
            }
            text += value.size();
            if (text > SHEET_MAX_ROW_TEXT) {
                problem = sheet__row_problem(b_, line, pl__tr(VL_TR("vellumo", "строка таблицы длиннее 16 МиБ")));
                return failed;
            }
            if (static_cast<std::size_t>(col) >= cells.size())
                cells.resize(static_cast<std::size_t>(col) + 1);
            cells[static_cast<std::size_t>(col)].swap(value);
            used_ = std::max(used_, static_cast<std::size_t>(col) + 1);
        }
    }

    // To the end of the element just started, each end tag matching its
    // start (XML that does not is left to Qt's reader).
    bool skip(csv_problem &problem)
    {
        const std::size_t base = open_.size();
        open_.emplace_back(name_);
        while (open_.size() > base) {
            const kind k = token(problem);
            if (k == k_bad)
                return false;
            if (k == k_eof) {
                gave_up_ = true;
                return false;
            }
            if (k == k_start)
                open_.emplace_back(name_);
            else if (k == k_end && !close())
                return false;
        }
        return true;
    }

    // An end tag against the innermost open element.
    bool close()
    {
        if (open_.empty() || open_.back() != name_) {
            gave_up_ = true;
            return false;
        }
        open_.pop_back();
        return true;
    }

    // The bytes read and not yet used up.
    std::string_view data() const { return {buf_.get(), len_}; }

    // At least `n` bytes from pos_ on, or as many as there are.
    bool more(std::size_t n, csv_problem &problem)
    {
        return len_ - pos_ >= n || refill(n, problem);
    }

    bool refill(std::size_t n, csv_problem &problem)
    {
        while (len_ - pos_ < n && !eof_) {
            if (pos_ > 0) {
                std::memmove(buf_.get(), buf_.get() + pos_, len_ - pos_);
                len_ -= pos_;
                pos_ = 0;
            }
            // A token may not grow past what a row may hold.
            if (len_ > 2 * SHEET_MAX_ROW_TEXT + (std::size_t(1) << 20)) {
                problem = sheet__row_problem(b_, cur_, pl__tr(VL_TR("vellumo", "ячейка длиннее 16 МиБ")));
                bad_ = true;
                return false;
            }
            // Inflated straight into the buffer, which is never cleared
            // first: only the bytes read are ever looked at.
            const std::size_t chunk = std::size_t(256) << 10;
            if (cap_ - len_ < chunk) {
                const std::size_t cap = std::max(cap_ * 2, len_ + chunk);
                std::unique_ptr<char[]> grown(new char[cap]);
                if (len_)
                    std::memcpy(grown.get(), buf_.get(), len_);
                buf_ = std::move(grown);
                cap_ = cap;
            }
            zip_problem zp;
            const long got = part_->read(buf_.get() + len_, chunk, zp);
            if (got < 0) {
                problem = sheet__row_problem(b_, 0, zp.text);
                bad_ = true;
                return false;
            }
            len_ += static_cast<std::size_t>(got);
            eof_ = got == 0;
        }
        return len_ - pos_ >= n;
    }

    // Where the next `c` is; npos at the end of the part.
    std::size_t find(char c, csv_problem &problem)
    {
        std::size_t seen = 0; // bytes after pos_ looked through
        for (;;) {
            if (const std::size_t left = len_ - pos_ - seen)
                if (const void *hit = std::memchr(buf_.get() + pos_ + seen, c, left))
                    return static_cast<std::size_t>(static_cast<const char *>(hit) - buf_.get());
            seen = len_ - pos_;
            if (!more(seen + 1, problem))
                return std::string::npos;
        }
    }

    // Where the '>' that ends the tag at pos_ is (npos at the end of the
    // part), with the quotes seen before it: a quote holding '>' would
    // have cut the tag short.
    std::size_t tag_end(bool &odd_quotes, csv_problem &problem)
    {
        std::size_t i = pos_ + 1;
        bool dq = false, sq = false;
        for (;;) {
            const char *p = buf_.get();
            for (; i < len_; ++i) {
                const char c = p[i];
                if (c == '>') {
                    odd_quotes = dq || sq;
                    return i;
                }
                dq ^= c == '"';
                sq ^= c == '\'';
            }
            const std::size_t seen = i - pos_;
            if (!more(seen + 1, problem))
                return std::string::npos;
            i = pos_ + seen;
        }
    }

    bool prolog(csv_problem &problem)
    {
        more(64, problem);
        if (bad_)
            return false;
        const std::string_view b = data();
        if (b.compare(pos_, 3, "\xEF\xBB\xBF") == 0)
            pos_ += 3;
        else if (b.size() - pos_ >= 2 &&
                 (static_cast<unsigned char>(b[pos_]) >= 0xFE || b[pos_] == 0 || b[pos_ + 1] == 0))
            gave_up_ = true; // UTF-16 and the like
        return !gave_up_;
    }

    // The next token: a tag (name_, attributes in attrs_) or text (text_).
    kind token(csv_problem &problem)
    {
        for (;;) {
            if (bad_)
                return k_bad;
            if (gave_up_)
                return k_bad;
            if (!more(1, problem))
                return bad_ ? k_bad : k_eof;
            if (buf_[pos_] != '<') {
                // Most texts of a sheet are a few bytes long.
                std::size_t lt = small_find(std::string_view(buf_.get(), std::min(len_, pos_ + 32)), '<', pos_);
                if (lt == std::string_view::npos)
                    lt = find('<', problem);
                if (lt == std::string::npos)
                    return bad_ ? k_bad : k_eof;
                if (!decode(data().substr(pos_, lt - pos_), into_ ? *into_ : text_))
                    return give_up();
                pos_ = lt;
                return k_text;
            }
            if (!more(2, problem) && bad_)
                return k_bad;
            const char second = pos_ + 1 < len_ ? buf_[pos_ + 1] : 0;
            if (second == '?') {
                const std::size_t gt = find('>', problem);
                if (gt == std::string::npos)
                    return bad_ ? k_bad : give_up();
                const std::string_view pi = data().substr(pos_, gt + 1 - pos_);
                // Anything but UTF-8 is left to Qt.
                if (pi.substr(0, 5) == "<?xml" && pi.find("encoding") != std::string_view::npos) {
                    const QByteArray low = QByteArray(pi.data(), static_cast<qsizetype>(pi.size())).toLower();
                    if (!low.contains("\"utf-8\"") && !low.contains("'utf-8'"))
                        return give_up();
                }
                pos_ = gt + 1;
                continue;
            }
            if (second == '!')
                return give_up(); // comments, CDATA and DOCTYPEs: Qt's reader knows them
            bool odd_quotes = false;
            const std::size_t gt = tag_end(odd_quotes, problem);
            if (gt == std::string::npos)
                return bad_ ? k_bad : give_up();
            if (odd_quotes)
                return give_up();
            std::string_view tag = data().substr(pos_ + 1, gt - pos_ - 1);
            pos_ = gt + 1;
            kind k = k_start;
            if (!tag.empty() && tag[0] == '/') {
                k = k_end;
                tag.remove_prefix(1);
            } else if (!tag.empty() && tag.back() == '/') {
                k = k_empty;
                tag.remove_suffix(1);
            }
            std::size_t n = 0;
            while (n < tag.size() && tag[n] != ' ' && tag[n] != '\t' && tag[n] != '\r' && tag[n] != '\n')
                ++n;
            name_ = tag.substr(0, n);
            if (const std::size_t colon = small_find(name_, ':'); colon != std::string_view::npos)
                name_.remove_prefix(colon + 1);
            if (name_.empty() || (k == k_end && n != tag.size() && tag.find_first_not_of(" \t\r\n", n) != std::string_view::npos))
                return give_up();
            attrs_ = tag.substr(n);
            return k;
        }
    }

    // The tag just read is `n` (without its prefix).
    template <std::size_t N>
    bool named(const char (&n)[N]) const
    {
        if (name_.size() != N - 1)
            return false;
        for (std::size_t i = 0; i + 1 < N; ++i)
            if (name_[i] != n[i])
                return false;
        return true;
    }

    kind give_up()
    {
        gave_up_ = true;
        return k_bad;
    }

    // An attribute of the tag just read ("" when it has none); one holding
    // an entity is left to Qt.
    std::string_view attr(std::string_view name)
    {
        std::size_t i = 0;
        while (i < attrs_.size()) {
            while (i < attrs_.size() && (attrs_[i] == ' ' || attrs_[i] == '\t' || attrs_[i] == '\r' || attrs_[i] == '\n'))
                ++i;
            const std::size_t eq = small_find(attrs_, '=', i);
            if (eq == std::string_view::npos)
                return {};
            std::string_view key = attrs_.substr(i, eq - i);
            while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
                key.remove_suffix(1);
            std::size_t q = eq + 1;
            while (q < attrs_.size() && (attrs_[q] == ' ' || attrs_[q] == '\t'))
                ++q;
            if (q >= attrs_.size() || (attrs_[q] != '"' && attrs_[q] != '\''))
                return {};
            const std::size_t close = small_find(attrs_, attrs_[q], q + 1);
            if (close == std::string_view::npos)
                return {};
            if (key == name) {
                const std::string_view v = attrs_.substr(q + 1, close - q - 1);
                if (small_find(v, '&') != std::string_view::npos) {
                    gave_up_ = true;
                    return {};
                }
                return v;
            }
            i = close + 1;
        }
        return {};
    }

    // Three attributes of the tag just read, in one pass.
    void attrs3(std::string_view n1, std::string_view &v1, std::string_view n2, std::string_view &v2,
                std::string_view n3, std::string_view &v3)
    {
        std::size_t i = 0;
        while (i < attrs_.size()) {
            while (i < attrs_.size() && (attrs_[i] == ' ' || attrs_[i] == '\t' || attrs_[i] == '\r' || attrs_[i] == '\n'))
                ++i;
            const std::size_t eq = small_find(attrs_, '=', i);
            if (eq == std::string_view::npos)
                return;
            std::string_view key = attrs_.substr(i, eq - i);
            while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
                key.remove_suffix(1);
            std::size_t q = eq + 1;
            while (q < attrs_.size() && (attrs_[q] == ' ' || attrs_[q] == '\t'))
                ++q;
            if (q >= attrs_.size() || (attrs_[q] != '"' && attrs_[q] != '\''))
                return;
            const std::size_t close = small_find(attrs_, attrs_[q], q + 1);
            if (close == std::string_view::npos)
                return;
            const std::string_view v = attrs_.substr(q + 1, close - q - 1);
            if (key == n1 || key == n2 || key == n3) {
                if (small_find(v, '&') != std::string_view::npos) {
                    gave_up_ = true;
                    return;
                }
                (key == n1 ? v1 : key == n2 ? v2 : v3) = v;
            }
            i = close + 1;
        }
    }

    static long column_of_ascii(std::string_view ref)
    {
        long col = 0;
        std::size_t i = 0;
        for (; i < ref.size() && i < 4; ++i) {
            const char c = ref[i];
            if (c >= 'A' && c <= 'Z')
                col = col * 26 + (c - 'A' + 1);
            else if (c >= 'a' && c <= 'z')
                col = col * 26 + (c - 'a' + 1);
            else
                break;
        }
        return i == 0 || (i < ref.size() && !(ref[i] >= '0' && ref[i] <= '9')) ? -1 : col - 1;
    }

    static long number(std::string_view s, long fallback)
    {
        // Plain digits at once; a sign or more digits by from_chars.
        if (!s.empty() && s.size() <= 18) {
            long v = 0;
            std::size_t i = 0;
            for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
                v = v * 10 + (s[i] - '0');
            if (i == s.size())
                return std::min(v, 1L << 40);
        }
        long v = 0;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        return r.ec == std::errc() && r.ptr == s.data() + s.size() && v >= 0 ? std::min(v, 1L << 40) : fallback;
    }

    // Text between tags, as UTF-16, onto the end of `out` (text_ is
    // emptied first): false for bytes that are not UTF-8 or an entity
    // beyond the five and character references.
    bool decode(std::string_view raw, std::u16string &out)
    {
        if (&out == &text_)
            text_.clear();
        std::size_t i = 0;
        while (i < raw.size()) {
            // A run of plain ASCII at once.
            std::size_t j = i;
            while (j < raw.size() && static_cast<unsigned char>(raw[j]) >= 0x20 &&
                   static_cast<unsigned char>(raw[j]) < 0x80 && raw[j] != '&')
                ++j;
            if (j > i) {
                const std::size_t at = out.size();
                out.resize(at + (j - i));
                for (std::size_t k = i; k < j; ++k)
                    out[at + (k - i)] = static_cast<char16_t>(raw[k]);
                i = j;
                if (i == raw.size())
                    break;
            }
            const auto c = static_cast<unsigned char>(raw[i]);
            if (c == '&') {
                const std::size_t semi = raw.find(';', i);
                if (semi == std::string_view::npos || semi - i > 12)
                    return false;
                const std::string_view e = raw.substr(i + 1, semi - i - 1);
                char32_t cp = 0;
                if (e == "lt")
                    cp = '<';
                else if (e == "gt")
                    cp = '>';
                else if (e == "amp")
                    cp = '&';
                else if (e == "quot")
                    cp = '"';
                else if (e == "apos")
                    cp = '\'';
                else if (e.size() > 1 && e[0] == '#') {
                    const bool hex = e[1] == 'x';
                    unsigned long v = 0;
                    const auto r = std::from_chars(e.data() + (hex ? 2 : 1), e.data() + e.size(), v, hex ? 16 : 10);
                    if (r.ec != std::errc() || r.ptr != e.data() + e.size() || v == 0 || v > 0x10FFFF ||
                        (v >= 0xD800 && v <= 0xDFFF) || (v < 0x20 && v != 9 && v != 10 && v != 13))
                        return false;
                    cp = static_cast<char32_t>(v);
                } else {
                    return false;
                }
                put(out, cp);
                i = semi + 1;
                continue;
            }
            if (c < 0x80) {
                if (c < 0x20 && c != 9 && c != 10 && c != 13)
                    return false;
                out += static_cast<char16_t>(c == 13 ? 10 : c);
                if (c == 13 && i + 1 < raw.size() && raw[i + 1] == '\n')
                    ++i;
                ++i;
                continue;
            }
            int extra;
            char32_t cp;
            if (c >= 0xC2 && c <= 0xDF) {
                extra = 1;
                cp = c & 0x1F;
            } else if (c >= 0xE0 && c <= 0xEF) {
                extra = 2;
                cp = c & 0x0F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                extra = 3;
                cp = c & 0x07;
            } else {
                return false;
            }
            if (i + static_cast<std::size_t>(extra) >= raw.size())
                return false;
            for (int k = 1; k <= extra; ++k) {
                const auto d = static_cast<unsigned char>(raw[i + k]);
                if ((d & 0xC0) != 0x80)
                    return false;
                cp = (cp << 6) | (d & 0x3F);
            }
            if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                (cp >= 0xD800 && cp <= 0xDFFF))
                return false;
            put(out, cp);
            i += static_cast<std::size_t>(extra) + 1;
        }
        return true;
    }

    static void put(std::u16string &out, char32_t cp)
    {
        if (cp < 0x10000) {
            out += static_cast<char16_t>(cp);
        } else {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        }
    }

    const spreadsheet_book &b_;
    std::unique_ptr<zip_part> part_;
    std::unique_ptr<char[]> buf_; // cap_ bytes, the first len_ of them read
    std::size_t cap_ = 0, len_ = 0, pos_ = 0;
    bool eof_ = false, bad_ = false, gave_up_ = false, started_ = false;
    std::string_view name_, attrs_;
    std::u16string text_, v_, is_, value_;
    std::u16string *into_ = nullptr; // where the next text goes (null: text_)
    std::size_t used_ = 0; // the cells of the row so far: up to its last one that is not empty
    std::string type_;
    long last_ = 0, cur_ = 1; // the row read last, the one being read
    std::vector<std::string> open_; // elements open inside a cell or a skipped one
};

} // namespace

std::unique_ptr<sheet_stream> sheet__quick_xlsx(const spreadsheet_book &b, std::unique_ptr<zip_part> part)
{
    return std::make_unique<fast_xlsx_stream>(b, std::move(part));
}
