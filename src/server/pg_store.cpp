#include "server/pg_store.h"

#include <QCryptographicHash>
#include <cstring>
#include <sys/stat.h>

#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

namespace {

// Servers starting together make the tables one after the other.
const char schema_lock[] = "SELECT pg_advisory_xact_lock(7216843021)";

const char create_tables[] =
    "CREATE TABLE IF NOT EXISTS vellumo_schema (version integer NOT NULL);"
    "CREATE SEQUENCE IF NOT EXISTS vellumo_label_generation;"
    "CREATE TABLE IF NOT EXISTS vellumo_labels ("
    " name text COLLATE \"C\" NOT NULL,"
    " name_key bytea PRIMARY KEY," // SHA-256 of the name: a B-tree holds no name above 2.7 KB
    " description text NOT NULL,"
    " bytes bytea NOT NULL,"
    " modified timestamptz NOT NULL DEFAULT now(),"
    " generation bigint NOT NULL DEFAULT nextval('vellumo_label_generation'))";

const char save_sql[] =
    "INSERT INTO vellumo_labels (name, name_key, description, bytes) VALUES ($1, $2, $3, $4) "
    "ON CONFLICT (name_key) DO UPDATE SET name = EXCLUDED.name, description = EXCLUDED.description, bytes = EXCLUDED.bytes, "
    "modified = now(), generation = nextval('vellumo_label_generation')";

const char add_sql[] =
    "INSERT INTO vellumo_labels (name, name_key, description, bytes) VALUES ($1, $2, $3, $4) "
    "ON CONFLICT (name_key) DO NOTHING";

// The generation and, when it is not the one the caller has, the bytes
// (unless they are more than a label file may be).
const char load_sql[] =
    "SELECT generation, octet_length(bytes), "
    "CASE WHEN generation = $3::bigint OR octet_length(bytes) > $4::integer THEN NULL ELSE bytes END "
    "FROM vellumo_labels WHERE name_key = $2 AND name = $1";

// The row's key: the SHA-256 of the name's UTF-8.
std::string key_of(const std::string &name)
{
    const QByteArray d = QCryptographicHash::hash(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())),
                                                  QCryptographicHash::Sha256);
    return std::string(d.constData(), static_cast<std::size_t>(d.size()));
}

pg_param text(const std::string &s)
{
    return {s.data(), static_cast<int>(s.size()), false};
}

pg_param binary(const std::string &s)
{
    return {s.data(), static_cast<int>(s.size()), true};
}

long long big_endian(const char *p, int len)
{
    unsigned long long v = 0;
    for (int i = 0; i < len; ++i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    if (len == 4)
        return static_cast<int>(static_cast<unsigned>(v));
    return static_cast<long long>(v);
}

bool affected_none(const PGresult *r)
{
    const char *n = PQcmdTuples(const_cast<PGresult *>(r));
    return n && std::strcmp(n, "0") == 0;
}

} // namespace

pg_store::pg_store(std::string conninfo, std::size_t cache_bytes, pg_timeouts timeouts, int connections)
    : conninfo_(std::move(conninfo)), pool_(conninfo_, connections, timeouts), cache_(cache_bytes)
{
}

pg_store::~pg_store() = default;

std::string pg_store::where() const
{
    return "базе данных PostgreSQL «" + lsv__client_text(conninfo_) + "»";
}

server_store::result pg_store::failed(const pg_failure &f, std::string &error)
{
    error = f.reason;
    const std::string line = "база данных: " + f.reason + (f.detail.empty() ? "" : ": " + lsv__client_text(f.detail, 400));
    std::lock_guard<std::mutex> lock(log_mutex_);
    if (f.connection_lost)
        lost_log_.log(line);
    else
        lsv__log_call("", line); // calls cause them: folded like their own lines
    return result::io_error;
}

