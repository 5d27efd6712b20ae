// PDF: every page of a run in one file (or a device the caller owns), EPS
// pictures as Ghostscript's own PDF of them where this Qt allows.
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "output/atomic_file.h"
#include "output/file_sinks.h"
#include "output/output_messages.h"
#include "output/pdf_embed.h"
#include "output/pdf_form.h"
#include "platform/code_pages.h"
#include "platform/qt_text.h"
#include "platform/translation.h"
#include "render/eps_runner.h"

namespace {

std::atomic<bool> g_vector_pictures{true};

// The first stand-in's height; each picture of a document has its own.
constexpr int STAND_IN_HEIGHT = 4093;

QImage stand_in(int height)
{
    QImage img(1, height, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 128));
    return img;
}

// Pictures of a PDF: Ghostscript's own PDF of each placed as a form (a
// stand-in image is drawn meanwhile, see pdf_embed.h), or its image at the
// page's resolution where that fails.
class pdf_pictures final : public picture_source {
public:
    explicit pdf_pictures(pdf_tap &tap) : tap_(tap) {}

    picture_answer picture(const element *e, int px_w, int px_h, double budget_seconds) override
    {
        const lg_epsi *pic = e->picture.data.get();
        picture_answer a;
        auto it = entries_.find(pic);
        if (it == entries_.end()) {
            eps_limits gs;
            gs.budget_seconds = budget_seconds;
            eps_run run;
            std::string error;
            const std::string pdf = rdr__eps_to_pdf(pic->data, pic->llx, pic->lly, pic->width, pic->height, error,
                                                    gs, &run);
            a.seconds = run.seconds;
            if (run.stopped || run.out_of_budget) {
                a.stopped = run.stopped;
                a.out_of_budget = run.out_of_budget;
                a.error = error;
                return a;
            }
            auto en = std::make_shared<entry>();
            if (run.timed_out)
                en->timed_out = error;
            // The same picture in several elements is one form.
            if (auto same = by_pdf_.find(pdf); !pdf.empty() && same != by_pdf_.end())
                en = same->second;
            else if (!pdf.empty() && (en->form = out__pdf_form(pdf, error))) {
                int h = next_height_++;
                while (used_.count(key(QSize(1, h))))
                    h = next_height_++;
                en->stand_in = stand_in(h);
                used_.insert(key(en->stand_in.size()));
                tap_.watch(en->stand_in.size());
                placements_.push_back({en->stand_in.size(), en->form});
                by_pdf_.emplace(pdf, en);
            }
            it = entries_.emplace(pic, std::move(en)).first;
            budget_seconds -= a.seconds;
        }
        entry &en = *it->second;
        if (en.form) {
            a.image = en.stand_in;
            return a;
        }
        // Pictures that cannot be forms come as images, up to the size any
        // render takes; one whose vector ran out of its own time would as
        // an image too.
        if (!en.timed_out.empty()) {
            a.error = en.timed_out;
            return a;
        }
        if (static_cast<double>(px_w) * px_h > RDR_MAX_PICTURE_PIXELS) {
            a.error = plt__to_utf8(pl__tr(VL_TR("vellumo", "рисунок больше 100 мегапикселей")));
            return a;
        }
        const double spent = a.seconds;
        a = images_.picture(e, px_w, px_h, budget_seconds);
        a.seconds += spent;
        // Never the size of a stand-in: a row more, drawn into the same box.
        if (!a.image.isNull() && is_stand_in_size(a.image.size()))
            a.image = a.image.scaled(a.image.width(), a.image.height() + 1);
        if (!a.image.isNull())
            used_.insert(key(a.image.size()));
        return a;
    }

    bool any_size() const override { return true; }

