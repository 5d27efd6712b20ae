// Parsed labels kept by a store, bounded by bytes: the least recently used
// leave first, and a label costing more than the whole bound is not kept.
// Each entry carries the stamp its label was read at (the folder store's
// file identity, the database store's generation): a lookup with another
// stamp finds nothing.  The cache holds one reference to each value.  It
// has no lock of its own: the store's lock guards it.
#pragma once

#include <cstddef>
#include <list>
#include <map>
#include <string>

#include <xmlrpc-c/base.h>

template <typename Stamp>
class label_cache {
public:
    explicit label_cache(std::size_t limit) : limit_(limit) {}
    ~label_cache()
    {
        for (entry &e : entries_)
            xmlrpc_DECREF(e.value);
    }
    label_cache(const label_cache &) = delete;
    label_cache &operator=(const label_cache &) = delete;

    // The stamp of the label kept under `key`, or null.
    const Stamp *stamp(const std::string &key) const
    {
        auto it = at_.find(key);
        return it == at_.end() ? nullptr : &it->second->stamp;
    }

    // The label kept under `key` at `stamp` (a new reference), now the most
    // recently used; null when there is none at that stamp.
    xmlrpc_value *take(const std::string &key, const Stamp &stamp)
    {
        auto it = at_.find(key);
        if (it == at_.end() || !(it->second->stamp == stamp))
            return nullptr;
        entries_.splice(entries_.begin(), entries_, it->second);
        xmlrpc_INCREF(it->second->value);
        return it->second->value;
    }

    // Keeps `value` (a reference of its own) under `key` in place of what
    // was there, costing `bytes`; the least recently used leave while the
    // cache holds more than its bound.
    void put(const std::string &key, const Stamp &stamp, xmlrpc_value *value, std::size_t bytes)
    {
        forget(key);
        if (bytes > limit_)
            return;
        xmlrpc_INCREF(value);
        entries_.push_front({key, stamp, value, bytes});
        at_[key] = entries_.begin();
        bytes_ += bytes;
        while (bytes_ > limit_ && !entries_.empty()) {
            entry &last = entries_.back();
            bytes_ -= last.bytes;
            xmlrpc_DECREF(last.value);
            at_.erase(last.key);
            entries_.pop_back();
        }
    }

    void forget(const std::string &key)
    {
        auto it = at_.find(key);
        if (it == at_.end())
            return;
        bytes_ -= it->second->bytes;
        xmlrpc_DECREF(it->second->value);
        entries_.erase(it->second);
        at_.erase(it);
    }

    std::size_t bytes_in_use() const { return bytes_; }

private:
    struct entry {
        std::string key;
        Stamp stamp;
        xmlrpc_value *value = nullptr;
        std::size_t bytes = 0;
    };

    std::size_t limit_;
    std::list<entry> entries_; // most recently used first
    std::map<std::string, typename std::list<entry>::iterator> at_;
    std::size_t bytes_ = 0;
};
