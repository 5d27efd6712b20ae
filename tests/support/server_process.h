// The real vellumo-server as a child process on a free loopback port, with
// its own store folder; stopped with SIGTERM (or killed) at the end.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

class server_process {
public:
    // Extra arguments after --listen and --store.
    // The server's standard error goes to `err_file` when one is given.
    explicit server_process(std::string store, std::vector<std::string> extra = {},
                            std::string listen = "127.0.0.1:0", std::string err_file = {})
        : store_(std::move(store)), err_file_(std::move(err_file))
    {
        std::vector<std::string> args = {VELLUMO_SERVER_BIN, "--listen", listen, "--store", store_};
        args.insert(args.end(), extra.begin(), extra.end());
        start(args);
    }
    ~server_process() { stop(); }
    server_process(const server_process &) = delete;
    server_process &operator=(const server_process &) = delete;

    bool running() const { return pid_ > 0 && !address_.empty(); }
    const std::string &address() const { return address_; }
    std::u16string url() const
    {
        std::string u = "http://" + address_ + "/RPC2";
        return std::u16string(u.begin(), u.end());
    }
    // What the server said on standard output before it listened (an error).
    const std::string &output() const { return output_; }

    // SIGTERM and wait: the exit status (-1 when it had to be killed).
    int stop(int signal = SIGTERM, int wait_ms = 20000)
    {
        if (pid_ <= 0)
            return exit_code_;
        ::kill(pid_, signal);
        int status = 0;
        for (int waited = 0;; waited += 10) {
            pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_)
                break;
            if (waited >= wait_ms) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                pid_ = -1;
                return exit_code_ = -1;
            }
            ::usleep(10000);
        }
        pid_ = -1;
        if (out_fd_ >= 0)
            ::close(out_fd_), out_fd_ = -1;
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return exit_code_;
    }
    void kill_now() { stop(SIGKILL); }

private:
    void start(const std::vector<std::string> &args)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        if (!err_file_.empty())
            posix_spawn_file_actions_addopen(&actions, 2, err_file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
            pid_ = pid;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out_fd_ = fds[0];
        // Wait for "listening ADDR:PORT" (a sanitized build starts slowly).
        std::string line;
        for (int waited = 0; waited < 60000 && pid_ > 0;) {
            pollfd p{out_fd_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) {
                waited += 100;
                continue;
            }
            char c;
            if (::read(out_fd_, &c, 1) != 1)
                break;
            if (c != '\n') {
                line += c;
                continue;
            }
            if (line.rfind("listening ", 0) == 0) {
                address_ = line.substr(10);
                return;
            }
            output_ += line + "\n";
            line.clear();
        }
    }

    std::string store_;
    std::string err_file_;
    pid_t pid_ = -1;
    int out_fd_ = -1;
    int exit_code_ = -1;
    std::string address_;
    std::string output_;
};
