// Command ids and frame message numbers.
#pragma once

namespace cmd {
inline constexpr int new_label = 40021;
inline constexpr int open = 40030;
inline constexpr int save = 40149;
inline constexpr int save_as = 40154;
inline constexpr int label_properties = 40045;
inline constexpr int undo = 40048;
inline constexpr int redo = 40049;
inline constexpr int cut = 40136;
inline constexpr int copy = 40135;
inline constexpr int paste = 40134;
inline constexpr int remove = 1031;
inline constexpr int select_all = 40173;
inline constexpr int disable = 40091;
inline constexpr int enable = 40092;
inline constexpr int rotate_0 = 40093;
inline constexpr int rotate_90 = 40094;
inline constexpr int rotate_180 = 40095;
inline constexpr int rotate_270 = 40096;
inline constexpr int raise = 40103;
inline constexpr int raise_to_top = 40104;
inline constexpr int lower = 40105;
inline constexpr int lower_to_bottom = 40106;
inline constexpr int normal_mode = 40147;
inline constexpr int align_left = 40123;
inline constexpr int align_right = 40122;
inline constexpr int align_hcenter = 40124;
inline constexpr int align_vcenter = 40127;
inline constexpr int align_top = 40125;
inline constexpr int align_bottom = 40126;
inline constexpr int same_height = 40130;
inline constexpr int same_width = 40148;
inline constexpr int same_size = 40131;
inline constexpr int distribute_h = 40132;
inline constexpr int distribute_v = 40133;

inline constexpr int print = 40221;
inline constexpr int print_batch = 40222;
inline constexpr int export_label = 40223;
inline constexpr int export_batch = 40224;

inline constexpr int options = 40025;
inline constexpr int server_list = 1052;
inline constexpr int close = 8;
inline constexpr int help = 40042;
inline constexpr int about = 40137;
inline constexpr int preview_mode = 40184;
inline constexpr int zoom_in = 40065;
inline constexpr int zoom_out = 40066;
inline constexpr int zoom_10 = 40067; // 40067..40077: 10 % .. 1000 %
inline constexpr int zoom_1000 = 40077;
inline constexpr int zoom_fit = 40078;
inline constexpr int grid_10 = 40034;
inline constexpr int grid_20 = 40035;
inline constexpr int grid_40 = 40036;
inline constexpr int remove_guides = 40083;
inline constexpr int canvas_content = 40190; // the elements' real content on the canvas
inline constexpr int tool_text = 40146;
inline constexpr int tool_border = 40145;
inline constexpr int tool_barcode = 40144;
inline constexpr int tool_picture = 40143;
// "Недавние": the submenu, and its entries (the most recent first).
inline constexpr int recent_files = 40200;
inline constexpr int recent_first = 40201;
inline constexpr int recent_count = 10;

// Enabled when at least one element is selected.
inline constexpr int need_one_selected[] = {cut,      copy,       remove,       rotate_0, rotate_90,
                                            rotate_180, rotate_270, disable,    enable,   raise,
                                            lower,    raise_to_top, lower_to_bottom};
// Enabled when at least two elements are selected.
inline constexpr int need_two_selected[] = {align_left,  align_right, align_hcenter, align_vcenter,
                                            align_top,   align_bottom, same_height,  same_width,
                                            same_size,   distribute_h, distribute_v};
// Greyed in preview mode (53 commands).
inline constexpr int greyed_in_preview[] = {
    label_properties, options, undo, redo, cut, copy, paste, remove, select_all, disable, enable,
    rotate_0, rotate_90, rotate_180, rotate_270, raise, raise_to_top, lower, lower_to_bottom,
    align_left, align_right, align_hcenter, align_top, align_bottom, align_vcenter,
    same_width, same_height, same_size, distribute_h, distribute_v,
    zoom_in, zoom_out, 40067, 40068, 40069, 40070, 40071, 40072, 40073, 40074, 40075, 40076, 40077, zoom_fit,
    grid_10, grid_20, grid_40, remove_guides,
    normal_mode, tool_text, tool_barcode, tool_picture, tool_border};
static_assert(sizeof greyed_in_preview / sizeof greyed_in_preview[0] == 53);
} // namespace cmd

// Messages from the frame to itself and to its views.
namespace frame_msg {
inline constexpr int relayout = 1026;       // element order or many elements changed
inline constexpr int set_label = 1045;      // another label object is edited now
inline constexpr int raise = 1051;
inline constexpr int lower = 1052;
inline constexpr int recompute_extent = 1055;
inline constexpr int redraw_element = 1068;
inline constexpr int raise_to_top = 1070;
inline constexpr int lower_to_bottom = 1071;
inline constexpr int deselect_all = 1073;
inline constexpr int canvas_normal_mode = 1075;
inline constexpr int focus_description = 1082;
inline constexpr int is_idle = 1083;
} // namespace frame_msg
