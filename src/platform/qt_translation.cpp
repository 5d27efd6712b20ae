#include "platform/qt_translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/translation.h"

namespace {

// The one translation in use; null for Russian.
QTranslator *g_translator = nullptr;

// The lookup for VL_TR texts: each source text translated once, kept for
// the life of the program (there are only as many as marked texts and
// formats), so the pointer handed out stays valid.
const char16_t *lookup(const char16_t *source)
{
    static std::mutex guard;
    static std::unordered_map<std::u16string, std::optional<std::u16string>> known;
    const std::lock_guard<std::mutex> lock(guard);
    auto [it, fresh] = known.try_emplace(std::u16string(source));
    if (fresh && g_translator) {
        const QByteArray utf8 = QString::fromUtf16(source).toUtf8();
        const QString text = g_translator->translate(pl_tr_context, utf8.constData());
        if (!text.isEmpty())
            it->second = text.toStdU16String();
    }
    return it->second ? it->second->c_str() : nullptr;
}

} // namespace

QString qt_language_for(const QStringList &ui_languages)
{
    for (const QString &tag : ui_languages) {
        // "ru_RU.UTF-8", "en-GB", "uk", "C": the language is before the
        // first separator.
        const QString lang = tag.section(QRegularExpression(QStringLiteral("[-_.@]")), 0, 0).toLower();
        if (lang == u"ru" || lang == u"uk" || lang == u"be" || lang == u"kk")
            return QStringLiteral("ru");
        if (lang == u"en")
            return QStringLiteral("en");
    }
    return QStringLiteral("en");
}

QString qt_language_chosen(const QString &choice, const QStringList &ui_languages)
{
    const QString c = choice.trimmed().toLower();
    if (c == u"ru" || c == u"en")
        return c;
    return qt_language_for(ui_languages);
}

QString qt_use_language(const QString &choice)
{
    if (g_translator)
        return QStringLiteral("en");
    const QString lang = qt_language_chosen(choice, QLocale::system().uiLanguages());
    if (lang == u"ru")
        return lang;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral(":/i18n/vellumo_") + lang + QStringLiteral(".qm")))
        return QStringLiteral("ru"); // no translation built in: the texts as written
    g_translator = translator.release(); // for the life of the program
    pl__set_translator(lookup);
    return lang;
}

QString qt_use_system_language()
{
    return qt_use_language(QString());
}

QString qt_language()
{
    return g_translator ? QStringLiteral("en") : QStringLiteral("ru");
}

void qt_install_app_translator()
{
    if (g_translator && QCoreApplication::instance())
        QCoreApplication::installTranslator(g_translator);
}
