// The database store on its own, against a real PostgreSQL: its tables, its
// rows, its connections and deadlines, the order of names, and copying
// between the folder and the database.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <future>
#include <random>
#include <sys/stat.h>
#include <thread>

#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "server/pg_store.h"
#include "server/store_copy.h"
#include "support/pg_cluster.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

pg_cluster &cluster()
{
    return pg_cluster::shared(VELLUMO_TEST_PG_STATE);
}

label_ptr named(const std::u16string &name, const std::u16string &desc = u"описание")
{
    label_ptr lab = ele__label_new(100, 50);
    lab->name = name;
    lab->desc = desc;
    element *t = ele__add(lab.get(), 0);
    t->type = ELE_TEXT;
    t->width = 50;
    t->height = 10;
    t->text.text = desc;
    return lab;
}

// The label the store gives for that name, or null with `r`.
label_ptr load(server_store &store, const std::u16string &name, server_store::result &r)
{
    ino_env env;
    std::string error;
    xmlrpc_value_ptr v(store.load(&env.env, name, r, error));
    if (!v)
        return nullptr;
    ino_env conv;
    return ino__value_to_label(&conv.env, v.get(), false);
}

std::string text_of(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class DatabaseStore : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cluster().running()) << cluster().error();
        ASSERT_FALSE(db.empty()) << cluster().error();
        std::string error;
        ASSERT_TRUE(store.open(error)) << error;
    }
    // One value of one row.
    std::string value(const std::string &statement, const std::vector<std::string> &params = {})
    {
        auto r = cluster().sql(db, statement, params);
        EXPECT_TRUE(r && r->size() == 1) << cluster().error();
        return r && r->size() == 1 && (*r)[0][0] ? *(*r)[0][0] : "<none>";
    }

    std::string db = cluster().running() ? cluster().new_database() : "";
    pg_store store{cluster().conninfo(db)};
};

} // namespace

TEST(NameOrder, IsByCodePointsNotByUtf16UnitsOrTheLocale)
{
    // U+FFFD comes before U+10000, though its UTF-16 unit is the larger.
    EXPECT_TRUE(lsv__name_before(u"\uFFFD", u"\U00010000"));
    EXPECT_FALSE(lsv__name_before(u"\U00010000", u"\uFFFD"));
    EXPECT_TRUE(lsv__name_before(u"B", u"a"));
    EXPECT_TRUE(lsv__name_before(u"Я", u"а"));
    EXPECT_TRUE(lsv__name_before(u"а", u"ё")); // U+0451 after the alphabet
    EXPECT_TRUE(lsv__name_before(u"ab", u"abc"));
    EXPECT_FALSE(lsv__name_before(u"abc", u"abc"));
    // Random names over the ranges where the orders part, against UTF-32.
    std::mt19937 rng(7);
    const char32_t pool[] = {U'a', U'Z', U'ё', U'Ё', 0xD7FF, 0xE000, 0xFFFD, 0x10000, 0x1F600, 0x10FFFF, U' '};
    for (int round = 0; round < 2000; ++round) {
        std::u32string a32, b32;
        for (int i = rng() % 4; i > 0; --i)
            a32 += pool[rng() % std::size(pool)];
        for (int i = rng() % 4; i > 0; --i)
            b32 += pool[rng() % std::size(pool)];
        auto utf16 = [](const std::u32string &s) {
            std::u16string out;
            for (char32_t c : s)
                if (c >= 0x10000) {
                    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                } else
                    out += static_cast<char16_t>(c);
            return out;
        };
        EXPECT_EQ(lsv__name_before(utf16(a32), utf16(b32)), a32 < b32);
    }
}

