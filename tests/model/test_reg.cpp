#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "model/misc.h"
#include "model/reg.h"
#include "model/settings.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/private_mount.h"
#include "support/temp_dir.h"

#ifndef SETTINGS_PROBE
#error "SETTINGS_PROBE must name the probe program"
#endif

namespace {

// Points the per-user settings file into a temporary folder.
class Settings : public testing::Test {
protected:
    void SetUp() override
    {
        const char *old = std::getenv("XDG_CONFIG_HOME");
        had_old_ = old != nullptr;
        if (old)
            old_ = old;
        setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    }
    void TearDown() override
    {
        if (had_old_)
            setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    std::filesystem::path file() const { return dir_.path() / "ZELTA" / "ORMIK.reg"; }
    void write_file(const std::string &text) const
    {
        std::filesystem::create_directories(file().parent_path());
        std::ofstream(file(), std::ios::binary) << text;
    }
    std::string read_file() const
    {
        std::ifstream f(file(), std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    temp_dir dir_;
    std::string old_;
    bool had_old_ = false;
};

const char header[] = "Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_CURRENT_USER\\Software\\ZELTA\\ORMIK]\r\n";

std::string run(const std::string &cmd)
{
    std::string out;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p))
        out += buf;
    pclose(p);
    return out;
}

} // namespace

TEST_F(Settings, MissingFileGivesEveryDefault)
{
    EXPECT_EQ(settings::get(settings::frame_width), CW_USEDEFAULT);
    EXPECT_EQ(settings::get(settings::frame_twowin_mode), 1);
    EXPECT_EQ(settings::get(settings::grid_20), 1);
    EXPECT_EQ(settings::get(settings::label_width), 300.0);
    EXPECT_EQ(settings::get(settings::label_height), 400.0);
    EXPECT_EQ(settings::get(settings::label_color), 0xFFFFFF);
    EXPECT_EQ(*settings::get(settings::manual_url), u"https://vellumo.org/manual/");
    EXPECT_FALSE(settings::get(settings::default_server));
    EXPECT_TRUE(settings::get(settings::server_list).empty());
    EXPECT_EQ(settings::get_custom_color(15), 0xFFFFFF);
    EXPECT_EQ(settings::custom_color_name(7), u"custom-color-7");
    EXPECT_FALSE(reg__read(HKEY_CURRENT_USER, REG_PATH, u"label-width", true, 0));
}

TEST_F(Settings, ValuesOfTheWrongTypeCountAsMissing)
{
    setenv("VELLUMO_TEST_HOME", "/home/ж", 1);
    write_file(std::string(header) +
               "\"frame-width\"=\"800\"\r\n"
               "\"label-width\"=hex:00,00,00,00,00,40,6a,40\r\n"
               "\"label-height\"=dword:00000190\r\n"
               "\"preview-size\"=hex(5):00,00,01,00\r\n"
               "\"manual-url\"=hex(2):25,00,56,00,45,00,4c,00,4c,00,55,00,4d,00,4f,00,5f,00,54,00,\\\r\n"
               "  45,00,53,00,54,00,5f,00,48,00,4f,00,4d,00,45,00,25,00,2f,00,6d,00,00,00\r\n"
               "\"grid-10\"=hex:01,00,00,00\r\n"
               "\"short-double\"=hex:00,00,40\r\n");
    EXPECT_EQ(settings::get(settings::frame_width), CW_USEDEFAULT);
    EXPECT_EQ(settings::get(settings::label_width), 210.0);
    EXPECT_EQ(settings::get(settings::label_height), 400.0); // a DWORD is no double
    EXPECT_EQ(settings::get(settings::preview_size), 256);
    EXPECT_EQ(*settings::get(settings::manual_url), u"/home/ж/m");
    EXPECT_EQ(settings::get(settings::grid_10), 0); // binary is no integer
    EXPECT_EQ(reg__get_double(HKEY_CURRENT_USER, REG_PATH, u"short-double", 1.5), 1.5);

    auto raw = reg__read(HKEY_CURRENT_USER, REG_PATH, u"manual-url", false, 0);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, REG_EXPAND_SZ); // without expansion the type stays
    auto ex = reg__read(HKEY_CURRENT_USER, REG_PATH, u"manual-url", true, 0);
    EXPECT_EQ(ex->type, REG_SZ);
    EXPECT_EQ(ex->size, 10u); // characters with the NUL
    auto be = reg__read(HKEY_CURRENT_USER, REG_PATH, u"preview-size", true, REG_DWORD_BIG_ENDIAN);
    ASSERT_TRUE(be);
    EXPECT_EQ(be->type, REG_DWORD);
    EXPECT_FALSE(reg__read(HKEY_CURRENT_USER, REG_PATH, u"preview-size", true, REG_SZ));
    // Unknown environment names stay as they are.
    EXPECT_EQ(reg__expand_environment(u"%NO_SUCH_VAR_X%/%VELLUMO_TEST_HOME%%"), u"%NO_SUCH_VAR_X%//home/ж%");
}

