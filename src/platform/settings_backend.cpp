#include "platform/settings_backend.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ascii_text.h"
#include "platform/code_pages.h"
#include "platform/file_io.h"

namespace {

constexpr char16_t file_header[] = u"Windows Registry Editor Version 5.00";

int hex_digit(char16_t c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// "aa,bb,\<newline>  cc" (continuations already joined) -> bytes.
std::optional<std::vector<unsigned char>> parse_hex_list(std::u16string_view s)
{
    std::vector<unsigned char> out;
    std::size_t i = 0;
    auto skip = [&] {
        while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\\' || s[i] == u'\r' ||
                                s[i] == u'\n'))
            ++i;
    };
    skip();
    if (i == s.size())
        return out;
    for (;;) {
        skip();
        if (i >= s.size())
            return std::nullopt;
        int h = hex_digit(s[i]);
        int l = i + 1 < s.size() ? hex_digit(s[i + 1]) : -1;
        if (h < 0)
            return std::nullopt;
        if (l < 0) { // a single digit byte
            out.push_back(static_cast<unsigned char>(h));
            i += 1;
        } else {
            out.push_back(static_cast<unsigned char>(h * 16 + l));
            i += 2;
        }
        skip();
        if (i == s.size())
            return out;
        if (s[i] != u',')
            return std::nullopt;
        ++i;
        skip();
        if (i == s.size())
            return out; // trailing comma
    }
}

std::optional<std::u16string> parse_quoted(std::u16string_view s, std::size_t &i)
{
    if (i >= s.size() || s[i] != u'"')
        return std::nullopt;
    std::u16string out;
    for (++i; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 1 < s.size() && (s[i + 1] == u'\\' || s[i + 1] == u'"')) {
            out += s[++i];
        } else if (s[i] == u'"') {
            ++i;
            return out;
        } else {
            out += s[i];
        }
    }
    return std::nullopt;
}

std::vector<unsigned char> utf16le_bytes(std::u16string_view s, bool terminate)
{
    std::vector<unsigned char> b;
    b.reserve((s.size() + 1) * 2);
    for (char16_t c : s) {
        b.push_back(static_cast<unsigned char>(c & 0xFF));
        b.push_back(static_cast<unsigned char>(c >> 8));
    }
    if (terminate) {
        b.push_back(0);
        b.push_back(0);
    }
    return b;
}

std::optional<reg_value> parse_data(std::u16string_view d)
{
    d = plt__trim_blanks(d);
    reg_value v;
    if (!d.empty() && d[0] == u'"') {
        std::size_t i = 0;
        auto s = parse_quoted(d, i);
        if (!s || !plt__trim_blanks(d.substr(i)).empty())
            return std::nullopt;
        v.type = 1;
        v.bytes = utf16le_bytes(*s, true);
        return v;
    }
    if (d.substr(0, 6) == u"dword:") {
        std::u16string_view h = plt__trim_blanks(d.substr(6));
        if (h.empty() || h.size() > 8)
            return std::nullopt;
        std::uint32_t x = 0;
        for (char16_t c : h) {
            int k = hex_digit(c);
            if (k < 0)
                return std::nullopt;
            x = x * 16 + static_cast<std::uint32_t>(k);
        }
        v.type = 4;
        for (int k = 0; k < 4; ++k)
            v.bytes.push_back(static_cast<unsigned char>(x >> (8 * k)));
        return v;
    }
    if (d.substr(0, 4) == u"hex:") {
        auto b = parse_hex_list(d.substr(4));
        if (!b)
            return std::nullopt;
        v.type = 3;
        v.bytes = std::move(*b);
        return v;
    }
    if (d.substr(0, 4) == u"hex(") {
        std::size_t close = d.find(u')');
        if (close == std::u16string_view::npos || close == 4 || close > 12 ||
            d.substr(close, 2) != u"):")
            return std::nullopt;
        std::uint32_t t = 0;
        for (char16_t c : d.substr(4, close - 4)) {
            int k = hex_digit(c);
            if (k < 0)
                return std::nullopt;
            t = t * 16 + static_cast<std::uint32_t>(k);
        }
        auto b = parse_hex_list(d.substr(close + 2));
        if (!b)
            return std::nullopt;
        v.type = t;
        v.bytes = std::move(*b);
        return v;
    }
    return std::nullopt;
}