TEST_F(DatabaseStore, MakesItsTablesOnceWithASchemaVersion)
{
    EXPECT_EQ(value("SELECT string_agg(version::text, ',') FROM vellumo_schema"), "1");
    // A second server on the same database finds them made.
    pg_store again(cluster().conninfo(db));
    std::string error;
    ASSERT_TRUE(again.open(error)) << error;
    EXPECT_EQ(value("SELECT count(*) FROM vellumo_schema"), "1");
    // Columns as documented.
    EXPECT_EQ(value("SELECT string_agg(column_name || ':' || data_type, ',' ORDER BY ordinal_position) "
                    "FROM information_schema.columns WHERE table_name = 'vellumo_labels'"),
              "name:text,name_key:bytea,description:text,bytes:bytea,modified:timestamp with time "
              "zone,generation:bigint");
    // Tables of a later version are not touched.
    ASSERT_TRUE(cluster().sql(db, "UPDATE vellumo_schema SET version = 2"));
    pg_store newer(cluster().conninfo(db));
    EXPECT_FALSE(newer.open(error));
    EXPECT_NE(error.find("нужен более новый vellumo-server"), std::string::npos) << error;
}

TEST_F(DatabaseStore, ServersStartingTogetherMakeTheTablesOnce)
{
    const std::string fresh = cluster().new_database();
    std::vector<std::thread> threads;
    std::atomic<int> opened{0};
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([&] {
            pg_store s(cluster().conninfo(fresh));
            std::string error;
            opened += s.open(error);
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(opened.load(), 6);
    auto r = cluster().sql(fresh, "SELECT count(*) FROM vellumo_schema");
    ASSERT_TRUE(r);
    EXPECT_EQ(*(*r)[0][0], "1");
}

TEST_F(DatabaseStore, RowsHoldTheBytesTheFolderStoreWrites)
{
    temp_dir dir;
    folder_store files((dir / "labels").string());
    label_ptr lab = named(u"Цена «молоко» 'x'; DROP TABLE vellumo_labels; --", u"строка\r\nвторая");
    std::string error;
    ASSERT_EQ(store.save(lab.get(), error), server_store::result::ok) << error;
    ASSERT_EQ(files.save(lab.get(), error), server_store::result::ok) << error;
    const std::string name = plt__to_utf8(lab->name);
    EXPECT_EQ(value("SELECT encode(bytes, 'hex') FROM vellumo_labels WHERE name = $1", {name}),
              value("SELECT encode($1::bytea, 'hex')", {"\\x" + [&] {
                  std::string hex;
                  for (unsigned char c : text_of(files.file_for(lab->name)))
                      hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
                  return hex;
              }()}));
    EXPECT_EQ(value("SELECT description FROM vellumo_labels WHERE name = $1", {name}), "строка\r\nвторая");
    EXPECT_EQ(value("SELECT modified > now() - interval '1 minute' FROM vellumo_labels"), "t");
    // Every write takes a new generation.
    const long long first = std::stoll(value("SELECT generation FROM vellumo_labels"));
    ASSERT_EQ(store.save(lab.get(), error), server_store::result::ok);
    const long long second = std::stoll(value("SELECT generation FROM vellumo_labels"));
    EXPECT_GT(second, first);
    ASSERT_EQ(store.rename(lab->name, u"Новое", error), server_store::result::ok) << error;
    EXPECT_GT(std::stoll(value("SELECT generation FROM vellumo_labels")), second);
    EXPECT_EQ(value("SELECT name FROM vellumo_labels"), "Новое");
    server_store::result r;
    label_ptr back = load(store, u"Новое", r);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, u"Новое");
    EXPECT_EQ(back->desc, lab->desc);
    EXPECT_FALSE(load(store, lab->name, r));
    EXPECT_EQ(r, server_store::result::not_found);
}

TEST_F(DatabaseStore, AnswersAsTheFolderStoreDoes)
{
    temp_dir dir;
    folder_store files((dir / "labels").string());
    std::u16string huge(30000, u'ж');
    huge += u"конец";
    for (server_store *s : {static_cast<server_store *>(&files), static_cast<server_store *>(&store)}) {
        SCOPED_TRACE(s == &files ? "folder" : "database");
        std::string error;
        EXPECT_EQ(s->save(named(u"").get(), error), server_store::result::empty_name);
        EXPECT_EQ(s->save(named(u"a").get(), error), server_store::result::ok);
        EXPECT_EQ(s->save(named(u"b").get(), error), server_store::result::ok);
        EXPECT_EQ(s->save(named(huge).get(), error), server_store::result::ok) << error; // any length
        EXPECT_EQ(s->add(named(u"a").get(), error), server_store::result::exists);
        EXPECT_EQ(s->rename(u"a", u"b", error), server_store::result::exists);
        EXPECT_EQ(s->rename(u"nope", u"b", error), server_store::result::not_found);
        EXPECT_EQ(s->rename(u"a", u"a", error), server_store::result::ok);
        EXPECT_EQ(s->rename(u"a", u"", error), server_store::result::empty_name);
        EXPECT_EQ(s->rename(u"a", u"c", error), server_store::result::ok);
        EXPECT_EQ(s->drop(u"a", error), server_store::result::not_found);
        EXPECT_EQ(s->drop(u"", error), server_store::result::empty_name);
        EXPECT_EQ(s->drop(u"c", error), server_store::result::ok);
        label_ptr unsavable = named(u"nan");
        unsavable->width = std::numeric_limits<double>::quiet_NaN();
        EXPECT_EQ(s->save(unsavable.get(), error), server_store::result::bad_label);
        std::vector<stored_label> listed;
        ASSERT_EQ(s->list(listed, error), server_store::result::ok);
        ASSERT_EQ(listed.size(), 2u);
        EXPECT_EQ(listed[0].name, u"b");
        EXPECT_EQ(listed[1].name, huge);
        server_store::result r;
        label_ptr back = load(*s, huge, r);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->name, huge);
    }
}

