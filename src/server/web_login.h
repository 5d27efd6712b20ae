// Signing in from the web page (/api/v1/session) and the rules for calls
// that a session cookie authenticates.
//
//   POST   /api/v1/session {"user", "password"}  → 200 {"user"}, sets the cookie
//   GET    /api/v1/session                       → 200 {"user"} while signed in, else 401
//   DELETE /api/v1/session                       → 204, clears the cookie
//
// The cookie is vellumo_session=<token>; HttpOnly; SameSite=Strict; Path=/
// (and Secure when the request came through HTTPS, as a proxy says with
// X-Forwarded-Proto).  A call that changes anything (any method but GET
// and HEAD) and relies on the cookie must carry "X-Requested-With:
// vellumo", which a form of another site cannot send, else it is refused
// with 403; signing in needs it too, so that another site cannot sign a
// browser in under its own name.
#pragma once

#include <optional>
#include <string>

#include "server/http.h"

class label_service;

// The answer to /api/v1/session.
http_answer lsv__session_answer(label_service &service, http_call &call, const http_request_info &info);

// For a call without Basic credentials: the user of its session (`user`
// set, nothing returned), or the refusal to answer with (401 without a
// live session, 403 a changing call without the header).
std::optional<http_answer> lsv__session_caller(label_service &service, const http_call &call,
                                               const http_request_info &info, std::string &user);

// The header the web page's own calls carry.
inline constexpr char LSV_PAGE_HEADER_VALUE[] = "vellumo";