std::u16string escape_quoted(std::u16string_view s)
{
    std::u16string out = u"\"";
    for (char16_t c : s) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

std::u16string hex_list(const std::vector<unsigned char> &b)
{
    static const char16_t digits[] = u"0123456789abcdef";
    std::u16string out;
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i)
            out += u',';
        out += digits[b[i] >> 4];
        out += digits[b[i] & 15];
    }
    return out;
}

std::u16string format_line(std::u16string_view name, const reg_value &v)
{
    std::u16string line = escape_quoted(name) + u"=";
    if (v.type == 1 && v.bytes.size() >= 2 && v.bytes.size() % 2 == 0) {
        // The quoted form when the text ends with its one NUL and holds no
        // character that would break the line.
        std::u16string s;
        for (std::size_t i = 0; i + 1 < v.bytes.size(); i += 2)
            s += static_cast<char16_t>(v.bytes[i] | (v.bytes[i + 1] << 8));
        bool plain = s.back() == 0;
        s.pop_back();
        for (char16_t c : s)
            if (c < 0x20 && c != u'\t')
                plain = false;
        if (plain)
            return line + escape_quoted(s);
    }
    if (v.type == 4 && v.bytes.size() == 4) {
        std::uint32_t x = v.bytes[0] | (v.bytes[1] << 8) | (v.bytes[2] << 16) |
                          (static_cast<std::uint32_t>(v.bytes[3]) << 24);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08x", x);
        return line + u"dword:" + plt__from_utf8(buf);
    }
    if (v.type == 3)
        return line + u"hex:" + hex_list(v.bytes);
    char buf[16];
    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    return line + plt__from_utf8(buf) + hex_list(v.bytes);
}

// One logical line of the document: a section header, a value (possibly
// continued over several physical lines) or anything else.
struct entry {
    enum kind_t { other, section, value } kind = other;
    std::vector<std::u16string> physical;
    std::u16string section_name;
    std::u16string name;
    std::optional<reg_value> val;
};

struct document {
    std::vector<entry> entries;
    std::u16string eol = u"\n";
};

document parse(std::u16string_view doc)
{
    document d;
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    bool crlf_seen = false;
    for (std::size_t i = 0; i <= doc.size(); ++i) {
        if (i == doc.size() || doc[i] == u'\n') {
            std::size_t end = i;
            if (end > start && doc[end - 1] == u'\r') {
                --end;
                crlf_seen = true;
            }
            if (i < doc.size() || start < doc.size())
                lines.emplace_back(doc.substr(start, end - start));
            start = i + 1;
        }
    }
    if (crlf_seen)
        d.eol = u"\r\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        entry e;
        e.physical.push_back(lines[i]);
        std::u16string_view t = plt__trim_blanks(lines[i]);
        if (!t.empty() && t.front() == u'[' && t.back() == u']') {
            e.kind = entry::section;
            e.section_name = std::u16string(t.substr(1, t.size() - 2));
        } else if (!t.empty() && t.front() == u'"') {
            std::size_t k = 0;
            auto name = parse_quoted(t, k);
            std::u16string_view rest = name ? plt__trim_blanks(t.substr(k)) : std::u16string_view();
            if (name && !rest.empty() && rest.front() == u'=') {
                std::u16string data(rest.substr(1));
                // Hex data may continue over lines ending with a backslash.
                std::u16string_view dt = plt__trim_blanks(data);
                bool hex = dt.substr(0, 3) == u"hex";
                // Continuation lines are indented, as regedit writes them.
                while (hex && !plt__trim_blanks(data).empty() && plt__trim_blanks(data).back() == u'\\' &&
                       i + 1 < lines.size() && !lines[i + 1].empty() &&
                       (lines[i + 1][0] == u' ' || lines[i + 1][0] == u'\t')) {
                    ++i;
                    e.physical.push_back(lines[i]);
                    data += u'\n';
                    data += lines[i];
                }
                e.kind = entry::value;
                e.name = *name;
                e.val = parse_data(data);
            }
        }
        d.entries.push_back(std::move(e));
    }
    return d;
}

