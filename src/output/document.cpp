#include "output/document.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <sys/stat.h>
#include <unistd.h>
#include <QSvgGenerator>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cmath>
#include <fstream>
#include <atomic>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "model/messages.h"
#include "model/misc.h"
#include "output/output_messages.h"
#include "output/pdf_embed.h"
#include "platform/code_pages.h"
#include "platform/qt_text.h"
#include "render/eps_runner.h"

namespace {

// Labels are at least a point and at most the largest side the editor takes.
double side(double v)
{
    return std::isfinite(v) ? std::clamp(v, 1.0, ELE_MAX_LABEL_SIZE) : 1.0;
}

std::u16string lower_extension(const std::u16string &path)
{
    const std::size_t slash = path.find_last_of(u'/');
    const std::size_t dot = path.find_last_of(u'.');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash))
        return {};
    std::u16string ext = path.substr(dot + 1);
    for (char16_t &c : ext)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return ext;
}

// Why a file did not take its bytes, as the user reads it.
std::u16string save_failure(const QSaveFile &file)
{
    switch (file.error()) {
    case QFileDevice::OpenError:
        return out_msg::cannot_create;
    case QFileDevice::PermissionsError:
        return out_msg::no_permission;
    case QFileDevice::RenameError:
        return out_msg::rename_failed;
    default:
        return out_msg::write_failed;
    }
}

std::u16string not_written(const std::u16string &path, const std::u16string &why)
{
    return msc__format(out_msg::not_written, path.c_str(), why.c_str());
}

// A file written under a temporary name and renamed into place by commit().
struct atomic_file {
    QSaveFile file;
    std::u16string path;

    explicit atomic_file(const std::u16string &p) : file(qs(p)), path(p) {}
    bool open(std::u16string &error)
    {
        // QSaveFile would write its temporary file and then fail to rename
        // it onto the folder, which reads as a full disk.
        if (QFileInfo(qs(path)).isDir()) {
            error = not_written(path, out_msg::is_folder);
            return false;
        }
        // Through a link QSaveFile would replace whatever the link points
        // at, and in place of a device node it would put a regular file: a
        // script writing into a shared folder could be made to overwrite
        // any file.  Only a regular file (or nothing) is replaced.
        struct stat st {};
        if (::lstat(msc__to_ansi(path).c_str(), &st) == 0) {
            if (S_ISLNK(st.st_mode)) {
                error = not_written(path, out_msg::is_link);
                return false;
            }
            if (!S_ISREG(st.st_mode)) {
                error = not_written(path, out_msg::not_regular);
                return false;
            }
        }
        if (file.open(QIODevice::WriteOnly))
            return true;
        error = not_written(path, save_failure(file));
        return false;
    }
    bool commit(std::u16string &error)
    {
        // QSaveFile's own commit ignores a failure of its last flush (a
        // full disk): it would rename a cut file over the old one and say
        // so was fine.  The bytes are flushed and synced here first.
        const bool written = file.error() == QFileDevice::NoError && file.flush() &&
                             (file.handle() < 0 || ::fsync(file.handle()) == 0);
        if (written && file.commit())
            return true;
        error = not_written(path, save_failure(file));
        file.cancelWriting();
        return false;
    }
};

bool write_image(const label *lab, const render_variable_map &vars, const doc_options &o,
                 const std::u16string &path, std::vector<std::u16string> &problems, std::u16string &error,
                 render_outcome &outcome, picture_source *pictures)
{
    QImage img = out__image(lab, vars, o, problems, &outcome, pictures);
    // Ghostscript was stopped (the program is being stopped): no file.
    if (outcome.stopped) {
        error = not_written(path, out_msg::stopped);
        return false;
    }
    if (img.isNull()) {
        const QSize s = out__image_size(lab, o.dpi);
        error = not_written(path, msc__format(out_msg::image_too_large, s.width(), s.height()));
        return false;
    }
    atomic_file f(path);
    if (!f.open(error))
        return false;
    if (!img.save(&f.file, "PNG")) {
        error = not_written(path, out_msg::write_failed);
        f.file.cancelWriting();
        return false;
    }
    return f.commit(error);
}

