// A CUPS scheduler of the test's own: cupsd from Debian's cups-daemon in a
// temporary folder, listening only on a Unix socket there, with one printer
// whose "device" is a small backend that keeps each job's bytes and copy
// count in files.  Programs reach it through CUPS_SERVER, as any CUPS client.
// cupsd needs root (CI runs as root); elsewhere the tests that use it skip.
#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "output/output_support.h"
#include "support/temp_dir.h"

namespace out_test {

class cups_server {
public:
    static constexpr const char *printer = "vellumo-test";

    cups_server()
    {
        namespace fs = std::filesystem;
        if (::geteuid() != 0) {
            why_not_ = "cupsd needs root";
            cannot_run_ = true;
            return;
        }
        if (::access("/usr/sbin/cupsd", X_OK) != 0 || ::access("/usr/sbin/lpadmin", X_OK) != 0) {
            why_not_ = "cupsd or lpadmin is missing (scripts/install-deps installs cups-daemon, cups-client)";
            return;
        }
        const fs::path d = dir_.path();
        for (const char *sub : {"conf", "spool", "cache", "state", "log", "jobs", "bin/backend", "bin/daemon"})
            fs::create_directories(d / sub);
        ::chmod(d.c_str(), 0755);
        ::chmod((d / "jobs").c_str(), 0777);
        std::ofstream(d / "conf/cupsd.conf") << "Listen " << socket() << "\nLogLevel info\nWebInterface No\n"
                                             << "Browsing No\nDefaultAuthType None\n"
                                             << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                             << "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                                             << "  </Limit>\n</Policy>\n";
        std::ofstream(d / "conf/cups-files.conf")
            << "ServerRoot " << (d / "conf").string() << "\nRequestRoot " << (d / "spool").string()
            << "\nCacheDir " << (d / "cache").string() << "\nStateDir " << (d / "state").string()
            << "\nTempDir " << (d / "spool").string() << "\nServerBin " << (d / "bin").string()
            << "\nAccessLog " << (d / "log/access_log").string() << "\nErrorLog " << (d / "log/error_log").string()
            << "\nPageLog " << (d / "log/page_log").string() << "\nSystemGroup root\nUser lp\nGroup lp\n";
        // The backend: its bytes to JOBS/job.N, then the copies asked for
        // to JOBS/job.N.copies (written last: the job is complete).
        std::ofstream(d / "bin/backend/keep")
            << "#!/bin/sh\n"
               "[ $# -eq 0 ] && { echo 'direct keep \"Unknown\" \"Keeps jobs\"'; exit 0; }\n"
               "out=\"${DEVICE_URI#keep:}/job.$1\"\n"
               "if [ -n \"$6\" ]; then cat \"$6\" > \"$out\"; else cat > \"$out\"; fi\n"
               "echo \"$4\" > \"$out.copies.part\" && mv \"$out.copies.part\" \"$out.copies\"\n";
        ::chmod((d / "bin/backend/keep").c_str(), 0700); // runs as root, as its owner
        fs::create_symlink("/usr/lib/cups/daemon/cups-exec", d / "bin/daemon/cups-exec");

        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", (d / "conf/cupsd.conf").c_str(), "-s",
                    (d / "conf/cups-files.conf").c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until &&
               run(client("LC_ALL=C LC_MESSAGES=C lpstat -r")).out.find("is running") == std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const run_result r = run(client(std::string("lpadmin -p ") + printer + " -E -v keep:" +
                                        (d / "jobs").string() + " -m raw"));
        if (r.status != 0) {
            why_not_ = "cupsd did not take the printer: " + r.out + r.err + "\n" + log_tail();
            return;
        }
        ready_ = true;
    }

    ~cups_server()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }

    cups_server(const cups_server &) = delete;
    cups_server &operator=(const cups_server &) = delete;

    bool ready() const { return ready_; }
    // Not root: no scheduler of our own can run here.
    bool cannot_run() const { return cannot_run_; }
    const std::string &why_not() const { return why_not_; }
    std::string socket() const { return (dir_.path() / "cups.sock").string(); }
    // A shell command line run as a client of this scheduler.
    std::string client(const std::string &command) const
    {
        return "CUPS_SERVER='" + socket() + "'; export CUPS_SERVER; " + command;
    }

    // The bytes of job `n` and the copies asked for, once the backend has
    // them (empty after `seconds`).
    struct job {
        std::string bytes;
        std::string copies;
        std::filesystem::path file;
    };
    job wait_for_job(int n, int seconds = 30) const
    {
        const std::filesystem::path f = dir_.path() / "jobs" / ("job." + std::to_string(n));
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < until) {
            if (std::filesystem::exists(f.string() + ".copies")) {
                std::string copies = slurp(f.string() + ".copies");
                while (!copies.empty() && (copies.back() == '\n' || copies.back() == ' '))
                    copies.pop_back();
                return {slurp(f), copies, f};
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }

    std::string log_tail() const
    {
        const std::string log = slurp(dir_.path() / "log/error_log");
        return log.size() > 3000 ? log.substr(log.size() - 3000) : log;
    }

private:
    temp_dir dir_;
    pid_t pid_ = -1;
    bool ready_ = false;
    bool cannot_run_ = false;
    std::string why_not_;
};

} // namespace out_test