TEST_F(Settings, WrittenFormsAndSizes)
{
    settings::set(settings::frame_width, 1024);
    settings::set(settings::label_width, 210.0);
    settings::set(settings::default_server, u"http://127.0.0.1:8080/RPC2 \"q\" \\ ж");
    settings::set(settings::server_list, {u"http://a/", u"\t", u"иван"});
    settings::set(settings::font_list, {});

    EXPECT_EQ(settings::get(settings::frame_width), 1024);
    EXPECT_EQ(settings::get(settings::label_width), 210.0);
    EXPECT_EQ(*settings::get(settings::default_server), u"http://127.0.0.1:8080/RPC2 \"q\" \\ ж");
    EXPECT_EQ(settings::get(settings::server_list),
              (std::vector<std::u16string>{u"http://a/", u"\t", u"иван"}));
    EXPECT_TRUE(settings::get(settings::font_list).empty());

    reg_file_backend backend;
    auto list = backend.read(HKEY_CURRENT_USER, REG_PATH, u"server-list");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->type, static_cast<std::uint32_t>(REG_MULTI_SZ));
    EXPECT_EQ(list->bytes.size(), (9u + 1 + 4 + 3 + 1) * 2);
    auto dbl = backend.read(HKEY_CURRENT_USER, REG_PATH, u"label-width");
    EXPECT_EQ(dbl->type, static_cast<std::uint32_t>(REG_BINARY));
    EXPECT_EQ(dbl->bytes.size(), 8u);
    auto str = backend.read(HKEY_CURRENT_USER, REG_PATH, u"default-server");
    EXPECT_EQ(str->bytes.size(), (34u + 1) * 2);
    auto empty = backend.read(HKEY_CURRENT_USER, REG_PATH, u"font-list");
    EXPECT_EQ(empty->bytes.size(), 2u); // the lone final NUL

    std::string text = read_file();
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\ZELTA\\ORMIK]\n"), std::string::npos);
    EXPECT_NE(text.find("\"frame-width\"=dword:00000400\n"), std::string::npos);
    EXPECT_NE(text.find("\"label-width\"=hex:00,00,00,00,00,40,6a,40\n"), std::string::npos);
    EXPECT_NE(text.find("\"default-server\"=\"http://127.0.0.1:8080/RPC2 \\\"q\\\" \\\\ ж\"\n"),
              std::string::npos);
    EXPECT_NE(text.find("\"server-list\"=hex(7):68,00,74,00"), std::string::npos);

    // Rewriting a value replaces its line rather than adding one.
    settings::set(settings::frame_width, -1);
    EXPECT_EQ(settings::get(settings::frame_width), -1);
    text = read_file();
    EXPECT_EQ(text.find("\"frame-width\""), text.rfind("\"frame-width\""));
}

