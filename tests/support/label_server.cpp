#include "support/label_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char *const methods[] = {"labels.list_labels", "labels.load_label",  "labels.save_label",
                               "labels.drop_label",  "labels.rename_label", "labels.server_info",
                               "labels.list_fonts",  "labels.render_label"};

int bind_loopback(int &port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

std::u16string url_of(int port)
{
    std::string s = "http://127.0.0.1:" + std::to_string(port) + "/RPC2";
    return std::u16string(s.begin(), s.end());
}

std::string label_name_param(xmlrpc_env *env, xmlrpc_value *params, const char *key = "name")
{
    xmlrpc_value *st = nullptr;
    xmlrpc_array_read_item(env, params, 1, &st);
    if (env->fault_occurred)
        return {};
    const char *s = nullptr;
    xmlrpc_decompose_value(env, st, "{s:s,*}", key, &s);
    xmlrpc_DECREF(st);
    if (env->fault_occurred)
        return {};
    std::string out = s;
    std::free(const_cast<char *>(s));
    return out;
}

} // namespace

label_server::label_server()
{
    std::signal(SIGPIPE, SIG_IGN);
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    registry_ = xmlrpc_registry_new(&env);
    for (const char *m : methods) {
        auto *slot = new method_slot{this, m};
        slots_.push_back(slot);
        struct xmlrpc_method_info3 info = {};
        info.methodName = m;
        info.methodFunction = &label_server::dispatch;
        info.serverInfo = slot;
        xmlrpc_registry_add_method3(&env, registry_, &info);
    }
    fd_ = bind_loopback(port_);
    ::listen(fd_, 16);
    xmlrpc_server_abyss_parms parms = {};
    parms.registryP = registry_;
    parms.socket_bound = 1;
    parms.socket_handle = fd_;
    parms.keepalive_max_conn = 1;
    parms.keepalive_timeout = 1;
    parms.timeout = 1;
    static std::once_flag abyss_once;
    std::call_once(abyss_once, [] {
        xmlrpc_env e;
        xmlrpc_env_init(&e);
        xmlrpc_server_abyss_global_init(&e);
        xmlrpc_env_clean(&e);
    });
    xmlrpc_server_abyss_create(&env, &parms, XMLRPC_APSIZE(socket_handle), &server_);
    if (env.fault_occurred)
        std::fprintf(stderr, "label_server: %s\n", env.fault_string);
    thread_ = std::thread([this] {
        xmlrpc_env e;
        xmlrpc_env_init(&e);
        xmlrpc_server_abyss_run_server(&e, server_);
        xmlrpc_env_clean(&e);
    });
    xmlrpc_env_clean(&env);
}

label_server::~label_server()
{
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    // Terminating interrupts the accept.  No connection is made to wake it:
    // the server would wait two seconds for that connection's thread.
    xmlrpc_server_abyss_terminate(&env, server_);
    thread_.join();
    xmlrpc_server_abyss_destroy(server_);
    xmlrpc_registry_free(registry_);
    ::close(fd_);
    for (auto &kv : store_)
        xmlrpc_DECREF(kv.second);
    for (auto &kv : last_)
        xmlrpc_DECREF(kv.second);
    for (method_slot *s : slots_)
        delete s;
    xmlrpc_env_clean(&env);
}

std::u16string label_server::url() const
{
    return url_of(port_);
}

void label_server::answer(const std::string &method, handler h)
{
    std::lock_guard<std::mutex> lk(m_);
    overrides_[method] = std::move(h);
}

void label_server::put_label(const std::string &name, xmlrpc_value *v)
{
    std::lock_guard<std::mutex> lk(m_);
    auto it = store_.find(name);
    if (it != store_.end())
        xmlrpc_DECREF(it->second);
    store_[name] = v;
}

bool label_server::has_label(const std::string &name)
{
    std::lock_guard<std::mutex> lk(m_);
    return store_.count(name) != 0;
}

