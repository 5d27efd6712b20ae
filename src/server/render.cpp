#include "server/render.h"

#include <QPainter>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

// At most `limit` characters of a text for a log line, then "…".
std::u16string shown(const std::u16string &text, std::size_t limit = 200)
{
    return text.size() <= limit ? text : text.substr(0, limit) + u"…";
}

} // namespace

void lsv__render_size(const label *lab, int xdpi, int ydpi, long long &w, long long &h)
{
    const double fw = lab->width * xdpi / 72.0, fh = lab->height * ydpi / 72.0;
    w = std::isfinite(fw) && fw >= 1 ? static_cast<long long>(std::min(std::round(fw), 1e15)) : 1;
    h = std::isfinite(fh) && fh >= 1 ? static_cast<long long>(std::min(std::round(fh), 1e15)) : 1;
}

QImage lsv__render(const label *lab, const std::vector<render_variable> &variables, int xdpi, int ydpi,
                   bool markup, std::vector<std::u16string> &lines, const render_limits &limits,
                   render_outcome *outcome)
{
    render_outcome own;
    render_outcome &result = outcome ? *outcome : own;
    result = {};
    long long w = 1, h = 1;
    lsv__render_size(lab, xdpi, ydpi, w, h);
    QImage img(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    if (img.isNull()) {
        render_log(lines, limits.max_log).push_back(u"не хватило памяти для изображения");
        return img;
    }
    // 72 dots per inch, so that a font's point is one unit of the device.
    img.setDotsPerMeterX(2835);
    img.setDotsPerMeterY(2835);
    img.fill(0xFF000000u | (lab->bgcolor & 0xFFFFFFu));
    render_log(lines, limits.max_log)
        .push_back(u"Этикетка «" + shown(lab->name) + u"»: " + lsv__number(xdpi) + u"×" + lsv__number(ydpi) +
                   u" точек на дюйм, " + lsv__number(static_cast<int>(w)) + u"×" + lsv__number(static_cast<int>(h)) +
                   u" пикселей");
    const render_variable_map by_name = rdr__variable_map(variables);
    render_request r;
    r.scale_x = xdpi / 72.0;
    r.scale_y = ydpi / 72.0;
    r.variables = &by_name;
    r.markup = markup;
    r.background = false; // filled above, to the last pixel
    r.edges = render_edges::pixels;
    r.limits = limits;
    QPainter p(&img);
    result = rdr__draw_label(p, lab, r, lines);
    p.end();
    if (result.stopped || result.out_of_time)
        return {};
    return img;
}

namespace {

struct jpeg_failure {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpeg_fail(j_common_ptr info)
{
    auto *f = reinterpret_cast<jpeg_failure *>(info->err);
    (*info->err->format_message)(info, f->message);
    std::longjmp(f->jump, 1);
}

} // namespace

bool lsv__encode_jpeg(const QImage &image, int quality, std::vector<unsigned char> &out, std::string &error)
{
    const QImage src = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct c{};
    jpeg_failure failure{};
    c.err = jpeg_std_error(&failure.mgr);
    failure.mgr.error_exit = jpeg_fail;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    // Nothing below this point may own C++ objects: a failure jumps back.
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&c);
        std::free(buffer);
        error = failure.message;
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(src.width());
    c.image_height = static_cast<JDIMENSION>(src.height());
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(src.constScanLine(static_cast<int>(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    out.assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

std::vector<std::u16string> lsv__font_families()
{
    return rdr__font_families();
}
