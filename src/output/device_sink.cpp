// Printers and any paged device the caller has set up: the pages of the
// chosen range drawn at the device's own dots.
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTransform>
#include <cmath>

#include "model/misc.h"
#include "output/output_messages.h"
#include "output/pictures.h"
#include "output/sink.h"

namespace {

class device_sink final : public page_sink {
public:
    device_sink(QPagedPaintDevice &device, int from, int to, page_shift shift)
        : device_(device), from_(from), to_(to), shift_(shift)
    {
        if (!std::isfinite(shift_.scale) || shift_.scale <= 0 || !std::isfinite(shift_.offset.x()) ||
            !std::isfinite(shift_.offset.y()))
            shift_ = {};
    }
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
        const bool shifted = shift_.scale != 1 || !shift_.offset.isNull();
        const page_outcome drawn =
            shifted ? out__draw_labels(painter_, out__shifted_page(page, shift_), device_.logicalDpiX() * shift_.scale,
                                       render_edges::pixels, true, problems, {}, &pictures_)
                    : out__draw_labels(painter_, page, device_.logicalDpiX(), render_edges::pixels, true, problems, {},
                                       &pictures_);
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
    page_shift shift_;
    long last_ = 0;
    QPageLayout layout_;
    QPainter painter_;
    remembered_pictures pictures_;
};

} // namespace

doc_page out__shifted_page(const doc_page &page, const page_shift &shift)
{
    doc_page out = page;
    const double k = shift.scale;
    for (placed_label &l : out.labels)
        l.offset += shift.offset / k;
    const QTransform t(k, 0, 0, k, shift.offset.x(), shift.offset.y());
    for (QPainterPath &p : out.outlines)
        p = t.map(p);
    for (QLineF &l : out.crop_marks)
        l = t.map(l);
    return out;
}

std::unique_ptr<page_sink> out__device_sink(const label *, QPagedPaintDevice &device, int from, int to,
                                            page_shift shift)
{
    return std::make_unique<device_sink>(device, from, to, shift);
}