bool pg_store::open(std::string &error)
{
    if (!pg_pool::check_conninfo(conninfo_, error))
        return false;
    pg_failure f;
    const auto deadline = pool_.deadline();
    pg_pool::lease db = pool_.take(deadline, f);
    auto fail = [&] {
        error = f.reason + (f.detail.empty() ? "" : " (" + f.detail + ")");
        return false;
    };
    if (!db)
        return fail();
    pg_result_ptr r = db.run("SELECT to_regclass('vellumo_schema') IS NOT NULL", {}, deadline, f);
    if (!r)
        return fail();
    const bool made = std::strcmp(PQgetvalue(r.get(), 0, 0), "t") == 0;
    if (!made) {
        // A role that may only read and write the tables never gets here.
        if (!db.run("BEGIN", {}, deadline, f) || !db.run(schema_lock, {}, deadline, f) ||
            !db.run(create_tables, {}, deadline, f))
            return fail();
        r = db.run("SELECT count(*) FROM vellumo_schema", {}, deadline, f);
        if (!r)
            return fail();
        if (std::strcmp(PQgetvalue(r.get(), 0, 0), "0") == 0) {
            const std::string insert =
                "INSERT INTO vellumo_schema (version) VALUES (" + std::to_string(PG_STORE_SCHEMA_VERSION) + ")";
            if (!db.run(insert.c_str(), {}, deadline, f))
                return fail();
        }
        if (!db.run("COMMIT", {}, deadline, f))
            return fail();
    }
    r = db.run("SELECT coalesce(max(version), 0) FROM vellumo_schema", {}, deadline, f);
    if (!r)
        return fail();
    const int version = std::atoi(PQgetvalue(r.get(), 0, 0));
    if (version != PG_STORE_SCHEMA_VERSION) {
        error = version > PG_STORE_SCHEMA_VERSION
                    ? plt__to_utf8(msc__format(VL_TR("vellumo", "таблицы этикеток в базе версии %1, а этот сервер знает только версию %2: нужен более новый vellumo-server"), version, PG_STORE_SCHEMA_VERSION))
                    : pl__tr8(VL_TR("vellumo", "в таблице vellumo_schema нет версии таблиц этикеток"));
        return false;
    }
    return true;
}

std::size_t pg_store::cache_bytes_in_use()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cache_.bytes_in_use();
}

void pg_store::cache_put(const std::string &name, long long generation, xmlrpc_value *value, std::size_t file_bytes)
{
    const std::size_t bytes = lsv__cache_cost(value, file_bytes);
    std::lock_guard<std::mutex> lock(mutex_);
    if (const long long *kept = cache_.stamp(name); kept && *kept > generation)
        return; // a newer one came in meanwhile
    cache_.put(name, generation, value, bytes);
}

server_store::result pg_store::list(std::vector<stored_label> &out, std::string &error)
{
    out.clear();
    pg_failure f;
    const auto deadline = pool_.deadline();
    pg_result_ptr r;
    {
        pg_pool::lease db = pool_.take(deadline, f);
        if (!db)
            return failed(f, error);
        r = db.run("SELECT name, description, (extract(epoch FROM modified) * 1000)::bigint FROM vellumo_labels", {},
                   deadline, f);
        if (!r)
            return failed(f, error);
    }
    const int n = PQntuples(r.get());
    out.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out.push_back({plt__from_utf8(PQgetvalue(r.get(), i, 0)), plt__from_utf8(PQgetvalue(r.get(), i, 1)),
                       std::atoll(PQgetvalue(r.get(), i, 2))});
    r.reset();
    lsv__sort_by_name(out);
    return result::ok;
}

