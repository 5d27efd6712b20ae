// A PNG logo for the benchmarks that draw pictures: 600 × 240 pixels with a
// gradient, noise and a transparent edge (so it neither compresses to
// nothing nor loses its alpha channel).
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <vector>

inline std::vector<unsigned char> bench_logo_png()
{
    QImage img(600, 240, QImage::Format_ARGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>(seed >> 27);
            const int alpha = x < 20 || x > 580 ? 0 : 255;
            img.setPixel(x, y, qRgba(x * 255 / 600, y, (noise * 8) & 255, alpha));
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}
