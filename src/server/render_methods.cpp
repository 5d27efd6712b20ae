// "labels.render_label" and "labels.render_document": a stored label drawn
// as a JPEG with its log, or as a PDF or PNG file, the memory it holds taken
// from the server's budget first, stopped with its call.
#include <QBuffer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "exchange/inout.h"
#include "exchange/value_read.h"
#include "output/document.h"
#include "output/output_messages.h"
#include "output/sheet_sources.h"
#include "output/thermal.h"
#include "platform/code_pages.h"
#include "render/counters.h"
#include "render/eps_runner.h"
#include "server/log.h"
#include "server/methods.h"
#include "server/render.h"
#include "server/service.h"

using namespace ino_read;

namespace lsv_methods {

namespace {

// The log as one text: lines joined by line feeds, at most `limit` bytes of
// UTF-8, then "…".
std::string joined_log(const std::vector<std::u16string> &log, std::size_t limit)
{
    std::string text;
    for (const std::u16string &line : log) {
        if (!text.empty())
            text += '\n';
        text += plt__to_utf8(line);
        if (text.size() > limit)
            break;
    }
    if (text.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text.resize(cut);
        text += "…";
    }
    return text;
}

// What "labels.render_label" asks for.
struct render_request {
    std::u16string name;
    int xdpi = 0, ydpi = 0;
    bool markup = false;
    std::vector<render_variable> variables;
};


// ------------------------------------------------------------ render faults
// Each text of the render methods' own faults in one place.

constexpr char16_t image_not_made[] = u"Изображение не построено";
constexpr char16_t document_not_made[] = u"Документ не построен";

// A resolution outside LSV_MIN_DPI…LSV_MAX_DPI ("300" or "300×600").
void resolution_fault(xmlrpc_env *env, const std::u16string &asked)
{
    fault(env, LSV_FAULT_RESOLUTION,
          u"Разрешение " + asked + u" вне пределов " + lsv__number(LSV_MIN_DPI) + u"…" + lsv__number(LSV_MAX_DPI) +
              u" точек на дюйм");
}

// A picture of w × h pixels that is not made: `why` follows its size.
void image_size_fault(xmlrpc_env *env, long long w, long long h, const std::u16string &why)
{
    fault(env, LSV_FAULT_TOO_LARGE, u"Изображение " + lsv__number(w) + u"×" + lsv__number(h) + u" пикселей " + why);
}

// The picture could not be encoded; no reason means no memory.
void no_image_fault(xmlrpc_env *env, const std::u16string &why = {})
{
    fault(env, LSV_FAULT_RENDER, u"Не удалось построить изображение: " + (why.empty() ? u"нет памяти" : why));
}

// The document came out larger than an answer may carry.
void document_too_large_fault(const label_service &service, xmlrpc_env *env)
{
    fault(env, LSV_FAULT_BATCH_TOO_LARGE,
          std::u16string(document_not_made) + u": он больше " + lsv__number(service.document_bytes() >> 20) + u" МиБ");
}

// Pictures ran out of their time: `what` was not made.
void pictures_out_of_time_fault(label_service &service, xmlrpc_env *env, const char16_t *what)
{
    fault(env, LSV_FAULT_RENDER,
          std::u16string(what) + u": рисунки EPS рисовались дольше " +
              lsv__number(static_cast<long long>(service.render().ghostscript_seconds)) + u" с");
}

// The request's parameters, each checked; false with the fault set.
bool read_render_request(xmlrpc_env *env, xmlrpc_value *params, render_request &r)
{
    if (!name_param(env, params, "name", r.name))
        return false;
    xmlrpc_value_ptr st = struct_param(env, params, 1, "второй параметр должен быть структурой");
    if (!read_int(env, st.get(), "xresolution", r.xdpi) || !read_int(env, st.get(), "yresolution", r.ydpi)) {
        params_fault(env, "нужны целые \"xresolution\" и \"yresolution\"");
        return false;
    }
    if (has(env, st.get(), "markup") && !read_bool(env, st.get(), "markup", r.markup)) {
        params_fault(env, "\"markup\" должен быть логическим");
        return false;
    }
    if (has(env, st.get(), "variables") && !read_variables(env, st.get(), r.variables))
        return false;
    if (r.xdpi < LSV_MIN_DPI || r.xdpi > LSV_MAX_DPI || r.ydpi < LSV_MIN_DPI || r.ydpi > LSV_MAX_DPI) {
        resolution_fault(env, lsv__number(r.xdpi) + u"×" + lsv__number(r.ydpi));
        return false;
    }
    return true;
}

// The stored label, read, if it can be drawn (its sizes in range) and its
// picture at the request's resolution is not too large; null with the
// fault set.
label_ptr label_to_render(xmlrpc_env *env, server_store &store, const render_request &r)
{
    xmlrpc_value_ptr stored(stored_value(env, store, r.name));
    if (!stored)
        return nullptr;
    ino_env inner;
    label_ptr lab = ino__value_to_label(&inner.env, stored.get(), false);
    stored.reset();
    if (!lab) {
        fault(env, LSV_FAULT_RENDER, u"Не удалось прочитать этикетку " + quoted(r.name));
        return nullptr;
    }
    if (std::optional<std::u16string> why = ele__out_of_range(lab.get())) {
        // The reason goes on the sentence: its capital (Cyrillic) comes down.
        if (!why->empty() && (*why)[0] >= u'А' && (*why)[0] <= u'Я')
            (*why)[0] = static_cast<char16_t>((*why)[0] + (u'а' - u'А'));
        fault(env, LSV_FAULT_OUT_OF_RANGE, u"Этикетку " + quoted(r.name) + u" нельзя нарисовать: " + *why);
        return nullptr;
    }
    long long w = 0, h = 0;
    lsv__render_size(lab.get(), r.xdpi, r.ydpi, w, h);
    if (static_cast<double>(w) * static_cast<double>(h) > static_cast<double>(LSV_MAX_PIXELS)) {
        image_size_fault(env, w, h, u"больше " + lsv__number(LSV_MAX_PIXELS / 1000000) + u" мегапикселей");
        return nullptr;
    }
    return lab;
}

// ------------------------------------------------------------ render memory

// What a render holds at once, taken from the server's memory budget before
// it draws.  A page as an image: 4 bytes a pixel for the page itself and 2
// for its file on the way out with the answer that carries it (raised when
// the file comes out larger).
constexpr double page_bytes_per_pixel = 6;
// An EPS picture drawn as an image: Ghostscript's PNG of it, the image read
// from that and its conversion; the largest of the label's counts.
constexpr double picture_bytes_per_pixel = 12;
// A file on its way out: the file, the base64 value made of it and the XML
// answer (a third more).
constexpr double answer_bytes_per_file_byte = 4;
// Fonts, barcodes, the label and its log.
constexpr double render_base_bytes = 8 << 20;
// PDF pages place pictures as Ghostscript's PDF of them, or as images of
// this resolution where that fails.
constexpr double pdf_picture_dpi = OUT_PDF_DPI;

// The largest picture of the label (by its box) as an image at that many
// pixels a point, and every PNG or JPEG picture decoded (4 bytes a pixel
// it declares).
double picture_bytes(const label *lab, double per_point)
{
    double most = 0, decoded = 0;
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (e->disabled || e->type != ELE_PICTURE)
            continue;
        if (const lg_epsi *p = e->picture.data.get())
            decoded += 4.0 * p->px_width * p->px_height;
        const double px = std::ceil(std::fabs(e->width) * per_point) * std::ceil(std::fabs(e->height) * per_point);
        most = std::max(most, std::min(px, static_cast<double>(LSV_MAX_PIXELS)));
    }
    return most * picture_bytes_per_pixel + decoded;
}

std::size_t bytes_of(double v)
{
    return static_cast<std::size_t>(std::min(v, 1e18));
}

// The memory a render of `lab` holds, drawn as an image of w × h pixels.
std::size_t image_render_bytes(const label *lab, int xdpi, int ydpi, long long w, long long h)
{
    return bytes_of(render_base_bytes + static_cast<double>(w) * static_cast<double>(h) * page_bytes_per_pixel +
                    picture_bytes(lab, std::max(xdpi, ydpi) / 72.0));
}

// False with the fault set when pictures ran out of time or the render was
// stopped: `what` was not made.
bool drawn_whole(label_service &service, call_context &c, xmlrpc_env *env, const render_outcome &outcome,
                 const char16_t *what)
{
    if (outcome.stopped) {
        c.stopped_fault(env, what);
        return false;
    }
    if (outcome.out_of_time) {
        pictures_out_of_time_fault(service, env, what);
        return false;
    }
    return true;
}

// The answer: the picture as JPEG and the render's log; or the fault that
// says why there is no picture.
xmlrpc_value *render_answer(label_service &service, call_context &c, xmlrpc_env *env, bool made,
                            const std::vector<unsigned char> &jpeg, const std::string &error,
                            const render_outcome &outcome, std::vector<std::u16string> &log)
{
    if (!drawn_whole(service, c, env, outcome, image_not_made))
        return nullptr;
    if (!made) {
        no_image_fault(env, plt__from_utf8(error));
        return nullptr;
    }
    if (!c.hold(env, bytes_of(render_base_bytes + static_cast<double>(jpeg.size()) * answer_bytes_per_file_byte),
                image_not_made))
        return nullptr;
    const std::string text = joined_log(log, service.render().max_log);
    log.clear();
    xmlrpc_value_ptr log_value(xmlrpc_string_new_lp_cr(env, text.size(), text.data()));
    xmlrpc_value_ptr image_value(xmlrpc_base64_new(env, jpeg.size(), jpeg.data()));
    if (env->fault_occurred)
        return nullptr;
    return xmlrpc_build_value(env, "{s:V,s:V}", "image", image_value.get(), "log", log_value.get());
}

// A document is sent whole or not at all: pictures out of time or stopped
// make it a fault, as they do a picture.  Elements that were not drawn
// (each has its crossed box in the document) go to the log, the first few.
bool document_whole(label_service &service, call_context &c, xmlrpc_env *env, const std::u16string &name,
                    const render_outcome &outcome, const std::vector<std::u16string> &problems)
{
    constexpr std::size_t shown = 10;
    const std::string who = "labels.render_document «" + lsv__client_text(name) + "»: ";
    for (std::size_t i = 0; i < problems.size() && i < shown; ++i)
        lsv__log_call(c.peer(), who + lsv__client_text(problems[i]));
    if (problems.size() > shown)
        lsv__log_call(c.peer(), who + "и ещё " + std::to_string(problems.size() - shown));
    return drawn_whole(service, c, env, outcome, document_not_made);
}

// What a document's call asks of sheets: none, or a sheet by its name in
// the catalogue or by its geometry, where it starts, copies, and what is
// drawn besides the labels.
struct sheet_request {
    std::optional<label_sheet> sheet;
    sheet_options options;
    long copies = 1;
};

// The longest sheet name or geometry a call may give: real ones are a few
// dozen characters.
constexpr std::size_t longest_sheet_text = 200;

// A short text member: false with the fault set when it is not a string or
// too long.
bool read_short_text(xmlrpc_env *env, xmlrpc_value *st, const char *key, std::string &out, const char *wrong)
{
    if (!read_utf8(env, st, key, out) || out.empty() || out.size() > longest_sheet_text) {
        params_fault(env, wrong);
        return false;
    }
    return true;
}

// An optional whole number in lo..hi: false with the fault set when it is
// given and is not one.
bool read_count(xmlrpc_env *env, xmlrpc_value *st, const char *key, long lo, long hi, long &out, const char *wrong)
{
    if (!has(env, st, key))
        return true;
    int v = 0;
    if (!read_int(env, st, key, v) || v < lo || v > hi) {
        params_fault(env, wrong);
        return false;
    }
    out = v;
    return true;
}

bool read_flag(xmlrpc_env *env, xmlrpc_value *st, const char *key, bool &out, const char *wrong)
{
    if (has(env, st, key) && !read_bool(env, st, key, out)) {
        params_fault(env, wrong);
        return false;
    }
    return true;
}

// "sheet" (a name of the catalogue) or "sheet_geometry"
// (PAPER,COLUMNSxROWS,WxH,LEFT,TOP,HGAP,VGAP in mm), "first", "copies",
// "outlines", "crop_marks"; each checked, false with the fault set.
bool read_sheet_request(xmlrpc_env *env, xmlrpc_value *st, sheet_request &r)
{
    const bool by_name = has(env, st, "sheet"), by_geometry = has(env, st, "sheet_geometry");
    if (by_name && by_geometry) {
        params_fault(env, "лист задаётся одним из \"sheet\" и \"sheet_geometry\"");
        return false;
    }
    if (by_name) {
        std::string name;
        if (!read_short_text(env, st, "sheet", name, "\"sheet\" должен быть названием листа («МАРКА НОМЕР»)"))
            return false;
        const sheet_entry *e = sht__find(sht__catalogue(), name);
        if (!e) {
            fault(env, LSV_FAULT_NOT_FOUND, u"Лист " + quoted(plt__from_utf8(name)) + u" не найден в каталоге");
            return false;
        }
        r.sheet = e->sheet;
    } else if (by_geometry) {
        std::string text;
        if (!read_short_text(env, st, "sheet_geometry", text,
                             "\"sheet_geometry\" должен быть размерами листа: БУМАГА,СТОЛБЦЫxРЯДЫ,ШИРИНАxВЫСОТА,"
                             "СЛЕВА,СВЕРХУ,ПРОМЕЖУТОК_ПО_ГОРИЗОНТАЛИ,ПРОМЕЖУТОК_ПО_ВЕРТИКАЛИ (в мм)"))
            return false;
        std::u16string error;
        r.sheet = sht__parse_geometry(text, error);
        if (!r.sheet) {
            fault(env, LSV_FAULT_PARAMS, u"Неверные параметры вызова: " + error);
            return false;
        }
    }
    if (!read_count(env, st, "copies", 1, OUT_MAX_COPIES, r.copies,
                    "\"copies\" должен быть целым от 1 до 1000") ||
        !read_count(env, st, "first", 1, SHT_MAX_LABELS, r.options.first,
                    "\"first\" должен быть целым от 1 до 10000") ||
        !read_flag(env, st, "outlines", r.options.outlines, "\"outlines\" должен быть логическим") ||
        !read_flag(env, st, "crop_marks", r.options.crop_marks, "\"crop_marks\" должен быть логическим"))
        return false;
    if (!r.sheet && (has(env, st, "first") || r.options.outlines || r.options.crop_marks)) {
        params_fault(env, "\"first\", \"outlines\" и \"crop_marks\" относятся к листу: нужен \"sheet\" или "
                          "\"sheet_geometry\"");
        return false;
    }
    if (r.sheet && r.options.first > sht__count(*r.sheet)) {
        fault(env, LSV_FAULT_PARAMS,
              u"Неверные параметры вызова: \"first\" " + lsv__number(r.options.first) + u", а на листе " +
                  quoted(plt__from_utf8(sht__name(*r.sheet))) + u" всего " + lsv__number(sht__count(*r.sheet)) +
                  u" этикеток");
        return false;
    }
    return true;
}

// A label more than a millimetre off the sheet's label either way is not
// for that sheet: false with the fault set.
bool label_fits_sheet(xmlrpc_env *env, const label *lab, const label_sheet &sheet)
{
    constexpr double slack = 72.0 / 25.4;
    if (std::fabs(lab->width - sheet.label_width) <= slack && std::fabs(lab->height - sheet.label_height) <= slack)
        return true;
    auto mm = [](double points) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", points * 25.4 / 72.0);
        return plt__from_utf8(text);
    };
    fault(env, LSV_FAULT_PARAMS,
          u"Неверные параметры вызова: этикетка " + mm(lab->width) + u"×" + mm(lab->height) +
              u" мм не подходит к листу " + quoted(plt__from_utf8(sht__name(sheet))) + u" с этикетками " +
              mm(sheet.label_width) + u"×" + mm(sheet.label_height) + u" мм");
    return false;
}

} // namespace

