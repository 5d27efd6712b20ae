// A server of one's own: on a machine shared by several people, a server
// started with --owner-only answers only connections made by processes of
// its own user.
//
// TCP carries no credentials, but a connection from this machine has its
// other end here too: the kernel lists that socket in /proc/self/net/tcp
// (or tcp6) with the user that made it.  The connection is looked up by its
// two ends (the peer's address as the socket's own, ours as its remote) and
// admitted only when that socket is still held by a process and belongs to
// the owner.  A peer on another machine or in another network namespace is
// not in the list and is turned away, as is one whose socket has already
// been closed (the kernel no longer says whose it was).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <sys/types.h>

// The other end of a connected TCP socket `fd`, as the kernel's lists tell:
// a live socket with the user that made it, a socket no process holds any
// more (the client has closed it: the kernel no longer says whose it was),
// or none at all (another machine, another network namespace, not TCP, or
// the lists could not be read).
struct lsv_peer {
    enum state_type { live, closed, unknown } state = unknown;
    uid_t uid = 0; // for a live one
};
lsv_peer lsv__peer_of(int fd);

// The user of a live other end, else nothing.
std::optional<uid_t> lsv__peer_uid(int fd);

// Why a connection is turned away from a server that admits only `owner`'s
// processes (Russian, for the log and the client), "" when it is admitted.
std::string lsv__owner_refusal(const lsv_peer &peer, uid_t owner);

// Whether the kernel's socket lists can be read at all: "" when they can,
// else why not (Russian), so that the server refuses to start rather than
// turn everybody away.
std::string lsv__socket_lists_readable();

// The loopback port of a user's own server: 20000 + uid mod 10000, apart
// from the shared service's 8390 and below the ports the kernel hands out
// to outgoing connections.
int lsv__own_port(uid_t uid);

// The connection gate of such a server (http_handler::turn_away): a
// connection from anybody else gets 403 with the reason and is logged (at
// most a line a second); one whose client has already gone is closed
// without a word, since the editor opens and closes a connection to see
// that the server is there before each call.
std::function<bool(int fd, const std::string &peer)> lsv__owner_gate(uid_t owner);
