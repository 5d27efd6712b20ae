// The program-wide notices: sent at once, synchronously, to every own window
// (object name "zelta-…"), top-level windows first, then each one's
// descendants.
#pragma once

#include <QEvent>

// The notices.
inline constexpr int CMN_FONTS_CHANGED = 0x8001;     // font list changed
inline constexpr int CMN_VARIABLES_CHANGED = 0x8002; // preview variables changed
inline constexpr int CMN_PREVIEW_OPTIONS_CHANGED = 0x8003; // picture size or markup stored

// What an own window receives from cmn__broadcast.
class cmn_broadcast_event final : public QEvent {
public:
    cmn_broadcast_event(int message, long long wparam, long long lparam)
        : QEvent(type()), message(message), wparam(wparam), lparam(lparam) {}
    static QEvent::Type type();
    int message;
    long long wparam;
    long long lparam;
};

void cmn__broadcast(int message, long long wparam = 0, long long lparam = 0);
