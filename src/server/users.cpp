#include "platform/translation.h"
#include "platform/code_pages.h"
#include "model/misc.h"
#include "server/users.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <atomic>
#include <fstream>

namespace {

QByteArray bytes(const std::string &s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::atomic<long long> g_iterations{0};

std::string pbkdf2(const std::string &password, const std::string &salt, int iterations)
{
    g_iterations += iterations;
    // One block of PBKDF2-HMAC-SHA256 (RFC 8018): 32 bytes of key.
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, bytes(password));
    QByteArray s = bytes(salt);
    s.append(char(0)).append(char(0)).append(char(0)).append(char(1));
    mac.addData(s);
    QByteArray u = mac.result();
    QByteArray t = u;
    for (int i = 1; i < iterations; ++i) {
        mac.reset();
        mac.addData(u);
        u = mac.result();
        for (qsizetype k = 0; k < t.size(); ++k)
            t[k] = static_cast<char>(t[k] ^ u[k]);
    }
    return t.toStdString();
}

std::string random_bytes(int n)
{
    std::string out(static_cast<std::size_t>(n), '\0');
    for (char &c : out)
        c = static_cast<char>(QRandomGenerator::system()->bounded(256));
    return out;
}

std::optional<std::string> from_hex(const std::string &hex)
{
    if (hex.size() % 2)
        return std::nullopt;
    for (char c : hex)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    return QByteArray::fromHex(bytes(hex)).toStdString();
}

} // namespace

bool lsv__same_bytes(const std::string &a, const std::string &b)
{
    unsigned diff = a.size() == b.size() ? 0 : 1;
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        diff |= static_cast<unsigned>(x ^ y);
    }
    return diff == 0;
}

bool server_users::load(const std::string &path, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "не удалось открыть файл пользователей %1"), path.c_str()));
        return false;
    }
    users_.clear();
    plain_lines_.clear();
    std::string line;
    int number = 0;
    std::size_t total = 0;
    while (std::getline(in, line)) {
        ++number;
        total += line.size();
        if (total > (16u << 20)) {
            error = plt__to_utf8(msc__format(VL_TR("vellumo", "файл пользователей %1 слишком велик"), path.c_str()));
            return false;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            error = plt__to_utf8(msc__format(VL_TR("vellumo", "файл пользователей %1, строка %2: нужно «имя:пароль»"), path.c_str(),
                                                  number));
            return false;
        }
        const std::string user = line.substr(0, colon);
        const std::string rest = line.substr(colon + 1);
        entry e;
        static const std::string tag = "pbkdf2-sha256:";
        if (rest.compare(0, tag.size(), tag) == 0) {
            // pbkdf2-sha256:ITER:SALT:KEY
            const std::string f = rest.substr(tag.size());
            const std::size_t a = f.find(':'), b = a == std::string::npos ? a : f.find(':', a + 1);
            std::optional<std::string> salt, key;
            long iterations = 0;
            if (b != std::string::npos) {
                try {
                    std::size_t used = 0;
                    iterations = std::stol(f.substr(0, a), &used);
                    if (used != a)
                        iterations = 0;
                } catch (...) {
                    iterations = 0;
                }
                salt = from_hex(f.substr(a + 1, b - a - 1));
                key = from_hex(f.substr(b + 1));
            }
            if (iterations < 1 || iterations > 10000000 || !salt || !key || key->size() != 32) {
                error = plt__to_utf8(msc__format(VL_TR("vellumo", "файл пользователей %1, строка %2: неверная запись pbkdf2-sha256"),
                                                      path.c_str(), number));
                return false;
            }
            e.iterations = static_cast<int>(iterations);
            e.salt = *salt;
            e.key = *key;
        } else {
            // Hashed now like the others, so that checking it costs the same
            // and the plain text is not kept.
            e.plain = true;
            e.iterations = default_iterations;
            e.salt = random_bytes(16);
            e.key = pbkdf2(rest, e.salt, e.iterations);
            plain_lines_.push_back(number);
        }
        users_[user] = std::move(e);
    }
    checked_ = true;
    process_salt_ = random_bytes(32);
    return true;
}

bool server_users::allowed(const std::string &user, const std::string &password)
{
    if (!checked_)
        return true;
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(bytes(process_salt_));
    h.addData(bytes(user));
    h.addData(QByteArray(1, '\0'));
    h.addData(bytes(password));
    const std::string digest = h.result().toStdString();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (verified_.count(digest))
            return true;
    }
    auto it = users_.find(user);
    bool ok;
    if (it == users_.end()) {
        // The same work as for a known user, so that timing does not tell
        // which names exist.
        pbkdf2(password, "no such user", default_iterations);
        ok = false;
    } else {
        ok = lsv__same_bytes(pbkdf2(password, it->second.salt, it->second.iterations), it->second.key);
    }
    if (ok) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (verified_.size() > 4096)
            verified_.clear();
        verified_.insert(digest);
    }
    return ok;
}

long long server_users::iterations_run()
{
    return g_iterations.load();
}

std::string server_users::hash_line(const std::string &user, const std::string &password, int iterations)
{
    const std::string salt = random_bytes(16);
    const std::string key = pbkdf2(password, salt, iterations);
    return user + ":pbkdf2-sha256:" + std::to_string(iterations) + ":" + bytes(salt).toHex().toStdString() +
           ":" + bytes(key).toHex().toStdString();
}
