// Parts of a zip package (an .xlsx or .ods file) read through libzip, with
// the limits a file from outside needs: nothing is ever written to disk,
// and a part that inflates beyond its bound (in bytes, or against its
// compressed size) stops being read at that point, whatever its headers
// claim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct zip;
struct zip_file;

inline constexpr std::uint64_t ZIP_MAX_PART = std::uint64_t(1) << 30; // 1 GiB inflated
inline constexpr std::uint64_t ZIP_MAX_RATIO = 200;                  // inflated : compressed
inline constexpr std::uint64_t ZIP_RATIO_SLACK = std::uint64_t(1) << 20; // small parts inflate freely
inline constexpr long ZIP_MAX_ENTRIES = 10000;

// Why a package or a part is refused (Russian, without the file's name: the
// caller names the file).
struct zip_problem {
    std::u16string text;
};

class zip_package;

// One part, read from its start as a stream of bytes.
class zip_part {
public:
    ~zip_part();
    zip_part(const zip_part &) = delete;
    zip_part &operator=(const zip_part &) = delete;

    // Up to `size` bytes; 0 at the end; -1 with `problem` set when the part
    // is damaged or beyond the limits.
    long read(char *buf, std::size_t size, zip_problem &problem);
    const std::string &name() const { return name_; }

private:
    friend class zip_package;
    zip_part(zip_file *f, std::string name, std::uint64_t declared, std::uint64_t compressed, std::uint64_t limit)
        : f_(f), name_(std::move(name)), declared_(declared), compressed_(compressed), limit_(limit)
    {
    }
    zip_file *f_;
    std::string name_;
    std::uint64_t declared_, compressed_, limit_, inflated_ = 0;
};

class zip_package {
public:
    zip_package() = default;
    ~zip_package();
    zip_package(const zip_package &) = delete;
    zip_package &operator=(const zip_package &) = delete;

    // False with `problem` set for a file libzip does not take as a whole
    // (truncated, inconsistent headers, encrypted) or with too many parts.
    bool open(const std::string &path, zip_problem &problem);
    bool has(const std::string &name) const;
    // A part to read, or null with `problem` set (missing, encrypted, an
    // unknown compression, declared beyond the limits).  `limit` bounds
    // its inflated size below ZIP_MAX_PART.
    std::unique_ptr<zip_part> part(const std::string &name, zip_problem &problem,
                                   std::uint64_t limit = ZIP_MAX_PART) const;
    // A small part as a whole (at most `limit` bytes).
    bool read_all(const std::string &name, std::string &out, zip_problem &problem,
                  std::uint64_t limit = 16u << 20) const;

private:
    zip *z_ = nullptr;
};

// The zip signature at the start of a file's bytes.
bool zip__looks_like_zip(const char *head, std::size_t size);
