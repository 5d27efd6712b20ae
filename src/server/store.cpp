#include "server/store.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "model/misc.h"

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
            piece = msc__to_utf8(std::u16string(1, c));
        else
            continue;
        out += piece;
    }
    return out;
}

long long mtime_ns(const struct stat &st)
{
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

void fsync_folder(const std::string &folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

server_store::server_store(std::string folder) : folder_(std::move(folder))
{
    std::error_code ec;
    fs::create_directories(folder_, ec);
}

server_store::~server_store()
{
    for (auto &kv : cache_)
        if (kv.second.value)
            xmlrpc_DECREF(kv.second.value);
}

bool server_store::usable(std::string &error) const
{
    std::error_code ec;
    fs::create_directories(folder_, ec);
    struct stat st;
    if (::stat(folder_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = ec ? ec.message() : "не папка";
        return false;
    }
    if (::access(folder_.c_str(), W_OK | X_OK) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

std::string server_store::file_for(const std::u16string &name) const
{
    const std::string utf8 = msc__to_utf8(name);
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size())),
                                 QCryptographicHash::Sha256)
            .toHex();
    std::string file = readable(name);
    if (!file.empty())
        file += "--";
    file += digest.toStdString();
    return folder_ + "/" + file + ".lbl";
}

const server_store::cached *server_store::read_file(const std::string &path, xmlrpc_env *env)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    auto it = cache_.find(path);
    if (it != cache_.end() && it->second.mtime_ns == mtime_ns(st) && it->second.size == st.st_size)
        return &it->second;
    forget(path);
    std::vector<unsigned char> bytes;
    if (!msc__read_blob(msc__from_utf8(path), bytes, INO_XML_SIZE_LIMIT))
        return nullptr;
    bool wrong = false;
    xmlrpc_value_ptr params(
        ino__file_value(reinterpret_cast<const char *>(bytes.data()), bytes.size(), env, wrong));
    if (!params)
        return nullptr;
    label_ptr lab;
    {
        cr_protected_scope cr;
        lab = ino__value_to_label(env, params.get(), true);
    }
    if (!lab)
        return nullptr;
    xmlrpc_value *value = ino__label_to_value(lab.get(), env);
    if (!value)
        return nullptr;
    cached c;
    c.mtime_ns = mtime_ns(st);
    c.size = st.st_size;
    c.head = {lab->name, lab->desc};
    c.value = value;
    return &(cache_[path] = c);
}

void server_store::forget(const std::string &path)
{
    auto it = cache_.find(path);
    if (it == cache_.end())
        return;
    if (it->second.value)
        xmlrpc_DECREF(it->second.value);
    cache_.erase(it);
}

std::vector<stored_label> server_store::list()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<stored_label> out;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(folder_, ec)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() != ".lbl")
            continue;
        ino_env env;
        const cached *c = read_file(path, &env.env);
        // Only a file in its own name's place is a stored label.
        if (c && file_for(c->head.name) == path)
            out.push_back(c->head);
    }
    std::sort(out.begin(), out.end(), [](const stored_label &a, const stored_label &b) { return a.name < b.name; });
    return out;
}

xmlrpc_value *server_store::load(xmlrpc_env *env, const std::u16string &name, result &r)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string path = file_for(name);
    const cached *c = read_file(path, env);
    if (!c || c->head.name != name) {
        r = env->fault_occurred ? result::bad_label : result::not_found;
        return nullptr;
    }
    r = result::ok;
    xmlrpc_INCREF(c->value);
    return c->value;
}

bool server_store::write_file(const std::string &path, const label *lab, std::string &error)
{
    ino_env env;
    std::string bytes;
    if (!ino__file_bytes(lab, bytes, &env.env)) {
        error = env.env.fault_string ? env.env.fault_string : "label refused";
        return false;
    }
    if (!msc__replace_file(msc__from_utf8(path), bytes.data(), bytes.size())) {
        error = std::strerror(errno);
        return false;
    }
    fsync_folder(folder_);
    forget(path);
    return true;
}

server_store::result server_store::save(const label *lab, std::string &error)
{
    if (lab->name.empty())
        return result::empty_name;
    if (auto m = ino__unsavable(lab)) {
        error = msc__to_utf8(*m);
        return result::bad_label;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return write_file(file_for(lab->name), lab, error) ? result::ok : result::io_error;
}

server_store::result server_store::drop(const std::u16string &name)
{
    if (name.empty())
        return result::empty_name;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string path = file_for(name);
    ino_env env;
    const cached *c = read_file(path, &env.env);
    if (!c || c->head.name != name)
        return result::not_found;
    forget(path);
    if (::unlink(path.c_str()) != 0)
        return result::io_error;
    fsync_folder(folder_);
    return result::ok;
}

server_store::result server_store::rename(const std::u16string &old_name, const std::u16string &new_name,
                                        std::string &error)
{
    if (old_name.empty() || new_name.empty())
        return result::empty_name;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string from = file_for(old_name), to = file_for(new_name);
    ino_env env;
    const cached *c = read_file(from, &env.env);
    if (!c || c->head.name != old_name)
        return result::not_found;
    if (old_name == new_name)
        return result::ok;
    ino_env env2;
    if (const cached *t = read_file(to, &env2.env); t && t->head.name == new_name)
        return result::exists;
    ino_env env3;
    label_ptr lab = ino__value_to_label(&env3.env, c->value, false);
    if (!lab) {
        error = "stored label unreadable";
        return result::io_error;
    }
    lab->name = new_name;
    // The new file first: a crash in between leaves both, never neither.
    if (!write_file(to, lab.get(), error))
        return result::io_error;
    forget(from);
    ::unlink(from.c_str());
    fsync_folder(folder_);
    return result::ok;
}
