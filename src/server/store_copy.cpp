#include "server/store_copy.h"

#include <sys/stat.h>

#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "platform/translation.h"
#include "server/log.h"
#include "server/pg_store.h"

bool lsv__copy_labels(server_store &from, server_store &to, copy_counts &counts, std::string &error,
                      std::FILE *out)
{
    c_numeric_scope c_locale;
    std::vector<stored_label> labels;
    if (from.list(labels, error) != server_store::result::ok)
        return false;
    // Files that do not read are not listed, but they are labels left out.
    for (const std::string &line : from.unlisted()) {
        ++counts.unreadable;
        std::fprintf(out, pl__tr_printf(VL_TR8("vellumo", "не прочитан %s\n")).c_str(), line.c_str());
    }
    for (const stored_label &l : labels) {
        const std::string shown = "«" + lsv__client_text(l.name) + "»";
        server_store::result r;
        std::string why;
        ino_env env;
        xmlrpc_value_ptr value(from.load(&env.env, l.name, r, why));
        if (!value && r == server_store::result::io_error) {
            error = why;
            return false;
        }
        label_ptr lab;
        if (value) {
            ino_env conv;
            cr_protected_scope cr;
            lab = ino__value_to_label(&conv.env, value.get(), false);
        }
        value.reset();
        if (!lab) {
            ++counts.unreadable;
            const std::string gone = pl__tr8(VL_TR8("vellumo", ": удалена во время копирования"));
            std::fprintf(out, pl__tr_printf(VL_TR8("vellumo", "не прочитана %s%s\n")).c_str(), shown.c_str(),
                         r == server_store::result::not_found ? gone.c_str()
                         : why.empty()                        ? ""
                                                              : (": " + why).c_str());
            continue;
        }
        switch (to.add(lab.get(), why)) {
        case server_store::result::ok: ++counts.copied; break;
        case server_store::result::exists:
            ++counts.existed;
            std::fprintf(out, pl__tr_printf(VL_TR8("vellumo", "уже есть, не заменена: %s\n")).c_str(), shown.c_str());
            break;
        case server_store::result::io_error: error = why; return false;
        default:
            ++counts.unreadable;
            std::fprintf(out, pl__tr_printf(VL_TR8("vellumo", "не принята %s: %s\n")).c_str(), shown.c_str(), why.c_str());
            break;
        }
    }
    return true;
}

int lsv__copy_command(const std::string &store, const std::string &import_from, const std::string &export_to,
                      std::size_t cache_bytes)
{
    if (!import_from.empty() && !export_to.empty()) {
        std::fprintf(stderr, "vellumo-server: %s\n", pl__tr8(VL_TR8("vellumo", "--import и --export не задаются вместе")).c_str());
        return 2;
    }
    if (!lsv__is_database_store(store)) {
        std::fprintf(stderr, "vellumo-server: %s\n",
                     pl__tr8(VL_TR8("vellumo", "для --import и --export нужна база данных: --store postgresql://…")).c_str());
        return 2;
    }
    const std::string &folder = import_from.empty() ? export_to : import_from;
    struct stat st;
    if (!import_from.empty() && (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        std::fprintf(stderr, pl__tr_printf(VL_TR8("vellumo", "vellumo-server: папки этикеток %s нет\n")).c_str(), folder.c_str());
        return 1;
    }
    std::string error;
    pg_store database(store, cache_bytes);
    if (!database.open(error)) {
        std::fprintf(stderr, pl__tr_printf(VL_TR8("vellumo", "vellumo-server: база данных этикеток: %s\n")).c_str(), error.c_str());
        return 1;
    }
    folder_store files(folder, cache_bytes);
    if (!files.usable(error)) {
        std::fprintf(stderr, pl__tr_printf(VL_TR8("vellumo", "vellumo-server: папка этикеток %s: %s\n")).c_str(), folder.c_str(), error.c_str());
        return 1;
    }
    copy_counts counts;
    const bool done = import_from.empty() ? lsv__copy_labels(database, files, counts, error, stdout)
                                          : lsv__copy_labels(files, database, counts, error, stdout);
    std::printf(pl__tr_printf(VL_TR8("vellumo", "скопировано этикеток: %d\nуже были и не заменены: %d\nне прочитаны или не приняты: %d\n"))
                    .c_str(),
                counts.copied, counts.existed, counts.unreadable);
    std::fflush(stdout);
    if (!done) {
        std::fprintf(stderr, pl__tr_printf(VL_TR8("vellumo", "vellumo-server: копирование прервано: %s\n")).c_str(), error.c_str());
        return 1;
    }
    return counts.existed || counts.unreadable ? 1 : 0;
}
