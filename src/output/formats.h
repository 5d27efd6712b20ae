// The output file formats, one row each: how a file name asks for it, how
// the file dialog and the messages name it, which sink writes it, and what
// it takes.  The editor's dialogs, vellumo-render and the sinks all read
// this table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "output/sink.h"
#include "platform/file_choice.h"

enum class doc_format { none, pdf, png, svg, zpl, tspl, epl };

struct output_format {
    doc_format format;
    const char16_t *extension; // lower case, without the dot
    const char16_t *name;      // as messages name it
    const char16_t *filter;    // the file dialog's name of its filter
    // The sink writing a file of this format (see out__file_sink).
    std::unique_ptr<page_sink> (*sink)(const label *lab, const std::u16string &path, const doc_options &o,
                                       bool numbered, std::u16string &error);
    bool all_pages; // one file takes every page of a run
    bool numbered;  // a run of pages is a file per page: NAME-0001.png …
    bool table;     // the editor offers it for a run from a table of data
    // A thermal printer's job: drawn at the printer's resolution
    // (doc_options::thermal), copies made by the printer.
    bool thermal = false;
};

// Every format, in the order dialogs and messages list them.
const std::vector<output_format> &out__formats();
// The row of a format; null for none.
const output_format *out__format(doc_format f);

// The format a file name asks for by its extension (any case), or none.
doc_format out__format_of(const std::u16string &path);

// The file dialog's filters of an export: every format, or with `table`
// those offered for a run from a table of data.
std::vector<file_filter> out__file_filters(bool table);
// The formats listed for a message: "PDF (.pdf), PNG (.png) и SVG (.svg)"
// (each `named`, else only ".pdf"), items parted by `separator` and the
// last by `last_separator`; with `table` only those offered for a table.
std::u16string out__format_list(bool table, bool named, const char16_t *separator, const char16_t *last_separator);
