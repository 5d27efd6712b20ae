#include "model/gs1_data.h"

#include <algorithm>

#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

namespace {

// The number of digits of an AI, told by its first two (GS1 keeps every AI
// of a two-digit start at one length); 0 for a start no AI has.
struct ai_start {
    int first, last; // two-digit starts, inclusive
    int digits;
};
constexpr ai_start ai_starts[] = {
    {0, 4, 2},   {10, 22, 2}, {23, 25, 3}, {30, 30, 2}, {31, 36, 4}, {37, 37, 2}, {39, 39, 4},
    {40, 42, 3}, {43, 43, 4}, {70, 70, 4}, {71, 71, 3}, {72, 72, 4}, {80, 82, 4}, {90, 99, 2},
};

// Starts whose values have a predefined length and so need no GS after
// them; every other value runs to a GS or to the end of the data.
struct fixed_value {
    int first, last;
    int length; // characters of the value, the AI not counted
};
constexpr fixed_value fixed_values[] = {
    {0, 0, 18}, {1, 3, 14}, {4, 4, 16}, {11, 19, 6}, {20, 20, 2}, {31, 36, 6}, {41, 41, 13},
};

template <class Row, std::size_t N>
const Row *row_for(const Row (&rows)[N], int start)
{
    for (const Row &r : rows)
        if (start >= r.first && start <= r.last)
            return &r;
    return nullptr;
}

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool gs1__looks_raw(std::string_view data)
{
    if (data.find(GS1_GS) != std::string_view::npos)
        return true;
    return data.size() >= 16 && data.substr(0, 2) == "01" &&
           std::all_of(data.begin() + 2, data.begin() + 16, digit);
}

bool gs1__raw_to_bracketed(std::string_view raw, std::string &bracketed, std::string &error)
{
    bracketed.clear();
    std::size_t at = 0;
    if (at < raw.size() && raw[at] == GS1_GS)
        ++at;
    if (at == raw.size()) {
        error = pl__tr8(VL_TR("vellumo", "нет данных"));
        return false;
    }
    while (at < raw.size()) {
        const std::size_t ai_at = at;
        const int start = ai_at + 1 < raw.size() && digit(raw[ai_at]) && digit(raw[ai_at + 1])
                              ? (raw[ai_at] - '0') * 10 + (raw[ai_at + 1] - '0')
                              : -1;
        const ai_start *ai = start >= 0 ? row_for(ai_starts, start) : nullptr;
        if (!ai) {
            error = plt__to_utf8(msc__format(
                VL_TR("vellumo", "в позиции %1 нет идентификатора применения (ожидались цифры известного идентификатора)"),
                ai_at + 1));
            return false;
        }
        const std::size_t ai_end = ai_at + static_cast<std::size_t>(ai->digits);
        if (ai_end > raw.size() || !std::all_of(raw.begin() + static_cast<std::ptrdiff_t>(ai_at),
                                                raw.begin() + static_cast<std::ptrdiff_t>(ai_end), digit)) {
            error = plt__to_utf8(msc__format(VL_TR("vellumo", "идентификатор применения в позиции %1 оборван"), ai_at + 1));
            return false;
        }
        const std::string ai_text(raw.substr(ai_at, static_cast<std::size_t>(ai->digits)));
        std::size_t end;
        if (const fixed_value *f = row_for(fixed_values, start)) {
            end = ai_end + static_cast<std::size_t>(f->length);
            if (end > raw.size() || raw.substr(ai_end, end - ai_end).find(GS1_GS) != std::string_view::npos) {
                error = plt__to_utf8(msc__format(VL_TR("vellumo", "в поле (%1) должно быть %2 знаков"), ai_text.c_str(), f->length));
                return false;
            }
        } else {
            end = std::min(raw.find(GS1_GS, ai_end), raw.size());
        }
        if (end == ai_end) {
            error = plt__to_utf8(msc__format(VL_TR("vellumo", "поле (%1) пустое"), ai_text.c_str()));
            return false;
        }
        for (std::size_t i = ai_end; i < end; ++i) {
            const auto c = static_cast<unsigned char>(raw[i]);
            // Brackets would be taken for the start of another AI.
            if (c < 0x21 || c > 0x7E || c == '[' || c == ']') {
                error = plt__to_utf8(msc__format(VL_TR("vellumo", "в поле (%1) недопустимый знак (код %2) в позиции %3"),
                                                 ai_text.c_str(), static_cast<int>(c), i + 1));
                return false;
            }
        }
        bracketed += '[';
        bracketed += ai_text;
        bracketed += ']';
        bracketed.append(raw.substr(ai_end, end - ai_end));
        at = end;
        if (at < raw.size() && raw[at] == GS1_GS)
            ++at;
    }
    return true;
}

std::u16string gs1__shown(std::u16string_view s)
{
    std::u16string out(s);
    std::replace(out.begin(), out.end(), static_cast<char16_t>(GS1_GS), GS1_GS_MARK);
    return out;
}

std::u16string gs1__stored(std::u16string_view s)
{
    std::u16string out(s);
    std::replace(out.begin(), out.end(), GS1_GS_MARK, static_cast<char16_t>(GS1_GS));
    return out;
}
