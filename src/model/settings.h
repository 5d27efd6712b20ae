// Every settings value the program keeps, with its kind and default, in one
// place.  Callers use these names, never string literals.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/reg.h"

// "Use the system's default" for a window dimension.
inline constexpr std::int32_t CW_USEDEFAULT = static_cast<std::int32_t>(0x80000000u);

struct reg_int_setting {
    const char16_t *name;
    std::int32_t def;
};
struct reg_double_setting {
    const char16_t *name;
    double def;
};
struct reg_string_setting {
    const char16_t *name;
    const char16_t *def; // null: no default
};
struct reg_list_setting {
    const char16_t *name;
};

namespace settings {

inline constexpr reg_int_setting frame_width{u"frame-width", CW_USEDEFAULT};
inline constexpr reg_int_setting frame_height{u"frame-height", CW_USEDEFAULT};
inline constexpr reg_int_setting frame_maximized{u"frame-maximized", 0};
inline constexpr reg_int_setting frame_twowin_mode{u"frame-twowin-mode", 1};
inline constexpr reg_int_setting frame_master_twowin_perc{u"frame-master-twowin-perc", 50};
inline constexpr reg_int_setting frame_slave_twowin_perc{u"frame-slave-twowin-perc", 50};
inline constexpr reg_int_setting grid_10{u"grid-10", 0};
inline constexpr reg_int_setting grid_20{u"grid-20", 1};
inline constexpr reg_int_setting grid_40{u"grid-40", 0};
inline constexpr reg_int_setting canvas_content{u"canvas-content", 1};
inline constexpr reg_double_setting label_width{u"label-width", 300};
inline constexpr reg_double_setting label_height{u"label-height", 400};
inline constexpr reg_int_setting label_color{u"label-color", 0xFFFFFF};
inline constexpr reg_string_setting manual_url{u"manual-url", u"https://vellumo.org/manual/"};
inline constexpr reg_int_setting global_confdel{u"global-confdel", 1};
inline constexpr reg_int_setting global_newwin{u"global-newwin", 1};
inline constexpr reg_list_setting server_list{u"server-list"};
inline constexpr reg_string_setting default_server{u"default-server", nullptr};
inline constexpr reg_list_setting font_list{u"font-list"};
inline constexpr reg_list_setting variables_list{u"variables-list"};
inline constexpr reg_int_setting preview_size{u"preview-size", 0};
inline constexpr reg_int_setting preview_markup{u"preview-markup", 0};
// "Файл → Недавние", the most recent first (see hub/recent).
inline constexpr reg_list_setting recent_labels{u"recent-labels"};
// The folder the open and save dialogs last chose a file in.
inline constexpr reg_string_setting last_folder{u"last-folder", nullptr};
// Where pictures, exported files and tables of data were last chosen: each
// kind of file remembers its own folder.
inline constexpr reg_string_setting picture_folder{u"picture-folder", nullptr};
inline constexpr reg_string_setting export_folder{u"export-folder", nullptr};
inline constexpr reg_string_setting table_folder{u"table-folder", nullptr};
// The size the file dialogs were last left at: "width height".
inline constexpr reg_string_setting file_dialog_size{u"file-dialog-size", nullptr};
// Printers' calibration, one string per printer: "NAME\tX\tY\tSCALE", the
// shift of everything printed in mm (right, down) and its scale in %.
inline constexpr reg_list_setting printer_calibration{u"printer-calibration"};
// Label printers spoken to directly, one string per printer:
// "NAME\tLANGUAGE\tDPI\tCONNECTION\tHEAD\tDARKNESS\tSPEED\tMEDIA\tGAP\tX\tY"
// (see label_printer below).
inline constexpr reg_list_setting label_printers{u"label-printers"};
// The printer "Печать" last went to: empty for the system's printers, else
// a label printer's name.
inline constexpr reg_string_setting print_target{u"print-target", nullptr};
// The interface language chosen in "Настройки": "ru", "en", or empty, unset
// or anything else for the locale's; read once, at start-up.
inline constexpr reg_string_setting language{u"language", nullptr};
// The folder of a chosen file, as the setting keeps it.
std::u16string folder_of(const std::u16string &path);
inline constexpr int custom_color_count = 16;
inline constexpr std::int32_t custom_color_default = 0xFFFFFF;
// "custom-color-%d" for 0 to 15.
std::u16string custom_color_name(int index);

// Readers and writers under the program's key (HKEY_CURRENT_USER).
std::int32_t get(const reg_int_setting &s);
double get(const reg_double_setting &s);
std::optional<std::u16string> get(const reg_string_setting &s); // the default when missing
std::vector<std::u16string> get(const reg_list_setting &s);     // empty when missing
std::optional<std::vector<std::u16string>> find(const reg_list_setting &s); // nothing when missing
std::optional<std::int32_t> find(const reg_int_setting &s);                  // nothing when missing
std::int32_t get_custom_color(int index);

// 1 when written; a failure has been told to the user (see reg.h).
int set(const reg_int_setting &s, std::int32_t v);
int set(const reg_double_setting &s, double v);
int set(const reg_string_setting &s, std::u16string_view v);
// Every string is kept, empty ones included.
int set(const reg_list_setting &s, const std::vector<std::u16string> &v);
int set_custom_color(int index, std::int32_t v);

// A printer's calibration: where its pages come out against where they
// should, and how much larger.
struct calibration {
    double x = 0;       // mm to the right
    double y = 0;       // mm down
    double scale = 100; // %
    bool operator==(const calibration &) const = default;
};
// The bounds a calibration is taken within; a kept one outside them (or
// not numbers) counts as none.
inline constexpr double calibration_max_shift = 50;
inline constexpr double calibration_min_scale = 50;
inline constexpr double calibration_max_scale = 200;
bool calibration_sound(const calibration &c);
// The calibration kept for `printer`; none (no shift, 100 %) when there is
// none or what is kept cannot be read.
calibration get_calibration(std::u16string_view printer);
// Keeps it (a calibration of no shift and 100 % removes the printer's
// entry); 1 when written.
int set_calibration(std::u16string_view printer, const calibration &c);

// A thermal label printer the program speaks to in its own language, with
// no driver between: what the settings keep of it.  Plain values; the
// output side turns them into its options.
enum class label_printer_language { zpl, tspl, epl };
enum class label_printer_media { gap, mark, continuous };
struct label_printer {
    std::u16string name;
    label_printer_language language = label_printer_language::zpl;
    int dpi = 203;
    // "socket://HOST[:PORT]" or the path of a device file.
    std::u16string connection;
    double head_width_mm = 0; // 0: not known
    int darkness = -1;        // -1: the printer's own
    int speed = 0;            // inches per second; 0: the printer's own
    label_printer_media media = label_printer_media::gap;
    double gap_mm = 3;
    double offset_x_mm = 0; // right
    double offset_y_mm = 0; // down
    bool operator==(const label_printer &) const = default;
};

// The bounds a kept printer is read within; one outside them is skipped.
inline constexpr std::size_t label_printer_max_name = 64;
inline constexpr std::size_t label_printer_max_connection = 255;
inline constexpr int label_printer_min_dpi = 100;
inline constexpr int label_printer_max_dpi = 600;
inline constexpr double label_printer_max_head_mm = 500;
inline constexpr int label_printer_max_darkness = 30;
inline constexpr int label_printer_max_speed = 30;
inline constexpr double label_printer_max_gap_mm = 50;
inline constexpr double label_printer_max_offset_mm = 50;

// Why a printer cannot be kept (a sentence for the user), empty when it
// can: its name, its connection, numbers outside the bounds.
std::u16string label_printer_refusal(const label_printer &p);
// Why a connection cannot be used, empty when it can: "socket://HOST" with
// an optional port 1..65535, or an absolute path.
std::u16string label_printer_connection_refusal(std::u16string_view connection);
// One kept string and back; nothing for a string that is not a sound
// printer.
std::u16string label_printer_entry(const label_printer &p);
std::optional<label_printer> read_label_printer(std::u16string_view entry);

// The printers kept, in their order; unreadable entries skipped, of two
// with one name the first.
std::vector<label_printer> get_label_printers();
std::optional<label_printer> find_label_printer(std::u16string_view name);
// Keeps these (unsound ones and repeated names left out); 1 when written.
int set_label_printers(const std::vector<label_printer> &printers);

} // namespace settings
