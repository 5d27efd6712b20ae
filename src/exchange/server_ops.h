// The label-server operations.  Each runs one call under the network notice
// and shows its own messages; callers get plain results.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <xmlrpc-c/base.h>

#include "exchange/preview_var.h"
#include "model/element.h"
#include "model/messages.h"
#include "platform/network_notice.h"

inline constexpr const char16_t *INO_NOT_SPEC = msg::not_specified;

// One label stored on a server.
struct label_list {
    std::u16string name;
    std::u16string desc;
};

struct server_information {
    std::u16string name;
    std::u16string version;
    std::u16string api; // decimal text
    std::vector<std::u16string> features;
};

// In the reverse order of the server's answer; nothing after a failure.
std::optional<std::vector<label_list>> ino__list_labels(platform_window parent,
                                                        const std::u16string &server,
                                                        const std::u16string &user,
                                                        const std::u16string &password);
// With `not_found`, a server that answers it has no label of that name
// (fault 1) shows no box: *not_found is set and the caller says it.
label_ptr ino__load_label(const std::u16string &server, const std::u16string &name,
                          const std::u16string &user, const std::u16string &password,
                          bool *not_found = nullptr);
// The label server's fault for a name it does not hold.
inline constexpr int INO_FAULT_NOT_FOUND = 1;
int ino__save_label(const std::u16string &server, const label *lab, const std::u16string &user,
                    const std::u16string &password);
int ino__drop_label(platform_window parent, const std::u16string &server,
                    const std::u16string &name, const std::u16string &user,
                    const std::u16string &password);
int ino__rename_label(platform_window parent, const std::u16string &server,
                      const std::u16string &old_name, const std::u16string &new_name,
                      const std::u16string &user, const std::u16string &password);
// 1 with every output set, 0 with none.
int ino__server_info(const std::u16string &server, const std::u16string &user,
                     const std::u16string &password, server_information &out);
std::optional<std::vector<std::u16string>> ino__list_fonts(const std::u16string &server,
                                                           const std::u16string &user,
                                                           const std::u16string &password);
// 1 with the JPEG bytes and the log set, 0 with neither.
int ino__render_label(const std::u16string &server, const std::u16string &name,
                      const std::vector<preview_var> &variables, int xresolution, int yresolution,
                      bool markup, const std::u16string &user, const std::u16string &password,
                      std::vector<unsigned char> &image, std::u16string &log);

// Reading the answers of the calls above, each with its own messages: the
// fault box for a missing or mistyped member, "Ошибка загрузки этикетки!"
// for a label refused without a fault.
std::optional<std::vector<label_list>> ino__read_label_list(xmlrpc_value *answer);
label_ptr ino__read_loaded_label(xmlrpc_value *answer);
std::optional<server_information> ino__read_server_info(xmlrpc_value *answer);
std::optional<std::vector<std::u16string>> ino__read_font_list(xmlrpc_value *answer);
int ino__read_render(xmlrpc_value *answer, std::vector<unsigned char> &image, std::u16string &log);
