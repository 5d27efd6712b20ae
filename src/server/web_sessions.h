// Sessions of the web page: a person signs in once with a name and a
// password, the browser keeps a random token in a cookie, and each call of
// the JSON interface that carries it runs as that user.  The password is
// checked at sign-in and never kept.
//
// Sessions live in memory only (a restart signs everyone out), end after
// `idle` without a call or `lifetime` after sign-in, and are bounded in
// number: past `capacity` the one used longest ago is dropped.  Tokens are
// kept as their SHA-256, so that neither a look-up's timing nor a memory
// dump gives one away.
#pragma once

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

class web_sessions {
public:
    using clock = std::chrono::steady_clock;

    explicit web_sessions(std::size_t capacity = 4096, std::chrono::seconds idle = std::chrono::hours(12),
                          std::chrono::seconds lifetime = std::chrono::hours(24 * 7));

    // A new session for `user`: its token (64 hex digits, 256 random bits).
    std::string open(const std::string &user, clock::time_point now = clock::now());
    // The user of a live session, which counts as a use of it.
    std::optional<std::string> user_of(const std::string &token, clock::time_point now = clock::now());
    // Ends the session (nothing when there is none).
    void close(const std::string &token);
    std::size_t size();

    // The token of the session cookie in a Cookie field, or empty.
    static std::string token_in(const std::string &cookie_field);
    static constexpr char cookie_name[] = "vellumo_session";

private:
    struct entry {
        std::string key; // SHA-256 of the token
        std::string user;
        clock::time_point opened, used;
    };
    // Most recently used first.
    std::list<entry> order_;
    std::unordered_map<std::string, std::list<entry>::iterator> by_key_;
    std::size_t capacity_;
    std::chrono::seconds idle_, lifetime_;
    std::mutex m_;

    void drop_expired(clock::time_point now);
};
