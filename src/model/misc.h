// Number text, the reading of typed numbers and the formatting into UTF-16.
// Text encodings are in platform/code_pages.h, whole-file input/output in
// platform/file_io.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

// Number to text.  Each kind has its own static buffer of 100 characters,
// overwritten by the next conversion of the same kind.  The text never
// depends on the process locale (always a decimal point).
const char16_t *msc__int_to_string(int value);
const char16_t *msc__double_to_string(double value); // "%f"

// A real number typed by a user: the whole text (blanks around it allowed)
// is one number, with a decimal point or a decimal comma, optional sign and
// exponent, and finite.  False for anything else ("", "abc", "12abc", "inf").
bool msc__parse_real(std::u16string_view text, double &out);

// Formatting into UTF-16 with numbered placeholders, checked when compiled.
//
//   %1 ... %9    argument 1 ... 9 as it is: a text (const char16_t *, or a
//                UTF-8 const char *; a null one shows "(null)") or an integer
//                in decimal.
//   %{N:spec}    argument N with spec [0][width][.precision][X|f|g]: X is
//                upper-case hexadecimal (integers), f fixed and g general
//                notation (a real number needs one of them: "%{1:.2f}"); a
//                leading 0 pads to the width with zeros ("U+%{1:04X}").  An
//                empty spec ("%{1:}") is the plain form, for a digit that
//                follows the argument.
//   %%           a percent sign.
//
// A translation may put the arguments in any order and show one more than
// once, but shows each at least once.  A format that does not fit its
// arguments (a number past the last, an argument never shown, a spec the
// argument's type does not take, a type not listed above) does not compile.
// Real numbers never depend on the process locale (a decimal point).
//
// The format is a literal or a constexpr array (messages.h); a function that
// passes a format on takes it as msc__fmt<its argument types>.
template <class... Args>
class msc__fmt;

namespace msc_detail {

enum class arg_kind : unsigned char { unsupported, signed_int, unsigned_int, real, text16, text8 };

// The type a format is checked against: texts as const pointers, whatever
// array or pointer the caller has.
template <class T>
struct arg_norm {
    using type = std::remove_cv_t<T>;
};
template <class T>
struct arg_norm<T *> {
    using type = const std::remove_cv_t<T> *;
};
template <class T, std::size_t N>
struct arg_norm<T[N]> {
    using type = const std::remove_cv_t<T> *;
};

template <class T>
consteval arg_kind kind_of()
{
    if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, char> || std::is_same_v<T, signed char> ||
                  std::is_same_v<T, unsigned char> || std::is_same_v<T, char8_t> ||
                  std::is_same_v<T, char16_t> || std::is_same_v<T, char32_t> || std::is_same_v<T, wchar_t>)
        return arg_kind::unsupported; // a character or a truth value: say which text it is
    else if constexpr (std::is_integral_v<T>)
        return std::is_signed_v<T> ? arg_kind::signed_int : arg_kind::unsigned_int;
    else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, float>)
        return arg_kind::real;
    else if constexpr (std::is_same_v<T, const char16_t *>)
        return arg_kind::text16;
    else if constexpr (std::is_same_v<T, const char *>)
        return arg_kind::text8;
    else
        return arg_kind::unsupported; // a std::u16string: pass its c_str()
}

struct spec {
    bool zero = false;
    int width = -1;
    int precision = -1;
    char conv = 0; // 0, 'X', 'f' or 'g'
};

// One '%' sequence of a format.
struct piece {
    enum kind_t { percent, placeholder, bad } kind = bad;
    const char16_t *end = nullptr; // just past the sequence
    std::size_t index = 0;         // from 0
    spec sp;
    const char *why = nullptr; // what is wrong with a bad one
};

constexpr bool is_digit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Reads the sequence that begins at the '%' at p.
constexpr piece read_piece(const char16_t *p)
{
    piece r;
    auto bad = [&r](const char *why) {
        r.kind = piece::bad;
        r.why = why;
        return r;
    };
    ++p;
    if (*p == u'%') {
        r.kind = piece::percent;
        r.end = p + 1;
        return r;
    }
    const bool braced = *p == u'{';
    if (braced)
        ++p;
    if (!is_digit(*p) || *p == u'0')
        return bad("'%' is followed by neither '%', a number 1-9 nor '{N:spec}'");
    r.index = static_cast<std::size_t>(*p++ - u'1');
    if (!braced) {
        if (is_digit(*p))
            return bad("a digit right after %N: arguments go up to 9; write %{N:} before a digit");
        r.kind = piece::placeholder;
        r.end = p;
        return r;
    }
    if (*p++ != u':')
        return bad("%{N:spec} needs ':' after the number");
    auto number = [&p]() {
        int v = 0;
        for (int digits = 0; is_digit(*p) && digits < 2; ++digits)
            v = v * 10 + (*p++ - u'0');
        return v;
    };
    if (*p == u'0') {
        r.sp.zero = true;
        ++p;
    }
    if (is_digit(*p))
        r.sp.width = number();
    if (*p == u'.') {
        ++p;
        if (!is_digit(*p))
            return bad("a '.' in a spec needs the precision after it");
        r.sp.precision = number();
    }
    if (*p == u'X' || *p == u'f' || *p == u'g')
        r.sp.conv = static_cast<char>(*p++);
    if (*p != u'}')
        return bad("a spec is [0][width][.precision][X|f|g] and ends with '}' (at most two digits each)");
    r.end = p + 1;
    r.kind = piece::placeholder;
    return r;
}