TEST_F(Settings, MultiStringHelpers)
{
    const char16_t three[] = u"ab\0c\0def\0";
    EXPECT_EQ(reg__multi_len(three), 2u + 1 + 1 + 1 + 3 + 1 + 1);
    std::u16string dup = reg__multidup(three);
    EXPECT_EQ(dup.size(), 10u);
    EXPECT_EQ(dup, std::u16string(three, 10));
    EXPECT_EQ(reg__multidup(u"\0"), std::u16string(2, u'\0'));
    EXPECT_EQ(reg__multi_len(u"\0"), 1u);
    // An empty string ends the list.
    EXPECT_EQ(reg__multi_split(reg__multi_join({u"a", u"", u"b"}).c_str()),
              std::vector<std::u16string>{u"a"});
}

TEST_F(Settings, HandEditedFilesAreReadAndForeignLinesKept)
{
    const std::string original =
        "Windows Registry Editor Version 5.00\r\n"
        "; a comment the user wrote\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
        "\"frame-width\"=dword:00000010\r\n"
        "\r\n"
        "[hkey_current_user\\software\\zelta\\ormik]\r\n"
        "\"GRID-40\"=dword:00000001\r\n"
        "\"weird\"=something we do not know\r\n"
        "@=\"default value\"\r\n"
        "\"font-list\"=hex(7):41,00,00,00,42,00,00,00,00,00\r\n";
    write_file(original);
    EXPECT_EQ(settings::get(settings::grid_40), 1); // names and keys ignore case
    EXPECT_EQ(settings::get(settings::frame_width), CW_USEDEFAULT); // other key
    EXPECT_EQ(settings::get(settings::font_list), (std::vector<std::u16string>{u"A", u"B"}));

    settings::set(settings::preview_markup, 1);
    std::string text = read_file();
    // Everything that was there is still there, line for line, in order.
    std::string expect = original;
    expect.insert(expect.size(), "\"preview-markup\"=dword:00000001\r\n");
    EXPECT_EQ(text, expect);

    // UTF-16 files with a byte-order mark, as regedit writes them, are read.
    std::u16string u = u"Windows Registry Editor Version 5.00\r\n\r\n"
                       u"[HKEY_CURRENT_USER\\Software\\ZELTA\\ORMIK]\r\n\"default-server\"=\"сервер\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : u) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    write_file(bytes);
    EXPECT_EQ(*settings::get(settings::default_server), u"сервер");
}

TEST_F(Settings, GarbledFilesNeverCrashAndKeepTheirLines)
{
    const std::string cases[] = {
        "",
        "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Software\\ZELTA\\ORMIK",
        std::string(header) + "\"frame-width\"=dword:zz\r\n\"grid-20\"=dword:123456789\r\n",
        std::string(header) + "\"label-width\"=hex:0g,00\r\n\"x\"=hex(7:00\r\n\"y\"=hex(\r\n",
        std::string(header) + "\"unterminated=dword:1\r\n\"a\"=\"no end\r\n\"b\"=hex:00,\\",
        std::string(header) + "\"font-list\"=hex(7):41,00,42\r\n",
        std::string("\x00\x01\x02\xFF\xFE\xFD garbage", 12),
    };
    for (const std::string &c : cases) {
        write_file(c);
        EXPECT_EQ(settings::get(settings::frame_width), CW_USEDEFAULT);
        EXPECT_EQ(settings::get(settings::grid_20), 1);
        EXPECT_EQ(settings::get(settings::label_width), 300.0);
        settings::get(settings::font_list); // odd sizes and missing NULs stay in bounds
        settings::set(settings::grid_10, 1);
        EXPECT_EQ(settings::get(settings::grid_10), 1) << c;
        std::string after = read_file();
        // The unknown lines of the old file are all still there.
        std::istringstream lines(c);
        for (std::string l; std::getline(lines, l);) {
            if (!l.empty() && l.back() == '\r')
                l.pop_back();
            if (l.find("grid-10") == std::string::npos && !l.empty() && l[0] != '\0' &&
                static_cast<unsigned char>(l[0]) < 0x80) {
                EXPECT_NE(after.find(l), std::string::npos) << l;
            }
        }
    }
}