// SVG in tenths of a point, so that positions keep their fractions.
constexpr int SVG_DPI = 720;

bool write_svg(const label *lab, const render_variable_map &vars, const std::u16string &path,
               std::vector<std::u16string> &problems, std::u16string &error, render_outcome &outcome,
               picture_source *pictures)
{
    atomic_file f(path);
    if (!f.open(error))
        return false;
    const double w = side(lab->width) * SVG_DPI / 72.0, h = side(lab->height) * SVG_DPI / 72.0;
    QSvgGenerator svg;
    svg.setOutputDevice(&f.file);
    svg.setResolution(SVG_DPI);
    svg.setSize(QSize(static_cast<int>(std::ceil(w)), static_cast<int>(std::ceil(h))));
    svg.setViewBox(QRectF(0, 0, w, h));
    svg.setTitle(qs(lab->name));
    svg.setDescription(qs(lab->desc));
    {
        QPainter p;
        if (!p.begin(&svg)) {
            error = not_written(path, out_msg::write_failed);
            f.file.cancelWriting();
            return false;
        }
        outcome = out__draw_page(p, lab, vars, SVG_DPI, render_edges::exact, true, problems, {}, pictures).outcome;
    }
    if (outcome.stopped) {
        error = not_written(path, out_msg::stopped);
        f.file.cancelWriting();
        return false;
    }
    return f.commit(error);
}

std::atomic<bool> g_vector_pictures{true};

// Whether the label has a picture to draw.
bool has_pictures(const label *lab)
{
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (!e->disabled && e->type == ELE_PICTURE && e->picture.data && !e->picture.data->data.empty())
            return true;
    }
    return false;
}

// Pictures as images, each drawn once for a document and a size: a batch
// asks for the same picture on every page, and one that failed would fail
// the same way again.  Only running out of time or being stopped is not
// remembered.
class remembered_pictures final : public picture_source {
public:
    picture_answer picture(const element *e, int px_w, int px_h, double budget_seconds) override
    {
        const lg_epsi *pic = e->picture.data.get();
        const auto key = std::make_tuple(pic, px_w, px_h);
        if (const auto it = known_.find(key); it != known_.end()) {
            picture_answer a;
            a.image = it->second.image;
            a.error = it->second.error;
            return a;
        }
        const picture_answer a = rdr__ghostscript_picture(e, px_w, px_h, budget_seconds);
        if (!a.out_of_budget && !a.stopped)
            known_[key] = {a.image, a.error};
        return a;
    }

private:
    struct known {
        QImage image;
        std::string error;
    };
    std::map<std::tuple<const lg_epsi *, int, int>, known> known_;
};

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
            a.error = "рисунок больше 100 мегапикселей";
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
        if (g_vector_pictures.load() && has_pictures(lab_) && out__vector_pictures_work()) {
            tap_ = std::make_unique<pdf_tap>(*device_);
            pictures_ = std::make_unique<pdf_pictures>(*tap_);
            out = tap_.get();
        }
        writer_ = std::make_unique<QPdfWriter>(out);
        writer_->setResolution(OUT_PDF_DPI);
        writer_->setPageLayout(out__page_layout(lab_));
        writer_->setCreator(QStringLiteral("Vellumo"));
        writer_->setTitle(qs(lab_->name));
        if (!painter_.begin(writer_.get())) {
            error = not_written(path_, out_msg::write_failed);
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

    bool page(const render_variable_map &vars, long, std::vector<std::u16string> &problems,
              std::u16string &error) override
    {
        if (pages_ > 0 && !writer_->newPage()) {
            error = not_written(path_, out_msg::write_failed);
            return false;
        }
        ++pages_;
        const page_outcome drawn = out__draw_page(painter_, lab_, vars, OUT_PDF_DPI, render_edges::exact, true,
                                                  problems, o_.limits, pictures_.get());
        note(drawn);
        if (file_ && file_->file.error() != QFileDevice::NoError) {
            error = not_written(path_, save_failure(file_->file));
            return false;
        }
        if (max_bytes_ > 0 && device_->size() > max_bytes_) {
            error = out_msg::document_too_large;
            return false;
        }
        return true;
    }

    bool finish(std::u16string &error) override
    {
        if (!painter_.end()) {
            error = not_written(path_, out_msg::write_failed);
            return false;
        }
        if (tap_) {
            std::string why;
            if (!tap_->place(pictures_->placements(), why)) {
                const bool write_failed = file_ && file_->file.error() != QFileDevice::NoError;
                error = not_written(path_, write_failed ? save_failure(file_->file) : out_msg::picture_not_placed);
                return false;
            }
        }
        if (max_bytes_ > 0 && device_->size() > max_bytes_) {
            error = out_msg::document_too_large;
            return false;
        }
        return !file_ || file_->commit(error);
    }

private:
    const label *lab_;
    doc_options o_;
    std::unique_ptr<atomic_file> file_;
    QIODevice *device_ = nullptr;
    std::int64_t max_bytes_ = 0;
    std::u16string path_;
    // What the page cost and how it went.
    void note(const page_outcome &drawn)
    {
        outcome.out_of_time = outcome.out_of_time || drawn.outcome.out_of_time;
        outcome.stopped = outcome.stopped || drawn.outcome.stopped;
        if (o_.document_budget)
            o_.limits.ghostscript_seconds = std::max(0.0, o_.limits.ghostscript_seconds - drawn.ghostscript_seconds);
    }

    std::unique_ptr<pdf_tap> tap_;
    std::unique_ptr<pdf_pictures> pictures_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
    long pages_ = 0;
};

