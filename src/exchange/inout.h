// Label exchange: the XML-RPC form of a label and local label files.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <xmlrpc-c/base.h>

#include "model/element.h"

// The label as one XML-RPC struct.  Returns null with a fault pending when
// the label holds text that XML-RPC cannot carry or a number that is not
// finite (see ino__unsavable) or the library ran out of resources.
xmlrpc_value *ino__label_to_value(const label *lab, xmlrpc_env *env);

// A label from its struct (param_array false) or from a method's parameter
// array that must hold exactly that struct (param_array true).  Null either
// with a fault pending or, for a refusal without one, with none.
//
// Its sheet ("sheet", written only for a label that has one) is taken only
// whole and sound (sht__check): any other comes from a program that wrote
// it wrong or from an attacker, and the label is read without it, `why`
// (when given) saying why, as a sentence.
label_ptr ino__value_to_label(xmlrpc_env *env, xmlrpc_value *value, bool param_array,
                              std::u16string *sheet_dropped = nullptr);

// The first piece of text of the label that cannot be stored (a control
// character other than TAB, LF and CR, a character outside the Basic
// Multilingual Plane, a broken surrogate, U+FFFE or U+FFFF; GS is stored in
// a barcode's code, unless the code also holds GS's mark U+241D), as a
// message for the user naming where it is; nothing when every text can be
// stored.
std::optional<std::u16string> ino__unsavable_text(const label *lab);
// The first number of the label that is not finite (infinity, NaN), as a
// message for the user; nothing when every number can be written.
std::optional<std::u16string> ino__unsavable_number(const label *lab);
// Either of the two above.
std::optional<std::u16string> ino__unsavable(const label *lab);
// The first code point of `s` that XML-RPC cannot carry, or 0.
char32_t ino__unsendable_char(std::u16string_view s);

// Local label files: the method call "labels.local_store" with the label as
// its one parameter.  Both show their own messages.
int ino__save_file(const std::u16string &path, const label *lab);
label_ptr ino__load_file(const std::u16string &path);
// The reading half of ino__load_file: the bytes of a file.  `release_input`
// is called once the bytes are no longer needed.
label_ptr ino__load_memory(const char *xml, std::size_t len,
                           const std::function<void()> &release_input = {}, const std::u16string &path = {});

// Room for pictures: the largest EPS file (in bytes) that can still go into
// the label, in place of `replaced`'s picture (or as a new element when
// null), so that the label stays within the size the program can read back.
std::uint64_t ino__picture_room(const label *lab, const element *replaced);
// False with a fault naming the label when its document of `size` bytes is
// past that size.
bool ino__document_size_ok(xmlrpc_env *env, const label *lab, std::size_t size);
// Why the picture file `path` of `size` bytes cannot go into the label (in
// place of `replaced`'s picture, or as a new element): nothing when it can.
std::optional<std::u16string> ino__picture_refusal(const label *lab, const element *replaced,
                                                   const std::u16string &path, std::uint64_t size);
// Why the label is too large to be sent to a server or read back: nothing
// when it is not.
std::optional<std::u16string> ino__too_large_to_send(const label *lab);

// The file form without messages (for the label server): the bytes of a
// file holding the label, or false with a fault; and the parameter array of
// a file's method call (read it with the carriage-return scope active), or
// null with a fault or with `wrong_method` set.
bool ino__file_bytes(const label *lab, std::string &out, xmlrpc_env *env);
xmlrpc_value *ino__file_value(const char *xml, std::size_t len, xmlrpc_env *env, bool &wrong_method,
                              const std::function<void()> &release_input = {});

// "FFFFFF" form of a colour and its reading with scanf's "%X" rules.
std::string ino__colour_to_string(std::uint32_t colour);
std::optional<std::uint32_t> ino__colour_from_string(std::string_view s);

// The method name of local label files.
inline constexpr char INO_LOCAL_METHOD[] = "labels.local_store";