xmlrpc_value *pg_store::load(xmlrpc_env *env, const std::u16string &name, result &r, std::string &error)
{
    r = result::not_found;
    if (name.empty())
        return nullptr;
    const std::string key = plt__to_utf8(name);
    long long cached = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (const long long *kept = cache_.stamp(key))
            cached = *kept;
    }
    const std::string cached_text = std::to_string(cached), limit = std::to_string(INO_XML_SIZE_LIMIT);
    pg_failure f;
    const auto deadline = pool_.deadline();
    long long generation = 0, size = 0;
    std::string bytes;
    bool have_bytes = false;
    {
        pg_pool::lease db = pool_.take(deadline, f);
        if (!db) {
            r = failed(f, error);
            return nullptr;
        }
        const std::string hash = key_of(key);
        pg_result_ptr row =
            db.run(load_sql, {text(key), binary(hash), text(cached_text), text(limit)}, deadline, f, true);
        if (!row) {
            r = failed(f, error);
            return nullptr;
        }
        if (PQntuples(row.get()) == 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            cache_.forget(key);
            return nullptr;
        }
        generation = big_endian(PQgetvalue(row.get(), 0, 0), PQgetlength(row.get(), 0, 0));
        size = big_endian(PQgetvalue(row.get(), 0, 1), PQgetlength(row.get(), 0, 1));
        if (!PQgetisnull(row.get(), 0, 2)) {
            bytes.assign(PQgetvalue(row.get(), 0, 2), static_cast<std::size_t>(PQgetlength(row.get(), 0, 2)));
            have_bytes = true;
        }
    }
    if (!have_bytes && generation == cached) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (xmlrpc_value *kept = cache_.take(key, generation)) {
                r = result::ok;
                return kept;
            }
        }
        // Pushed out meanwhile: read it again (the lock is free again, or
        // the next load would wait for it for ever).
        return load(env, name, r, error);
    }
    if (!have_bytes) {
        r = result::bad_label;
        error = "сохранённая этикетка больше " + std::to_string(INO_XML_SIZE_LIMIT >> 20) + " МиБ";
        return nullptr;
    }
    label_ptr lab;
    xmlrpc_value_ptr value(lsv__label_from_file_bytes(bytes, env, lab));
    // A row is the label of its own name or nothing the store can use.
    if (!value || lab->name != name) {
        r = result::bad_label;
        error = "сохранённая этикетка не читается";
        return nullptr;
    }
    lab.reset();
    cache_put(key, generation, value.get(), static_cast<std::size_t>(size));
    r = result::ok;
    return value.release();
}

server_store::result pg_store::put(const label *lab, std::string &error, bool replace)
{
    if (lab->name.empty())
        return result::empty_name;
    if (auto m = ino__unsavable(lab)) {
        error = plt__to_utf8(*m);
        return result::bad_label;
    }
    std::string bytes;
    if (!lsv__label_file_bytes(lab, bytes, error))
        return result::bad_label;
    const std::string key = plt__to_utf8(lab->name), desc = plt__to_utf8(lab->desc);
    pg_failure f;
    const auto deadline = pool_.deadline();
    pg_pool::lease db = pool_.take(deadline, f);
    if (!db)
        return failed(f, error);
    const std::string hash = key_of(key);
    pg_result_ptr r =
        db.run(replace ? save_sql : add_sql, {text(key), binary(hash), text(desc), binary(bytes)}, deadline, f);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cache_.forget(key);
    }
    if (!r)
        return failed(f, error);
    return affected_none(r.get()) ? result::exists : result::ok;
}

server_store::result pg_store::drop(const std::u16string &name, std::string &error)
{
    if (name.empty())
        return result::empty_name;
    const std::string key = plt__to_utf8(name);
    pg_failure f;
    const auto deadline = pool_.deadline();
    pg_pool::lease db = pool_.take(deadline, f);
    if (!db)
        return failed(f, error);
    const std::string hash = key_of(key);
    pg_result_ptr r =
        db.run("DELETE FROM vellumo_labels WHERE name_key = $2 AND name = $1", {text(key), binary(hash)}, deadline, f);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cache_.forget(key);
    }
    if (!r)
        return failed(f, error);
    return affected_none(r.get()) ? result::not_found : result::ok;
}

