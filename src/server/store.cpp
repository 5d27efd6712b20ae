#include "server/store.h"

#include "model/misc.h"
#include "platform/translation.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "platform/file_io.h"
#include "server/log.h"

namespace fs = std::filesystem;

namespace {

// Keeps letters and digits (any script) and a few safe marks of a name,
// for people looking into the folder; the hash makes the name unique.
std::string readable(const std::u16string &name)
{
    std::string out;
    for (char16_t c : name) {
        if (out.size() >= 48)
            break;
        std::string piece;
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
            c == u'_')
            piece = std::string(1, static_cast<char>(c));
        else if (c == u' ')
            piece = "_";
        else if (c >= 0x0400 && c <= 0x04FF) // Cyrillic letters
            piece = plt__to_utf8(std::u16string(1, c));
        else
            continue;
        out += piece;
    }
    return out;
}

bool ends_with(const std::string &s, const std::string &tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool is_hex64_before(const std::string &s, std::size_t end)
{
    if (end < 64)
        return false;
    for (std::size_t i = end - 64; i < end; ++i)
        if (!((s[i] >= '0' && s[i] <= '9') || (s[i] >= 'a' && s[i] <= 'f')))
            return false;
    return end == 64 || (end >= 66 && s.compare(end - 66, 2, "--") == 0);
}

// The name of a label file of the store: [readable--]HASH.lbl
bool is_label_file(const std::string &base)
{
    return ends_with(base, ".lbl") && is_hex64_before(base, base.size() - 4);
}

// A temporary file of a save: the label file's name, a dot, six letters or
// digits.
bool is_own_temporary(const std::string &base)
{
    if (base.size() < 7 || base[base.size() - 7] != '.')
        return false;
    for (std::size_t i = base.size() - 6; i < base.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(base[i])))
            return false;
    return is_label_file(base.substr(0, base.size() - 7));
}

std::string random_suffix()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string s(6, 'x');
    for (char &c : s)
        c = letters[QRandomGenerator::system()->bounded(static_cast<int>(sizeof letters - 1))];
    return s;
}

// How many values a struct or array holds, itself included.
std::size_t value_count(xmlrpc_value *v)
{
    std::size_t n = 1;
    ino_env env;
    if (xmlrpc_value_type(v) == XMLRPC_TYPE_ARRAY) {
        const int size = xmlrpc_array_size(&env.env, v);
        for (int i = 0; i < size && !env.failed(); ++i) {
            xmlrpc_value *item = nullptr;
            xmlrpc_array_read_item(&env.env, v, i, &item);
            if (item) {
                n += value_count(item);
                xmlrpc_DECREF(item);
            }
        }
    } else if (xmlrpc_value_type(v) == XMLRPC_TYPE_STRUCT) {
        const int size = xmlrpc_struct_size(&env.env, v);
        for (int i = 0; i < size && !env.failed(); ++i) {
            xmlrpc_value *key = nullptr, *item = nullptr;
            xmlrpc_struct_read_member(&env.env, v, static_cast<unsigned>(i), &key, &item);
            if (key)
                xmlrpc_DECREF(key), ++n;
            if (item) {
                n += value_count(item);
                xmlrpc_DECREF(item);
            }
        }
    }
    return n;
}

} // namespace

folder_store::folder_store(std::string folder, std::size_t cache_bytes)
    : folder_(std::move(folder)), cache_(cache_bytes)
{
    std::error_code ec;
    fs::create_directories(folder_, ec);
    dir_fd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

folder_store::~folder_store()
{
    stop_index();
    if (dir_fd_ >= 0)
        ::close(dir_fd_);
}

bool folder_store::usable(std::string &error) const
{
    if (dir_fd_ < 0) {
        std::error_code ec;
        fs::create_directories(folder_, ec);
        struct stat st;
        error = ec                                                                ? ec.message()
                : ::stat(folder_.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) ? pl__tr8(VL_TR("vellumo", "не папка"))
                                                                                  : std::strerror(errno);
        return false;
    }
    if (::faccessat(dir_fd_, ".", W_OK | X_OK, 0) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

std::string folder_store::base_for(const std::u16string &name) const
{
    const std::string utf8 = plt__to_utf8(name);
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size())),
                                 QCryptographicHash::Sha256)
            .toHex();
    std::string file = readable(name);
    if (!file.empty())
        file += "--";
    file += digest.toStdString();
    return file + ".lbl";
}

