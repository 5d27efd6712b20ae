#include "model/xmalloc.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "model/errors.h"

void *xma__malloc(std::size_t size, const char *expr, const char *file, int line)
{
    void *p = std::malloc(size ? size : 1);
    if (!p)
        err__fatal(expr, file, line);
    return p;
}

void *xma__realloc(void *p, std::size_t size, const char *expr, const char *file, int line)
{
    void *q = std::realloc(p, size ? size : 1);
    if (!q)
        err__fatal(expr, file, line);
    return q;
}

char16_t *xma__wcsdup(const char16_t *s)
{
    std::size_t n = 0;
    while (s[n])
        ++n;
    auto *d = static_cast<char16_t *>(std::malloc((n + 1) * sizeof(char16_t)));
    if (!d)
        return nullptr;
    std::memcpy(d, s, (n + 1) * sizeof(char16_t));
    return d;
}

void xfree(void *p)
{
    std::free(p);
}

namespace {
void new_failed()
{
    err__fatal("operator new", __FILE__, __LINE__);
}
} // namespace

int xma__init()
{
    std::set_new_handler(new_failed);
    return 1;
}
