// Where the label server keeps its labels.  server_store is what the
// methods see; two stores answer it alike: the folder store below and the
// database store (pg_store.h).
//
// The folder store: one .lbl file per label in one folder, the
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
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <xmlrpc-c/base.h>

#include "model/element.h"
#include "server/label_cache.h"

struct stored_label {
    std::u16string name;
    std::u16string desc;
    long long modified_ms = 0; // when it was last saved, ms since 1970 (UTC); 0 when not known
};

// The order of labels.list_labels in every store: by name, code point by
// code point (not by the locale's collation, not by UTF-16 units).
bool lsv__name_before(const std::u16string &a, const std::u16string &b);
void lsv__sort_by_name(std::vector<stored_label> &labels);

// The bytes a store keeps for a label: the editor's .lbl file.  False with
// a reason when they cannot be made or would be more than a store reads
// back.
bool lsv__label_file_bytes(const label *lab, std::string &bytes, std::string &error);

// A stored label's bytes read back: its struct as the methods answer it (a
// new reference) and the label in `lab`, or null with the fault in `env`.
// `bytes` is emptied as soon as the parser no longer needs it.
xmlrpc_value *lsv__label_from_file_bytes(std::string &bytes, xmlrpc_env *env, label_ptr &lab);

// What a parsed label held in a cache costs: its file's bytes and the
// library's own share of every value.
std::size_t lsv__cache_cost(xmlrpc_value *value, std::size_t file_bytes);

class server_store {
public:
    enum class result { ok, not_found, exists, empty_name, bad_label, io_error };

    virtual ~server_store() = default;
    // The folder or the database, for the log.
    virtual std::string where() const = 0;
    // Work before the first call and after the last (indexing, connections).
    virtual void start() {}
    virtual void stop() {}

    // Every stored label in lsv__name_before order; io_error with a reason
    // when the store cannot be read now.
    virtual result list(std::vector<stored_label> &out, std::string &error) = 0;
    // What the store holds but cannot list as a label (a file that no
    // longer reads, one not in its own name's place): a line each saying
    // which and why, for a copy that must not leave them out unsaid.
    virtual std::vector<std::string> unlisted() { return {}; }
    // The label struct of a stored label (a new reference), or null with r
    // (bad_label: stored but unreadable; io_error: the store failed, error
    // says why).
    virtual xmlrpc_value *load(xmlrpc_env *env, const std::u16string &name, result &r, std::string &error) = 0;
    // Stores the label under its own name (the label struct's "name").
    virtual result save(const label *lab, std::string &error) = 0;
    // Like save, but only under a name not taken yet (exists otherwise).
    virtual result add(const label *lab, std::string &error) = 0;
    virtual result drop(const std::u16string &name, std::string &error) = 0;
    virtual result rename(const std::u16string &old_name, const std::u16string &new_name, std::string &error) = 0;
};

// The store named by --store: a PostgreSQL connection string
// ("postgresql://…", "postgres://…" or "key=value …" naming a libpq
// setting) or a folder.
bool lsv__is_database_store(const std::string &spec);
// The store for --store (a folder store or a database store); null with a
// reason when it cannot be used.
std::unique_ptr<server_store> lsv__open_store(const std::string &spec, std::size_t cache_bytes, std::string &error);

class folder_store final : public server_store {
public:
    // Creates the folder when it is missing and opens it.
    explicit folder_store(std::string folder, std::size_t cache_bytes = 64u << 20);
    ~folder_store() override;
    folder_store(const folder_store &) = delete;
    folder_store &operator=(const folder_store &) = delete;
    const std::string &folder() const { return folder_; }
    // False with a reason when the folder cannot be made, opened or written.
    bool usable(std::string &error) const;

    std::string where() const override { return folder_; }
    // Removes stale temporaries (logged), then indexes in the background.
    void start() override;
    void stop() override { stop_index(); }

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
    result list(std::vector<stored_label> &out, std::string &error) override;
    std::vector<std::string> unlisted() override;
    // The label struct of a stored label (a new reference), or null.
    xmlrpc_value *load(xmlrpc_env *env, const std::u16string &name, result &r);
    xmlrpc_value *load(xmlrpc_env *env, const std::u16string &name, result &r, std::string &error) override;
    result save(const label *lab, std::string &error) override { return put(lab, error, true); }
    result add(const label *lab, std::string &error) override { return put(lab, error, false); }
    // Drops the label; a file in the name's place that no longer reads is
    // dropped too.
    result drop(const std::u16string &name);
    result drop(const std::u16string &name, std::string &error) override;
    result rename(const std::u16string &old_name, const std::u16string &new_name, std::string &error) override;

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
    enum class kind { missing, regular, link, other };

    std::string base_for(const std::u16string &name) const;
    kind stat_at(const std::string &base, file_stamp &stamp) const;
    // The index entry of a file, read again when the file changed.  No lock
    // is held while it parses.
    bool head_of(const std::string &base, index_entry &out);
    // Parses a file into a label struct (a new reference) and its stamp.
    xmlrpc_value *parse_file(const std::string &base, xmlrpc_env *env, file_stamp &stamp, label_ptr *lab);
    result put(const label *lab, std::string &error, bool replace);
    bool write_temporary(const std::string &bytes, const std::string &base, std::string &tmp, std::string &error);
    void note_link(const std::string &base);
    void refresh_index();
    void fsync_folder();

    std::string folder_;
    int dir_fd_ = -1;

    std::mutex mutex_; // index, cache and every change of the folder
    std::map<std::string, index_entry> index_;
    label_cache<file_stamp> cache_; // by the file's base name
    std::set<std::string> links_logged_;

    std::mutex refresh_mutex_; // one scan of the folder at a time
    std::thread indexer_;
    std::atomic<bool> stop_{false};
};
