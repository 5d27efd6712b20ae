// The program-wide shared lists and resources: the font list, the preview
// variables, the image lists, the choice boxes of element attributes, the
// ball bitmaps of the schematic drawing, and the broadcast to the program's
// own windows.
#pragma once

#include <QEvent>
#include <QIcon>
#include <QImage>
#include <string>
#include <vector>

#include "exchange/server_ops.h"
#include "widgets/choice_tables.h"

class QComboBox;
class QWidget;

// Broadcast messages.
inline constexpr int CMN_FONTS_CHANGED = 0x8001;     // font list changed
inline constexpr int CMN_VARIABLES_CHANGED = 0x8002; // preview variables changed
inline constexpr int CMN_PREVIEW_OPTIONS_CHANGED = 0x8003; // picture size or markup stored

// What an own window receives from cmn__broadcast.
class cmn_broadcast_event final : public QEvent {
public:
    cmn_broadcast_event(int message, long long wparam, long long lparam)
        : QEvent(type()), message(message), wparam(wparam), lparam(lparam) {}
    static QEvent::Type type();
    int message;
    long long wparam;
    long long lparam;
};

// Start-up: image lists, balls, "font-list", "variables-list" (in this
// order); shutdown: image lists go, the font list is saved when it holds a
// name, the variables are saved, both lists are freed.
void cmn__startup();
void cmn__shutdown();

std::vector<std::u16string> &cmn__fonts();
std::vector<preview_var> &cmn__variables();
// A stored variable list as pairs; a trailing name without a value is dropped.
std::vector<preview_var> cmn__variables_from(const std::vector<std::u16string> &stored);
std::vector<std::u16string> cmn__variables_to(const std::vector<preview_var> &vars);

// Sent at once to every own window (object name "zelta-…"), top-level
// windows first, then each one's descendants.
void cmn__broadcast(int message, long long wparam = 0, long long lparam = 0);

// Image lists.
const std::vector<QIcon> &cmn__quadrant_images();
const std::vector<QIcon> &cmn__line_images();
const std::vector<QIcon> &cmn__type_images();
const std::vector<QIcon> &cmn__justification_images();

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
