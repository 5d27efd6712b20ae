#include "server/printers.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <set>

#include "model/misc.h"
#include "output/thermal.h"
#include "platform/code_pages.h"
#include "platform/translation.h"
#include "server/log.h"

namespace {

std::string trimmed(const std::string &s)
{
    const std::size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// A number in [low, high], all of the text.
bool number(const std::string &text, double low, double high, double &out)
{
    std::size_t used = 0;
    double v = 0;
    try {
        v = std::stod(text, &used);
    } catch (...) {
        return false;
    }
    if (used != text.size() || !std::isfinite(v) || v < low || v > high)
        return false;
    out = v;
    return true;
}

bool whole(const std::string &text, int low, int high, int &out)
{
    double v = 0;
    if (!number(text, low, high, v) || v != std::floor(v))
        return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

bool lsv__read_printers(const std::string &text, const std::string &file, std::vector<server_printer> &out,
                        std::string &error)
{
    out.clear();
    std::set<std::string> names;
    int line_no = 0, section_line = 0;
    std::size_t pos = 0;
    auto fail = [&](const std::string &why) {
        error = file + ":" + std::to_string(line_no) + ": " + why;
        out.clear();
        return false;
    };
    // A printer is whole once it has a queue or an address.
    auto finish = [&]() {
        if (out.empty())
            return true;
        line_no = section_line; // what it lacks is said at its name
        const server_printer &p = out.back();
        if (p.cups_queue.empty() == p.address.empty())
            return fail(plt__to_utf8(msc__format(VL_TR("vellumo", "у принтера «%1» должна быть очередь CUPS (cups = …) или адрес принтера этикеток (address = …), одно из двух"), lsv__client_text(p.name).c_str())));
        if (!p.address.empty()) {
            const std::u16string why = out__thermal_options_refusal(p.thermal);
            if (!why.empty())
                return fail(plt__to_utf8(msc__format(VL_TR("vellumo", "принтер «%1»: %2"), lsv__client_text(p.name).c_str(), lsv__client_text(why).c_str())));
        }
        return true;
    };
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++line_no;
        // A comment: from a '#' that starts the line or follows a space
        // (past the name of a printer, which may hold one).
        line = trimmed(line);
        const std::size_t from = line.empty() || line[0] != '[' ? 0 : std::min(line.find(']'), line.size());
        for (std::size_t hash = line.find('#', from); hash != std::string::npos; hash = line.find('#', hash + 1))
            if (hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t') {
                line.resize(hash);
                break;
            }
        line = trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return fail(pl__tr8(VL_TR("vellumo", "название принтера пишется в квадратных скобках: [Склад]")));
            const int here = line_no;
            if (!finish())
                return false;
            line_no = here;
            const std::string name = trimmed(line.substr(1, line.size() - 2));
            if (name.empty() || name.size() > 200)
                return fail(pl__tr8(VL_TR("vellumo", "название принтера — от 1 до 200 байт")));
            if (!names.insert(name).second)
                return fail(plt__to_utf8(msc__format(VL_TR("vellumo", "принтер «%1» назван второй раз"), lsv__client_text(name).c_str())));
            if (out.size() >= LSV_MAX_PRINTERS)
                return fail(plt__to_utf8(msc__format(VL_TR("vellumo", "принтеров больше %1 (у каждого свой поток печати)"), static_cast<long long>(LSV_MAX_PRINTERS))));
            out.push_back({});
            out.back().name = name;
            section_line = line_no;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail(pl__tr8(VL_TR("vellumo", "строка должна быть «ключ = значение» или [название принтера]")));
        if (out.empty())
            return fail(pl__tr8(VL_TR("vellumo", "сначала название принтера в квадратных скобках: [Склад]")));
        const std::string key = trimmed(line.substr(0, eq)), value = trimmed(line.substr(eq + 1));
        server_printer &p = out.back();
        thermal_options &t = p.thermal;
        bool ok = true;
        if (key == "cups") {
            // Goes to lp as one argument: no option, no path.
            p.cups_queue = value;
            ok = !value.empty() && value.size() <= 127 && value[0] != '-' &&
                 value.find_first_of(" \t/#\\\"'") == std::string::npos;
        } else if (key == "address") {
            p.address = value;
            ok = value.compare(0, 9, "socket://") == 0 || (value.size() > 1 && value[0] == '/');
        } else if (key == "language") {
            const std::optional<thermal_language> l = out__thermal_language(value);
            ok = l.has_value();
            if (ok)
                t.language = *l;
        } else if (key == "dpi")
            ok = whole(value, THERMAL_MIN_DPI, THERMAL_MAX_DPI, t.dpi);
        else if (key == "darkness")
            ok = whole(value, 0, 30, t.darkness);
        else if (key == "speed")
            ok = whole(value, 1, 30, t.speed);
        else if (key == "media") {
            const std::optional<thermal_media> m = out__thermal_media(value);
            ok = m.has_value();
            if (ok)
                t.media = *m;
        } else if (key == "gap")
            ok = number(value, 0, 50, t.gap_mm);
        else if (key == "head-width")
            ok = number(value, 10, 500, t.head_width_mm);
        else if (key == "offset-x")
            ok = number(value, -50, 50, t.offset_x_mm);
        else if (key == "offset-y")
            ok = number(value, -50, 50, t.offset_y_mm);
        else if (key == "retry-every")
            ok = whole(value, 1, 3600, p.retry_every_s);
        else if (key == "retry-for")
            ok = whole(value, 0, 30 * 86400, p.retry_for_s);
        else
            return fail(plt__to_utf8(msc__format(VL_TR("vellumo", "неизвестный ключ «%1»; есть cups, address, language, dpi, darkness, speed, media, gap, head-width, offset-x, offset-y, retry-every, retry-for"), lsv__client_text(key).c_str())));
        if (!ok)
            return fail(plt__to_utf8(msc__format(VL_TR("vellumo", "неверное значение «%1» у ключа %2"), lsv__client_text(value).c_str(), key.c_str())));
    }
    return finish();
}

bool lsv__load_printers(const std::string &path, std::vector<server_printer> &out, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "%1: файл принтеров не открывается"), path.c_str()));
        return false;
    }
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<std::size_t>(in.gcount()));
        if (text.size() > (1u << 20)) {
            error = plt__to_utf8(msc__format(VL_TR("vellumo", "%1: файл принтеров больше 1 МиБ"), path.c_str()));
            return false;
        }
    }
    return lsv__read_printers(text, path, out, error);
}
