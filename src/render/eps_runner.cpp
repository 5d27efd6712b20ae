#include "render/eps_runner.h"


#include <QBuffer>
#include <QByteArray>
#include <QCryptographicHash>
#include <QImageReader>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <list>
#include <mutex>
#include <poll.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

namespace fs = std::filesystem;

namespace {

std::atomic<int> g_runs{0};
std::mutex g_observer_mutex;
std::function<void()> g_observer;
std::mutex g_root_mutex;
std::string g_job_root;

// A small cache of finished pictures.
struct cache_entry {
    QByteArray key;
    QImage image;
};
std::mutex g_cache_mutex;
std::list<cache_entry> g_cache; // most recent first
constexpr qsizetype cache_bytes_max = 512LL << 20;

std::string job_root()
{
    std::lock_guard<std::mutex> lock(g_root_mutex);
    if (!g_job_root.empty())
        return g_job_root;
    const char *t = std::getenv("TMPDIR");
    return t && *t ? t : "/tmp";
}

std::string find_gs()
{
    const char *path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/gs";
        if (end > start && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// The PostScript part of a DOS binary EPS, or the bytes as they are.
std::string postscript_part(const std::vector<unsigned char> &eps)
{
    if (eps.size() >= 30 && eps[0] == 0xC5 && eps[1] == 0xD0 && eps[2] == 0xD3 && eps[3] == 0xC6) {
        auto u32 = [&](std::size_t at) {
            return static_cast<std::uint32_t>(eps[at]) | static_cast<std::uint32_t>(eps[at + 1]) << 8 |
                   static_cast<std::uint32_t>(eps[at + 2]) << 16 | static_cast<std::uint32_t>(eps[at + 3]) << 24;
        };
        const std::uint64_t off = u32(4), len = u32(8);
        if (off < eps.size() && len <= eps.size() - off)
            return std::string(reinterpret_cast<const char *>(eps.data() + off), static_cast<std::size_t>(len));
    }
    return std::string(reinterpret_cast<const char *>(eps.data()), eps.size());
}

std::string number(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    return buf;
}

// A marker that does not occur in the picture.
std::string end_marker(const std::string &ps)
{
    for (unsigned n = 0;; ++n) {
        std::string m = "%%VellumoEndOfPicture" + std::to_string(::getpid()) + "x" + std::to_string(n);
        if (ps.find(m) == std::string::npos)
            return m;
    }
}

bool write_all(const std::string &path, const std::string &a, const std::string &b, const std::string &c)
{
    std::ofstream out(path, std::ios::binary);
    out << a << b << c;
    out.close();
    return static_cast<bool>(out);
}

std::string first_line_of(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line, out;
    for (int i = 0; i < 200 && std::getline(in, line); ++i) {
        if (line.find("Error") != std::string::npos || line.find("error") != std::string::npos) {
            out = line;
            break;
        }
    }
    if (out.size() > 200)
        out.resize(200);
    for (char &ch : out)
        if (static_cast<unsigned char>(ch) < 32)
            ch = ' ';
    return out;
}

// Whether the log has a line starting with `what`.
bool log_has(const std::string &path, const char *what)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    for (int i = 0; i < 1000000 && std::getline(in, line); ++i)
        if (line.rfind(what, 0) == 0)
            return true;
    return false;
}

// Ghostscript processes running now (their process groups), so that a
// stopping server can kill them.
std::mutex g_running_mutex;
std::set<pid_t> g_running;
std::atomic<bool> g_stopping{false};

// The stop check of the render running in this thread.
thread_local render_stop_scope *t_stop_scope = nullptr;

std::string seconds_text(double s)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", s);
    return buf;
}

// The PNG gs wrote, decoded; `error` says what failed.
QImage decode_png(const std::string &png, int px_w, int px_h, std::string &error)
{
    // Qt refuses pictures above 128 MiB by default; 100 megapixels of
    // 32-bit pixels are allowed.
    static std::once_flag limit_once;
    std::call_once(limit_once, [] { QImageReader::setAllocationLimit(512); });
    QByteArray bytes = QByteArray::fromRawData(png.data(), static_cast<qsizetype>(png.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "PNG");
    const QSize size = reader.size();
    if (size.isValid() && (size.width() != px_w || size.height() != px_h)) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript выдал изображение %1×%2 вместо %3×%4"), size.width(), size.height(), px_w, px_h));
        return {};
    }
    QImage img = reader.read();
    if (img.isNull()) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "изображение %1×%2 от Ghostscript не прочитано: %3"), px_w, px_h,
                                         reader.errorString().toStdU16String().c_str()));
        return {};
    }
    if (img.width() != px_w || img.height() != px_h) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript выдал изображение %1×%2 вместо %3×%4"), img.width(), img.height(), px_w, px_h));
        return {};
    }
    img.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "не хватило памяти для рисунка %1×%2"), px_w, px_h));
    return img;
}

