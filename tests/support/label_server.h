// A real label server for tests: XML-RPC over HTTP on 127.0.0.1 (a free
// port), the eight label methods over an in-memory store.  Each test can
// replace a method's answer (faults, missing members, wrong types) or slow it
// down.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <xmlrpc-c/base.h>
#include <xmlrpc-c/server.h>
#include <xmlrpc-c/server_abyss.h>

class label_server {
public:
    using handler = std::function<xmlrpc_value *(xmlrpc_env *, xmlrpc_value *params)>;

    label_server();
    ~label_server();
    label_server(const label_server &) = delete;
    label_server &operator=(const label_server &) = delete;

    std::u16string url() const;
    int port() const { return port_; }

    // Replaces the answer of `method` (e.g. "labels.list_labels").
    void answer(const std::string &method, handler h);
    // Every call waits this long before answering.
    void delay_ms(int ms) { delay_ms_ = ms; }

    // Store contents (label structs by name), fonts and server information.
    void put_label(const std::string &name, xmlrpc_value *label_struct); // takes a reference
    bool has_label(const std::string &name);
    std::vector<std::string> label_names();
    std::vector<std::string> fonts = {"DejaVu Sans", "Arial", "Times"};

    // What the last call of a method carried (a new reference, or null).
    xmlrpc_value *last_params(const std::string &method);
    int calls(const std::string &method);

private:
    static xmlrpc_value *dispatch(xmlrpc_env *env, xmlrpc_value *params, void *info, void *);
    xmlrpc_value *serve(xmlrpc_env *env, const std::string &method, xmlrpc_value *params);
    xmlrpc_value *builtin(xmlrpc_env *env, const std::string &method, xmlrpc_value *params);
    std::map<std::string, xmlrpc_value *>::iterator stored(xmlrpc_env *env, const std::string &name);

    struct method_slot {
        label_server *server;
        std::string name;
    };
    std::vector<method_slot *> slots_;
    std::mutex m_;
    std::map<std::string, handler> overrides_;
    std::map<std::string, xmlrpc_value *> store_;
    std::map<std::string, xmlrpc_value *> last_;
    std::map<std::string, int> counts_;
    std::atomic<int> delay_ms_{0};
    xmlrpc_registry *registry_ = nullptr;
    xmlrpc_server_abyss_t *server_ = nullptr;
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// A bare HTTP peer on 127.0.0.1 that answers every connection with whatever
// the test scripts: garbage, a cut-off answer, an HTTP error, silence.
class raw_http_server {
public:
    // Gets the request (headers and body) and the connected socket.
    using responder = std::function<void(int fd, const std::string &request)>;
    explicit raw_http_server(responder r);
    ~raw_http_server();
    raw_http_server(const raw_http_server &) = delete;
    raw_http_server &operator=(const raw_http_server &) = delete;
    std::u16string url() const;
    std::string last_request();
    // Writes all of `s`, ignoring a peer that went away.
    static void send_all(int fd, const std::string &s);
    static std::string http_ok(const std::string &body);

private:
    void loop();
    responder respond_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex m_;
    std::string last_;
    std::thread thread_;
};

// A loopback port on which nothing listens (bound, never listening).
class dead_port {
public:
    dead_port();
    ~dead_port();
    std::u16string url() const;

private:
    int fd_ = -1;
    int port_ = 0;
};
