// Pictures: the file's bytes kept unchanged, plus their size.  EPS/EPSI
// pictures take it from the "%%BoundingBox:" comment; PNG, JPEG and SVG
// pictures (picture_file.h) from their headers.
#pragma once

#include <functional>
#include <optional>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the bytes of a picture are.  EPS is what a picture always was: a
// stored label names the others only.
enum class picture_format : std::uint8_t { eps = 0, png = 1, jpeg = 2, svg = 3 };

struct lg_epsi {
    float llx = 0;
    float lly = 0;
    float urx = 0;
    float ury = 0;
    float dx = 0;     // -llx
    float dy = 0;     // -lly
    float width = 0;  // urx - llx
    float height = 0; // ury - lly
    std::vector<unsigned char> data; // the whole file
    std::uint32_t len = 0;
    // False only for bytes kept from a stored label although no bounding box
    // was found in them; the eight numbers are then 0.
    bool boxed = true;
    picture_format format = picture_format::eps;
    // PNG and JPEG: the pixels the header declares (never decoded here).
    std::uint32_t px_width = 0;
    std::uint32_t px_height = 0;
};

// A picture just read, owned by whoever read it.
using lg_epsi_ptr = std::unique_ptr<lg_epsi>;
// A picture once an element holds it: never changed again, and shared by
// the element's copies (undo snapshots, the clipboard, pasted elements)
// instead of copied; the bytes go with the last holder.
using lg_epsi_shared = std::shared_ptr<const lg_epsi>;

// Finds the first "%%BoundingBox:" line (one that follows a CR or LF) whose
// four numbers parse.  Fills llx, lly, urx, ury.  Boxes whose numbers are not
// finite are passed over; corners given in reverse order are put in order.
bool eps__find_bbox(const unsigned char *data, std::size_t len, float box[4]);

// Largest picture file the program reads; a larger one is refused like a
// file without a picture.
inline constexpr std::size_t LG_EPSI_MAX_FILE = std::size_t{256} << 20;

// Only a regular file is read (never a FIFO, device or folder).
lg_epsi_ptr eps__load_file(const std::u16string &path);
lg_epsi_ptr eps__load_mem(const void *bytes, std::size_t len);
// Same, taking over a buffer the caller already owns (no extra copy).
lg_epsi_ptr eps__load_buffer(std::vector<unsigned char> &&bytes);
// A record for bytes without a bounding box (all numbers 0, `boxed` false),
// so that a stored picture is never dropped.
lg_epsi_ptr eps__keep_unboxed(std::vector<unsigned char> &&bytes);
// A copy of its own (the bytes too).
lg_epsi_ptr eps__copy(const lg_epsi *e);
void eps__free(lg_epsi *e);

// Asks the user for a picture file and loads it; tells the user when the
// file holds no picture, or what `refusal` (given the path and the file's
// size, before it is read) says against it.  Nothing on cancel or failure.
using picture_refusal = std::function<std::optional<std::u16string>(const std::u16string &path, std::uint64_t size)>;
lg_epsi_ptr ele__choose_picture(const picture_refusal &refusal = {});
