// The server's printing: its printers, their queue of jobs, and one worker
// per printer that takes the printer's jobs in order and prints them — a
// thermal printer spoken to in its language, a CUPS queue given a PDF
// through lp.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/print_queue.h"
#include "server/printers.h"

class label_service;

class print_service {
public:
    print_service(label_service &service, std::vector<server_printer> printers, std::unique_ptr<job_queue> queue,
                  int lease_ms);
    ~print_service();
    print_service(const print_service &) = delete;
    print_service &operator=(const print_service &) = delete;

    // Starts the workers.
    void start();
    // Stops them: a job being printed stops with the server, failed with
    // what the printer took when some of it went out, queued again when
    // none of it did.
    void stop();

    const std::vector<server_printer> &printers() const { return printers_; }
    const server_printer *printer(const std::string &name) const;
    job_queue &queue() { return *queue_; }
    // A job came for the printer: its worker looks now, not at its next
    // round.
    void wake();

private:
    void work(const server_printer &p);
    void print_one(const server_printer &p, print_job &job);

    label_service &service_;
    std::vector<server_printer> printers_;
    std::unique_ptr<job_queue> queue_;
    int lease_ms_;
    std::string owner_; // this server, among those sharing the store
    std::vector<std::thread> workers_;
    std::atomic<bool> stop_{false};
    std::mutex m_;
    std::condition_variable cv_;
    unsigned long long wakes_ = 0;
};
