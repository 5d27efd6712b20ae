#include "frame/key_routing.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "canvas/canvas.h"
#include "frame/frame.h"
#include "frame/menu_table.h"
#include "widgets/controls.h"

namespace {

bool is_edit_control(const QWidget *w)
{
    if (qobject_cast<const QLineEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w) ||
        qobject_cast<const QTextEdit *>(w) || qobject_cast<const QAbstractSpinBox *>(w))
        return true;
    auto *c = qobject_cast<const QComboBox *>(w);
    return c && c->isEditable();
}

// Ctrl+letter typed in another keyboard layout: the Latin key at the same
// place (X11 key codes), as a layout-independent accelerator would see it.
int latin_key(const QKeyEvent *e)
{
    int k = e->key();
    if (k < 0x400 || k > 0x4ff) // Cyrillic letters sit at U+0400..
        return k;
    static const char row_q[] = "qwertyuiop", row_a[] = "asdfghjkl", row_z[] = "zxcvbnm";
    quint32 code = e->nativeScanCode();
    if (code >= 24 && code < 24 + 10)
        return Qt::Key_A + (row_q[code - 24] - 'a');
    if (code >= 38 && code < 38 + 9)
        return Qt::Key_A + (row_a[code - 38] - 'a');
    if (code >= 52 && code < 52 + 7)
        return Qt::Key_A + (row_z[code - 52] - 'a');
    return k;
}

bool is_arrow(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

// The frame a window is in, whatever the window.
label_frame *frame_of(QWidget *w)
{
    for (QWidget *p = w; p; p = p->parentWidget())
        if (auto *f = qobject_cast<label_frame *>(p))
            return f;
    return nullptr;
}

} // namespace

label_frame *app__frame_for_keys(QWidget *w)
{
    if (!w || is_edit_control(w))
        return nullptr;
    for (QWidget *p = w; p; p = p->parentWidget()) {
        if (p->objectName() == QLatin1String("zelta-preview-window"))
            return nullptr;
        if (auto *f = qobject_cast<label_frame *>(p))
            return f;
    }
    return nullptr;
}

int app__accelerator(const QKeyEvent *e)
{
    const int mods = static_cast<int>(e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier));
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    const int key = latin_key(e);
    for (const accel_row &r : frame_accelerators) {
        if (r.key == 0) {
            // A typed character, whatever made it (Shift for '+').
            if (!(mods & (Qt::ControlModifier | Qt::AltModifier)) && e->text().size() == 1 &&
                e->text().at(0).unicode() == r.character)
                return r.command;
            continue;
        }
        const int want = r.modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        if (r.key != key || want != mods)
            continue;
        if ((r.modifiers & Qt::KeypadModifier) && !keypad)
            continue;
        return r.command;
    }
    return 0;
}

bool key_router::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() != QEvent::KeyPress)
        return false;
    auto *w = qobject_cast<QWidget *>(o);
    if (!w || (!w->isWindow() && w != QApplication::focusWidget()))
        return false; // a key travelling up to a parent was seen already
    if (w->isWindow() && QApplication::focusWidget() && QApplication::focusWidget() != w)
        return false;
    auto *k = static_cast<QKeyEvent *>(e);
    // Escape first calls off what the canvas is doing (a drag, an armed
    // tool), wherever the keyboard is.
    if (k->key() == Qt::Key_Escape && !QApplication::activeModalWidget() && !QApplication::activePopupWidget()) {
        label_frame *f = frame_of(w);
        canvas_window *c = f ? f->stock().canvas : nullptr;
        if (c && c->stock().mode != CNV_NORMAL && c->cancel_operation())
            return true;
    }
    // The canvas moves the selection with the arrows, Ctrl ones included.
    if (is_arrow(k->key()) && qobject_cast<canvas_window *>(w) && !(k->modifiers() & Qt::AltModifier))
        return false;
    if (label_frame *f = app__frame_for_keys(w)) {
        if (QApplication::activeModalWidget())
            return false; // every frame is blocked while a dialog is open
        if (int id = app__accelerator(k)) {
            f->command(id);
            return true;
        }
    }
    const int key = k->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter) {
        QWidget *own = ctl__own_ancestor(w);
        if (own && (own->objectName() == QLatin1String("zelta-properties-window") ||
                    own->objectName() == QLatin1String("zelta-preview-window"))) {
            if (auto *t = dynamic_cast<key_navigation_target *>(own)) {
                t->key_navigation(key, k->modifiers());
                return true;
            }
        }
    }
    return false;
}
