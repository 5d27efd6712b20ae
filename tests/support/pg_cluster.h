// A real PostgreSQL for tests and benchmarks: initdb and pg_ctl from
// Debian's postgresql package, a cluster in a private folder under /tmp that
// listens only on a Unix socket there.  As root (initdb refuses root) the
// cluster belongs to the "postgres" user (or "nobody").
//
// One cluster serves a whole test executable: CTest starts it before the
// executable's tests and stops it after them (pg_test_cluster start|stop,
// the state file named by VELLUMO_TEST_PG); run alone, the executable starts
// its own.  Each test takes a database of its own (new_database()).
#pragma once

#include <optional>
#include <string>
#include <vector>

class pg_cluster {
public:
    pg_cluster() = default;
    ~pg_cluster();
    pg_cluster(const pg_cluster &) = delete;
    pg_cluster &operator=(const pg_cluster &) = delete;

    // initdb and start; `durable` keeps fsync on (for benchmarks).  False
    // with error().
    bool create(bool durable = false);
    // Uses a cluster another process created (its state file).
    bool attach(const std::string &state_file);
    bool write_state(const std::string &state_file) const;
    // pg_ctl stop (fast) and start again, on the same folder and socket.
    bool stop();
    bool start();
    // Stops the cluster and removes its folder (only one this object owns:
    // one it made, unless handed on with own(false), or one taken with
    // own(true)).
    void destroy();
    void own(bool owned) { owned_ = owned; }

    bool running() const { return running_; }
    const std::string &error() const { return error_; }
    const std::string &dir() const { return dir_; }
    std::string conninfo(const std::string &db) const;
    std::string uri(const std::string &db) const;

    // A new empty database; "" with error() on failure.
    std::string new_database();
    // Runs one statement as the superuser; the rows as text (a null as
    // nullopt), or nullopt with error().
    using rows = std::vector<std::vector<std::optional<std::string>>>;
    std::optional<rows> sql(const std::string &db, const std::string &statement,
                            const std::vector<std::string> &params = {});

    // The cluster of this executable: the one CTest started (its state file
    // in VELLUMO_TEST_PG, or `state_file`) or, when none runs, its own.
    static pg_cluster &shared(const char *state_file = nullptr);

private:
    bool run(const std::vector<std::string> &args);
    std::string server_log_end() const; // for a failed start or stop

    std::string dir_;
    std::string bin_;
    bool owned_ = false;
    bool running_ = false;
    bool durable_ = false;
    int uid_ = -1, gid_ = -1;
    std::string error_;
    int databases_ = 0;
};

inline constexpr int PG_TEST_PORT = 5432; // names the socket file; no TCP