std::string folder_store::file_for(const std::u16string &name) const
{
    return folder_ + "/" + base_for(name);
}

folder_store::kind folder_store::stat_at(const std::string &base, file_stamp &stamp) const
{
    struct stat st;
    if (::fstatat(dir_fd_, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return kind::missing;
    if (S_ISLNK(st.st_mode))
        return kind::link;
    if (!S_ISREG(st.st_mode))
        return kind::other;
    stamp.ino = st.st_ino;
    stamp.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.size = st.st_size;
    return kind::regular;
}

void folder_store::note_link(const std::string &base)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (links_logged_.size() > 10000 || !links_logged_.insert(base).second)
            return;
    }
    lsv__log("в папке этикеток символическая ссылка " + lsv__client_text(base) +
             ": не этикетка, оставлена без внимания");
}

xmlrpc_value *folder_store::parse_file(const std::string &base, xmlrpc_env *env, file_stamp &stamp, label_ptr *lab_out)
{
    // Without O_NONBLOCK opening a FIFO would wait for a writer forever.
    const int fd = ::openat(dir_fd_, base.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ELOOP)
            note_link(base);
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<unsigned long long>(st.st_size) > INO_XML_SIZE_LIMIT) {
        ::close(fd);
        xmlrpc_env_set_fault(env, XMLRPC_LIMIT_EXCEEDED_ERROR, "label file too large");
        return nullptr;
    }
    stamp.ino = st.st_ino;
    stamp.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.size = st.st_size;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(done);
    label_ptr lab;
    xmlrpc_value *value = lsv__label_from_file_bytes(bytes, env, lab);
    if (value && lab_out)
        *lab_out = std::move(lab);
    return value;
}

bool folder_store::head_of(const std::string &base, index_entry &out)
{
    file_stamp stamp;
    const kind k = stat_at(base, stamp);
    if (k == kind::link)
        note_link(base);
    if (k != kind::regular) {
        std::lock_guard<std::mutex> lock(mutex_);
        index_.erase(base);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = index_.find(base);
        if (it != index_.end() && it->second.stamp == stamp) {
            out = it->second;
            return true;
        }
    }
    index_entry e;
    ino_env env;
    label_ptr lab;
    xmlrpc_value *value = parse_file(base, &env.env, e.stamp, &lab);
    if (value)
        xmlrpc_DECREF(value);
    e.readable = lab != nullptr;
    if (lab)
        e.head = {lab->name, lab->desc};
    std::lock_guard<std::mutex> lock(mutex_);
    if (e.stamp.size < 0) {
        index_.erase(base); // gone or not a file any more
        return false;
    }
    index_[base] = e;
    out = e;
    return true;
}

void folder_store::refresh_index()
{
    const int fd = ::dup(dir_fd_);
    DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    ::rewinddir(dir);
    std::set<std::string> present;
    long long parsed_bytes = 0;
    while (const dirent *d = ::readdir(dir)) {
        if (stop_.load())
            break;
        const std::string base = d->d_name;
        if (!ends_with(base, ".lbl"))
            continue;
        present.insert(base);
        file_stamp before;
        bool known = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = index_.find(base);
            known = it != index_.end();
            if (known)
                before = it->second.stamp;
        }
        index_entry e;
        if (head_of(base, e) && !(known && e.stamp == before))
            parsed_bytes += e.stamp.size;
    }
    ::closedir(dir);
    if (!stop_.load()) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = index_.begin(); it != index_.end();)
            it = present.count(it->first) ? std::next(it) : index_.erase(it);
    }
    if (parsed_bytes > (16 << 20))
        ::malloc_trim(0);
}

void folder_store::start_index()
{
    stop_index();
    stop_ = false;
    indexer_ = std::thread([this] {
        std::lock_guard<std::mutex> lock(refresh_mutex_);
        refresh_index();
    });
}

