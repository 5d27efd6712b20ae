#include "platform/network_notice.h"

namespace {
blocking_network_notice g_blocking;
network_notice_service *g_current = nullptr;
} // namespace

void blocking_network_notice::run(platform_window, network_call &call)
{
    call.start();
    call.wait();
}

void scripted_network_notice::run(platform_window parent, network_call &call)
{
    ++shown;
    parents.push_back(parent);
    call.start();
    if (cancel_immediately)
        call.cancel();
    call.wait();
}

network_notice_service &platform_network_notice()
{
    return g_current ? *g_current : g_blocking;
}

network_notice_service *platform_set_network_notice(network_notice_service *svc)
{
    network_notice_service *prev = g_current;
    g_current = svc;
    return prev;
}
