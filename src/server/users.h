// Who may use the label server.  The users file holds one line per user:
//
//   name:pbkdf2-sha256:ITERATIONS:SALT_HEX:KEY_HEX   (what --hash-password prints)
//   name:password                                     (a plain password, accepted too)
//
// Plain passwords are hashed the same way when the file is read, so that a
// check costs the same for every user, known or not.
//
// Blank lines and lines starting with '#' are skipped.  Without a users file
// any credentials are accepted (the server then listens on loopback only).
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class server_users {
public:
    // Anyone may call.
    server_users() = default;
    // Reads the file; false with a message (line numbers, never passwords).
    bool load(const std::string &path, std::string &error);
    bool open() const { return !checked_; }
    // Lines holding a plain password (for a start-up warning).
    const std::vector<int> &plain_lines() const { return plain_lines_; }

    bool allowed(const std::string &user, const std::string &password);

    // A users-file line for the user and password, with a fresh salt.
    static std::string hash_line(const std::string &user, const std::string &password,
                                 int iterations = default_iterations);
    static constexpr int default_iterations = 60000;
    // PBKDF2 iterations run so far in the process: the work every check
    // costs, whoever asks.
    static long long iterations_run();

private:
    struct entry {
        bool plain = false; // written in plain text in the file (hashed at load)
        int iterations = 0;
        std::string salt, key; // raw bytes
    };
    std::map<std::string, entry> users_;
    std::vector<int> plain_lines_;
    bool checked_ = false;
    // Digests of credentials already found right, so that PBKDF2 runs once
    // per user and password, not once per call.  Salted by the process.
    std::mutex mutex_;
    std::set<std::string> verified_;
    std::string process_salt_;
};

// The same byte strings without revealing where they differ first.
bool lsv__same_bytes(const std::string &a, const std::string &b);
