// The small raster routines of the schematic drawing: shaded balls,
// translucent fills and linear gradients, all premultiplied and blended
// source-over onto an ARGB32 premultiplied surface.
#pragma once

#include <QImage>
#include <cstdint>

class QPainter;

// A ball of radius r, (2r + 2) pixels square, lit from the upper left:
// colours shade from `centre` (0xRRGGBB) at the highlight to `rim` at the
// edge, with an antialiased one-pixel rim.  Premultiplied ARGB.
QImage grd__ball(int r, std::uint32_t rim, std::uint32_t centre);

// The rectangle spanned by two pixel corners (left/top inclusive,
// right/bottom exclusive after ordering) filled with `colour` (0xRRGGBB)
// at constant alpha `alpha`; nothing when it is empty.
void grd__fill(QPainter &p, int ax, int ay, int bx, int by, std::uint32_t colour, int alpha);
// Colour A (0xAARRGGBB) at corner A's column (row), changing linearly to
// colour B at corner B's; all four channels, stored premultiplied, blended
// with per-pixel alpha and the constant alpha.
void grd__hgradient(QPainter &p, int ax, int ay, int bx, int by, std::uint32_t a, std::uint32_t b,
                    int alpha);
void grd__vgradient(QPainter &p, int ax, int ay, int bx, int by, std::uint32_t a, std::uint32_t b,
                    int alpha);
// Only the part of a band that the painter's clip (or its surface) can show
// is made and drawn, so a band millions of pixels long costs what its
// visible part does.
// Steps `from` .. `from` + len - 1 of a band n steps long, len being w
// (horizontal) or h: the same colours as those pixels of the whole band.
QImage grd__gradient_part(int n, int from, int w, int h, std::uint32_t a, std::uint32_t b, bool horizontal);
// Blends `ball` with its per-pixel alpha so that its centre (w/2, h/2)
// falls on (x, y).
void grd__blit_centred(QPainter &p, const QImage &ball, int x, int y);
