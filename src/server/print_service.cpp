#include "server/print_service.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "exchange/xmlrpc_support.h"
#include "output/sink.h"
#include "output/thermal.h"
#include "platform/code_pages.h"
#include "render/eps_runner.h"
#include "server/log.h"
#include "server/methods.h"
#include "server/service.h"

extern char **environ;

namespace {

// A printer's connection that counts the labels the printer took: each
// send is one label's job.  Before the first byte goes out, `first` is
// called (it records that the job may have reached the printer).
class counting_connection final : public thermal_connection {
public:
    counting_connection(std::unique_ptr<thermal_connection> inner, std::function<bool(std::u16string &)> first,
                        std::atomic<long> &taken)
        : inner_(std::move(inner)), first_(std::move(first)), taken_(taken)
    {
    }
    bool send(const std::string &bytes, std::u16string &error) override
    {
        if (first_) {
            if (!first_(error))
                return false;
            first_ = nullptr;
        }
        sent_ += bytes.size();
        ends_.push_back(sent_);
        const bool ok = inner_->send(bytes, error);
        count();
        return ok;
    }
    bool finish(std::u16string &error) override
    {
        const bool ok = inner_->finish(error);
        count();
        return ok;
    }
    std::uint64_t accepted() const override { return inner_->accepted(); }

private:
    void count()
    {
        const std::uint64_t bytes = inner_->accepted();
        while (!ends_.empty() && ends_.front() <= bytes) {
            ends_.pop_front();
            ++taken_;
        }
    }

