// The label server's store: one .lbl file per label in one folder, the
// same files the editor writes.  Any name maps to exactly one file inside
// the folder (a readable part, then the SHA-256 of the name); every write
// goes to a temporary file, is synced and renamed over the old one.
//
// Files are opened relative to the folder's descriptor and never through a
// symbolic link: a link in the folder is not a label (it is logged and left
// alone, and a save puts a plain file in its place).
//
// Listing reads an index of names and descriptions, built from the folder
// when the server starts and kept up to date by every write (a file changed
// behind the store's back is read again when it is next listed).  Parsed
// labels are kept in a cache bounded by bytes, the least recently used
// leaving first.  No file is parsed while the store's lock is held.
#pragma once

#include <atomic>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <xmlrpc-c/base.h>

#include "model/element.h"

struct stored_label {
    std::u16string name;
    std::u16string desc;
};

class server_store {
public:
    enum class result { ok, not_found, exists, empty_name, bad_label, io_error };

    // Creates the folder when it is missing and opens it.
    explicit server_store(std::string folder, std::size_t cache_bytes = 64u << 20);
    ~server_store();
    server_store(const server_store &) = delete;
    server_store &operator=(const server_store &) = delete;
    const std::string &folder() const { return folder_; }
    // False with a reason when the folder cannot be made, opened or written.
    bool usable(std::string &error) const;

    // Removes the temporary files an interrupted save left in the folder
    // (only names of the store's own pattern, only plain files); how many.
    int remove_stale_temporaries();
    // Builds the index in the background; stop_index() waits for it.
    void start_index();
    void stop_index();

    // The file a name is kept in (a path inside the folder).
    std::string file_for(const std::u16string &name) const;

    // Every stored label, sorted by name.
    std::vector<stored_label> list();
    // The label struct of a stored label (a new reference), or null.
    xmlrpc_value *load(xmlrpc_env *env, const std::u16string &name, result &r);
    // Stores the label under its own name (the label struct's "name").
    result save(const label *lab, std::string &error);
    // Drops the label; a file in the name's place that no longer reads is
    // dropped too.
    result drop(const std::u16string &name);
    result rename(const std::u16string &old_name, const std::u16string &new_name, std::string &error);

    // Bytes the cache holds now (for tests).
    std::size_t cache_bytes_in_use();

private:
    // The identity of a file's contents.
    struct file_stamp {
        unsigned long long ino = 0;
        long long mtime_ns = 0;
        long long size = -1;
        bool operator==(const file_stamp &) const = default;
    };
    struct index_entry {
        file_stamp stamp;
        bool readable = false; // parsed as a label
        stored_label head;
    };
    struct cache_entry {
        std::string file;
        file_stamp stamp;
        xmlrpc_value *value = nullptr;
        std::size_t bytes = 0;
    };
    enum class kind { missing, regular, link, other };

    std::string base_for(const std::u16string &name) const;
    kind stat_at(const std::string &base, file_stamp &stamp) const;
    // The index entry of a file, read again when the file changed.  No lock
    // is held while it parses.
    bool head_of(const std::string &base, index_entry &out);
    // Parses a file into a label struct (a new reference) and its stamp.
    xmlrpc_value *parse_file(const std::string &base, xmlrpc_env *env, file_stamp &stamp, label_ptr *lab);
    // The file's bytes; false with a reason when they cannot be made or
    // would be more than the store reads back.
    static bool file_bytes(const label *lab, std::string &bytes, std::string &error);
    bool write_temporary(const std::string &bytes, const std::string &base, std::string &tmp, std::string &error);
    void forget_cached(const std::string &base);
    void cache_put(const std::string &base, const file_stamp &stamp, xmlrpc_value *value);
    void note_link(const std::string &base);
    void refresh_index();
    void fsync_folder();

    std::string folder_;
    int dir_fd_ = -1;
    std::size_t cache_limit_;

    std::mutex mutex_; // index, cache and every change of the folder
    std::map<std::string, index_entry> index_;
    std::list<cache_entry> cache_; // most recently used first
    std::map<std::string, std::list<cache_entry>::iterator> cache_at_;
    std::size_t cache_bytes_ = 0;
    std::set<std::string> links_logged_;

    std::mutex refresh_mutex_; // one scan of the folder at a time
    std::thread indexer_;
    std::atomic<bool> stop_{false};
};
