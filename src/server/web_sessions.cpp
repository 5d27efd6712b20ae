#include "server/web_sessions.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {

std::string key_of(const std::string &token)
{
    return QCryptographicHash::hash(QByteArray(token.data(), static_cast<qsizetype>(token.size())),
                                    QCryptographicHash::Sha256)
        .toStdString();
}

bool is_token(const std::string &t)
{
    if (t.size() != 64)
        return false;
    for (char c : t)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

web_sessions::web_sessions(std::size_t capacity, std::chrono::seconds idle, std::chrono::seconds lifetime)
    : capacity_(capacity ? capacity : 1), idle_(idle), lifetime_(lifetime)
{
}

void web_sessions::drop_expired(clock::time_point now)
{
    // The list runs from the latest use to the oldest: the idle ones are
    // at its end.
    while (!order_.empty() && now - order_.back().used >= idle_) {
        by_key_.erase(order_.back().key);
        order_.pop_back();
    }
}

std::string web_sessions::open(const std::string &user, clock::time_point now)
{
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    const std::string token =
        QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex().toStdString();
    std::lock_guard lock(m_);
    drop_expired(now);
    while (order_.size() >= capacity_) {
        by_key_.erase(order_.back().key);
        order_.pop_back();
    }
    order_.push_front(entry{key_of(token), user, now, now});
    by_key_[order_.front().key] = order_.begin();
    return token;
}

std::optional<std::string> web_sessions::user_of(const std::string &token, clock::time_point now)
{
    if (!is_token(token))
        return std::nullopt;
    const std::string key = key_of(token);
    std::lock_guard lock(m_);
    drop_expired(now);
    const auto found = by_key_.find(key);
    if (found == by_key_.end())
        return std::nullopt;
    const auto it = found->second;
    if (now - it->opened >= lifetime_) {
        order_.erase(it);
        by_key_.erase(found);
        return std::nullopt;
    }
    it->used = now;
    order_.splice(order_.begin(), order_, it);
    return it->user;
}

void web_sessions::close(const std::string &token)
{
    if (!is_token(token))
        return;
    const std::string key = key_of(token);
    std::lock_guard lock(m_);
    const auto found = by_key_.find(key);
    if (found == by_key_.end())
        return;
    order_.erase(found->second);
    by_key_.erase(found);
}

std::size_t web_sessions::size()
{
    std::lock_guard lock(m_);
    return order_.size();
}

std::string web_sessions::token_in(const std::string &cookie_field)
{
    // "a=1; vellumo_session=…; b=2": the first of that name counts.
    const std::string want = cookie_name;
    std::size_t at = 0;
    while (at < cookie_field.size()) {
        std::size_t end = cookie_field.find(';', at);
        if (end == std::string::npos)
            end = cookie_field.size();
        std::size_t a = at, b = end;
        while (a < b && (cookie_field[a] == ' ' || cookie_field[a] == '\t'))
            ++a;
        while (b > a && (cookie_field[b - 1] == ' ' || cookie_field[b - 1] == '\t'))
            --b;
        const std::size_t eq = cookie_field.find('=', a);
        if (eq != std::string::npos && eq < b && cookie_field.compare(a, eq - a, want) == 0 && eq - a == want.size()) {
            std::string value = cookie_field.substr(eq + 1, b - eq - 1);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return value;
        }
        at = end + 1;
    }
    return {};
}
