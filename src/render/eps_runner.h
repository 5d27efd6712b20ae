// EPS pictures rendered by the Ghostscript program in a separate, fenced
// process: memory, CPU time and file size limited, its own empty folder for
// every file it may write, killed at a deadline.  Results are cached by the
// picture's bytes and pixel size.
#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <vector>

struct eps_limits {
    long long memory_bytes = 2LL << 30; // address space of the gs process
    long long file_bytes = 64LL << 20;  // files gs may write (it writes none)
    // Processor time of gs, plus a second per ten megapixels; the wall clock
    // allows ten times that.
    int deadline_ms = 2000;
    // What is left of the render's Ghostscript time; the run is stopped
    // there even before its own deadline.
    double budget_seconds = 1e9;
};

// How one picture's run went, beyond the picture itself.
struct eps_run {
    double seconds = 0;        // Ghostscript's wall-clock time (0 from the cache)
    bool out_of_budget = false; // stopped at the end of the render's budget
    bool stopped = false;       // the server is stopping
    bool timed_out = false;     // stopped at its own deadline (it would be again)
};

// The EPS (bytes with a DOS binary header are cut to their PostScript part)
// drawn so that its bounding box (llx, lly, width, height in points) fills
// `px_w` × `px_h` pixels, with transparency.  Ghostscript writes the page
// into a pipe (never into files).  A null image and an error text (Russian,
// one line, saying what failed) when gs is missing, fails, is killed or
// writes nothing usable.
QImage rdr__render_eps(const std::vector<unsigned char> &eps, double llx, double lly, double width, double height,
                       int px_w, int px_h, std::string &error, const eps_limits &limits = {},
                       eps_run *run = nullptr);

// The EPS as a PDF of one page of its bounding box's size in points, drawn
// by Ghostscript's pdfwrite: texts stay texts, lines stay lines.  Empty with
// an error text (as above) when it fails or the PDF would be larger than
// EPS_MAX_PDF_BYTES.  Cached by the picture's bytes and bounding box.
inline constexpr std::size_t EPS_MAX_PDF_BYTES = 64u << 20;
std::string rdr__eps_to_pdf(const std::vector<unsigned char> &eps, double llx, double lly, double width,
                            double height, std::string &error, const eps_limits &limits = {}, eps_run *run = nullptr);

// Kills every Ghostscript run in progress and refuses new ones (the server
// is stopping).
void rdr__eps_stop_all();
bool rdr__eps_stopping();

// While one lives, a render in this thread stops as soon as `check` says so
// (its caller has gone, its time is over): between elements, and with its
// Ghostscript killed within a tenth of a second, as if the server were
// stopping.  `check` is asked at most once per element and every tenth of a
// second while Ghostscript runs; once it said yes it is not asked again.
class render_stop_scope {
public:
    explicit render_stop_scope(std::function<bool()> check);
    ~render_stop_scope();
    render_stop_scope(const render_stop_scope &) = delete;
    render_stop_scope &operator=(const render_stop_scope &) = delete;

private:
    std::function<bool()> check_;
    render_stop_scope *outer_;
    bool said_stop_ = false;
    friend bool rdr__render_stopping();
};
// Whether the render in this thread is to stop: the server is stopping, or
// the thread's render_stop_scope says so.
bool rdr__render_stopping();

// Forgets the cached pictures.
void rdr__eps_cache_clear();
// How many times gs ran (for tests of the cache).
int rdr__eps_runs();
// The folder under which job folders are made (default $TMPDIR or /tmp).
void rdr__eps_set_job_root(const std::string &folder);
// Called in the thread that is about to start Ghostscript, before every
// run (so tests see which thread runs it); an empty function for none.
void rdr__eps_set_run_observer(std::function<void()> observer);
