#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

#include "model/lg_epsi.h"
#include "platform/file_choice.h"
#include "platform/file_io.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace {
lg_epsi_ptr load(const std::string &s)
{
    return eps__load_mem(s.data(), s.size());
}
} // namespace

TEST(EpsiBox, SecondLineBoxGivesSizeAndShift)
{
    auto e = load("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 50\n%%EndComments\n");
    ASSERT_TRUE(e);
    EXPECT_FLOAT_EQ(e->width, 100);
    EXPECT_FLOAT_EQ(e->height, 50);
    EXPECT_FLOAT_EQ(e->dx, 0);
    EXPECT_FLOAT_EQ(e->dy, 0);
    EXPECT_EQ(e->len, e->data.size());

    auto n = load("%!PS\n%%BoundingBox: -10.5 20 89.5 70\n");
    ASSERT_TRUE(n);
    EXPECT_FLOAT_EQ(n->llx, -10.5f);
    EXPECT_FLOAT_EQ(n->dx, 10.5f);
    EXPECT_FLOAT_EQ(n->dy, -20);
    EXPECT_FLOAT_EQ(n->width, 100);
    EXPECT_FLOAT_EQ(n->height, 50);
}

TEST(EpsiBox, AtendIsSkippedAndTheLaterBoxFound)
{
    auto e = load("%!PS\n%%BoundingBox: (atend)\n0 0 moveto\n%%Trailer\n%%BoundingBox: 0 0 10 10\n");
    ASSERT_TRUE(e);
    EXPECT_FLOAT_EQ(e->width, 10);
    EXPECT_FLOAT_EQ(e->height, 10);
}

TEST(EpsiBox, FirstLineAndThreeNumbersAreRefused)
{
    EXPECT_FALSE(load("%%BoundingBox: 0 0 100 50\n"));
    EXPECT_FALSE(load("%!PS\n%%BoundingBox: 0 0 100\n"));
    EXPECT_FALSE(load("%!PS\n%%BoundingBox: 0 0 100 x\n"));
    EXPECT_FALSE(load("%!PS\n%%BoundingBox:"));
    EXPECT_TRUE(load("%!PS\n%%BoundingBox: 0 0 100 50")); // the data may end with the box
    EXPECT_FALSE(load("\n%"));
    EXPECT_FALSE(eps__load_mem("", 0));
    EXPECT_FALSE(eps__load_mem(nullptr, 10));
}

TEST(EpsiBox, CarriageReturnsAloneSeparateLines)
{
    auto e = load("%!PS\r%%BoundingBox: 1 2 3 5\r");
    ASSERT_TRUE(e);
    EXPECT_FLOAT_EQ(e->width, 2);
    EXPECT_FLOAT_EQ(e->height, 3);
}

TEST(EpsiBox, ScanfNumberRules)
{
    // No blank after the colon, signs, exponents, white space across lines.
    auto e = load("x\n%%BoundingBox:+1e1\n\t-2.5E+0\r\n  .5e2 \n 4.\n");
    ASSERT_TRUE(e);
    EXPECT_FLOAT_EQ(e->llx, 10);
    EXPECT_FLOAT_EQ(e->lly, -2.5f);
    EXPECT_FLOAT_EQ(e->urx, 50);
    EXPECT_FLOAT_EQ(e->ury, 4);
    // A number ends where its characters end; the next may follow directly.
    auto f = load("x\n%%BoundingBox: 0-5 10-1garbage");
    ASSERT_TRUE(f);
    EXPECT_FLOAT_EQ(f->lly, -5);
    EXPECT_FLOAT_EQ(f->ury, -1);
    EXPECT_FLOAT_EQ(f->height, 4);
    // Hexadecimal floats are numbers too.
    auto h = load("x\n%%BoundingBox: 0 0 0x10 0x1p3\n");
    ASSERT_TRUE(h);
    EXPECT_FLOAT_EQ(h->width, 16);
    EXPECT_FLOAT_EQ(h->height, 8);
    // Case matters for the keyword; a sign alone is no number.
    EXPECT_FALSE(load("x\n%%boundingbox: 0 0 1 1\n"));
    EXPECT_FALSE(load("x\n%%BoundingBox: - 0 0 1 1\n"));
}

