// The label server's store: one .lbl file per label in one folder, the
// same files the editor writes.  Any name maps to exactly one file inside
// the folder (a readable part, then the SHA-256 of the name); every write
// is atomic (temporary file, fsync, rename) under the store's lock.
#pragma once

#include <map>
#include <mutex>
#include <string>
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

    // Creates the folder when it is missing.
    explicit server_store(std::string folder);
    ~server_store();
    server_store(const server_store &) = delete;
    server_store &operator=(const server_store &) = delete;
    const std::string &folder() const { return folder_; }
    // False with a reason when the folder cannot be made or written.
    bool usable(std::string &error) const;

    // The file a name is kept in (a path inside the folder).
    std::string file_for(const std::u16string &name) const;

    // Every stored label, sorted by name.
    std::vector<stored_label> list();
    // The label struct of a stored label (a new reference), or null.
    xmlrpc_value *load(xmlrpc_env *env, const std::u16string &name, result &r);
    // Stores the label under its own name (the label struct's "name").
    result save(const label *lab, std::string &error);
    result drop(const std::u16string &name);
    result rename(const std::u16string &old_name, const std::u16string &new_name, std::string &error);

private:
    struct cached {
        long long mtime_ns = 0;
        long long size = 0;
        stored_label head;
        xmlrpc_value *value = nullptr; // the label struct, rebuilt by the writer
    };
    // The parsed file, cached by its modification time and size.
    const cached *read_file(const std::string &path, xmlrpc_env *env);
    void forget(const std::string &path);
    bool write_file(const std::string &path, const label *lab, std::string &error);

    std::string folder_;
    std::mutex mutex_;
    std::map<std::string, cached> cache_;
};
