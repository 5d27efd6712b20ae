#include "fuzz_entries.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/csv_table.h"
#include "exchange/inout.h"
#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "exchange/xmlrpc_support.h"
#include "model/lg_epsi.h"
#include "model/picture_file.h"
#include "model/reg.h"
#include "platform/message_boxes.h"
#include "platform/settings_backend.h"
#include "output/pdf_form.h"

namespace {

class silent_boxes final : public message_box_service {
public:
    mb_answer show(const message_box_request &) override { return mb_answer::cancel; }
};

} // namespace

void fuzz_quiet()
{
    static silent_boxes boxes;
    seam<message_box_service>::set(&boxes);
}

int fuzz_lbl(const std::uint8_t *data, std::size_t size)
{
    label_ptr lab = ino__load_memory(reinterpret_cast<const char *>(data), size);
    if (lab) {
        // What was read can be written again.
        xmlrpc_env env;
        xmlrpc_env_init(&env);
        xmlrpc_value *v = ino__label_to_value(lab.get(), &env);
        if (v)
            xmlrpc_DECREF(v);
        xmlrpc_env_clean(&env);
    }
    return 0;
}

int fuzz_answer(const std::uint8_t *data, std::size_t size)
{
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    xmlrpc_value_ptr answer(rpd__parse_answer(&env, reinterpret_cast<const char *>(data), size));
    xmlrpc_env_clean(&env);
    if (!answer)
        return 0;
    // The same answer through every reader of the client.
    (void)ino__read_label_list(answer.get());
    (void)ino__read_loaded_label(answer.get());
    (void)ino__read_server_info(answer.get());
    (void)ino__read_font_list(answer.get());
    std::vector<unsigned char> image;
    std::u16string log;
    (void)ino__read_render(answer.get(), image, log);
    return 0;
}

int fuzz_picture(const std::uint8_t *data, std::size_t size)
{
    // The same bytes as every format the headers are read for.
    for (picture_format f : {picture_format::png, picture_format::jpeg, picture_format::svg}) {
        std::u16string why;
        (void)pic__load_buffer(std::vector<unsigned char>(data, data + size), f, why);
    }
    (void)pic__sniff(data, size);
    return 0;
}

int fuzz_bbox(const std::uint8_t *data, std::size_t size)
{
    float box[4];
    (void)eps__find_bbox(data, size, box);
    (void)eps__load_mem(data, size);
    return 0;
}

int fuzz_settings(const std::uint8_t *data, std::size_t size)
{
    std::vector<unsigned char> bytes(data, data + size);
    std::u16string doc = reg_text::decode(bytes);
    const std::u16string section = reg_text::section_name(reg_root::current_user, REG_PATH);
    for (const char16_t *name : {u"frame-width", u"server-list", u"label-width", u"manual-url"}) {
        std::optional<reg_value> v = reg_text::find(doc, section, name);
        if (v && v->type == REG_MULTI_SZ) {
            std::u16string chars;
            for (std::size_t i = 0; i + 1 < v->bytes.size(); i += 2)
                chars += static_cast<char16_t>(v->bytes[i] | (v->bytes[i + 1] << 8));
            (void)reg__list_split(chars.data(), chars.size());
        }
    }
    reg_value v;
    v.type = REG_DWORD;
    v.bytes = {1, 0, 0, 0};
    std::u16string rewritten = reg_text::set(doc, section, u"grid-20", v);
    // Setting a value keeps it readable.
    std::optional<reg_value> back = reg_text::find(rewritten, section, u"grid-20");
    if (!back || !(*back == v))
        __builtin_trap();
    return 0;
}

int fuzz_csv(const std::uint8_t *data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    // The first byte picks the options, as a person overriding them would.
    csv_options options;
    if (size > 0) {
        const char seps[4] = {0, ';', ',', '\t'};
        options.separator = seps[data[0] & 3];
        options.encoding = static_cast<csv_encoding>((data[0] >> 2) % 3);
    }
    std::istringstream scan(bytes);
    csv_summary summary;
    csv_problem problem;
    if (!csv__scan(scan, options, summary, problem)) {
        if (problem.message.empty())
            std::abort(); // a refusal always says why
        return 0;
    }
    // An accepted table reads back row for row, each as wide as the header.
    std::istringstream again(bytes);
    csv_rows rows(again, summary);
    std::vector<std::u16string> cells;
    long line = 0, count = 0, last_line = 0;
    while (rows.next(cells, line, problem)) {
        if (cells.size() != summary.columns.size() || line <= last_line)
            std::abort();
        last_line = line;
        ++count;
    }
    if (!problem.message.empty() || count != summary.rows)
        std::abort();
    return 0;
}

int fuzz_pdf(const std::uint8_t *data, std::size_t size)
{
    // Ghostscript's PDF of a picture, read as a form and placed.
    std::string error;
    const auto form = out__pdf_form(std::string_view(reinterpret_cast<const char *>(data), size), error);
    if (!form)
        return 0;
    // Written out as a form and its objects, as a document would take them.
    std::size_t bytes = out__pdf_form_body(*form, 100).size();
    for (std::size_t i = 0; i < out__pdf_form_objects(*form); ++i)
        bytes += out__pdf_form_object_body(*form, i, 100).size();
    return bytes > 0 ? 0 : 0;
}
