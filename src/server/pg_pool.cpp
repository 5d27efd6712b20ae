#include "server/pg_pool.h"

#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

#include <algorithm>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <thread>

namespace {

struct conninfo_deleter {
    void operator()(PQconninfoOption *o) const { PQconninfoFree(o); }
};

int ms_until(pg_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - pg_clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

// Waits until the socket is ready for `events`; false at the deadline.
bool wait_socket(PGconn *c, short events, pg_clock::time_point deadline, short *revents = nullptr)
{
    for (;;) {
        const int fd = PQsocket(c);
        if (fd < 0)
            return true; // libpq reports the failure itself
        const int left = ms_until(deadline);
        if (left == 0)
            return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, std::min(left, 250));
        if (n > 0) {
            if (revents)
                *revents = p.revents;
            return true;
        }
    }
}

std::string trimmed(const char *text)
{
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

bool lost_state(const std::string &sqlstate)
{
    // Class 08 (connection exception) and the database shutting down.
    return sqlstate.rfind("08", 0) == 0 || sqlstate == "57P01" || sqlstate == "57P02" || sqlstate == "57P03";
}

void set_failure(pg_failure &f, PGconn *c, const PGresult *r, const std::string &timeout_reason = {})
{
    f.sqlstate = r && PQresultErrorField(r, PG_DIAG_SQLSTATE) ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : "";
    f.detail = trimmed(r && *PQresultErrorMessage(r) ? PQresultErrorMessage(r) : PQerrorMessage(c));
    f.connection_lost = PQstatus(c) != CONNECTION_OK || lost_state(f.sqlstate);
    if (!timeout_reason.empty()) {
        f.reason = timeout_reason;
        f.connection_lost = true;
    } else if (f.connection_lost)
        f.reason = pl__tr8(VL_TR("vellumo", "нет связи с базой данных"));
    else if (f.sqlstate == "57014")
        f.reason = pl__tr8(VL_TR("vellumo", "база данных не ответила вовремя"));
    else
        f.reason = pl__tr8(VL_TR("vellumo", "ошибка базы данных"));
}

void quiet_notices(void *, const char *) {}

// One statement on a connection, every result read, within the deadline;
// null with the failure.
enum class send_kind { query, prepared, prepare };

pg_result_ptr run_on(PGconn *conn_, const char *sql, const std::vector<pg_param> &params,
                     pg_clock::time_point deadline, const pg_timeouts &timeouts, pg_failure &failure,
                     bool binary_result, send_kind kind = send_kind::query, const char *prepare_sql = nullptr)
{
    const std::string late = plt__to_utf8(msc__format(VL_TR("vellumo", "база данных не ответила за %1 с"), (timeouts.operation_ms + 999) / 1000));
    auto fail = [&](const PGresult *r, const std::string &timeout_reason = {}) {
        set_failure(failure, conn_, r, timeout_reason);
        return pg_result_ptr();
    };
    std::vector<const char *> values;
    std::vector<int> lengths, formats;
    for (const pg_param &p : params) {
        values.push_back(p.data);
        lengths.push_back(p.length);
        formats.push_back(p.binary ? 1 : 0);
    }
    std::size_t total = 0;
    for (const pg_param &p : params)
        total += static_cast<std::size_t>(p.length);
    // libpq moves what is left of its buffer to the front after every
    // partial send of a non-blocking connection, so a large statement is
    // sent blocking, with a watchdog that shuts the socket at the deadline.
    const bool large = total > (1u << 20);
    std::mutex watch_m;
    std::condition_variable watch_cv;
    bool sending = large, shut = false;
    std::thread watchdog;
    if (large) {
        PQsetnonblocking(conn_, 0);
        watchdog = std::thread([&] {
            std::unique_lock<std::mutex> lk(watch_m);
            if (!watch_cv.wait_until(lk, deadline, [&] { return !sending; })) {
                ::shutdown(PQsocket(conn_), SHUT_RDWR);
                shut = true;
            }
        });
    }
    const int n = static_cast<int>(params.size());
    const int sent =
        kind == send_kind::prepare    ? PQsendPrepare(conn_, sql, prepare_sql, 0, nullptr)
        : kind == send_kind::prepared ? PQsendQueryPrepared(conn_, sql, n, values.data(), lengths.data(),
                                                            formats.data(), binary_result ? 1 : 0)
        : params.empty()              ? PQsendQuery(conn_, sql)
                                      : PQsendQueryParams(conn_, sql, n, nullptr, values.data(), lengths.data(),
                                                          formats.data(), binary_result ? 1 : 0);
    if (large) {
        {
            std::lock_guard<std::mutex> lk(watch_m);
            sending = false;
        }
        watch_cv.notify_all();
        watchdog.join();
        PQsetnonblocking(conn_, 1);
        if (shut)
            return fail(nullptr, late);
    }
    if (!sent)
        return fail(nullptr);
    for (;;) {
        const int f = PQflush(conn_);
        if (f == 0)
            break;
        if (f < 0)
            return fail(nullptr);
        short revents = 0;
        if (!wait_socket(conn_, POLLOUT | POLLIN, deadline, &revents))
            return fail(nullptr, late);
        if ((revents & POLLIN) && !PQconsumeInput(conn_))
            return fail(nullptr);
    }
    pg_result_ptr kept, error;
    for (;;) {
        while (PQisBusy(conn_)) {
            if (!wait_socket(conn_, POLLIN, deadline))
                return fail(nullptr, late);
            if (!PQconsumeInput(conn_))
                return fail(nullptr);
        }
        pg_result_ptr r(PQgetResult(conn_));
        if (!r)
            break;
        const ExecStatusType st = PQresultStatus(r.get());
        if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK)
            kept = std::move(r);
        else if (!error)
            error = std::move(r);
    }
    if (error || PQstatus(conn_) != CONNECTION_OK)
        return fail(error.get());
    return kept;
}

} // namespace

