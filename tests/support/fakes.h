// Scripted fakes of the program's seams: each records what the program
// asked and answers as the test says.  Installed with scoped_seam.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "exchange/servers.h"
#include "hub/opensave.h"
#include "platform/colour_choice.h"
#include "platform/file_choice.h"
#include "platform/message_boxes.h"
#include "platform/network_notice.h"
#include "platform/seam.h"
#include "platform/url_opener.h"

// Records every box and answers from a queue; with the queue empty it gives
// the default answer, as the console does.
class scripted_message_boxes final : public message_box_service {
public:
    mb_answer show(const message_box_request &req) override
    {
        shown.push_back(req);
        if (answers.empty())
            return mb_default_answer(req.buttons);
        mb_answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<message_box_request> shown;
    std::deque<mb_answer> answers;
};

// Answers the file dialog with the scripted results (cancelled when none).
class scripted_file_choice final : public file_choice_service {
public:
    file_choice_result choose(const file_choice_request &req) override
    {
        asked.push_back(req);
        if (results.empty())
            return {};
        file_choice_result r = std::move(results.front());
        results.pop_front();
        return r;
    }
    std::vector<file_choice_request> asked;
    std::deque<file_choice_result> results;
};

// Answers the colour dialog; can change one custom colour as a user would.
class scripted_colour_choice final : public colour_choice_service {
public:
    std::optional<std::uint32_t> choose(void *, std::uint32_t initial, custom_colours &customs) override
    {
        asked.push_back(initial);
        seen_customs.push_back(customs);
        if (set_custom)
            customs[static_cast<std::size_t>(set_custom->first)] = set_custom->second;
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<std::uint32_t> asked;
    std::vector<custom_colours> seen_customs;
    std::deque<std::optional<std::uint32_t>> answers;
    std::optional<std::pair<int, std::uint32_t>> set_custom; // the user edits one custom colour
};

// Records the addresses it was asked to open.
class scripted_url_opener final : public url_opener_service {
public:
    bool open(const std::u16string &url) override
    {
        opened.push_back(url);
        return found;
    }
    std::vector<std::u16string> opened;
    bool found = true; // false: as with no web browser to open it in
};

// Counts the notices and can press "Отмена" at once.
class scripted_network_notice final : public network_notice_service {
public:
    void run(platform_window parent, network_call &call) override
    {
        ++shown;
        parents.push_back(parent);
        call.start();
        if (cancel_immediately)
            call.cancel();
        call.wait();
    }
    int shown = 0;
    bool cancel_immediately = false;
    std::vector<platform_window> parents;
};

// Records the requests and answers with scripted results.
class scripted_open_save final : public open_save_service {
public:
    int run(platform_window, osd_res &res) override
    {
        asked.push_back(res);
        if (results.empty())
            return 0;
        std::optional<osd_res> r = std::move(results.front());
        results.pop_front();
        if (!r)
            return 0;
        res.network = r->network;
        res.name = r->name;
        res.server = r->server;
        res.buf = r->buf;
        res.file_ofs = r->file_ofs;
        return 1;
    }
    std::vector<osd_res> asked;
    // A result to copy into the record (network, name, server, buf,
    // file_ofs), or nothing for a cancel.
    std::deque<std::optional<osd_res>> results;
};

// Answers with the scripted user and password (OK) or cancels.
class scripted_credential_prompt final : public credential_prompt_service {
public:
    bool ask(platform_window owner, const std::u16string &address) override
    {
        ++asked;
        owners.push_back(owner);
        if (cancel)
            return false;
        srv__set_credentials(address, password, user);
        return true;
    }
    int asked = 0;
    std::u16string user = u"user", password = u"secret";
    bool cancel = false;
    std::vector<platform_window> owners;
};
