// Jobs for thermal printers on their way: into a file, over a raw socket
// (port 9100) or into a device file, label after label as they are drawn.
#include <QIODevice>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/misc.h"
#include "output/atomic_file.h"
#include "output/output_messages.h"
#include "output/pictures.h"
#include "output/sink.h"
#include "output/thermal.h"
#include "platform/code_pages.h"
#include "platform/file_io.h"
#include "platform/translation.h"

namespace {

using clock_type = std::chrono::steady_clock;

// The system's reason in the user's words, the usual ones of a printer's
// connection and device by name.
std::u16string system_error(int code)
{
    switch (code) {
    case ECONNREFUSED: return pl__tr(VL_TR("vellumo", "соединение отвергнуто (принтер выключен или порт не тот)"));
    case ETIMEDOUT: return pl__tr(VL_TR("vellumo", "нет ответа"));
    case EHOSTUNREACH:
    case ENETUNREACH: return pl__tr(VL_TR("vellumo", "сеть до принтера недоступна"));
    case ENOENT: return pl__tr(VL_TR("vellumo", "такого устройства нет"));
    case EACCES:
    case EPERM: return pl__tr(VL_TR("vellumo", "нет прав на запись (группа lp?)"));
    case EBUSY: return pl__tr(VL_TR("vellumo", "устройство занято другой программой"));
    case ENOSPC: return pl__tr(VL_TR("vellumo", "на устройстве нет места"));
    default: return plt__read_error_text(code);
    }
}

int ms_left(clock_type::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_type::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

// Waits for `events` on `fd` until the deadline; false when it passed.
bool wait_for(int fd, short events, clock_type::time_point deadline, short &got)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, ms_left(deadline));
        if (n > 0) {
            got = p.revents;
            return true;
        }
        if (n == 0)
            return false;
        if (errno != EINTR)
            return false;
    }
}

// Writes without the process being killed by SIGPIPE when the other end
// has gone: the signal is held back in this thread and taken away again.
ssize_t write_quietly(int fd, const char *data, std::size_t n, bool socket)
{
    if (socket)
        return ::send(fd, data, n, MSG_NOSIGNAL);
    sigset_t pipe_set, old;
    sigemptyset(&pipe_set);
    sigaddset(&pipe_set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_set, &old);
    const ssize_t written = ::write(fd, data, n);
    const int saved = errno;
    if (written < 0 && saved == EPIPE) {
        const timespec none{0, 0};
        while (sigtimedwait(&pipe_set, nullptr, &none) > 0) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = saved;
    return written;
}

class fd_connection final : public thermal_connection {
public:
    fd_connection(int fd, bool socket, int timeout_ms) : fd_(fd), socket_(socket), timeout_ms_(timeout_ms)
    {
    }
    ~fd_connection() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    bool send(const std::string &bytes, std::u16string &error) override
    {
        std::size_t at = 0;
        while (at < bytes.size()) {
            const auto deadline = clock_type::now() + std::chrono::milliseconds(timeout_ms_);
            short got = 0;
            if (!wait_for(fd_, POLLOUT, deadline, got)) {
                note_taken();
                error = msc__format(VL_TR("vellumo", "принтер не принимает данные %{1:g} с"), timeout_ms_ / 1000.0);
                return false;
            }
            const ssize_t n = write_quietly(fd_, bytes.data() + at, bytes.size() - at, socket_);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                    continue;
                return broken(errno, error);
            }
            at += static_cast<std::size_t>(n);
            sent_ += static_cast<std::uint64_t>(n);
        }
        note_taken();
        return true;
    }

    bool finish(std::u16string &error) override
    {
        if (!socket_) {
            taken_ = sent_;
            return true;
        }
        // The end of the job; then everything must be taken before the
        // printer stops taking it for as long as the timeout.
        ::shutdown(fd_, SHUT_WR);
        std::uint64_t before = taken_;
        auto deadline = clock_type::now() + std::chrono::milliseconds(timeout_ms_);
        for (;;) {
            int pending = 0;
            if (::ioctl(fd_, SIOCOUTQ, &pending) != 0)
                pending = 0;
            int so_error = 0;
            socklen_t len = sizeof so_error;
            ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &so_error, &len);
            if (so_error)
                return broken(so_error, error);
            taken_ = std::max(taken_, sent_ - std::min<std::uint64_t>(sent_, static_cast<std::uint64_t>(pending)));
            if (pending == 0)
                return true;
            if (taken_ > before) {
                before = taken_;
                deadline = clock_type::now() + std::chrono::milliseconds(timeout_ms_);
            }
            if (clock_type::now() >= deadline) {
                error = msc__format(VL_TR("vellumo", "принтер не принимает данные %{1:g} с"), timeout_ms_ / 1000.0);
                return false;
            }
            ::usleep(10000);
        }
    }

    std::uint64_t accepted() const override { return taken_; }