// "variables": an array of {name, value} structs.
bool read_variables(xmlrpc_env *env, xmlrpc_value *st, std::vector<render_variable> &out)
{
    xmlrpc_value_ptr arr;
    member(env, st, "variables", arr);
    const int n = xmlrpc_value_type(arr.get()) == XMLRPC_TYPE_ARRAY ? xmlrpc_array_size(env, arr.get()) : -1;
    for (int i = 0; n >= 0 && i < n && !env->fault_occurred; ++i) {
        xmlrpc_value *item = nullptr;
        xmlrpc_array_read_item(env, arr.get(), i, &item);
        xmlrpc_value_ptr hold(item);
        render_variable v;
        if (!env->fault_occurred && read_string(env, item, "name", v.name) && read_string(env, item, "value", v.value))
            out.push_back(std::move(v));
    }
    if (n < 0 || env->fault_occurred) {
        params_fault(env, "\"variables\" должен быть массивом структур {name, value}");
        return false;
    }
    return true;
}

bool read_row(xmlrpc_env *env, xmlrpc_value *rows, int i, std::vector<render_variable> &out)
{
    xmlrpc_value *item = nullptr;
    xmlrpc_array_read_item(env, rows, i, &item);
    xmlrpc_value_ptr hold(item);
    xmlrpc_value_ptr one(env->fault_occurred ? nullptr : xmlrpc_struct_new(env));
    if (!env->fault_occurred)
        xmlrpc_struct_set_value(env, one.get(), "variables", item);
    return !env->fault_occurred && read_variables(env, one.get(), out);
}

