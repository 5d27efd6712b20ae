#include "model/xmalloc.h"

#include <cstdlib>
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
