// Calls to label servers: the XML-RPC client and the call under the network
// notice.
#pragma once

#include <functional>
#include <string>

#include <xmlrpc-c/base.h>

#include "platform/network_notice.h"

// Seconds an unreachable server may keep a call waiting for its connection.
inline constexpr int RPD_CONNECT_TIMEOUT_S = 15;

// The client, created once with the name "Vellumo" and the program's
// version; the server sees "Vellumo/" and the version (VELLUMO_VERSION) as
// the User-Agent.  rpd__call initialises it
// when start-up has not.
void rpd__client_init();
void rpd__client_term();

// One call under the notice.  The result, or null with the fault set: a
// fault answer of the server, a transport failure, an answer that is not
// XML-RPC, a cancel by the user or a connect timeout.  Only one call runs at
// a time.
xmlrpc_value *rpd__call(platform_window parent, xmlrpc_env *env, const std::u16string &server,
                        const char *method, xmlrpc_value *params);

// The result of an answer document, or null with the fault set (a fault
// answer, a document that is not one).  `release_input` is called once the
// bytes have been copied, so a large answer is not held twice while it is
// parsed.
xmlrpc_value *rpd__parse_answer(xmlrpc_env *env, const char *xml, std::size_t len,
                                const std::function<void()> &release_input = {});

// A transport failure of the HTTP library (its English text) told in
// Russian, the library's text kept in brackets.
std::string rpd__transport_text(const char *library_text);

// For tests: the connect timeout in milliseconds (normally 15 s).
void rpd__set_connect_timeout_ms(int ms);
// The longest a whole call may take, connection, request and answer, for a
// caller that waits without a person to cancel (0, the default: no limit).
// Past it the call ends with a timeout fault saying so.
void rpd__set_deadline_ms(int ms);