// A private folder for one run of gs, removed with everything in it.
struct gs_job {
    std::string dir;
    ~gs_job()
    {
        if (dir.empty())
            return;
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

bool make_job(gs_job &job, std::string &error)
{
    std::string tmpl = job_root() + "/vellumo-eps-XXXXXX";
    if (!::mkdtemp(tmpl.data())) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "не удалось создать рабочую папку: %1"), std::strerror(errno)));
        return false;
    }
    job.dir = tmpl;
    ::mkdir((job.dir + "/tmp").c_str(), 0700);
    return true;
}

// What the wrapper says once the picture has run to its end (a picture
// that calls quit never gets there).
constexpr const char *picture_end = "VellumoPictureEnd";

// The job file: the picture inside a wrapper that scales its bounding box
// onto a page of page_w × page_h (pixels at 72 dpi, or points for PDF),
// keeps it from ending the job, and says when it failed.  For PDF every
// font is embedded (the standard ones too: a label prints the same
// everywhere) and the wrapper says when the picture came to its end.
bool write_job_file(const std::string &file, const std::string &ps, double llx, double lly, double bw, double bh,
                    double page_w, double page_h, bool pdf)
{
    const std::string marker = end_marker(ps);
    std::string head = "%!PS\n<< /PageSize [" + number(page_w) + " " + number(page_h) + "] >> setpagedevice\n" +
                       (pdf ? "<< /NeverEmbed [ ] /EmbedAllFonts true >> setdistillerparams\n" : "") +
                       "/VellumoJob save def\n/showpage {} def\n" + number(page_w / bw) + " " +
                       number(page_h / bh) + " scale\n" + number(-llx) + " " + number(-lly) + " translate\n" +
                       "currentfile << /EODCount 0 /EODString (" + marker + ") >> /SubFileDecode filter cvx stopped\n";
    std::string tail = "\n" + marker + "\n{ (VellumoError: picture failed) = flush } if\n" +
                       (pdf ? std::string("(") + picture_end + ") = flush\n" : std::string()) +
                       "clear cleardictstack VellumoJob restore showpage\n";
    return write_all(file, head, ps, tail);
}

// What gs runs with: the page kept in memory (no band files in the
// temporary folder) and written as PNG to standard output, or as PDF (its
// own temporary files stay in the job's folder); PostScript's own output
// goes to the log with the messages.  A private temporary folder and home,
// a plain path, the C locale.
struct gs_command {
    std::vector<std::string> args, env;
};

