#include "exchange/rpc_client.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <xmlrpc-c/client.h>

#include "exchange/xml_prepare.h"
#include "exchange/xmlrpc_support.h"
#include "model/errors.h"
#include "model/messages.h"
#include "platform/translation.h"
#include "platform/code_pages.h"
#include "platform/version.h"

namespace {

std::mutex g_client_mutex;
xmlrpc_client *g_client = nullptr;
int g_interrupt = 0; // read by the transport between its waits
std::atomic<bool> g_busy{false};
std::atomic<int> g_connect_timeout_ms{RPD_CONNECT_TIMEOUT_S * 1000};
std::atomic<int> g_deadline_ms{0}; // the whole call's, 0 for none

// Splits "http://host:port/path" into host and port (80, or 443 for https).
bool url_host_port(const std::string &url, std::string &host, std::string &port)
{
    std::size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return false;
    std::string rest = url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    std::size_t at = rest.rfind('@');
    if (at != std::string::npos)
        rest = rest.substr(at + 1);
    port = url.compare(0, 5, "https") == 0 ? "443" : "80";
    if (!rest.empty() && rest[0] == '[') { // [v6 address]:port
        std::size_t close = rest.find(']');
        if (close == std::string::npos)
            return false;
        host = rest.substr(1, close - 1);
        if (close + 1 < rest.size() && rest[close + 1] == ':')
            port = rest.substr(close + 2);
    } else {
        std::size_t colon = rest.rfind(':');
        host = rest.substr(0, colon);
        if (colon != std::string::npos)
            port = rest.substr(colon + 1);
    }
    return !host.empty() && !port.empty();
}

struct server_info_deleter {
    void operator()(xmlrpc_server_info *s) const
    {
        if (s)
            xmlrpc_server_info_free(s);
    }
};

// Everything one call needs, shared by the caller and the worker thread: a
// cancelled call is abandoned by the caller and finishes on its own.
struct call_state {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    bool cancelled = false;
    bool timed_out = false;
    bool past_deadline = false; // the whole call took too long
    std::function<void()> on_done;
    xmlrpc_env env;
    xmlrpc_value *result = nullptr;
    std::unique_ptr<xmlrpc_server_info, server_info_deleter> server;
    mem_block_ptr call_xml;
    std::string url;
    std::shared_ptr<call_state> previous; // a cancelled call still running

    call_state() { xmlrpc_env_init(&env); }
    ~call_state()
    {
        xmlrpc_env_clean(&env);
        if (result)
            xmlrpc_DECREF(result);
    }
    bool is_cancelled()
    {
        std::lock_guard<std::mutex> lk(m);
        return cancelled;
    }
    void wait_done()
    {
        std::unique_lock<std::mutex> lk(m);
        cv.wait(lk, [this] { return done; });
    }
};

// The last call that was cancelled; the next call waits for it to end
// before it uses the client.
std::shared_ptr<call_state> g_abandoned;

// Opens and closes one connection to the server first, giving up after the
// connect timeout: the library's own connect waits for minutes on a server
// that never answers.  A refusal or a name that does not resolve is left for
// the library to report.  False only on a timeout or a cancel.
bool reachable(call_state &st)
{
    // Through a proxy the server itself may be out of our reach: let the
    // transport connect.
    for (const char *v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        if (const char *p = std::getenv(v); p && *p)
            return true;
    std::string host, port;
    if (!url_host_port(st.url, host, port))
        return true;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(g_connect_timeout_ms.load());
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *res = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &res) != 0 || !res)
        return true;
    bool connected = false, refused = false;
    for (addrinfo *ai = res; ai && !connected && !st.is_cancelled(); ai = ai->ai_next) {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0)
            continue;
        if (::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) {
            connected = true;
        } else if (errno == EINPROGRESS) {
            while (!st.is_cancelled() && std::chrono::steady_clock::now() < deadline) {
                pollfd p{fd, POLLOUT, 0};
                if (::poll(&p, 1, 50) > 0) {
                    int err = 0;
                    socklen_t len = sizeof err;
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
                    connected = err == 0;
                    refused = err != 0;
                    break;
                }
            }
        } else {
            refused = true;
        }
        ::close(fd);
    }
    freeaddrinfo(res);
    if (!connected && !refused && !st.is_cancelled()) {
        std::lock_guard<std::mutex> lk(st.m);
        st.timed_out = true;
    }
    return connected || refused;
}

void parse_answer(call_state &st, mem_block_ptr &resp)
{
    const char *xml = static_cast<const char *>(xmlrpc_mem_block_contents(resp.get()));
    std::size_t len = xmlrpc_mem_block_size(resp.get());
    st.result = rpd__parse_answer(&st.env, xml, len, [&resp] { resp.reset(); });
}