server_store::result pg_store::rename(const std::u16string &old_name, const std::u16string &new_name,
                                     std::string &error)
{
    if (old_name.empty() || new_name.empty())
        return result::empty_name;
    const std::string from = plt__to_utf8(old_name), to = plt__to_utf8(new_name);
    const std::string from_key = key_of(from), to_key = key_of(to), limit = std::to_string(INO_XML_SIZE_LIMIT);
    const auto deadline = pool_.deadline();
    auto forget = [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        cache_.forget(from);
        cache_.forget(to);
    };
    // The label is read and rewritten under its new name outside the
    // transaction; the transaction then checks that the row is still the
    // one that was read (its generation), so no lock is held while parsing.
    for (int attempt = 0; attempt < 5; ++attempt) {
        pg_failure f;
        long long generation = 0;
        std::string bytes;
        {
            pg_pool::lease db = pool_.take(deadline, f);
            if (!db)
                return failed(f, error);
            pg_result_ptr row = db.run("SELECT generation, bytes FROM vellumo_labels "
                                       "WHERE name_key = $2 AND name = $1 AND octet_length(bytes) <= $3::integer",
                                       {text(from), binary(from_key), text(limit)}, deadline, f, true);
            if (!row)
                return failed(f, error);
            if (PQntuples(row.get()) == 0)
                return result::not_found;
            generation = big_endian(PQgetvalue(row.get(), 0, 0), PQgetlength(row.get(), 0, 0));
            bytes.assign(PQgetvalue(row.get(), 0, 1), static_cast<std::size_t>(PQgetlength(row.get(), 0, 1)));
        }
        ino_env env;
        label_ptr lab;
        xmlrpc_value_ptr value(lsv__label_from_file_bytes(bytes, &env.env, lab));
        // As in the folder store: a label that does not read is not there.
        if (!value || lab->name != old_name)
            return result::not_found;
        value.reset();
        if (old_name == new_name)
            return result::ok;
        lab->name = new_name;
        std::string renamed;
        if (!lsv__label_file_bytes(lab.get(), renamed, error))
            return result::io_error;
        const std::string desc = plt__to_utf8(lab->desc);
        lab.reset();

        pg_pool::lease db = pool_.take(deadline, f);
        if (!db)
            return failed(f, error);
        if (!db.run("BEGIN", {}, deadline, f))
            return failed(f, error);
        pg_result_ptr now = db.run("SELECT generation FROM vellumo_labels WHERE name_key = $2 AND name = $1 FOR UPDATE",
                                   {text(from), binary(from_key)}, deadline, f, true);
        if (!now)
            return failed(f, error);
        auto rollback = [&] {
            pg_failure ignored;
            db.run("ROLLBACK", {}, deadline, ignored); // a failure closes the connection: rolled back too
        };
        if (PQntuples(now.get()) == 0) {
            rollback();
            return result::not_found; // dropped or renamed meanwhile
        }
        if (big_endian(PQgetvalue(now.get(), 0, 0), PQgetlength(now.get(), 0, 0)) != generation) {
            rollback();
            continue; // saved again meanwhile: rename that one
        }
        // The new name is taken when a row has it, or gets it from a
        // transaction not yet committed (the insert waits for that one).
        pg_result_ptr added =
            db.run(add_sql, {text(to), binary(to_key), text(desc), binary(renamed)}, deadline, f);
        if (!added)
            return failed(f, error);
        if (affected_none(added.get())) {
            rollback();
            return result::exists;
        }
        const bool done = db.run("DELETE FROM vellumo_labels WHERE name_key = $2 AND name = $1",
                                 {text(from), binary(from_key)}, deadline, f) &&
                          db.run("COMMIT", {}, deadline, f);
        forget();
        return done ? result::ok : failed(f, error);
    }
    error = "этикетку всё время меняют другие вызовы";
    return result::io_error;
}

bool lsv__is_database_store(const std::string &spec)
{
    if (spec.rfind("postgresql://", 0) == 0 || spec.rfind("postgres://", 0) == 0)
        return true;
    // "host=… dbname=…": a libpq setting before the first "=", and no
    // folder of that name.
    const std::size_t eq = spec.find('=');
    if (eq == std::string::npos || eq == 0)
        return false;
    struct stat st;
    if (::stat(spec.c_str(), &st) == 0)
        return false;
    std::string key = spec.substr(0, eq);
    while (!key.empty() && key.back() == ' ')
        key.pop_back();
    while (!key.empty() && key.front() == ' ')
        key.erase(0, 1);
    PQconninfoOption *defaults = PQconndefaults();
    bool known = false;
    for (PQconninfoOption *o = defaults; o && o->keyword; ++o)
        known = known || key == o->keyword;
    PQconninfoFree(defaults);
    return known;
}

std::unique_ptr<server_store> lsv__open_store(const std::string &spec, std::size_t cache_bytes, std::string &error)
{
    if (lsv__is_database_store(spec)) {
        auto store = std::make_unique<pg_store>(spec, cache_bytes);
        if (!store->open(error)) {
            error = plt__to_utf8(msc__format(VL_TR("vellumo", "база данных этикеток: %1"), error.c_str()));
            return nullptr;
        }
        return store;
    }
    auto store = std::make_unique<folder_store>(spec, cache_bytes);
    if (!store->usable(error)) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "папка этикеток %1: %2"), spec.c_str(), error.c_str()));
        return nullptr;
    }
    return store;
}
