#include "support/pg_cluster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The newest installed server's programs: /usr/lib/postgresql/N/bin.
std::string server_bin()
{
    std::string best;
    int best_version = -1;
    std::error_code ec;
    for (const auto &e : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        const int v = std::atoi(e.path().filename().c_str());
        if (v > best_version && fs::exists(e.path() / "bin" / "initdb")) {
            best_version = v;
            best = (e.path() / "bin").string();
        }
    }
    return best;
}

} // namespace

pg_cluster::~pg_cluster()
{
    destroy();
}

bool pg_cluster::run(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const std::string log = dir_ + "/tools.log";
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The server outlives this call: it must hold none of our
        // descriptors (CTest waits for its pipes to close).
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0)
            ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::close_range(3, ~0U, 0);
        if (uid_ >= 0 && (::setgroups(0, nullptr) != 0 || ::setgid(static_cast<gid_t>(gid_)) != 0 ||
                          ::setuid(static_cast<uid_t>(uid_)) != 0))
            ::_exit(125);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::ifstream in(log);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        error_ = args[0] + " failed (status " + std::to_string(status) + "): " + text;
        return false;
    }
    return true;
}

std::string pg_cluster::server_log_end() const
{
    std::ifstream in(dir_ + "/server.log");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() > 4000)
        text.erase(0, text.size() - 4000);
    return "\nthe end of the server's log:\n" + text;
}

bool pg_cluster::create(bool durable)
{
    durable_ = durable;
    bin_ = server_bin();
    if (bin_.empty()) {
        error_ = "no PostgreSQL server under /usr/lib/postgresql (scripts/install-deps installs it)";
        return false;
    }
    char tmpl[] = "/tmp/vellumo-pg-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        error_ = "mkdtemp failed";
        return false;
    }
    dir_ = tmpl;
    owned_ = true;
    if (::geteuid() == 0) {
        const passwd *pw = ::getpwnam("postgres");
        if (!pw)
            pw = ::getpwnam("nobody");
        if (!pw) {
            error_ = "no unprivileged user to run PostgreSQL as";
            return false;
        }
        uid_ = static_cast<int>(pw->pw_uid);
        gid_ = static_cast<int>(pw->pw_gid);
        if (::chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
            error_ = "chown failed";
            return false;
        }
    }
    // A collation that is not code-point order, so that an order the store
    // left to the database would show.
    const bool russian = std::system("locale -a 2>/dev/null | grep -qi '^ru_RU\\.utf8$'") == 0;
    if (!run({bin_ + "/initdb", "-D", dir_ + "/data", "-U", "vellumo", "-A", "trust", "-E", "UTF8",
              "--locale=" + std::string(russian ? "ru_RU.UTF-8" : "C.UTF-8"), "-N"}))
        return false;
    // A role with a password for the tests of PGPASSWORD and .pgpass.
    std::ofstream(dir_ + "/data/pg_hba.conf") << "local all clerk scram-sha-256\nlocal all all trust\n";
    return start();
}

bool pg_cluster::start()
{
    std::string options = "-k " + dir_ + " -c listen_addresses= -p " + std::to_string(PG_TEST_PORT) +
                          " -c max_connections=200 -c lc_messages=C";
    if (!durable_)
        options += " -F -c synchronous_commit=off -c full_page_writes=off";
    running_ = run({bin_ + "/pg_ctl", "-D", dir_ + "/data", "-l", dir_ + "/server.log", "-w", "-t", "60", "-o",
                    options, "start"});
    if (!running_)
        error_ += server_log_end();
    return running_;
}

bool pg_cluster::stop()
{
    if (!running_)
        return true;
    running_ = !run({bin_ + "/pg_ctl", "-D", dir_ + "/data", "-m", "fast", "-w", "-t", "60", "stop"});
    if (running_)
        error_ += server_log_end();
    return !running_;
}

void pg_cluster::destroy()
{
    if (!owned_)
        return;
    if (running_)
        run({bin_ + "/pg_ctl", "-D", dir_ + "/data", "-m", "immediate", "-w", "-t", "60", "stop"});
    running_ = false;
    std::error_code ec;
    fs::remove_all(dir_, ec);
    owned_ = false;
}

bool pg_cluster::write_state(const std::string &state_file) const
{
    std::ofstream out(state_file, std::ios::trunc);
    out << dir_ << "\n" << bin_ << "\n" << uid_ << " " << gid_ << " " << durable_ << "\n";
    return static_cast<bool>(out);
}

bool pg_cluster::attach(const std::string &state_file)
{
    std::ifstream in(state_file);
    if (!std::getline(in, dir_) || !std::getline(in, bin_) || !(in >> uid_ >> gid_ >> durable_)) {
        error_ = "cannot read " + state_file;
        return false;
    }
    owned_ = false;
    running_ = fs::exists(dir_ + "/.s.PGSQL." + std::to_string(PG_TEST_PORT));
    if (!running_)
        error_ = "the cluster in " + dir_ + " is not running";
    return running_;
}

std::string pg_cluster::conninfo(const std::string &db) const
{
    return "host=" + dir_ + " port=" + std::to_string(PG_TEST_PORT) + " user=vellumo dbname=" + db;
}

std::string pg_cluster::uri(const std::string &db) const
{
    return "postgresql://vellumo@/" + db + "?host=" + dir_ + "&port=" + std::to_string(PG_TEST_PORT);
}

std::string pg_cluster::new_database()
{
    const std::string name = "t" + std::to_string(::getpid()) + "_" + std::to_string(++databases_);
    if (!sql("postgres", "CREATE DATABASE " + name))
        return {};
    return name;
}

std::optional<pg_cluster::rows> pg_cluster::sql(const std::string &db, const std::string &statement,
                                                const std::vector<std::string> &params)
{
    PGconn *c = PQconnectdb(conninfo(db).c_str());
    if (PQstatus(c) != CONNECTION_OK) {
        error_ = PQerrorMessage(c);
        PQfinish(c);
        return std::nullopt;
    }
    std::vector<const char *> values;
    for (const std::string &p : params)
        values.push_back(p.c_str());
    PGresult *r = PQexecParams(c, statement.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                               nullptr, nullptr, 0);
    std::optional<rows> out;
    if (PQresultStatus(r) == PGRES_TUPLES_OK || PQresultStatus(r) == PGRES_COMMAND_OK) {
        out.emplace();
        for (int i = 0; i < PQntuples(r); ++i) {
            auto &row = out->emplace_back();
            for (int j = 0; j < PQnfields(r); ++j)
                row.push_back(PQgetisnull(r, i, j) ? std::nullopt
                                                   : std::optional<std::string>(PQgetvalue(r, i, j)));
        }
    } else {
        error_ = PQresultErrorMessage(r);
    }
    PQclear(r);
    PQfinish(c);
    return out;
}

pg_cluster &pg_cluster::shared(const char *state_file)
{
    static pg_cluster cluster;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const char *state = std::getenv("VELLUMO_TEST_PG");
        if (!state || !*state)
            state = state_file;
        if (!(state && *state && cluster.attach(state)))
            cluster.create();
    }
    return cluster;
}
