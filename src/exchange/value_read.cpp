#include "exchange/value_read.h"

#include <cstdlib>

#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"

namespace ino_read {


bool member(xmlrpc_env *env, xmlrpc_value *st, const char *key, xmlrpc_value_ptr &out)
{
    xmlrpc_value *v = nullptr;
    xmlrpc_struct_read_value(env, st, key, &v);
    out.reset(v);
    return !env->fault_occurred;
}

bool read_double(xmlrpc_env *env, xmlrpc_value *st, const char *key, double &out)
{
    xmlrpc_value_ptr v;
    if (!member(env, st, key, v))
        return false;
    xmlrpc_read_double(env, v.get(), &out);
    return !env->fault_occurred;
}

bool read_int(xmlrpc_env *env, xmlrpc_value *st, const char *key, int &out)
{
    xmlrpc_value_ptr v;
    if (!member(env, st, key, v))
        return false;
    xmlrpc_read_int(env, v.get(), &out);
    return !env->fault_occurred;
}

bool read_bool(xmlrpc_env *env, xmlrpc_value *st, const char *key, bool &out)
{
    xmlrpc_value_ptr v;
    if (!member(env, st, key, v))
        return false;
    xmlrpc_bool b = 0;
    xmlrpc_read_bool(env, v.get(), &b);
    out = b != 0;
    return !env->fault_occurred;
}

bool read_utf8(xmlrpc_env *env, xmlrpc_value *st, const char *key, std::string &out)
{
    xmlrpc_value_ptr v;
    if (!member(env, st, key, v))
        return false;
    size_t len = 0;
    const char *s = nullptr;
    xmlrpc_read_string_lp(env, v.get(), &len, &s);
    if (env->fault_occurred)
        return false;
    out.assign(s, len);
    std::free(const_cast<char *>(s));
    return true;
}

bool read_string(xmlrpc_env *env, xmlrpc_value *st, const char *key, std::u16string &out)
{
    std::string u;
    if (!read_utf8(env, st, key, u))
        return false;
    out = plt__from_utf8(u);
    if (ino__cr_protected())
        out = ino__restore_cr(std::move(out));
    return true;
}

std::u16string stored_name(const std::string &utf8)
{
    std::u16string s = plt__from_utf8(utf8);
    return ino__cr_protected() ? ino__restore_cr(std::move(s)) : s;
}

bool has(xmlrpc_env *env, xmlrpc_value *st, const char *key)
{
    return xmlrpc_struct_has_key(env, st, key) != 0;
}

} // namespace ino_read

namespace ino_read {
bool string_value(xmlrpc_env *env, xmlrpc_value *v, std::u16string &out)
{
    size_t len = 0;
    const char *s = nullptr;
    xmlrpc_read_string_lp(env, v, &len, &s);
    if (env->fault_occurred)
        return false;
    out = plt__from_utf8(std::string_view(s, len));
    std::free(const_cast<char *>(s));
    if (ino__cr_protected())
        out = ino__restore_cr(std::move(out));
    return true;
}
} // namespace ino_read
