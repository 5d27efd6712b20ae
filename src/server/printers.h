// The printers a label server prints on, read from its printers file
// (--printers): sections of "key = value" lines, one section per printer.
//
//     [Склад]                       # a CUPS queue of this machine
//     cups = Zebra_ZD420
//
//     [Упаковка]                    # a thermal printer, spoken to in its language
//     address = socket://192.168.1.40:9100     # or a device, /dev/usb/lp0
//     language = zpl                # zpl, tspl or epl
//     dpi = 203
//     darkness = 20                 # and speed, media, gap, head-width, offset-x, offset-y
//     retry-every = 10              # seconds between tries while it cannot be reached
//     retry-for = 3600              # and for how long, before the job fails
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "output/thermal_options.h"

// Each printer has a worker of its own, looking at its queue every second.
inline constexpr std::size_t LSV_MAX_PRINTERS = 100;

struct server_printer {
    std::string name;        // as clients name it (UTF-8)
    std::string cups_queue;  // a CUPS queue, or
    std::string address;     // a thermal printer's socket:// address or device
    thermal_options thermal; // the thermal printer's language, resolution, media…
    int retry_every_s = 10;
    int retry_for_s = 3600;

    bool is_cups() const { return !cups_queue.empty(); }
};

// The printers of a printers file's text; false with the reason (naming
// the line) when a line does not read, a key is unknown, a value is out of
// range, a name is used twice or a printer lacks its queue or address.
// `file` names the file in the reason.
bool lsv__read_printers(const std::string &text, const std::string &file, std::vector<server_printer> &out,
                        std::string &error);
// The same from the file itself (at most 1 MiB).
bool lsv__load_printers(const std::string &path, std::vector<server_printer> &out, std::string &error);