TEST_F(Settings, TwoWritersAtOnceLoseNothing)
{
    const int per_writer = 60;
    pid_t kids[2];
    for (int w = 0; w < 2; ++w) {
        kids[w] = fork();
        ASSERT_GE(kids[w], 0);
        if (kids[w] == 0) {
            for (int i = 0; i < per_writer; ++i)
                reg__set_int(REG_PATH, msc__format(u"writer-%1-%2", w, i), w * 1000 + i);
            _exit(0);
        }
    }
    for (pid_t k : kids) {
        int st = 0;
        waitpid(k, &st, 0);
        ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
    }
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < per_writer; ++i)
            EXPECT_EQ(reg__get_int(HKEY_CURRENT_USER, REG_PATH, msc__format(u"writer-%1-%2", w, i), -1),
                      w * 1000 + i);
    // No temporary files are left behind.
    int files = 0;
    for (auto &e : std::filesystem::directory_iterator(file().parent_path()))
        files += e.path().filename().string().rfind("ORMIK.reg.", 0) == 0 &&
                 e.path().filename() != "ORMIK.reg.lock";
    EXPECT_EQ(files, 0);
}

TEST_F(Settings, AnotherProcessReadsWhatWasWritten)
{
    settings::set(settings::label_width, 123.456789);
    settings::set(settings::label_color, 0x00A0B0C0);
    settings::set(settings::default_server, u"http://сервер/RPC2");
    settings::set(settings::variables_list, {u"name", u"Иван", u"count", u"3"});
    std::string out = run(std::string("XDG_CONFIG_HOME='") + dir_.path().string() + "' '" +
                          SETTINGS_PROBE + "'");
    EXPECT_EQ(out, "label-width=123.456789\nlabel-color=10531008\n"
                   "default-server=http://сервер/RPC2\nvariables-list=name|Иван|count|3|\n");
}

