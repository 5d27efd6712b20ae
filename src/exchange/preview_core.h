// What the preview does without a window: the JPEG from the server decoded
// into the picture view's buffer, the log made ready for the log view, the
// preview variables edited, the picture size mapped to a resolution.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "exchange/preview_var.h"

// Largest picture the preview decodes (a little above what the project's
// server renders); a header claiming more is refused, not allocated.
inline constexpr long long PRV_MAX_PIXELS = 120LL * 1000 * 1000;

enum class prv_decode { ok, partial, failed };

// 24-bit blue-green-red pixels, rows bottom-up, each padded to a multiple
// of 4 bytes; grey pictures are expanded, other component counts refused.
// Truncated data is never read past its end: what arrived is decoded and
// the result is `partial`.
prv_decode prv__decode_jpeg(const unsigned char *data, std::size_t len, std::vector<unsigned char> &pixels,
                            int &width, int &height);

// A carriage return before every line feed; everything else kept.
std::u16string prv__log_text(std::u16string_view log);

// The resolution of a stored picture size (0, 1, 2 → 75, 150, 300 dpi); any
// other stored value is taken as the smallest size.
int prv__resolution(int size_index);

// "Запомнить": -1 when the name or the value is empty (nothing changes), 1
// when a variable's value was replaced in its place, 0 when one was appended.
int prv__remember(std::vector<preview_var> &vars, const std::u16string &name, const std::u16string &value);
// "Удалить": true when a variable of that name was removed.
bool prv__forget(std::vector<preview_var> &vars, const std::u16string &name);
