// A seam: a service the program reaches through one place, so that the GUI
// can install its real dialogs and tests a scripted fake.  With nothing
// installed the service's fallback answers (the console, a cancel, a no),
// so the core runs without a display.
//
//     seam<message_box_service>::get().show(req);
//     scoped_seam<message_box_service> use(&fake);  // for a scope
//
// Each service defines its fallback once, beside itself:
//     template <> message_box_service &seam<message_box_service>::fallback() { ... }
#pragma once

template <class Service>
class seam {
public:
    // The service in use: the installed one, or the fallback.
    static Service &get() { return current() ? *current() : fallback(); }
    // Installs `svc` (not owned; null brings the fallback back) and returns
    // the one it replaces.
    static Service *set(Service *svc)
    {
        Service *prev = current();
        current() = svc;
        return prev;
    }

private:
    static Service *&current()
    {
        static Service *installed = nullptr;
        return installed;
    }
    static Service &fallback();
};

// A service installed for the life of a scope; the one before it comes back.
template <class Service>
class scoped_seam {
public:
    explicit scoped_seam(Service *svc) : prev_(seam<Service>::set(svc)) {}
    ~scoped_seam() { seam<Service>::set(prev_); }
    scoped_seam(const scoped_seam &) = delete;
    scoped_seam &operator=(const scoped_seam &) = delete;

private:
    Service *prev_;
};