gs_command gs_command_for(const std::string &gs, const std::string &job, const std::string &job_file, int px_w,
                          int px_h, long long page_bytes, bool pdf, double page_w, double page_h)
{
    const std::string tmp = job + "/tmp";
    gs_command c;
    c.args = {gs, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dNOPROMPT"};
    if (pdf) {
        // One page of the picture's size, whatever the picture asks for,
        // never turned by the direction of its text; cross-references as a
        // plain table.
        for (const char *a : {"-sDEVICE=pdfwrite", "-dAutoRotatePages=/None", "-dFIXEDMEDIA", "-dWriteObjStms=false",
                              "-dWriteXRefStm=false"})
            c.args.push_back(a);
        c.args.push_back("-dDEVICEWIDTHPOINTS=" + number(page_w));
        c.args.push_back("-dDEVICEHEIGHTPOINTS=" + number(page_h));
    } else {
        for (const char *a : {"-dNOINTERPOLATE", "-sDEVICE=pngalpha", "-r72", "-dFIXEDMEDIA", "-dTextAlphaBits=4",
                              "-dGraphicsAlphaBits=4"})
            c.args.push_back(a);
        c.args.push_back("-dMaxBitmap=" + std::to_string(page_bytes + (64LL << 20)));
        c.args.push_back("-g" + std::to_string(px_w) + "x" + std::to_string(px_h));
    }
    c.args.push_back("-sstdout=%stderr");
    c.args.push_back("-sOutputFile=-");
    c.args.push_back(job_file);
    c.env = {"TMPDIR=" + tmp, "TEMP=" + tmp, "TMP=" + tmp, "HOME=" + job, "PATH=/usr/local/bin:/usr/bin:/bin",
             "LC_ALL=C"};
    return c;
}

// The resources one run may take.  Big pictures get more time: a second per
// ten megapixels.  The time is Ghostscript's own processor time, so that a
// busy machine draws what an idle one does; the wall clock allows several
// times that (a run that waits instead of working), never more than the
// render has left.
struct gs_budget {
    rlimit as{}, cpu{}, fsize{}, core{0, 0};
    double own_seconds = 0; // processor time this picture is given
    double own_wall = 0;    // wall-clock time it is given
    double allowed = 0;     // wall-clock time it gets, within the render's budget
};

// The wall clock allows this many times a picture's processor time.
constexpr double wall_per_cpu_second = 10;

gs_budget budget_for(const eps_limits &limits, int px_w, int px_h, long long page_bytes)
{
    gs_budget b;
    // Room for the page itself besides the interpreter.
    const long long memory = std::max(limits.memory_bytes, page_bytes * 2 + (512LL << 20));
    b.as = {static_cast<rlim_t>(memory), static_cast<rlim_t>(memory)};
    b.own_seconds = limits.deadline_ms / 1000.0 + static_cast<double>(px_w) * px_h / 1e7;
    b.own_wall = b.own_seconds * wall_per_cpu_second;
    b.allowed = std::min(b.own_wall, limits.budget_seconds);
    // SIGXCPU at the soft limit (the nearest whole second), SIGKILL a
    // second later.
    const auto cpu_seconds = static_cast<rlim_t>(std::max(1L, std::lround(b.own_seconds)));
    b.cpu = {cpu_seconds, cpu_seconds + 1};
    b.fsize = {static_cast<rlim_t>(limits.file_bytes), static_cast<rlim_t>(limits.file_bytes)};
    return b;
}

// Starts gs in a process group of its own, its output into `out_pipe`, its
// messages into the log file; registered as running.  The pid, or -1 with
// `error` set (and `run.stopped` when the server is stopping).
pid_t spawn_gs(gs_command &cmd, const gs_budget &b, const std::string &job, const std::string &log_file,
               int out_pipe[2], std::string &error, eps_run &run)
{
    std::vector<char *> argv, envp;
    for (std::string &a : cmd.args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string &e : cmd.env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const int log_fd = ::open(log_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    sigset_t no_signals;
    sigemptyset(&no_signals);

    std::unique_lock<std::mutex> running(g_running_mutex);
    const pid_t pid = g_stopping.load() ? -1 : ::fork();
    if (pid < 0) {
        running.unlock();
        run.stopped = g_stopping.load();
        error = run.stopped ? pl__tr8(VL_TR("vellumo", "сервер останавливается"))
                            : plt__to_utf8(msc__format(VL_TR("vellumo", "не удалось запустить gs: %1"), std::strerror(errno)));
        for (int fd : {log_fd, null_fd, out_pipe[0], out_pipe[1]})
            if (fd >= 0)
                ::close(fd);
        return -1;
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        ::setpgid(0, 0);
        if (null_fd >= 0)
            ::dup2(null_fd, 0);
        ::dup2(out_pipe[1], 1);
        if (log_fd >= 0)
            ::dup2(log_fd, 2);
        ::setrlimit(RLIMIT_AS, &b.as);
        ::setrlimit(RLIMIT_CPU, &b.cpu);
        ::setrlimit(RLIMIT_FSIZE, &b.fsize);
        ::setrlimit(RLIMIT_CORE, &b.core);
        ::chdir(job.c_str());
        ::signal(SIGPIPE, SIG_DFL);
        ::sigprocmask(SIG_SETMASK, &no_signals, nullptr);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    g_running.insert(pid);
    running.unlock();
    for (int fd : {log_fd, null_fd, out_pipe[1]})
        if (fd >= 0)
            ::close(fd);
    ++g_runs;
    return pid;
}

// How the output of one run ended.
struct gs_output {
    std::string png;
    bool killed = false;   // the deadline passed
    bool too_much = false; // more than a picture of that size can be
    bool stopped = false;  // the render was stopped (rdr__render_stopping)
};

// Longest wait for Ghostscript between two looks at whether the render is
// to stop.
constexpr long long stop_look_ms = 100;

// Reads the PNG from `fd` until it ends, the deadline passes or it grows past
// `max_png`; closes `fd`.
gs_output read_page(int fd, std::chrono::steady_clock::time_point deadline, std::size_t max_png)
{
    gs_output out;
    out.png.reserve(std::min<std::size_t>(max_png, 16u << 20));
    char chunk[65536];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            out.killed = true;
            break;
        }
        if (rdr__render_stopping()) {
            out.stopped = true;
            break;
        }
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, stop_look_ms)));
        if (r < 0 && errno != EINTR)
            break;
        if (r <= 0)
            continue;
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (out.png.size() + static_cast<std::size_t>(n) > max_png) {
            out.too_much = true;
            break;
        }
        out.png.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

// The output ended (or will not be waited for): the process is waited for
// until the deadline, then everything in its group is killed.  Its status.
int finish_gs(pid_t pid, std::chrono::steady_clock::time_point deadline, gs_output &out)
{
    int status = 0;
    auto next_look = std::chrono::steady_clock::now() + std::chrono::milliseconds(stop_look_ms);
    while (!out.killed && !out.too_much && !out.stopped) {
        siginfo_t info{};
        const int r = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if ((r == 0 && info.si_pid == pid) || (r < 0 && errno != EINTR))
            break;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            out.killed = true;
            break;
        }
        if (now >= next_look) {
            next_look = now + std::chrono::milliseconds(stop_look_ms);
            if (rdr__render_stopping()) {
                out.stopped = true;
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(-pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> lock(g_running_mutex);
    g_running.erase(pid);
    return status;
}

// What one run is asked to make.
struct gs_target {
    double page_w = 0, page_h = 0; // the page: pixels at 72 dpi, or points for PDF
    int px_w = 1, px_h = 1;        // pixels of the picture (1 × 1 for PDF)
    bool pdf = false;
    std::size_t max_output = 0;    // bytes the output may have
    std::string too_much;          // why more than that is wrong, for the message
};

// Whether a finished run wrote something usable into `out`; else why not.
bool run_succeeded(const gs_output &out, int status, const gs_budget &b, const std::string &log_file,
                   const gs_target &t, std::string &error, eps_run &run)
{
    if (out.stopped || (g_stopping.load() && (out.killed || WIFSIGNALED(status)))) {
        run.stopped = true;
        error = pl__tr8(g_stopping.load() ? VL_TR("vellumo", "сервер останавливается")
                                          : VL_TR("vellumo", "построение остановлено"));
        return false;
    }
    const std::string gs_says = first_line_of(log_file);
    if (out.killed) {
        if (b.allowed < b.own_wall) {
            run.out_of_budget = true;
            error = pl__tr8(VL_TR("vellumo", "время Ghostscript на это изображение вышло"));
        } else {
            run.timed_out = true;
            error = plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript не уложился в %1 с и остановлен"), seconds_text(b.own_wall).c_str()));
        }
        return false;
    }
    if (out.too_much) {
        error = t.too_much;
        return false;
    }
    // Its processor time ran out: SIGXCPU at the soft limit, or the kill at
    // the hard one.
    if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL)) {
        run.timed_out = true;
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript не уложился в %1 с процессорного времени и остановлен"), 
                                         seconds_text(b.own_seconds).c_str()));
        return false;
    }
    if (WIFSIGNALED(status)) {
        error = WTERMSIG(status) == SIGXCPU
                    ? plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript остановлен сигналом %1 (исчерпано время процессора)"), WTERMSIG(status)))
                : WTERMSIG(status) == SIGXFSZ
                    ? plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript остановлен сигналом %1 (превышен размер файла)"), WTERMSIG(status)))
                    : plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript остановлен сигналом %1"), WTERMSIG(status)));
        return false;
    }
    if (!gs_says.empty()) {
        // The wrapper's own line for an error the picture raised, or gs's.
        error = gs_says.find("VellumoError") != std::string::npos
                    ? pl__tr8(VL_TR("vellumo", "рисунок содержит ошибку PostScript"))
                : gs_says.find("VMerror") != std::string::npos
                    ? plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript не хватило памяти: %1"), gs_says.c_str()))
                    : plt__to_utf8(msc__format(VL_TR("vellumo", "ошибка Ghostscript: %1"), gs_says.c_str()));
        return false;
    }
    // pdfwrite writes the page even when the picture quits half way; the
    // picture drawn as an image shows nothing then, and neither may this.
    if (t.pdf && !out.png.empty() && !log_has(log_file, picture_end)) {
        error = pl__tr8(VL_TR("vellumo", "Ghostscript ничего не нарисовал (рисунок вызывает quit?)"));
        return false;
    }
    if (out.png.empty()) {
        error = WIFEXITED(status) && WEXITSTATUS(status) != 0
                    ? plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript завершился с кодом %1 и ничего не нарисовал"), WEXITSTATUS(status)))
                    : pl__tr8(VL_TR("vellumo", "Ghostscript ничего не нарисовал (рисунок вызывает quit?)"));
        return false;
    }
    // A PDF from a run that failed may be cut short.
    if (t.pdf && WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript завершился с кодом %1"), WEXITSTATUS(status)));
        return false;
    }
    return true;
}