    const std::vector<pdf_tap::placement> &placements() const { return placements_; }

private:
    struct entry {
        std::shared_ptr<const pdf_form> form;
        QImage stand_in;
        std::string timed_out; // the vector's error when it ran out of its own time
    };
    static long long key(QSize s) { return static_cast<long long>(s.width()) << 32 | s.height(); }
    bool is_stand_in_size(QSize s) const
    {
        for (const auto &p : placements_)
            if (p.size == s)
                return true;
        return false;
    }

    pdf_tap &tap_;
    std::unordered_map<const lg_epsi *, std::shared_ptr<entry>> entries_;
    std::unordered_map<std::string, std::shared_ptr<entry>> by_pdf_;
    remembered_pictures images_;
    std::unordered_set<long long> used_;
    std::vector<pdf_tap::placement> placements_;
    int next_height_ = STAND_IN_HEIGHT;
};

class pdf_sink final : public page_sink {
public:
    // Into a file, renamed into place by finish().
    pdf_sink(const label *lab, const std::u16string &path, const doc_options &o)
        : lab_(lab), o_(o), file_(std::make_unique<atomic_file>(path)), path_(path)
    {
    }
    // Into a device the caller owns.
    pdf_sink(const label *lab, QIODevice &device, const doc_options &o, std::int64_t max_bytes)
        : lab_(lab), o_(o), device_(&device), max_bytes_(max_bytes), path_(u"PDF")
    {
    }

    bool start(std::u16string &error)
    {
        if (file_) {
            if (!file_->open(error))
                return false;
            device_ = &file_->file;
        }
        QIODevice *out = device_;
        if (g_vector_pictures.load() && out__has_pictures(lab_) && out__vector_pictures_work()) {
            tap_ = std::make_unique<pdf_tap>(*device_);
            pictures_ = std::make_unique<pdf_pictures>(*tap_);
            out = tap_.get();
        }
        writer_ = std::make_unique<QPdfWriter>(out);
        writer_->setResolution(OUT_PDF_DPI);
        // The label's page until a page says otherwise.
        layout_ = out__page_layout(lab_);
        writer_->setPageLayout(layout_);
        writer_->setCreator(QStringLiteral("Vellumo"));
        writer_->setTitle(qs(lab_->name));
        return true;
    }

    // The painter begins on the first page's own layout: a layout set once
    // it is active holds from the next page on.
    bool begin(std::u16string &error)
    {
        if (painter_.isActive())
            return true;
        if (!painter_.begin(writer_.get())) {
            error = out__not_written(path_, pl__tr(out_msg::write_failed));
            return false;
        }
        return true;
    }

    ~pdf_sink() override
    {
        if (painter_.isActive())
            painter_.end();
        // Not finished: QSaveFile drops its temporary file.
        if (file_)
            file_->file.cancelWriting();
    }

    bool page(const doc_page &page, std::vector<page_problem> &problems, std::u16string &error) override
    {
        if (!page.layout.isEquivalentTo(layout_)) {
            layout_ = page.layout;
            writer_->setPageLayout(layout_);
        }
        if (!begin(error))
            return false;
        if (pages_ > 0 && !writer_->newPage()) {
            error = out__not_written(path_, pl__tr(out_msg::write_failed));
            return false;
        }
        ++pages_;
        const page_outcome drawn = out__draw_labels(painter_, page, OUT_PDF_DPI, render_edges::exact, true, problems,
                                                    o_.limits, pictures_.get());
        note(drawn);
        if (file_ && file_->file.error() != QFileDevice::NoError) {
            error = out__not_written(path_, out__save_failure(file_->file));
            return false;
        }
        if (max_bytes_ > 0 && device_->size() > max_bytes_) {
            error = pl__tr(out_msg::document_too_large);
            return false;
        }
        return true;
    }

