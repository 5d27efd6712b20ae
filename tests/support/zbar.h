// What zbarimg reads in a picture ("" when it finds no code), so that tests
// check barcodes with a decoder that is not ours.
#pragma once

#include <QImage>
#include <QString>
#include <cstdio>
#include <string>

#include "support/temp_dir.h"

// What a reading command prints, its last line ends cut.
inline std::string run_reading(const std::string &command)
{
    std::FILE *p = ::popen(command.c_str(), "r");
    std::string out;
    char buf[512];
    while (p && std::fgets(buf, sizeof buf, p))
        out += buf;
    if (p)
        ::pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

inline std::string zbar_read(const QImage &img)
{
    temp_dir dir;
    const std::string file = (dir / "code.png").string();
    img.save(QString::fromStdString(file));
    return run_reading("zbarimg --raw -q '" + file + "' 2>/dev/null");
}
