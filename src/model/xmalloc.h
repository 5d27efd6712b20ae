// Allocation whose failure ends the process through the fatal assertion.
#pragma once

#include <cstddef>

void *xma__malloc(std::size_t size, const char *expr, const char *file, int line);
void *xma__realloc(void *p, std::size_t size, const char *expr, const char *file, int line);

#define xmalloc(size) xma__malloc((size), "xmalloc( " #size " )", __FILE__, __LINE__)
#define xrealloc(p, size) \
    xma__realloc((p), (size), "xrealloc( " #p ", " #size " )", __FILE__, __LINE__)

void xfree(void *p);

// Called once at start-up: routes failures of operator new into the fatal
// path too.  Returns 1.
int xma__init();
