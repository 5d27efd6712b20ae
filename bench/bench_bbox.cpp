// Bounding-box search over 64 MiB whose box is on the last line, against one
// memchr pass over the same bytes.  The search should cost at most 3 passes.
#include <cstring>
#include <string>
#include <vector>

#include "bench_common.h"
#include "model/lg_epsi.h"

int main()
{
    const std::size_t size = 64u << 20;
    std::vector<unsigned char> buf;
    buf.reserve(size);
    const std::string head = "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: bench\n%%BoundingBox: (atend)\n";
    buf.insert(buf.end(), head.begin(), head.end());
    const std::string lines[] = {"0 0 moveto 100 100 lineto stroke\n",
                                 "1 0 0 setrgbcolor newpath 10 10 50 0 360 arc fill\n",
                                 "FFE0C0A08060402000FFE0C0A08060402000FFE0C0A0806040200011\n"};
    const std::string tail = "%%BoundingBox: 0 0 612 792\n";
    for (std::size_t i = 0; buf.size() + lines[i % 3].size() + tail.size() <= size; ++i)
        buf.insert(buf.end(), lines[i % 3].begin(), lines[i % 3].end());
    buf.resize(size - tail.size(), '\n');
    buf.insert(buf.end(), tail.begin(), tail.end());

    float box[4] = {0, 0, 0, 0};
    volatile int needle = 0x01; // a byte the data never holds: one full pass
    const void *sink = nullptr;
    double search = median_seconds(7, [&] { eps__find_bbox(buf.data(), buf.size(), box); });
    double pass = median_seconds(7, [&] {
        unsigned char *p = buf.data();
        asm volatile("" : "+r"(p)::"memory");
        sink = std::memchr(p, needle, buf.size());
        asm volatile("" ::"r"(sink) : "memory");
    });
    (void)sink;
    if (box[2] != 612 || box[3] != 792) {
        std::printf("bench bbox-search: box not found\n");
        return 1;
    }
    std::printf("bench bbox-search-64MiB: %.2f ms\n", search * 1e3);
    std::printf("bench memchr-pass-64MiB: %.2f ms\n", pass * 1e3);
    return report_ratio("bbox-search-vs-memchr", search / pass, 3.0);
}
