#include "server/service.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "exchange/inout.h"
#include "exchange/value_read.h"
#include "exchange/xml_prepare.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "render/eps_runner.h"
#include "server/log.h"
#include "server/render.h"

#include <QBuffer>

#include "output/document.h"
#include "output/output_messages.h"

using namespace ino_read;

namespace {

class call_context;

void fault(xmlrpc_env *env, int code, const std::u16string &message)
{
    if (env->fault_occurred)
        xmlrpc_env_clean(env), xmlrpc_env_init(env);
    xmlrpc_env_set_fault(env, code, msc__to_utf8(message).c_str());
}

std::u16string quoted(const std::u16string &name)
{
    return u"«" + name + u"»";
}

// A library fault as the reason of a malformed call.
void params_fault(xmlrpc_env *env, const char *what)
{
    std::u16string reason = env->fault_occurred && env->fault_string ? msc__from_utf8(env->fault_string) : u"";
    std::u16string text = u"Неверные параметры вызова: " + msc__from_utf8(what);
    if (!reason.empty())
        text += u" (" + reason + u")";
    fault(env, LSV_FAULT_PARAMS, text);
}

// Item `index` of the parameter array, which must be a struct.
xmlrpc_value_ptr struct_param(xmlrpc_env *env, xmlrpc_value *params, int index, const char *what)
{
    if (xmlrpc_value_type(params) != XMLRPC_TYPE_ARRAY || xmlrpc_array_size(env, params) <= index) {
        params_fault(env, what);
        return nullptr;
    }
    xmlrpc_value *v = nullptr;
    xmlrpc_array_read_item(env, params, index, &v);
    xmlrpc_value_ptr out(v);
    if (env->fault_occurred || xmlrpc_value_type(v) != XMLRPC_TYPE_STRUCT) {
        params_fault(env, what);
        return nullptr;
    }
    return out;
}

xmlrpc_value *string_value_of(xmlrpc_env *env, const std::u16string &s)
{
    const std::string u = msc__to_utf8(s);
    return xmlrpc_string_new_lp_cr(env, u.size(), u.data());
}

xmlrpc_value *true_value(xmlrpc_env *env)
{
    return xmlrpc_bool_new(env, 1);
}

bool name_param(xmlrpc_env *env, xmlrpc_value *params, const char *key, std::u16string &name)
{
    xmlrpc_value_ptr st = struct_param(env, params, 1, "второй параметр должен быть структурой");
    if (!st)
        return false;
    if (!read_string(env, st.get(), key, name)) {
        params_fault(env, (std::string("нет строки \"") + key + "\"").c_str());
        return false;
    }
    if (name.empty()) {
        fault(env, LSV_FAULT_EMPTY_NAME, u"Не задано имя этикетки");
        return false;
    }
    return true;
}

void store_fault(xmlrpc_env *env, server_store::result r, const std::u16string &name, const std::string &error)
{
    switch (r) {
    case server_store::result::ok: break;
    case server_store::result::not_found: fault(env, LSV_FAULT_NOT_FOUND, u"Этикетка " + quoted(name) + u" не найдена"); break;
    case server_store::result::exists: fault(env, LSV_FAULT_EXISTS, u"Этикетка " + quoted(name) + u" уже есть"); break;
    case server_store::result::empty_name: fault(env, LSV_FAULT_EMPTY_NAME, u"Не задано имя этикетки"); break;
    case server_store::result::bad_label:
        fault(env, LSV_FAULT_LABEL_REFUSED, u"Этикетка не принята: " + msc__from_utf8(error));
        break;
    case server_store::result::io_error:
        fault(env, LSV_FAULT_STORE, u"Ошибка хранилища этикеток: " + msc__from_utf8(error));
        break;
    }
}

// The stored label struct of that name (a new reference), or null with the
// fault set; a file that no longer reads is the store's fault, not the
// caller's.
xmlrpc_value *stored_value(xmlrpc_env *env, server_store &store, const std::u16string &name)
{
    server_store::result r;
    ino_env inner;
    std::string error;
    xmlrpc_value *v = store.load(&inner.env, name, r, error);
    if (!v)
        store_fault(env, r == server_store::result::bad_label ? server_store::result::io_error : r, name,
                    error.empty() ? "сохранённая этикетка не читается" : error);
    return v;
}

// ------------------------------------------------------------ the methods

xmlrpc_value *list_labels(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *)
{
    std::vector<stored_label> labels;
    std::string error;
    if (const server_store::result r = store.list(labels, error); r != server_store::result::ok) {
        store_fault(env, r, u"", error);
        return nullptr;
    }
    xmlrpc_value_ptr arr(xmlrpc_array_new(env));
    for (const stored_label &l : labels) {
        xmlrpc_value_ptr n(string_value_of(env, l.name)), d(string_value_of(env, l.desc));
        xmlrpc_value_ptr item(xmlrpc_build_value(env, "{s:V,s:V}", "name", n.get(), "desc", d.get()));
        if (env->fault_occurred)
            return nullptr;
        xmlrpc_array_append_item(env, arr.get(), item.get());
    }
    return env->fault_occurred ? nullptr : arr.release();
}

xmlrpc_value *load_label(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *params)
{
    std::u16string name;
    if (!name_param(env, params, "name", name))
        return nullptr;
    return stored_value(env, store, name);
}

xmlrpc_value *save_label(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *params)
{
    xmlrpc_value_ptr st = struct_param(env, params, 1, "второй параметр должен быть этикеткой");
    if (!st)
        return nullptr;
    ino_env inner;
    label_ptr lab = ino__value_to_label(&inner.env, st.get(), false);
    if (!lab) {
        std::u16string why = inner.failed() && inner.env.fault_string ? msc__from_utf8(inner.env.fault_string)
                                                                       : u"структура этикетки не прочитана";
        fault(env, LSV_FAULT_LABEL_REFUSED, u"Этикетка не принята: " + why);
        return nullptr;
    }
    if (lab->name.empty()) {
        fault(env, LSV_FAULT_EMPTY_NAME, u"Не задано имя этикетки");
        return nullptr;
    }
    std::string error;
    const server_store::result r = store.save(lab.get(), error);
    if (r != server_store::result::ok) {
        store_fault(env, r, lab->name, error);
        return nullptr;
    }
    return true_value(env);
}

xmlrpc_value *drop_label(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *params)
{
    std::u16string name;
    if (!name_param(env, params, "name", name))
        return nullptr;
    std::string error;
    const server_store::result r = store.drop(name, error);
    if (r != server_store::result::ok) {
        store_fault(env, r, name, error);
        return nullptr;
    }
    return true_value(env);
}

xmlrpc_value *rename_label(label_service &, server_store &store, call_context &, xmlrpc_env *env, xmlrpc_value *params)
{
    std::u16string from, to;
    if (!name_param(env, params, "oldname", from) || !name_param(env, params, "newname", to))
        return nullptr;
    std::string error;
    const server_store::result r = store.rename(from, to, error);
    if (r != server_store::result::ok) {
        store_fault(env, r, r == server_store::result::exists ? to : from, error);
        return nullptr;
    }
    return true_value(env);
}

xmlrpc_value *server_info(label_service &, server_store &, call_context &, xmlrpc_env *env, xmlrpc_value *)
{
    return xmlrpc_build_value(env, "{s:s,s:s,s:i,s:(sss)}", "name", "Vellumo", "version", VELLUMO_VERSION, "api", 1,
                              "features", "store", "render", "fonts");
}

xmlrpc_value *list_fonts(label_service &, server_store &, call_context &, xmlrpc_env *env, xmlrpc_value *)
{
    xmlrpc_value_ptr arr(xmlrpc_array_new(env));
    for (const std::u16string &f : lsv__font_families()) {
        xmlrpc_value_ptr n(string_value_of(env, f));
        xmlrpc_value_ptr item(xmlrpc_build_value(env, "{s:V}", "name", n.get()));
        if (env->fault_occurred)
            return nullptr;
        xmlrpc_array_append_item(env, arr.get(), item.get());
    }
    return env->fault_occurred ? nullptr : arr.release();
}

// The log as one text: lines joined by line feeds, at most `limit` bytes of
// UTF-8, then "…".
std::string joined_log(const std::vector<std::u16string> &log, std::size_t limit)
{
    std::string text;
    for (const std::u16string &line : log) {
        if (!text.empty())
            text += '\n';
        text += msc__to_utf8(line);
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

std::u16string resolution_range()
{
    return lsv__number(LSV_MIN_DPI) + u"…" + lsv__number(LSV_MAX_DPI) + u" точек на дюйм";
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
        fault(env, LSV_FAULT_RESOLUTION,
              u"Разрешение " + lsv__number(r.xdpi) + u"×" + lsv__number(r.ydpi) + u" вне пределов " +
                  resolution_range());
        return false;
    }
    return true;
}

std::u16string megapixels_limit()
{
    return lsv__number(LSV_MAX_PIXELS / 1000000) + u" мегапикселей";
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
    if (const std::optional<std::u16string> why = ele__out_of_range(lab.get())) {
        fault(env, LSV_FAULT_OUT_OF_RANGE, u"Этикетку " + quoted(r.name) + u" нельзя нарисовать: " + *why);
        return nullptr;
    }
    long long w = 0, h = 0;
    lsv__render_size(lab.get(), r.xdpi, r.ydpi, w, h);
    if (static_cast<double>(w) * static_cast<double>(h) > static_cast<double>(LSV_MAX_PIXELS)) {
        fault(env, LSV_FAULT_TOO_LARGE,
              u"Изображение " + lsv__number(w) + u"×" + lsv__number(h) + u" пикселей больше " + megapixels_limit());
        return nullptr;
    }
    return lab;
}

// ------------------------------------------------------------ render memory

// What a render holds at once, taken from the server's memory budget before
// it draws.  A page as an image: 4 bytes a pixel, and as much again and
// half of that for its file on the way out with the answer that carries it
// (raised when the file comes out larger).
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

// The largest picture of the label as an image at that many pixels a point.
double picture_bytes(const label *lab, double per_point)
{
    double most = 0;
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (e->disabled || e->type != ELE_PICTURE)
            continue;
        const double px = std::ceil(std::fabs(e->width) * per_point) * std::ceil(std::fabs(e->height) * per_point);
        most = std::max(most, std::min(px, static_cast<double>(LSV_MAX_PIXELS)));
    }
    return most * picture_bytes_per_pixel;
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

// ------------------------------------------------------------ the call

// What a method knows of its call besides its parameters: when its time is
// over, whether its client is still there, and the memory it holds.
class call_context {
public:
    call_context(http_call &call, double seconds)
        : call_(call), seconds_(seconds),
          deadline_(std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(static_cast<long long>(seconds * 1000)))
    {
    }

    const std::string &peer() const { return call_.peer; }
    double seconds() const { return seconds_; }
    bool expired() const { return std::chrono::steady_clock::now() >= deadline_; }
    bool gone()
    {
        if (!left_ && call_.gone)
            left_ = call_.gone();
        return left_;
    }
    // Whether a render of this call is to stop.
    bool should_stop() { return expired() || gone(); }

    // Raises the memory the call holds to `bytes`, waiting while the call
    // has time; false with the fault set when it was not granted.
    bool hold(xmlrpc_env *env, std::size_t bytes, const char16_t *what)
    {
        if (bytes <= held_)
            return true;
        if (!call_.reserve) {
            held_ = bytes;
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline_ - std::chrono::steady_clock::now())
                              .count();
        if (left > 0 && call_.reserve(bytes, static_cast<int>(std::min<long long>(left, 1 << 30)))) {
            held_ = bytes;
            return true;
        }
        if (rdr__eps_stopping() || gone())
            stopped_fault(env, what);
        else
            fault(env, LSV_FAULT_BUSY,
                  std::u16string(what) + u": сервер занят, память для изображений не освободилась за " +
                      lsv__number(static_cast<long long>(seconds_)) + u" с; повторите вызов позже");
        return false;
    }

    // The fault of a render that stopped before its end: the server is
    // stopping, the call's time is over, or its client has gone.
    void stopped_fault(xmlrpc_env *env, const char16_t *what)
    {
        if (rdr__eps_stopping())
            fault(env, LSV_FAULT_RENDER, std::u16string(what) + u": сервер останавливается");
        else if (gone())
            fault(env, LSV_FAULT_RENDER, std::u16string(what) + u": клиент закрыл соединение, построение остановлено");
        else
            fault(env, LSV_FAULT_TIMEOUT,
                  std::u16string(what) + u": вызов шёл дольше " + lsv__number(static_cast<long long>(seconds_)) +
                      u" с (--call-timeout)");
    }

private:
    http_call &call_;
    double seconds_;
    std::chrono::steady_clock::time_point deadline_;
    bool left_ = false;
    std::size_t held_ = 0;
};

constexpr char16_t image_not_made[] = u"Изображение не построено";
constexpr char16_t document_not_made[] = u"Документ не построен";

// The answer: the picture as JPEG and the render's log; or the fault that
// says why there is no picture.
xmlrpc_value *render_answer(label_service &service, call_context &c, xmlrpc_env *env, QImage image,
                            const render_outcome &outcome, std::vector<std::u16string> &log)
{
    if (outcome.stopped) {
        c.stopped_fault(env, image_not_made);
        return nullptr;
    }
    if (outcome.out_of_time) {
        fault(env, LSV_FAULT_RENDER,
              std::u16string(image_not_made) + u": рисунки EPS рисовались дольше " +
                  lsv__number(static_cast<long long>(service.render().ghostscript_seconds)) + u" с");
        return nullptr;
    }
    std::vector<unsigned char> jpeg;
    std::string error;
    if (image.isNull() || !lsv__encode_jpeg(image, 90, jpeg, error)) {
        fault(env, LSV_FAULT_RENDER,
              u"Не удалось построить изображение: " + (error.empty() ? u"нет памяти" : msc__from_utf8(error)));
        return nullptr;
    }
    image = QImage();
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
    QImage image;
    {
        render_stop_scope stop([&c] { return c.should_stop(); });
        image = lsv__render(lab.get(), r.variables, r.xdpi, r.ydpi, r.markup, log, service.render(), &outcome);
    }
    r.variables.clear();
    lab.reset();
    return render_answer(service, c, env, std::move(image), outcome, log);
}

// A document is sent whole or not at all: pictures out of time or stopped
// make it a fault, as they do a picture.  Elements that were not drawn
// (each has its crossed box in the document) go to the log, the first few.
bool document_whole(label_service &service, call_context &c, xmlrpc_env *env, const std::string &peer,
                    const std::u16string &name, const render_outcome &outcome,
                    const std::vector<std::u16string> &problems)
{
    constexpr std::size_t shown = 10;
    const std::string who = "labels.render_document «" + lsv__client_text(name) + "»: ";
    for (std::size_t i = 0; i < problems.size() && i < shown; ++i)
        lsv__log_call(peer, who + lsv__client_text(problems[i]));
    if (problems.size() > shown)
        lsv__log_call(peer, who + "и ещё " + std::to_string(problems.size() - shown));
    if (outcome.stopped) {
        c.stopped_fault(env, document_not_made);
        return false;
    }
    if (outcome.out_of_time) {
        fault(env, LSV_FAULT_RENDER,
              std::u16string(document_not_made) + u": рисунки EPS рисовались дольше " +
                  lsv__number(static_cast<long long>(service.render().ghostscript_seconds)) + u" с");
        return false;
    }
    return true;
}

std::u16string document_limit()
{
    return lsv__number(LSV_MAX_DOCUMENT_BYTES >> 20) + u" МиБ";
}

// "labels.render_document": the label as a PDF or PNG file, or a PDF of a
// page per row of variables.
xmlrpc_value *render_document(label_service &service, server_store &store, call_context &c, xmlrpc_env *env,
                              xmlrpc_value *params)
{
    render_request r;
    if (!name_param(env, params, "name", r.name))
        return nullptr;
    xmlrpc_value_ptr st = struct_param(env, params, 1, "второй параметр должен быть структурой");
    std::u16string format;
    if (!read_string(env, st.get(), "format", format) || (format != u"pdf" && format != u"png")) {
        params_fault(env, "\"format\" должен быть \"pdf\" или \"png\"");
        return nullptr;
    }
    int dpi = OUT_DEFAULT_DPI;
    if (has(env, st.get(), "resolution") && !read_int(env, st.get(), "resolution", dpi)) {
        params_fault(env, "\"resolution\" должен быть целым");
        return nullptr;
    }
    if (dpi < LSV_MIN_DPI || dpi > LSV_MAX_DPI) {
        fault(env, LSV_FAULT_RESOLUTION, u"Разрешение " + lsv__number(dpi) + u" вне пределов " + resolution_range());
        return nullptr;
    }
    if (has(env, st.get(), "variables") && !read_variables(env, st.get(), r.variables))
        return nullptr;
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
        if (format == u"png" && n > 0) {
            params_fault(env, "PNG - одна этикетка; для \"rows\" нужен \"pdf\"");
            return nullptr;
        }
        rows.resize(static_cast<std::size_t>(std::max(n, 0)));
        for (int i = 0; i < n && !env->fault_occurred; ++i) {
            xmlrpc_value *item = nullptr;
            xmlrpc_array_read_item(env, arr.get(), i, &item);
            xmlrpc_value_ptr hold(item);
            xmlrpc_value_ptr one(env->fault_occurred ? nullptr : xmlrpc_struct_new(env));
            if (!env->fault_occurred)
                xmlrpc_struct_set_value(env, one.get(), "variables", item);
            if (env->fault_occurred || !read_variables(env, one.get(), rows[static_cast<std::size_t>(i)]))
                return nullptr;
        }
    }
    r.xdpi = r.ydpi = dpi;
    label_ptr lab = label_to_render(env, store, r);
    if (!lab)
        return nullptr;

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
        if (!document_whole(service, c, env, c.peer(), r.name, outcome, problems))
            return nullptr;
        if (img.isNull()) {
            fault(env, LSV_FAULT_TOO_LARGE,
                  u"Изображение " + lsv__number(size.width()) + u"×" + lsv__number(size.height()) +
                      u" пикселей слишком велико для PNG");
            return nullptr;
        }
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !img.save(&buffer, "PNG")) {
            fault(env, LSV_FAULT_RENDER, u"Не удалось построить изображение: нет памяти");
            return nullptr;
        }
        img = QImage();
    } else {
        // Pictures as images where their vectors fail, and the document as
        // it grows, with the answer that will carry it.
        const double fixed = render_base_bytes + picture_bytes(lab.get(), pdf_picture_dpi / 72.0);
        if (!c.hold(env, bytes_of(fixed), document_not_made))
            return nullptr;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        std::unique_ptr<page_sink> sink = out__pdf_sink(lab.get(), buffer, o, LSV_MAX_DOCUMENT_BYTES);
        std::u16string error;
        bool ok = sink != nullptr;
        // One label without rows takes its variables as render_label does.
        const bool batch = !rows.empty();
        if (!batch)
            rows.emplace_back();
        double held = fixed;
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
            ok = sink->page(batch ? out__row_variables(names, columns, cells, base)
                                  : out__preview_variables(names, base),
                            static_cast<long>(i + 1), problems, error);
            if (sink->outcome.stopped || sink->outcome.out_of_time)
                break;
            // The buffer takes up to twice what it holds while it grows;
            // then the answer is made of it.
            const double need = fixed + static_cast<double>(bytes.size()) * answer_bytes_per_file_byte;
            if (ok && need > held) {
                held = std::max(need, held * 1.5);
                if (!c.hold(env, bytes_of(held), document_not_made))
                    return nullptr;
            }
        }
        if (sink && !document_whole(service, c, env, c.peer(), r.name, sink->outcome, problems))
            return nullptr;
        ok = ok && sink->finish(error);
        sink.reset();
        if (!ok) {
            if (error == out_msg::document_too_large)
                fault(env, LSV_FAULT_BATCH_TOO_LARGE, std::u16string(document_not_made) + u": он больше " + document_limit());
            else
                fault(env, LSV_FAULT_RENDER, std::u16string(document_not_made) + u": " + error);
            return nullptr;
        }
    }
    if (bytes.size() > LSV_MAX_DOCUMENT_BYTES) {
        fault(env, LSV_FAULT_BATCH_TOO_LARGE, std::u16string(document_not_made) + u": он больше " + document_limit());
        return nullptr;
    }
    if (!c.hold(env, bytes_of(render_base_bytes + static_cast<double>(bytes.size()) * answer_bytes_per_file_byte),
                document_not_made))
        return nullptr;
    return xmlrpc_base64_new(env, static_cast<std::size_t>(bytes.size()),
                             reinterpret_cast<const unsigned char *>(bytes.constData()));
}

