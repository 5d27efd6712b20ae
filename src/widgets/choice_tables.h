// The choice lists of element attributes, as data: image index, text shown,
// value stored.  The anchor positions and the barcode kinds are listed from
// their tables in model/tables.h.
#pragma once

#include "platform/translation.h"

struct cmn_choice {
    int image; // index into the table's image list, -1 for none
    const char16_t *text;
    int value;
};

// Note the order: the value is the stored line style, not the row.
inline constexpr cmn_choice cmn_line_style_table[] = {
    {0, VL_TR("vellumo", "Сплошная"), 0}, {1, VL_TR("vellumo", "Тире"), 3}, {2, VL_TR("vellumo", "Точка"), 4}, {3, VL_TR("vellumo", "Точка-тире"), 1},
    {4, VL_TR("vellumo", "Точка-точка-тире"), 2},
};

inline constexpr cmn_choice cmn_justification_table[] = {
    {0, VL_TR("vellumo", "По левому краю"), 0}, {1, VL_TR("vellumo", "По правому краю"), 1}, {2, VL_TR("vellumo", "По центру"), 2},
    {3, VL_TR("vellumo", "Равномерно"), 3},
};

inline constexpr cmn_choice cmn_yes_no_table[] = {{-1, VL_TR("vellumo", "Да"), 1}, {-1, VL_TR("vellumo", "Нет"), 0}};

inline constexpr int cmn_font_sizes[] = {2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                         15, 16, 17, 18, 19, 20, 22, 24, 26, 28, 36, 48, 72};

inline constexpr const char16_t *cmn_thicknesses[] = {VL_TR("vellumo", "0.0 (самая тонкая)"), u"0.5", u"1.0", u"2.0"};

// Picture names of the image lists, in image order.
inline constexpr const char *cmn_quadrant_images[] = {
    "quadrant_0", "quadrant_1", "quadrant_2", "quadrant_3", "quadrant_4",
    "quadrant_5", "quadrant_6", "quadrant_7", "quadrant_8"};
inline constexpr const char *cmn_line_images[] = {"line_solid", "line_dash", "line_dot", "line_dashdot",
                                                  "line_dashdotdot"};
inline constexpr const char *cmn_justification_images[] = {"just_left", "just_right", "just_center",
                                                           "just_fill"};
// Width of a line-style picture.
inline constexpr int LINES_WIDTH = 36;