TEST(EpsiBox, NonFiniteBoxesAreSkippedInvertedOnesPutInOrder)
{
    EXPECT_FALSE(load("x\n%%BoundingBox: 0 0 nan 10\n"));
    EXPECT_FALSE(load("x\n%%BoundingBox: 0 0 inf 10\n"));
    EXPECT_FALSE(load("x\n%%BoundingBox: 0 0 1e39 10\n"));            // overflows a float
    EXPECT_FALSE(load("x\n%%BoundingBox: -3e38 0 3e38 10\n"));        // width overflows
    auto later = load("x\n%%BoundingBox: 0 0 infinity 1\n%%BoundingBox: 0 0 2 1\n");
    ASSERT_TRUE(later);
    EXPECT_FLOAT_EQ(later->width, 2);

    auto inv = load("x\n%%BoundingBox: 100 50 0 0\n");
    ASSERT_TRUE(inv);
    EXPECT_FLOAT_EQ(inv->llx, 0);
    EXPECT_FLOAT_EQ(inv->urx, 100);
    EXPECT_FLOAT_EQ(inv->width, 100);
    EXPECT_FLOAT_EQ(inv->height, 50);
}

TEST(EpsiBox, HostileDataNeverReadsPastTheEnd)
{
    // Binary bytes without line breaks, then a huge box line, then a box
    // that stops right at the end of the buffer.
    std::string bin;
    for (int i = 0; i < 100000; ++i)
        bin += static_cast<char>((i * 7919) & 0xFF);
    EXPECT_FALSE(eps__find_bbox(reinterpret_cast<const unsigned char *>("\n%%"), 3, nullptr));

    std::string huge = "x\n%%BoundingBox: 1 2 3 " + std::string(10 * 1024 * 1024, '4');
    float box[4];
    EXPECT_FALSE(eps__find_bbox(reinterpret_cast<const unsigned char *>(huge.data()),
                                   huge.size(), box)); // a 10 MB number overflows
    std::string ok = "x\n%%BoundingBox: 1 2 3 " + std::string(100000, '0') + "4";
    ASSERT_TRUE(eps__find_bbox(reinterpret_cast<const unsigned char *>(ok.data()), ok.size(), box));
    EXPECT_FLOAT_EQ(box[3], 4);

    std::string cut = bin + "\n%%BoundingBox: 1 2 3 4";
    ASSERT_TRUE(eps__find_bbox(reinterpret_cast<const unsigned char *>(cut.data()), cut.size(), box));
    // Exactly sized heap copies so the sanitizer sees any overrun.
    for (std::size_t n = 0; n <= cut.size() - bin.size(); ++n) {
        std::vector<unsigned char> v(cut.begin(), cut.begin() + static_cast<long>(bin.size() + n));
        eps__find_bbox(v.data(), v.size(), box);
    }
}

TEST(EpsiCopy, IndependentBufferEqualNumbers)
{
    auto e = load("%!PS\n%%BoundingBox: -1 -2 3 4\nshowpage\n");
    ASSERT_TRUE(e);
    auto c = eps__copy(e.get());
    ASSERT_TRUE(c);
    EXPECT_EQ(c->data, e->data);
    EXPECT_NE(c->data.data(), e->data.data());
    EXPECT_EQ(c->len, e->len);
    EXPECT_FLOAT_EQ(c->dx, e->dx);
    EXPECT_FLOAT_EQ(c->height, e->height);
    e.reset();
    EXPECT_EQ(c->data.back(), '\n');
    eps__free(c.release());
    EXPECT_FALSE(eps__copy(nullptr));
}