struct method_row {
    const char *name;
    xmlrpc_value *(*fn)(label_service &, server_store &, call_context &, xmlrpc_env *, xmlrpc_value *);
};
const method_row method_rows[] = {
    {"labels.list_labels", list_labels}, {"labels.load_label", load_label},   {"labels.save_label", save_label},
    {"labels.drop_label", drop_label},   {"labels.rename_label", rename_label}, {"labels.server_info", server_info},
    {"labels.list_fonts", list_fonts},   {"labels.render_label", render_label},
    {"labels.render_document", render_document},
};

// Whether a method's fault is one of the documented ones; any other (a
// library call inside a method that failed) is answered as the server's
// own failure, the library's words in brackets.
bool documented_fault(int code)
{
    return code >= LSV_FAULT_NOT_FOUND && code <= LSV_FAULT_LAST;
}

// Runs one method: credentials first, then the method itself.
xmlrpc_value *dispatch(label_service &service, const method_row &row, call_context &c, xmlrpc_env *env,
                       xmlrpc_value *params)
{
    xmlrpc_value_ptr cred = struct_param(env, params, 0, "первый параметр должен быть структурой {user, passwd}");
    if (!cred)
        return nullptr;
    std::string user, password;
    if (!read_utf8(env, cred.get(), "user", user) || !read_utf8(env, cred.get(), "passwd", password)) {
        params_fault(env, "первый параметр должен быть структурой {user, passwd}");
        return nullptr;
    }
    cred.reset();
    if (!service.users().allowed(user, password)) {
        lsv__log_call(c.peer(), std::string(row.name) + ": отказано пользователю «" + lsv__client_text(user) + "»");
        fault(env, LSV_FAULT_CREDENTIALS, u"Неверное имя пользователя или пароль");
        return nullptr;
    }
    xmlrpc_value *result = row.fn(service, service.store(), c, env, params);
    if (env->fault_occurred) {
        if (result)
            xmlrpc_DECREF(result);
        if (!documented_fault(env->fault_code)) {
            const std::u16string said = env->fault_string ? msc__from_utf8(env->fault_string) : u"";
            fault(env, XMLRPC_INTERNAL_ERROR, u"Внутренняя ошибка сервера: ответ не построен (" + said + u")");
        }
        lsv__log_call(c.peer(), std::string(row.name) + ": " + lsv__client_text(env->fault_string));
        return nullptr;
    }
    return result;
}

