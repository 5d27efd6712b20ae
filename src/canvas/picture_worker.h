// EPS pictures for the canvas, drawn by the fenced Ghostscript runner in a
// thread of their own: the user interface never waits for Ghostscript.  A
// picture not drawn yet is "pending"; when it arrives, `arrived` runs in the
// thread of `receiver`.  Pictures are kept by their bytes and pixel size.
#pragma once

#include <QImage>
#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>

#include "render/render.h"

class picture_worker final : public picture_source {
public:
    picture_worker(QObject *receiver, std::function<void()> arrived);
    ~picture_worker() override;
    picture_worker(const picture_worker &) = delete;
    picture_worker &operator=(const picture_worker &) = delete;

    picture_answer picture(const element *e, int px_w, int px_h, double budget_seconds) override;
    // Pictures asked for and not drawn yet.
    int pending() const;

private:
    using key = std::tuple<const lg_epsi *, int, int>;
    struct result {
        lg_epsi_shared picture; // keeps the bytes, and so the key, alive
        QImage image;
        std::string error;
        bool done = false;
        unsigned long long used = 0;
    };
    void run();
    void trim();

    QObject *receiver_;
    std::function<void()> arrived_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::map<key, result> results_;
    std::deque<key> queue_;
    unsigned long long clock_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};
