#include "exchange/server_ops.h"

#include <cstdlib>

#include "exchange/fault_boxes.h"
#include "exchange/inout.h"
#include "exchange/rpc_client.h"
#include "exchange/value_read.h"
#include "exchange/xmlrpc_support.h"
#include "model/errors.h"
#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

using namespace ino_read;

namespace {

// Tells the user and returns false when `s` cannot be sent.
bool sendable(const std::u16string &where, std::u16string_view s)
{
    if (char32_t c = ino__unsendable_char(s)) {
        err__warning(msg::unsendable_text, pl__tr(where.c_str()), static_cast<unsigned>(c));
        return false;
    }
    return true;
}

bool credentials_sendable(const std::u16string &user, const std::u16string &password)
{
    return sendable(msg::where_user, user) && sendable(msg::where_password, password);
}

// Parameter building must not fail: the texts were checked beforehand.
struct params_builder {
    xmlrpc_env env;
    params_builder() { xmlrpc_env_init(&env); }
    ~params_builder() { xmlrpc_env_clean(&env); }
    void check()
    {
        if (env.fault_occurred)
            XFAIL("!env.fault_occurred");
    }
    xmlrpc_value *str(std::u16string_view s)
    {
        std::string u = plt__to_utf8(s);
        xmlrpc_value *v = xmlrpc_string_new_lp_cr(&env, u.size(), u.data());
        check();
        return v;
    }
    xmlrpc_value_ptr array_with_credentials(const std::u16string &user, const std::u16string &password)
    {
        xmlrpc_value_ptr arr(xmlrpc_array_new(&env));
        check();
        xmlrpc_value_ptr u(str(user)), p(str(password));
        xmlrpc_value_ptr cred(xmlrpc_build_value(&env, "{s:V,s:V}", "user", u.get(), "passwd", p.get()));
        check();
        append(arr.get(), cred.get());
        return arr;
    }
    void append(xmlrpc_value *arr, xmlrpc_value *v)
    {
        xmlrpc_array_append_item(&env, arr, v);
        check();
    }
};

xmlrpc_value_ptr call(platform_window parent, ino_env &env, const std::u16string &server,
                      const char *method, xmlrpc_value *params)
{
    return xmlrpc_value_ptr(rpd__call(parent, &env.env, server, method, params));
}

// The call's result, or null after the call fault box.
xmlrpc_value_ptr call_or_box(platform_window parent, const std::u16string &server, const char *method,
                             xmlrpc_value *params)
{
    ino_env env;
    xmlrpc_value_ptr result = call(parent, env, server, method, params);
    if (!result)
        ino__call_fault_box(&env.env);
    return result;
}

// A call whose only parameter is the credentials, its answer read by `read`
// (which shows its own boxes); nothing after the call fault box or the
// message about text that cannot be sent.
template <typename Read>
auto query(platform_window parent, const std::u16string &server, const char *method,
           const std::u16string &user, const std::u16string &password, Read read)
    -> decltype(read(nullptr))
{
    if (!credentials_sendable(user, password))
        return {};
    params_builder b;
    xmlrpc_value_ptr params = b.array_with_credentials(user, password);
    xmlrpc_value_ptr result = call_or_box(parent, server, method, params.get());
    if (!result)
        return {};
    return read(result.get());
}

// Reads every item of an array answer with `item_fn` (false on a fault).
// Shows the fault box and gives false when the answer or an item is wrong.
template <typename F>
bool each_item(ino_env &env, xmlrpc_value *array, F item_fn)
{
    int n = xmlrpc_array_size(&env.env, array);
    for (int i = 0; !env.failed() && i < n; ++i) {
        xmlrpc_value *item = nullptr;
        xmlrpc_array_read_item(&env.env, array, i, &item);
        xmlrpc_value_ptr hold(item);
        if (env.failed() || !item_fn(item))
            break;
    }
    if (env.failed()) {
        ino__fault_box(&env.env);
        return false;
    }
    return true;
}

// A name struct {"name": ...}.
xmlrpc_value_ptr name_struct(params_builder &b, const std::u16string &name)
{
    xmlrpc_value_ptr n(b.str(name));
    xmlrpc_value_ptr st(xmlrpc_build_value(&b.env, "{s:V}", "name", n.get()));
    b.check();
    return st;
}

} // namespace

std::optional<std::vector<label_list>> ino__list_labels(platform_window parent,
                                                        const std::u16string &server,
                                                        const std::u16string &user,
                                                        const std::u16string &password)
{
    return query(parent, server, "labels.list_labels", user, password, ino__read_label_list);
}

