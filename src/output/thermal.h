// Thermal label printers spoken to in their own languages (ZPL II, TSPL,
// EPL2), without a driver: each label drawn at the printer's resolution
// into a 1-bit image, bars on whole dots, sent as a graphic with the
// language's commands around it, to a file, a raw socket or a device.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output/drawing.h"
#include "output/page_layout.h"
#include "output/thermal_options.h"
#include "render/render.h"

class page_sink;
class QIODevice;

inline constexpr int THERMAL_MIN_DPI = 100;
inline constexpr int THERMAL_MAX_DPI = 600;
inline constexpr double THERMAL_MAX_OFFSET_MM = 50;

// "zpl", "tspl", "epl" (any case) and back.
std::optional<thermal_language> out__thermal_language(std::string_view name);
const char *out__thermal_language_name(thermal_language l);
// "gap", "mark", "continuous" and back.
std::optional<thermal_media> out__thermal_media(std::string_view name);
const char *out__thermal_media_name(thermal_media m);
// The highest darkness the language takes (ZPL 30, TSPL and EPL 15).
int out__thermal_max_darkness(thermal_language l);
// Why these options cannot make a job ("" when they can): resolution,
// darkness, speed, gap and offsets out of their bounds.
std::u16string out__thermal_options_refusal(const thermal_options &o);

// The label's size in whole dots at `dpi`.
QSize out__thermal_size(const label *lab, int dpi);
// Why the label cannot go to a printer of these options ("" when it can):
// wider than the head, larger than the languages take.
std::u16string out__thermal_label_refusal(const label *lab, const thermal_options &o);

// The page drawn as the printer prints it: white where nothing is
// printed, black dots (QImage::Format_Mono, 0 white, 1 black, at the
// options' resolution, the offsets applied).  Bars and modules of
// barcodes are whole dots; texts and lines thresholded; pictures
// diffused.  Problems (refused elements) and warnings (a module narrower
// than a dot, a barcode stretched to meet whole dots) are added, each
// naming its element; warnings have `warning` set.
QImage out__thermal_image(const doc_page &page, const thermal_options &o, std::vector<page_problem> &problems,
                          render_outcome *outcome = nullptr, picture_source *pictures = nullptr);

// One label's job in the language: the commands that set the printer up
// (with `setup`), the image as the language's graphic and the command
// printing it `o.copies` times.
std::string out__thermal_label_job(const QImage &bits, const thermal_options &o, bool setup);

// Where a job goes: a raw TCP socket of the printer ("socket://HOST[:PORT]",
// port 9100 when not given) or a device file (/dev/usb/lp0).
class thermal_connection {
public:
    virtual ~thermal_connection() = default;
    // Sends all of `bytes`; false with `error` when the printer does not
    // take them within the timeout or the connection broke.
    virtual bool send(const std::string &bytes, std::u16string &error) = 0;
    // Waits until the printer has taken everything sent; false as send.
    virtual bool finish(std::u16string &error) = 0;
    // Bytes the printer is known to have taken so far.
    virtual std::uint64_t accepted() const = 0;
};
// How long the printer may keep the program waiting at any one step.
inline constexpr int THERMAL_TIMEOUT_MS = 5000;
// Opens the connection; null with `error` when the address is refused or
// cannot be reached.  `timeout_ms` bounds connecting and each wait.
std::unique_ptr<thermal_connection> out__thermal_connect(const std::string &address, std::u16string &error,
                                                         int timeout_ms = THERMAL_TIMEOUT_MS);

// A sink writing every page as a label of the language: into the file
// `path` (put in place at finish), or sent over `connection` as the pages
// come.  Warnings go to the sink's `warnings`.
std::unique_ptr<page_sink> out__thermal_file_sink(const label *lab, const std::u16string &path,
                                                  const thermal_options &o, std::u16string &error);
// Into `device` (a buffer), which stays open; pages stop with the error
// out_msg::document_too_large once it holds more than `max_bytes`.
std::unique_ptr<page_sink> out__thermal_device_sink(const label *lab, QIODevice &device, const thermal_options &o,
                                                    std::int64_t max_bytes);
std::unique_ptr<page_sink> out__thermal_send_sink(const label *lab, std::unique_ptr<thermal_connection> connection,
                                                  const std::u16string &address, const thermal_options &o);
