#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "support/temp_dir.h"

TEST(Blobs, WriteReadReplaceAndEmpty)
{
    temp_dir dir;
    std::u16string p = u16(dir / "a.bin");
    std::string data = "first contents, long";
    ASSERT_EQ(plt__write_blob(p, data.data(), data.size()), 1);
    ASSERT_EQ(plt__write_blob(p, "xy", 2), 1); // replaces, not overlays
    std::vector<unsigned char> out;
    ASSERT_EQ(plt__read_blob(p, out), 1);
    EXPECT_EQ(std::string(out.begin(), out.end()), "xy");

    std::u16string empty = u16(dir / "empty");
    ASSERT_EQ(plt__write_blob(empty, "", 0), 1);
    out.assign(3, 'z');
    ASSERT_EQ(plt__read_blob(empty, out), 1);
    EXPECT_TRUE(out.empty());
}

TEST(Blobs, FailuresReportZeroWithErrno)
{
    temp_dir dir;
    std::vector<unsigned char> out{1, 2};
    errno = 0;
    EXPECT_EQ(plt__read_blob(u16(dir / "missing"), out), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(out.size(), 2u);
    EXPECT_EQ(plt__read_blob(u16(dir.path()), out), 0);
    EXPECT_EQ(plt__write_blob(u16(dir / "no" / "such" / "dir"), "x", 1), 0);
    EXPECT_EQ(errno, ENOENT);
}