// One run of gs on the PostScript `ps`, its bounding box (llx, lly, bw × bh)
// scaled onto the target's page; what it wrote goes to `output`.
bool run_gs(const std::string &ps, double llx, double lly, double bw, double bh, const gs_target &t,
            std::string &output, std::string &error, const eps_limits &limits, eps_run &run)
{
    if (rdr__render_stopping()) {
        run.stopped = true;
        error = pl__tr8(g_stopping.load() ? VL_TR("vellumo", "сервер останавливается")
                                          : VL_TR("vellumo", "построение остановлено"));
        return false;
    }
    if (limits.budget_seconds <= 0) {
        run.out_of_budget = true;
        error = pl__tr8(VL_TR("vellumo", "время Ghostscript на это изображение вышло"));
        return false;
    }
    const std::string gs = find_gs();
    if (gs.empty()) {
        error = pl__tr8(VL_TR("vellumo", "программа Ghostscript (gs) не найдена"));
        return false;
    }
    gs_job job;
    if (!make_job(job, error))
        return false;
    const std::string job_file = job.dir + "/job.ps", log_file = job.dir + "/gs.log";
    if (!write_job_file(job_file, ps, llx, lly, bw, bh, t.page_w, t.page_h, t.pdf)) {
        error = pl__tr8(VL_TR("vellumo", "не удалось записать рисунок во временный файл"));
        return false;
    }
    const long long page_bytes = 4LL * t.px_w * t.px_h;
    gs_command cmd = gs_command_for(gs, job.dir, job_file, t.px_w, t.px_h, page_bytes, t.pdf, t.page_w, t.page_h);
    const gs_budget b = budget_for(limits, t.px_w, t.px_h, page_bytes);
    int out_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "не удалось запустить gs: %1"), std::strerror(errno)));
        return false;
    }
    const pid_t pid = spawn_gs(cmd, b, job.dir, log_file, out_pipe, error, run);
    if (pid < 0)
        return false;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::microseconds(static_cast<long long>(b.allowed * 1e6));
    gs_output out = read_page(out_pipe[0], deadline, t.max_output);
    const int status = finish_gs(pid, deadline, out);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!run_succeeded(out, status, b, log_file, t, error, run))
        return false;
    output = std::move(out.png);
    return true;
}

