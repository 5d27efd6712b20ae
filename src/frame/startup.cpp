#include "frame/startup.h"
#include "platform/qt_text.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "exchange/rpc_client.h"
#include "exchange/servers.h"
#include "frame/frame.h"
#include "frame/key_routing.h"
#include "frame/opensave_dialog.h"
#include "frame/servers_dialogs.h"
#include "hub/clipboard.h"
#include "hub/frame_hub.h"
#include "hub/opensave.h"
#include "hub/program_state.h"
#include "model/picture_file.h"
#include "model/settings.h"
#include "model/xmalloc.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_notice.h"
#include "platform/qt_translation.h"
#include "platform/version.h"
#include "render/picture_draw.h"
#include "resources/icons.h"
#include "widgets/kit_resources.h"

namespace {

QTranslator *g_qt_ru = nullptr;
key_router *g_router = nullptr;
osd_store *g_store = nullptr;
qt_open_save *g_open_save = nullptr;
qt_network_notice *g_notice = nullptr;
qt_credential_prompt *g_prompt = nullptr;

} // namespace

QString app__choose_language()
{
    const std::u16string choice = settings::get(settings::language).value_or(u"");
    return qt_use_language(QString::fromStdU16String(choice));
}

void app__install_translations()
{
    qt_install_app_translator();
    // Qt's own dialogs (file chooser, colour dialog) speak Russian too.
    if (!g_qt_ru && qt_language() == u"ru") {
        g_qt_ru = new QTranslator(qApp);
        if (g_qt_ru->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(g_qt_ru);
    }
}

int app__startup(const QStringList &files)
{
    QApplication::setApplicationName(QStringLiteral("Vellumo"));
    QApplication::setApplicationVersion(QStringLiteral(VELLUMO_VERSION));
    QApplication::setWindowIcon(res__icon("app"));
    app__install_translations();
    qt_install_dialogs();
    // A PNG, JPEG or SVG picture is decoded in full before it is inserted.
    pic__set_verifier(&rdr__verify_picture);
    qt_file_dialog_size_store(
        [] {
            const QStringList wh = QString::fromStdU16String(settings::get(settings::file_dialog_size).value_or(u""))
                                       .split(QLatin1Char(' '));
            return wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize();
        },
        [](const QSize &s) {
            settings::set(settings::file_dialog_size,
                          QStringLiteral("%1 %2").arg(s.width()).arg(s.height()).toStdU16String());
        });
    if (!g_notice) {
        g_notice = new qt_network_notice;
        g_prompt = new qt_credential_prompt;
    }
    seam<network_notice_service>::set(g_notice);
    seam<credential_prompt_service>::set(g_prompt);
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
    seam<open_save_service>::set(g_open_save);
    return app__open_frames(*g_store, files);
}

int app__open_frames(document_store &store, const QStringList &files)
{
    int opened = 0;
    for (const QString &file : files) {
        // Read before its frame exists: a file that does not open has said
        // why, and the others still open.
        label_ptr lab = osd__open_file(us(QFileInfo(file).absoluteFilePath()));
        if (!lab)
            continue;
        auto *f = new label_frame(store);
        f->hub().start_with(std::move(lab));
        f->show();
        ++opened;
    }
    if (opened == 0) {
        auto *f = new label_frame(store);
        f->show();
        opened = 1;
    }
    return opened;
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
    app__startup(QApplication::arguments().mid(1)); // Qt's own options are gone already
    int rc = QApplication::exec();
    app__shutdown();
    return rc;
}
