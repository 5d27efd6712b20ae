// The label server's web page: a page, its script and its style sheet,
// built into the program (src/server/web, cmake/embed_files.cmake), at
// "/", "/app.js" and "/app.css".  It speaks only to the JSON interface,
// signed in by a session (web_login.h).
#pragma once

#include <optional>
#include <string>

#include "server/http.h"

// The answer for a path of the page, or nothing for any other path.
std::optional<http_answer> lsv__web_page(const std::string &path, const http_request_info &info);
