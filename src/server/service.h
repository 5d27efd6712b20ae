// The label server: the eight label methods over a store, behind the Abyss
// HTTP server of xmlrpc-c.
#pragma once

#include <atomic>
#include <memory>
#include <vector>
#include <string>

#include <xmlrpc-c/base.h>
#include <xmlrpc-c/server.h>

#include "server/store.h"
#include "server/users.h"

// Fault codes of the label methods.
enum : int {
    SRV_FAULT_NOT_FOUND = 1,
    SRV_FAULT_EXISTS = 2,
    SRV_FAULT_EMPTY_NAME = 3,
    SRV_FAULT_CREDENTIALS = 4,
    SRV_FAULT_PARAMS = 5,
    SRV_FAULT_LABEL_REFUSED = 6,
    SRV_FAULT_RENDER = 7,
    SRV_FAULT_TOO_LARGE = 8,
    SRV_FAULT_RESOLUTION = 9,
    SRV_FAULT_STORE = 10,
};

inline constexpr char SRV_DEFAULT_LISTEN[] = "127.0.0.1:8390";

class label_service {
public:
    label_service(server_store &store, server_users &users);
    ~label_service();
    label_service(const label_service &) = delete;
    label_service &operator=(const label_service &) = delete;

    // Adds the eight methods to the registry.
    void register_methods(xmlrpc_env *env, xmlrpc_registry *registry);

    // One call: the XML of a request in, the XML of the answer out, both
    // through the same guards as the editor's own documents.
    void process(xmlrpc_env *env, xmlrpc_registry *registry, const char *xml, std::size_t len,
                 void *call_info, xmlrpc_mem_block **answer);

    server_store &store() { return store_; }
    struct slot; // one registered method


private:
    server_store &store_;
    server_users &users_;
    std::vector<std::unique_ptr<slot>> slots_;
};

struct server_options {
    std::string listen = SRV_DEFAULT_LISTEN;
    std::string store;
    std::string users;
};

// The default store folder: $XDG_DATA_HOME/vellumo/labels, or
// ~/.local/share/vellumo/labels.
std::string srv__default_store();

// Parses ADDR:PORT ("127.0.0.1:8390", "[::1]:8390", "localhost:0").
bool srv__parse_listen(const std::string &text, std::string &host, std::string &port, std::string &error);

// Runs the server until SIGINT or SIGTERM; prints "listening ADDR:PORT" on
// standard output once it accepts calls.  The process's exit code.
int srv__run(const server_options &options);

// Writes one line to the server's log (standard error) with the time.
void srv__log(const std::string &line);