// The first character of the document that XML-RPC here cannot carry (one
// outside the Basic Multilingual Plane, written as UTF-8 or as a character
// reference), or 0.
char32_t beyond_bmp(const std::string &xml)
{
    for (std::size_t i = 0; i < xml.size(); ++i) {
        const auto b = static_cast<unsigned char>(xml[i]);
        if (b >= 0xF0 && b <= 0xF4 && i + 3 < xml.size())
            return (char32_t(b & 0x07) << 18) | (char32_t(xml[i + 1] & 0x3F) << 12) |
                   (char32_t(xml[i + 2] & 0x3F) << 6) | char32_t(xml[i + 3] & 0x3F);
        if (b == '&' && i + 2 < xml.size() && xml[i + 1] == '#') {
            const bool hex = xml[i + 2] == 'x' || xml[i + 2] == 'X';
            char32_t v = 0;
            std::size_t k = i + (hex ? 3 : 2);
            for (; k < xml.size() && k < i + 16; ++k) {
                const char d = xml[k];
                const int digit = d >= '0' && d <= '9'                ? d - '0'
                                  : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                                  : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                                : -1;
                if (digit < 0)
                    break;
                v = std::min<char32_t>(v * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x7FFFFFFF);
            }
            if (k < xml.size() && xml[k] == ';' && v > 0xFFFF)
                return v;
        }
    }
    return 0;
}

