// EPS pictures rendered by the Ghostscript program in a separate, fenced
// process: memory, CPU time and file size limited, its own empty folder for
// every file it may write, killed at a deadline.  Results are cached by the
// picture's bytes and pixel size.
#pragma once

#include <QImage>
#include <string>
#include <vector>

struct eps_limits {
    long long memory_bytes = 2LL << 30; // address space of the gs process
    int cpu_seconds = 4;
    long long file_bytes = 1LL << 30;
    int deadline_ms = 2000; // wall clock, plus a share for big pictures
};

// The EPS (bytes with a DOS binary header are cut to their PostScript part)
// drawn so that its bounding box (llx, lly, width, height in points) fills
// `px_w` × `px_h` pixels, with transparency.  A null image and an error text
// (Russian, one line) when gs is missing, fails, is killed or writes nothing.
QImage srv__render_eps(const std::vector<unsigned char> &eps, double llx, double lly, double width, double height,
                       int px_w, int px_h, std::string &error, const eps_limits &limits = {});

// Forgets the cached pictures.
void srv__eps_cache_clear();
// How many times gs ran (for tests of the cache).
int srv__eps_runs();
// The folder under which job folders are made (default $TMPDIR or /tmp).
void srv__eps_set_job_root(const std::string &folder);
