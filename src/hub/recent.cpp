#include "hub/recent.h"

#include <algorithm>

#include "exchange/inout.h"
#include "exchange/server_ops.h"
#include "exchange/servers.h"
#include "hub/opensave.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/settings.h"
#include "platform/file_io.h"

namespace {

constexpr std::u16string_view file_tag = u"file";
constexpr std::u16string_view server_tag = u"server";

void store(const std::vector<recent_label> &list)
{
    std::vector<std::u16string> texts;
    for (const recent_label &r : list)
        texts.push_back(rec__encode(r));
    settings::set(settings::recent_labels, texts);
}

} // namespace

std::u16string rec__encode(const recent_label &r)
{
    if (r.local)
        return std::u16string(file_tag) + u'\t' + r.place;
    return std::u16string(server_tag) + u'\t' + r.place + u'\t' + r.name;
}

std::optional<recent_label> rec__decode(std::u16string_view text)
{
    const std::size_t tab = text.find(u'\t');
    if (tab == std::u16string_view::npos)
        return std::nullopt;
    const std::u16string_view tag = text.substr(0, tab), rest = text.substr(tab + 1);
    recent_label r;
    if (tag == file_tag) {
        r.local = true;
        r.place = rest;
        return r.place.empty() ? std::nullopt : std::optional<recent_label>(r);
    }
    if (tag != server_tag)
        return std::nullopt;
    const std::size_t second = rest.find(u'\t');
    if (second == std::u16string_view::npos)
        return std::nullopt;
    r.local = false;
    r.place = rest.substr(0, second);
    r.name = rest.substr(second + 1);
    if (r.place.empty() || r.name.empty())
        return std::nullopt;
    return r;
}

std::vector<recent_label> rec__list()
{
    std::vector<recent_label> out;
    for (const std::u16string &t : settings::get(settings::recent_labels)) {
        if (static_cast<int>(out.size()) >= REC_MAX)
            break;
        std::optional<recent_label> r = rec__decode(t);
        if (r && std::find(out.begin(), out.end(), *r) == out.end())
            out.push_back(std::move(*r));
    }
    return out;
}

void rec__remember(const label &lab)
{
    if (!lab.store.place || lab.store.place->empty())
        return;
    recent_label r;
    r.local = lab.store.local != 0;
    r.place = *lab.store.place;
    if (!r.local) {
        if (lab.name.empty())
            return;
        r.name = lab.name;
    }
    std::vector<recent_label> list = rec__list();
    list.erase(std::remove(list.begin(), list.end(), r), list.end());
    list.insert(list.begin(), r);
    if (static_cast<int>(list.size()) > REC_MAX)
        list.resize(REC_MAX);
    store(list);
}

void rec__forget(const recent_label &r)
{
    std::vector<recent_label> list = rec__list();
    const std::size_t before = list.size();
    list.erase(std::remove(list.begin(), list.end(), r), list.end());
    if (list.size() != before)
        store(list);
}

void rec__renamed(const std::u16string &server, const std::u16string &old_name, const std::u16string &new_name)
{
    std::vector<recent_label> list = rec__list();
    bool changed = false;
    for (recent_label &r : list)
        if (!r.local && r.place == server && r.name == old_name) {
            r.name = new_name;
            changed = true;
        }
    if (!changed)
        return;
    // The new name may have been on the list already: once, where it is first.
    std::vector<recent_label> once;
    for (recent_label &r : list)
        if (std::find(once.begin(), once.end(), r) == once.end())
            once.push_back(std::move(r));
    store(once);
}

std::u16string rec__caption(const recent_label &r)
{
    if (!r.local)
        return r.name + u"  (" + r.place + u")";
    const std::size_t slash = r.place.find_last_of(u'/');
    if (slash == std::u16string::npos)
        return r.place;
    const std::u16string folder = slash == 0 ? u"/" : r.place.substr(0, slash);
    return r.place.substr(slash + 1) + u"  (" + folder + u")";
}

label_ptr rec__open(const recent_label &r)
{
    if (r.local) {
        if (!plt__file_exists(r.place)) {
            rec__forget(r);
            err__warning(msg::recent_file_gone, r.place.c_str());
            return nullptr;
        }
        return osd__open_file(r.place);
    }
    if (!srv__find(r.place)) {
        // Taken off the server list since: the entry waits for it.
        err__warning(msg::recent_server_unknown, r.place.c_str(), r.name.c_str());
        return nullptr;
    }
    std::u16string user, password;
    if (!srv__get_credentials(r.place, user, password))
        return nullptr; // the password asked for was not given
    bool not_found = false;
    label_ptr lab = ino__load_label(r.place, r.name, user, password, &not_found);
    if (not_found) {
        rec__forget(r);
        err__warning(msg::recent_label_gone, r.name.c_str(), r.place.c_str());
        return nullptr;
    }
    if (lab) {
        lab->store.place = r.place;
        lab->store.local = 0;
    }
    return lab;
}