std::string code_point_text(char32_t c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    return buf;
}

// Why a document is not a call the server can read, in Russian, the
// library's own words in brackets.
std::string unreadable_request(const xmlrpc_env &env, const std::string &xml)
{
    const std::string said = env.fault_string ? env.fault_string : "";
    std::string why;
    if (const char32_t c = beyond_bmp(xml))
        why = "символ " + code_point_text(c) +
              " вне основной плоскости Юникода (эмодзи и подобные): XML-RPC этого сервера их не переносит";
    else if (said.find("nests elements deeper") != std::string::npos)
        why = "элементы XML вложены глубже " + std::to_string(INO_XML_DEPTH_LIMIT) + " уровней";
    else if (said.find("too deep") != std::string::npos)
        why = "значения вложены глубже " + std::to_string(xmlrpc_limit_get(XMLRPC_NESTING_LIMIT_ID)) + " уровней";
    else if (env.fault_code == XMLRPC_LIMIT_EXCEEDED_ERROR)
        why = "документ больше " + std::to_string(INO_XML_SIZE_LIMIT >> 20) + " МиБ";
    else if (said.find("unknown encoding") != std::string::npos)
        why = "документ объявляет кодировку, которой сервер не знает";
    else if (said.find("ncoding") != std::string::npos || said.find("not valid") != std::string::npos ||
             env.fault_code == XMLRPC_INVALID_UTF8_ERROR)
        why = "текст не в той кодировке, которую объявляет документ";
    else
        why = "это не документ XML с вызовом XML-RPC";
    return "Запрос не прочитан: " + why + (said.empty() ? "" : " (" + lsv__client_text(said) + ")");
}

