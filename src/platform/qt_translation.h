// The interface language: chosen from the locale, the translation loaded
// from the program's resources, the lookup of platform/translation.h
// installed.
#pragma once

#include <QString>
#include <QStringList>

// The translation a list of preferred languages (QLocale::uiLanguages:
// LANGUAGE, then LC_ALL, LC_MESSAGES, LANG) asks for: "ru" for Russian, the
// source language, also for the neighbours' Ukrainian, Belarusian and
// Kazakh; "en" for English and for every other language, C and POSIX.  The
// first language of the list that is one of these two decides.
QString qt_language_for(const QStringList &ui_languages);

// Chooses the language from the locale and installs its translation for the
// VL_TR texts; works before the application object exists.  Returns the
// language chosen.  Called once, first thing in main.
QString qt_use_system_language();

// The same translation for tr() in Qt code; after the application object
// is made.
void qt_install_app_translator();