QByteArray picture_key(const std::vector<unsigned char> &eps, double llx, double lly, double width, double height)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(QByteArrayView(reinterpret_cast<const char *>(eps.data()), static_cast<qsizetype>(eps.size())));
    return h.result() + ":" + QByteArray::number(llx, 'g', 17) + ":" + QByteArray::number(lly, 'g', 17) + ":" +
           QByteArray::number(width, 'g', 17) + ":" + QByteArray::number(height, 'g', 17);
}

void observe_run()
{
    std::lock_guard<std::mutex> lock(g_observer_mutex);
    if (g_observer)
        g_observer();
}

// PDF pages of pictures, by picture: a document of many pages asks for the
// same picture on every page.
struct pdf_entry {
    QByteArray key;
    std::string pdf;
};
std::list<pdf_entry> g_pdf_cache; // most recent first, under g_cache_mutex
constexpr std::size_t pdf_cache_bytes_max = 64u << 20;

} // namespace

QImage rdr__render_eps(const std::vector<unsigned char> &eps, double llx, double lly, double width, double height,
                       int px_w, int px_h, std::string &error, const eps_limits &limits, eps_run *run)
{
    eps_run own;
    eps_run &r = run ? *run : own;
    r = {};
    if (!(width > 0) || !(height > 0) || !std::isfinite(llx) || !std::isfinite(lly)) {
        error = pl__tr8(VL_TR("vellumo", "у рисунка нет размеров (%%BoundingBox)"));
        return {};
    }
    if (px_w < 1 || px_h < 1) {
        error = pl__tr8(VL_TR("vellumo", "рисунок меньше точки"));
        return {};
    }
    const QByteArray key = picture_key(eps, llx, lly, width, height) + ":" + QByteArray::number(px_w) + "x" +
                           QByteArray::number(px_h);
    {
        std::lock_guard<std::mutex> lock(g_cache_mutex);
        for (auto it = g_cache.begin(); it != g_cache.end(); ++it)
            if (it->key == key) {
                g_cache.splice(g_cache.begin(), g_cache, it);
                return g_cache.front().image;
            }
    }
    observe_run();
    gs_target t;
    t.page_w = px_w;
    t.page_h = px_h;
    t.px_w = px_w;
    t.px_h = px_h;
    // PNG is never much larger than the pixels themselves.
    const long long page_bytes = 4LL * px_w * px_h;
    t.max_output = static_cast<std::size_t>(page_bytes + page_bytes / 8 + (1 << 20));
    t.too_much = plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript выдал больше данных, чем бывает у рисунка %1×%2"), px_w, px_h));
    std::string png;
    if (!run_gs(postscript_part(eps), llx, lly, width, height, t, png, error, limits, r))
        return {};
    QImage img = decode_png(png, px_w, px_h, error);
    if (img.isNull())
        return img;
    std::lock_guard<std::mutex> lock(g_cache_mutex);
    g_cache.push_front({key, img});
    qsizetype total = 0;
    for (auto it = g_cache.begin(); it != g_cache.end();) {
        total += it->image.sizeInBytes();
        if (total > cache_bytes_max && it != g_cache.begin())
            it = g_cache.erase(it);
        else
            ++it;
    }
    return img;
}