TEST_F(DatabaseStore, ALoadSeesWhatAnotherServerWrote)
{
    pg_store other(cluster().conninfo(db));
    std::string error;
    ASSERT_TRUE(other.open(error)) << error;
    ASSERT_EQ(store.save(named(u"Общая", u"первая").get(), error), server_store::result::ok);
    server_store::result r;
    ASSERT_TRUE(load(store, u"Общая", r)); // now cached here
    EXPECT_GT(store.cache_bytes_in_use(), 0u);
    ASSERT_EQ(other.save(named(u"Общая", u"вторая").get(), error), server_store::result::ok);
    label_ptr back = load(store, u"Общая", r);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->desc, u"вторая");
    // Dropped and made again elsewhere: never the cached one.
    ASSERT_EQ(other.drop(u"Общая", error), server_store::result::ok);
    EXPECT_FALSE(load(store, u"Общая", r));
    EXPECT_EQ(r, server_store::result::not_found);
    ASSERT_EQ(other.save(named(u"Общая", u"первая").get(), error), server_store::result::ok);
    ASSERT_TRUE(load(store, u"Общая", r));
    ASSERT_EQ(other.drop(u"Общая", error), server_store::result::ok);
    ASSERT_EQ(other.save(named(u"Общая", u"третья").get(), error), server_store::result::ok);
    back = load(store, u"Общая", r);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->desc, u"третья");
}

TEST_F(DatabaseStore, RowsWrittenBySomethingElseAreNeverTakenForLabels)
{
    std::string error;
    ASSERT_EQ(store.save(named(u"Хорошая").get(), error), server_store::result::ok);
    // Not a label file; a label file of another name; an empty one.
    ASSERT_TRUE(cluster().sql(db, "INSERT INTO vellumo_labels (name, name_key, description, bytes) "
                                  "VALUES ('Мусор', sha256(convert_to('Мусор', 'UTF8')), '', '\\x3c3c3c')"));
    ASSERT_TRUE(cluster().sql(db, "INSERT INTO vellumo_labels (name, name_key, description, bytes) "
                                  "SELECT 'Чужая', sha256(convert_to('Чужая', 'UTF8')), '', bytes "
                                  "FROM vellumo_labels WHERE name = 'Хорошая'"));
    ASSERT_TRUE(cluster().sql(db, "INSERT INTO vellumo_labels (name, name_key, description, bytes) "
                                  "VALUES ('Пустая', sha256(convert_to('Пустая', 'UTF8')), '', '')"));
    for (const char16_t *name : {u"Мусор", u"Чужая", u"Пустая"}) {
        server_store::result r;
        EXPECT_FALSE(load(store, name, r));
        EXPECT_EQ(r, server_store::result::bad_label) << plt__to_utf8(name);
        EXPECT_EQ(store.rename(name, u"Другое", error), server_store::result::not_found);
    }
    EXPECT_EQ(store.drop(u"Мусор", error), server_store::result::ok);
    server_store::result r;
    EXPECT_TRUE(load(store, u"Хорошая", r));
}