// The answer to a call that was not made: a fault with that code and text.
mem_block_ptr fault_answer(int code, const std::string &text)
{
    ino_env env;
    mem_block_ptr out(xmlrpc_mem_block_new(&env.env, 0));
    if (!out)
        return nullptr;
    ino_env f;
    xmlrpc_env_set_fault(&f.env, code, text.c_str());
    xmlrpc_serialize_fault(&env.env, out.get(), &f.env);
    return env.failed() ? nullptr : std::move(out);
}

} // namespace

label_service::label_service(server_store &store, server_users &users, request_limits limits, render_limits render,
                             double call_seconds)
    : store_(store), users_(users), limits_(limits), render_(render), call_seconds_(call_seconds)
{
}

label_service::~label_service() = default;

mem_block_ptr label_service::answer(http_call &call)
{
    c_numeric_scope c_locale;
    cr_protected_scope cr;
    call_context c(call, call_seconds_);
    std::optional<std::string> safe;
    {
        ino_env prep;
        safe = ino__prepare_xml(&prep.env, call.body.data(), call.body.size());
        if (!safe) {
            // A document the parser must not see still gets an XML-RPC fault.
            const std::string why = unreadable_request(prep.env, call.body);
            lsv__log_call(call.peer, "отвергнут запрос: " + why);
            return fault_answer(prep.env.fault_code == XMLRPC_LIMIT_EXCEEDED_ERROR ? XMLRPC_LIMIT_EXCEEDED_ERROR
                                                                                  : XMLRPC_PARSE_ERROR,
                                why);
        }
    }
    call.body.clear();
    call.body.shrink_to_fit();
    request_shape shape;
    std::string why;
    if (!lsv__prescan(safe->data(), safe->size(), limits_, shape, why)) {
        lsv__log_call(call.peer, "отвергнут запрос: " + why);
        return fault_answer(XMLRPC_LIMIT_EXCEEDED_ERROR, "Запрос отвергнут: " + why);
    }
    if (!call.admit(lsv__parse_memory(safe->size(), shape)))
        return nullptr;

    ino_env env;
    const char *method_name = nullptr;
    xmlrpc_value *raw_params = nullptr;
    xmlrpc_parse_call(&env.env, safe->data(), safe->size(), &method_name, &raw_params);
    xmlrpc_value_ptr params(raw_params);
    const std::string method = method_name ? method_name : "";
    std::free(const_cast<char *>(method_name));
    if (env.failed()) {
        const std::string text = unreadable_request(env.env, *safe);
        safe.reset();
        lsv__log_call(call.peer, "отвергнут запрос: " + text);
        return fault_answer(XMLRPC_PARSE_ERROR, text);
    }
    safe.reset();
    // Only the label methods: no introspection, no multicall.
    const method_row *row = nullptr;
    for (const method_row &r : method_rows)
        if (method == r.name)
            row = &r;
    if (!row) {
        lsv__log_call(call.peer, "неизвестный метод «" + lsv__client_text(method) + "»");
        return fault_answer(XMLRPC_NO_SUCH_METHOD_ERROR,
                            "Метод «" + lsv__client_text(method) + "» не определён: сервер отвечает только на методы "
                                                                  "labels.*");
    }
    xmlrpc_value_ptr result(dispatch(*this, *row, c, &env.env, params.get()));
    params.reset();
    ino_env ser;
    mem_block_ptr out(xmlrpc_mem_block_new(&ser.env, 0));
    if (!out)
        return nullptr;
    if (env.failed())
        xmlrpc_serialize_fault(&ser.env, out.get(), &env.env);
    else {
        xmlrpc_serialize_response2(&ser.env, out.get(), result.get(), xmlrpc_dialect_i8);
        if (!ser.failed())
            ino__six_decimal_doubles(&ser.env, out.get()); // as the editor writes them
    }
    if (ser.failed()) {
        // The answer cannot be written (a text the format cannot hold).
        lsv__log_call(call.peer, method + ": ответ не записан: " + lsv__client_text(ser.env.fault_string));
        return fault_answer(XMLRPC_INTERNAL_ERROR,
                            "Внутренняя ошибка сервера: ответ не записан" +
                                (ser.env.fault_string ? " (" + lsv__client_text(ser.env.fault_string) + ")"
                                                      : std::string()));
    }
    return out;
}

