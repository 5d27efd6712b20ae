#include "output/file_sinks.h"

#include "model/misc.h"

bool file_per_page_sink::page(const doc_page &page, std::vector<page_problem> &problems, std::u16string &error)
{
    if (!numbered_ && written_ > 0)
        return true; // one file holds one page
    const std::u16string path = numbered_ ? out__numbered_path(path_, page.number) : path_;
    render_outcome drawn;
    const bool ok = write(page, path, problems, error, drawn);
    outcome.out_of_time = outcome.out_of_time || drawn.out_of_time;
    outcome.stopped = outcome.stopped || drawn.stopped;
    written_ += ok;
    return ok;
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
    return stem + msc__format(u"-%{1:04}", number) + ext;
}
