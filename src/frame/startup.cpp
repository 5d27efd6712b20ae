#include "frame/startup.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTranslator>

#include "exchange/rpc_client.h"
#include "exchange/servers.h"
#include "frame/servers_dialogs.h"
#include "hub/clipboard.h"
#include "frame/frame.h"
#include "hub/frame_hub.h"
#include "hub/opensave.h"
#include "hub/program_state.h"
#include "frame/opensave_dialog.h"
#include "frame/menu_table.h"
#include "model/settings.h"
#include "model/xmalloc.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_notice.h"
#include "resources/icons.h"
#include "widgets/controls.h"
#include "widgets/ormikcommon.h"

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

QTranslator *g_qt_ru = nullptr;
key_router *g_router = nullptr;
osd_store *g_store = nullptr;
qt_open_save *g_open_save = nullptr;
qt_network_notice *g_notice = nullptr;
qt_credential_prompt *g_prompt = nullptr;

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

void app__install_translations()
{
    // Qt's own dialogs (file chooser, colour dialog) speak Russian too.
    if (!g_qt_ru) {
        g_qt_ru = new QTranslator(qApp);
        if (g_qt_ru->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(g_qt_ru);
    }
}

void app__startup()
{
    QApplication::setApplicationName(QStringLiteral("Vellumo"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    QApplication::setWindowIcon(res__icon("app"));
    app__install_translations();
    qt_install_dialogs();
    if (!g_notice) {
        g_notice = new qt_network_notice;
        g_prompt = new qt_credential_prompt;
    }
    platform_set_network_notice(g_notice);
    platform_set_credential_prompt(g_prompt);
    cmn__startup();
    prs__load();
    rpd__client_init();
    srv__load_list();
    frame_globals::confdel = settings::get(settings::global_confdel);
    frame_globals::newwin = settings::get(settings::global_newwin);
    if (!g_router) {
        g_router = new key_router(qApp);
        qApp->installEventFilter(g_router);
    }
    if (!g_store) {
        g_store = new osd_store;
        g_open_save = new qt_open_save;
    }
    platform_set_open_save(g_open_save);
    auto *f = new label_frame(*g_store);
    f->show();
}

void app__shutdown()
{
    settings::set(settings::global_confdel, frame_globals::confdel);
    settings::set(settings::global_newwin, frame_globals::newwin);
    srv__shutdown();
    prs__save();
    cmn__shutdown();
    element_clipboard::clear();
    rpd__client_term();
    // libjpeg-turbo keeps no memory between decodes: nothing to release.
}

int app__main(int argc, char **argv)
{
    xma__init();
    QApplication app(argc, argv);
    app__startup();
    int rc = QApplication::exec();
    app__shutdown();
    return rc;
}