std::vector<std::string> label_server::label_names()
{
    std::lock_guard<std::mutex> lk(m_);
    std::vector<std::string> out;
    for (auto &kv : store_)
        out.push_back(kv.first);
    return out;
}

xmlrpc_value *label_server::last_params(const std::string &method)
{
    std::lock_guard<std::mutex> lk(m_);
    auto it = last_.find(method);
    if (it == last_.end())
        return nullptr;
    xmlrpc_INCREF(it->second);
    return it->second;
}

int label_server::calls(const std::string &method)
{
    std::lock_guard<std::mutex> lk(m_);
    return counts_[method];
}

xmlrpc_value *label_server::dispatch(xmlrpc_env *env, xmlrpc_value *params, void *info, void *)
{
    auto *slot = static_cast<method_slot *>(info);
    return slot->server->serve(env, slot->name, params);
}

xmlrpc_value *label_server::serve(xmlrpc_env *env, const std::string &method, xmlrpc_value *params)
{
    if (int d = delay_ms_.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(d));
    handler h;
    {
        std::lock_guard<std::mutex> lk(m_);
        ++counts_[method];
        auto it = last_.find(method);
        if (it != last_.end())
            xmlrpc_DECREF(it->second);
        xmlrpc_INCREF(params);
        last_[method] = params;
        auto o = overrides_.find(method);
        if (o != overrides_.end())
            h = o->second;
    }
    if (h)
        return h(env, params);
    return builtin(env, method, params);
}

// The stored label of that name, or fault 1 as vellumo-server answers it
// (call with m_ held).
std::map<std::string, xmlrpc_value *>::iterator label_server::stored(xmlrpc_env *env, const std::string &name)
{
    auto it = store_.find(name);
    if (it == store_.end())
        xmlrpc_env_set_fault_formatted(env, 1, "No label named '%s'", name.c_str());
    return it;
}

xmlrpc_value *label_server::builtin(xmlrpc_env *env, const std::string &method, xmlrpc_value *params)
{
    if (method == "labels.list_labels") {
        std::lock_guard<std::mutex> lk(m_);
        xmlrpc_value *arr = xmlrpc_array_new(env);
        for (auto &kv : store_) {
            const char *desc = "";
            xmlrpc_value *d = nullptr;
            xmlrpc_struct_find_value(env, kv.second, "desc", &d);
            if (d)
                xmlrpc_read_string(env, d, &desc);
            xmlrpc_value *item = xmlrpc_build_value(env, "{s:s,s:s}", "name", kv.first.c_str(), "desc", desc);
            if (d) {
                xmlrpc_DECREF(d);
                std::free(const_cast<char *>(desc));
            }
            xmlrpc_array_append_item(env, arr, item);
            xmlrpc_DECREF(item);
        }
        return arr;
    }
    if (method == "labels.load_label") {
        std::string name = label_name_param(env, params);
        if (env->fault_occurred)
            return nullptr;
        std::lock_guard<std::mutex> lk(m_);
        auto it = stored(env, name);
        if (it == store_.end())
            return nullptr;
        xmlrpc_INCREF(it->second);
        return it->second;
    }
    if (method == "labels.save_label") {
        xmlrpc_value *st = nullptr;
        xmlrpc_array_read_item(env, params, 1, &st);
        if (env->fault_occurred)
            return nullptr;
        const char *name = nullptr;
        xmlrpc_decompose_value(env, st, "{s:s,*}", "name", &name);
        if (env->fault_occurred) {
            xmlrpc_DECREF(st);
            return nullptr;
        }
        put_label(name, st);
        std::free(const_cast<char *>(name));
        return xmlrpc_bool_new(env, 1);
    }
    if (method == "labels.drop_label") {
        std::string name = label_name_param(env, params);
        if (env->fault_occurred)
            return nullptr;
        std::lock_guard<std::mutex> lk(m_);
        auto it = stored(env, name);
        if (it == store_.end())
            return nullptr;
        xmlrpc_DECREF(it->second);
        store_.erase(it);
        return xmlrpc_bool_new(env, 1);
    }
    if (method == "labels.rename_label") {
        std::string from = label_name_param(env, params, "oldname");
        std::string to = env->fault_occurred ? "" : label_name_param(env, params, "newname");
        if (env->fault_occurred)
            return nullptr;
        std::lock_guard<std::mutex> lk(m_);
        auto it = stored(env, from);
        if (it == store_.end())
            return nullptr;
        xmlrpc_value *v = it->second;
        store_.erase(it);
        if (store_.count(to))
            xmlrpc_DECREF(store_[to]);
        store_[to] = v;
        return xmlrpc_bool_new(env, 1);
    }
    if (method == "labels.server_info")
        return xmlrpc_build_value(env, "{s:s,s:s,s:i,s:(ss)}", "name", "Тестовый сервер", "version",
                                  "2.1", "api", 3, "features", "render", "fonts");
    if (method == "labels.list_fonts") {
        std::lock_guard<std::mutex> lk(m_);
        xmlrpc_value *arr = xmlrpc_array_new(env);
        for (const std::string &f : fonts) {
            xmlrpc_value *item = xmlrpc_build_value(env, "{s:s}", "name", f.c_str());
            xmlrpc_array_append_item(env, arr, item);
            xmlrpc_DECREF(item);
        }
        return arr;
    }
    if (method == "labels.render_label") {
        std::string name = label_name_param(env, params);
        if (env->fault_occurred)
            return nullptr;
        std::string log = "rendered " + name;
        static const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0xFF, 0xD9};
        return xmlrpc_build_value(env, "{s:6,s:s}", "image", jpeg, sizeof jpeg, "log", log.c_str());
    }
    xmlrpc_env_set_fault(env, XMLRPC_NO_SUCH_METHOD_ERROR, "no such method");
    return nullptr;
}

