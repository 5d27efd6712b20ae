// Print jobs in the database: one row each in vellumo_print_jobs.  Servers
// sharing the database take a printer's jobs in turn: taking is one
// transaction under an advisory lock of that printer, so two servers never
// both take its first job; a write-back names the holder and changes
// nothing once another server has taken the job.
#include <cstring>
#include <mutex>

#include "server/log.h"
#include "server/pg_pool.h"
#include "server/print_queue.h"

namespace {

const char create_sql[] =
    "SELECT pg_advisory_xact_lock(7216843021);"
    "CREATE TABLE IF NOT EXISTS vellumo_print_jobs ("
    " id bigserial PRIMARY KEY,"
    " printer text NOT NULL, user_name text NOT NULL,"
    " key_hash text UNIQUE," // SHA-256 of the user and the key
    " key text NOT NULL, digest text NOT NULL, request text NOT NULL,"
    " labels bigint NOT NULL, printed bigint NOT NULL DEFAULT 0,"
    " state text NOT NULL, error text NOT NULL DEFAULT '',"
    " attempts integer NOT NULL DEFAULT 0, not_before bigint NOT NULL DEFAULT 0,"
    " retry_until bigint NOT NULL DEFAULT 0, owner text NOT NULL DEFAULT '',"
    " lease bigint NOT NULL DEFAULT 0, sent boolean NOT NULL DEFAULT false,"
    " created bigint NOT NULL);"
    "CREATE INDEX IF NOT EXISTS vellumo_print_jobs_waiting ON vellumo_print_jobs (printer, id)"
    " WHERE state IN ('queued', 'printing')";

const char columns[] = "id, printer, user_name, key, digest, request, labels, printed, state, error, attempts, "
                       "not_before, retry_until, owner, lease, sent, created";

pg_param text(const std::string &s)
{
    return {s.data(), static_cast<int>(s.size()), false};
}

print_job job_of(const PGresult *r, int row)
{
    auto v = [&](int c) { return std::string(PQgetvalue(r, row, c)); };
    auto n = [&](int c) { return std::atoll(PQgetvalue(r, row, c)); };
    print_job j;
    j.id = n(0);
    j.printer = v(1);
    j.user = v(2);
    j.key = v(3);
    j.digest = v(4);
    j.request = v(5);
    j.labels = static_cast<long>(n(6));
    j.printed = static_cast<long>(n(7));
    j.state = lsv__job_state_of(v(8)).value_or(job_state::queued);
    j.error = v(9);
    j.attempts = static_cast<int>(n(10));
    j.not_before_ms = n(11);
    j.retry_until_ms = n(12);
    j.owner = v(13);
    j.lease_ms = n(14);
    j.sent = v(15) == "t";
    j.created_ms = n(16);
    return j;
}

class database_jobs final : public job_queue {
public:
    explicit database_jobs(pg_pool &pool) : pool_(pool) {}

    bool open(std::string &error) override
    {
        pg_failure f;
        const auto deadline = pool_.deadline();
        pg_pool::lease db = pool_.take(deadline, f);
        if (!db || !db.run("BEGIN", {}, deadline, f) || !db.run(create_sql, {}, deadline, f) ||
            !db.run("COMMIT", {}, deadline, f))
            return failed(f, error);
        return true;
    }

    bool add(print_job &job, job_added &how, std::string &error) override
    {
        pg_failure f;
        const auto deadline = pool_.deadline();
        pg_pool::lease db = pool_.take(deadline, f);
        if (!db)
            return failed(f, error);
        const std::string key_hash = job.key.empty() ? std::string() : lsv__sha256_hex(job.user + '\0' + job.key);
        const std::string labels = std::to_string(job.labels), created = std::to_string(job.created_ms);
        std::vector<pg_param> p{text(job.printer), text(job.user), text(job.key), text(job.digest),
                                text(job.request), text(labels), text(created), text(key_hash)};
        if (key_hash.empty())
            p.back() = {}; // NULL: no key, no conflict
        pg_result_ptr r = db.run("INSERT INTO vellumo_print_jobs (printer, user_name, key, digest, request, labels, "
                                 "state, created, key_hash) VALUES ($1, $2, $3, $4, $5, $6, 'queued', $7, $8) "
                                 "ON CONFLICT (key_hash) DO NOTHING RETURNING id",
                                 p, deadline, f);
        if (!r)
            return failed(f, error);
        if (PQntuples(r.get()) == 1) {
            job.id = std::atoll(PQgetvalue(r.get(), 0, 0));
            how = job_added::added;
            return true;
        }
        r = db.run((std::string("SELECT ") + columns + " FROM vellumo_print_jobs WHERE key_hash = $1").c_str(),
                   {text(key_hash)}, deadline, f);
        if (!r)
            return failed(f, error);
        if (PQntuples(r.get()) != 1) {
            error = "задание с этим ключом удалено, пока его искали; повторите запрос";
            return false;
        }
        const std::string digest = job.digest;
        job = job_of(r.get(), 0);
        how = job.digest == digest ? job_added::same : job_added::key_taken;
        return true;
    }

