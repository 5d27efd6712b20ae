// Small helpers around xmlrpc-c: an owning fault state, value ownership, the
// document limits and a guard that keeps number formatting locale-free.
#pragma once

#include <locale.h>
#include <memory>
#include <string>
#include <string_view>

#include <xmlrpc-c/base.h>

// Largest XML document (file or server answer) the program reads: room for
// about 90 MiB of pictures.  Not more: past 128 MiB the library's parser
// loses memory whenever a document turns out to be broken.  The program
// checks this size itself before parsing; the library's own limit is set
// higher, as a safety net, because the library loses memory when it is the
// one refusing.
inline constexpr std::size_t INO_XML_SIZE_LIMIT = 128u << 20;

// Sets the library's limits once per process.
void ino__ensure_limits();

// Sets a limit fault and returns false for a document above the limit.
bool ino__xml_size_ok(xmlrpc_env *env, std::size_t len);

struct ino_env {
    xmlrpc_env env;
    ino_env() { xmlrpc_env_init(&env); }
    ~ino_env() { xmlrpc_env_clean(&env); }
    ino_env(const ino_env &) = delete;
    ino_env &operator=(const ino_env &) = delete;
    xmlrpc_env *operator&() { return &env; }
    bool failed() const { return env.fault_occurred != 0; }
};

struct xmlrpc_value_deleter {
    void operator()(xmlrpc_value *v) const
    {
        if (v)
            xmlrpc_DECREF(v);
    }
};
using xmlrpc_value_ptr = std::unique_ptr<xmlrpc_value, xmlrpc_value_deleter>;

struct xmlrpc_mem_block_deleter {
    void operator()(xmlrpc_mem_block *b) const
    {
        if (b)
            xmlrpc_mem_block_free(b);
    }
};
using mem_block_ptr = std::unique_ptr<xmlrpc_mem_block, xmlrpc_mem_block_deleter>;

// Runs the enclosed library calls in the "C" locale, so that doubles are
// written and read with a decimal point whatever the user's locale.
class c_numeric_scope {
public:
    c_numeric_scope();
    ~c_numeric_scope();
    c_numeric_scope(const c_numeric_scope &) = delete;
    c_numeric_scope &operator=(const c_numeric_scope &) = delete;

private:
    locale_t old_;
};

// Doubles are written with six decimals, in files and on the wire
// ("9.527500", "300.000000"); the library writes as many digits as the value
// needs.  Rewrites every <double> of a document the library serialised (its
// strings cannot hold a "<", so every one is a value); a value that does not
// read as a finite number is left as it is.  Reading takes any number of
// digits.
std::string ino__six_decimal_doubles(std::string_view xml);
// The same over a serialised document in a memory block.
void ino__six_decimal_doubles(xmlrpc_env *env, xmlrpc_mem_block *block);

// The library's parser turns every carriage return of a string into a line
// feed, even one written as a character reference.  Before parsing, each CR
// reference becomes the private pair U+E001 U+E000 (and a literal U+E001 is
// doubled); strings read while a cr_protected_scope is active turn the pairs
// back.  Nothing changes inside CDATA sections but the doubling.
std::string ino__protect_cr(const char *xml, std::size_t len);
std::u16string ino__restore_cr(std::u16string s);
class cr_protected_scope {
public:
    cr_protected_scope();
    ~cr_protected_scope();
    cr_protected_scope(const cr_protected_scope &) = delete;
    cr_protected_scope &operator=(const cr_protected_scope &) = delete;

private:
    bool old_;
};
bool ino__cr_protected();

// Refuses XML that declares a document type (and so entities); XML-RPC never
// needs one.  Sets a parse fault and returns false.
bool ino__xml_acceptable(xmlrpc_env *env, const char *xml, std::size_t len);
