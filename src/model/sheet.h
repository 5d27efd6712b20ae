// Sheets of labels: a page of paper carrying several labels of one size,
// laid out in one or more grids (a staggered sheet has two).  Lengths are in
// points, measured from the paper's top left corner, x to the right and y
// down.  Where a sheet comes from (a database installed on the machine, the
// built-in set, the user's own, a geometry typed on the command line) is
// the sheet sources' business; this is only the geometry and its checks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class sheet_shape : std::uint8_t { rectangle, round, ellipse, cd };

// One grid of labels on the sheet.
struct sheet_grid {
    std::int32_t columns = 1;
    std::int32_t rows = 1;
    double left = 0;   // the grid's first label's left edge from the paper's
    double top = 0;    // and its top edge from the paper's
    double across = 0; // from one label's left edge to the next one's
    double down = 0;   // from one label's top edge to the one below's

    bool operator==(const sheet_grid &) const = default;
};

struct label_sheet {
    std::string brand;       // "Avery"; UTF-8
    std::string part;        // "5160"
    std::string description; // "Address Labels"
    std::string paper;       // "A4", "US-Letter", ...; empty for a size of its own
    double paper_width = 0;
    double paper_height = 0;
    sheet_shape shape = sheet_shape::rectangle;
    double label_width = 0;  // a round or CD label: its diameter both ways
    double label_height = 0;
    double radius = 0;       // a rectangle's corner radius
    double hole = 0;         // a CD's hole, its diameter
    std::vector<sheet_grid> grids;

    bool operator==(const label_sheet &) const = default;
};

// "BRAND PART", or the part alone when there is no brand.
std::string sht__name(const label_sheet &s);

// Labels on one sheet, every grid counted; 0 for a sheet with a grid past
// the largest count a sheet may have (sht__check refuses such a sheet).
std::int64_t sht__count(const label_sheet &s);

// The top left corner of cell `n` (from 0) of the sheet: cells counted
// across, then down, over all grids together (by top edge, then left edge).
struct sheet_cell {
    double x = 0;
    double y = 0;
};
std::vector<sheet_cell> sht__cells(const label_sheet &s);

// Why the sheet cannot be used, in Russian, naming the label that leaves the
// paper or the two labels that overlap (counted from 1, as sht__cells
// orders them); nothing for a sound sheet.  Non-finite or non-positive
// sizes, and more labels than a sheet may hold, are refused too.
std::optional<std::u16string> sht__check(const label_sheet &s);

// The largest number of labels a sheet may hold and the largest side of its
// paper in points (5 m): beyond either it is no sheet of labels.
inline constexpr std::int64_t SHT_MAX_LABELS = 10000;
inline constexpr double SHT_MAX_PAPER = 5000.0 / 25.4 * 72.0;

// A length with its unit ("2.625in", "70mm", "1.5cm", "12pt", "3pc"; no
// unit: points), in points; nothing for anything else, a non-finite
// number or a negative one.
std::optional<double> sht__length(std::string_view text);

// A paper by its name (A3, A4, A5, A6, US-Letter or Letter, US-Legal or
// Legal; case ignored): width and height in points.
struct paper_size {
    const char *name;
    double width;
    double height;
};
const paper_size *sht__paper(std::string_view name);

// A sheet from PAPER,COLUMNSxROWS,WxH,LEFT,TOP,HGAP,VGAP in mm, PAPER a
// name sht__paper knows or WIDTHxHEIGHT in mm ("A4,3x8,70x37,0,0,0,0");
// the sheet checked.  Nothing, with `error` saying what is wrong, for
// anything else.
std::optional<label_sheet> sht__parse_geometry(std::string_view text, std::u16string &error);