std::string lsv__default_store()
{
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/')
        return std::string(xdg) + "/vellumo/labels";
    const char *home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/vellumo/labels";
}

bool lsv__parse_listen(const std::string &text, std::string &host, std::string &port, std::string &error)
{
    std::string h, p;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            error = "адрес вида [IPv6]:ПОРТ";
            return false;
        }
        h = text.substr(1, close - 1);
        p = text.substr(close + 2);
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon) {
            error = "нужен АДРЕС:ПОРТ, например 127.0.0.1:8390";
            return false;
        }
        h = text.substr(0, colon);
        p = text.substr(colon + 1);
    }
    if (h.empty() || p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(p) > 65535) {
        error = "нужен АДРЕС:ПОРТ с портом 0…65535";
        return false;
    }
    host = h;
    port = p;
    return true;
}

namespace {

bool is_loopback(const sockaddr *a)
{
    if (a->sa_family == AF_INET) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(a);
        return (ntohl(in->sin_addr.s_addr) >> 24) == 127;
    }
    if (a->sa_family == AF_INET6) {
        const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(a);
        if (IN6_IS_ADDR_LOOPBACK(&in6->sin6_addr))
            return true;
        if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr))
            return in6->sin6_addr.s6_addr[12] == 127;
    }
    return false;
}

} // namespace