std::optional<std::vector<label_list>> ino__read_label_list(xmlrpc_value *answer)
{
    ino_env env;
    cr_protected_scope cr;
    std::vector<label_list> out;
    bool ok = each_item(env, answer, [&](xmlrpc_value *item) {
        label_list l;
        if (!read_string(&env.env, item, "name", l.name) || !read_string(&env.env, item, "desc", l.desc))
            return false;
        out.insert(out.begin(), std::move(l)); // the server's order reversed
        return true;
    });
    if (!ok)
        return std::nullopt;
    return out;
}

label_ptr ino__load_label(const std::u16string &server, const std::u16string &name,
                          const std::u16string &user, const std::u16string &password, bool *not_found)
{
    if (not_found)
        *not_found = false;
    if (!credentials_sendable(user, password) || !sendable(msg::where_label_name_param, name))
        return nullptr;
    params_builder b;
    xmlrpc_value_ptr params = b.array_with_credentials(user, password);
    b.append(params.get(), name_struct(b, name).get());
    ino_env env;
    xmlrpc_value_ptr result = call(nullptr, env, server, "labels.load_label", params.get());
    if (!result) {
        if (not_found && env.env.fault_code == INO_FAULT_NOT_FOUND) {
            *not_found = true;
            return nullptr;
        }
        ino__fault_box_or(&env.env, msg::label_io_error, true);
        return nullptr;
    }
    return ino__read_loaded_label(result.get());
}

label_ptr ino__read_loaded_label(xmlrpc_value *answer)
{
    ino_env env;
    cr_protected_scope cr;
    label_ptr lab = ino__value_to_label(&env.env, answer, false);
    if (!lab)
        ino__fault_box_or(&env.env, msg::label_load_error, false);
    return lab;
}

int ino__save_label(const std::u16string &server, const label *lab, const std::u16string &user,
                    const std::u16string &password)
{
    if (!credentials_sendable(user, password))
        return 0;
    if (auto m = ino__unsavable(lab)) {
        err__warning(u"%1", m->c_str());
        return 0;
    }
    if (auto m = ino__too_large_to_send(lab)) {
        err__warning(u"%1", m->c_str());
        return 0;
    }
    ino_env env;
    xmlrpc_value_ptr value(ino__label_to_value(lab, &env.env));
    if (!value) {
        if (env.env.fault_code == 0)
            err__warning(msg::label_save_error);
        else
            ino__fault_box(&env.env, msc__format(msg::label_not_saved, lab->name.c_str()));
        return 0;
    }
    params_builder b;
    xmlrpc_value_ptr params = b.array_with_credentials(user, password);
    b.append(params.get(), value.get());
    xmlrpc_value_ptr result = call(nullptr, env, server, "labels.save_label", params.get());
    if (!result) {
        ino__fault_box_or(&env.env, msg::label_save_error, true);
        return 0;
    }
    return 1;
}

int ino__drop_label(platform_window parent, const std::u16string &server,
                    const std::u16string &name, const std::u16string &user,
                    const std::u16string &password)
{
    if (!credentials_sendable(user, password) || !sendable(msg::where_label_name_param, name))
        return 0;
    params_builder b;
    xmlrpc_value_ptr params = b.array_with_credentials(user, password);
    b.append(params.get(), name_struct(b, name).get());
    return call_or_box(parent, server, "labels.drop_label", params.get()) ? 1 : 0;
}

int ino__rename_label(platform_window parent, const std::u16string &server,
                      const std::u16string &old_name, const std::u16string &new_name,
                      const std::u16string &user, const std::u16string &password)
{
    if (!credentials_sendable(user, password) ||
        !sendable(msg::where_label_name_param, old_name) ||
        !sendable(msg::where_new_name_param, new_name))
        return 0;
    params_builder b;
    xmlrpc_value_ptr params = b.array_with_credentials(user, password);
    xmlrpc_value_ptr o(b.str(old_name)), n(b.str(new_name));
    xmlrpc_value_ptr st(xmlrpc_build_value(&b.env, "{s:V,s:V}", "oldname", o.get(), "newname", n.get()));
    b.check();
    b.append(params.get(), st.get());
    return call_or_box(parent, server, "labels.rename_label", params.get()) ? 1 : 0;
}

int ino__server_info(const std::u16string &server, const std::u16string &user,
                     const std::u16string &password, server_information &out)
{
    std::optional<server_information> info =
        query(nullptr, server, "labels.server_info", user, password, ino__read_server_info);
    if (!info)
        return 0;
    out = std::move(*info);
    return 1;
}

