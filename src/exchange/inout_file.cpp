// Local label files.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "exchange/fault_boxes.h"
#include "exchange/inout.h"
#include "exchange/xml_prepare.h"
#include "exchange/xmlrpc_support.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"
#include "platform/file_io.h"

bool ino__file_bytes(const label *lab, std::string &out, xmlrpc_env *env)
{
    ino__ensure_limits();
    c_numeric_scope c_locale;
    xmlrpc_value_ptr value(ino__label_to_value(lab, env));
    if (!value)
        return false;
    xmlrpc_value_ptr params(xmlrpc_array_new(env));
    if (!env->fault_occurred)
        xmlrpc_array_append_item(env, params.get(), value.get());
    mem_block_ptr block;
    if (!env->fault_occurred)
        block.reset(xmlrpc_mem_block_new(env, 0));
    if (!env->fault_occurred)
        xmlrpc_serialize_call(env, block.get(), INO_LOCAL_METHOD, params.get());
    if (env->fault_occurred)
        return false;
    out = ino__six_decimal_doubles(std::string_view(static_cast<const char *>(xmlrpc_mem_block_contents(block.get())),
                                                    xmlrpc_mem_block_size(block.get())));
    // A file no reader of ours would take back is not written at all.
    return ino__document_size_ok(env, lab, out.size());
}

xmlrpc_value *ino__file_value(const char *xml, std::size_t len, xmlrpc_env *env, bool &wrong_method,
                              const std::function<void()> &release_input)
{
    ino__ensure_limits();
    wrong_method = false;
    c_numeric_scope c_locale;
    const char *method = nullptr;
    xmlrpc_value *params = nullptr;
    if (std::optional<std::string> safe = ino__prepare_xml(env, xml, len)) {
        if (release_input)
            release_input();
        xmlrpc_parse_call(env, safe->c_str(), safe->size(), &method, &params);
    }
    if (env->fault_occurred) {
        if (method)
            std::free(const_cast<char *>(method));
        if (params)
            xmlrpc_DECREF(params);
        return nullptr;
    }
    const bool right = method && std::strcmp(method, INO_LOCAL_METHOD) == 0;
    std::free(const_cast<char *>(method));
    if (!right) {
        wrong_method = true;
        if (params)
            xmlrpc_DECREF(params);
        return nullptr;
    }
    return params;
}

int ino__save_file(const std::u16string &path, const label *lab)
{
    if (auto m = ino__unsavable(lab)) {
        err__warning(u"%1", m->c_str());
        return 0;
    }
    ino_env env;
    std::string bytes;
    if (!ino__file_bytes(lab, bytes, &env.env)) {
        if (env.env.fault_code == 0)
            err__warning(msg::label_save_error);
        else
            ino__fault_box(&env.env, msc__format(msg::label_not_saved, lab->name.c_str()));
        return 0;
    }
    if (!plt__replace_file(path, bytes.data(), bytes.size())) {
        err__warning(msg::label_save_error);
        return 0;
    }
    return 1;
}

label_ptr ino__load_file(const std::u16string &path)
{
    ino__ensure_limits();
    std::vector<unsigned char> bytes;
    ino_env env;
    // A file above the document limit is not even read.  Every refusal
    // names the file: several may be opened at once.
    if (!plt__read_blob(path, bytes, INO_XML_SIZE_LIMIT)) {
        const int error = errno;
        if (error == EFBIG) {
            ino__xml_size_ok(&env, INO_XML_SIZE_LIMIT + 1);
            ino__fault_box(&env.env, msc__format(msg::label_file_not_read, path.c_str()));
        } else {
            err__warning(msg::label_file_unreadable, path.c_str(), plt__read_error_text(error).c_str());
        }
        return nullptr;
    }
    if (!ino__looks_like_label_file(reinterpret_cast<const char *>(bytes.data()), bytes.size())) {
        err__warning(msg::not_label_file, path.c_str());
        return nullptr;
    }
    return ino__load_memory(reinterpret_cast<const char *>(bytes.data()), bytes.size(),
                            [&bytes] { std::vector<unsigned char>().swap(bytes); }, path);
}

label_ptr ino__load_memory(const char *xml, std::size_t len, const std::function<void()> &release_input,
                           const std::u16string &path)
{
    ino_env env;
    bool wrong_method = false;
    xmlrpc_value_ptr params(ino__file_value(xml, len, &env.env, wrong_method, release_input));
    const std::u16string about = path.empty() ? std::u16string() : msc__format(msg::label_file_not_read, path.c_str());
    if (wrong_method) {
        if (path.empty())
            err__warning(msg::label_io_error);
        else
            err__warning(msg::not_label_file, path.c_str());
        return nullptr;
    }
    if (env.failed()) {
        ino__fault_box(&env.env, about);
        return nullptr;
    }
    cr_protected_scope cr;
    std::u16string sheet_dropped;
    label_ptr lab = ino__value_to_label(&env, params.get(), true, &sheet_dropped);
    if (!lab) {
        if (env.env.fault_code != 0)
            ino__fault_box(&env.env, about);
        else if (path.empty())
            err__warning(msg::label_load_error);
        else
            err__warning(msg::label_file_refused, path.c_str());
        return nullptr;
    }
    if (!sheet_dropped.empty()) {
        if (path.empty())
            err__warning(msg::sheet_dropped, sheet_dropped.c_str());
        else
            err__warning(msg::label_sheet_dropped, path.c_str(), sheet_dropped.c_str());
    }
    return lab;
}