namespace {

// The users file, read: 0, or the exit status after saying why not.  Plain
// passwords in it are accepted with a line in the log.
int read_users(const server_options &options, server_users &users)
{
    if (options.users.empty())
        return 0;
    std::string error;
    if (!users.load(options.users, error)) {
        std::fprintf(stderr, "vellumo-server: %s\n", error.c_str());
        return 2;
    }
    for (int line : users.plain_lines())
        lsv__log("внимание: в файле пользователей, строка " + std::to_string(line) +
                 ", пароль записан открытым текстом; vellumo-server --hash-password ИМЯ даёт строку с хешем");
    return 0;
}

// A socket bound to the --listen address (a loopback one only, without a
// users file), and the address it got; -1 with the exit status in `status`
// after saying why not.
int bind_listener(const server_options &options, const std::string &host, const std::string &port,
                  const server_users &users, sockaddr_storage &bound, int &status)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    if (int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0) {
        std::fprintf(stderr, "vellumo-server: адрес %s: %s\n", host.c_str(), ::gai_strerror(rc));
        status = 2;
        return -1;
    }
    int fd = -1;
    std::string bind_error;
    for (addrinfo *a = found; a && fd < 0; a = a->ai_next) {
        if (users.open() && !is_loopback(a->ai_addr)) {
            bind_error = "без файла пользователей (--users) сервер слушает только адрес петли "
                         "(127.0.0.1 или ::1)";
            continue;
        }
        int s = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (s < 0) {
            bind_error = std::strerror(errno);
            continue;
        }
        int one = 1;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(s, a->ai_addr, a->ai_addrlen) != 0) {
            bind_error = std::strerror(errno);
            ::close(s);
            continue;
        }
        fd = s;
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        std::fprintf(stderr, "vellumo-server: не удалось слушать %s: %s\n", options.listen.c_str(),
                     bind_error.c_str());
        status = 1;
        return -1;
    }
    socklen_t bound_len = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&bound), &bound_len);
    return fd;
}