std::u16string serialise(const document &d)
{
    std::u16string out;
    for (const entry &e : d.entries)
        for (const std::u16string &l : e.physical) {
            out += l;
            out += d.eol;
        }
    return out;
}

} // namespace

std::string plt__config_folder()
{
    std::string base;
    if (const char *x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/')
        base = x;
    else {
        const char *home = std::getenv("HOME");
        if (!home || !*home) {
            struct passwd *pw = getpwuid(getuid());
            home = pw ? pw->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/ZELTA";
}

namespace {

std::string default_file()
{
    return plt__config_folder() + "/ORMIK.reg";
}

bool read_file(const std::string &path, std::vector<unsigned char> &out, bool &missing)
{
    missing = false;
    if (plt__read_blob(plt__from_utf8(path), out, REG_MAX_FILE))
        return true;
    missing = errno == ENOENT;
    return false;
}

// Takes the exclusive lock, waiting at most `wait_ms`.
bool lock_within(int fd, int wait_ms, bool &timed_out)
{
    timed_out = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            timed_out = true;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

class fd_guard {
public:
    explicit fd_guard(int fd) : fd_(fd) {}
    ~fd_guard()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};


} // namespace

namespace reg_text {

std::u16string section_name(reg_root root, std::u16string_view path)
{
    std::u16string s = root == reg_root::current_user ? u"HKEY_CURRENT_USER" : u"HKEY_LOCAL_MACHINE";
    while (!path.empty() && path.back() == u'\\')
        path.remove_suffix(1);
    while (!path.empty() && path.front() == u'\\')
        path.remove_prefix(1);
    if (!path.empty()) {
        s += u'\\';
        s += path;
    }
    return s;
}

std::optional<reg_value> find(std::u16string_view doc, std::u16string_view section,
                              std::u16string_view name)
{
    document d = parse(doc);
    bool in = false;
    std::optional<reg_value> found;
    for (const entry &e : d.entries) {
        if (e.kind == entry::section)
            in = plt__ascii_iequal(e.section_name, section);
        else if (in && e.kind == entry::value && plt__ascii_iequal(e.name, name))
            found = e.val; // a later line overrides an earlier one
    }
    return found;
}

std::u16string set(std::u16string_view doc, std::u16string_view section, std::u16string_view name,
                   const reg_value &v)
{
    document d = parse(doc);
    entry line;
    line.kind = entry::value;
    line.name = std::u16string(name);
    line.val = v;
    line.physical.push_back(format_line(name, v));

    bool in = false;
    std::ptrdiff_t replaced = -1;
    std::ptrdiff_t section_end = -1; // index after the last value/line of a matching section
    for (std::size_t i = 0; i < d.entries.size(); ++i) {
        entry &e = d.entries[i];
        if (e.kind == entry::section) {
            in = plt__ascii_iequal(e.section_name, section);
            if (in)
                section_end = static_cast<std::ptrdiff_t>(i) + 1;
            continue;
        }
        if (!in)
            continue;
        if (e.kind == entry::value && plt__ascii_iequal(e.name, name)) {
            if (replaced < 0) {
                e = line;
                replaced = static_cast<std::ptrdiff_t>(i);
            } else {
                e.kind = entry::other;
                e.physical.clear(); // shadowed duplicate of the value just set
            }
        }
        if (!plt__trim_blanks(e.physical.empty() ? std::u16string_view() : std::u16string_view(e.physical[0])).empty())
            section_end = static_cast<std::ptrdiff_t>(i) + 1;
    }
    if (replaced < 0) {
        if (section_end >= 0) {
            d.entries.insert(d.entries.begin() + section_end, line);
        } else {
            bool has_header = false;
            for (const entry &e : d.entries)
                if (!e.physical.empty() && plt__trim_blanks(e.physical[0]) == file_header)
                    has_header = true;
            auto plain = [](std::u16string s) {
                entry e;
                e.physical.push_back(std::move(s));
                return e;
            };
            if (!has_header && d.entries.empty())
                d.entries.push_back(plain(file_header));
            if (!d.entries.empty() && !plt__trim_blanks(d.entries.back().physical.empty()
                                                ? std::u16string_view()
                                                : std::u16string_view(d.entries.back().physical.back()))
                                           .empty())
                d.entries.push_back(plain(u""));
            entry head = plain(u"[" + std::u16string(section) + u"]");
            head.kind = entry::section;
            head.section_name = std::u16string(section);
            d.entries.push_back(head);
            d.entries.push_back(line);
        }
    }
    return serialise(d);
}

std::u16string decode(const std::vector<unsigned char> &bytes)
{
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        std::u16string s;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            s += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        return s;
    }
    std::string_view v(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    if (v.substr(0, 3) == "\xEF\xBB\xBF")
        v.remove_prefix(3);
    return plt__from_utf8(v);
}

} // namespace reg_text

std::string reg_file_backend::file_path() const
{
    return file_.empty() ? default_file() : file_;
}

std::optional<reg_value> reg_file_backend::read(reg_root root, std::u16string_view path,
                                                std::u16string_view name)
{
    std::vector<unsigned char> bytes;
    bool missing = false;
    if (!read_file(file_path(), bytes, missing))
        return std::nullopt;
    return reg_text::find(reg_text::decode(bytes), reg_text::section_name(root, path), name);
}

reg_write_status reg_file_backend::write(reg_root root, std::u16string_view path,
                                         std::u16string_view name, const reg_value &v)
{
    namespace fs = std::filesystem;
    const std::string link = file_path();
    reg_write_status st;
    st.file = link;
    auto fail = [&st](reg_write_result step, reg_write_cause cause, int err) {
        st.step = step;
        st.cause = cause;
        st.error = err;
        return st;
    };
    std::error_code ec;
    fs::create_directories(fs::path(link).parent_path(), ec);
    if (ec)
        return fail(reg_write_result::create_key_failed, reg_write_cause::system, ec.value());
    fd_guard lock(::open((link + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (lock.get() < 0)
        return fail(reg_write_result::create_key_failed, reg_write_cause::system, errno);
    bool timed_out = false;
    if (!lock_within(lock.get(), lock_wait_ms, timed_out))
        return fail(reg_write_result::create_key_failed,
                    timed_out ? reg_write_cause::lock_timeout : reg_write_cause::system,
                    timed_out ? lock_wait_ms : errno);

    // A settings file that is a link is replaced where the link points.
    const std::string file = plt__resolve_link(link);
    st.file = file;
    std::vector<unsigned char> bytes;
    bool missing = false;
    if (!read_file(file, bytes, missing) && !missing) // never overwrite what we could not read
        return fail(reg_write_result::set_value_failed, reg_write_cause::unreadable, errno);
    std::u16string doc = reg_text::set(reg_text::decode(bytes), reg_text::section_name(root, path),
                                       name, v);
    std::string out = plt__to_utf8(doc);
    if (!plt__replace_file(plt__from_utf8(file), out.data(), out.size()))
        return fail(reg_write_result::set_value_failed, reg_write_cause::system, errno);
    return st;
}

template <>
settings_backend &seam<settings_backend>::fallback()
{
    static reg_file_backend file;
    return file;
}
