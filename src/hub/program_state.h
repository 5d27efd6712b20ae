// The lists every frame of the program shares, kept apart from any window:
// the font list (offered for text elements, fetched from a server) and the
// preview variables (sent with every render).  Read from the settings at
// start-up, written back at shutdown.
#pragma once

#include <string>
#include <vector>

#include "exchange/preview_var.h"

std::vector<std::u16string> &prs__fonts();
std::vector<preview_var> &prs__variables();

// A stored variable list as pairs; a trailing name without a value is dropped.
std::vector<preview_var> prs__variables_from(const std::vector<std::u16string> &stored);
std::vector<std::u16string> prs__variables_to(const std::vector<preview_var> &vars);

// Start-up: "font-list", then "variables-list".
void prs__load();
// Shutdown: the font list is written when it holds a name (an empty list
// leaves the stored one as it was), the variables always; both are emptied.
void prs__save();
