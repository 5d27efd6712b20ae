// PNG, JPEG and SVG pictures drawn by Qt: raster pictures decoded once per
// picture (every page of a document draws the very same image, so a PDF
// holds it once), SVG pictures painted as vectors on the device.
#pragma once

#include <QImage>
#include <QRectF>
#include <optional>
#include <string>

#include "model/lg_epsi.h"

class QPainter;

// The decoded image of a PNG or JPEG picture, the same (shared) image for
// the same picture while it lives; null with `error` (Russian) when it
// cannot be decoded or declares more pixels than a picture may have.
QImage rdr__picture_image(const lg_epsi_shared &pic, std::string &error);

// An SVG picture painted into `box` (in the painter's current coordinates,
// stretched to it and clipped by it); false with `error` when the bytes are
// no SVG Qt can draw.
bool rdr__draw_svg(QPainter &p, const lg_epsi &pic, const QRectF &box, std::string &error);

// Why a picture of any format but EPS cannot be drawn, found by decoding
// it in full, or nothing (what the editor asks when a picture is inserted).
std::optional<std::u16string> rdr__verify_picture(const lg_epsi &pic);

// The picture of a file named by a row of data: `name` (from `folder` when
// relative) read and checked as a picture inserted is, once while the file
// stays the same.  Null with `why` (Russian) when it cannot be drawn.
lg_epsi_shared rdr__data_picture(const std::u16string &folder, const std::u16string &name, std::u16string &why);
