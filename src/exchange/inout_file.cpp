// Local label files.
#include <cstring>
#include <vector>

#include "exchange/fault_boxes.h"
#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"

int ino__save_file(const std::u16string &path, const label *lab)
{
    ino__ensure_limits();
    if (auto m = ino__unsavable_text(lab)) {
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
    if (!msc__read_blob(path, bytes)) {
        err__warning(msg::label_io_error);
        return nullptr;
    }
    ino_env env;
    c_numeric_scope c_locale;
    const char *method = nullptr;
    xmlrpc_value *params_raw = nullptr;
    const char *xml = reinterpret_cast<const char *>(bytes.data());
    if (ino__xml_size_ok(&env, bytes.size()) && ino__xml_acceptable(&env, xml, bytes.size())) {
        std::string protected_xml = ino__protect_cr(xml, bytes.size());
        std::vector<unsigned char>().swap(bytes); // the file buffer goes right away
        xmlrpc_parse_call(&env, protected_xml.c_str(), protected_xml.size(), &method, &params_raw);
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
