// The control factory: the standard controls with the program's fixed
// styles, list-view rows and cells, text measuring, the own-window tests and
// image lists.
#pragma once

#include <QCoreApplication>
#include <QIcon>
#include <QImage>
#include <QString>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialog;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTreeWidget;
class QWidget;

// The prefix of the program's own window classes (object names here).
inline constexpr char CTL_OWN_PREFIX[] = "zelta-";

// A check box the owner toggles itself: a click only tells the owner.
QCheckBox *ctl__check(QWidget *parent, const QString &text);
QPushButton *ctl__button(QWidget *parent, const QString &text);
// The row of a dialog's two buttons, "OK" and "Отмена" unless told
// otherwise: the standard Ok and Cancel buttons (objects "ok" and "cancel",
// plain text without the style's icons), wired to the dialog's accept and
// reject; OK is the default button.
QDialogButtonBox *ctl__ok_cancel(QDialog *dialog, const QString &ok_text = QStringLiteral("OK"),
                                 const QString &cancel_text = QCoreApplication::translate("vellumo", "Отмена"));
// Report style, single selection, whole-row selection with grid lines.
QTreeWidget *ctl__list_view(QWidget *parent);
QLineEdit *ctl__edit(QWidget *parent);
QLabel *ctl__label(QWidget *parent, const QString &text);
QLabel *ctl__centred_label(QWidget *parent, const QString &text);
QTabBar *ctl__tab(QWidget *parent);
// A drop-down list with images.
QComboBox *ctl__combo_ex(QWidget *parent);
// A drop-down with an edit field; the sorted one keeps its items in order.
QComboBox *ctl__combo(QWidget *parent);
QComboBox *ctl__sorted_combo(QWidget *parent);

// List views.  Alignment: '<' left, '>' right, '|' centred.
void ctl__add_column(QTreeWidget *lv, const QString &text, int index, char align);
// One letter per column: 'i' int, 'u' unsigned (decimal text), 's' a
// const char16_t *; any other letter writes "[ERROR]".  Each column is
// sized to its contents afterwards.
void ctl__add_row(QTreeWidget *lv, int row, const char *format, ...);
void ctl__set_row_data(QTreeWidget *lv, int row, long long value);
int ctl__selected_row(QTreeWidget *lv);      // first selected row, or -1
long long ctl__row_data(QTreeWidget *lv, int row); // 0 without such a row
// The cell's text, read into a buffer that starts at 1024 characters and
// doubles while the text fills it.
std::u16string ctl__row_text(QTreeWidget *lv, int row, int column);
// The control's own text (label, button, edit, combo, window title).
QString ctl__window_text(const QWidget *w);

// Measuring in the control's own font.
int ctl__text_height(const QWidget *w);
int ctl__text_width(const QWidget *w);
int ctl__w_height(const QWidget *w);
// The single-line height H: 3/2 of the height of "W" plus twice the edge.
int ctl__line_height(const QWidget *w);
QSize ctl__icon_size(const QIcon &icon);
// What the band layout fits to: the text's width (a button's whole hint,
// indicator included) and an edit field's line height or the text's height.
int ctl__fit_width(const QWidget *w);
int ctl__fit_height(const QWidget *w);

// Window tree.
bool ctl__is_own_window(const QWidget *w);
QWidget *ctl__own_ancestor(const QWidget *w); // nearest own ancestor, not w itself
bool ctl__is_descendant(const QWidget *w, const QWidget *root); // w is root or below it

// An image list: the named pictures at one size.
std::vector<QIcon> ctl__image_list(const std::vector<const char *> &names);
