#include "server/log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>
#include <vector>

#include "platform/code_pages.h"

namespace {

std::mutex g_log_mutex;

// Longest line written; a line longer than this comes from a bug, not from a
// client (client text is cut long before).
constexpr std::size_t max_line_bytes = 8192;

void hex_escape(std::string &out, const char *prefix, unsigned value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%0*X", prefix, digits, value);
    out += buf;
}

// Length of the UTF-8 sequence at s[i] and its code point, or 0 when the
// bytes there are not UTF-8.
std::size_t utf8_at(const std::string &s, std::size_t i, char32_t &cp)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n;
    char32_t min;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        n = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// Escapes control characters; stops after `limit` code points.
std::string escaped(const std::string &text, std::size_t limit, bool backslash)
{
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (chars == limit) {
            out += "…";
            break;
        }
        ++chars;
        char32_t cp = 0;
        const std::size_t n = utf8_at(text, i, cp);
        if (n == 0) {
            hex_escape(out, "\\x", static_cast<unsigned char>(text[i]), 2);
            ++i;
            continue;
        }
        if (cp == '\\' && backslash)
            out += "\\\\";
        else if (cp == '\n')
            out += "\\n";
        else if (cp == '\r')
            out += "\\r";
        else if (cp == '\t')
            out += "\\t";
        else if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0))
            hex_escape(out, "\\x", static_cast<unsigned>(cp), 2);
        else if (cp == 0x2028 || cp == 0x2029 || cp == 0x85 || (cp >= 0x202A && cp <= 0x202E) ||
                 (cp >= 0x2066 && cp <= 0x2069))
            hex_escape(out, "\\u", static_cast<unsigned>(cp), 4); // line breaks and direction overrides
        else
            out.append(text, i, n);
        i += n;
    }
    return out;
}

long long now_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::string lsv__client_text(const std::string &text, std::size_t limit)
{
    return escaped(text, limit, true);
}

std::string lsv__client_text(const std::u16string &text, std::size_t limit)
{
    // Only as much as can show is converted.
    const std::size_t keep = std::min(text.size(), 2 * limit + 2);
    std::string utf8 = plt__to_utf8(text.substr(0, keep));
    std::string out = escaped(utf8, limit, true);
    if (keep < text.size() && out.size() >= 3 && out.compare(out.size() - 3, 3, "…") != 0)
        out += "…";
    return out;
}

void lsv__log(const std::string &line)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    // The server's own text passes unchanged; control characters cannot
    // break the line whatever reached it.
    std::string safe = escaped(line.size() > max_line_bytes ? line.substr(0, max_line_bytes) : line,
                               max_line_bytes, false);
    if (line.size() > max_line_bytes && safe.compare(safe.size() - 3, 3, "…") != 0)
        safe += "…";
    std::lock_guard<std::mutex> lock(g_log_mutex);
    std::fprintf(stderr, "%s %s\n", stamp, safe.c_str());
    std::fflush(stderr);
}

void lsv_log_throttle::log(const std::string &line)
{
    static std::mutex m;
    long long skipped = 0;
    {
        std::lock_guard<std::mutex> lock(m);
        const long long t = now_ms();
        if (t - last_ms_ < period_ms_) {
            ++skipped_;
            return;
        }
        last_ms_ = t;
        skipped = skipped_;
        skipped_ = 0;
    }
    lsv__log(skipped ? line + " (и ещё " + std::to_string(skipped) + " таких за последнее время)" : line);
}

namespace {

// The lines about calls of the current second.
struct call_lines {
    std::mutex m;
    long long second = -1;
    int written = 0;
    std::map<std::string, int> per_address;          // lines written, by address
    std::map<std::string, long long> repeats;        // written lines (by key) and their repeats since
    std::vector<std::string> order;                  // keys in the order they were written
    long long left_out = 0;                          // past the rate
};
call_lines g_calls;

// The address of "ADDR:PORT" or "[ADDR]:PORT".
std::string address_of(const std::string &peer)
{
    const std::size_t colon = peer.rfind(':');
    if (colon == std::string::npos || peer.find_first_not_of("0123456789", colon + 1) != std::string::npos)
        return peer;
    return peer.substr(0, colon);
}

// The lines that close the second gone by; the caller writes them.
std::vector<std::string> close_second(call_lines &c, long long now_second, bool force = false)
{
    std::vector<std::string> out;
    if (c.second == now_second && !force)
        return out;
    for (const std::string &key : c.order)
        if (const long long n = c.repeats[key]; n > 0)
            out.push_back(key + " (повторилось ещё " + std::to_string(n) + " раз за секунду)");
    if (c.left_out > 0)
        out.push_back("строк о вызовах пропущено за секунду: " + std::to_string(c.left_out) + " (больше " +
                      std::to_string(LSV_LOG_CALL_LINES) + " в секунду всего или " +
                      std::to_string(LSV_LOG_ADDRESS_LINES) + " с одного адреса)");
    c.second = now_second;
    c.written = 0;
    c.per_address.clear();
    c.repeats.clear();
    c.order.clear();
    c.left_out = 0;
    return out;
}

} // namespace

void lsv__log_call(const std::string &peer, const std::string &event)
{
    const std::string address = address_of(peer);
    const std::string key = address.empty() ? event : address + " " + event;
    std::vector<std::string> lines;
    bool write = false;
    {
        std::lock_guard<std::mutex> lock(g_calls.m);
        lines = close_second(g_calls, now_ms() / 1000);
        if (auto it = g_calls.repeats.find(key); it != g_calls.repeats.end()) {
            ++it->second;
        } else if (g_calls.written >= LSV_LOG_CALL_LINES || g_calls.per_address[address] >= LSV_LOG_ADDRESS_LINES) {
            ++g_calls.left_out;
        } else {
            ++g_calls.written;
            ++g_calls.per_address[address];
            g_calls.repeats.emplace(key, 0);
            g_calls.order.push_back(key);
            write = true;
        }
        // Written under the lock, so that a count never comes before its line.
        for (const std::string &l : lines)
            lsv__log(l);
        if (write)
            lsv__log(peer.empty() ? event : peer + " " + event);
    }
}

void lsv__log_tick(bool all)
{
    std::lock_guard<std::mutex> lock(g_calls.m);
    for (const std::string &l : close_second(g_calls, now_ms() / 1000, all))
        lsv__log(l);
}
