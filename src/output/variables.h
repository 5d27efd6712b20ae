// The merge of a row of a table of data into a label's variables: what
// the editor's batches, vellumo-render and the label server's documents
// put in place of each ${name}.
#pragma once

#include <string>
#include <vector>

#include "exchange/preview_var.h"
#include "model/element.h"
#include "render/render.h"

// The names of every ${name} the label's enabled texts and barcodes use,
// each once, in the order they first appear.
std::vector<std::u16string> out__label_names(const label *lab);

// The variables for one label: for each name the label uses, the cell of
// the column of that name, else the preview variable, else empty text.
// Counters (names that begin with "#") are left to the run.
render_variable_map out__row_variables(const std::vector<std::u16string> &names,
                                       const std::vector<std::u16string> &columns,
                                       const std::vector<std::u16string> &cells,
                                       const std::vector<preview_var> &preview);
// Without a table: the preview variables, as the server's preview takes
// them; a name without one stays as written, as the canvas and the
// preview show it.
render_variable_map out__preview_variables(const std::vector<std::u16string> &names,
                                           const std::vector<preview_var> &preview);

// The names the label uses that no column of the table has (counters
// aside).
std::vector<std::u16string> out__names_without_column(const std::vector<std::u16string> &names,
                                                      const std::vector<std::u16string> &columns);