void folder_store::stop_index()
{
    stop_ = true;
    if (indexer_.joinable())
        indexer_.join();
    stop_ = false;
}

int folder_store::remove_stale_temporaries()
{
    const int fd = ::dup(dir_fd_);
    DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return 0;
    }
    std::vector<std::string> stale;
    while (const dirent *d = ::readdir(dir)) {
        const std::string base = d->d_name;
        file_stamp stamp;
        if (is_own_temporary(base) && stat_at(base, stamp) == kind::regular)
            stale.push_back(base);
    }
    ::closedir(dir);
    int removed = 0;
    for (const std::string &base : stale)
        removed += ::unlinkat(dir_fd_, base.c_str(), 0) == 0;
    if (removed)
        fsync_folder();
    return removed;
}

std::vector<stored_label> folder_store::list()
{
    {
        std::lock_guard<std::mutex> lock(refresh_mutex_);
        refresh_index();
    }
    std::vector<stored_label> out;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto &[base, e] : index_)
            // Only a file in its own name's place is a stored label.
            if (e.readable && base_for(e.head.name) == base) {
                out.push_back(e.head);
                out.back().modified_ms = e.stamp.mtime_ns / 1000000;
            }
    }
    lsv__sort_by_name(out);
    return out;
}

std::vector<std::string> folder_store::unlisted()
{
    {
        std::lock_guard<std::mutex> lock(refresh_mutex_);
        refresh_index();
    }
    std::vector<std::string> out;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto &[base, e] : index_) {
        const std::string file = "файл " + lsv__client_text(base);
        if (!e.readable)
            out.push_back(file + ": не читается как этикетка");
        else if (base_for(e.head.name) != base)
            out.push_back(file + ": этикетка «" + lsv__client_text(e.head.name) + "» не на месте своего имени " +
                          "(ожидается файл " + base_for(e.head.name) + ")");
    }
    return out;
}

server_store::result folder_store::list(std::vector<stored_label> &out, std::string &)
{
    out = list();
    return result::ok;
}

xmlrpc_value *folder_store::load(xmlrpc_env *env, const std::u16string &name, result &r, std::string &error)
{
    xmlrpc_value *v = load(env, name, r);
    if (r == result::bad_label)
        error = "сохранённая этикетка не читается";
    return v;
}

server_store::result folder_store::drop(const std::u16string &name, std::string &error)
{
    errno = 0;
    const result r = drop(name);
    if (r == result::io_error)
        error = std::strerror(errno ? errno : EIO);
    return r;
}

void folder_store::start()
{
    if (const int stale = remove_stale_temporaries())
        lsv__log("удалено временных файлов, оставшихся от прерванных сохранений: " + std::to_string(stale));
    start_index();
}

std::size_t folder_store::cache_bytes_in_use()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cache_.bytes_in_use();
}

xmlrpc_value *folder_store::load(xmlrpc_env *env, const std::u16string &name, result &r)
{
    const std::string base = base_for(name);
    file_stamp stamp;
    const kind k = stat_at(base, stamp);
    if (k == kind::link)
        note_link(base);
    r = result::not_found;
    if (k != kind::regular)
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (xmlrpc_value *cached = cache_.take(base, stamp)) {
            r = result::ok;
            return cached;
        }
    }
    index_entry e;
    label_ptr lab;
    xmlrpc_value_ptr value(parse_file(base, env, e.stamp, &lab));
    e.readable = lab != nullptr;
    if (lab)
        e.head = {lab->name, lab->desc};
    lab.reset();
    std::lock_guard<std::mutex> lock(mutex_);
    if (e.stamp.size >= 0)
        index_[base] = e;
    if (!value || e.head.name != name) {
        r = env->fault_occurred ? result::bad_label : result::not_found;
        return nullptr;
    }
    cache_.put(base, e.stamp, value.get(), lsv__cache_cost(value.get(), static_cast<std::size_t>(e.stamp.size)));
    r = result::ok;
    return value.release();
}

