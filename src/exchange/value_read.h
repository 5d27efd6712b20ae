// Reading members of XML-RPC structs; each leaves the library's fault
// pending on a missing member or one of another type.  Strings come back
// with their carriage returns restored where the document was protected.
#pragma once

#include <string>

#include <xmlrpc-c/base.h>

#include "exchange/xmlrpc_support.h"

namespace ino_read {
bool member(xmlrpc_env *env, xmlrpc_value *st, const char *key, xmlrpc_value_ptr &out);
bool read_double(xmlrpc_env *env, xmlrpc_value *st, const char *key, double &out);
bool read_int(xmlrpc_env *env, xmlrpc_value *st, const char *key, int &out);
bool read_bool(xmlrpc_env *env, xmlrpc_value *st, const char *key, bool &out);
bool read_utf8(xmlrpc_env *env, xmlrpc_value *st, const char *key, std::string &out);
bool read_string(xmlrpc_env *env, xmlrpc_value *st, const char *key, std::u16string &out);
std::u16string stored_name(const std::string &utf8);
bool has(xmlrpc_env *env, xmlrpc_value *st, const char *key);
// A string value itself.
bool string_value(xmlrpc_env *env, xmlrpc_value *v, std::u16string &out);
} // namespace ino_read
