// Copying labels between stores: a folder into the database (--import) and
// the database into a folder (--export).  A label the target already has is
// never replaced.
#pragma once

#include <cstdio>
#include <string>

#include "server/store.h"

struct copy_counts {
    int copied = 0;
    int existed = 0;    // the target had that name: left as it was
    int unreadable = 0; // could not be read from the source or taken by the target
};

// Copies every label of `from` that `to` does not have; one line on `out`
// for each label left out.  False with a reason when a store failed (the
// labels copied so far stay).
bool lsv__copy_labels(server_store &from, server_store &to, copy_counts &counts, std::string &error,
                      std::FILE *out);

// vellumo-server --import DIR / --export DIR with a database --store: the
// exit code (0: every label copied; 1: some left out or a store failed;
// 2: wrong options).  The counts go to standard output.
int lsv__copy_command(const std::string &store, const std::string &import_from, const std::string &export_to,
                      std::size_t cache_bytes);
