#include "server/print_queue.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const state_names[] = {"queued", "printing", "done", "failed"};

bool finished(job_state s)
{
    return s == job_state::done || s == job_state::failed;
}

QString q(const std::string &s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string job_text(const print_job &j)
{
    QJsonObject o{{"id", static_cast<double>(j.id)},
                  {"printer", q(j.printer)},
                  {"user", q(j.user)},
                  {"key", q(j.key)},
                  {"digest", q(j.digest)},
                  {"request", q(j.request)},
                  {"labels", static_cast<double>(j.labels)},
                  {"printed", static_cast<double>(j.printed)},
                  {"state", state_names[static_cast<int>(j.state)]},
                  {"error", q(j.error)},
                  {"attempts", j.attempts},
                  {"not_before", static_cast<double>(j.not_before_ms)},
                  {"retry_until", static_cast<double>(j.retry_until_ms)},
                  {"owner", q(j.owner)},
                  {"lease", static_cast<double>(j.lease_ms)},
                  {"sent", j.sent},
                  {"created", static_cast<double>(j.created_ms)}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

bool job_from_text(const std::string &text, print_job &j)
{
    const QJsonDocument d = QJsonDocument::fromJson(QByteArray::fromStdString(text));
    if (!d.isObject())
        return false;
    const QJsonObject o = d.object();
    const std::optional<job_state> s = lsv__job_state_of(o.value("state").toString().toStdString());
    if (!s || !o.value("id").isDouble())
        return false;
    j.id = static_cast<long long>(o.value("id").toDouble());
    j.printer = o.value("printer").toString().toStdString();
    j.user = o.value("user").toString().toStdString();
    j.key = o.value("key").toString().toStdString();
    j.digest = o.value("digest").toString().toStdString();
    j.request = o.value("request").toString().toStdString();
    j.labels = static_cast<long>(o.value("labels").toDouble());
    j.printed = static_cast<long>(o.value("printed").toDouble());
    j.state = *s;
    j.error = o.value("error").toString().toStdString();
    j.attempts = o.value("attempts").toInt();
    j.not_before_ms = static_cast<long long>(o.value("not_before").toDouble());
    j.retry_until_ms = static_cast<long long>(o.value("retry_until").toDouble());
    j.owner = o.value("owner").toString().toStdString();
    j.lease_ms = static_cast<long long>(o.value("lease").toDouble());
    j.sent = o.value("sent").toBool();
    j.created_ms = static_cast<long long>(o.value("created").toDouble());
    return true;
}

std::string id_text(long long id)
{
    char text[32];
    std::snprintf(text, sizeof text, "%020lld", id);
    return text;
}

// The folder: "lock" (every change holds it), "last-id", active/ (jobs not
// finished, ID-PRINTERHASH.job, so that a printer's first job is found from
// the names alone), finished/ (ID.job) and keys/ (the job of each user's
// key).
class folder_jobs final : public job_queue {
public:
    explicit folder_jobs(std::string folder) : folder_(std::move(folder)) {}
    ~folder_jobs() override
    {
        if (lock_fd_ >= 0)
            ::close(lock_fd_);
    }

    bool open(std::string &error) override
    {
        for (const std::string &d : {folder_, folder_ + "/active", folder_ + "/finished", folder_ + "/keys"})
            if (::mkdir(d.c_str(), 0700) != 0 && errno != EEXIST) {
                error = d + ": папка заданий печати не создаётся: " + std::strerror(errno);
                return false;
            }
        lock_fd_ = ::open((folder_ + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lock_fd_ < 0) {
            error = folder_ + "/lock: " + std::strerror(errno);
            return false;
        }
        // The last number given, as the jobs on disk say (the counter's
        // file is not synced: after a crash it may be behind them).
        locked l(mutex_, lock_fd_);
        std::string text;
        long long last = read_file(folder_ + "/last-id", text) ? std::atoll(text.c_str()) : 0;
        for (const char *sub : {"/active", "/finished"}) {
            DIR *d = ::opendir((folder_ + sub).c_str());
            while (const dirent *e = d ? ::readdir(d) : nullptr)
                last = std::max(last, std::atoll(e->d_name));
            if (d)
                ::closedir(d);
        }
        return write_file(folder_ + "/last-id", std::to_string(last), error);
    }

    bool add(print_job &job, job_added &how, std::string &error) override
    {
        locked l(mutex_, lock_fd_);
        std::string key_file;
        if (!job.key.empty()) {
            key_file = folder_ + "/keys/" + lsv__sha256_hex(job.user + '\0' + job.key, 64);
            std::string text;
            if (read_file(key_file, text)) {
                std::optional<print_job> before;
                if (!find(std::atoll(text.c_str()), before, error))
                    return false;
                if (before) {
                    how = before->digest == job.digest ? job_added::same : job_added::key_taken;
                    job = *before;
                    return true;
                }
            }
        }
        std::string last;
        const long long id = (read_file(folder_ + "/last-id", last) ? std::atoll(last.c_str()) : 0) + 1;
        // Not synced: open() takes the highest number it finds on disk.
        if (!write_file(folder_ + "/last-id", std::to_string(id), error, false))
            return false;
        job.id = id;
        if (!write_file(active_path(job), job_text(job), error))
            return false;
        if (!key_file.empty() && !write_file(key_file, std::to_string(id), error))
            return false;
        how = job_added::added;
        return true;
    }

    bool get(long long id, std::optional<print_job> &job, std::string &error) override
    {
        locked l(mutex_, lock_fd_);
        return find(id, job, error);
    }

    bool take(const std::string &printer, const std::string &owner, long long now_ms, long long lease_ms,
              std::optional<print_job> &job, std::string &error) override
    {
        job.reset();
        locked l(mutex_, lock_fd_);
        const std::string tail = "-" + lsv__sha256_hex(printer, 16) + ".job";
        for (;;) {
            // The printer's first unfinished job, by the names.
            std::string first;
            if (!list_active([&](const std::string &name) {
                    if (name.size() == 20 + tail.size() && name.compare(20, tail.size(), tail) == 0 &&
                        (first.empty() || name < first))
                        first = name;
                }, error))
                return false;
            if (first.empty())
                return true;
            const std::string path = folder_ + "/active/" + first;
            print_job head;
            std::string text;
            struct stat st {};
            if (::stat(finished_path(std::atoll(first.c_str())).c_str(), &st) == 0 || !read_file(path, text) ||
                !job_from_text(text, head) || head.printer != printer) {
                // Finished already (a change cut short), or unreadable: out
                // of the printer's way.
                quarantine(first);
                continue;
            }
            switch (lsv__head_step(head, owner, now_ms, lease_ms)) {
            case head_step::wait:
                return true;
            case head_step::take:
                if (!write_file(path, job_text(head), error))
                    return false;
                job = head;
                return true;
            case head_step::failed:
                if (!finish(head, error))
                    return false;
                continue;
            }
        }
    }

    bool put(const print_job &job, bool &held, std::string &error) override
    {
        locked l(mutex_, lock_fd_);
        std::string text;
        print_job now;
        held = read_file(active_path(job), text) && job_from_text(text, now) && now.owner == job.owner &&
               now.state == job_state::printing;
        if (!held)
            return true;
        if (finished(job.state))
            return finish(job, error);
        return write_file(active_path(job), job_text(job), error);
    }

private:
    // The folder to one thread of one process: flock keeps other processes
    // out, but not the other threads of this one (they share the lock's
    // open file), hence the mutex first.
    struct locked {
        locked(std::mutex &m, int fd) : hold_(m), fd_(fd)
        {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
        ~locked() { ::flock(fd_, LOCK_UN); }
        std::lock_guard<std::mutex> hold_;
        int fd_;
    };

    std::string active_path(const print_job &j) const
    {
        return folder_ + "/active/" + id_text(j.id) + "-" + lsv__sha256_hex(j.printer, 16) + ".job";
    }
    std::string finished_path(long long id) const { return folder_ + "/finished/" + id_text(id) + ".job"; }

    template <class F>
    bool list_active(F each, std::string &error)
    {
        DIR *d = ::opendir((folder_ + "/active").c_str());
        if (!d) {
            error = folder_ + "/active: " + std::strerror(errno);
            return false;
        }
        while (const dirent *e = ::readdir(d))
            if (e->d_name[0] != '.')
                each(std::string(e->d_name));
        ::closedir(d);
        return true;
    }

    bool find(long long id, std::optional<print_job> &job, std::string &error)
    {
        job.reset();
        if (id <= 0)
            return true;
        std::string text;
        print_job j;
        if (read_file(finished_path(id), text) && job_from_text(text, j)) {
            job = j;
            return true;
        }
        const std::string prefix = id_text(id) + "-";
        std::string found;
        if (!list_active([&](const std::string &name) {
                if (name.compare(0, prefix.size(), prefix) == 0 && name.ends_with(".job"))
                    found = name;
            }, error))
            return false;
        if (!found.empty() && read_file(folder_ + "/active/" + found, text) && job_from_text(text, j))
            job = j;
        return true;
    }

    // Into finished/, then out of active/ (a change cut short in between
    // leaves both: take() clears it).
    bool finish(const print_job &job, std::string &error)
    {
        if (!write_file(finished_path(job.id), job_text(job), error))
            return false;
        ::unlink(active_path(job).c_str());
        return true;
    }

    void quarantine(const std::string &name)
    {
        const std::string from = folder_ + "/active/" + name;
        if (::rename(from.c_str(), (folder_ + "/finished/unreadable-" + name).c_str()) != 0)
            ::unlink(from.c_str());
    }

    static bool read_file(const std::string &path, std::string &out)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            return false;
        out.clear();
        char buf[16384];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0 && out.size() < (512u << 20))
            out.append(buf, static_cast<std::size_t>(n));
        ::close(fd);
        return n == 0;
    }

    // Through a temporary file renamed over the old one; `durable`: synced,
    // and its folder too.
    bool write_file(const std::string &path, const std::string &text, std::string &error, bool durable = true)
    {
        const std::string tmp = path + ".tmp";
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        bool ok = fd >= 0;
        for (std::size_t done = 0; ok && done < text.size();) {
            const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            done += ok ? static_cast<std::size_t>(n) : 0;
        }
        ok = ok && (!durable || ::fsync(fd) == 0);
        const int e = errno;
        if (fd >= 0)
            ::close(fd);
        ok = ok && ::rename(tmp.c_str(), path.c_str()) == 0;
        if (!ok) {
            error = path + ": задание печати не записано: " + std::strerror(e ? e : errno);
            ::unlink(tmp.c_str());
            return false;
        }
        if (!durable)
            return true;
        const std::string dir = path.substr(0, path.rfind('/'));
        const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
        return true;
    }

    std::string folder_;
    int lock_fd_ = -1;
    std::mutex mutex_;
};

} // namespace

const char *lsv__job_state_name(job_state s)
{
    return state_names[static_cast<int>(s)];
}

std::optional<job_state> lsv__job_state_of(const std::string &name)
{
    for (int i = 0; i < 4; ++i)
        if (name == state_names[i])
            return static_cast<job_state>(i);
    return std::nullopt;
}

std::string lsv__sha256_hex(const std::string &bytes, int chars)
{
    const QByteArray d = QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                                  QCryptographicHash::Sha256);
    return d.toHex().left(chars).toStdString();
}

long long lsv__now_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

head_step lsv__head_step(print_job &job, const std::string &owner, long long now_ms, long long lease_ms)
{
    if (job.state == job_state::printing) {
        if (job.lease_ms > now_ms)
            return head_step::wait;
        // Its holder is gone.  What it sent may have been printed.
        if (job.sent) {
            job.state = job_state::failed;
            job.error = LSV_UNKNOWN_WHETHER_PRINTED;
            job.owner.clear();
            return head_step::failed;
        }
    } else if (job.not_before_ms > now_ms)
        return head_step::wait;
    job.state = job_state::printing;
    job.owner = owner;
    job.lease_ms = now_ms + lease_ms;
    return head_step::take;
}

std::unique_ptr<job_queue> lsv__folder_jobs(std::string folder)
{
    return std::make_unique<folder_jobs>(std::move(folder));
}