void folder_store::fsync_folder()
{
    ::fsync(dir_fd_);
}

xmlrpc_value *lsv__label_from_file_bytes(std::string &bytes, xmlrpc_env *env, label_ptr &lab)
{
    bool wrong = false;
    xmlrpc_value_ptr params(ino__file_value(bytes.data(), bytes.size(), env, wrong, [&] {
        bytes.clear();
        bytes.shrink_to_fit();
    }));
    if (!params) {
        if (!env->fault_occurred)
            xmlrpc_env_set_fault(env, XMLRPC_PARSE_ERROR, "not a label file");
        return nullptr;
    }
    {
        cr_protected_scope cr;
        lab = ino__value_to_label(env, params.get(), true);
    }
    params.reset();
    if (!lab)
        return nullptr;
    return ino__label_to_value(lab.get(), env);
}

bool lsv__label_file_bytes(const label *lab, std::string &bytes, std::string &error)
{
    ino_env env;
    const bool made = ino__file_bytes(lab, bytes, &env.env);
    // The library refuses to write a document past its own size limit.
    const bool too_large = !made && (env.env.fault_code == XMLRPC_LIMIT_EXCEEDED_ERROR ||
                                     (env.env.fault_string && std::strstr(env.env.fault_string, "too large")));
    if (!made && !too_large) {
        error = env.env.fault_string ? env.env.fault_string : "label refused";
        return false;
    }
    // A file the store could not read back is not written.
    if (!made || bytes.size() > INO_XML_SIZE_LIMIT) {
        error = "файл этикетки был бы больше " + std::to_string(INO_XML_SIZE_LIMIT >> 20) +
                " МиБ, столько хранилище не читает";
        return false;
    }
    return true;
}

bool folder_store::write_temporary(const std::string &bytes, const std::string &base, std::string &tmp,
                                   std::string &error)
{
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = base + "." + random_suffix();
        fd = ::openat(dir_fd_, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    auto fail = [&](int err) {
        ::close(fd);
        ::unlinkat(dir_fd_, tmp.c_str(), 0);
        error = std::strerror(err);
        return false;
    };
    if (const int err = plt__write_all_and_sync(fd, bytes.data(), bytes.size()))
        return fail(err);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlinkat(dir_fd_, tmp.c_str(), 0);
        error = std::strerror(err);
        return false;
    }
    return true;
}

server_store::result folder_store::put(const label *lab, std::string &error, bool replace)
{
    if (lab->name.empty())
        return result::empty_name;
    if (auto m = ino__unsavable(lab)) {
        error = plt__to_utf8(*m);
        return result::bad_label;
    }
    std::string bytes;
    if (!lsv__label_file_bytes(lab, bytes, error))
        return result::bad_label;
    const std::string base = base_for(lab->name);
    std::string tmp;
    const bool written = write_temporary(bytes, base, tmp, error);
    bytes.clear();
    bytes.shrink_to_fit();
    if (!written)
        return result::io_error;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!replace) {
        // Whatever is in the name's place stays: a link fails with EEXIST
        // like any file.
        const bool linked = ::linkat(dir_fd_, tmp.c_str(), dir_fd_, base.c_str(), 0) == 0;
        const int err = errno;
        ::unlinkat(dir_fd_, tmp.c_str(), 0);
        if (!linked) {
            if (err == EEXIST)
                return result::exists;
            error = std::strerror(err);
            return result::io_error;
        }
        tmp = base; // already in place
    }
    file_stamp old;
    const bool was_link = replace && stat_at(base, old) == kind::link;
    // The rename replaces a link itself, never the file it points at.
    if (replace && ::renameat(dir_fd_, tmp.c_str(), dir_fd_, base.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlinkat(dir_fd_, tmp.c_str(), 0);
        return result::io_error;
    }
    if (was_link)
        lsv__log("в папке этикеток символическая ссылка " + lsv__client_text(base) +
                 " заменена файлом этикетки «" + lsv__client_text(lab->name) + "»");
    fsync_folder();
    cache_.forget(base);
    index_entry e;
    if (stat_at(base, e.stamp) == kind::regular) {
        e.readable = true;
        e.head = {lab->name, lab->desc};
        index_[base] = e;
    } else {
        index_.erase(base);
    }
    return result::ok;
}

