// Typed settings values under the program's key.  Reading never fails
// loudly: a missing value or one of another type gives the default.  Writing
// is all-or-nothing; a failure is told to the user and changes nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_backend.h"

using HKEY = reg_root;
inline constexpr HKEY HKEY_CURRENT_USER = reg_root::current_user;
inline constexpr HKEY HKEY_LOCAL_MACHINE = reg_root::local_machine;

enum : std::int32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_DWORD_BIG_ENDIAN = 5,
    REG_MULTI_SZ = 7,
};

// The program's key below HKEY_CURRENT_USER.
inline constexpr char16_t REG_PATH[] = u"Software\\ZELTA\\ORMIK\\";

struct reg_regdata {
    std::int32_t type = REG_NONE;
    union {
        char16_t *sz;
        char16_t *expand_sz;
        unsigned char *binary;
        char16_t *multi_sz;
        std::uint32_t dword;
    } rdata{};
    // Bytes as read; after expansion, characters.
    std::uint32_t size = 0;
};

void reg__free(reg_regdata *d);

struct reg_regdata_deleter {
    void operator()(reg_regdata *d) const { reg__free(d); }
};
using reg_regdata_ptr = std::unique_ptr<reg_regdata, reg_regdata_deleter>;

// wanted_type 0 accepts any of the known types.
reg_regdata_ptr reg__read(HKEY root, std::u16string_view path, std::u16string_view name,
                          bool expand, std::int32_t wanted_type);

std::int32_t reg__get_int(HKEY root, std::u16string_view path, std::u16string_view name,
                          std::int32_t def);
double reg__get_double(HKEY root, std::u16string_view path, std::u16string_view name, double def);
std::optional<std::u16string> reg__get_string(HKEY root, std::u16string_view path,
                                              std::u16string_view name);
// A string list: NUL-terminated strings one after another, then one more
// NUL.  Sum of (length + 1) over the strings up to the first empty one, plus 1.
std::size_t reg__multi_len(const char16_t *multi);
std::u16string reg__multidup(const char16_t *multi);

// Between a string list and its strings.  Joining stops the list at the
// first empty string, as reading would.
std::vector<std::u16string> reg__multi_split(const char16_t *multi);
std::u16string reg__multi_join(const std::vector<std::u16string> &strings);

// Lists whose strings may be empty (a preview variable without a value):
// every string with its NUL, then one more NUL, read back by the value's
// size rather than up to the first empty string.  The block of a list, or
// nothing for the one list this form cannot hold (a single empty string)
// and for strings holding a NUL.
std::optional<std::u16string> reg__list_block(const std::vector<std::u16string> &strings);
// The strings of `n` characters of list data; a missing final NUL, an
// unterminated last string or an empty value are read without going past
// the data.
std::vector<std::u16string> reg__list_split(const char16_t *data, std::size_t n);
std::optional<std::vector<std::u16string>> reg__get_list(HKEY root, std::u16string_view path,
                                                         std::u16string_view name);

// Writers: 1 when written.  A write that fails tells the user once, in a
// warning naming the file and the reason, and the program goes on with the
// old settings file intact; so does text the file cannot hold (a broken
// surrogate pair).
int reg__set_int(std::u16string_view path, std::u16string_view name, std::int32_t value);
int reg__set_double(std::u16string_view path, std::u16string_view name, double value);
int reg__set_string(HKEY root, std::u16string_view path, std::u16string_view name,
                    std::u16string_view value);
// A list in the form above; refused with the warning when it cannot be held.
int reg__set_list(HKEY root, std::u16string_view path, std::u16string_view name,
                  const std::vector<std::u16string> &strings);
// Writes exactly the characters of `block` (a list block, see above).
int reg__set_multi_block(HKEY root, std::u16string_view path, std::u16string_view name,
                         std::u16string_view block);

// Replaces %NAME% references with the environment's values; unknown names
// and a lone % stay as they are.
std::u16string reg__expand_environment(std::u16string_view s);
