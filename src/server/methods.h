// What the label methods share (methods.cpp, render_methods.cpp): their
// faults, their parameters, stored labels, and the call each runs in.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <xmlrpc-c/base.h>

#include "exchange/xmlrpc_support.h"
#include "render/render.h"
#include "server/http.h"
#include "server/store.h"

class label_service;
class page_sink;
struct label;
struct thermal_options;

namespace lsv_methods {

// Sets the fault (replacing one already set).
void fault(xmlrpc_env *env, int code, const std::u16string &message);
std::u16string quoted(const std::u16string &name);
// A malformed call: fault 5 saying `what`, the library's fault in brackets.
void params_fault(xmlrpc_env *env, const char *what);
// Item `index` of the parameter array, which must be a struct.
xmlrpc_value_ptr struct_param(xmlrpc_env *env, xmlrpc_value *params, int index, const char *what);
// The non-empty string `key` of the second parameter.
bool name_param(xmlrpc_env *env, xmlrpc_value *params, const char *key, std::u16string &name);
// The fault of a store's result.
void store_fault(xmlrpc_env *env, server_store::result r, const std::u16string &name, const std::string &error);
// The stored label struct of that name (a new reference), or null with the
// fault set; a file that no longer reads is the store's fault, not the
// caller's.
xmlrpc_value *stored_value(xmlrpc_env *env, server_store &store, const std::u16string &name);

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
    bool hold(xmlrpc_env *env, std::size_t bytes, const char16_t *what);

    // The fault of a render that stopped before its end: the server is
    // stopping, the call's time is over, or its client has gone.
    void stopped_fault(xmlrpc_env *env, const char16_t *what);

    // The call comes from a signed-in web page's session of `user`: its
    // credentials name that user and carry no password to check.
    void signed_in_as(std::string user) { signed_in_ = std::move(user), has_signed_in_ = true; }
    bool signed_in(const std::string &user) const { return has_signed_in_ && user == signed_in_; }

private:
    std::string signed_in_;
    bool has_signed_in_ = false;
    http_call &call_;
    double seconds_;
    std::chrono::steady_clock::time_point deadline_;
    bool left_ = false;
    std::size_t held_ = 0;
};

// Where a document goes instead of the answer: a thermal printer, with its
// options, through the sink `sink` makes for the label.
struct document_target {
    const thermal_options *thermal = nullptr;
    std::function<std::unique_ptr<page_sink>(const label *, const thermal_options &, std::u16string &error)> sink;
};

// "variables" of a struct: an array of {name, value} structs (fault 5
// otherwise).
bool read_variables(xmlrpc_env *env, xmlrpc_value *st, std::vector<render_variable> &out);
// Row `i` of a "rows" array, read as "variables" are (fault 5 otherwise).
bool read_row(xmlrpc_env *env, xmlrpc_value *rows, int i, std::vector<render_variable> &out);

// The render methods (render_methods.cpp).
xmlrpc_value *render_label(label_service &service, server_store &store, call_context &c, xmlrpc_env *env,
                           xmlrpc_value *params);
// With a target, a thermal printer's document goes there (the answer is
// then empty) and a failure of the printer is the fault's text as it is.
xmlrpc_value *render_document(label_service &service, server_store &store, call_context &c, xmlrpc_env *env,
                              xmlrpc_value *params, const document_target *target = nullptr);
// "labels.print", "labels.job_state", "labels.list_printers" (print_methods.cpp).
xmlrpc_value *print(label_service &service, server_store &store, call_context &c, xmlrpc_env *env,
                    xmlrpc_value *params);
xmlrpc_value *job_state(label_service &service, server_store &store, call_context &c, xmlrpc_env *env,
                        xmlrpc_value *params);
xmlrpc_value *list_printers(label_service &service, server_store &store, call_context &c, xmlrpc_env *env,
                            xmlrpc_value *params);

} // namespace lsv_methods