TEST_F(Settings, UnwritableFolderWarnsOnceAndTheProgramGoesOn)
{
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    // A file where the settings folder should be: the folder cannot be made.
    std::ofstream(dir_.path() / "ZELTA") << "not a folder";
    EXPECT_EQ(settings::get(settings::grid_20), 1);
    EXPECT_EQ(settings::set(settings::grid_20, 0), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::u16string &text = boxes.shown[0].text;
    EXPECT_EQ(boxes.shown[0].caption, u"Vellumo 1.2");
    EXPECT_EQ(boxes.shown[0].icon, mb_icon::warning);
    EXPECT_NE(text.find(plt__from_utf8(file().string())), std::u16string::npos) << plt__to_utf8(text);
    EXPECT_NE(text.find(u"на месте папки находится файл"), std::u16string::npos) << plt__to_utf8(text);
    // The same failure again (a frame writing its geometry value by value)
    // is not repeated.
    EXPECT_EQ(settings::set(settings::grid_10, 1), 0);
    EXPECT_EQ(settings::set(settings::label_width, 1.0), 0);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(settings::get(settings::grid_20), 1);

    // Once a write goes through, a new failure is told again.
    std::filesystem::remove(dir_.path() / "ZELTA");
    EXPECT_EQ(settings::set(settings::grid_20, 0), 1);
    EXPECT_EQ(settings::get(settings::grid_20), 0);
    std::filesystem::remove_all(dir_.path() / "ZELTA");
    std::ofstream(dir_.path() / "ZELTA") << "not a folder";
    EXPECT_EQ(settings::set(settings::grid_20, 1), 0);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(Settings, UnreadableExistingFileIsNeverOverwritten)
{
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    std::filesystem::create_directories(file()); // a folder in the file's place
    EXPECT_EQ(settings::set(settings::grid_20, 0), 0);
    EXPECT_TRUE(std::filesystem::is_directory(file()));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find(u"не удалось прочитать"), std::u16string::npos);
    EXPECT_EQ(settings::get(settings::grid_20), 1); // reads give the defaults
}

// In a child with a private tmpfs as the settings folder: writes the
// settings once, spoils the disk, then checks that a write fails with one
// warning naming the reason and leaves the old file.  0 when all held.
int spoiled_write(const std::filesystem::path &file, const std::u16string &reason)
{
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    std::ifstream f(file, std::ios::binary);
    std::stringstream before;
    before << f.rdbuf();
    if (before.str().find("grid-20") == std::string::npos)
        return 2;
    if (settings::set(settings::label_width, 123.0) != 0)
        return 3;
    if (boxes.shown.size() != 1 || boxes.shown[0].text.find(reason) == std::u16string::npos)
        return 4;
    std::ifstream g(file, std::ios::binary);
    std::stringstream after;
    after << g.rdbuf();
    if (after.str() != before.str())
        return 5;
    if (settings::get(settings::grid_20) != 0 || settings::get(settings::label_width) != 300.0)
        return 6;
    return 0;
}

TEST_F(Settings, FullDiskWarnsOnceAndKeepsTheOldFile)
{
    std::filesystem::path folder = file().parent_path();
    std::filesystem::create_directories(folder);
    int rc = run_with_tmpfs(
        folder.string(), "size=64k", false,
        [&] {
            settings::set(settings::grid_20, 0);
            std::ofstream fill(folder / "filler", std::ios::binary);
            std::string block(4096, 'x');
            while (fill.write(block.data(), static_cast<std::streamsize>(block.size())))
                fill.flush();
        },
        [&] { return spoiled_write(file(), u"на диске нет свободного места"); });
    if (rc < 0)
        GTEST_SKIP() << "no private mounts here";
    EXPECT_EQ(rc, 0);
}

TEST_F(Settings, ReadOnlyFileSystemWarnsOnceAndKeepsTheOldFile)
{
    std::filesystem::path folder = file().parent_path();
    std::filesystem::create_directories(folder);
    int rc = run_with_tmpfs(
        folder.string(), "size=1m", true, [&] { settings::set(settings::grid_20, 0); },
        [&] { return spoiled_write(file(), u"только для чтения"); });
    if (rc < 0)
        GTEST_SKIP() << "no private mounts here";
    EXPECT_EQ(rc, 0);
}

TEST_F(Settings, LockHeldTooLongGivesUpWithAWarning)
{
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    settings::set(settings::grid_20, 0);
    std::string before = read_file();
    // Another program holds the lock.
    int fd = ::open((file().string() + ".lock").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    reg_file_backend backend;
    backend.lock_wait_ms = 300;
    settings_backend *prev = seam<settings_backend>::set(&backend);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(settings::set(settings::grid_20, 1), 0);
    auto waited = std::chrono::steady_clock::now() - t0;
    seam<settings_backend>::set(prev);
    ::close(fd);
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::seconds(30)); // bounded, not forever
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find(u"занят другой программой"), std::u16string::npos);
    EXPECT_EQ(read_file(), before);
    // With the lock free again the write goes through.
    EXPECT_EQ(settings::set(settings::grid_20, 1), 1);
    EXPECT_EQ(settings::get(settings::grid_20), 1);
}

