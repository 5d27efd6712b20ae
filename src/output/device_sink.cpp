// Printers and any paged device the caller has set up: the pages of the
// chosen range drawn at the device's own dots.
#include <QPagedPaintDevice>
#include <QPainter>

#include "model/misc.h"
#include "output/output_messages.h"
#include "output/pictures.h"
#include "output/sink.h"

namespace {

class device_sink final : public page_sink {
public:
    device_sink(QPagedPaintDevice &device, int from, int to) : device_(device), from_(from), to_(to) {}
    ~device_sink() override
    {
        if (painter_.isActive())
            painter_.end();
    }

    bool page(const doc_page &page, std::vector<page_problem> &problems, std::u16string &error) override
    {
        const long number = page.number;
        last_ = number;
        if ((from_ > 0 && number < from_) || (to_ > 0 && number > to_))
            return true;
        if (!painter_.isActive()) {
            // The device comes set up for the first page.
            for (const placed_label &l : page.labels)
                if (auto why = ele__out_of_range(l.lab)) {
                    error = *why + u"."; // nothing begins: the printer gets no job
                    return false;
                }
            if (!painter_.begin(&device_)) {
                error = msc__format(out_msg::printer_failed, number);
                return false;
            }
        } else {
            if (!page.layout.isEquivalentTo(layout_))
                device_.setPageLayout(page.layout);
            if (!device_.newPage()) {
                error = msc__format(out_msg::printer_failed, number);
                return false;
            }
        }
        layout_ = page.layout;
        // The device's own dots: bars and lines fall on them.
        const page_outcome drawn = out__draw_labels(painter_, page, device_.logicalDpiX(), render_edges::pixels,
                                                    true, problems, {}, &pictures_);
        outcome.out_of_time = outcome.out_of_time || drawn.outcome.out_of_time;
        outcome.stopped = outcome.stopped || drawn.outcome.stopped;
        return true;
    }

    bool finish(std::u16string &error) override
    {
        if (painter_.isActive() && !painter_.end()) {
            error = msc__format(out_msg::printer_failed, last_);
            return false;
        }
        return true;
    }

private:
    QPagedPaintDevice &device_;
    int from_, to_;
    long last_ = 0;
    QPageLayout layout_;
    QPainter painter_;
    remembered_pictures pictures_;
};

} // namespace

std::unique_ptr<page_sink> out__device_sink(const label *, QPagedPaintDevice &device, int from, int to)
{
    return std::make_unique<device_sink>(device, from, to);
}
