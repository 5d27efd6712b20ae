// Local label files.
#include <cerrno>
#include <cstring>
#include <vector>

#include "exchange/fault_boxes.h"
#include "exchange/inout.h"
#include "exchange/xml_prepare.h"
#include "exchange/xmlrpc_support.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"

int ino__save_file(const std::u16string &path, const label *lab)
{
    ino__ensure_limits();
    if (auto m = ino__unsavable(lab)) {
        err__warning(u"%s", m->c_str());
        return 0;
    }
    ino_env env;
    c_numeric_scope c_locale;
    xmlrpc_value_ptr value(ino__label_to_value(lab, &env));
    if (!value) {
        ino__fault_box_or(&env.env, msg::label_save_error, false);
        return 0;
    }
    xmlrpc_value_ptr params(xmlrpc_array_new(&env));
    if (!env.failed())
        xmlrpc_array_append_item(&env, params.get(), value.get());
    mem_block_ptr out;
    if (!env.failed())
        out.reset(xmlrpc_mem_block_new(&env, 0));
    if (!env.failed())
        xmlrpc_serialize_call(&env, out.get(), INO_LOCAL_METHOD, params.get());
    if (env.failed()) {
        ino__fault_box(&env.env);
        return 0;
    }
    const void *bytes = xmlrpc_mem_block_contents(out.get());
    std::size_t len = xmlrpc_mem_block_size(out.get());
    if (!msc__replace_file(path, bytes, len)) {
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
    // A file above the document limit is not even read.
    if (!msc__read_blob(path, bytes, INO_XML_SIZE_LIMIT)) {
        if (errno == EFBIG) {
            ino__xml_size_ok(&env, INO_XML_SIZE_LIMIT + 1);
            ino__fault_box(&env.env);
        } else {
            err__warning(msg::label_io_error);
        }
        return nullptr;
    }
    return ino__load_memory(reinterpret_cast<const char *>(bytes.data()), bytes.size(),
                            [&bytes] { std::vector<unsigned char>().swap(bytes); });
}

label_ptr ino__load_memory(const char *xml, std::size_t len, const std::function<void()> &release_input)
{
    ino__ensure_limits();
    ino_env env;
    c_numeric_scope c_locale;
    const char *method = nullptr;
    xmlrpc_value *params_raw = nullptr;
    if (std::optional<std::string> safe = ino__prepare_xml(&env, xml, len)) {
        if (release_input)
            release_input(); // the file buffer goes right away
        xmlrpc_parse_call(&env, safe->c_str(), safe->size(), &method, &params_raw);
    }
    xmlrpc_value_ptr params(params_raw);
    if (env.failed()) {
        if (method)
            std::free(const_cast<char *>(method));
        ino__fault_box(&env.env);
        return nullptr;
    }
    bool right_method = method && std::strcmp(method, INO_LOCAL_METHOD) == 0;
    std::free(const_cast<char *>(method));
    if (!right_method) {
        err__warning(msg::label_io_error);
        return nullptr;
    }
    cr_protected_scope cr;
    label_ptr lab = ino__value_to_label(&env, params.get(), true);
    if (!lab) {
        ino__fault_box_or(&env.env, msg::label_load_error, false);
        return nullptr;
    }
    return lab;
}