TEST_F(DatabaseStore, APasswordComesOnlyFromPgpasswordOrPgpass)
{
    ASSERT_TRUE(cluster().sql("postgres", "DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'clerk') "
                                          "THEN CREATE ROLE clerk LOGIN PASSWORD 'секрет'; END IF; END $$"))
        << cluster().error();
    ASSERT_TRUE(cluster().sql(db, "GRANT ALL ON ALL TABLES IN SCHEMA public TO clerk"));
    ASSERT_TRUE(cluster().sql(db, "GRANT ALL ON ALL SEQUENCES IN SCHEMA public TO clerk"));
    const std::string clerk = "host=" + cluster().dir() + " port=" + std::to_string(PG_TEST_PORT) +
                              " user=clerk dbname=" + db;
    temp_dir dir;
    scoped_env no_file("PGPASSFILE", (dir / "none").string());
    std::string error;
    {
        pg_store on_command_line(clerk + " password=секрет");
        EXPECT_FALSE(on_command_line.open(error));
        EXPECT_NE(error.find("PGPASSWORD"), std::string::npos) << error;
        pg_store uri("postgresql://clerk:секрет@/" + db + "?host=" + cluster().dir() + "&port=" +
                     std::to_string(PG_TEST_PORT));
        EXPECT_FALSE(uri.open(error));
        EXPECT_NE(error.find("пароль в строке подключения"), std::string::npos) << error;
    }
    {
        pg_store without(clerk);
        EXPECT_FALSE(without.open(error));
    }
    {
        scoped_env password("PGPASSWORD", "секрет");
        pg_store with(clerk);
        ASSERT_TRUE(with.open(error)) << error;
        EXPECT_EQ(with.save(named(u"Через PGPASSWORD").get(), error), server_store::result::ok) << error;
    }
    {
        const fs::path pgpass = dir / "pgpass";
        std::ofstream(pgpass) << "*:*:*:clerk:секрет\n";
        ::chmod(pgpass.c_str(), 0600);
        scoped_env file("PGPASSFILE", pgpass.string());
        pg_store with(clerk);
        ASSERT_TRUE(with.open(error)) << error;
        std::vector<stored_label> listed;
        ASSERT_EQ(with.list(listed, error), server_store::result::ok) << error;
        EXPECT_EQ(listed.size(), 1u);
    }
}

TEST_F(DatabaseStore, ADatabaseNotInUtf8IsRefused)
{
    const std::string latin = "latin_" + db;
    ASSERT_TRUE(cluster().sql("postgres", "CREATE DATABASE " + latin +
                                              " ENCODING 'LATIN1' TEMPLATE template0 LC_COLLATE 'C' LC_CTYPE 'C'"))
        << cluster().error();
    pg_store s(cluster().conninfo(latin));
    std::string error;
    EXPECT_FALSE(s.open(error));
    EXPECT_NE(error.find("LATIN1"), std::string::npos) << error;
    EXPECT_NE(error.find("UTF8"), std::string::npos) << error;
}

