// The program's texts in the user's language.  Russian is the source
// language: every text is written in Russian, marked, and looked up in the
// translation the Qt layer installs at start-up (platform/qt_translation.h).
// With nothing installed (the Russian interface, the core tests) a text is
// shown as written.
//
//     inline constexpr char16_t saved[] = VL_TR("vellumo", "Файл записан.");
//     show(pl__tr(saved));                           // a text
//     msc__format(VL_TR("vellumo", "Строка %1"), n); // a format, translated before it is filled
//
// VL_TR marks a UTF-8 literal for lupdate (told about it as an alias of
// QT_TRANSLATE_NOOP) and makes it a UTF-16 literal; the context is always
// "vellumo", the one the lookup uses (tests/structure/check_translations.py
// checks both).  Qt code uses tr() and QCoreApplication::translate as usual.
#pragma once

#include <string>

#define VL_TR(context, text) u"" text
// The same for a UTF-8 text (a printf format or a message kept as
// std::string), looked up with pl__tr8.
#define VL_TR8(context, text) "" text

// The context of every VL_TR text.
inline constexpr char pl_tr_context[] = "vellumo";

// A lookup: the translation of a marked source text, or null when it has
// none.  The text it returns lives as long as the program.  Called from
// any thread.
using pl_translator = const char16_t *(*)(const char16_t *source);

// Installs the lookup (null: texts as written) and returns the one before.
pl_translator pl__set_translator(pl_translator lookup);

// The translation of a marked text, or the text itself (also for null).
const char16_t *pl__tr(const char16_t *source);

// The same in UTF-8, for the messages kept as std::string.
std::string pl__tr8(const char16_t *source);
std::string pl__tr8(const char *source);

// The translation of a marked printf format (VL_TR8), or the format itself
// when the translation's conversions (%d, %ld, %s...) are not the source's
// in order: a translation must never make the arguments be read otherwise.
std::string pl__tr_printf(const char *format);
