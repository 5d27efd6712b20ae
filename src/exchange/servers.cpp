#include "exchange/servers.h"

#include "model/settings.h"
#include "platform/translation.h"

namespace {

struct server_state {
    std::list<server_list> servers;
    std::optional<std::u16string> default_server;
};

server_state &state()
{
    static server_state s;
    return s;
}

class no_prompt final : public credential_prompt_service {
public:
    bool ask(platform_window, const std::u16string &) override { return false; }
};

const std::u16string tab = u"\t";

std::u16string stored_or_tab(const std::u16string &s)
{
    return s.empty() ? tab : s;
}

std::u16string from_stored(const std::u16string &s)
{
    return s == tab ? std::u16string() : s;
}

} // namespace

std::list<server_list> &srv__list()
{
    return state().servers;
}

bool srv__live(const server_list &s)
{
    return s.edit_mark == server_list::clean || s.edit_mark == server_list::added;
}

std::vector<std::u16string> srv__stored_form(const std::list<server_list> &servers)
{
    std::vector<std::u16string> out;
    for (const server_list &s : servers) {
        out.push_back(s.address);
        out.push_back(stored_or_tab(s.description));
        out.push_back(stored_or_tab(s.username.value_or(u"")));
    }
    return out;
}

std::list<server_list> srv__from_stored(const std::vector<std::u16string> &stored)
{
    std::list<server_list> out;
    // Groups of three until an empty string ends the value; a group cut
    // short is dropped.
    for (std::size_t i = 0; i + 2 < stored.size(); i += 3) {
        if (stored[i].empty() || stored[i + 1].empty() || stored[i + 2].empty())
            break;
        server_list s;
        s.address = stored[i];
        s.description = from_stored(stored[i + 1]);
        s.username = from_stored(stored[i + 2]);
        out.push_back(std::move(s));
    }
    return out;
}

void srv__load_list()
{
    server_state &s = state();
    if (std::optional<std::vector<std::u16string>> stored = settings::find(settings::server_list)) {
        s.servers = srv__from_stored(*stored);
    } else {
        s.servers.clear();
        server_list local;
        local.address = SRV_LOCAL_ADDRESS;
        local.description = pl__tr(SRV_LOCAL_DESCRIPTION);
        s.servers.push_back(std::move(local));
    }
    s.default_server = settings::get(settings::default_server);
}

int srv__save_list()
{
    server_state &s = state();
    int ok = settings::set(settings::server_list, srv__stored_form(s.servers));
    if (ok && s.default_server)
        ok = settings::set(settings::default_server, *s.default_server);
    return ok;
}

void srv__shutdown()
{
    srv__save_list();
    state().servers.clear();
    state().default_server.reset();
}

server_list *srv__find(const std::u16string &address)
{
    for (server_list &s : state().servers)
        if (srv__live(s) && s.address == address)
            return &s;
    return nullptr;
}

bool srv__get_credentials_for(platform_window owner, const std::u16string &address, std::u16string &user,
                              std::u16string &password)
{
    server_list *s = srv__find(address);
    if (!s)
        return false;
    if (!(s->username && s->password)) {
        if (!seam<credential_prompt_service>::get().ask(owner, address))
            return false;
        s = srv__find(address);
        if (!s || !(s->username && s->password))
            return false;
    }
    user = *s->username;
    password = *s->password;
    return true;
}

bool srv__get_credentials(const std::u16string &address, std::u16string &user, std::u16string &password)
{
    return srv__get_credentials_for(nullptr, address, user, password);
}

void srv__set_credentials(const std::u16string &address, const std::optional<std::u16string> &password,
                          const std::optional<std::u16string> &username)
{
    server_list *s = srv__find(address);
    if (!s)
        return;
    if (password)
        s->password = *password;
    if (username)
        s->username = *username;
}

void srv__forget_password(const std::u16string &address)
{
    if (server_list *s = srv__find(address))
        s->password.reset();
}

template <>
credential_prompt_service &seam<credential_prompt_service>::fallback()
{
    static no_prompt none;
    return none;
}
