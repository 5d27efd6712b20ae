#include "hub/opensave.h"

#include "exchange/inout.h"
#include "exchange/server_ops.h"
#include "exchange/servers.h"
#include "model/settings.h"

namespace {

class no_dialog final : public open_save_service {
public:
    int run(platform_window, osd_res &) override { return 0; }
};

} // namespace

template <>
open_save_service &seam<open_save_service>::fallback()
{
    static no_dialog none;
    return none;
}

int osd__run_dialog(platform_window owner, bool open, osd_res &res)
{
    res.open = open;
    if (res.folder.empty())
        res.folder = settings::get(settings::last_folder).value_or(u"");
    const int rc = seam<open_save_service>::get().run(owner, res);
    if (rc && !res.network && !res.name.empty()) {
        const std::size_t slash = res.name.find_last_of(u'/');
        if (slash != std::u16string::npos)
            settings::set(settings::last_folder, slash == 0 ? u"/" : res.name.substr(0, slash));
    }
    return rc;
}

std::u16string osd__file_name_for(const label &lab)
{
    std::u16string n = lab.name;
    if (lab.store.local && lab.store.place) {
        // A file's label offers its own file name.
        const std::size_t slash = lab.store.place->find_last_of(u'/');
        n = slash == std::u16string::npos ? *lab.store.place : lab.store.place->substr(slash + 1);
    }
    for (char16_t &c : n)
        if (c == u'/' || c < 0x20)
            c = u'_';
    if (n == u"." || n == u"..")
        n.clear();
    return n;
}

bool osd__save(platform_window owner, label *lab, bool save_as, bool network_only)
{
    if (lab->store.place && !save_as) {
        if (lab->store.local)
            return ino__save_file(*lab->store.place, lab) == 1;
        std::u16string user, password;
        if (!srv__get_credentials(*lab->store.place, user, password))
            return false;
        return ino__save_label(*lab->store.place, lab, user, password) == 1;
    }
    osd_res res;
    res.network_only = network_only;
    res.buf = osd__file_name_for(*lab);
    if (!osd__run_dialog(owner, false, res) || res.name.empty())
        return false;
    if (res.network) {
        if (res.server.empty())
            return false;
        if (lab->name.empty() || lab->name != res.name)
            lab->name = res.name;
        lab->store.place = res.server;
        lab->store.local = 0;
        std::u16string user, password;
        if (!srv__get_credentials(res.server, user, password))
            return false;
        return ino__save_label(res.server, lab, user, password) == 1;
    }
    const std::size_t ofs = static_cast<std::size_t>(std::max(0, res.file_ofs));
    lab->name = ofs < res.name.size() ? res.name.substr(ofs) : res.name;
    lab->store.place = res.name;
    lab->store.local = 1;
    return ino__save_file(res.name, lab) == 1;
}

label_ptr osd__open(platform_window owner)
{
    osd_res res;
    if (!osd__run_dialog(owner, true, res) || res.name.empty())
        return nullptr;
    label_ptr lab;
    if (res.network) {
        std::u16string user, password;
        if (res.server.empty() || !srv__get_credentials(res.server, user, password))
            return nullptr;
        lab = ino__load_label(res.server, res.name, user, password);
        if (lab) {
            lab->store.place = res.server;
            lab->store.local = 0;
        }
    } else {
        lab = osd__open_file(res.name);
    }
    return lab;
}

label_ptr osd__open_file(const std::u16string &path)
{
    label_ptr lab = ino__load_file(path);
    if (lab) {
        lab->store.place = path;
        lab->store.local = 1;
    }
    return lab;
}

bool osd_store::save(label *lab, bool save_as, bool network_only)
{
    return osd__save(owner_, lab, save_as, network_only);
}

label_ptr osd_store::open()
{
    return osd__open(owner_);
}