TEST_F(Settings, ListsKeepEmptyStringsAndDamagedListsReadSafely)
{
    std::vector<std::u16string> vars{u"name", u"", u"count", u"3", u"", u"x", u"last", u""};
    ASSERT_EQ(settings::set(settings::variables_list, vars), 1);
    EXPECT_EQ(settings::get(settings::variables_list), vars);
    // Another process reads the same list back.
    std::vector<std::u16string> fonts{u"", u"Arial"};
    ASSERT_EQ(settings::set(settings::font_list, fonts), 1);
    EXPECT_EQ(settings::get(settings::font_list), fonts);
    ASSERT_EQ(settings::set(settings::font_list, {}), 1);
    EXPECT_TRUE(settings::get(settings::font_list).empty());

    // The one list the stored form cannot hold is refused, never cut.
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    ASSERT_EQ(settings::set(settings::font_list, {u"Arial"}), 1);
    EXPECT_EQ(settings::set(settings::font_list, {u""}), 0);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(settings::get(settings::font_list), std::vector<std::u16string>{u"Arial"});

    // Hand-made data: no final NUL, an unterminated last string, an odd
    // byte count, nothing at all.
    const char16_t no_final[] = {u'a', 0, u'b', 0};
    EXPECT_EQ(reg__list_split(no_final, 4), (std::vector<std::u16string>{u"a", u"b"}));
    const char16_t unterminated[] = {u'a', 0, u'b', u'c'};
    EXPECT_EQ(reg__list_split(unterminated, 4), (std::vector<std::u16string>{u"a", u"bc"}));
    EXPECT_TRUE(reg__list_split(u"", 0).empty());
    const char16_t two[] = {0, 0};
    EXPECT_TRUE(reg__list_split(two, 2).empty());
    write_file(std::string(header) + "\"variables-list\"=hex(7):6e,00,00,00,76\r\n");
    EXPECT_EQ(settings::get(settings::variables_list), std::vector<std::u16string>{u"n"});
    write_file(std::string(header) + "\"variables-list\"=hex(7):6e,00,41\r\n");
    // "n", then a lone byte of an unfinished character: the padding ends it.
    auto odd = settings::get(settings::variables_list);
    ASSERT_GE(odd.size(), 1u);
    EXPECT_EQ(odd[0], u"n");
}

TEST_F(Settings, BrokenSurrogatesAreRefusedNotReplaced)
{
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    ASSERT_EQ(settings::set(settings::default_server, u"http://a/"), 1);
    std::u16string lone = u"http://b/";
    lone += static_cast<char16_t>(0xD800);
    EXPECT_EQ(settings::set(settings::default_server, lone), 0);
    EXPECT_EQ(*settings::get(settings::default_server), u"http://a/");
    std::u16string low(1, static_cast<char16_t>(0xDC00));
    EXPECT_EQ(settings::set(settings::variables_list, {u"v", low}), 0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(boxes.shown[0].text.find(u"U+D800"), std::u16string::npos);
    EXPECT_NE(boxes.shown[1].text.find(u"U+DC00"), std::u16string::npos);
    // A whole pair is fine.
    EXPECT_EQ(settings::set(settings::default_server, u"http://\U0001F600/"), 1);
    EXPECT_EQ(*settings::get(settings::default_server), u"http://\U0001F600/");
}

TEST_F(Settings, WritingThroughALinkReplacesItsTarget)
{
    std::filesystem::path real = dir_.path() / "elsewhere" / "settings.reg";
    std::filesystem::create_directories(real.parent_path());
    write_file("");
    std::filesystem::remove(file());
    std::ofstream(real) << header << "\"grid-20\"=dword:00000000\r\n";
    std::filesystem::permissions(real, std::filesystem::perms(0640));
    std::filesystem::create_symlink("../elsewhere/settings.reg", file());
    EXPECT_EQ(settings::get(settings::grid_20), 0);
    ASSERT_EQ(settings::set(settings::grid_10, 1), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_EQ(settings::get(settings::grid_10), 1);
    EXPECT_EQ(settings::get(settings::grid_20), 0);
    std::ifstream f(real);
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_NE(ss.str().find("\"grid-10\"=dword:00000001"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0640));
    // No temporary file is left in either folder.
    int entries = 0;
    for (auto &e : std::filesystem::directory_iterator(real.parent_path()))
        entries += e.path() != real;
    EXPECT_EQ(entries, 0);
}
