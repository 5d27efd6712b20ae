// Text between the program's UTF-16 and the narrow encodings: UTF-8 (XML-RPC,
// files, logs) and the platform's own narrow encoding.
#pragma once

#include <string>
#include <string_view>

// UTF-16 <-> UTF-8.  Ill-formed input (lone surrogates, bad UTF-8 bytes)
// becomes U+FFFD; the conversion itself never fails.
std::string plt__to_utf8(std::u16string_view s);
std::u16string plt__from_utf8(std::string_view s);

// The narrow encoding of the platform (the locale's; UTF-8 on Linux) used
// for server addresses, library messages and file names.
std::string plt__to_ansi(std::u16string_view s);
std::u16string plt__from_ansi(std::string_view s);
