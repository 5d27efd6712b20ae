#include "server/render.h"

#include <QPainter>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <jpeglib.h>
#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#endif

namespace {

// At most `limit` characters of a text for a log line, then "…".
std::u16string shown(const std::u16string &text, std::size_t limit = 200)
{
    return text.size() <= limit ? text : text.substr(0, limit) + u"…";
}

} // namespace

void lsv__render_size(const label *lab, int xdpi, int ydpi, long long &w, long long &h)
{
    const double fw = lab->width * xdpi / 72.0, fh = lab->height * ydpi / 72.0;
    w = std::isfinite(fw) && fw >= 1 ? static_cast<long long>(std::min(std::round(fw), 1e15)) : 1;
    h = std::isfinite(fh) && fh >= 1 ? static_cast<long long>(std::min(std::round(fh), 1e15)) : 1;
}

namespace {

// A new image of the label's size at that resolution, in its background
// colour; its log line first.  Null when memory ran out (a log line says
// so).
QImage label_image(const label *lab, int xdpi, int ydpi, std::vector<std::u16string> &lines,
                   const render_limits &limits)
{
    long long w = 1, h = 1;
    lsv__render_size(lab, xdpi, ydpi, w, h);
    QImage img(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    if (img.isNull()) {
        render_log(lines, limits.max_log).push_back(u"не хватило памяти для изображения");
        return img;
    }
    // 72 dots per inch, so that a font's point is one unit of the device.
    img.setDotsPerMeterX(2835);
    img.setDotsPerMeterY(2835);
    img.fill(0xFF000000u | (lab->bgcolor & 0xFFFFFFu));
    render_log(lines, limits.max_log)
        .push_back(u"Этикетка «" + shown(lab->name) + u"»: " + lsv__number(xdpi) + u"×" + lsv__number(ydpi) +
                   u" точек на дюйм, " + lsv__number(static_cast<int>(w)) + u"×" + lsv__number(static_cast<int>(h)) +
                   u" пикселей");
    return img;
}

render_outcome draw_label(QImage &img, const label *lab, const std::vector<render_variable> &variables, int xdpi,
                          int ydpi, bool markup, std::vector<std::u16string> &lines, const render_limits &limits,
                          std::function<void(double)> rows_done)
{
    const render_variable_map by_name = rdr__variable_map(variables);
    render_request r;
    r.scale_x = xdpi / 72.0;
    r.scale_y = ydpi / 72.0;
    r.variables = &by_name;
    r.markup = markup;
    r.background = false; // filled with the image, to the last pixel
    r.edges = render_edges::pixels;
    r.limits = limits;
    r.rows_done = std::move(rows_done);
    QPainter p(&img);
    const render_outcome outcome = rdr__draw_label(p, lab, r, lines);
    p.end();
    return outcome;
}

struct jpeg_failure {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpeg_fail(j_common_ptr info)
{
    auto *f = reinterpret_cast<jpeg_failure *>(info->err);
    (*info->err->format_message)(info, f->message);
    std::longjmp(f->jump, 1);
}

// One JPEG being written from an image's rows of 32 bits (blue, green,
// red, unused), by one thread at a time, any thread: each step sets its
// own jump for libjpeg's failures.  After a failure it only gives the
// error.
class jpeg_writer {
public:
    jpeg_writer(const uchar *bits, qsizetype bpl, int w, int h, int quality) : bits_(bits), bpl_(bpl)
    {
        c_.err = jpeg_std_error(&failure_.mgr);
        failure_.mgr.error_exit = jpeg_fail;
        // No step may own C++ objects past its setjmp: a failure jumps back.
        if (setjmp(failure_.jump)) {
            fail();
            return;
        }
        jpeg_create_compress(&c_);
        created_ = true;
        jpeg_mem_dest(&c_, &buffer_, &size_);
        c_.image_width = static_cast<JDIMENSION>(w);
        c_.image_height = static_cast<JDIMENSION>(h);
        c_.input_components = 4;
        c_.in_color_space = JCS_EXT_BGRX;
        jpeg_set_defaults(&c_);
        jpeg_set_quality(&c_, quality, TRUE);
        jpeg_start_compress(&c_, TRUE);
    }
    ~jpeg_writer() { drop(); }
    jpeg_writer(const jpeg_writer &) = delete;
    jpeg_writer &operator=(const jpeg_writer &) = delete;

    bool failed() const { return failed_; }
    const char *error() const { return failure_.message; }
    int written() const { return failed_ ? 0 : static_cast<int>(c_.next_scanline); }

    // Writes the rows up to `upto`, sixteen at a time, until `yield` says
    // to stop between them.
    void write(int upto, const std::atomic<bool> *yield = nullptr)
    {
        if (failed_)
            return;
        if (setjmp(failure_.jump)) {
            fail();
            return;
        }
        upto = std::min(upto, static_cast<int>(c_.image_height));
        while (static_cast<int>(c_.next_scanline) < upto && !(yield && yield->load())) {
            const int next = static_cast<int>(c_.next_scanline);
            JSAMPROW rows[16];
            const int n = std::min(16, upto - next);
            for (int i = 0; i < n; ++i)
                rows[i] = const_cast<JSAMPROW>(bits_ + static_cast<qsizetype>(next + i) * bpl_);
            jpeg_write_scanlines(&c_, rows, static_cast<JDIMENSION>(n));
        }
    }

    // Once every row is written: the file's bytes.
    bool finish(std::vector<unsigned char> &out)
    {
        if (failed_ || c_.next_scanline < c_.image_height)
            return false;
        if (setjmp(failure_.jump)) {
            fail();
            return false;
        }
        jpeg_finish_compress(&c_);
        out.assign(buffer_, buffer_ + size_);
        drop();
        return true;
    }

private:
    void fail()
    {
        failed_ = true;
        drop();
    }
    void drop()
    {
        if (created_)
            jpeg_destroy_compress(&c_);
        created_ = false;
        std::free(buffer_);
        buffer_ = nullptr;
    }

    const uchar *bits_;
    qsizetype bpl_;
    jpeg_compress_struct c_{};
    jpeg_failure failure_{};
    unsigned char *buffer_ = nullptr;
    unsigned long size_ = 0;
    bool created_ = false;
    bool failed_ = false;
};

// Renders under way.  A render encodes on a second thread only while
// there are cores for it: a busy server does not spend more on each.
std::atomic<int> renders_now{0};

class render_count {
public:
    render_count() : now_(++renders_now) {}
    ~render_count() { --renders_now; }
    render_count(const render_count &) = delete;
    render_count &operator=(const render_count &) = delete;
    bool core_to_spare() const { return now_ * 2 <= static_cast<int>(std::thread::hardware_concurrency()); }

private:
    int now_;
};

// A second thread that writes the image's rows as the drawing tells them
// done, until the drawing thread is free and takes the writer back: it
// would only wait for the rest, and the second core may be a busy one.
// Started by the first rows done before the last; left early (a stopped
// render, an exception), it stops and is waited for.
class row_encoder {
public:
    row_encoder(jpeg_writer &writer, int rows) : writer_(writer), rows_(rows) {}
    ~row_encoder() { take_back(); }
    row_encoder(const row_encoder &) = delete;
    row_encoder &operator=(const row_encoder &) = delete;

    // Rows above device row `y` are final.
    void done(double y)
    {
        const int rows = y >= rows_ ? rows_ : y >= 1 ? static_cast<int>(y) : 0;
        if (!started_) {
            if (rows == 0 || rows == rows_)
                return;
            started_ = true;
            try {
                thread_ = std::thread([this] { run(); });
            } catch (const std::system_error &) {
                return; // no thread to spare: the drawing thread writes every row
            }
            keep_off_this_core();
        }
        std::lock_guard<std::mutex> lock(m_);
        if (rows > done_) {
            done_ = rows;
            cv_.notify_one();
        }
    }

    // The writer back in the calling thread, as far as it got.
    void take_back()
    {
        if (!thread_.joinable())
            return;
        back_ = true;
        {
            std::lock_guard<std::mutex> lock(m_);
        }
        cv_.notify_one();
        thread_.join();
    }

private:
    // Woken by the drawing thread, the encoder may be put on the drawing
    // thread's core (Linux does so when it sees no cache the cores share,
    // as in many virtual machines) and wait there until the drawing ends.
    void keep_off_this_core()
    {
#ifdef __linux__
        cpu_set_t cores;
        CPU_ZERO(&cores);
        const int here = sched_getcpu();
        if (here < 0 || pthread_getaffinity_np(pthread_self(), sizeof cores, &cores) != 0 || CPU_COUNT(&cores) < 2 ||
            !CPU_ISSET(here, &cores))
            return;
        CPU_CLR(here, &cores);
        pthread_setaffinity_np(thread_.native_handle(), sizeof cores, &cores);
#endif
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(m_);
        for (;;) {
            cv_.wait(lock, [&] { return back_ || done_ > writer_.written(); });
            if (back_ || writer_.failed())
                return;
            const int upto = done_;
            lock.unlock();
            writer_.write(upto, &back_);
            lock.lock();
        }
    }

    jpeg_writer &writer_;
    const int rows_;
    std::mutex m_;
    std::condition_variable cv_;
    int done_ = 0;
    std::atomic<bool> back_{false};
    bool started_ = false;
    std::thread thread_;
};

} // namespace

QImage lsv__render(const label *lab, const std::vector<render_variable> &variables, int xdpi, int ydpi,
                   bool markup, std::vector<std::u16string> &lines, const render_limits &limits,
                   render_outcome *outcome)
{
    render_outcome own;
    render_outcome &result = outcome ? *outcome : own;
    result = {};
    QImage img = label_image(lab, xdpi, ydpi, lines, limits);
    if (img.isNull())
        return img;
    result = draw_label(img, lab, variables, xdpi, ydpi, markup, lines, limits, {});
    if (result.stopped || result.out_of_time)
        return {};
    return img;
}

bool lsv__render_jpeg(const label *lab, const std::vector<render_variable> &variables, int xdpi, int ydpi,
                      bool markup, int quality, std::vector<unsigned char> &jpeg, std::string &error,
                      std::vector<std::u16string> &lines, const render_limits &limits, render_outcome *outcome)
{
    render_outcome own;
    render_outcome &result = outcome ? *outcome : own;
    result = {};
    jpeg.clear();
    error.clear();
    QImage img = label_image(lab, xdpi, ydpi, lines, limits);
    if (img.isNull())
        return false;
    const uchar *const bits = std::as_const(img).constBits();
    jpeg_writer writer(bits, img.bytesPerLine(), img.width(), img.height(), quality);
    {
        const render_count count;
        std::optional<row_encoder> encoder;
        std::function<void(double)> rows_done;
        if (count.core_to_spare() && !writer.failed()) {
            encoder.emplace(writer, img.height());
            rows_done = [&encoder](double y) { encoder->done(y); };
        }
        result = draw_label(img, lab, variables, xdpi, ydpi, markup, lines, limits, std::move(rows_done));
    }
    if (result.stopped || result.out_of_time)
        return false;
    // The painter drew elsewhere than the writer read.
    if (std::as_const(img).constBits() != bits)
        return lsv__encode_jpeg(img, quality, jpeg, error);
    writer.write(img.height());
    if (writer.finish(jpeg))
        return true;
    error = writer.error();
    return false;
}

bool lsv__encode_jpeg(const QImage &image, int quality, std::vector<unsigned char> &out, std::string &error)
{
    const QImage src = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    jpeg_writer writer(src.constBits(), src.bytesPerLine(), src.width(), src.height(), quality);
    writer.write(src.height());
    if (writer.finish(out))
        return true;
    error = writer.error();
    return false;
}

std::vector<std::u16string> lsv__font_families()
{
    return rdr__font_families();
}