std::string rdr__eps_to_pdf(const std::vector<unsigned char> &eps, double llx, double lly, double width,
                            double height, std::string &error, const eps_limits &limits, eps_run *run)
{
    eps_run own;
    eps_run &r = run ? *run : own;
    r = {};
    if (!(width > 0) || !(height > 0) || !std::isfinite(llx) || !std::isfinite(lly) || !std::isfinite(width) ||
        !std::isfinite(height)) {
        error = pl__tr8(VL_TR("vellumo", "у рисунка нет размеров (%%BoundingBox)"));
        return {};
    }
    const QByteArray key = picture_key(eps, llx, lly, width, height);
    {
        std::lock_guard<std::mutex> lock(g_cache_mutex);
        for (auto it = g_pdf_cache.begin(); it != g_pdf_cache.end(); ++it)
            if (it->key == key) {
                g_pdf_cache.splice(g_pdf_cache.begin(), g_pdf_cache, it);
                return g_pdf_cache.front().pdf;
            }
    }
    observe_run();
    gs_target t;
    t.page_w = width;
    t.page_h = height;
    t.pdf = true;
    t.max_output = EPS_MAX_PDF_BYTES;
    t.too_much = plt__to_utf8(msc__format(VL_TR("vellumo", "Ghostscript выдал PDF больше %1 МБ"), EPS_MAX_PDF_BYTES >> 20));
    std::string pdf;
    if (!run_gs(postscript_part(eps), llx, lly, width, height, t, pdf, error, limits, r))
        return {};
    if (pdf.compare(0, 5, "%PDF-") != 0) {
        error = pl__tr8(VL_TR("vellumo", "Ghostscript выдал не PDF"));
        return {};
    }
    std::lock_guard<std::mutex> lock(g_cache_mutex);
    g_pdf_cache.push_front({key, pdf});
    std::size_t total = 0;
    for (auto it = g_pdf_cache.begin(); it != g_pdf_cache.end();) {
        total += it->pdf.size();
        if (total > pdf_cache_bytes_max && it != g_pdf_cache.begin())
            it = g_pdf_cache.erase(it);
        else
            ++it;
    }
    return pdf;
}

