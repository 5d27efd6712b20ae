#include "platform/file_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/code_pages.h"
#include "platform/termination.h"
#include "platform/translation.h"

int plt__write_blob(const std::u16string &path, const void *bytes, std::size_t len)
{
    std::string p = plt__to_ansi(path);
    int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return 0;
    const auto *b = static_cast<const unsigned char *>(bytes);
    std::size_t done = 0;
    while (done < len) {
        ssize_t n = ::write(fd, b + done, len - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int saved = n < 0 ? errno : EIO;
            ::close(fd);
            errno = saved;
            return 0;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        PLATFORM_FATAL("::close(fd) == 0");
    return 1;
}

std::string plt__resolve_link(const std::string &path)
{
    std::string p = path;
    // Follows the last component only; 40 hops as the kernel allows.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = ::readlink(p.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            return p;
        target.resize(static_cast<std::size_t>(n));
        if (target[0] != '/') {
            std::size_t slash = p.find_last_of('/');
            if (slash != std::string::npos)
                target = p.substr(0, slash + 1) + target;
        }
        p = std::move(target);
    }
    return p;
}

int plt__write_all_and_sync(int fd, const void *bytes, std::size_t len)
{
    const auto *b = static_cast<const unsigned char *>(bytes);
    for (std::size_t done = 0; done < len;) {
        const ssize_t n = ::write(fd, b + done, len - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return ::fsync(fd) != 0 ? errno : 0;
}

int plt__replace_file(const std::u16string &path, const void *bytes, std::size_t len)
{
    // Through a symbolic link the file it points at is replaced, in its own
    // folder; the link stays a link.
    std::string p = plt__resolve_link(plt__to_ansi(path));
    std::string tmpl = p + ".XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return 0;
    struct stat st;
    mode_t mode;
    if (::stat(p.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        errno = err;
        return 0;
    };
    if (::fchmod(fd, mode) != 0)
        return fail(errno);
    if (const int err = plt__write_all_and_sync(fd, bytes, len))
        return fail(err);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        errno = err;
        return 0;
    }
    if (::rename(tmpl.c_str(), p.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        errno = err;
        return 0;
    }
    return 1;
}

std::u16string plt__read_error_text(int error)
{
    switch (error) {
    case ENOENT: return pl__tr(VL_TR("vellumo", "такого файла нет"));
    case EISDIR: return pl__tr(VL_TR("vellumo", "это папка"));
    case EACCES:
    case EPERM: return pl__tr(VL_TR("vellumo", "нет прав на чтение"));
    case ENOTDIR: return pl__tr(VL_TR("vellumo", "в пути есть файл вместо папки"));
    case EINVAL: return pl__tr(VL_TR("vellumo", "это не обычный файл (устройство, канал или сокет)"));
    case EFBIG: return pl__tr(VL_TR("vellumo", "файл слишком велик"));
    case ELOOP: return pl__tr(VL_TR("vellumo", "символические ссылки замкнуты в кольцо"));
    case ENAMETOOLONG: return pl__tr(VL_TR("vellumo", "слишком длинное имя"));
    case EIO: return pl__tr(VL_TR("vellumo", "ошибка ввода/вывода на диске"));
    default: return pl__tr(VL_TR("vellumo", "системная ошибка ")) + plt__from_ansi(std::to_string(error)) + u" (" + plt__from_ansi(std::strerror(error)) + u")";
    }
}

int plt__read_blob(const std::u16string &path, std::vector<unsigned char> &out, std::size_t max_len)
{
    std::string p = plt__to_ansi(path);
    // Without O_NONBLOCK opening a FIFO would wait for a writer forever.
    int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return 0;
    auto fail = [&](int err) {
        ::close(fd);
        errno = err;
        return 0;
    };
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return fail(errno);
    if (S_ISDIR(st.st_mode))
        return fail(EISDIR);
    if (!S_ISREG(st.st_mode)) // FIFO, device, socket: not a file to read whole
        return fail(EINVAL);
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > max_len)
        return fail(EFBIG);
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::vector<unsigned char> buf(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < buf.size()) {
        ssize_t n = ::read(fd, buf.data() + done, buf.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(errno);
        if (n == 0) { // the file shrank while being read
            buf.resize(done);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out = std::move(buf);
    return 1;
}

bool plt__file_exists(const std::u16string &path)
{
    struct stat st;
    if (::stat(plt__to_ansi(path).c_str(), &st) == 0)
        return true;
    return errno != ENOENT && errno != ENOTDIR;
}
