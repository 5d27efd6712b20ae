#include "output/sheet_sources.h"

#include <memory>
#include <mutex>

sheet_paths sht__default_paths()
{
    return {};
}

sheet_catalogue sht__load_catalogue(const sheet_paths &paths)
{
    (void)paths;
    return {};
}

namespace {
std::mutex catalogue_lock;
std::unique_ptr<sheet_catalogue> loaded;
} // namespace

const sheet_catalogue &sht__catalogue()
{
    std::lock_guard<std::mutex> hold(catalogue_lock);
    if (!loaded)
        loaded = std::make_unique<sheet_catalogue>(sht__load_catalogue(sht__default_paths()));
    return *loaded;
}

void sht__reload()
{
    std::lock_guard<std::mutex> hold(catalogue_lock);
    loaded.reset();
}

const sheet_entry *sht__find(const sheet_catalogue &c, std::string_view name)
{
    (void)c;
    (void)name;
    return nullptr;
}

std::vector<const sheet_entry *> sht__search(const sheet_catalogue &c, std::u16string_view words)
{
    (void)words;
    std::vector<const sheet_entry *> found;
    for (const sheet_entry &e : c.sheets)
        found.push_back(&e);
    return found;
}

std::string sht__list_line(const sheet_entry &e)
{
    return sht__name(e.sheet);
}

std::vector<label_sheet> sht__read_user_sheets(const std::string &path, std::u16string &error)
{
    (void)path;
    (void)error;
    return {};
}

bool sht__write_user_sheets(const std::string &path, const std::vector<label_sheet> &sheets, std::u16string &error)
{
    (void)path;
    (void)sheets;
    error = u"Не сделано.";
    return false;
}
