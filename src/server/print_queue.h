// Print jobs: what the server's printers are to print, kept in the store (a
// folder of files, or a table of the database) before the client is told
// the job was taken, and taken by the printers' workers one at a time.
//
// A printer prints its jobs in the order they came: a worker takes only
// the first unfinished job of its printer, and holds it for a lease it
// renews while printing.  A job whose holder's lease ran out (the server
// was killed, or lost the database) goes back to the queue when none of it
// can have reached the printer, and otherwise fails as "unknown whether
// printed" — never a second copy nobody asked for.
#pragma once

#include <memory>
#include <optional>
#include <string>

class pg_pool;

enum class job_state { queued, printing, done, failed };
const char *lsv__job_state_name(job_state s);
// The state of its name; none for a name that is not one.
std::optional<job_state> lsv__job_state_of(const std::string &name);
// The SHA-256 of the bytes in hexadecimal, the first `chars` digits (keys,
// digests and file names of jobs).
std::string lsv__sha256_hex(const std::string &bytes, int chars = 64);

struct print_job {
    long long id = 0;       // from one counter, in the order the jobs came
    std::string printer;    // the printer's name (UTF-8)
    std::string user;       // who asked
    std::string key;        // the client's key of "this same job" ("" none)
    std::string digest;     // of the request: a key used again for another request is refused
    std::string request;    // what to print: the render request as an XML-RPC value (XML)
    long labels = 0;        // labels the job prints
    long printed = 0;       // labels the printer took
    job_state state = job_state::queued;
    std::string error;      // why it failed (or why it waits: the printer cannot be reached)
    int attempts = 0;
    long long not_before_ms = 0;  // a retry waits until then
    long long retry_until_ms = 0; // the printer unreachable since the first try + its retry time
    std::string owner;            // the server printing it
    long long lease_ms = 0;       // which holds it until then
    bool sent = false;            // bytes may have reached the printer
    long long created_ms = 0;
};

// What a job said on being asked for with a key.
enum class job_added { added, same, key_taken };

class job_queue {
public:
    virtual ~job_queue() = default;
    // Makes the folder or the table; false with a reason.
    virtual bool open(std::string &error) = 0;
    // Keeps a new job and sets its id — unless the user gave a key used
    // before: then `job` is that job (same) or the key was used for another
    // request (key_taken).
    virtual bool add(print_job &job, job_added &how, std::string &error) = 0;
    virtual bool get(long long id, std::optional<print_job> &job, std::string &error) = 0;
    // The printer's next job, now held by `owner` until now + lease: the
    // first of its unfinished jobs, unless it is held or waits for a retry
    // (then none).
    virtual bool take(const std::string &printer, const std::string &owner, long long now_ms, long long lease_ms,
                      std::optional<print_job> &job, std::string &error) = 0;
    // Writes back a job its owner holds; `held` false (and nothing written)
    // when another server has taken it since.
    virtual bool put(const print_job &job, bool &held, std::string &error) = 0;
};

// What take() does with a printer's first unfinished job at `now_ms`:
// wait (held, or waiting for its retry), take it (`job` now held by
// `owner`), or finish it as failed (its holder gone after sending) and
// look at the next.
enum class head_step { wait, take, failed };
head_step lsv__head_step(print_job &job, const std::string &owner, long long now_ms, long long lease_ms);

// Jobs as files in `folder` (made when missing); several servers on one
// folder take turns through a lock file.
std::unique_ptr<job_queue> lsv__folder_jobs(std::string folder);
// Jobs in the database's vellumo_print_jobs (made on the first start).
std::unique_ptr<job_queue> lsv__database_jobs(pg_pool &pool);

// Milliseconds since 1970.
long long lsv__now_ms();
// The job's answer to the JSON interface and labels.job_state.
inline constexpr char LSV_UNKNOWN_WHETHER_PRINTED[] =
    "неизвестно, напечатано ли: сервер, печатавший задание, остановился, когда принтер уже получал его";
