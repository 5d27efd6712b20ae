// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the scope.
#pragma once

#include <filesystem>
#include <string>
#include <cstdlib>

class temp_dir {
public:
    temp_dir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vellumo-XXXXXX").string();
        char *p = mkdtemp(tmpl.data());
        if (p)
            path_ = p;
    }
    ~temp_dir()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    temp_dir(const temp_dir &) = delete;
    temp_dir &operator=(const temp_dir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::u16string u16(const std::filesystem::path &p)
{
    std::u16string out;
    for (unsigned char c : p.string())
        out += static_cast<char16_t>(c); // test paths are ASCII
    return out;
}