TEST_F(DatabaseStore, AStatementThatWaitsTooLongFailsInTimeAndTheStoreGoesOn)
{
    std::string error;
    ASSERT_EQ(store.save(named(u"Заперта").get(), error), server_store::result::ok);
    pg_timeouts quick;
    quick.statement_ms = 400;
    quick.operation_ms = 1500;
    pg_store s(cluster().conninfo(db), 1u << 20, quick);
    ASSERT_TRUE(s.open(error)) << error;
    // Another session holds the table.
    PGconn *holder = PQconnectdb(cluster().conninfo(db).c_str());
    ASSERT_EQ(PQstatus(holder), CONNECTION_OK);
    PQclear(PQexec(holder, "BEGIN; LOCK TABLE vellumo_labels IN ACCESS EXCLUSIVE MODE"));
    const auto start = std::chrono::steady_clock::now();
    std::vector<stored_label> listed;
    EXPECT_EQ(s.list(listed, error), server_store::result::io_error);
    EXPECT_EQ(s.save(named(u"Заперта").get(), error), server_store::result::io_error);
    EXPECT_NE(error.find("не ответила"), std::string::npos) << error;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 2 * 1.5 + 1); // two calls, each within its deadline
    PQclear(PQexec(holder, "ROLLBACK"));
    PQfinish(holder);
    EXPECT_EQ(s.list(listed, error), server_store::result::ok) << error;
    EXPECT_EQ(listed.size(), 1u);
}

TEST_F(DatabaseStore, ALargeSaveToADatabaseThatStoppedReadingEndsAtItsDeadline)
{
    pg_timeouts quick;
    quick.statement_ms = 1000;
    quick.operation_ms = 2000;
    pg_store s(cluster().conninfo(db), 1u << 20, quick, 1);
    std::string error;
    ASSERT_TRUE(s.open(error)) << error;
    // The store's one connection, and the database process behind it.
    auto pid = cluster().sql("postgres", "SELECT pid FROM pg_stat_activity WHERE datname = $1 AND "
                                         "application_name = 'vellumo-server' ORDER BY backend_start DESC LIMIT 1",
                             {db});
    ASSERT_TRUE(pid && pid->size() == 1u);
    const pid_t backend = std::stoi(*(*pid)[0][0]);
    // Far more than the socket holds, so the send has to wait for a reader.
    label_ptr big = named(u"Большая", std::u16string(4u << 20, u'ж'));
    ASSERT_EQ(::kill(backend, SIGSTOP), 0);
    // Should the save hang, the database goes on after 15 s anyway.
    std::promise<void> saved;
    std::thread rescue([backend, done = saved.get_future()] {
        done.wait_for(std::chrono::seconds(15));
        ::kill(backend, SIGCONT);
    });
    const auto start = std::chrono::steady_clock::now();
    const server_store::result r = s.save(big.get(), error);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    saved.set_value();
    rescue.join();
    EXPECT_EQ(r, server_store::result::io_error);
    EXPECT_NE(error.find("не ответила за 2 с"), std::string::npos) << error;
    // Ended by its deadline, long before the database would go on: the
    // making of the 8 MB file under a sanitizer on a busy machine takes
    // seconds of its own.
    EXPECT_LT(seconds, 10.0);
    // A new connection takes the next call.
    EXPECT_EQ(s.save(named(u"Малая").get(), error), server_store::result::ok) << error;
}

TEST_F(DatabaseStore, ThePoolOpensConnectionsAsCallsNeedThemUpToItsSize)
{
    pg_pool pool(cluster().conninfo(db), 2, {});
    pg_failure f;
    {
        pg_pool::lease a = pool.take(pool.deadline(), f);
        pg_pool::lease b = pool.take(pool.deadline(), f);
        ASSERT_TRUE(a && b) << f.reason << f.detail;
        EXPECT_EQ(pool.open_connections(), 2);
        const auto start = std::chrono::steady_clock::now();
        pg_pool::lease c = pool.take(start + std::chrono::milliseconds(300), f);
        EXPECT_FALSE(c);
        EXPECT_NE(f.reason.find("заняты"), std::string::npos) << f.reason;
        // One given back from another thread is taken at once.
        std::thread giver([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            pg_pool::lease gone = std::move(a);
        });
        pg_pool::lease d = pool.take(pool.deadline(), f);
        giver.join();
        EXPECT_TRUE(d);
    }
    EXPECT_EQ(pool.open_connections(), 2); // kept for the next calls
    // A connection the database ended while it was idle is replaced.
    ASSERT_TRUE(cluster().sql("postgres", "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                          "WHERE datname = $1 AND application_name = 'vellumo-server'",
                              {db}));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    pg_pool::lease e = pool.take(pool.deadline(), f);
    ASSERT_TRUE(e);
    EXPECT_TRUE(e.run("SELECT 1", {}, pool.deadline(), f)) << f.detail;

    // The store under 40 parallel calls stays within 32 connections.
    std::string error;
    ASSERT_EQ(store.save(named(u"Нагрузка").get(), error), server_store::result::ok);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int i = 0; i < 40; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 5; ++k) {
                server_store::result r;
                failures += !load(store, u"Нагрузка", r);
            }
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_LE(store.pool().open_connections(), PG_STORE_CONNECTIONS);
    EXPECT_GE(store.pool().open_connections(), 2);
}