    bool finish(std::u16string &error) override
    {
        // No page at all: a blank one of the label's size, as before.
        if (!begin(error))
            return false;
        if (!painter_.end()) {
            error = out__not_written(path_, pl__tr(out_msg::write_failed));
            return false;
        }
        if (tap_) {
            std::string why;
            if (!tap_->place(pictures_->placements(), why)) {
                const bool write_failed = file_ && file_->file.error() != QFileDevice::NoError;
                error = out__not_written(path_, write_failed ? out__save_failure(file_->file)
                                                             : std::u16string(pl__tr(out_msg::picture_not_placed)));
                return false;
            }
        }
        if (max_bytes_ > 0 && device_->size() > max_bytes_) {
            error = pl__tr(out_msg::document_too_large);
            return false;
        }
        return !file_ || file_->commit(error);
    }

private:
    // What the page cost and how it went.
    void note(const page_outcome &drawn)
    {
        outcome.out_of_time = outcome.out_of_time || drawn.outcome.out_of_time;
        outcome.stopped = outcome.stopped || drawn.outcome.stopped;
        if (o_.document_budget)
            o_.limits.ghostscript_seconds = std::max(0.0, o_.limits.ghostscript_seconds - drawn.ghostscript_seconds);
    }

    const label *lab_;
    doc_options o_;
    std::unique_ptr<atomic_file> file_;
    QIODevice *device_ = nullptr;
    std::int64_t max_bytes_ = 0;
    std::u16string path_;
    std::unique_ptr<pdf_tap> tap_;
    std::unique_ptr<pdf_pictures> pictures_;
    std::unique_ptr<QPdfWriter> writer_;
    QPageLayout layout_;
    QPainter painter_;
    long pages_ = 0;
};

} // namespace

std::unique_ptr<page_sink> out__pdf_file_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                              bool, std::u16string &error)
{
    auto sink = std::make_unique<pdf_sink>(lab, path, o);
    if (!sink->start(error))
        return nullptr;
    return sink;
}

std::unique_ptr<page_sink> out__pdf_sink(const label *lab, QIODevice &device, const doc_options &o,
                                         std::int64_t max_bytes)
{
    if (ele__out_of_range(lab))
        return nullptr;
    auto sink = std::make_unique<pdf_sink>(lab, device, o, max_bytes);
    std::u16string error;
    if (!sink->start(error))
        return nullptr;
    return sink;
}

void out__set_vector_pictures(bool on)
{
    g_vector_pictures = on;
}

bool out__vector_pictures_work()
{
    static std::once_flag once;
    static bool works = false;
    std::call_once(once, [] {
        // A page whose content is one black square, placed over a stand-in.
        const std::string page_pdf = [] {
            std::string pdf = "%PDF-1.4\n";
            std::vector<std::size_t> at;
            auto obj = [&](const std::string &body) {
                at.push_back(pdf.size());
                pdf += std::to_string(at.size()) + " 0 obj\n" + body + "\nendobj\n";
            };
            obj("<</Type /Catalog /Pages 2 0 R>>");
            obj("<</Type /Pages /Kids [3 0 R] /Count 1>>");
            obj("<</Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 4 0 R>>");
            obj("<</Length 15>>\nstream\n0 0 10 10 re f\n\nendstream");
            const std::size_t xref = pdf.size();
            pdf += "xref\n0 5\n0000000000 65535 f \n";
            for (std::size_t a : at) {
                char entry[32];
                std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", a);
                pdf += entry;
            }
            pdf += "trailer\n<</Size 5 /Root 1 0 R>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
            return pdf;
        }();
        std::string why;
        const auto form = out__pdf_form(page_pdf, why);
        if (!form)
            return;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        pdf_tap tap(buffer);
        const QImage img = stand_in(STAND_IN_HEIGHT);
        tap.watch(img.size());
        {
            QPdfWriter writer(&tap);
            writer.setResolution(72);
            QPainter p;
            if (!p.begin(&writer))
                return;
            p.drawImage(QRectF(1, 1, 10, 10), img);
            if (!p.end())
                return;
        }
        works = tap.place({{img.size(), form}}, why);
    });
    return works;
}
