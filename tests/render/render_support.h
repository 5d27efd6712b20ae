// Labels and pictures for the render library's tests.
#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <string>
#include <vector>

#include "model/element.h"
#include "platform/code_pages.h"
#include "render/render.h"
#include "support/sample_label.h"

inline label_ptr blank_label(double w, double h, std::uint32_t bg = 0xFFFFFF)
{
    label_ptr lab = ele__label_new(w, h);
    lab->name = u"Проба";
    lab->bgcolor = bg;
    return lab;
}

// Appends an element at the bottom (the last index).
inline element *add_element(label *lab, int type, double x, double y, double w, double h)
{
    return sample_add(lab, type, x, y, w, h);
}

inline element *add_barcode(label *lab, int type, const std::u16string &data, double x, double y, double w, double h)
{
    element *e = add_element(lab, ELE_BARCODE, x, y, w, h);
    e->barcode.type = type;
    e->barcode.code = data;
    return e;
}

// The label drawn into an image at `dpi`, as a raster device gets it.
inline QImage draw_at(const label *lab, double dpi, std::vector<std::u16string> *log = nullptr,
                      const render_variable_map *variables = nullptr)
{
    const double s = dpi / 72.0;
    QImage img(static_cast<int>(std::lround(lab->width * s)), static_cast<int>(std::lround(lab->height * s)),
               QImage::Format_RGB32);
    img.fill(Qt::white);
    render_request r;
    r.scale_x = r.scale_y = s;
    r.variables = variables;
    std::vector<std::u16string> own;
    QPainter p(&img);
    rdr__draw_label(p, lab, r, log ? *log : own);
    p.end();
    return img;
}

// Through JPEG at quality 90, as the preview gets a picture, decoded again.
inline QImage through_jpeg(const QImage &img)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPEG", 90);
    return QImage::fromData(bytes, "JPEG");
}

inline std::string log_text(const std::vector<std::u16string> &log)
{
    std::string out;
    for (const std::u16string &l : log)
        out += plt__to_utf8(l) + "\n";
    return out;
}
