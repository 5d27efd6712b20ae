// vellumo-render in the language of the locale: English for English (and
// for every language without a translation, C included), Russian for
// Russian and its neighbours.
#include <gtest/gtest.h>

#include "exchange/inout.h"
#include "output/output_support.h"
#include "platform/qt_translation.h"

using namespace out_test;

namespace {

// vellumo-render with only these locale variables set.
run_result render_in(const std::string &locale, const std::string &args)
{
    return run("env -u VELLUMO_PASSWORD -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE " + locale + " '" +
               std::string(VELLUMO_RENDER_BIN) + "' " + args);
}

} // namespace

TEST(CommandLineLanguage, ChosenFromTheLocale)
{
    struct row {
        QStringList ui;
        const char *lang;
    } rows[] = {
        {{"ru-RU"}, "ru"},           {{"ru_RU.UTF-8"}, "ru"}, {{"uk-UA"}, "ru"},
        {{"be"}, "ru"},              {{"kk_KZ"}, "ru"},       {{"en-US"}, "en"},
        {{"en_GB.UTF-8"}, "en"},     {{"C"}, "en"},           {{"POSIX"}, "en"},
        {{"de-DE", "ru-RU"}, "ru"},  {{"fr", "en", "ru"}, "en"}, {{"de-DE"}, "en"},
        {{}, "en"},                  {{""}, "en"},            {{"rus"}, "en"},
    };
    for (const row &r : rows)
        EXPECT_EQ(qt_language_for(r.ui), QString::fromLatin1(r.lang)) << r.ui.join(',').toStdString();
}

TEST(CommandLineLanguage, HelpAndRefusalsInTheLocalesLanguage)
{
    run_result r = render_in("LANG=en_US.UTF-8", "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--sheet-geometry SIZES"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Использование"), std::string::npos) << r.out;

    r = render_in("LANG=ru_RU.UTF-8", "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Использование:"), std::string::npos) << r.out;

    // LANGUAGE comes first, LC_MESSAGES before LANG, LC_ALL before both.
    EXPECT_NE(render_in("LANG=ru_RU.UTF-8 LANGUAGE=en", "--help").out.find("Usage:"), std::string::npos);
    EXPECT_NE(render_in("LANG=ru_RU.UTF-8 LC_MESSAGES=en_US.UTF-8", "--help").out.find("Usage:"),
              std::string::npos);
    EXPECT_NE(render_in("LANG=en_US.UTF-8 LC_ALL=uk_UA.UTF-8", "--help").out.find("Использование:"),
              std::string::npos);
    EXPECT_NE(render_in("LANG=C", "--help").out.find("Usage:"), std::string::npos);

    // A refusal filled in: the argument in its place in either language.
    r = render_in("LANG=en_US.UTF-8", "a.lbl -o a.pdf --copies 5 --bogus");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option --bogus"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Help: vellumo-render --help"), std::string::npos) << r.err;
    r = render_in("LANG=ru_RU.UTF-8", "a.lbl -o a.pdf --bogus");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("неизвестный параметр --bogus"), std::string::npos) << r.err;

    // The system's reason in English too.
    r = render_in("LANG=en_US.UTF-8", "/nonexistent/a.lbl -o a.pdf");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Label file “/nonexistent/a.lbl” cannot be read: there is no such file."), std::string::npos)
        << r.err;

    // A file the program cannot write, through output's messages.
    r = render_in("LANG=en_US.UTF-8", "a.lbl -o a.xyz");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the output format is taken from the extension: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" or "), std::string::npos) << r.err;
}

TEST(CommandLineLanguage, OutputsRefusalInEnglish)
{
    temp_dir dir;
    label_ptr lab = ele__label_new(216, 108);
    const std::filesystem::path lbl = dir / "tag.lbl";
    ASSERT_EQ(ino__save_file(u16(lbl), lab.get()), 1);
    std::filesystem::create_directory(dir / "out.pdf");
    run_result r = render_in("LANG=en_US.UTF-8", quoted(lbl) + " -o " + quoted(dir / "out.pdf"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("was not written: a folder of that name is in the way."), std::string::npos) << r.err;
    r = render_in("LANG=ru_RU.UTF-8", quoted(lbl) + " -o " + quoted(dir / "out.pdf"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("не записан: на этом месте папка с таким именем."), std::string::npos) << r.err;
}

// The label server's command line and its start-up refusals follow the
// locale (what it says to its clients and its log stay Russian).
TEST(CommandLineLanguage, ServerCommandLineInTheLocalesLanguage)
{
    const std::string server = std::string("env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE ");
    run_result r = run(server + "LANG=en_US.UTF-8 '" + VELLUMO_SERVER_BIN + "' --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: vellumo-server"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(default 127.0.0.1:8390)"), std::string::npos) << r.out;
    r = run(server + "LANG=ru_RU.UTF-8 '" + VELLUMO_SERVER_BIN + "' --help");
    EXPECT_NE(r.out.find("Использование: vellumo-server"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(по умолчанию 127.0.0.1:8390)"), std::string::npos) << r.out;

    r = run(server + "LANG=en_US.UTF-8 '" + VELLUMO_SERVER_BIN + "' --max-values 0x10");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--max-values: a whole number from 1 to "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(", not “0x10”"), std::string::npos) << r.err;
    r = run(server + "LANG=en_US.UTF-8 '" + VELLUMO_SERVER_BIN + "' --bogus");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option --bogus"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Usage: vellumo-server"), std::string::npos) << r.err;

    // A printers file with a fault: named with its line, in either language.
    temp_dir dir;
    write_file(dir / "printers.conf", "[Склад]\nspeeed = 4\n");
    const std::string start = "' --listen 127.0.0.1:0 --store '" + (dir / "store").string() + "' --printers '" +
                              (dir / "printers.conf").string() + "'";
    r = run(server + "LANG=en_US.UTF-8 '" + VELLUMO_SERVER_BIN + start);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("printers.conf:2: unknown key “speeed”"), std::string::npos) << r.err;
    r = run(server + "LANG=ru_RU.UTF-8 '" + VELLUMO_SERVER_BIN + start);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("printers.conf:2: неизвестный ключ «speeed»"), std::string::npos) << r.err;
    r = run(server + "LANG=en_US.UTF-8 '" + VELLUMO_SERVER_BIN + "' --listen 10.1.2.3:0");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("only on a loopback address"), std::string::npos) << r.err;
}
