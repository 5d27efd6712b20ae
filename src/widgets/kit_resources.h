// The widget kit's shared resources: the image lists, the choice boxes of
// element attributes (built from the tables of model/tables.h), the font
// list box and the ball bitmaps of the schematic drawing.  The lists
// themselves are program state (hub/program_state.h); the notice to every
// window is widgets/broadcast.h.
#pragma once

#include <QIcon>
#include <QImage>
#include <string>
#include <vector>

#include "widgets/choice_tables.h"

class QComboBox;
class QWidget;

// Start-up: image lists and balls; shutdown: the image lists go.
void cmn__startup();
void cmn__shutdown();

// Image lists.
const std::vector<QIcon> &cmn__quadrant_images();
const std::vector<QIcon> &cmn__line_images();
const std::vector<QIcon> &cmn__justification_images();

// The program's font list (prs__fonts) into a box.
void cmn__fill_fonts(QComboBox *combo);
template <std::size_t N>
QComboBox *cmn__choice_box(QWidget *parent, const cmn_choice (&table)[N],
                           const std::vector<QIcon> *images, int current);
QComboBox *cmn__choice_box(QWidget *parent, const cmn_choice *rows, int n,
                           const std::vector<QIcon> *images, int current);
QComboBox *cmn__quadrant_box(QWidget *parent, int current);
QComboBox *cmn__line_style_box(QWidget *parent, int current);
QComboBox *cmn__justification_box(QWidget *parent, int current);
QComboBox *cmn__yes_no_box(QWidget *parent, int current);
QComboBox *cmn__barcode_type_box(QWidget *parent, int current);
QComboBox *cmn__font_size_box(QWidget *parent, double current);
QComboBox *cmn__thickness_box(QWidget *parent, double current);
// The same lists filled again into an existing box.
void cmn__fill_font_sizes(QComboBox *combo, double current);
void cmn__fill_thickness(QComboBox *combo, double current);
// The text a font size is shown as ("11", "10.5").
QString cmn__font_size_text(double size);
int cmn__choice_value(const QComboBox *combo); // selected item's data, or -1
void cmn__select_value(QComboBox *combo, int value);

// Ball bitmaps.
inline constexpr int cmn__handle_ball_radius = 3;
inline constexpr int cmn__marker_ball_radius = 5;
enum { CMN_BALL_BLUE = 0, CMN_BALL_WHITE = 1, CMN_BALL_ORANGE = 2, CMN_BALL_YELLOW = 3 };
const QImage &cmn__marker_ball(int kind, bool group, bool selected, bool disabled);
const QImage &cmn__handle_ball(int index);

template <std::size_t N>
QComboBox *cmn__choice_box(QWidget *parent, const cmn_choice (&table)[N],
                           const std::vector<QIcon> *images, int current)
{
    return cmn__choice_box(parent, table, static_cast<int>(N), images, current);
}
