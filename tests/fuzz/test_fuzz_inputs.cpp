// The fuzzers' seeds and every input they ever found (tests/fuzz/regressions,
// one file per finding), run through the entries of the fuzz targets under
// the sanitizers of the test build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_entries.h"

namespace {

using entry = int (*)(const std::uint8_t *, std::size_t);

int replay(const char *target, entry fn)
{
    int n = 0;
    for (const char *kind : {"seeds", "regressions"}) {
        std::filesystem::path dir = std::filesystem::path(FUZZ_INPUTS) / kind / target;
        if (!std::filesystem::exists(dir))
            continue;
        for (const auto &f : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(f.path(), std::ios::binary);
            std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
            SCOPED_TRACE(f.path().string());
            fn(bytes.data(), bytes.size());
            ++n;
        }
    }
    return n;
}

} // namespace

TEST(FuzzInputs, EveryTargetReplaysItsInputs)
{
    fuzz_quiet();
    EXPECT_GE(replay("lbl", fuzz_lbl), 4);
    EXPECT_GE(replay("answer", fuzz_answer), 6);
    EXPECT_GE(replay("bbox", fuzz_bbox), 3);
    EXPECT_GE(replay("settings", fuzz_settings), 2);
    EXPECT_GE(replay("csv", fuzz_csv), 3);
    EXPECT_GE(replay("pdf", fuzz_pdf), 3);
    EXPECT_GE(replay("picture", fuzz_picture), 4);
}
