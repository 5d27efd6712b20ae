// The change notification that travels between the frame and its views.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/lg_epsi.h"

// Notification codes.
namespace fn {
inline constexpr int selection = 1025;
inline constexpr int description = 1028;
inline constexpr int x = 1032;
inline constexpr int y = 1033;
inline constexpr int angle = 1034;
inline constexpr int width = 1035;
inline constexpr int height = 1036;
inline constexpr int quadrant = 1037;
inline constexpr int text = 1056;
inline constexpr int font = 1057;
inline constexpr int justification = 1058;
inline constexpr int colour = 1059;
inline constexpr int font_size = 1060;
inline constexpr int thickness = 1061;
inline constexpr int line_style = 1062;
inline constexpr int subprint = 1063;
inline constexpr int barcode_data = 1064;
inline constexpr int barcode_kind = 1065;
inline constexpr int picture = 1066;
// The file name a picture from the data takes each row's file from.
inline constexpr int picture_file = 1067;
inline constexpr int toggle_enabled = 1069;
inline constexpr int text_wrap = 1080;   // option: 1 words wrap, 0 they do not
inline constexpr int text_shrink = 1081; // value: the smallest size a text shrinks to, 0 none
inline constexpr int element_list = 1072; // from the frame: inserted/removed; to it: create

// Selection actions.
inline constexpr int recount = 0;
inline constexpr int select = 1;
inline constexpr int deselect = 2;
// Element-list actions.
inline constexpr int inserted = 1;
inline constexpr int removed = 2;
} // namespace fn

// Anything that sends change notifications: the views and the frame's hub.
// Senders are compared as this one base, so a widget that is a view through
// a second base class is still recognised as the sender of its own
// notifications.
class notify_sender {
protected:
    notify_sender() = default;
    ~notify_sender() = default;
    notify_sender(const notify_sender &) = default;
    notify_sender &operator=(const notify_sender &) = default;
};

struct frame_notify {
    // Header: who sent it, the sender's id, the code.
    const notify_sender *sender = nullptr;
    int id = 0;
    int code = 0;

    int action = 0;
    int e1 = 0;
    std::optional<std::u16string> text;
    double value = 0;
    int quadrant = 0;
    int option = 0;
    int line_style = 0;
    std::uint32_t color = 0;
    // A new picture; the frame takes it over (and frees it when the
    // notification is ignored).
    lg_epsi_ptr picture;

    // A request to create an element (fn::element_list toward the frame):
    // its kind and position.
    int kind = 0;
    double x = 0;
    double y = 0;
};