bool pg_pool::check_conninfo(const std::string &conninfo, std::string &error)
{
    char *err = nullptr;
    std::unique_ptr<PQconninfoOption, conninfo_deleter> opts(PQconninfoParse(conninfo.c_str(), &err));
    if (!opts) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "строка подключения к базе не читается: %1"), trimmed(err).c_str()));
        PQfreemem(err);
        return false;
    }
    for (PQconninfoOption *o = opts.get(); o->keyword; ++o)
        if (std::strcmp(o->keyword, "password") == 0 && o->val && *o->val) {
            error = pl__tr8(VL_TR("vellumo", "пароль в строке подключения не принимается (его видно в списке процессов): "
                                             "задайте его в переменной PGPASSWORD или в файле ~/.pgpass"));
            return false;
        }
    return true;
}

pg_pool::pg_pool(std::string conninfo, int max, pg_timeouts timeouts, statements prepared)
    : statements_(std::move(prepared)), max_(std::max(1, max)), timeouts_(timeouts)
{
    char *err = nullptr;
    std::unique_ptr<PQconninfoOption, conninfo_deleter> opts(PQconninfoParse(conninfo.c_str(), &err));
    PQfreemem(err);
    auto set = [this](const char *key, const std::string &value, bool keep_given) {
        for (std::size_t i = 0; i < keywords_.size(); ++i)
            if (keywords_[i] == key) {
                if (!keep_given)
                    values_[i] = value;
                return;
            }
        keywords_.push_back(key);
        values_.push_back(value);
    };
    if (opts)
        for (PQconninfoOption *o = opts.get(); o->keyword; ++o)
            if (o->val && std::strcmp(o->keyword, "password") != 0)
                set(o->keyword, o->val, false);
    set("connect_timeout", std::to_string(timeouts_.connect_s), true);
    set("application_name", "vellumo-server", true);
    set("keepalives_idle", "5", true);
    set("keepalives_interval", "2", true);
    set("keepalives_count", "3", true);
    set("tcp_user_timeout", std::to_string(timeouts_.operation_ms), true);
    set("client_encoding", "UTF8", false); // names and descriptions are sent and read as UTF-8
    for (std::size_t i = 0; i < keywords_.size(); ++i)
        if (keywords_[i] == "connect_timeout") {
            const int given = std::atoi(values_[i].c_str());
            if (given > 0)
                timeouts_.connect_s = std::max(2, given); // libpq takes 1 as 2 too
        }
}

pg_pool::~pg_pool()
{
    close_idle();
}

void pg_pool::close_idle()
{
    std::vector<PGconn *> closing;
    {
        std::lock_guard<std::mutex> lk(m_);
        closing.swap(idle_);
        open_ -= static_cast<int>(closing.size());
    }
    for (PGconn *c : closing)
        PQfinish(c);
    cv_.notify_all();
}

int pg_pool::open_connections()
{
    std::lock_guard<std::mutex> lk(m_);
    return open_;
}

