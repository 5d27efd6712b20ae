// Shared main: GUI tests get a QApplication (offscreen platform), core tests
// a plain run.  Fatal paths end in death tests, so the allocation hook is on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "exchange/rpc_client.h"
#include "model/xmalloc.h"

#ifdef VELLUMO_GUI_TEST
#include <QApplication>

#include "frame/startup.h"
#include "platform/qt_translation.h"
#include "support/modal.h"
#endif

int main(int argc, char **argv)
{
    // The programs the tests start speak Russian, as the tests expect,
    // whatever the machine's locale: LC_MESSAGES chooses the language, and
    // LC_ALL, which would override it, moves to LANG, so that numbers and
    // the rest keep the machine's locale.
    if (const char *all = std::getenv("LC_ALL"); all && *all)
        setenv("LANG", all, 1);
    unsetenv("LC_ALL");
    unsetenv("LANGUAGE");
    setenv("LC_MESSAGES", "ru_RU.UTF-8", 1);
#ifdef VELLUMO_GUI_TEST
    // `make shots` in English: the windows as an English session shows
    // them, the system's texts (file types) included.  The tests, which
    // expect Russian, may fail then; the shots are what counts.
    const char *shown = std::getenv("VELLUMO_SHOTS_LANGUAGE");
    if (shown && std::strcmp(shown, "en") == 0)
        setenv("LC_MESSAGES", "en_US.UTF-8", 1);
#endif
    testing::InitGoogleTest(&argc, argv);
    // Death tests fork without re-executing, so the child shares the test's
    // state (its temporary folder above all).  Core tests run no threads.
    GTEST_FLAG_SET(death_test_style, "fast");
    xma__init();
#ifdef VELLUMO_GUI_TEST
    if (shown && *shown)
        qt_use_language(QString::fromLatin1(shown));
    // Tests never need a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    app__install_translations(); // Qt's own dialogs as the program shows them
    modal_watch::install();      // a modal dialog nobody closes fails its test
#endif
    int rc = RUN_ALL_TESTS();
    rpd__client_term(); // waits for a cancelled call still finishing
    return rc;
}