// PNG and SVG: one file per label.
class image_sink final : public page_sink {
public:
    image_sink(const label *lab, const std::u16string &path, doc_format format, const doc_options &o, bool numbered)
        : lab_(lab), path_(path), format_(format), o_(o), numbered_(numbered)
    {
    }

    bool page(const render_variable_map &vars, long number, std::vector<std::u16string> &problems,
              std::u16string &error) override
    {
        if (!numbered_ && written_ > 0)
            return true; // one file holds one label
        const std::u16string path = numbered_ ? out__numbered_path(path_, number) : path_;
        render_outcome drawn;
        const bool ok = format_ == doc_format::svg
                            ? write_svg(lab_, vars, path, problems, error, drawn, &pictures_)
                            : write_image(lab_, vars, o_, path, problems, error, drawn, &pictures_);
        outcome.out_of_time = outcome.out_of_time || drawn.out_of_time;
        outcome.stopped = outcome.stopped || drawn.stopped;
        written_ += ok;
        return ok;
    }
    bool finish(std::u16string &) override { return true; }

private:
    const label *lab_;
    std::u16string path_;
    doc_format format_;
    doc_options o_;
    bool numbered_;
    long written_ = 0;
    remembered_pictures pictures_;
};

class device_sink final : public page_sink {
public:
    device_sink(const label *lab, QPagedPaintDevice &device, int from, int to)
        : lab_(lab), device_(device), from_(from), to_(to)
    {
    }
    ~device_sink() override
    {
        if (painter_.isActive())
            painter_.end();
    }