xmlrpc_value *render_label(label_service &service, server_store &store, call_context &c, xmlrpc_env *env,
                           xmlrpc_value *params)
{
    render_request r;
    if (!read_render_request(env, params, r))
        return nullptr;
    label_ptr lab = label_to_render(env, store, r);
    if (!lab)
        return nullptr;
    long long w = 0, h = 0;
    lsv__render_size(lab.get(), r.xdpi, r.ydpi, w, h);
    if (!c.hold(env, image_render_bytes(lab.get(), r.xdpi, r.ydpi, w, h), image_not_made))
        return nullptr;
    std::vector<std::u16string> log;
    render_outcome outcome;
    std::vector<unsigned char> jpeg;
    std::string error;
    bool made = false;
    {
        render_stop_scope stop([&c] { return c.should_stop(); });
        made = lsv__render_jpeg(lab.get(), r.variables, r.xdpi, r.ydpi, r.markup, 90, jpeg, error, log,
                                service.render(), &outcome);
    }
    r.variables.clear();
    lab.reset();
    return render_answer(service, c, env, made, jpeg, error, outcome, log);
}

// "labels.render_document": the label as a PDF or PNG file, or a PDF of a
// page per row of variables, or the job of a thermal printer (ZPL, TSPL,
// EPL) of a label per row.
xmlrpc_value *render_document(label_service &service, server_store &store, call_context &c, xmlrpc_env *env,
                              xmlrpc_value *params, const document_target *target)
{
    render_request r;
    if (!name_param(env, params, "name", r.name))
        return nullptr;
    xmlrpc_value_ptr st = struct_param(env, params, 1, "второй параметр должен быть структурой");
    std::u16string format;
    if (!read_string(env, st.get(), "format", format) ||
        (format != u"pdf" && format != u"png" && format != u"svg" && !out__thermal_language(plt__to_utf8(format)))) {
        params_fault(env, "\"format\" должен быть \"pdf\", \"png\", \"svg\", \"zpl\", \"tspl\" или \"epl\"");
        return nullptr;
    }
    // A thermal printer's job: its language, at the printer's resolution.
    const std::optional<thermal_language> language =
        format == u"pdf" || format == u"png" || format == u"svg" ? std::nullopt : out__thermal_language(plt__to_utf8(format));
    int dpi = language ? 203 : OUT_DEFAULT_DPI;
    if (has(env, st.get(), "resolution") && !read_int(env, st.get(), "resolution", dpi)) {
        params_fault(env, "\"resolution\" должен быть целым");
        return nullptr;
    }
    if (dpi < LSV_MIN_DPI || dpi > LSV_MAX_DPI || (language && (dpi < THERMAL_MIN_DPI || dpi > THERMAL_MAX_DPI))) {
        resolution_fault(env, lsv__number(dpi));
        return nullptr;
    }
    if (has(env, st.get(), "variables") && !read_variables(env, st.get(), r.variables))
        return nullptr;
    sheet_request sheets;
    if (!read_sheet_request(env, st.get(), sheets))
        return nullptr;
    if ((format == u"png" || format == u"svg") && (sheets.sheet || sheets.copies > 1)) {
        params_fault(env, "PNG и SVG - одна этикетка; для листа и копий нужен \"pdf\"");
        return nullptr;
    }
    if (language && sheets.sheet) {
        params_fault(env, "принтер этикеток печатает по этикетке, без листа; для листа нужен \"pdf\"");
        return nullptr;
    }
    // The rows of a batch: each an array of {name, value} like "variables".
    std::vector<std::vector<render_variable>> rows;
    if (has(env, st.get(), "rows")) {
        xmlrpc_value_ptr arr;
        member(env, st.get(), "rows", arr);
        if (env->fault_occurred || xmlrpc_value_type(arr.get()) != XMLRPC_TYPE_ARRAY) {
            params_fault(env, "\"rows\" должен быть массивом");
            return nullptr;
        }
        const int n = xmlrpc_array_size(env, arr.get());
        if (n > LSV_MAX_DOCUMENT_ROWS) {
            fault(env, LSV_FAULT_BATCH_TOO_LARGE,
                  u"Строк " + lsv__number(n) + u", а в одном документе их не больше " +
                      lsv__number(LSV_MAX_DOCUMENT_ROWS));
            return nullptr;
        }
        // Copies multiply the labels: the bound is on all of them.
        if (static_cast<long>(n) * sheets.copies > LSV_MAX_DOCUMENT_ROWS) {
            fault(env, LSV_FAULT_BATCH_TOO_LARGE,
                  u"Этикеток " + lsv__number(static_cast<long long>(n) * sheets.copies) +
                      u" (строки × копии), а в одном документе их не больше " + lsv__number(LSV_MAX_DOCUMENT_ROWS));
            return nullptr;
        }
        if ((format == u"png" || format == u"svg") && n > 0) {
            params_fault(env, "PNG и SVG - одна этикетка; для \"rows\" нужен \"pdf\"");
            return nullptr;
        }
        rows.resize(static_cast<std::size_t>(std::max(n, 0)));
        for (int i = 0; i < n && !env->fault_occurred; ++i) {
            if (!read_row(env, arr.get(), i, rows[static_cast<std::size_t>(i)]))
                return nullptr;
            // A row's value for a counter would silently not be used.
            for (const render_variable &v : rows[static_cast<std::size_t>(i)])
                if (rdr__is_counter_name(v.name)) {
                    fault(env, LSV_FAULT_PARAMS,
                          u"Неверные параметры вызова: в строке " + lsv__number(i + 1) + u" переменная " +
                              quoted(v.name.size() > 100 ? v.name.substr(0, 100) + u"…" : v.name) +
                              u" названа с «#», а такие имена заняты счётчиками (${#}, ${#row}, ${#date}, "
                              u"${#time})");
                    return nullptr;
                }
        }
    }
    r.xdpi = r.ydpi = dpi;
    label_ptr lab = label_to_render(env, store, r);
    if (!lab)
        return nullptr;
    if (sheets.sheet && !label_fits_sheet(env, lab.get(), *sheets.sheet))
        return nullptr;
    thermal_options thermal;
    if (language && target && target->thermal)
        thermal = *target->thermal; // the printer's media, darkness and offsets
    if (language) {
        thermal.language = *language;
        thermal.dpi = dpi;
        const std::u16string why = out__thermal_label_refusal(lab.get(), thermal);
        if (!why.empty()) {
            fault(env, LSV_FAULT_RENDER, std::u16string(document_not_made) + u": " + why);
            return nullptr;
        }
    }

    const std::vector<std::u16string> names = out__label_names(lab.get());
    std::vector<preview_var> base;
    for (const render_variable &v : r.variables)
        base.push_back({v.name, v.value});
    doc_options o;
    o.dpi = dpi;
    o.limits = service.render();
    // One budget of Ghostscript time for the whole call, however many rows.
    o.document_budget = true;
    std::vector<std::u16string> problems;
    QByteArray bytes;
    // Stops the drawing when the client goes or the call's time is over.
    render_stop_scope stop([&c] { return c.should_stop(); });
    if (format == u"png") {
        const QSize size = out__image_size(lab.get(), dpi);
        if (!c.hold(env, image_render_bytes(lab.get(), dpi, dpi, size.width(), size.height()), document_not_made))
            return nullptr;
        render_outcome outcome;
        QImage img = out__image(lab.get(), out__preview_variables(names, base), o, problems, &outcome);
        if (!document_whole(service, c, env, r.name, outcome, problems))
            return nullptr;
        if (img.isNull()) {
            image_size_fault(env, size.width(), size.height(), u"слишком велико для PNG");
            return nullptr;
        }
        std::string png, why;
        if (!lsv__encode_png(img, png, why)) {
            no_image_fault(env, plt__from_utf8(why));
            return nullptr;
        }
        img = QImage();
        bytes = QByteArray(png.data(), static_cast<qsizetype>(png.size()));
    } else if (format == u"svg") {
        // Vectors: what it holds grows with the label's elements, not its
        // size; pictures come as images of the PDF's resolution.
        if (!c.hold(env, bytes_of(render_base_bytes + picture_bytes(lab.get(), pdf_picture_dpi / 72.0)),
                    document_not_made))
            return nullptr;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        std::vector<page_problem> said;
        render_outcome outcome;
        const bool written = out__svg_write(lab.get(), out__label_page(lab.get(), out__preview_variables(names, base)),
                                            buffer, said, outcome);
        for (page_problem &p : said)
            problems.push_back(std::move(p.text));
        if (!document_whole(service, c, env, r.name, outcome, problems))
            return nullptr;
        if (!written) {
            no_image_fault(env);
            return nullptr;
        }
    } else {
        // Pictures as images where their vectors fail, and the document as
        // it grows, with the answer that will carry it.
        // A thermal printer's label is drawn whole at its resolution: the
        // colour image, the mask of its pictures and the dots.
        const QSize dots = language ? out__thermal_size(lab.get(), dpi) : QSize();
        const double fixed = render_base_bytes + picture_bytes(lab.get(), pdf_picture_dpi / 72.0) +
                             5.2 * static_cast<double>(dots.width()) * static_cast<double>(dots.height());
        if (!c.hold(env, bytes_of(fixed), document_not_made))
            return nullptr;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        // The printer makes the copies of a label, unless they differ
        // (numbered).
        long copies = sheets.copies;
        if (language && !run_counters(names, {}).numbers_labels()) {
            thermal.copies = copies;
            copies = 1;
        }
        std::u16string error;
        std::unique_ptr<page_sink> sink =
            language && target ? target->sink(lab.get(), thermal, error)
            : language         ? out__thermal_device_sink(lab.get(), buffer, thermal, service.document_bytes())
                               : out__pdf_sink(lab.get(), buffer, o, service.document_bytes());
        bool ok = sink != nullptr;
        // One label without rows takes its variables as render_label does.
        const bool batch = !rows.empty();
        if (!batch)
            rows.emplace_back();
        // A label per row (its copies next to each other), on the pages
        // the layout puts them.
        const label_per_page one_per_page(lab.get());
        std::optional<sheet_layout> on_sheets;
        if (sheets.sheet)
            on_sheets.emplace(*sheets.sheet, sheets.options);
        const page_layout &layout = on_sheets ? static_cast<const page_layout &>(*on_sheets) : one_per_page;
        std::optional<page_filler> pages;
        if (sink)
            pages.emplace(layout, *sink);
        std::vector<run_problem> said;
        double held = fixed;
        // Counters count the document's labels; its date and time are one.
        const run_counters counters(names, QDateTime::currentDateTime());
        for (std::size_t i = 0; ok && i < rows.size(); ++i) {
            if (rdr__render_stopping()) {
                c.stopped_fault(env, document_not_made);
                return nullptr;
            }
            std::vector<std::u16string> columns, cells;
            for (render_variable &v : rows[i]) {
                columns.push_back(std::move(v.name));
                cells.push_back(std::move(v.value));
            }
            std::vector<render_variable>().swap(rows[i]);
            const render_variable_map vars =
                batch ? out__row_variables(names, columns, cells, base) : out__preview_variables(names, base);
            for (long copy = 0; ok && copy < copies; ++copy) {
                if (copy > 0 && rdr__render_stopping()) {
                    c.stopped_fault(env, document_not_made);
                    return nullptr;
                }
                render_variable_map these = vars;
                counters.put(these, pages->labels() + 1, static_cast<long long>(i + 1));
                ok = pages->add(lab.get(), std::move(these), static_cast<long>(i + 1), said, error);
                for (run_problem &p : said)
                    problems.push_back(std::move(p.text));
                said.clear();
                if (sink->outcome.stopped || sink->outcome.out_of_time)
                    break;
                // The buffer takes up to twice what it holds while it
                // grows; then the answer is made of it.
                const double need = fixed + static_cast<double>(bytes.size()) * answer_bytes_per_file_byte;
                if (ok && need > held) {
                    held = std::max(need, held * 1.5);
                    if (!c.hold(env, bytes_of(held), document_not_made))
                        return nullptr;
                }
            }
            if (sink->outcome.stopped || sink->outcome.out_of_time)
                break;
        }
        // The last page, when the layout left it open.
        if (ok && pages && !sink->outcome.stopped && !sink->outcome.out_of_time) {
            ok = pages->flush(said, error);
            for (run_problem &p : said)
                problems.push_back(std::move(p.text));
        }
        if (sink && !document_whole(service, c, env, r.name, sink->outcome, problems))
            return nullptr;
        ok = ok && sink->finish(error);
        sink.reset();
        if (!ok) {
            if (target && !error.empty())
                fault(env, LSV_FAULT_RENDER, error); // the printer's own words
            else if (error == pl__tr(out_msg::document_too_large))
                document_too_large_fault(service, env);
            else
                fault(env, LSV_FAULT_RENDER, std::u16string(document_not_made) + u": " + error);
            return nullptr;
        }
    }
    if (bytes.size() > static_cast<std::size_t>(service.document_bytes())) {
        document_too_large_fault(service, env);
        return nullptr;
    }
    if (!c.hold(env, bytes_of(render_base_bytes + static_cast<double>(bytes.size()) * answer_bytes_per_file_byte),
                document_not_made))
        return nullptr;
    return xmlrpc_base64_new(env, static_cast<std::size_t>(bytes.size()),
                             reinterpret_cast<const unsigned char *>(bytes.constData()));
}

} // namespace lsv_methods
