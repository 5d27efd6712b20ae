// Connections to PostgreSQL for the database store: a pool that opens them
// as calls need them (at most `max` at once, one per call in progress), and
// statements that never wait past a deadline, whatever the network does.
//
// A connection found closed when it is taken (the database restarted while
// it sat in the pool) is dropped and a new one opened, so the store comes
// back by itself when the database does.  A connection that failed or ran
// out of time during a statement is never reused.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <libpq-fe.h>

using pg_clock = std::chrono::steady_clock;

struct pg_result_deleter {
    void operator()(PGresult *r) const { PQclear(r); }
};
using pg_result_ptr = std::unique_ptr<PGresult, pg_result_deleter>;

struct pg_timeouts {
    int connect_s = 5;         // libpq's connect_timeout, unless the string sets one
    int statement_ms = 10000;  // the database's statement_timeout
    int operation_ms = 12000;  // the longest a whole call may wait for the database
};

// One statement's parameters: text (UTF-8) or binary (bytea) values.
struct pg_param {
    const char *data = nullptr;
    int length = 0;
    bool binary = false;
};

// A failure of the database: the reason in Russian for the caller, the
// details (libpq's words) for the log, the SQLSTATE when the database
// answered one.
struct pg_failure {
    std::string reason;
    std::string detail;
    std::string sqlstate;
    bool connection_lost = false;
};

class pg_pool {
public:
    // Statements every connection prepares when it opens: name, SQL.
    using statements = std::vector<std::pair<std::string, std::string>>;

    // `conninfo`: any libpq connection string, without a password.
    pg_pool(std::string conninfo, int max, pg_timeouts timeouts, statements prepared = {});
    ~pg_pool();
    pg_pool(const pg_pool &) = delete;
    pg_pool &operator=(const pg_pool &) = delete;

    // False with a reason when the string does not parse or carries a
    // password.
    static bool check_conninfo(const std::string &conninfo, std::string &error);

    class lease {
    public:
        lease() = default;
        lease(lease &&o) noexcept : pool_(o.pool_), conn_(o.conn_) { o.conn_ = nullptr; }
        lease &operator=(lease &&) = delete;
        ~lease();
        explicit operator bool() const { return conn_ != nullptr; }
        PGconn *conn() const { return conn_; }
        // One statement, all of its results read; null with `failure` set
        // (the connection is then not reused).  Rows come back in binary
        // when `binary_result`.
        pg_result_ptr run(const char *sql, const std::vector<pg_param> &params, pg_clock::time_point deadline,
                          pg_failure &failure, bool binary_result = false);
        // One of the pool's prepared statements, by name.
        pg_result_ptr run_prepared(const char *name, const std::vector<pg_param> &params,
                                   pg_clock::time_point deadline, pg_failure &failure, bool binary_result = false);
        // The connection goes, not back to the pool.
        void discard();

    private:
        friend class pg_pool;
        lease(pg_pool *pool, PGconn *conn) : pool_(pool), conn_(conn) {}
        pg_pool *pool_ = nullptr;
        PGconn *conn_ = nullptr;
    };

    // A connection for one call: from the pool, or a new one while fewer
    // than `max` are open, or the first one given back before the deadline.
    lease take(pg_clock::time_point deadline, pg_failure &failure);

    const pg_timeouts &timeouts() const { return timeouts_; }
    pg_clock::time_point deadline() const
    {
        return pg_clock::now() + std::chrono::milliseconds(timeouts_.operation_ms);
    }
    // Connections open now (for tests).
    int open_connections();
    // Closes every idle connection.
    void close_idle();

private:
    PGconn *connect(pg_clock::time_point deadline, pg_failure &failure);
    void give_back(PGconn *conn, bool reusable);

    std::vector<std::string> keywords_, values_;
    statements statements_;
    int max_;
    pg_timeouts timeouts_;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<PGconn *> idle_;
    int open_ = 0;
};