TEST_F(DatabaseStore, ALabelPushedOutOfTheCacheDuringItsLoadIsReadAgain)
{
    // A cache with room for one label: loads of two labels in two threads
    // keep pushing each other out, often while the other asks the database
    // whether its cached copy is still current.  Such a load reads its row
    // again and gives the label.
    std::string error;
    ASSERT_EQ(store.save(named(u"Первая", u"раз").get(), error), server_store::result::ok);
    ASSERT_EQ(store.save(named(u"Вторая", u"два").get(), error), server_store::result::ok);
    server_store::result r;
    ASSERT_TRUE(load(store, u"Первая", r));
    const std::size_t one = store.cache_bytes_in_use();
    ASSERT_GT(one, 0u);
    pg_store small(cluster().conninfo(db), one + one / 2);
    ASSERT_TRUE(small.open(error)) << error;
    std::atomic<int> failures{0};
    auto loads = [&](const std::u16string &name, const std::u16string &desc) {
        for (int i = 0; i < 300; ++i) {
            server_store::result rr;
            label_ptr lab = load(small, name, rr);
            failures += !lab || lab->desc != desc;
        }
    };
    std::thread first(loads, u"Первая", u"раз");
    std::thread second(loads, u"Вторая", u"два");
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_LE(small.cache_bytes_in_use(), one + one / 2);
}

TEST_F(DatabaseStore, CopiesBetweenFolderAndDatabaseNeverReplace)
{
    temp_dir dir;
    folder_store files((dir / "from").string());
    std::string error;
    for (const char16_t *n : {u"Один", u"Два", u"Три", u"Общая"})
        ASSERT_EQ(files.save(named(n, u"из папки").get(), error), server_store::result::ok);
    std::ofstream(files.file_for(u"Битая")) << "<?xml version='1.0'?><methodCall>";
    ASSERT_EQ(store.save(named(u"Общая", u"из базы").get(), error), server_store::result::ok);

    copy_counts in;
    ASSERT_TRUE(lsv__copy_labels(files, store, in, error, stdout)) << error;
    EXPECT_EQ(in.copied, 3);
    EXPECT_EQ(in.existed, 1);
    server_store::result r;
    label_ptr kept = load(store, u"Общая", r);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->desc, u"из базы");

    folder_store out((dir / "to").string());
    ASSERT_EQ(out.save(named(u"Один", u"своя").get(), error), server_store::result::ok);
    copy_counts back;
    ASSERT_TRUE(lsv__copy_labels(store, out, back, error, stdout)) << error;
    EXPECT_EQ(back.copied, 3);
    EXPECT_EQ(back.existed, 1);
    label_ptr own = load(out, u"Один", r);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->desc, u"своя");
    // An exported file holds exactly the row's bytes.
    for (const char16_t *n : {u"Два", u"Три", u"Общая"}) {
        const std::string hex = value("SELECT encode(bytes, 'hex') FROM vellumo_labels WHERE name = $1",
                                      {plt__to_utf8(n)});
        std::string file_hex;
        for (unsigned char c : text_of(out.file_for(n)))
            file_hex += "0123456789abcdef"[c >> 4], file_hex += "0123456789abcdef"[c & 15];
        EXPECT_EQ(file_hex, hex) << plt__to_utf8(n);
    }
}

