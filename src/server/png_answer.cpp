#include <png.h>
#include <zlib.h>

#include "server/render.h"

namespace {

void append(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string *>(png_get_io_ptr(png))->append(reinterpret_cast<const char *>(data), length);
}

void flush(png_structp) {}

} // namespace

bool lsv__encode_png(const QImage &image, std::string &out, std::string &error)
{
    out.clear();
    if (image.isNull()) {
        error = "пустое изображение";
        return false;
    }
    const bool alpha = image.hasAlphaChannel();
    const QImage rows = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (rows.isNull()) {
        error = "нет памяти на изображение";
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        error = "нет памяти на PNG";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        out.clear();
        error = "PNG не записан";
        return false;
    }
    out.reserve(static_cast<std::size_t>(rows.sizeInBytes() / 8));
    png_set_write_fn(png, &out, append, flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(rows.width()), static_cast<png_uint_32>(rows.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const int dpm = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 0;
    if (dpm > 0)
        png_set_pHYs(png, info, static_cast<png_uint_32>(dpm), static_cast<png_uint_32>(image.dotsPerMeterY()),
                     PNG_RESOLUTION_METER);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    for (int y = 0; y < rows.height(); ++y)
        png_write_row(png, const_cast<png_bytep>(rows.constScanLine(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}
