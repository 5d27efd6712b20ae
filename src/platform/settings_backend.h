// Where typed settings values live.  The settings module asks for one value
// at a time by root, key path and name; the backend keeps no state between
// calls.  On Linux the values live in a per-user file in the text form of a
// Windows registry export; another backend (the Windows registry itself) can
// take its place without touching the callers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/seam.h"

enum class reg_root { current_user, local_machine };

struct reg_value {
    std::uint32_t type = 0;
    std::vector<unsigned char> bytes;
    bool operator==(const reg_value &) const = default;
};

// Which step of a write failed, mirroring open-key, set-value, close-key.
enum class reg_write_result { ok, create_key_failed, set_value_failed, close_key_failed };

// Why a write failed, for the user.
enum class reg_write_cause {
    none,
    system,       // `error` holds errno
    lock_timeout, // another program held the lock too long
    unreadable,   // the existing file could not be read (`error` holds errno)
};

struct reg_write_status {
    reg_write_result step = reg_write_result::ok;
    reg_write_cause cause = reg_write_cause::none;
    int error = 0;
    std::string file; // the settings file concerned
    bool ok() const { return step == reg_write_result::ok; }
};

// Seconds a write waits for the lock of the settings file.
inline constexpr int REG_LOCK_WAIT_MS = 3000;
// Largest settings file read; a larger one counts as unreadable.
inline constexpr std::size_t REG_MAX_FILE = std::size_t{16} << 20;

class settings_backend {
public:
    virtual ~settings_backend() = default;
    virtual std::optional<reg_value> read(reg_root root, std::u16string_view path,
                                          std::u16string_view name) = 0;
    virtual reg_write_status write(reg_root root, std::u16string_view path,
                                   std::u16string_view name, const reg_value &v) = 0;
    // Where the values live, for messages.
    virtual std::string location() const = 0;
};

// The program's folder of per-user files: "ZELTA" under $XDG_CONFIG_HOME
// (~/.config when unset or not an absolute path), looked up on every call.
std::string plt__config_folder();

// The per-user file "ZELTA/ORMIK.reg" under $XDG_CONFIG_HOME (~/.config when
// unset), looked up on every call.  Reads read the whole file; writes are
// read-modify-write under an exclusive lock on "ORMIK.reg.lock" and replace
// the file atomically.  Lines it does not understand are written back as
// they stand.  The lock is waited for at most `lock_wait_ms`; a file that
// is a symbolic link is replaced where the link points.
class reg_file_backend final : public settings_backend {
public:
    // An empty path means the per-user default, resolved at each call.
    explicit reg_file_backend(std::string file = {}) : file_(std::move(file)) {}
    std::optional<reg_value> read(reg_root root, std::u16string_view path,
                                  std::u16string_view name) override;
    reg_write_status write(reg_root root, std::u16string_view path, std::u16string_view name,
                           const reg_value &v) override;
    std::string file_path() const;
    std::string location() const override { return file_path(); }
    int lock_wait_ms = REG_LOCK_WAIT_MS;

private:
    std::string file_;
};

// The text form: parsing and rewriting one document.  Exposed for tests.
namespace reg_text {
// Finds `name` in section `section` (case-insensitive, as the registry).
std::optional<reg_value> find(std::u16string_view doc, std::u16string_view section,
                              std::u16string_view name);
// The document with `name` in `section` set to `v`; every other line kept.
std::u16string set(std::u16string_view doc, std::u16string_view section,
                   std::u16string_view name, const reg_value &v);
// Decodes file bytes: UTF-8 (with or without BOM) or UTF-16LE with BOM.
std::u16string decode(const std::vector<unsigned char> &bytes);
// The section header text for a root and key path ("HKEY_CURRENT_USER\\...").
std::u16string section_name(reg_root root, std::u16string_view path);
} // namespace reg_text

template <>
settings_backend &seam<settings_backend>::fallback();