std::optional<server_information> ino__read_server_info(xmlrpc_value *answer)
{
    ino_env env;
    cr_protected_scope cr;
    server_information info;
    // A string member given as nil stands for a value the server does not
    // state.
    auto text = [&](const char *key, std::u16string &dst) {
        xmlrpc_value_ptr v;
        if (!member(&env.env, answer, key, v))
            return false;
        if (xmlrpc_value_type(v.get()) == XMLRPC_TYPE_NIL) {
            dst = pl__tr(INO_NOT_SPEC);
            return true;
        }
        return string_value(&env.env, v.get(), dst);
    };
    int api = 0;
    xmlrpc_value_ptr features;
    bool ok = text("name", info.name) && text("version", info.version) &&
              read_int(&env.env, answer, "api", api) &&
              member(&env.env, answer, "features", features);
    int n = ok ? xmlrpc_array_size(&env.env, features.get()) : 0;
    ok = ok && !env.failed();
    for (int i = 0; ok && i < n; ++i) {
        xmlrpc_value *item = nullptr;
        xmlrpc_array_read_item(&env.env, features.get(), i, &item);
        xmlrpc_value_ptr hold(item);
        std::u16string f;
        ok = !env.failed() && string_value(&env.env, item, f);
        if (ok)
            info.features.push_back(std::move(f));
    }
    if (!ok) {
        ino__fault_box(&env.env);
        return std::nullopt;
    }
    info.api = msc__int_to_string(api);
    return info;
}

std::optional<std::vector<std::u16string>> ino__list_fonts(const std::u16string &server,
                                                           const std::u16string &user,
                                                           const std::u16string &password)
{
    return query(nullptr, server, "labels.list_fonts", user, password, ino__read_font_list);
}

std::optional<std::vector<std::u16string>> ino__read_font_list(xmlrpc_value *answer)
{
    ino_env env;
    cr_protected_scope cr;
    std::vector<std::u16string> out;
    bool ok = each_item(env, answer, [&](xmlrpc_value *item) {
        std::u16string name;
        if (!read_string(&env.env, item, "name", name))
            return false;
        out.push_back(std::move(name));
        return true;
    });
    if (!ok)
        return std::nullopt;
    return out;
}

int ino__render_label(const std::u16string &server, const std::u16string &name,
                      const std::vector<preview_var> &variables, int xresolution, int yresolution,
                      bool markup, const std::u16string &user, const std::u16string &password,
                      std::vector<unsigned char> &image, std::u16string &log)
{
    if (!credentials_sendable(user, password) || !sendable(msg::where_label_name_param, name))
        return 0;
    for (const preview_var &v : variables)
        if (!sendable(msc__format(msg::where_variable_name, v.name.c_str()), v.name) ||
            !sendable(msc__format(msg::where_variable_value, v.name.c_str()), v.value))
            return 0;
    params_builder b;
    xmlrpc_value_ptr params = b.array_with_credentials(user, password);
    xmlrpc_value_ptr vars(xmlrpc_array_new(&b.env));
    if (b.env.fault_occurred)
        XFAIL("!env->fault_occurred");
    for (const preview_var &v : variables) {
        xmlrpc_value_ptr n(b.str(v.name)), val(b.str(v.value));
        xmlrpc_value_ptr st(xmlrpc_build_value(&b.env, "{s:V,s:V}", "name", n.get(), "value", val.get()));
        if (b.env.fault_occurred)
            XFAIL("!env->fault_occurred");
        xmlrpc_array_append_item(&b.env, vars.get(), st.get());
        if (b.env.fault_occurred)
            XFAIL("!env->fault_occurred");
    }
    xmlrpc_value_ptr n(b.str(name));
    xmlrpc_value_ptr st(xmlrpc_build_value(&b.env, "{s:V,s:V,s:i,s:i,s:b}", "name", n.get(),
                                           "variables", vars.get(), "xresolution", xresolution,
                                           "yresolution", yresolution, "markup",
                                           static_cast<xmlrpc_bool>(markup)));
    b.check();
    b.append(params.get(), st.get());
    xmlrpc_value_ptr result = call_or_box(nullptr, server, "labels.render_label", params.get());
    return result ? ino__read_render(result.get(), image, log) : 0;
}

int ino__read_render(xmlrpc_value *answer, std::vector<unsigned char> &image, std::u16string &log)
{
    ino_env env;
    cr_protected_scope cr;
    xmlrpc_value_ptr img;
    std::u16string text;
    if (!member(&env.env, answer, "image", img)) {
        ino__fault_box(&env.env);
        return 0;
    }
    size_t len = 0;
    const unsigned char *bytes = nullptr;
    xmlrpc_read_base64(&env.env, img.get(), &len, &bytes);
    if (env.failed() || !read_string(&env.env, answer, "log", text)) {
        if (bytes)
            std::free(const_cast<unsigned char *>(bytes));
        ino__fault_box(&env.env);
        return 0;
    }
    image.assign(bytes, bytes + len);
    std::free(const_cast<unsigned char *>(bytes));
    log = std::move(text);
    return 1;
}
