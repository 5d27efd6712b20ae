// The server's log: one line per event on standard error,
//
//   YYYY-MM-DD HH:MM:SS text
//
// Whatever a client sent (user and label names, texts of faults that quote
// them) goes in through lsv__client_text: at most 200 characters, control
// characters written as escapes, so that no client can forge a line or flood
// the log.
#pragma once

#include <cstddef>
#include <string>

inline constexpr std::size_t LSV_LOG_CLIENT_CHARS = 200;

// Writes one line with the time.  Control characters that still reach it are
// escaped, and a line is never longer than a few kilobytes.
void lsv__log(const std::string &line);

// UTF-8 text from a client as it may appear in the log: at most `limit`
// characters (code points), then "…"; "\" as "\\", CR, LF and TAB as \r, \n,
// \t, every other control character (C0, DEL, C1, the line and paragraph
// separators) as \xNN or \uNNNN; bytes that are not UTF-8 as \xNN.
std::string lsv__client_text(const std::string &text, std::size_t limit = LSV_LOG_CLIENT_CHARS);
std::string lsv__client_text(const std::u16string &text, std::size_t limit = LSV_LOG_CLIENT_CHARS);

// Lines about calls, which clients can cause as often as they like: at most
// this many a second from all clients together, and from one address.
inline constexpr int LSV_LOG_CALL_LINES = 10;
inline constexpr int LSV_LOG_ADDRESS_LINES = 5;

// A line about a call from `peer` ("ADDR:PORT"; empty for the server's own
// lines that calls cause): "PEER EVENT".  A line equal to one already
// written in the same second (the client's port aside) is not written
// again: once the second is over one line gives its count.  Past
// LSV_LOG_CALL_LINES lines a second, or LSV_LOG_ADDRESS_LINES from one
// address, lines are left out and one line after the second says how many.
// So the log grows by at most about 2 × LSV_LOG_CALL_LINES + 1 lines a
// second whatever clients do, and every call is still counted.
void lsv__log_call(const std::string &peer, const std::string &event);
// Writes the counts of a second that is over (the server calls it about
// once a second), or with `all` those of the current one too (when it stops).
void lsv__log_tick(bool all = false);

// Logs at most one line per `period_ms` for one kind of event; the lines left
// out are counted in the next one ("… (ещё N таких)").  For events a client can
// cause as often as it likes (refused connections).
class lsv_log_throttle {
public:
    explicit lsv_log_throttle(int period_ms = 1000) : period_ms_(period_ms) {}
    void log(const std::string &line);

private:
    int period_ms_;
    long long last_ms_ = -1000000000;
    long long skipped_ = 0;
};