private:
    // What the other end has taken: for a socket the bytes its system
    // acknowledged, for a device what it was written.
    void note_taken()
    {
        if (!socket_) {
            taken_ = sent_;
            return;
        }
        int pending = 0;
        if (::ioctl(fd_, SIOCOUTQ, &pending) == 0 && pending >= 0)
            taken_ = std::max(taken_, sent_ - std::min<std::uint64_t>(sent_, static_cast<std::uint64_t>(pending)));
    }

    bool broken(int code, std::u16string &error)
    {
        if (code == EPIPE || code == ECONNRESET)
            error = pl__tr(VL_TR("vellumo", "принтер прервал соединение"));
        else
            error = msc__format(VL_TR("vellumo", "ошибка передачи: %1"), system_error(code).c_str());
        return false;
    }

    int fd_;
    bool socket_;
    int timeout_ms_;
    std::uint64_t sent_ = 0, taken_ = 0;
};

std::unique_ptr<thermal_connection> connect_socket(const std::string &address, const std::string &rest,
                                                   std::u16string &error, int timeout_ms)
{
    const std::u16string shown = plt__from_utf8(address);
    std::string host = rest, port = "9100";
    if (!host.empty() && host.front() == '[') { // [::1]:9100
        const std::size_t close = host.find(']');
        if (close == std::string::npos) {
            error = msc__format(VL_TR("vellumo", "адрес принтера «%1»: нет закрывающей скобки"), shown.c_str());
            return nullptr;
        }
        if (close + 1 < host.size()) {
            if (host[close + 1] != ':') {
                error = msc__format(VL_TR("vellumo", "адрес принтера «%1» не разобран"), shown.c_str());
                return nullptr;
            }
            port = host.substr(close + 2);
        }
        host = host.substr(1, close - 1);
    } else if (const std::size_t colon = host.rfind(':'); colon != std::string::npos) {
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
    }
    if (!host.empty() && host.back() == '/')
        host.pop_back();
    const bool port_ok = !port.empty() && port.size() <= 5 &&
                         std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                         std::stol(port) >= 1 && std::stol(port) <= 65535;
    if (host.empty() || !port_ok) {
        error = msc__format(VL_TR("vellumo", "адрес принтера «%1»: нужно socket://УЗЕЛ[:ПОРТ], порт от 1 до 65535"), shown.c_str());
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (const int r = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); r != 0 || !found) {
        error = msc__format(VL_TR("vellumo", "принтер «%1» не найден: %2"), shown.c_str(), plt__from_utf8(gai_strerror(r)).c_str());
        return nullptr;
    }
    int last = ETIMEDOUT;
    std::unique_ptr<thermal_connection> out;
    for (addrinfo *a = found; a && !out; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            last = errno;
            continue;
        }
        int r = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            short got = 0;
            if (!wait_for(fd, POLLOUT, clock_type::now() + std::chrono::milliseconds(timeout_ms), got)) {
                last = ETIMEDOUT;
                ::close(fd);
                continue;
            }
            int so_error = 0;
            socklen_t len = sizeof so_error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &so_error, &len);
            r = so_error ? -1 : 0;
            errno = so_error;
        }
        if (r != 0) {
            last = errno;
            ::close(fd);
            continue;
        }
        out = std::make_unique<fd_connection>(fd, true, timeout_ms);
    }
    ::freeaddrinfo(found);
    if (!out)
        error = last == ETIMEDOUT
                    ? msc__format(VL_TR("vellumo", "принтер «%1» не отвечает %{2:g} с"), shown.c_str(), timeout_ms / 1000.0)
                    : msc__format(VL_TR("vellumo", "не удалось соединиться с принтером «%1»: %2"), shown.c_str(),
                                  system_error(last).c_str());
    return out;
}

