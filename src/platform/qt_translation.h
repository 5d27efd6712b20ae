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

// The language a choice of the user's asks for: "ru" or "en" as chosen,
// anything else (empty: "as the system") the locale's, as above.
QString qt_language_chosen(const QString &choice, const QStringList &ui_languages);

// Installs the translation of "ru" or "en" (anything else: the locale's) for
// the VL_TR texts; works before the application object exists.  Returns the
// language in use.  Called once, first thing in main; a later call changes
// nothing.
QString qt_use_language(const QString &choice);

// The language in use: "ru" until a translation is installed.
QString qt_language();

// Chooses the language from the locale and installs its translation for the
// VL_TR texts; works before the application object exists.  Returns the
// language chosen.  Called once, first thing in main.
QString qt_use_system_language();

// The same translation for tr() in Qt code; after the application object
// is made.
void qt_install_app_translator();
