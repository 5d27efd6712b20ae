// The modal notice "Идет сетевая операция..." under which every server call
// runs.  The call itself runs on a worker thread; the notice keeps the
// windows painted and offers to cancel it.
#pragma once

#include <atomic>
#include <functional>

#include "platform/seam.h"

// Opaque owner window of a modal dialog (a QWidget * in the GUI); null means
// the application's own owner.
using platform_window = void *;

class network_call {
public:
    virtual ~network_call() = default;
    // Starts the call; returns at once.
    virtual void start() = 0;
    // Asks a running call to stop; it then ends soon with a fault.
    virtual void cancel() = 0;
    // Blocks until the call has ended (only after start()).
    virtual void wait() = 0;
    // Called once from the worker thread when the call has ended; set by
    // the notice before start().
    std::function<void()> on_done;
};

class network_notice_service {
public:
    virtual ~network_notice_service() = default;
    // Shows the notice, starts the call, and returns once it has ended.
    virtual void run(platform_window parent, network_call &call) = 0;
};

// Without a GUI: starts the call and waits for it.
class blocking_network_notice final : public network_notice_service {
public:
    void run(platform_window parent, network_call &call) override;
};

// The service in use; with none installed, the blocking one.
template <>
network_notice_service &seam<network_notice_service>::fallback();
