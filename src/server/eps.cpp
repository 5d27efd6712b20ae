#include "server/eps.h"

#include <QByteArray>
#include <QCryptographicHash>
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
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::atomic<int> g_runs{0};
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

QImage run_gs(const std::string &ps, double llx, double lly, double bw, double bh, int px_w, int px_h,
              std::string &error, const eps_limits &limits)
{
    const std::string gs = find_gs();
    if (gs.empty()) {
        error = "программа Ghostscript (gs) не найдена";
        return {};
    }
    std::string tmpl = job_root() + "/vellumo-eps-XXXXXX";
    if (!::mkdtemp(tmpl.data())) {
        error = std::string("не удалось создать рабочую папку: ") + std::strerror(errno);
        return {};
    }
    const std::string job = tmpl;
    struct cleanup {
        std::string dir;
        ~cleanup()
        {
            std::error_code ec;
            fs::remove_all(dir, ec);
        }
    } clean{job};
    const std::string tmp = job + "/tmp";
    ::mkdir(tmp.c_str(), 0700);

    const std::string marker = end_marker(ps);
    std::string head = "%!PS\n<< /PageSize [" + std::to_string(px_w) + " " + std::to_string(px_h) +
                       "] >> setpagedevice\n/VellumoJob save def\n/showpage {} def\n" +
                       number(px_w / bw) + " " + number(px_h / bh) + " scale\n" + number(-llx) + " " +
                       number(-lly) + " translate\n" +
                       "currentfile << /EODCount 0 /EODString (" + marker + ") >> /SubFileDecode filter cvx stopped\n";
    std::string tail = "\n" + marker + "\n{ (VellumoError: picture failed) = flush } if\n"
                       "clear cleardictstack VellumoJob restore showpage\n";
    const std::string job_file = job + "/job.ps", out_file = job + "/out.png", log_file = job + "/gs.log";
    if (!write_all(job_file, head, ps, tail)) {
        error = "не удалось записать рисунок во временный файл";
        return {};
    }

    // Everything the child needs is built before the fork.
    std::vector<std::string> args = {gs,
                                     "-q",
                                     "-dSAFER",
                                     "-dBATCH",
                                     "-dNOPAUSE",
                                     "-dNOPROMPT",
                                     "-dNOINTERPOLATE",
                                     "-sDEVICE=pngalpha",
                                     "-r72",
                                     "-dFIXEDMEDIA",
                                     "-dTextAlphaBits=4",
                                     "-dGraphicsAlphaBits=4",
                                     "-g" + std::to_string(px_w) + "x" + std::to_string(px_h),
                                     "-sOutputFile=" + out_file,
                                     job_file};
    std::vector<std::string> env = {"TMPDIR=" + tmp, "TEMP=" + tmp, "TMP=" + tmp, "HOME=" + job,
                                    "PATH=/usr/local/bin:/usr/bin:/bin", "LC_ALL=C"};
    std::vector<char *> argv, envp;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const int log_fd = ::open(log_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    rlimit as{static_cast<rlim_t>(limits.memory_bytes), static_cast<rlim_t>(limits.memory_bytes)};
    rlimit cpu{static_cast<rlim_t>(limits.cpu_seconds), static_cast<rlim_t>(limits.cpu_seconds + 1)};
    rlimit fsize{static_cast<rlim_t>(limits.file_bytes), static_cast<rlim_t>(limits.file_bytes)};
    rlimit core{0, 0};
    sigset_t no_signals;
    sigemptyset(&no_signals);

    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("не удалось запустить gs: ") + std::strerror(errno);
        if (log_fd >= 0)
            ::close(log_fd);
        if (null_fd >= 0)
            ::close(null_fd);
        return {};
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        ::setpgid(0, 0);
        if (null_fd >= 0)
            ::dup2(null_fd, 0);
        if (log_fd >= 0) {
            ::dup2(log_fd, 1);
            ::dup2(log_fd, 2);
        }
        ::setrlimit(RLIMIT_AS, &as);
        ::setrlimit(RLIMIT_CPU, &cpu);
        ::setrlimit(RLIMIT_FSIZE, &fsize);
        ::setrlimit(RLIMIT_CORE, &core);
        ::chdir(job.c_str());
        ::signal(SIGPIPE, SIG_DFL);
        ::sigprocmask(SIG_SETMASK, &no_signals, nullptr);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    if (log_fd >= 0)
        ::close(log_fd);
    if (null_fd >= 0)
        ::close(null_fd);
    ++g_runs;

    // Big pictures get more time: a second per ten megapixels.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.deadline_ms) +
                          std::chrono::milliseconds(static_cast<long long>(px_w) * px_h / 10000);
    int status = 0;
    bool killed = false;
    for (;;) {
        // Wait without reaping, so that the process group stays ours until
        // everything in it is killed.
        siginfo_t info{};
        const int r = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (r == 0 && info.si_pid == pid)
            break;
        if (r < 0 && errno != EINTR)
            break;
        if (std::chrono::steady_clock::now() >= deadline) {
            killed = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    // Nothing the job started may outlive it.
    ::kill(-pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    const std::string gs_says = first_line_of(log_file);
    if (killed) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", limits.deadline_ms / 1000.0);
        error = std::string("Ghostscript не уложился в ") + seconds + " с и остановлен";
        return {};
    }
    if (WIFSIGNALED(status)) {
        error = "Ghostscript остановлен сигналом " + std::to_string(WTERMSIG(status)) +
                (WTERMSIG(status) == SIGXCPU ? " (исчерпано время процессора)" : "");
        return {};
    }
    if (!gs_says.empty()) {
        // The wrapper's own line for an error the picture raised, or gs's.
        error = gs_says.find("VellumoError") != std::string::npos ? "рисунок содержит ошибку PostScript"
                                                                   : "ошибка Ghostscript: " + gs_says;
        return {};
    }
    struct stat st;
    if (::stat(out_file.c_str(), &st) != 0 || st.st_size == 0) {
        error = "Ghostscript ничего не нарисовал (рисунок вызывает quit?)";
        return {};
    }
    QImage img(QString::fromStdString(out_file), "PNG");
    if (img.isNull() || img.width() != px_w || img.height() != px_h) {
        error = "Ghostscript выдал изображение не того размера";
        return {};
    }
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QImage srv__render_eps(const std::vector<unsigned char> &eps, double llx, double lly, double width, double height,
                       int px_w, int px_h, std::string &error, const eps_limits &limits)
{
    if (!(width > 0) || !(height > 0) || !std::isfinite(llx) || !std::isfinite(lly)) {
        error = "у рисунка нет размеров (%%BoundingBox)";
        return {};
    }
    if (px_w < 1 || px_h < 1) {
        error = "рисунок меньше точки";
        return {};
    }
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(QByteArrayView(reinterpret_cast<const char *>(eps.data()), static_cast<qsizetype>(eps.size())));
    QByteArray key = h.result();
    key += QByteArray::number(px_w) + "x" + QByteArray::number(px_h) + ":" + QByteArray::number(llx, 'g', 17) +
           ":" + QByteArray::number(lly, 'g', 17) + ":" + QByteArray::number(width, 'g', 17) + ":" +
           QByteArray::number(height, 'g', 17);
    {
        std::lock_guard<std::mutex> lock(g_cache_mutex);
        for (auto it = g_cache.begin(); it != g_cache.end(); ++it)
            if (it->key == key) {
                g_cache.splice(g_cache.begin(), g_cache, it);
                return g_cache.front().image;
            }
    }
    QImage img = run_gs(postscript_part(eps), llx, lly, width, height, px_w, px_h, error, limits);
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

void srv__eps_cache_clear()
{
    std::lock_guard<std::mutex> lock(g_cache_mutex);
    g_cache.clear();
}

int srv__eps_runs()
{
    return g_runs.load();
}

void srv__eps_set_job_root(const std::string &folder)
{
    std::lock_guard<std::mutex> lock(g_root_mutex);
    g_job_root = folder;
}