    bool page(const render_variable_map &vars, long number, std::vector<std::u16string> &problems,
              std::u16string &error) override
    {
        ++counted_;
        if ((from_ > 0 && counted_ < from_) || (to_ > 0 && counted_ > to_))
            return true;
        if (!painter_.isActive()) {
            if (auto why = ele__out_of_range(lab_)) {
                error = *why + u"."; // nothing begins: the printer gets no job
                return false;
            }
            if (!painter_.begin(&device_)) {
                error = msc__format(out_msg::printer_failed, number);
                return false;
            }
        } else if (!device_.newPage()) {
            error = msc__format(out_msg::printer_failed, number);
            return false;
        }
        // The device's own dots: bars and lines fall on them.
        const page_outcome drawn = out__draw_page(painter_, lab_, vars, device_.logicalDpiX(), render_edges::pixels,
                                                  true, problems, {}, &pictures_);
        outcome.out_of_time = outcome.out_of_time || drawn.outcome.out_of_time;
        outcome.stopped = outcome.stopped || drawn.outcome.stopped;
        return true;
    }

    bool finish(std::u16string &error) override
    {
        if (painter_.isActive() && !painter_.end()) {
            error = msc__format(out_msg::printer_failed, counted_);
            return false;
        }
        return true;
    }

private:
    const label *lab_;
    QPagedPaintDevice &device_;
    int from_, to_;
    long counted_ = 0;
    QPainter painter_;
    remembered_pictures pictures_;
};

void note_name(std::vector<std::u16string> &names, std::unordered_set<std::u16string> &seen,
               const std::optional<std::u16string> &text)
{
    if (!text || text->find(u"${") == std::u16string::npos)
        return;
    static const render_variable_map none;
    rdr__substitute_in(*text, none, [&](const std::u16string &name, const std::u16string *) {
        if (seen.insert(name).second)
            names.push_back(name);
    });
}

const std::u16string *preview_value(const std::vector<preview_var> &preview, const std::u16string &name)
{
    for (const preview_var &v : preview)
        if (v.name == name)
            return &v.value;
    return nullptr;
}

} // namespace

doc_format out__format_of(const std::u16string &path)
{
    const std::u16string ext = lower_extension(path);
    if (ext == u"pdf")
        return doc_format::pdf;
    if (ext == u"png")
        return doc_format::png;
    if (ext == u"svg")
        return doc_format::svg;
    return doc_format::none;
}

std::vector<std::u16string> out__label_names(const label *lab)
{
    std::vector<std::u16string> names;
    std::unordered_set<std::u16string> seen;
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (e->disabled)
            continue;
        if (e->type == ELE_TEXT)
            note_name(names, seen, e->text.text);
        else if (e->type == ELE_BARCODE)
            note_name(names, seen, e->barcode.code);
    }
    return names;
}

render_variable_map out__row_variables(const std::vector<std::u16string> &names,
                                       const std::vector<std::u16string> &columns,
                                       const std::vector<std::u16string> &cells,
                                       const std::vector<preview_var> &preview)
{
    render_variable_map vars;
    for (const std::u16string &name : names) {
        const auto c = std::find(columns.begin(), columns.end(), name);
        const std::size_t at = static_cast<std::size_t>(c - columns.begin());
        if (c != columns.end() && at < cells.size())
            vars.emplace(name, cells[at]);
        else if (const std::u16string *v = preview_value(preview, name))
            vars.emplace(name, *v);
        else
            vars.emplace(name, std::u16string());
    }
    return vars;
}

render_variable_map out__preview_variables(const std::vector<std::u16string> &names,
                                           const std::vector<preview_var> &preview)
{
    render_variable_map vars;
    for (const std::u16string &name : names)
        if (const std::u16string *v = preview_value(preview, name))
            vars.emplace(name, *v);
    return vars;
}

std::vector<std::u16string> out__names_without_column(const std::vector<std::u16string> &names,
                                                      const std::vector<std::u16string> &columns)
{
    std::vector<std::u16string> out;
    for (const std::u16string &n : names)
        if (std::find(columns.begin(), columns.end(), n) == columns.end())
            out.push_back(n);
    return out;
}

QPageLayout out__page_layout(const label *lab)
{
    const double w = side(lab->width), h = side(lab->height);
    const QPageSize size(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Point, QString(),
                         QPageSize::ExactMatch);
    return QPageLayout(size, w > h ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Point);
}

