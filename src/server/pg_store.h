// The database store: labels in one PostgreSQL table, so that several
// servers behind a load balancer share one set of labels.
//
//   vellumo_labels   name (primary key, compared byte for byte), description,
//                    bytes (the .lbl file the folder store would write),
//                    modified, generation (from one sequence: a new number
//                    on every write, never used twice)
//   vellumo_schema   the version of these tables, for later migrations
//
// The tables are made on the first start (under an advisory lock, so that
// servers starting together do not race).  A save is one statement that
// inserts or replaces the whole row (the last commit wins, never a mix); a
// rename is one transaction that inserts the new name and deletes the old
// (a new name already taken, even by another server a moment ago, is
// "exists"); a drop is one statement.
//
// Parsed labels are cached by name and generation: a load asks the database
// for the row's generation and gets the bytes only when they changed.
#pragma once

#include <mutex>
#include <string>

#include "server/label_cache.h"
#include "server/log.h"
#include "server/pg_pool.h"
#include "server/store.h"

inline constexpr int PG_STORE_SCHEMA_VERSION = 1;
inline constexpr int PG_STORE_CONNECTIONS = 32;

class pg_store final : public server_store {
public:
    pg_store(std::string conninfo, std::size_t cache_bytes = 64u << 20, pg_timeouts timeouts = {},
             int connections = PG_STORE_CONNECTIONS);
    ~pg_store() override;
    pg_store(const pg_store &) = delete;
    pg_store &operator=(const pg_store &) = delete;

    // Connects, checks the database, makes the tables on a first start;
    // false with a reason.
    bool open(std::string &error);

    std::string where() const override;
    void stop() override { pool_.close_idle(); }

    result list(std::vector<stored_label> &out, std::string &error) override;
    xmlrpc_value *load(xmlrpc_env *env, const std::u16string &name, result &r, std::string &error) override;
    result save(const label *lab, std::string &error) override { return put(lab, error, true); }
    result add(const label *lab, std::string &error) override { return put(lab, error, false); }
    result drop(const std::u16string &name, std::string &error) override;
    result rename(const std::u16string &old_name, const std::u16string &new_name, std::string &error) override;

    pg_pool &pool() { return pool_; }
    std::size_t cache_bytes_in_use();

private:
    result put(const label *lab, std::string &error, bool replace);
    // The reason for the caller; the details go into the log.
    result failed(const pg_failure &f, std::string &error);
    void cache_put(const std::string &name, long long generation, xmlrpc_value *value, std::size_t file_bytes);

    std::string conninfo_;
    pg_pool pool_;
    std::mutex mutex_; // the cache
    label_cache<long long> cache_; // by the name in UTF-8, at the row's generation
    lsv_log_throttle lost_log_; // an outage fails every call: one line a second
    std::mutex log_mutex_;
};
