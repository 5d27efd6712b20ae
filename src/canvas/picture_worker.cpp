#include "canvas/picture_worker.h"

#include <QMetaObject>

#include "render/eps_runner.h"
#include "platform/translation.h"

namespace {

// Pictures kept: enough for every picture of a label at two zooms.
constexpr std::size_t kept_pictures = 256;
constexpr long long kept_pixels = 64LL << 20;

} // namespace

picture_worker::picture_worker(QObject *receiver, std::function<void()> arrived)
    : receiver_(receiver), arrived_(std::move(arrived)), thread_([this] { run(); })
{
}

picture_worker::~picture_worker()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

picture_answer picture_worker::picture(const element *e, int px_w, int px_h, double)
{
    picture_answer a;
    const lg_epsi_shared &pic = e->picture.data;
    if (!pic) {
        a.error = pl__tr8(VL_TR("vellumo", "в элементе нет рисунка"));
        return a;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const key k{pic.get(), px_w, px_h};
    auto it = results_.find(k);
    if (it == results_.end()) {
        result r;
        r.picture = pic;
        it = results_.emplace(k, std::move(r)).first;
        queue_.push_back(k);
        wake_.notify_one();
    }
    it->second.used = ++clock_;
    if (!it->second.done) {
        a.pending = true;
        return a;
    }
    a.image = it->second.image;
    a.error = it->second.error;
    return a;
}

int picture_worker::pending() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto &[k, r] : results_)
        n += r.done ? 0 : 1;
    return n;
}

void picture_worker::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        const key k = queue_.front();
        queue_.pop_front();
        auto it = results_.find(k);
        if (it == results_.end())
            continue;
        const lg_epsi_shared pic = it->second.picture;
        lock.unlock();
        std::string error;
        QImage image = rdr__render_eps(pic->data, pic->llx, pic->lly, pic->width, pic->height, std::get<1>(k),
                                       std::get<2>(k), error);
        if (image.isNull() && error.empty())
            error = pl__tr8(VL_TR("vellumo", "Ghostscript не нарисовал рисунок"));
        lock.lock();
        it = results_.find(k);
        if (it != results_.end()) {
            it->second.image = std::move(image);
            it->second.error = std::move(error);
            it->second.done = true;
        }
        trim();
        if (stopping_)
            return;
        // The canvas repaints in its own thread; gone with it, nothing runs.
        QMetaObject::invokeMethod(receiver_, arrived_, Qt::QueuedConnection);
    }
}

// The least recently asked pictures go first, never one still pending.
void picture_worker::trim()
{
    auto pixels = [this] {
        long long n = 0;
        for (const auto &[k, r] : results_)
            n += static_cast<long long>(r.image.width()) * r.image.height();
        return n;
    };
    while (results_.size() > kept_pictures || pixels() > kept_pixels) {
        auto oldest = results_.end();
        for (auto it = results_.begin(); it != results_.end(); ++it)
            if (it->second.done && (oldest == results_.end() || it->second.used < oldest->second.used))
                oldest = it;
        if (oldest == results_.end())
            return;
        results_.erase(oldest);
    }
}