page_outcome out__draw_page(QPainter &p, const label *lab, const render_variable_map &variables, double dpi,
                            render_edges edges, bool background, std::vector<std::u16string> &problems,
                            const render_limits &limits, picture_source *pictures)
{
    page_outcome page;
    render_request r;
    r.limits = limits;
    r.pictures = pictures;
    r.scale_x = r.scale_y = dpi / 72.0;
    r.variables = &variables;
    r.background = false;
    r.edges = edges;
    if (background)
        p.fillRect(QRectF(0, 0, lab->width * r.scale_x, lab->height * r.scale_y),
                   QColor::fromRgb(0xFF000000u | (lab->bgcolor & 0xFFFFFFu)));
    std::vector<std::u16string> log;
    // Index 0 is on top: drawn from the last index up.
    for (int i = lab->qty - 1; i >= 0; --i) {
        if (lab->es[i]->disabled)
            continue;
        log.clear();
        // The Ghostscript time is the page's, shared by its pictures.
        const auto start = std::chrono::steady_clock::now();
        const element_result e = rdr__draw_element(p, lab, i, r, &log);
        if (lab->es[i]->type == ELE_PICTURE) {
            const double used = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            page.ghostscript_seconds += used;
            r.limits.ghostscript_seconds = std::max(0.0, r.limits.ghostscript_seconds - used);
        }
        if (e.state == element_state::refused)
            problems.push_back(log.empty() ? e.reason : log.back());
        if (e.outcome.stopped || e.outcome.out_of_time) {
            if (e.state != element_state::refused)
                problems.push_back(e.outcome.stopped ? u"остановлено" : u"время Ghostscript вышло");
            page.outcome.stopped = page.outcome.stopped || e.outcome.stopped;
            page.outcome.out_of_time = page.outcome.out_of_time || e.outcome.out_of_time;
            break;
        }
    }
    return page;
}

QSize out__image_size(const label *lab, int dpi)
{
    const double w = std::round(side(lab->width) * dpi / 72.0), h = std::round(side(lab->height) * dpi / 72.0);
    return QSize(static_cast<int>(std::clamp(w, 1.0, 1e9)), static_cast<int>(std::clamp(h, 1.0, 1e9)));
}

QImage out__image(const label *lab, const render_variable_map &variables, const doc_options &o,
                  std::vector<std::u16string> &problems, render_outcome *outcome, picture_source *pictures)
{
    if (ele__out_of_range(lab))
        return {};
    const int dpi = std::clamp(o.dpi, OUT_MIN_DPI, OUT_MAX_DPI);
    const QSize size = out__image_size(lab, dpi);
    if (static_cast<double>(size.width()) * size.height() > static_cast<double>(LIM_MAX_IMAGE_PIXELS))
        return {};
    QImage img(size, o.transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (img.isNull())
        return img;
    const int per_metre = static_cast<int>(std::lround(dpi / 0.0254));
    img.setDotsPerMeterX(per_metre);
    img.setDotsPerMeterY(per_metre);
    img.fill(o.transparent ? 0u : 0xFF000000u | (lab->bgcolor & 0xFFFFFFu));
    QPainter p(&img);
    const page_outcome page =
        out__draw_page(p, lab, variables, dpi, render_edges::pixels, false, problems, o.limits, pictures);
    if (outcome)
        *outcome = page.outcome;
    return img;
}

std::u16string out__numbered_path(const std::u16string &path, long number)
{
    std::u16string stem = path, ext;
    const std::size_t slash = path.find_last_of(u'/');
    const std::size_t dot = path.find_last_of(u'.');
    if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) {
        stem = path.substr(0, dot);
        ext = path.substr(dot);
    }
    return stem + msc__format(u"-%04ld", number) + ext;
}