TEST(EpsiFile, LoadFromFileAndEmptyFile)
{
    temp_dir dir;
    std::string body = "%!PS\n%%BoundingBox: 0 0 72 36\n";
    ASSERT_EQ(plt__write_blob(u16(dir / "a.eps"), body.data(), body.size()), 1);
    auto e = eps__load_file(u16(dir / "a.eps"));
    ASSERT_TRUE(e);
    EXPECT_EQ(std::string(e->data.begin(), e->data.end()), body);
    ASSERT_EQ(plt__write_blob(u16(dir / "empty.eps"), "", 0), 1);
    EXPECT_FALSE(eps__load_file(u16(dir / "empty.eps")));
    EXPECT_FALSE(eps__load_file(u16(dir / "missing.eps")));
}

TEST(ChoosePicture, DialogRequestAndOutcomes)
{
    temp_dir dir;
    std::string good = "%!PS\n%%BoundingBox: 0 0 20 10\n";
    std::string bad = "%!PS\nno box here\n";
    ASSERT_EQ(plt__write_blob(u16(dir / "good.eps"), good.data(), good.size()), 1);
    ASSERT_EQ(plt__write_blob(u16(dir / "bad.eps"), bad.data(), bad.size()), 1);

    scripted_file_choice files;
    scoped_seam<file_choice_service> use_files(&files);
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes(&boxes);

    using st = file_choice_result::status;
    files.results.push_back({st::chosen, u16(dir / "good.eps"), 0});
    files.results.push_back({st::chosen, u16(dir / "bad.eps"), 0});
    files.results.push_back({st::cancelled, u"", 0});
    files.results.push_back({st::failed, u"", 12290});

    auto e = ele__choose_picture();
    ASSERT_TRUE(e);
    EXPECT_FLOAT_EQ(e->width, 20);
    EXPECT_TRUE(boxes.shown.empty());

    ASSERT_EQ(files.asked.size(), 1u);
    const file_choice_request &r = files.asked[0];
    EXPECT_EQ(r.title, u"Укажите файл изображения");
    // Every picture format first, then each on its own, then all files.
    ASSERT_EQ(r.filters.size(), 6u);
    EXPECT_EQ(r.filters[0].name, u"Изображения");
    EXPECT_EQ(r.filters[0].patterns, u"*.EPS;*.EPSI;*.PNG;*.JPG;*.JPEG;*.SVG");
    EXPECT_EQ(r.filters[1].name, u"Embedded PostScript");
    EXPECT_EQ(r.filters[1].patterns, u"*.EPS;*.EPSI");
    EXPECT_EQ(r.filters[5].name, u"Все файлы");
    EXPECT_EQ(r.filters[5].patterns, u"*.*");
    EXPECT_EQ(r.selected_filter, 0);
    EXPECT_TRUE(r.initial_name.empty());
    EXPECT_TRUE(r.must_exist);

    EXPECT_FALSE(ele__choose_picture());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              u"Ошибка загрузки файла изображения '" + u16(dir / "bad.eps") + u"'!");

    EXPECT_FALSE(ele__choose_picture()); // plain cancel: nothing shown
    EXPECT_EQ(boxes.shown.size(), 1u);

    EXPECT_FALSE(ele__choose_picture());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, u"Ошибка создания стандартного диалогового окна, код 12290");
}

TEST(ChoosePicture, OnlyRegularFilesOfASaneSizeAreRead)
{
    temp_dir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.eps").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder.eps");
    // A sparse file above the cap: the size is refused before any read.
    {
        int fd = ::open((dir / "huge.eps").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(LG_EPSI_MAX_FILE) + 1), 0);
        ::close(fd);
    }
    scripted_file_choice files;
    scoped_seam<file_choice_service> use_files(&files);
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes(&boxes);
    using st = file_choice_result::status;
    const std::filesystem::path chosen[] = {dir / "pipe.eps", "/dev/zero", dir / "folder.eps",
                                            dir / "huge.eps"};
    for (const auto &p : chosen)
        files.results.push_back({st::chosen, u16(p), 0});
    for (const auto &p : chosen) {
        // Returns at once (a FIFO without a writer would block an open).
        EXPECT_FALSE(ele__choose_picture()) << p;
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_EQ(boxes.shown.back().text, u"Ошибка загрузки файла изображения '" + u16(p) + u"'!");
    }
    EXPECT_EQ(boxes.shown.size(), 4u);
}
