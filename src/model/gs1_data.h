// GS1 data as marking systems export it: application identifiers (AIs) and
// their values one after another, a group separator (GS, 0x1D) ending each
// value of variable length that is not the last:
//   0104601234567893 21 ABCDEFGHIJKLM <GS> 91 EE06 <GS> 92 ...
// Such data is turned into the bracketed form libzint takes
// ("[01]04601234567893[21]ABCDEFGHIJKLM[91]EE06[92]..."), and GS is shown
// to a person as a visible mark.
#pragma once

#include <string>
#include <string_view>

inline constexpr char GS1_GS = '\x1D';
inline constexpr char16_t GS1_GS_MARK = u'\u241D'; // "␝", how fields show GS

// Whether a DataMatrix's data is meant as GS1 given raw: it holds a GS, or
// starts with AI 01 and its 14 digits (a marking code whose last field
// needs no GS).
bool gs1__looks_raw(std::string_view data);

// Raw GS1 data to the bracketed form.  A GS before the first AI (some
// exports begin with one for FNC1) and one after a value of fixed length
// are allowed; a GS at the very end too.  False with a Russian reason when
// the data is not that: an AI this program does not know the length of, a
// value cut short or empty, a character that is not printable ASCII.
// Whether each value is valid for its AI (check digits, character sets) is
// left to libzint.
bool gs1__raw_to_bracketed(std::string_view raw, std::string &bracketed, std::string &error);

// GS to its visible mark and back, for fields a person edits.
std::u16string gs1__shown(std::u16string_view s);
std::u16string gs1__stored(std::u16string_view s);
