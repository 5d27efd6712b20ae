// The configured label servers: the process-wide list, its persistence
// ("server-list", "default-server"), the user names and passwords (kept in
// memory only) and the prompt that asks for them.
#pragma once

#include <list>
#include <optional>
#include <string>

#include "platform/network_notice.h"
#include "platform/seam.h"
#include "platform/translation.h"

struct server_list {
    std::u16string address; // the URL, compared exactly
    std::u16string description;
    std::optional<std::u16string> username;
    std::optional<std::u16string> password; // never written anywhere
    // Bookkeeping of the server list dialog.
    enum mark { clean = 0, superseded = 1, added = 2, deleted = 3 };
    int edit_mark = clean;
};

// The list in list order.  Records stay where they are while they live, so
// pointers to them are stable.
std::list<server_list> &srv__list();

// A record that lookups and list views see (clean or added).
bool srv__live(const server_list &s);

// The label server of this machine (vellumo-server's default address); a
// first run, with no list stored at all, starts with it in the list.
inline constexpr const char16_t *SRV_LOCAL_ADDRESS = u"http://127.0.0.1:8390/RPC2";
inline constexpr const char16_t *SRV_LOCAL_DESCRIPTION = VL_TR("vellumo", "Локальный сервер Vellumo");

void srv__load_list();
// The list to "server-list" and "default-server" (when one was read); 1 when
// written.
int srv__save_list();
void srv__shutdown();
// The stored form: three strings per server, "\t" for an empty description
// or user name.  A group cut short at the end is dropped.
std::vector<std::u16string> srv__stored_form(const std::list<server_list> &servers);
std::list<server_list> srv__from_stored(const std::vector<std::u16string> &stored);

server_list *srv__find(const std::u16string &address);

// The credentials of a server, asking once per server and run.  False when
// the address is not configured or the user cancelled the prompt.
bool srv__get_credentials(const std::u16string &address, std::u16string &user, std::u16string &password);
bool srv__get_credentials_for(platform_window owner, const std::u16string &address, std::u16string &user,
                              std::u16string &password);
// Replaces whichever of the two values is given; nothing for an address
// not in the list.
void srv__set_credentials(const std::u16string &address, const std::optional<std::u16string> &password,
                          const std::optional<std::u16string> &username);
// Forgets the password of the first live record with this address.
void srv__forget_password(const std::u16string &address);

// The prompt "Авторизация": on OK it stores what was typed with
// srv__set_credentials.  True when confirmed.
class credential_prompt_service {
public:
    virtual ~credential_prompt_service() = default;
    virtual bool ask(platform_window owner, const std::u16string &address) = 0;
};

// The service in use; with none installed the prompt is cancelled.
template <>
credential_prompt_service &seam<credential_prompt_service>::fallback();
