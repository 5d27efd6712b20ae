// The modal notice "Идет сетевая операция..." under which every server call
// runs.  The call itself runs on a worker thread; the notice keeps the
// windows painted and offers to cancel it.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

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

// Test double: counts the notices and can press "Отмена" at once.
class scripted_network_notice final : public network_notice_service {
public:
    void run(platform_window parent, network_call &call) override;
    int shown = 0;
    bool cancel_immediately = false;
    std::vector<platform_window> parents;
};

network_notice_service &platform_network_notice();
network_notice_service *platform_set_network_notice(network_notice_service *svc);

class scoped_network_notice {
public:
    explicit scoped_network_notice(network_notice_service *svc)
        : prev_(platform_set_network_notice(svc)) {}
    ~scoped_network_notice() { platform_set_network_notice(prev_); }
    scoped_network_notice(const scoped_network_notice &) = delete;
    scoped_network_notice &operator=(const scoped_network_notice &) = delete;

private:
    network_notice_service *prev_;
};
