// The label document and its elements.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/lg_epsi.h"
#include "model/sheet.h"

// Element kinds (`element::type`).
enum : std::int32_t { ELE_TEXT = 0, ELE_BORDER = 1, ELE_PICTURE = 2, ELE_BARCODE = 3 };
// Selection states (`element::state`).
enum : std::int32_t { ELE_UNSELECTED = 0, ELE_SELECTED = 1, ELE_LEAD = 2 };

// Default size of a new element, and the magnitude used for an automatic
// dimension when nothing better is known.
inline constexpr double ELE_DEFAULT_SIZE = 43.43;
// Two doubles closer than this are equal; a value above it is positive.
inline constexpr double ELE_EPS = 1e-10;
// Largest label side taken from the settings (about 35 m), and the largest
// size or position the editor takes from the user.
inline constexpr double ELE_MAX_LABEL_SIZE = 100000;

struct element_text {
    std::optional<std::u16string> text;
    std::optional<std::u16string> font;
    double size = 0;
    std::int32_t justification = 0;
    std::uint32_t colour = 0;
    // The stored name behind a justification of -1, written back unchanged.
    std::optional<std::u16string> stored_justification;
    // Words wrap onto new lines inside the element's width.
    bool wrap = false;
    // Above 0: the size goes down from `size` towards this until the text
    // fits its box; below it the text is cut at the box's edge.
    double shrink = 0;
};

struct element_border {
    std::int32_t style = 0;
    double thickness = 0;
    std::uint32_t colour = 0;
};

struct element_picture {
    double ratio = 0;
    lg_epsi_shared data;
    std::uint32_t colour = 0;
    // A file name with ${column} in it: each row of a table of data draws
    // the file its cell names instead of `data` (relative names from the
    // table's folder).  None: `data` is the picture.
    std::optional<std::u16string> source;
};

struct element_barcode {
    std::optional<std::u16string> code;
    std::int32_t type = 0;
    std::int32_t text = 0;
    std::uint32_t colour = 0;
    // The stored name behind a type of -1, written back unchanged.
    std::optional<std::u16string> stored_type;
};

// Canvas scratch, recomputed by the canvas before every use.
struct element_mark {
    std::int32_t group = 0;
    std::int32_t px = 0;
    std::int32_t py = 0;
    std::int32_t any_selected = 0;
    std::int32_t shown = 0;
    std::int32_t spare = 0;
};

struct element {
    std::u16string desc;
    double x = 0;
    double y = 0;
    double width = 0;  // negative: automatic
    double height = 0; // negative: automatic
    double angle = 0;
    std::int32_t quadrant = 0;
    std::int32_t type = ELE_TEXT;
    element_text text;
    element_border border;
    element_picture picture;
    element_barcode barcode;
    element_mark mark;
    std::int32_t layer = 0;
    double bounds[4] = {0, 0, 0, 0}; // min x, min y, max x, max y after rotation
    std::int32_t disabled = 0;
    std::int32_t state = ELE_UNSELECTED;

    element() = default;
    element(const element &) = delete;
    element &operator=(const element &) = delete;
};

struct label_store {
    std::int32_t local = 0;              // 1: `place` is a file path
    std::optional<std::u16string> place; // null: never stored
};

struct label {
    double width = 0;
    double height = 0;
    element **es = nullptr; // index 0 is the topmost element
    std::int32_t qty = 0;
    std::int32_t alloced = 0;
    std::int32_t sel = 0;
    std::uint32_t bgcolor = 0;
    std::int32_t modified = 0;
    std::u16string name;
    std::u16string desc;
    label_store store;
    // The sheet the label is printed on; none: a page of the label's own
    // size for each label.
    std::optional<label_sheet> sheet;

    label() = default;
    ~label();
    label(const label &) = delete;
    label &operator=(const label &) = delete;
};

using label_ptr = std::unique_ptr<label>;

label_ptr ele__label_new(double width, double height);
void ele__label_free(label *lab);

element *ele__add(label *lab, std::int32_t index);
void ele__remove(label *lab, std::int32_t index);
element *ele__replace(label *lab, std::int32_t index, element *e);
element *ele__copy(const element *e);
void ele__free(element *e);
// Every field a copy carries is the same, bit for bit (the canvas's scratch
// `mark` aside): a copy of one could stand for the other.
bool ele__identical(const element *a, const element *b);

std::int32_t ele__get_index(const label *lab, const element *e);
std::int32_t ele__get_first_selected(const label *lab);
std::int32_t ele__get_lead_element(const label *lab);
std::int32_t ele__count_selected(const label *lab);
void ele__fix_lead(label *lab);
// Selecting into an empty selection makes the lead; deselecting the lead
// hands the lead on to the lowest selected index.
void ele__select(label *lab, std::int32_t index);
void ele__deselect(label *lab, std::int32_t index);

int ele__can_raise(const label *lab);
void ele__raise(label *lab);
void ele__raise_to_top(label *lab);
int ele__can_lower(const label *lab);
void ele__lower(label *lab);
void ele__lower_to_bottom(label *lab);

int ele__anchors_inside(const label *lab, double max_x, double max_y);
void ele__clamp_anchors(label *lab, double max_x, double max_y);

// Why the label cannot be drawn onto a page or an image: a side that is
// not above zero or is above ELE_MAX_LABEL_SIZE, or an element whose size
// (or text size, or line) is past that; a message in Russian naming it
// (without a full stop, to go inside another sentence).
// Nothing when it can.
std::optional<std::u16string> ele__out_of_range(const label *lab);

void ele__update_ratio(element *e);
// A picture keeps its proportions through its automatic side: after one
// side was given a size (width when `width_set`, else height), the value
// the other side takes when it is automatic, or nothing when it is not (or
// the element is no picture with a ratio).
std::optional<double> ele__proportional_side(const element *e, bool width_set);
double ele__toggle_auto_width(const element *e);
double ele__toggle_auto_height(const element *e);