    bool get(long long id, std::optional<print_job> &job, std::string &error) override
    {
        job.reset();
        pg_failure f;
        const auto deadline = pool_.deadline();
        pg_pool::lease db = pool_.take(deadline, f);
        if (!db)
            return failed(f, error);
        const std::string id_text = std::to_string(id);
        pg_result_ptr r = db.run((std::string("SELECT ") + columns + " FROM vellumo_print_jobs WHERE id = $1").c_str(),
                                 {text(id_text)}, deadline, f);
        if (!r)
            return failed(f, error);
        if (PQntuples(r.get()) == 1)
            job = job_of(r.get(), 0);
        return true;
    }

    bool take(const std::string &printer, const std::string &owner, long long now_ms, long long lease_ms,
              std::optional<print_job> &job, std::string &error) override
    {
        job.reset();
        pg_failure f;
        const auto deadline = pool_.deadline();
        pg_pool::lease db = pool_.take(deadline, f);
        if (!db || !db.run("BEGIN", {}, deadline, f) ||
            !db.run("SELECT pg_advisory_xact_lock(721684302, hashtext($1))", {text(printer)}, deadline, f))
            return failed(f, error);
        for (;;) {
            pg_result_ptr r = db.run((std::string("SELECT ") + columns +
                                      " FROM vellumo_print_jobs WHERE printer = $1 AND state IN ('queued', "
                                      "'printing') ORDER BY id LIMIT 1")
                                         .c_str(),
                                     {text(printer)}, deadline, f);
            if (!r)
                return failed(f, error);
            if (PQntuples(r.get()) == 0)
                break;
            print_job head = job_of(r.get(), 0);
            const head_step step = lsv__head_step(head, owner, now_ms, lease_ms);
            if (step == head_step::wait)
                break;
            if (!write(db, head, deadline, f))
                return failed(f, error);
            if (step == head_step::take) {
                job = head;
                break;
            }
        }
        if (!db.run("COMMIT", {}, deadline, f)) {
            job.reset();
            return failed(f, error);
        }
        return true;
    }

    bool put(const print_job &job, bool &held, std::string &error) override
    {
        pg_failure f;
        const auto deadline = pool_.deadline();
        pg_pool::lease db = pool_.take(deadline, f);
        if (!db)
            return failed(f, error);
        pg_result_ptr r = write(db, job, deadline, f, true);
        if (!r)
            return failed(f, error);
        const char *n = PQcmdTuples(r.get());
        held = n && std::strcmp(n, "1") == 0;
        return true;
    }

private:
    // Writes the job's state back; with `holder`, only while it is held by
    // job.owner.
    pg_result_ptr write(pg_pool::lease &db, const print_job &j, pg_clock::time_point deadline, pg_failure &f,
                        bool holder = false)
    {
        const std::string id = std::to_string(j.id), printed = std::to_string(j.printed),
                          attempts = std::to_string(j.attempts), not_before = std::to_string(j.not_before_ms),
                          retry_until = std::to_string(j.retry_until_ms), lease = std::to_string(j.lease_ms);
        std::string sql = "UPDATE vellumo_print_jobs SET printed = $2, state = $3, error = $4, attempts = $5, "
                          "not_before = $6, retry_until = $7, owner = $8, lease = $9, sent = $10 WHERE id = $1";
        if (holder)
            sql += " AND owner = $8 AND state = 'printing'";
        return db.run(sql.c_str(),
                      {text(id), text(printed), text(lsv__job_state_name(j.state)), text(j.error), text(attempts),
                       text(not_before), text(retry_until), text(j.owner), text(lease),
                       text(j.sent ? "true" : "false")},
                      deadline, f);
    }

    bool failed(const pg_failure &f, std::string &error)
    {
        error = f.reason;
        std::lock_guard<std::mutex> lock(log_mutex_);
        log_.log("задания печати: база данных: " + f.reason +
                 (f.detail.empty() ? "" : ": " + lsv__client_text(f.detail, 400)));
        return false;
    }

    pg_pool &pool_;
    std::mutex log_mutex_;
    lsv_log_throttle log_; // an outage fails every round of every printer: a line a second
};

} // namespace

std::unique_ptr<job_queue> lsv__database_jobs(pg_pool &pool)
{
    return std::make_unique<database_jobs>(pool);
}