std::unique_ptr<page_sink> out__file_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                          bool numbered, std::u16string &error)
{
    const doc_format f = out__format_of(path);
    // A size past the range would give a PDF of garbled numbers, an SVG of
    // "inf" or a page cut short: nothing is started.
    if (auto why = ele__out_of_range(lab)) {
        error = not_written(path, *why);
        return nullptr;
    }
    switch (f) {
    case doc_format::pdf: {
        auto sink = std::make_unique<pdf_sink>(lab, path, o);
        if (!sink->start(error))
            return nullptr;
        return sink;
    }
    case doc_format::png:
    case doc_format::svg:
        return std::make_unique<image_sink>(lab, path, f, o, numbered);
    case doc_format::none:
        break;
    }
    error = msc__format(out_msg::unknown_format, path.c_str());
    return nullptr;
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

std::unique_ptr<page_sink> out__device_sink(const label *lab, QPagedPaintDevice &device, int from, int to)
{
    return std::make_unique<device_sink>(lab, device, from, to);
}

bool out__export(const label *lab, const std::vector<preview_var> &preview, const std::u16string &path,
                 const doc_options &o, std::vector<std::u16string> &problems, std::u16string &error)
{
    std::unique_ptr<page_sink> sink = out__file_sink(lab, path, o, false, error);
    if (!sink)
        return false;
    const render_variable_map vars = out__preview_variables(out__label_names(lab), preview);
    return sink->page(vars, 1, problems, error) && sink->finish(error);
}

batch_outcome out__batch(const batch_request &req, page_sink &sink)
{
    batch_outcome out;
    csv_summary table;
    csv_problem problem;
    if (!csv__scan_file(req.csv_path, req.csv, table, problem)) {
        out.error = problem.message;
        return out;
    }
    out.rows = table.rows;
    if (table.rows == 0) {
        out.error = out_msg::table_empty;
        return out;
    }
    std::ifstream in(req.csv_path, std::ios::binary);
    if (!in) {
        out.error = msc__format(msg::csv_unreadable, std::strerror(errno));
        return out;
    }
    csv_rows rows(in, table);
    const std::vector<std::u16string> names = out__label_names(req.lab);
    // Where each name's value comes from: a column, else a fixed value (the
    // preview variable, else the empty text).
    std::vector<long> column(names.size(), -1);
    render_variable_map vars = out__row_variables(names, {}, {}, req.preview);
    for (std::size_t n = 0; n < names.size(); ++n) {
        const auto c = std::find(table.columns.begin(), table.columns.end(), names[n]);
        if (c != table.columns.end())
            column[n] = c - table.columns.begin();
    }
    std::vector<std::u16string> cells, page_problems;
    long line = 0;
    for (;;) {
        if (req.progress && !req.progress(out.pages, table.rows)) {
            out.cancelled = true;
            out.error = out_msg::cancelled;
            return out;
        }
        problem = {};
        if (!rows.next(cells, line, problem)) {
            if (!problem.message.empty()) {
                out.error = problem.message;
                return out;
            }
            break;
        }
        for (std::size_t n = 0; n < names.size(); ++n)
            if (column[n] >= 0)
                vars[names[n]] = static_cast<std::size_t>(column[n]) < cells.size() ? cells[column[n]] : u"";
        page_problems.clear();
        std::u16string error;
        if (!sink.page(vars, out.pages + 1, page_problems, error)) {
            out.error = msc__format(out_msg::row_problem, line, error.c_str());
            return out;
        }
        ++out.pages;
        for (const std::u16string &p : page_problems)
            out.problems.push_back(msc__format(out_msg::row_problem, line, p.c_str()));
    }
    if (out.pages != table.rows) {
        out.error = msc__format(msg::csv_changed, static_cast<int>(line));
        return out;
    }
    if (!sink.finish(out.error))
        return out;
    if (req.progress)
        req.progress(out.pages, table.rows);
    out.complete = true;
    return out;
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
