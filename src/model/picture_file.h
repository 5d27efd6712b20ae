// Picture files of every format a picture element takes: EPS, PNG, JPEG
// and SVG.  The bytes are looked at, never decoded here: the size a PNG or
// JPEG declares, an SVG's size and whether it is safe to hand to a drawing
// library (no scripts, no references outside the file, no DOCTYPE or
// entities, no deep nesting).  Decoding is the render library's job.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/lg_epsi.h"

// Largest raster picture, in pixels the file declares; a larger one is
// refused before anything is decoded (16 megapixels: 64 MiB once decoded).
inline constexpr std::uint64_t PIC_MAX_PIXELS = std::uint64_t{16} << 20;
// Largest side of a raster picture, in pixels.
inline constexpr std::uint32_t PIC_MAX_SIDE = 32768;
// Deepest nesting of an SVG's elements.
inline constexpr int PIC_MAX_SVG_DEPTH = 200;
// Most parts an SVG may draw through its <use> elements (each repeating a
// part that may repeat others).
inline constexpr int PIC_MAX_SVG_DRAWS = 20000;
// Raster pictures without a resolution of their own are taken at this one.
inline constexpr double PIC_DEFAULT_DPI = 96;

// The name a stored label gives a format ("png", "jpeg", "svg"); EPS has
// none, as labels always had.
const char *pic__format_name(picture_format f);
std::optional<picture_format> pic__format_from_name(const std::string &name);
// The format of bytes by their first bytes; EPS when none of the others.
picture_format pic__sniff(const unsigned char *data, std::size_t len);

// A picture of `format` from its bytes, or nothing with `why` (Russian,
// no full stop, to follow the file's name) when they are not one that can
// be drawn safely.
lg_epsi_ptr pic__load_buffer(std::vector<unsigned char> &&bytes, picture_format format, std::u16string &why);
// A picture file of any format (told by its bytes; `format`, when given, is
// set to it, EPS when the file could not be read).
lg_epsi_ptr pic__load_file(const std::u16string &path, std::u16string &why, picture_format *format = nullptr);

// A stored picture: the bytes as `format` says, kept (unboxed, so drawn as
// a crossed box) when they are not such a picture, so that saving the
// label writes them back unchanged.
lg_epsi_ptr pic__load_stored(std::vector<unsigned char> &&bytes, picture_format format);

// Whether a picture element's file name takes each row's file: it holds
// `${`.
bool pic__is_data_source(const std::u16string &name);

// A check only a decoder can make (the render library decodes the picture
// fully): the GUI sets it at start, the core uses it when a picture is
// inserted.  Its answer is why the picture cannot be drawn, or nothing.
using picture_verifier = std::optional<std::u16string> (*)(const lg_epsi &pic);
void pic__set_verifier(picture_verifier v);
std::optional<std::u16string> pic__verify(const lg_epsi &pic);
