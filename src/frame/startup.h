// Start-up and shutdown of the program.
#pragma once

#include <QStringList>

class document_store;

// Start-up after the QApplication exists, in the program's order: dialogs
// and seams, shared lists and images, the XML-RPC client, the server list,
// the global options, the key routing, the first frames: one per label file
// given (`vellumo FILE.lbl…`), a file that does not open having said why;
// a frame with a new label when none opened.  The number of frames opened.
int app__startup(const QStringList &files = {});
// The first frames alone, as above, for the store given.
int app__open_frames(document_store &store, const QStringList &files);
// The interface language, before the first word is said and before the
// application object exists: the one chosen in "Настройки" (the setting
// `language`), else the locale's.  Returns "ru" or "en".
QString app__choose_language();
// Qt's own texts (file chooser, colour dialog, questions) in the interface's
// language: Russian, or Qt's own English.
void app__install_translations();
// Shutdown after the loop: global options, server list, shared lists,
// element clipboard, XML-RPC client.
void app__shutdown();
// The whole program.
int app__main(int argc, char **argv);
