// PNG: a page as an image of the chosen resolution, a file per page.
#include "model/misc.h"
#include "output/atomic_file.h"
#include "output/file_sinks.h"
#include "output/output_messages.h"

namespace {

class png_sink final : public file_per_page_sink {
public:
    using file_per_page_sink::file_per_page_sink;

private:
    bool write(const doc_page &page, const std::u16string &path, std::vector<page_problem> &problems,
               std::u16string &error, render_outcome &outcome) override
    {
        QImage img = out__page_image(page, o_, problems, &outcome, &pictures_);
        // Ghostscript was stopped (the program is being stopped): no file.
        if (outcome.stopped) {
            error = out__not_written(path, pl__tr(out_msg::stopped));
            return false;
        }
        if (img.isNull()) {
            const QSize s = out__page_image_size(page, o_.dpi);
            error = out__not_written(path, msc__format(out_msg::image_too_large, s.width(), s.height()));
            return false;
        }
        atomic_file f(path);
        if (!f.open(error))
            return false;
        if (!img.save(&f.file, "PNG")) {
            error = out__not_written(path, pl__tr(out_msg::write_failed));
            f.file.cancelWriting();
            return false;
        }
        return f.commit(error);
    }
};

} // namespace

std::unique_ptr<page_sink> out__png_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                         bool numbered, std::u16string &)
{
    return std::make_unique<png_sink>(lab, path, o, numbered);
}