// The HTTP front for the label methods: requests up to the largest label
// document, the memory a large one may take counted before it is read.
http_handler handler_for(label_service &service, const request_limits &request)
{
    http_handler handler;
    handler.worst_memory = [request](std::size_t bytes) { return lsv__parse_memory_at_most(bytes, request); };
    handler.answer = [&service](http_call &call) { return service.answer(call); };
    return handler;
}

// Serves until SIGINT or SIGTERM: one thread takes them (every other has
// them blocked) and stops the server; renders in progress are stopped with
// it.  Calls that do not end in time are not waited for.
int serve(http_server &server, server_store &store, int fd, const sockaddr_storage &bound)
{
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    std::signal(SIGPIPE, SIG_IGN);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::atomic<bool> stopping{false};
    std::thread stopper([&] {
        int sig = 0;
        sigwait(&stop_signals, &sig);
        if (stopping.exchange(true))
            return;
        lsv__log(sig == SIGINT ? "остановка по SIGINT" : "остановка по SIGTERM");
        // Renders in progress end now: their Ghostscript is killed.
        rdr__eps_stop_all();
        server.stop();
    });

    lsv__log("этикетки хранятся в " + store.where());
    store.start();
    std::printf("listening %s\n", lsv__address_text(bound).c_str());
    std::fflush(stdout);
    const int busy = server.run(2500);
    if (!stopping.exchange(true))
        pthread_kill(stopper.native_handle(), SIGTERM); // the server ended on its own
    stopper.join();
    lsv__log_tick(true);
    if (busy > 0) {
        lsv__log("сервер остановлен, не дождавшись " + std::to_string(busy) + " соединений");
        std::fflush(nullptr);
        ::_exit(0);
    }
    store.stop();
    ::close(fd);
    lsv__log("сервер остановлен");
    return 0;
}

} // namespace

int lsv__run(const server_options &options)
{
    std::string host, port, error;
    if (!lsv__parse_listen(options.listen, host, port, error)) {
        std::fprintf(stderr, "vellumo-server: --listen %s: %s\n", options.listen.c_str(), error.c_str());
        return 2;
    }
    server_users users;
    if (int status = read_users(options, users))
        return status;
    sockaddr_storage bound{};
    int status = 0;
    const int fd = bind_listener(options, host, port, users, bound, status);
    if (fd < 0)
        return status;
    std::unique_ptr<server_store> opened =
        lsv__open_store(options.store.empty() ? lsv__default_store() : options.store, options.cache_bytes, error);
    if (!opened) {
        std::fprintf(stderr, "vellumo-server: %s\n", error.c_str());
        ::close(fd);
        return 1;
    }
    label_service service(*opened, users, options.request, options.render, options.call_seconds);

    // The program checks sizes itself; the library's limit is only a net.
    ino__ensure_limits();
    xmlrpc_limit_set(XMLRPC_XML_SIZE_LIMIT_ID, INO_XML_SIZE_LIMIT);
    http_limits limits = options.http;
    limits.max_body = INO_XML_SIZE_LIMIT;
    http_server server(fd, limits, handler_for(service, options.request));
    return serve(server, *opened, fd, bound);
}
