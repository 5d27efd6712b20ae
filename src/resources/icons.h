// The program's pictures, drawn by code at whatever size and pixel ratio
// they are asked for, so they are crisp at 16x16 and on HiDPI screens.
// Every picture has a normal and a disabled (greyed) form.  Pictures drawn
// with the three fixed greys (0x808080, 0xC0C0C0, 0xDFDFDF) show them in the
// current system colours.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <QSizeF>
#include <QStringList>

// An icon by name; an unknown name gives a visibly wrong picture (a red
// cross) rather than nothing.
QIcon res__icon(const char *name);
// An icon whose disabled form is the greyed form of another picture.
QIcon res__icon(const char *normal, const char *disabled);
// The picture's natural size in logical pixels (16x16 for most).
QSize res__size(const char *name);
// The picture rendered at `size` logical pixels and `dpr` device pixels
// per logical pixel.
QImage res__image(const char *name, QSize size = {}, qreal dpr = 1.0, bool disabled = false);
// The picture drawn as vectors into the rectangle (0, 0, size) of any
// painter: an SVG generator, a printer, an image.
void res__paint(const char *name, QPainter &painter, QSizeF size);
// Every known name, for tests and screenshots.
QStringList res__names();
// The three fixed greys replaced by the palette's shadow, face and
// highlight colours.
void res__recolour(QImage &image);
