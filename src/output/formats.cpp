#include "output/formats.h"

#include "model/misc.h"
#include "output/atomic_file.h"
#include "output/file_sinks.h"
#include "output/output_messages.h"
#include "platform/translation.h"
#include "output/thermal.h"

namespace {

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

template <thermal_language L>
std::unique_ptr<page_sink> thermal_file(const label *lab, const std::u16string &path, const doc_options &o, bool,
                                        std::u16string &error)
{
    thermal_options t = o.thermal;
    t.language = L;
    return out__thermal_file_sink(lab, path, t, error);
}
constexpr auto out__zpl_sink = thermal_file<thermal_language::zpl>;
constexpr auto out__tspl_sink = thermal_file<thermal_language::tspl>;
constexpr auto out__epl_sink = thermal_file<thermal_language::epl>;

} // namespace

const std::vector<output_format> &out__formats()
{
    static const std::vector<output_format> formats = {
        // format, extension, name, the dialog's filter (marked: pl__tr where shown), sink, all pages in one file, numbered, for tables
        {doc_format::pdf, u"pdf", u"PDF", VL_TR("vellumo", "Документ PDF"), out__pdf_file_sink, true, false, true},
        {doc_format::png, u"png", u"PNG", VL_TR("vellumo", "Изображение PNG"), out__png_sink, false, true, true},
        {doc_format::svg, u"svg", u"SVG", VL_TR("vellumo", "Рисунок SVG"), out__svg_sink, false, true, false},
        {doc_format::zpl, u"zpl", u"ZPL", VL_TR("vellumo", "Задание ZPL II (Zebra и совместимые)"), out__zpl_sink, true, false, true,
         true},
        {doc_format::tspl, u"tspl", u"TSPL", VL_TR("vellumo", "Задание TSPL (TSC, Xprinter, Gprinter)"), out__tspl_sink, true, false,
         true, true},
        {doc_format::epl, u"epl", u"EPL", VL_TR("vellumo", "Задание EPL2 (Zebra, Eltron)"), out__epl_sink, true, false, true, true},
    };
    return formats;
}

const output_format *out__format(doc_format f)
{
    for (const output_format &row : out__formats())
        if (row.format == f)
            return &row;
    return nullptr;
}

doc_format out__format_of(const std::u16string &path)
{
    const std::u16string ext = lower_extension(path);
    for (const output_format &row : out__formats())
        if (ext == row.extension)
            return row.format;
    return doc_format::none;
}

std::vector<file_filter> out__file_filters(bool table)
{
    std::vector<file_filter> filters;
    for (const output_format &row : out__formats())
        if (!table || row.table)
            filters.push_back({row.filter, std::u16string(u"*.") + row.extension});
    return filters;
}

std::u16string out__format_list(bool table, bool named, const char16_t *separator, const char16_t *last_separator)
{
    std::vector<std::u16string> items;
    for (const output_format &row : out__formats())
        if (!table || row.table)
            items.push_back(named ? std::u16string(row.name) + u" (." + row.extension + u")"
                                  : std::u16string(u".") + row.extension);
    std::u16string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += i + 1 == items.size() ? last_separator : separator;
        text += items[i];
    }
    return text;
}

std::unique_ptr<page_sink> out__file_sink(const label *lab, const std::u16string &path, const doc_options &o,
                                          bool numbered, std::u16string &error)
{
    // A size past the range would give a PDF of garbled numbers, an SVG of
    // "inf" or a page cut short: nothing is started.
    if (auto why = ele__out_of_range(lab)) {
        error = out__not_written(path, *why);
        return nullptr;
    }
    if (const output_format *row = out__format(out__format_of(path)))
        return row->sink(lab, path, o, numbered && row->numbered, error);
    error = msc__format(out_msg::unknown_format, path.c_str(), out__format_list(false, true, u", ", pl__tr(VL_TR("vellumo", " и "))).c_str());
    return nullptr;
}
