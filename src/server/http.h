// The label server's own HTTP/1.1 front: it accepts connections, reads each
// request within a deadline, admits the memory a request may cost and writes
// the answers, in order, on kept-alive connections.
//
// Every connection has its own thread; a slow client holds only its own.
// Limits per request: the header block and the body must arrive within
// `request_timeout_ms`, and past that at `min_rate` bytes per second (so a
// large body may take longer, a trickle may not).  One client address holds
// at most `max_per_address` connections, the server `max_connections`.
//
// Memory: a request above `large_body` bytes takes, before its body is read,
// the most its parse could cost from a budget of `large_memory` bytes (and
// gives back what it will not need once the body has been counted); smaller
// requests take what their parse will cost from a budget of their own, so
// that they go on while large ones wait.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/socket.h>

#include "exchange/xmlrpc_support.h"

struct http_limits {
    int max_connections = 256;
    int max_per_address = 16;
    int request_timeout_ms = 20000;
    int idle_timeout_ms = 15000;
    std::size_t min_rate = 64u << 10; // bytes per second
    std::size_t max_body = 128u << 20;
    std::size_t max_header = 64u << 10;
    std::size_t large_body = 1u << 20;
    std::size_t large_memory = 768u << 20;
    std::size_t small_memory = 128u << 20;
    // Renders that hold at most this much take it from the small requests'
    // budget (so that previews go on while large renders wait), larger ones
    // from `large_memory`.
    std::size_t small_render = 16u << 20;
    int admission_wait_ms = 120000; // longest wait for memory before "busy"
};

// Bytes taken from one of the budgets, given back when it ends.
class memory_budget {
public:
    explicit memory_budget(std::size_t capacity) : capacity_(capacity) {}
    std::size_t capacity() const { return capacity_; }
    // Waits (first come, first served) until `bytes` — at most the whole
    // budget — are free; false when `wait_ms` passes, the server stops or
    // `give_up` (asked every fifth of a second while waiting) says so.
    bool acquire(std::size_t &bytes, int wait_ms, const std::atomic<bool> &stopping,
                 const std::function<bool()> &give_up = {});
    void release(std::size_t bytes);
    void wake_all();
    std::size_t in_use();

private:
    std::size_t capacity_;
    std::size_t used_ = 0;
    unsigned long long next_ticket_ = 0, serving_ = 0;
    std::set<unsigned long long> skipped_; // tickets that gave up waiting
    std::mutex m_;
    std::condition_variable cv_;
};

struct http_call {
    std::string body; // the handler may take it
    std::string peer; // "127.0.0.1:4242", for the log
    // Called by the handler once it knows what parsing the body will cost:
    // waits for that memory (or gives back what a large request took beyond
    // it).  False: the server is stopping or too busy; answer without parsing.
    std::function<bool(std::size_t bytes)> admit;
    // Raises the memory this call holds for its answer (a render: its page,
    // its file and the answer that carries it) to `bytes` in all, from the
    // same budgets; waits at most `wait_ms`, first come, first served.  False
    // when it was not granted: the server is stopping or busy, or the client
    // has gone.  Held until the answer has been written.
    std::function<bool(std::size_t bytes, int wait_ms)> reserve;
    // Whether the client has closed its connection (or its sending side of
    // it) since the request came: nobody will read the answer.
    std::function<bool()> gone;
};

// A request to the server's own HTTP interface (anything but /RPC2): its
// method, path and the header fields the interface reads.
struct http_request_info {
    std::string method; // GET, HEAD, POST, PUT, DELETE…
    std::string target; // as sent: "/api/v1/labels?x=1"
    std::string authorization, content_type, cookie, accept_language, origin, requested_with;
    std::string forwarded_proto; // X-Forwarded-Proto of a proxy in front: "https"
};

// The answer to it.
struct http_answer {
    int status = 200;
    std::string reason = "OK";
    std::string content_type = "application/json; charset=utf-8";
    std::vector<std::pair<std::string, std::string>> headers; // more fields: name, value
    std::string body;
};

struct http_handler {
    // The most memory parsing a body of that many bytes could take.
    std::function<std::size_t(std::size_t body_bytes)> worst_memory;
    // The XML of the answer (a fault is an answer too).
    std::function<mem_block_ptr(http_call &)> answer;
    // Optional: asked of each new connection (its socket and "ADDR:PORT")
    // before anything of it is read.  True when it has taken the connection
    // over to turn it away (it answers and closes it); the server forgets it.
    std::function<bool(int fd, const std::string &peer)> turn_away;
    // Optional: the answers of paths other than /RPC2 (a body is read
    // only for POST and PUT, with the same limits as XML-RPC's).  Without
    // it such paths are 404.
    std::function<http_answer(http_call &, const http_request_info &)> api;
};

class http_server {
public:
    http_server(int listen_fd, http_limits limits, http_handler handler);
    ~http_server();
    http_server(const http_server &) = delete;
    http_server &operator=(const http_server &) = delete;

    // Accepts until stop(); then waits up to `drain_ms` for the requests in
    // progress.  The number of connections still busy when it gave up.
    int run(int drain_ms);
    // From any thread (a signal handler's thread included).
    void stop();
    bool stopping() const { return stopping_.load(); }

    struct connection;

private:
    struct request;
    // Serves the requests of a connection, one after another, in three
    // phases; a phase that gives false has ended the connection's use.
    void serve(connection *c);
    // The head of the next request, read and checked.
    bool read_head(connection *c, request &r);
    // Its body, after a large one has got its memory.
    bool read_body(connection *c, request &r);
    // The handler's answer, written; false when the connection ends.
    bool respond(connection *c, request &r);
    std::chrono::steady_clock::time_point deadline_for(const request &r, std::size_t n) const;
    // The memory the request held, given back.
    void give_back(request &r);
    void finish(connection *c);

    int listen_fd_;
    int wake_[2] = {-1, -1}; // readable once stopping
    http_limits limits_;
    http_handler handler_;
    std::atomic<bool> stopping_{false};
    memory_budget large_, small_;

    std::mutex m_;
    std::condition_variable done_;
    std::set<connection *> connections_;
    std::map<std::string, int> per_address_;
};

// "ADDR:PORT" or "[ADDR]:PORT".
std::string lsv__address_text(const sockaddr_storage &a);