    std::unique_ptr<thermal_connection> inner_;
    std::function<bool(std::u16string &)> first_;
    std::atomic<long> &taken_;
    std::uint64_t sent_ = 0;
    std::deque<std::uint64_t> ends_;
};

std::string new_owner()
{
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    std::random_device rd;
    char tail[40];
    std::snprintf(tail, sizeof tail, ":%d:%08x%08x", static_cast<int>(::getpid()), rd(), rd());
    return std::string(host) + tail;
}

// Gives the PDF to CUPS: `lp -d QUEUE -t TITLE` with the document on its
// standard input.  False with lp's words (or why it did not run).
bool run_lp(const std::string &queue, const std::string &title, const std::string &pdf, std::string &error)
{
    int in[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return error = "lp не запускается: нет канала", false;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return error = "lp не запускается: нет канала", false;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, err[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    std::vector<std::string> args{"lp", "-d", queue, "-t", title.empty() ? std::string("vellumo") : title};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "lp", &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(err[1]);
    if (spawned != 0) {
        ::close(in[1]);
        ::close(err[0]);
        error = std::string("lp не запускается: ") + std::strerror(spawned);
        return false;
    }
    // Writes the document and reads what lp says, at most a minute.
    std::string said;
    std::size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);
    bool open_in = true, open_err = true;
    while (open_err && std::chrono::steady_clock::now() < deadline) {
        if (open_in && done == pdf.size()) {
            ::close(in[1]);
            open_in = false;
        }
        pollfd fds[2] = {{err[0], POLLIN, 0}, {open_in ? in[1] : -1, POLLOUT, 0}};
        if (::poll(fds, 2, 200) < 0 && errno != EINTR)
            break;
        if (open_in && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(in[1], pdf.data() + done, pdf.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                ::close(in[1]);
                open_in = false;
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buf[4096];
            const ssize_t n = ::read(err[0], buf, sizeof buf);
            if (n > 0 && said.size() < 4000)
                said.append(buf, static_cast<std::size_t>(n));
            else if (n == 0 || (n < 0 && errno != EINTR))
                open_err = false;
        }
    }
    if (open_in)
        ::close(in[1]);
    ::close(err[0]);
    if (open_err)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r'))
        said.pop_back();
    if (open_err) {
        error = "lp не ответил за минуту";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || done != pdf.size()) {
        // lp names itself ("lp: Error - …").
        error = said.empty() ? std::string("lp завершился с ошибкой")
                             : (said.compare(0, 3, "lp:") == 0 ? "" : "lp: ") + lsv__client_text(said, 400);
        return false;
    }
    return true;
}

} // namespace

print_service::print_service(label_service &service, std::vector<server_printer> printers,
                             std::unique_ptr<job_queue> queue, int lease_ms)
    : service_(service), printers_(std::move(printers)), queue_(std::move(queue)), lease_ms_(lease_ms),
      owner_(new_owner())
{
}

print_service::~print_service()
{
    stop();
}

const server_printer *print_service::printer(const std::string &name) const
{
    for (const server_printer &p : printers_)
        if (p.name == name)
            return &p;
    return nullptr;
}

void print_service::start()
{
    for (const server_printer &p : printers_)
        workers_.emplace_back([this, &p] { work(p); });
}

void print_service::stop()
{
    stop_ = true;
    wake();
    for (std::thread &t : workers_)
        t.join();
    workers_.clear();
}

void print_service::wake()
{
    std::lock_guard<std::mutex> lock(m_);
    ++wakes_;
    cv_.notify_all();
}

void print_service::work(const server_printer &p)
{
    lsv_log_throttle failures;
    while (!stop_) {
        unsigned long long seen;
        {
            std::lock_guard<std::mutex> lock(m_);
            seen = wakes_;
        }
        std::optional<print_job> job;
        std::string error;
        if (!queue_->take(p.name, owner_, lsv__now_ms(), lease_ms_, job, error))
            failures.log("принтер «" + lsv__client_text(p.name) + "»: задания не читаются: " + error);
        else if (job) {
            print_one(p, *job);
            continue;
        }
        // Another server's jobs and retries are looked for every second.
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait_for(lock, std::chrono::seconds(1), [&] { return stop_ || wakes_ != seen; });
    }
}

void print_service::print_one(const server_printer &p, print_job &job)
{
    const std::string who = "задание " + std::to_string(job.id) + " на «" + lsv__client_text(p.name) + "»";
    lsv__log(who + ": печать (" + std::to_string(job.labels) + " эт., попытка " + std::to_string(job.attempts + 1) +
             ")");
    // The job as held now, written back by the heartbeat and at the end.
    std::mutex jm;
    print_job cur = job;
    std::atomic<long> taken{0};
    long per_send = 1;
    std::atomic<bool> lost{false};
    auto save = [&](const print_job &j) {
        bool held = false;
        std::string error;
        if (!queue_->put(j, held, error))
            return false;
        if (!held)
            lost = true;
        return held;
    };
    auto snapshot = [&] {
        std::lock_guard<std::mutex> lock(jm);
        cur.printed = std::min(cur.labels, taken.load() * per_send);
        return cur;
    };
    bool beating = true;
    std::mutex bm;
    std::condition_variable bcv;
    std::thread heartbeat([&] {
        std::unique_lock<std::mutex> lock(bm);
        while (!bcv.wait_for(lock, std::chrono::milliseconds(std::max(lease_ms_ / 3, 100)), [&] { return !beating; })) {
            print_job j;
            {
                std::lock_guard<std::mutex> jl(jm);
                cur.lease_ms = lsv__now_ms() + lease_ms_;
            }
            j = snapshot();
            save(j);
        }
    });
    auto end_heartbeat = [&] {
        {
            std::lock_guard<std::mutex> lock(bm);
            beating = false;
        }
        bcv.notify_all();
        heartbeat.join();
    };
    // The printer could not be reached: nothing went out; tried again
    // later, until its retry time is over.
    auto unreachable = [&](const std::string &why) {
        end_heartbeat();
        print_job j = snapshot();
        const long long now = lsv__now_ms();
        ++j.attempts;
        if (j.retry_until_ms == 0)
            j.retry_until_ms = now + 1000LL * p.retry_for_s;
        j.sent = false;
        j.lease_ms = 0;
        if (now >= j.retry_until_ms) {
            j.state = job_state::failed;
            j.error = "принтер недоступен (попыток: " + std::to_string(j.attempts) + "): " + why;
        } else {
            j.state = job_state::queued;
            j.not_before_ms = now + 1000LL * p.retry_every_s;
            j.error = "принтер недоступен, следующая попытка через " + std::to_string(p.retry_every_s) + " с: " + why;
        }
        lsv__log(who + ": " + j.error);
        save(j);
    };
    auto mark_sent = [&](std::u16string &error) {
        print_job j;
        {
            std::lock_guard<std::mutex> lock(jm);
            cur.sent = true;
            cur.lease_ms = lsv__now_ms() + lease_ms_;
        }
        j = snapshot();
        if (save(j))
            return true;
        error = u"задание печати не записано в хранилище, на принтер ничего не отправлено";
        return false;
    };

    // The request as it was taken: the label, its variables or rows, copies.
    ino_env env;
    xmlrpc_value *parsed = nullptr;
    xmlrpc_parse_value_xml(&env.env, job.request.data(), job.request.size(), &parsed);
    xmlrpc_value_ptr request(parsed);
    xmlrpc_value_ptr params(env.failed() ? nullptr : xmlrpc_array_new(&env.env));
    if (!env.failed()) {
        const bool thermal = !p.is_cups();
        xmlrpc_value_ptr format(xmlrpc_string_new(&env.env, thermal ? out__thermal_language_name(p.thermal.language)
                                                                   : "pdf"));
        xmlrpc_struct_set_value(&env.env, request.get(), "format", format.get());
        if (thermal) {
            xmlrpc_value_ptr dpi(xmlrpc_int_new(&env.env, p.thermal.dpi));
            xmlrpc_struct_set_value(&env.env, request.get(), "resolution", dpi.get());
        }
        xmlrpc_value_ptr none(xmlrpc_struct_new(&env.env));
        xmlrpc_array_append_item(&env.env, params.get(), none.get());
        xmlrpc_array_append_item(&env.env, params.get(), request.get());
    }
    bool done = false;
    std::string error;
    if (env.failed()) {
        error = "задание не читается: " + std::string(env.env.fault_string ? env.env.fault_string : "");
    } else {
        http_call call;
        call.peer = "печать";
        // A job's time is what its printer takes; the render stops with the
        // server.
        lsv_methods::call_context c(call, 7 * 86400.0);
        ino_env renv;
        if (p.is_cups()) {
            xmlrpc_value_ptr pdf(lsv_methods::render_document(service_, service_.store(), c, &renv.env, params.get()));
            if (pdf) {
                const unsigned char *b = nullptr;
                std::size_t n = 0;
                xmlrpc_read_base64(&renv.env, pdf.get(), &n, &b);
                const std::string bytes(reinterpret_cast<const char *>(b), n);
                std::free(const_cast<unsigned char *>(b));
                pdf.reset();
                std::u16string why;
                if (!mark_sent(why))
                    error = plt__to_utf8(why);
                else if (run_lp(p.cups_queue, job.printer + ": " + std::to_string(job.id), bytes, error))
                    done = true;
                else {
                    // lp took nothing: CUPS is not there now.
                    {
                        std::lock_guard<std::mutex> lock(jm);
                        cur.sent = false;
                    }
                    unreachable(error);
                    return;
                }
            } else
                error = renv.env.fault_string ? renv.env.fault_string : "";
        } else {
            std::u16string why;
            std::unique_ptr<thermal_connection> connection = out__thermal_connect(p.address, why);
            if (!connection) {
                unreachable(plt__to_utf8(why));
                return;
            }
            lsv_methods::document_target target;
            target.thermal = &p.thermal;
            target.sink = [&](const label *lab, const thermal_options &o, std::u16string &) {
                {
                    std::lock_guard<std::mutex> lock(jm);
                    per_send = std::max(1L, o.copies);
                }
                auto counting = std::make_unique<counting_connection>(std::move(connection), mark_sent, taken);
                return out__thermal_send_sink(lab, std::move(counting), plt__from_utf8(p.name), o);
            };
            xmlrpc_value_ptr answer(
                lsv_methods::render_document(service_, service_.store(), c, &renv.env, params.get(), &target));
            done = answer != nullptr;
            if (!done)
                error = renv.env.fault_string ? renv.env.fault_string : "";
        }
    }
    end_heartbeat();
    print_job j = snapshot();
    j.lease_ms = 0;
    if (done) {
        j.state = job_state::done;
        j.printed = j.labels;
        j.error.clear();
        lsv__log(who + ": напечатано");
    } else if (!j.sent && rdr__render_stopping()) {
        // Stopped with the server before anything went out: for the next.
        j.state = job_state::queued;
        j.error.clear();
        lsv__log(who + ": отложено до следующего запуска");
    } else {
        j.state = job_state::failed;
        j.error = error;
        lsv__log(who + ": не напечатано: " + lsv__client_text(error, 400));
    }
    if (!lost)
        save(j);
}
