// SVG: a page as vectors, a file per page.
#include <QPainter>
#include <QSvgGenerator>
#include <cmath>

#include "output/atomic_file.h"
#include "output/file_sinks.h"
#include "output/output_messages.h"
#include "platform/qt_text.h"

namespace {

// SVG in tenths of a point, so that positions keep their fractions.
constexpr int SVG_DPI = 720;

class svg_sink final : public file_per_page_sink {
public:
    using file_per_page_sink::file_per_page_sink;

private:
    bool write(const doc_page &page, const std::u16string &path, std::vector<page_problem> &problems,
               std::u16string &error, render_outcome &outcome) override
    {
        atomic_file f(path);
        if (!f.open(error))
            return false;
        if (!out__svg_write(lab_, page, f.file, problems, outcome, &pictures_)) {
            error = out__not_written(path, pl__tr(out_msg::write_failed));
            f.file.cancelWriting();
            return false;
        }
        if (outcome.stopped) {
            error = out__not_written(path, pl__tr(out_msg::stopped));
            f.file.cancelWriting();
            return false;
        }
        return f.commit(error);
    }
};

} // namespace

bool out__svg_write(const label *lab, const doc_page &page, QIODevice &device, std::vector<page_problem> &problems,
                    render_outcome &outcome, picture_source *pictures)
{
    const double w = page.size.width() * SVG_DPI / 72.0, h = page.size.height() * SVG_DPI / 72.0;
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setResolution(SVG_DPI);
    svg.setSize(QSize(static_cast<int>(std::ceil(w)), static_cast<int>(std::ceil(h))));
    svg.setViewBox(QRectF(0, 0, w, h));
    svg.setTitle(qs(lab->name));
    svg.setDescription(qs(lab->desc));
    QPainter p;
    if (!p.begin(&svg))
        return false;
    outcome = out__draw_labels(p, page, SVG_DPI, render_edges::exact, true, problems, {}, pictures).outcome;
    return p.end();
}

std::unique_ptr<page_sink> out__svg_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                         bool numbered, std::u16string &)
{
    return std::make_unique<svg_sink>(lab, path, o, numbered);
}
