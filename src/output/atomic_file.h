// Files written under a temporary name beside the target and renamed over
// it once complete: a failed or cancelled export leaves the old file (or
// no file) and never a part of one.
#pragma once

#include <QSaveFile>
#include <string>

// Why a file did not take its bytes, as the user reads it.
std::u16string out__save_failure(const QSaveFile &file);
// "Файл «path» не записан: why."
std::u16string out__not_written(const std::u16string &path, const std::u16string &why);

// A file written under a temporary name and renamed into place by commit().
struct atomic_file {
    QSaveFile file;
    std::u16string path;

    explicit atomic_file(const std::u16string &p);
    // False with `error` set when the file cannot be started here (a
    // folder, a link or a device in its place, no room or no right).
    bool open(std::u16string &error);
    // Puts the file in place; false with `error` set (and nothing replaced)
    // when its bytes did not all reach the disk.
    bool commit(std::u16string &error);
};