// The worker thread: waits for an abandoned call, then connects, calls and
// parses the answer.
void run_call(std::shared_ptr<call_state> st)
{
    if (st->previous) {
        st->previous->wait_done();
        st->previous.reset();
    }
    if (!st->is_cancelled()) {
        __atomic_store_n(&g_interrupt, 0, __ATOMIC_SEQ_CST);
        if (reachable(*st) && !st->is_cancelled()) {
            xmlrpc_mem_block *resp_raw = nullptr;
            xmlrpc_client_transport_call2(&st->env, g_client, st->server.get(), st->call_xml.get(), &resp_raw);
            // After a failure the library leaves the answer pointer undefined.
            mem_block_ptr resp(st->env.fault_occurred ? nullptr : resp_raw);
            if (!st->env.fault_occurred && !st->is_cancelled())
                parse_answer(*st, resp);
        }
    }
    std::lock_guard<std::mutex> lk(st->m);
    st->done = true;
    st->cv.notify_all();
    if (st->on_done && !st->cancelled)
        st->on_done(); // under the lock: a cancel cannot slip in between
}

class worker_call final : public network_call {
public:
    explicit worker_call(std::shared_ptr<call_state> st) : st_(std::move(st)) {}

    void start() override
    {
        {
            std::lock_guard<std::mutex> lk(st_->m);
            st_->on_done = on_done;
        }
        std::thread(run_call, st_).detach();
        started_ = true;
    }

    // The notice may go at once: the call ends in the background and the
    // next call waits for it.
    void cancel() override
    {
        std::lock_guard<std::mutex> lk(st_->m);
        if (st_->done)
            return;
        st_->cancelled = true;
        st_->on_done = nullptr;
        __atomic_store_n(&g_interrupt, 1, __ATOMIC_SEQ_CST);
    }

    void wait() override
    {
        if (!started_)
            return;
        std::unique_lock<std::mutex> lk(st_->m);
        auto over = [this] { return st_->done || st_->cancelled; };
        if (deadline_ms_ <= 0) {
            st_->cv.wait(lk, over);
            return;
        }
        // A server that never answers, or answers a byte at a time, must not
        // keep a caller without a person waiting for ever.
        if (st_->cv.wait_until(lk, begun_ + std::chrono::milliseconds(deadline_ms_), over))
            return;
        st_->cancelled = true;
        st_->past_deadline = true;
        st_->on_done = nullptr;
        __atomic_store_n(&g_interrupt, 1, __ATOMIC_SEQ_CST);
    }

private:
    std::shared_ptr<call_state> st_;
    bool started_ = false;
    const int deadline_ms_ = g_deadline_ms.load();
    const std::chrono::steady_clock::time_point begun_ = std::chrono::steady_clock::now();
};

// Moves the outcome into the caller's fault state; the result or null.
xmlrpc_value *outcome(call_state &st, xmlrpc_env *env)
{
    std::lock_guard<std::mutex> lk(st.m);
    if (st.past_deadline) {
        xmlrpc_env_set_fault_formatted(env, XMLRPC_TIMEOUT_ERROR, pl__tr_printf(msg::fault_deadline).c_str(), (g_deadline_ms.load() + 999) / 1000);
        return nullptr;
    }
    if (st.cancelled) {
        xmlrpc_env_set_fault(env, XMLRPC_REQUEST_REFUSED_ERROR, pl__tr8(msg::fault_cancelled).c_str());
        return nullptr;
    }
    if (st.timed_out) {
        xmlrpc_env_set_fault_formatted(env, XMLRPC_TIMEOUT_ERROR, pl__tr_printf(msg::fault_no_connection).c_str(),
                                       (g_connect_timeout_ms.load() + 999) / 1000);
        return nullptr;
    }
    if (st.env.fault_occurred) {
        if (st.env.fault_code == XMLRPC_NETWORK_ERROR) {
            xmlrpc_env_set_fault(env, st.env.fault_code, rpd__transport_text(st.env.fault_string).c_str());
            return nullptr;
        }
        xmlrpc_env_set_fault(env, st.env.fault_code, st.env.fault_string);
        return nullptr;
    }
    xmlrpc_value *r = st.result;
    st.result = nullptr;
    return r;
}

} // namespace

std::string rpd__transport_text(const char *library_text)
{
    const std::string t = library_text ? library_text : "";
    auto has = [&t](const char *what) {
        const std::size_t n = std::strlen(what);
        for (std::size_t i = 0; i + n <= t.size(); ++i)
            if (strncasecmp(t.c_str() + i, what, n) == 0)
                return true;
        return false;
    };
    std::string words;
    long status = 0;
    if (const std::size_t at = t.find("HTTP response code is "); at != std::string::npos &&
        std::sscanf(t.c_str() + at, "HTTP response code is %ld", &status) == 1) {
        char buf[160];
        std::snprintf(buf, sizeof buf, pl__tr_printf(msg::net_http_status).c_str(), status);
        words = buf;
    } else if (has("resolve host") || has("resolve proxy")) {
        words = pl__tr8(msg::net_host_unknown);
    } else if (has("SSL") || has("TLS") || has("certificate")) {
        words = pl__tr8(msg::net_tls);
    } else if (has("timed out") || has("timeout")) {
        words = pl__tr8(msg::net_timeout);
    } else if (has("refused") || has("connect to") || has("couldn't connect") || has("no route to host")) {
        words = pl__tr8(msg::net_refused);
    } else if (has("empty reply") || has("partial file") || has("recv failure") || has("reset by peer")) {
        words = pl__tr8(msg::net_cut);
    } else {
        words = pl__tr8(msg::net_other);
    }
    return t.empty() ? words : words + "\n\n(" + t + ")";
}