// ------------------------------------------------------------ raw server

raw_http_server::raw_http_server(responder r) : respond_(std::move(r))
{
    std::signal(SIGPIPE, SIG_IGN);
    fd_ = bind_loopback(port_);
    ::listen(fd_, 16);
    thread_ = std::thread([this] { loop(); });
}

raw_http_server::~raw_http_server()
{
    stop_ = true;
    thread_.join();
    ::close(fd_);
}

std::u16string raw_http_server::url() const
{
    return url_of(port_);
}

std::string raw_http_server::last_request()
{
    std::lock_guard<std::mutex> lk(m_);
    return last_;
}

void raw_http_server::send_all(int fd, const std::string &s)
{
    for (std::size_t done = 0; done < s.size();) {
        ssize_t n = ::send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

std::string raw_http_server::http_ok(const std::string &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void raw_http_server::loop()
{
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0)
            continue;
        // Read the headers, then the body by Content-Length.
        std::string req;
        char buf[65536];
        std::size_t want = std::string::npos;
        for (int idle = 0; idle < 100 && !stop_;) {
            pollfd q{c, POLLIN, 0};
            if (::poll(&q, 1, 20) <= 0) {
                ++idle;
                continue;
            }
            ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            req.append(buf, static_cast<std::size_t>(n));
            std::size_t hdr_end = req.find("\r\n\r\n");
            if (hdr_end != std::string::npos && want == std::string::npos) {
                std::size_t cl = req.find("Content-Length:");
                want = hdr_end + 4 + (cl != std::string::npos ? std::stoul(req.substr(cl + 15)) : 0);
            }
            if (want != std::string::npos && req.size() >= want)
                break;
        }
        {
            std::lock_guard<std::mutex> lk(m_);
            last_ = req;
        }
        if (!req.empty()) // a connection that only checked we are there
            respond_(c, req);
        ::close(c);
    }
}

dead_port::dead_port()
{
    fd_ = bind_loopback(port_); // bound but not listening: connections are refused
}

dead_port::~dead_port()
{
    ::close(fd_);
}

std::u16string dead_port::url() const
{
    return url_of(port_);
}
