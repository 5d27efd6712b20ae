// The editor's start as far as its language goes, then what its windows say:
// the menu bar's popups, a toolbar tip, the options dialog's title and its
// language choice, a yes/no button of Qt's own.  One line each, UTF-8, for
// a test that starts this under a locale and settings of its choosing; with
// VELLUMO_SHOTS set, the options dialog as options-LANGUAGE.png.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>
#include <cstdio>

#include "frame/frame.h"
#include "frame/options.h"
#include "frame/startup.h"
#include "support/hub_fakes.h"
#include "support/shots.h"

namespace {

void say(const char *what, const QString &text)
{
    std::printf("%s=%s\n", what, text.toUtf8().constData());
}

} // namespace

int main(int argc, char **argv)
{
    // As main() of the editor: the language before anything else.
    const QString lang = app__choose_language();
    QApplication app(argc, argv);
    app__install_translations();
    say("language", lang);
    fake_store store;
    auto *frame = new label_frame(store);
    for (QAction *a : frame->menuBar()->actions())
        say("menu", a->text());
    if (auto *bar = frame->findChild<QToolBar *>()) {
        for (QAction *a : bar->actions())
            if (!a->isSeparator() && !a->toolTip().isEmpty()) {
                say("tip", a->toolTip());
                break;
            }
    }
    options_dialog options(nullptr, frame_options{});
    say("options", options.windowTitle());
    say("language-choice", options.language_box()->itemText(0));
    options.adjustSize();
    save_shot(&options, QStringLiteral("options-") + lang);
    QDialogButtonBox box(QDialogButtonBox::Yes);
    say("qt-yes", box.button(QDialogButtonBox::Yes)->text());
    delete frame;
    return 0;
}