// Not constexpr: called while a format is checked, it stops the compilation
// there, and the line shown with the error says what is wrong.
inline void format_does_not_fit(const char *) {}

// A format that does not fit: while compiling, an error; at run time (a
// translated format), false.
template <bool AtCompile>
constexpr bool does_not_fit(const char *why)
{
    if constexpr (AtCompile)
        format_does_not_fit(why);
    return false;
}

// Whether the format at p fits arguments of these kinds.
template <bool AtCompile>
constexpr bool check(const char16_t *p, const arg_kind *kinds, std::size_t count)
{
    if (count > 9)
        return does_not_fit<AtCompile>("more than 9 arguments");
    for (std::size_t i = 0; i < count; ++i)
        if (kinds[i] == arg_kind::unsupported)
            return does_not_fit<AtCompile>("an argument of a type no placeholder shows (integer, double, "
                                "const char16_t *, const char *; a string's c_str())");
    bool used[9] = {};
    while (*p) {
        if (*p != u'%') {
            ++p;
            continue;
        }
        const piece pc = read_piece(p);
        if (pc.kind == piece::bad)
            return does_not_fit<AtCompile>(pc.why);
        if (pc.kind == piece::placeholder) {
            if (pc.index >= count)
                return does_not_fit<AtCompile>("a placeholder's number is past the last argument");
            const spec &s = pc.sp;
            switch (kinds[pc.index]) {
            case arg_kind::text16:
            case arg_kind::text8:
                if (s.zero || s.width >= 0 || s.precision >= 0 || s.conv)
                    return does_not_fit<AtCompile>("a text takes no spec");
                break;
            case arg_kind::signed_int:
            case arg_kind::unsigned_int:
                if (s.precision >= 0 || (s.conv && s.conv != 'X'))
                    return does_not_fit<AtCompile>("an integer takes [0][width][X] only");
                break;
            case arg_kind::real:
                if (s.conv != 'f' && s.conv != 'g')
                    return does_not_fit<AtCompile>("a real number needs f or g: %{N:.2f}");
                break;
            case arg_kind::unsupported:
                break;
            }
            used[pc.index] = true;
        }
        p = pc.end;
    }
    for (std::size_t i = 0; i < count; ++i)
        if (!used[i])
            return does_not_fit<AtCompile>("an argument that the format never shows");
    return true;
}

// An argument as the formatting reads it.
struct arg {
    arg_kind kind = arg_kind::unsupported;
    long long i = 0;
    unsigned long long u = 0; // the integer in its own width, for X
    double d = 0;
    const char16_t *s16 = nullptr;
    const char *s8 = nullptr;
};

template <class T>
arg make_arg(const T &v)
{
    using N = typename arg_norm<std::remove_cvref_t<T>>::type;
    constexpr arg_kind k = kind_of<N>();
    static_assert(k != arg_kind::unsupported, "msc__format: an argument of a type no placeholder shows");
    arg a;
    a.kind = k;
    if constexpr (k == arg_kind::signed_int) {
        a.i = v;
        a.u = static_cast<std::make_unsigned_t<N>>(v);
    } else if constexpr (k == arg_kind::unsigned_int) {
        a.u = v;
    } else if constexpr (k == arg_kind::real) {
        a.d = v;
    } else if constexpr (k == arg_kind::text16) {
        a.s16 = v;
    } else if constexpr (k == arg_kind::text8) {
        a.s8 = v;
    }
    return a;
}

// Fills a checked format; a null format gives the empty text.
std::u16string render(const char16_t *fmt, const arg *args, std::size_t count, std::size_t limit);

void write_debug(const std::u16string &text);

} // namespace msc_detail

template <class... Args>
class msc__fmt {
public:
    // Checks the format while compiling.
    consteval msc__fmt(const char16_t *text) : text_(text)
    {
        constexpr msc_detail::arg_kind kinds[] = {msc_detail::kind_of<Args>()..., msc_detail::arg_kind::unsupported};
        msc_detail::check<true>(text, kinds, sizeof...(Args));
    }
    // No format (a table's "no message"): the empty text.
    consteval msc__fmt(std::nullptr_t) : text_(nullptr) {}
    constexpr const char16_t *text() const { return text_; }

private:
    const char16_t *text_;
};

template <class T>
using msc__arg_type = typename msc_detail::arg_norm<std::remove_cvref_t<T>>::type;

// The format filled with the arguments, cut to `limit` characters.
template <class... Args>
std::u16string msc__format_limited(std::size_t limit, msc__fmt<msc__arg_type<Args>...> fmt, const Args &...args)
{
    const msc_detail::arg packed[] = {msc_detail::make_arg(args)..., msc_detail::arg()};
    return msc_detail::render(fmt.text(), packed, sizeof...(Args), limit);
}

// The format filled with the arguments.
template <class... Args>
std::u16string msc__format(msc__fmt<msc__arg_type<Args>...> fmt, const Args &...args)
{
    return msc__format_limited(static_cast<std::size_t>(-1), fmt, args...);
}

// Debugging text to stderr, at most 10238 characters.
template <class... Args>
void msc__debug_out(msc__fmt<msc__arg_type<Args>...> fmt, const Args &...args)
{
    msc_detail::write_debug(msc__format_limited(10238, fmt, args...));
}