std::unique_ptr<thermal_connection> open_device(const std::string &path, std::u16string &error, int timeout_ms)
{
    const std::u16string shown = plt__from_utf8(path);
    // Without waiting: a device nobody reads (a FIFO without a reader, a
    // printer switched off) must not keep the program waiting for ever.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int e = errno;
        error = msc__format(VL_TR("vellumo", "устройство принтера «%1» не открывается: %2"), shown.c_str(),
                            e == ENXIO ? pl__tr(VL_TR("vellumo", "его никто не читает (принтер не подключён?)")) : system_error(e).c_str());
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
        ::close(fd);
        error = msc__format(VL_TR("vellumo", "«%1» — не устройство принтера; файл задания пишется с -o"), shown.c_str());
        return nullptr;
    }
    return std::make_unique<fd_connection>(fd, false, timeout_ms);
}

// The labels of a job whose last byte is at each offset: how many of them
// the printer took, as the connection's count of bytes grows.
class label_ends {
public:
    void add(std::uint64_t end) { ends_.push_back(end); }
    long taken(std::uint64_t bytes)
    {
        while (!ends_.empty() && ends_.front() <= bytes) {
            ends_.pop_front();
            ++taken_;
        }
        return taken_;
    }

private:
    std::deque<std::uint64_t> ends_;
    long taken_ = 0;
};

class thermal_sink : public page_sink {
public:
    thermal_sink(const label *lab, const thermal_options &o) : lab_(lab), o_(o) {}

    bool page(const doc_page &page, std::vector<page_problem> &problems, std::u16string &error) override
    {
        if (labels_ == 0) {
            // Nothing is sent for a label the printer cannot take.
            const std::u16string why = out__thermal_label_refusal(lab_, o_);
            if (!why.empty()) {
                error = refused_text(why);
                return false;
            }
        }
        std::vector<page_problem> said;
        render_outcome drawn;
        const QImage bits = out__thermal_image(page, o_, said, &drawn, &pictures_);
        outcome.out_of_time = outcome.out_of_time || drawn.out_of_time;
        outcome.stopped = outcome.stopped || drawn.stopped;
        if (drawn.stopped) {
            error = stopped_text();
            return false;
        }
        if (bits.isNull()) {
            error = refused_text(out__thermal_label_refusal(lab_, o_));
            return false;
        }
        for (page_problem &p : said) {
            if (!p.warning) {
                problems.push_back(std::move(p));
                continue;
            }
            const long line = p.label < page.labels.size() ? page.labels[p.label].line : 0;
            warnings.push_back(line > 0 ? msc__format(out_msg::row_problem, line, p.text.c_str()) : p.text);
        }
        const std::string job = out__thermal_label_job(bits, o_, labels_ == 0);
        ++labels_;
        return put(job, error);
    }

protected:
    virtual bool put(const std::string &bytes, std::u16string &error) = 0;
    virtual std::u16string stopped_text() const = 0;
    virtual std::u16string refused_text(const std::u16string &why) const = 0;

    const label *lab_;
    thermal_options o_;
    long labels_ = 0;
    remembered_pictures pictures_;
};

class thermal_file_sink final : public thermal_sink {
public:
    thermal_file_sink(const label *lab, const std::u16string &path, const thermal_options &o)
        : thermal_sink(lab, o), file_(path)
    {
    }
    bool open(std::u16string &error) { return file_.open(error); }
    bool finish(std::u16string &error) override { return file_.commit(error); }

private:
    bool put(const std::string &bytes, std::u16string &error) override
    {
        if (file_.file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
            error = out__not_written(file_.path, out__save_failure(file_.file));
            file_.file.cancelWriting();
            return false;
        }
        return true;
    }
    std::u16string stopped_text() const override { return out__not_written(file_.path, pl__tr(out_msg::stopped)); }
    std::u16string refused_text(const std::u16string &why) const override
    {
        return out__not_written(file_.path, why);
    }

    atomic_file file_;
};

