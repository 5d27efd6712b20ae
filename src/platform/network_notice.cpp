#include "platform/network_notice.h"

void blocking_network_notice::run(platform_window, network_call &call)
{
    call.start();
    call.wait();
}

template <>
network_notice_service &seam<network_notice_service>::fallback()
{
    static blocking_network_notice blocking;
    return blocking;
}
