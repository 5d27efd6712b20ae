// Decoding the server's picture for the preview: a 2480 × 3508 JPEG (A4 at
// 300 dpi) into the picture view's bottom-up 24-bit buffer, next to a bare
// libjpeg-turbo decode of the same bytes in the same run.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

#include "bench_common.h"
#include "exchange/preview_core.h"

namespace {

constexpr int W = 2480, H = 3508;

// A page-like picture: white with dark strokes and a grey gradient band.
std::vector<unsigned char> page_jpeg()
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = W;
    c.image_height = H;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(W * 3);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            unsigned char v = 255;
            if ((y / 40) % 3 == 0 && (x / 7 + y / 11) % 5 == 0)
                v = 20; // "text"
            if (y > 3000 && y < 3200)
                v = static_cast<unsigned char>(x * 255 / W);
            row[3 * x] = v;
            row[3 * x + 1] = static_cast<unsigned char>(v / 2 + 60);
            row[3 * x + 2] = v;
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<unsigned char> out(buf, buf + size);
    std::free(buf);
    return out;
}

// libjpeg-turbo on its own: RGB rows top-down into one buffer.
void bare_decode(const std::vector<unsigned char> &jpeg, std::vector<unsigned char> &out)
{
    jpeg_decompress_struct d{};
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg.data(), jpeg.size());
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    const std::size_t stride = static_cast<std::size_t>(d.output_width) * d.output_components;
    out.resize(stride * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = out.data() + stride * d.output_scanline;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
}

} // namespace

int main()
{
    const std::vector<unsigned char> jpeg = page_jpeg();
    std::vector<unsigned char> pixels, bare;
    int w = 0, h = 0;
    if (prv__decode_jpeg(jpeg.data(), jpeg.size(), pixels, w, h) != prv_decode::ok || w != W || h != H) {
        std::printf("bench preview-decode: the picture did not decode\n");
        return 1;
    }
    bare_decode(jpeg, bare);
    const double ours = median_seconds(15, [&] { prv__decode_jpeg(jpeg.data(), jpeg.size(), pixels, w, h); });
    const double floor_s = median_seconds(15, [&] { bare_decode(jpeg, bare); });
    std::printf("bench preview-decode-2480x3508: %.1f ms\n", ours * 1e3);
    std::printf("bench bare-libjpeg-decode-2480x3508: %.1f ms\n", floor_s * 1e3);
    return report_ratio("preview-decode-vs-bare", ours / floor_s, 1.2);
}