class thermal_device_sink final : public thermal_sink {
public:
    thermal_device_sink(const label *lab, QIODevice &device, const thermal_options &o, std::int64_t max_bytes)
        : thermal_sink(lab, o), device_(device), max_bytes_(max_bytes)
    {
    }
    bool finish(std::u16string &) override { return true; }

private:
    bool put(const std::string &bytes, std::u16string &error) override
    {
        written_ += static_cast<std::int64_t>(bytes.size());
        if (written_ > max_bytes_) {
            error = pl__tr(out_msg::document_too_large);
            return false;
        }
        if (device_.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
            error = pl__tr(out_msg::write_failed);
            return false;
        }
        return true;
    }
    std::u16string stopped_text() const override { return pl__tr(out_msg::stopped); }
    std::u16string refused_text(const std::u16string &why) const override { return why; }

    QIODevice &device_;
    std::int64_t max_bytes_;
    std::int64_t written_ = 0;
};

class thermal_send_sink final : public thermal_sink {
public:
    thermal_send_sink(const label *lab, std::unique_ptr<thermal_connection> c, std::u16string address,
                      const thermal_options &o)
        : thermal_sink(lab, o), connection_(std::move(c)), address_(std::move(address))
    {
    }
    bool finish(std::u16string &error) override
    {
        if (connection_->finish(error))
            return true;
        error = failed(error);
        return false;
    }

private:
    bool put(const std::string &bytes, std::u16string &error) override
    {
        sent_ += bytes.size();
        ends_.add(sent_);
        if (connection_->send(bytes, error))
            return true;
        error = failed(error);
        return false;
    }
    std::u16string failed(const std::u16string &why)
    {
        return msc__format(VL_TR("vellumo", "Печать на «%1» прервана: %2. Принтер принял этикеток: %3 из отправленных %4."),
                           address_.c_str(), why.c_str(), ends_.taken(connection_->accepted()), labels_);
    }
    std::u16string stopped_text() const override
    {
        return msc__format(VL_TR("vellumo", "Печать на «%1» остановлена: %2."), address_.c_str(), pl__tr(out_msg::stopped));
    }
    std::u16string refused_text(const std::u16string &why) const override
    {
        return msc__format(VL_TR("vellumo", "На «%1» ничего не отправлено: %2."), address_.c_str(), why.c_str());
    }

    std::unique_ptr<thermal_connection> connection_;
    std::u16string address_;
    std::uint64_t sent_ = 0;
    label_ends ends_;
};

} // namespace

std::unique_ptr<thermal_connection> out__thermal_connect(const std::string &address, std::u16string &error,
                                                         int timeout_ms)
{
    constexpr char scheme[] = "socket://";
    if (address.compare(0, sizeof scheme - 1, scheme) == 0)
        return connect_socket(address, address.substr(sizeof scheme - 1), error, timeout_ms);
    if (!address.empty() && address.front() == '/')
        return open_device(address, error, timeout_ms);
    error = msc__format(VL_TR("vellumo", "подключение принтера «%1»: нужно socket://УЗЕЛ[:ПОРТ] или путь к устройству, "
                        "например /dev/usb/lp0"),
                        plt__from_utf8(address).c_str());
    return nullptr;
}

std::unique_ptr<page_sink> out__thermal_file_sink(const label *lab, const std::u16string &path,
                                                  const thermal_options &o, std::u16string &error)
{
    std::u16string why = out__thermal_options_refusal(o);
    if (why.empty())
        why = out__thermal_label_refusal(lab, o);
    if (!why.empty()) {
        error = out__not_written(path, why);
        return nullptr;
    }
    auto sink = std::make_unique<thermal_file_sink>(lab, path, o);
    if (!sink->open(error))
        return nullptr;
    return sink;
}

std::unique_ptr<page_sink> out__thermal_device_sink(const label *lab, QIODevice &device, const thermal_options &o,
                                                    std::int64_t max_bytes)
{
    return std::make_unique<thermal_device_sink>(lab, device, o, max_bytes);
}

std::unique_ptr<page_sink> out__thermal_send_sink(const label *lab, std::unique_ptr<thermal_connection> connection,
                                                  const std::u16string &address, const thermal_options &o)
{
    return std::make_unique<thermal_send_sink>(lab, std::move(connection), address, o);
}