void rdr__eps_stop_all()
{
    std::lock_guard<std::mutex> lock(g_running_mutex);
    g_stopping = true;
    for (pid_t pid : g_running)
        ::kill(-pid, SIGKILL);
}

bool rdr__eps_stopping()
{
    return g_stopping.load();
}

render_stop_scope::render_stop_scope(std::function<bool()> check) : check_(std::move(check)), outer_(t_stop_scope)
{
    t_stop_scope = this;
}

render_stop_scope::~render_stop_scope()
{
    t_stop_scope = outer_;
}

bool rdr__render_stopping()
{
    if (g_stopping.load())
        return true;
    render_stop_scope *s = t_stop_scope;
    if (!s || !s->check_)
        return false;
    if (!s->said_stop_)
        s->said_stop_ = s->check_();
    return s->said_stop_;
}

void rdr__eps_cache_clear()
{
    std::lock_guard<std::mutex> lock(g_cache_mutex);
    g_cache.clear();
    g_pdf_cache.clear();
}

int rdr__eps_runs()
{
    return g_runs.load();
}

void rdr__eps_set_job_root(const std::string &folder)
{
    std::lock_guard<std::mutex> lock(g_root_mutex);
    g_job_root = folder;
}

void rdr__eps_set_run_observer(std::function<void()> observer)
{
    std::lock_guard<std::mutex> lock(g_observer_mutex);
    g_observer = std::move(observer);
}
