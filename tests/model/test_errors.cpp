#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "model/element.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/xmalloc.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace {

// Runs the test body with a fresh current directory, so Vellumo.log lands
// there.
class in_temp_cwd {
public:
    in_temp_cwd() : old_(std::filesystem::current_path()) { std::filesystem::current_path(dir_.path()); }
    ~in_temp_cwd() { std::filesystem::current_path(old_); }
    std::string log() const
    {
        std::ifstream f(dir_ / "Vellumo.log");
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }

private:
    temp_dir dir_;
    std::filesystem::path old_;
};

// A box service that proves the log entry exists by the time the box shows.
class log_checking_boxes final : public message_box_service {
public:
    mb_answer show(const message_box_request &req) override
    {
        bool logged = std::filesystem::exists("Vellumo.log");
        std::fprintf(stderr, "BOX %s log=%s\n", plt__to_utf8(req.caption).c_str(),
                     logged ? "yes" : "no");
        return mb_answer::ok;
    }
};

const std::regex two_line_entry(
    R"(^C (Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d\d \d\d:\d\d:\d\d \d{4}\n frame\.c\(42\): stock != NULL == 0\n$)");

} // namespace

TEST(FatalDeathTest, LogsTwoLinesShowsBoxAfterwardsAndExitsWith3)
{
    in_temp_cwd cwd;
    EXPECT_EXIT(
        {
            static log_checking_boxes boxes;
            seam<message_box_service>::set(&boxes);
            err__fatal("stock != NULL", "src/frame/frame.c", 42);
        },
        testing::ExitedWithCode(3), "BOX Vellumo: критическая ошибка! log=yes");
    EXPECT_TRUE(std::regex_match(cwd.log(), two_line_entry)) << cwd.log();
}

TEST(FatalDeathTest, ConsoleBoxCarriesTheFullText)
{
    in_temp_cwd cwd;
    EXPECT_EXIT(
        {
            errno = 13;
            err__fatal("x", "a.c", 7);
        },
        testing::ExitedWithCode(3),
        "Результат выражения x равен нулю.\nОшибка в файле a.c, строка 7.\nОшибка ОС: 13\n"
        "Версия программы 1.2");
}

TEST(FatalDeathTest, AllocationFailuresAreFatal)
{
    in_temp_cwd cwd;
    // The sanitizer build is told to return null (allocator_may_return_null).
    EXPECT_EXIT(
        {
            void *p = xmalloc(static_cast<std::size_t>(1) << 62);
            std::printf("%p", p);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_NE(cwd.log().find("xmalloc( static_cast<std::size_t>(1) << 62 ) == 0"), std::string::npos)
        << cwd.log();
    // operator new reaches the same path through the new handler.
    EXPECT_EXIT(
        {
            std::get_new_handler()();
        },
        testing::ExitedWithCode(3), "");
    EXPECT_NE(cwd.log().find("operator new == 0"), std::string::npos);
}

TEST(FatalDeathTest, InsertPastTheEndIsFatal)
{
    in_temp_cwd cwd;
    EXPECT_EXIT(
        {
            label_ptr lab = ele__label_new(10, 10);
            ele__add(lab.get(), 1);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_NE(cwd.log().find(": index <= lab->qty == 0\n"), std::string::npos);
    // A negative index would write before the array.
    EXPECT_EXIT(
        {
            label_ptr lab = ele__label_new(10, 10);
            ele__add(lab.get(), 0);
            ele__add(lab.get(), -1);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_NE(cwd.log().find(": index >= 0 == 0\n"), std::string::npos);
}

TEST(ErrorAssertion, NoCarriesOnYesTerminates)
{
    in_temp_cwd cwd;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    boxes.answers.push_back(mb_answer::no);
    errno = 2;
    EXPECT_EQ(err__error("hwnd != NULL", "controls.c", 99), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const message_box_request &r = boxes.shown[0];
    EXPECT_EQ(r.caption, u"Vellumo: ошибка!");
    EXPECT_EQ(r.icon, mb_icon::error);
    EXPECT_EQ(r.buttons, mb_buttons::yes_no);
    EXPECT_EQ(r.text,
              u"Внимание! Произошла критическая ошибка. Во избежание дальнейшей потери данных "
              u"работа программы будет немедленно остановлена.\n\nРезультат выражения hwnd != "
              u"NULL равен нулю.\nОшибка в файле controls.c, строка 99.\nОшибка ОС: 2\nВерсия "
              u"программы 1.2\n\nЗапишите эту информацию и обратитесь к разработчикам или "
              u"техническому персоналу.\n\n");
    EXPECT_EQ(cwd.log().substr(0, 2), "E ");
    EXPECT_NE(cwd.log().find("\n controls.c(99): hwnd != NULL == 0\n"), std::string::npos);

    EXPECT_EXIT(
        {
            static scripted_message_boxes yes;
            yes.answers.push_back(mb_answer::yes);
            seam<message_box_service>::set(&yes);
            err__error("e", "m.c", 1);
        },
        testing::ExitedWithCode(3), "");
}

TEST(ErrorAssertion, UnwritableLogStillShowsTheBox)
{
    in_temp_cwd cwd;
    std::filesystem::create_directory("Vellumo.log"); // cannot be opened as a file
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    EXPECT_EQ(err__error("e", "m.c", 1), 0);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST(Warning, CaptionIconAndLimit)
{
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    err__warning(msg::picture_load_failed, u"/tmp/x.eps");
    std::u16string huge(3000, u'ж');
    err__warning(u"%1", huge.c_str());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].caption, u"Vellumo 1.2");
    EXPECT_EQ(boxes.shown[0].text, u"Ошибка загрузки файла изображения '/tmp/x.eps'!");
    EXPECT_EQ(boxes.shown[0].icon, mb_icon::warning);
    EXPECT_EQ(boxes.shown[0].buttons, mb_buttons::ok);
    EXPECT_TRUE(boxes.shown[0].topmost);
    EXPECT_EQ(boxes.shown[1].text.size(), 1023u);
}
