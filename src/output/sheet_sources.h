// Where sheets of labels come from: the template database of glabels and
// the label list of LibreOffice where either is installed, a small built-in
// set of A4 sheets, and the user's own sheets in a file of the program's.
// All of them go into one catalogue, searchable by brand, part,
// description and size.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/sheet.h"

enum class sheet_source : std::uint8_t { glabels, libreoffice, built_in, user };

struct sheet_entry {
    label_sheet sheet;
    sheet_source source = sheet_source::built_in;
};

struct sheet_catalogue {
    std::vector<sheet_entry> sheets;
    // Files (or entries of them) that could not be read: how many, and one
    // line each saying which and why.
    long refused = 0;
    std::vector<std::u16string> log;
};

// Where the catalogue reads from; an empty path is not read.
struct sheet_paths {
    std::string glabels_folder;     // *.xml templates, paper-sizes.xml beside them
    std::string libreoffice_labels; // labels.xml
    std::string user_file;          // the user's own sheets
};

// The installed places: /usr/share/libglabels-3.0/templates,
// /usr/lib/libreoffice/share/labels/labels.xml and the user's file in the
// configuration folder.  VELLUMO_SHEET_GLABELS, VELLUMO_SHEET_LIBREOFFICE
// and VELLUMO_SHEET_USER, when set, stand for each (tests, a missing
// database: set to "").
sheet_paths sht__default_paths();

// Everything from `paths`, built-in sheets included.  A broken or hostile
// file is skipped (counted, with a line in the log); it never stops the
// catalogue.
sheet_catalogue sht__load_catalogue(const sheet_paths &paths);
// The catalogue of sht__default_paths(), read once per process and read
// again after sht__reload().
const sheet_catalogue &sht__catalogue();
void sht__reload();

// The sheet named "BRAND PART" (case ignored; the user's own sheets first,
// then built-in, glabels, LibreOffice); null for none.
const sheet_entry *sht__find(const sheet_catalogue &c, std::string_view name);

// Sheets whose brand, part, description, paper or size ("70x37", "70×37"
// or "70х37", in mm to a tenth) contain every word of `words` (case
// ignored); all of them for no words.
std::vector<const sheet_entry *> sht__search(const sheet_catalogue &c, std::u16string_view words);

// The label's size in mm to a tenth, its sides joined by `times`:
// "66.7x25.4".
std::string sht__size_text(const label_sheet &s, std::string_view times = "x");

// The brand of the built-in sheets: "Vellumo A4-24".
inline constexpr char SHT_BUILT_IN_BRAND[] = "Vellumo";

// One line for a listing: "BRAND PART, description, paper, WxH mm, N".
std::string sht__list_line(const sheet_entry &e);

// The user's own sheets: read from and written to `path` (written whole,
// atomically).  Reading a missing file gives none; a broken one gives none
// with `error` set; a sheet sht__check refuses is left out, `error` naming
// the first such.  Writing refuses (false, nothing written) a sheet without
// a part, one sht__check refuses, or text XML would not give back as it is
// (control characters, bad UTF-8).  The user's sheets keep the brand they
// are given; one without a brand is found by its part alone.
std::vector<label_sheet> sht__read_user_sheets(const std::string &path, std::u16string &error);
bool sht__write_user_sheets(const std::string &path, const std::vector<label_sheet> &sheets, std::u16string &error);
