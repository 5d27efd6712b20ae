// Text between the program's UTF-16 strings and Qt's, in one place.
#pragma once

#include <QString>
#include <string>
#include <string_view>

inline QString qs(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::u16string us(const QString &s)
{
    return std::u16string(reinterpret_cast<const char16_t *>(s.utf16()), static_cast<std::size_t>(s.size()));
}