PGconn *pg_pool::connect(pg_clock::time_point deadline, pg_failure &failure)
{
    // libpq's connect_timeout holds only for blocking connects.
    deadline = std::min(deadline, pg_clock::now() + std::chrono::seconds(timeouts_.connect_s));
    std::vector<const char *> k, v;
    for (std::size_t i = 0; i < keywords_.size(); ++i) {
        k.push_back(keywords_[i].c_str());
        v.push_back(values_[i].c_str());
    }
    k.push_back(nullptr);
    v.push_back(nullptr);
    PGconn *c = PQconnectStartParams(k.data(), v.data(), 0);
    if (!c) {
        failure = {pl__tr8(VL_TR("vellumo", "нет связи с базой данных")), "нет памяти для соединения", "", true};
        return nullptr;
    }
    PQsetNoticeProcessor(c, quiet_notices, nullptr);
    PostgresPollingStatusType st = PGRES_POLLING_WRITING;
    while (PQstatus(c) != CONNECTION_BAD && st != PGRES_POLLING_OK && st != PGRES_POLLING_FAILED) {
        if (!wait_socket(c, st == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline)) {
            failure = {plt__to_utf8(msc__format(VL_TR("vellumo", "база данных не ответила на подключение за %1 с"), timeouts_.connect_s)),
                       "подключение не завершилось вовремя", "", true};
            PQfinish(c);
            return nullptr;
        }
        st = PQconnectPoll(c);
    }
    if (PQstatus(c) != CONNECTION_OK) {
        failure = {pl__tr8(VL_TR("vellumo", "нет связи с базой данных")), trimmed(PQerrorMessage(c)), "", true};
        PQfinish(c);
        return nullptr;
    }
    const char *encoding = PQparameterStatus(c, "server_encoding");
    if (!encoding || std::strcmp(encoding, "UTF8") != 0) {
        failure = {plt__to_utf8(msc__format(VL_TR("vellumo", "база данных в кодировке %1, а имена этикеток хранятся только в UTF8 (CREATE DATABASE … ENCODING 'UTF8')"), encoding ? encoding : "?")),
                   "", "", false};
        PQfinish(c);
        return nullptr;
    }
    PQsetnonblocking(c, 1);
    const std::string set = "SET statement_timeout = " + std::to_string(timeouts_.statement_ms) +
                            "; SET idle_in_transaction_session_timeout = " +
                            std::to_string(timeouts_.operation_ms * 2);
    if (!run_on(c, set.c_str(), {}, deadline, timeouts_, failure, false)) {
        PQfinish(c);
        return nullptr;
    }
    for (const auto &[name, sql] : statements_)
        if (!run_on(c, name.c_str(), {}, deadline, timeouts_, failure, false, send_kind::prepare, sql.c_str())) {
            PQfinish(c);
            return nullptr;
        }
    return c;
}

pg_pool::lease pg_pool::take(pg_clock::time_point deadline, pg_failure &failure)
{
    std::unique_lock<std::mutex> lk(m_);
    for (;;) {
        if (!idle_.empty()) {
            PGconn *c = idle_.back();
            idle_.pop_back();
            lk.unlock();
            // Anything the database sent to an idle connection is its last
            // word (a restart, a terminated backend): that one is done.
            bool alive = PQstatus(c) == CONNECTION_OK;
            pollfd p{PQsocket(c), POLLIN, 0};
            if (alive && ::poll(&p, 1, 0) != 0)
                alive = false;
            if (alive)
                return lease(this, c);
            PQfinish(c);
            lk.lock();
            --open_;
            continue;
        }
        if (open_ < max_) {
            ++open_;
            lk.unlock();
            PGconn *c = connect(deadline, failure);
            if (c)
                return lease(this, c);
            lk.lock();
            --open_;
            cv_.notify_one();
            return {};
        }
        if (cv_.wait_until(lk, deadline) == std::cv_status::timeout && idle_.empty() && open_ >= max_) {
            failure = {plt__to_utf8(msc__format(VL_TR("vellumo", "все %1 соединений с базой данных заняты"), max_)), "", "", false};
            return {};
        }
    }
}

void pg_pool::give_back(PGconn *conn, bool reusable)
{
    if (!reusable) {
        PQfinish(conn);
        std::lock_guard<std::mutex> lk(m_);
        --open_;
    } else {
        std::lock_guard<std::mutex> lk(m_);
        idle_.push_back(conn);
    }
    cv_.notify_one();
}

pg_pool::lease::~lease()
{
    if (conn_)
        pool_->give_back(conn_, PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) == PQTRANS_IDLE);
}

void pg_pool::lease::discard()
{
    if (!conn_)
        return;
    pool_->give_back(conn_, false);
    conn_ = nullptr;
}


pg_result_ptr pg_pool::lease::run(const char *sql, const std::vector<pg_param> &params,
                                  pg_clock::time_point deadline, pg_failure &failure, bool binary_result)
{
    pg_result_ptr r = run_on(conn_, sql, params, deadline, pool_->timeouts_, failure, binary_result);
    if (!r)
        discard();
    return r;
}

pg_result_ptr pg_pool::lease::run_prepared(const char *name, const std::vector<pg_param> &params,
                                           pg_clock::time_point deadline, pg_failure &failure, bool binary_result)
{
    pg_result_ptr r =
        run_on(conn_, name, params, deadline, pool_->timeouts_, failure, binary_result, send_kind::prepared);
    if (!r)
        discard();
    return r;
}
