// The editor speaks the language of the locale, or the one chosen in
// "Настройки" (the setting `language`), from its first window: each case is
// a start of its own, since a process installs its translation once.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include "frame/options.h"
#include "model/settings.h"
#include "platform/qt_translation.h"
#include "support/settings_home.h"

namespace {

struct start {
    QStringList menus;
    QString language, tip, options, choice, qt_yes;
};

// The probe started like the editor under LANG=`locale`, nothing else of
// the locale set, with the settings of $XDG_CONFIG_HOME as they are.
start run_probe(const QString &locale)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        env.remove(QString::fromLatin1(v));
    env.insert(QStringLiteral("LANG"), locale);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(LANGUAGE_PROBE), {});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    start s;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char('='), 0, 0), value = line.section(QLatin1Char('='), 1);
        if (key == u"menu")
            s.menus << value;
        else if (key == u"language")
            s.language = value;
        else if (key == u"tip")
            s.tip = value;
        else if (key == u"options")
            s.options = value;
        else if (key == u"language-choice")
            s.choice = value;
        else if (key == u"qt-yes")
            s.qt_yes = value;
    }
    return s;
}

const QStringList english_menus{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&View"),
                                QStringLiteral("&Help")};
const QStringList russian_menus{QStringLiteral("&Файл"), QStringLiteral("&Правка"), QStringLiteral("&Вид"),
                                QStringLiteral("&Справка")};

void expect_english(const start &s)
{
    EXPECT_EQ(s.language, u"en");
    EXPECT_EQ(s.menus, english_menus);
    EXPECT_EQ(s.tip, u"New label");
    EXPECT_EQ(s.options, u"Settings");
    EXPECT_EQ(s.choice, u"As in the system");
    EXPECT_EQ(s.qt_yes, u"&Yes"); // Qt's own texts in English, not Russian
}

void expect_russian(const start &s)
{
    EXPECT_EQ(s.language, u"ru");
    EXPECT_EQ(s.menus, russian_menus);
    EXPECT_EQ(s.tip, u"Новая этикетка");
    EXPECT_EQ(s.options, u"Настройки");
    EXPECT_EQ(s.choice, u"Как в системе");
    EXPECT_NE(s.qt_yes, u"&Yes");
}

} // namespace

TEST(Language, TheLocaleChoosesWhenNothingIsChosen)
{
    settings_home home;
    SCOPED_TRACE("en_US");
    expect_english(run_probe(QStringLiteral("en_US.UTF-8")));
    SCOPED_TRACE("ru_RU");
    expect_russian(run_probe(QStringLiteral("ru_RU.UTF-8")));
    SCOPED_TRACE("de_DE: English, the one translation there is");
    expect_english(run_probe(QStringLiteral("de_DE.UTF-8")));
}

TEST(Language, TheSettingOverridesTheLocale)
{
    settings_home home;
    settings::set(settings::language, u"ru");
    expect_russian(run_probe(QStringLiteral("en_US.UTF-8")));
    settings::set(settings::language, u"en");
    expect_english(run_probe(QStringLiteral("ru_RU.UTF-8")));
    // "As the system" is written empty; a value another program wrote, in
    // another case, or no language at all, is taken as it can be.
    settings::set(settings::language, u"");
    expect_russian(run_probe(QStringLiteral("ru_RU.UTF-8")));
    settings::set(settings::language, u" EN ");
    expect_english(run_probe(QStringLiteral("ru_RU.UTF-8")));
    settings::set(settings::language, u"klingon\nen");
    expect_russian(run_probe(QStringLiteral("ru_RU.UTF-8")));
}

TEST(Language, ChosenLanguageIsTheLocalesUnlessRussianOrEnglish)
{
    const QStringList ru{QStringLiteral("ru-RU")}, en{QStringLiteral("en-US")};
    EXPECT_EQ(qt_language_chosen(QString(), ru), u"ru");
    EXPECT_EQ(qt_language_chosen(QStringLiteral("en"), ru), u"en");
    EXPECT_EQ(qt_language_chosen(QStringLiteral("ru"), en), u"ru");
    EXPECT_EQ(qt_language_chosen(QStringLiteral("de"), en), u"en");
    EXPECT_EQ(qt_language_chosen(QStringLiteral("english"), ru), u"ru");
}

// The options dialog writes the choice only when it changes, and reads back
// what it wrote; the running program keeps its language.
TEST(Language, OptionsDialogKeepsTheChoice)
{
    settings_home home;
    frame_options o;
    o.language = QStringLiteral("en");
    options_dialog d(nullptr, o);
    ASSERT_EQ(d.language_box()->count(), 3);
    EXPECT_EQ(d.language_box()->currentIndex(), 2);
    EXPECT_EQ(d.language_box()->itemText(1), u"Русский");
    EXPECT_EQ(d.language_box()->itemText(2), u"English");
    d.language_box()->setCurrentIndex(1);
    EXPECT_EQ(d.result().language, u"ru");
    // A value the dialog does not know shows as "as the system".
    o.language = QStringLiteral("xx");
    options_dialog unknown(nullptr, o);
    EXPECT_EQ(unknown.language_box()->currentIndex(), 0);
    EXPECT_EQ(unknown.result().language, QString());
}

// `vellumo --help` needs no display and says it in the locale's language:
// the language is chosen before the command line is read.
TEST(Language, HelpFollowsTheLocale)
{
    settings_home home;
    for (const auto &[locale, first] : {std::pair{"en_US.UTF-8", "Usage: vellumo"},
                                        std::pair{"ru_RU.UTF-8", "Использование: vellumo"}}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            env.remove(QString::fromLatin1(v));
        env.insert(QStringLiteral("LANG"), QString::fromLatin1(locale));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VELLUMO_BIN), {QStringLiteral("--help")});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).startsWith(QString::fromUtf8(first))) << locale;
    }
}
