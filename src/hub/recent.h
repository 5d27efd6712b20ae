// "Файл → Недавние": the labels last opened or saved, files and labels on
// servers, the most recent first, kept in the settings as a list of texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/element.h"

inline constexpr int REC_MAX = 10;

struct recent_label {
    bool local = true;    // a file; else a label on a server
    std::u16string place; // the file's path, or the server's address
    std::u16string name;  // the label's name on the server (a file: empty)
    bool operator==(const recent_label &) const = default;
};

// One entry as the settings keep it: "file", a tab and the path; or
// "server", a tab, the address, a tab and the name (which may hold tabs).
std::u16string rec__encode(const recent_label &r);
std::optional<recent_label> rec__decode(std::u16string_view text);

// The list as stored, without the entries that do not read and without
// repeats, at most REC_MAX.
std::vector<recent_label> rec__list();
// A label just opened or saved where it has its place: first in the list.
// A label without a place is not remembered.
void rec__remember(const label &lab);
void rec__forget(const recent_label &r);
// A label renamed on its server: its entry follows.
void rec__renamed(const std::u16string &server, const std::u16string &old_name, const std::u16string &new_name);
// What the menu shows for an entry: the file's name and its folder, or the
// label's name and its server.
std::u16string rec__caption(const recent_label &r);

// Loads an entry as Open would.  A file that is gone, or a label its server
// says it does not have, is taken off the list with a message; a server no
// longer on the server list is named in a message; other failures show
// their usual messages and leave the entry.
label_ptr rec__open(const recent_label &r);
