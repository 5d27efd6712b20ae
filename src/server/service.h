// The label server: the label methods over a store, behind the
// server's own HTTP front (http.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <xmlrpc-c/base.h>

#include "model/limits.h"
#include "server/http.h"
#include "server/prescan.h"
#include "server/render.h"
#include "server/store.h"
#include "server/users.h"
#include "server/web_sessions.h"

// Fault codes of the label methods.
enum : int {
    LSV_FAULT_NOT_FOUND = 1,
    LSV_FAULT_EXISTS = 2,
    LSV_FAULT_EMPTY_NAME = 3,
    LSV_FAULT_CREDENTIALS = 4,
    LSV_FAULT_PARAMS = 5,
    LSV_FAULT_LABEL_REFUSED = 6,
    LSV_FAULT_RENDER = 7,
    LSV_FAULT_TOO_LARGE = 8,
    LSV_FAULT_RESOLUTION = 9,
    LSV_FAULT_STORE = 10,
    LSV_FAULT_BATCH_TOO_LARGE = 11,
    LSV_FAULT_BUSY = 12,         // no memory for the render came free within the call's time
    LSV_FAULT_OUT_OF_RANGE = 13, // the label's sizes are outside what can be drawn
    LSV_FAULT_TIMEOUT = 14,      // the render ran past the call's time (--call-timeout)
    LSV_FAULT_NO_PRINTER = 15,   // no printer of that name (or none set up)
    LSV_FAULT_KEY_TAKEN = 16,    // a print job's key used before for another request
    LSV_FAULT_LAST = LSV_FAULT_KEY_TAKEN,
};
// Besides these, calls that are not made get the XML-RPC library's codes
// with the server's own Russian texts: -503 a request that is not an
// XML-RPC call the server can read, -506 an unknown method, -509 a request
// past the limits, -500 an answer the server could not build.

// "labels.render_document": at most this many labels in one call, and this
// many bytes of document in the answer.
inline constexpr int LSV_MAX_DOCUMENT_ROWS = LIM_MAX_DOCUMENT_ROWS;
inline constexpr std::int64_t LSV_MAX_DOCUMENT_BYTES = LIM_MAX_DOCUMENT_BYTES;

inline constexpr char LSV_DEFAULT_LISTEN[] = "127.0.0.1:8390";

class label_service {
public:
    label_service(server_store &store, server_users &users, request_limits limits = {},
                  render_limits render = {}, double call_seconds = 120,
                  std::int64_t document_bytes = LSV_MAX_DOCUMENT_BYTES);
    ~label_service();
    label_service(const label_service &) = delete;
    label_service &operator=(const label_service &) = delete;

    // One call: the body of an HTTP request in, the XML of the answer out
    // (null when the memory for parsing it was not granted).  The body goes
    // through the same guards as the editor's own documents, then through
    // the request limits, before the parser sees it.
    mem_block_ptr answer(http_call &call);
    // A request to the JSON interface (/api/v1/…), answered through the
    // same methods (json_api.cpp).
    http_answer api_answer(http_call &call, const http_request_info &info);

    server_store &store() { return store_; }
    server_users &users() { return users_; }
    // The web page's signed-in browsers (web_login.h).
    web_sessions &sessions() { return sessions_; }
    const render_limits &render() const { return render_; }
    // The most bytes a document of "labels.render_document" may have.
    std::int64_t document_bytes() const { return document_bytes_; }
    // The server's printers and their jobs; null when it has none.
    class print_service *printing() const { return printing_; }
    void set_printing(class print_service *p) { printing_ = p; }

private:
    server_store &store_;
    server_users &users_;
    request_limits limits_;
    render_limits render_;
    double call_seconds_;
    std::int64_t document_bytes_;
    web_sessions sessions_;
    class print_service *printing_ = nullptr;
};

struct server_options {
    std::string listen = LSV_DEFAULT_LISTEN;
    std::string store;
    std::string users;
    // Connections only from processes of the server's own user (owner_only.h).
    bool owner_only = false;
    request_limits request;
    http_limits http;
    render_limits render;
    double call_seconds = 120; // a call's time (--call-timeout)
    // The bound of a document's bytes; lowered only by the tests
    // (--document-limit, not in the help), which cannot afford 256 MiB.
    std::int64_t document_bytes = LSV_MAX_DOCUMENT_BYTES;
    std::size_t cache_bytes = 64u << 20;
    std::string printers; // the printers file (--printers)
    // How long a server holds a print job it does not renew (tests shorten it:
    // --print-lease, not in the help).
    int print_lease_ms = 30000;
};

// The OpenAPI 3 description of the JSON interface (openapi.cpp).
const std::string &lsv__openapi_text();

// The default store folder: $XDG_DATA_HOME/vellumo/labels, or
// ~/.local/share/vellumo/labels.
std::string lsv__default_store();

// Parses ADDR:PORT ("127.0.0.1:8390", "[::1]:8390", "localhost:0").
bool lsv__parse_listen(const std::string &text, std::string &host, std::string &port, std::string &error);

// Runs the server until SIGINT or SIGTERM; prints "listening ADDR:PORT" on
// standard output once it accepts calls.  The process's exit code.
int lsv__run(const server_options &options);
