#include "server/web_page.h"

#include <cstring>

struct lsv_embedded_file {
    const char *name;
    const char *bytes;
    std::size_t size;
};
extern const lsv_embedded_file lsv__embedded_files[];

namespace {

struct page_path {
    const char *path, *file, *content_type;
};

const page_path page_paths[] = {
    {"/", "index.html", "text/html; charset=utf-8"},
    {"/index.html", "index.html", "text/html; charset=utf-8"},
    {"/app.js", "app.js", "text/javascript; charset=utf-8"},
    {"/app.css", "app.css", "text/css; charset=utf-8"},
};

// Scripts only from the server's own files, nothing inline; previews are
// blob: images; no frame may hold the page.
constexpr char POLICY[] = "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' blob:; "
                          "connect-src 'self'; object-src 'none'; base-uri 'none'; form-action 'self'; "
                          "frame-ancestors 'none'";

} // namespace

std::optional<http_answer> lsv__web_page(const std::string &path, const http_request_info &info)
{
    const page_path *found = nullptr;
    for (const page_path &p : page_paths)
        if (path == p.path)
            found = &p;
    if (!found)
        return std::nullopt;
    http_answer a;
    if (info.method != "GET" && info.method != "HEAD") {
        a.status = 405;
        a.reason = "Method Not Allowed";
        a.content_type = "text/plain; charset=utf-8";
        a.body = "Страница читается методом GET.\n";
        a.headers.push_back({"Allow", "GET, HEAD"});
        return a;
    }
    for (const lsv_embedded_file *f = lsv__embedded_files; f->name; ++f)
        if (std::strcmp(f->name, found->file) == 0) {
            a.content_type = found->content_type;
            a.body.assign(f->bytes, f->size);
        }
    a.headers.push_back({"Content-Security-Policy", POLICY});
    a.headers.push_back({"X-Frame-Options", "DENY"});
    a.headers.push_back({"Referrer-Policy", "no-referrer"});
    return a;
}