xmlrpc_value *rpd__parse_answer(xmlrpc_env *env, const char *xml, std::size_t len,
                                const std::function<void()> &release_input)
{
    std::optional<std::string> safe = ino__prepare_xml(env, xml, len);
    if (!safe)
        return nullptr;
    if (release_input)
        release_input(); // the answer's own buffer is not needed any more
    c_numeric_scope c_locale;
    int fault_code = 0;
    const char *fault_string = nullptr;
    xmlrpc_value *result = nullptr;
    xmlrpc_parse_response2(env, safe->c_str(), safe->size(), &result, &fault_code, &fault_string);
    if (!env->fault_occurred && fault_string) {
        std::u16string msg = ino__restore_cr(plt__from_utf8(fault_string));
        xmlrpc_env_set_fault_formatted(env, fault_code, pl__tr_printf(VL_TR8("vellumo", "Сервер ответил ошибкой: %s")).c_str(),
                                       plt__to_utf8(msg).c_str());
        std::free(const_cast<char *>(fault_string));
    }
    return env->fault_occurred ? nullptr : result;
}

void rpd__client_init()
{
    std::lock_guard<std::mutex> lk(g_client_mutex);
    if (g_client)
        return;
    ino__ensure_limits();
    std::signal(SIGPIPE, SIG_IGN); // a server that hangs up must not end the program
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    xmlrpc_client_setup_global_const(&env);
    XASSERT(!env.fault_occurred);

    struct xmlrpc_curl_xportparms curl;
    std::memset(&curl, 0, sizeof curl);
    curl.user_agent = "Vellumo/" VELLUMO_VERSION;
    curl.dont_advertise = 1; // exactly our name, without the library's
    struct xmlrpc_clientparms parms;
    std::memset(&parms, 0, sizeof parms);
    parms.transport = "curl";
    parms.transportparmsP = &curl;
    parms.transportparm_size = XMLRPC_CXPSIZE(dont_advertise);
    xmlrpc_client_create(&env, XMLRPC_CLIENT_NO_FLAGS, "Vellumo", VELLUMO_VERSION, &parms,
                         XMLRPC_CPSIZE(transportparm_size), &g_client);
    XASSERT(!env.fault_occurred);
    xmlrpc_client_set_interrupt(g_client, &g_interrupt);
    xmlrpc_env_clean(&env);
}

void rpd__client_term()
{
    std::lock_guard<std::mutex> lk(g_client_mutex);
    if (!g_client)
        return;
    if (g_abandoned) {
        g_abandoned->wait_done();
        g_abandoned.reset();
    }
    xmlrpc_client_destroy(g_client);
    g_client = nullptr;
    xmlrpc_client_teardown_global_const();
}

void rpd__set_connect_timeout_ms(int ms)
{
    g_connect_timeout_ms = ms;
}

void rpd__set_deadline_ms(int ms)
{
    g_deadline_ms = ms;
}

xmlrpc_value *rpd__call(platform_window parent, xmlrpc_env *env, const std::u16string &server,
                        const char *method, xmlrpc_value *params)
{
    rpd__client_init();
    bool expected = false;
    if (!g_busy.compare_exchange_strong(expected, true)) {
        xmlrpc_env_set_fault(env, XMLRPC_REQUEST_REFUSED_ERROR, pl__tr8(msg::fault_busy).c_str());
        return nullptr;
    }
    struct busy_reset {
        ~busy_reset() { g_busy = false; }
    } reset;

    auto st = std::make_shared<call_state>();
    st->url = plt__to_ansi(server);
    st->server.reset(xmlrpc_server_info_new(env, st->url.c_str()));
    if (env->fault_occurred)
        return nullptr;
    st->call_xml.reset(xmlrpc_mem_block_new(env, 0));
    if (env->fault_occurred)
        return nullptr;
    {
        c_numeric_scope c_locale;
        xmlrpc_serialize_call(env, st->call_xml.get(), method, params);
    }
    if (!env->fault_occurred)
        ino__six_decimal_doubles(env, st->call_xml.get());
    if (env->fault_occurred)
        return nullptr;
    if (g_abandoned) {
        std::lock_guard<std::mutex> lk(g_abandoned->m);
        if (!g_abandoned->done)
            st->previous = g_abandoned;
    }
    g_abandoned.reset();

    worker_call call(st);
    seam<network_notice_service>::get().run(parent, call);
    call.wait();
    if (st->is_cancelled())
        g_abandoned = st;
    return outcome(*st, env);
}