server_store::result folder_store::drop(const std::u16string &name)
{
    if (name.empty())
        return result::empty_name;
    const std::string base = base_for(name);
    index_entry e;
    if (!head_of(base, e))
        return result::not_found;
    // A file that does not read any more is still this name's file (its
    // place is the hash of the name); one that reads as another label is not.
    if (e.readable && e.head.name != name)
        return result::not_found;
    std::lock_guard<std::mutex> lock(mutex_);
    file_stamp now;
    if (stat_at(base, now) != kind::regular)
        return result::not_found;
    if (::unlinkat(dir_fd_, base.c_str(), 0) != 0)
        return result::io_error;
    fsync_folder();
    cache_.forget(base);
    index_.erase(base);
    return result::ok;
}

server_store::result folder_store::rename(const std::u16string &old_name, const std::u16string &new_name,
                                          std::string &error)
{
    if (old_name.empty() || new_name.empty())
        return result::empty_name;
    const std::string from = base_for(old_name), to = base_for(new_name);
    result r;
    ino_env env;
    xmlrpc_value_ptr value(load(&env.env, old_name, r));
    if (!value)
        return result::not_found;
    if (old_name == new_name)
        return result::ok;
    index_entry target;
    if (head_of(to, target) && target.readable && target.head.name == new_name)
        return result::exists;
    ino_env env2;
    label_ptr lab = ino__value_to_label(&env2.env, value.get(), false);
    value.reset();
    if (!lab) {
        error = "stored label unreadable";
        return result::io_error;
    }
    lab->name = new_name;
    std::string bytes;
    if (!lsv__label_file_bytes(lab.get(), bytes, error))
        return result::io_error;
    std::string tmp;
    const bool written = write_temporary(bytes, to, tmp, error);
    bytes.clear();
    bytes.shrink_to_fit();
    if (!written)
        return result::io_error;
    std::lock_guard<std::mutex> lock(mutex_);
    // Another call may have made the target meanwhile.
    file_stamp now;
    if (stat_at(to, now) == kind::regular) {
        auto it = index_.find(to);
        if (it == index_.end() || !(it->second.stamp == now) ||
            (it->second.readable && it->second.head.name == new_name)) {
            ::unlinkat(dir_fd_, tmp.c_str(), 0);
            return result::exists;
        }
    }
    // The new file first: a crash in between leaves both, never neither.
    if (::renameat(dir_fd_, tmp.c_str(), dir_fd_, to.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlinkat(dir_fd_, tmp.c_str(), 0);
        return result::io_error;
    }
    fsync_folder();
    cache_.forget(to);
    index_entry e;
    if (stat_at(to, e.stamp) == kind::regular) {
        e.readable = true;
        e.head = {lab->name, lab->desc};
        index_[to] = e;
    }
    if (stat_at(from, now) == kind::regular)
        ::unlinkat(dir_fd_, from.c_str(), 0);
    cache_.forget(from);
    index_.erase(from);
    fsync_folder();
    return result::ok;
}

bool lsv__name_before(const std::u16string &a, const std::u16string &b)
{
    // UTF-16 units order characters above U+FFFF (surrogates, D800–DFFF)
    // before U+E000–U+FFFF; code points do not.
    auto rank = [](char16_t c) -> unsigned { return c >= 0xD800 && c <= 0xDFFF ? c + 0x2000u : c >= 0xE000 ? c - 0x800u : c; };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return rank(a[i]) < rank(b[i]);
    return a.size() < b.size();
}

void lsv__sort_by_name(std::vector<stored_label> &labels)
{
    std::sort(labels.begin(), labels.end(),
              [](const stored_label &a, const stored_label &b) { return lsv__name_before(a.name, b.name); });
}

std::size_t lsv__cache_cost(xmlrpc_value *value, std::size_t file_bytes)
{
    // The file's text plus what the library spends on each value.
    return file_bytes + 256 * value_count(value);
}