TEST_F(DatabaseStore, ImportAndExportFromTheCommandLineReportCounts)
{
    temp_dir dir;
    {
        folder_store files((dir / "labels").string());
        std::string error;
        for (int i = 0; i < 5; ++i)
            ASSERT_EQ(files.save(named(u"Метка " + plt__from_utf8(std::to_string(i))).get(), error),
                      server_store::result::ok);
    }
    auto run = [&](const std::string &args, std::string &out) {
        const std::string cmd = std::string("'") + VELLUMO_SERVER_BIN + "' " + args + " > '" +
                                (dir / "out").string() + "' 2>&1";
        const int rc = std::system(cmd.c_str());
        out = text_of(dir / "out");
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    };
    const std::string uri = "'" + cluster().uri(db) + "'";
    std::string out;
    EXPECT_EQ(run("--store " + uri + " --import '" + (dir / "labels").string() + "'", out), 0) << out;
    EXPECT_NE(out.find("скопировано этикеток: 5"), std::string::npos) << out;
    EXPECT_EQ(value("SELECT count(*) FROM vellumo_labels"), "5");
    // Again: nothing replaced, and the exit code says so.
    EXPECT_EQ(run("--store " + uri + " --import '" + (dir / "labels").string() + "'", out), 1) << out;
    EXPECT_NE(out.find("скопировано этикеток: 0"), std::string::npos) << out;
    EXPECT_NE(out.find("уже были и не заменены: 5"), std::string::npos) << out;
    EXPECT_NE(out.find("уже есть, не заменена: «Метка 3»"), std::string::npos) << out;

    EXPECT_EQ(run("--store " + uri + " --export '" + (dir / "copy").string() + "'", out), 0) << out;
    EXPECT_NE(out.find("скопировано этикеток: 5"), std::string::npos) << out;
    std::size_t files = 0;
    for (const auto &e : fs::directory_iterator(dir / "copy"))
        files += e.path().extension() == ".lbl";
    EXPECT_EQ(files, 5u);

    // Wrong uses say what is wrong.
    EXPECT_EQ(run("--store '" + (dir / "labels").string() + "' --export '" + (dir / "x").string() + "'", out), 2);
    EXPECT_NE(out.find("нужна база данных"), std::string::npos) << out;
    EXPECT_EQ(run("--store " + uri + " --import '" + (dir / "missing").string() + "'", out), 1);
    EXPECT_NE(out.find("нет"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_EQ(run("--store " + uri + " --import a --export b", out), 2);
}

TEST_F(DatabaseStore, ImportCountsAndNamesFilesThatNoLongerRead)
{
    temp_dir dir;
    std::string cut, elsewhere;
    {
        folder_store files((dir / "labels").string());
        std::string error;
        for (const char16_t *n : {u"Целая", u"Обрезанная", u"Чужая"})
            ASSERT_EQ(files.save(named(n).get(), error), server_store::result::ok);
        // A file cut short, and a label moved into another name's place.
        const std::string whole = text_of(files.file_for(u"Обрезанная"));
        std::ofstream(files.file_for(u"Обрезанная"), std::ios::trunc) << whole.substr(0, whole.size() / 2);
        fs::rename(files.file_for(u"Чужая"), files.file_for(u"Нигде"));
        cut = fs::path(files.file_for(u"Обрезанная")).filename().string();
        elsewhere = fs::path(files.file_for(u"Нигде")).filename().string();
    }
    const std::string cmd = std::string("'") + VELLUMO_SERVER_BIN + "' --store '" + cluster().uri(db) +
                            "' --import '" + (dir / "labels").string() + "' > '" + (dir / "out").string() + "' 2>&1";
    const int rc = std::system(cmd.c_str());
    const std::string out = text_of(dir / "out");
    EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 1) << out;
    EXPECT_NE(out.find("скопировано этикеток: 1"), std::string::npos) << out;
    EXPECT_NE(out.find("не прочитаны или не приняты: 2"), std::string::npos) << out;
    EXPECT_NE(out.find("не прочитан файл " + cut + ": не читается"), std::string::npos) << out;
    EXPECT_NE(out.find("не прочитан файл " + elsewhere + ": этикетка «Чужая» не на месте"), std::string::npos) << out;
    EXPECT_EQ(value("SELECT count(*) FROM vellumo_labels"), "1");
}
