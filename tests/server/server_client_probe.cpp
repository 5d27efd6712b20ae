// One of several clients hammering the label server at once, through the
// editor's own client functions.  Exit code 0 when every check held.
//
//   server_client_probe URL own ID ROUNDS     labels of its own: save, load,
//                                             rename there and back, compare
//   server_client_probe URL shared ID ROUNDS  one label saved by everybody:
//                                             every load must be whole
#include <cstdio>
#include <cstdlib>
#include <string>

#include "exchange/inout.h"
#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "platform/network_notice.h"
#include "support/fakes.h"

namespace {

std::u16string u(const std::string &s)
{
    return plt__from_utf8(s);
}

// A label whose every text says who wrote it, so a torn one shows.
label_ptr signed_label(const std::u16string &name, const std::string &signature, int elements)
{
    label_ptr lab = ele__label_new(300, 200);
    lab->name = name;
    lab->desc = u(signature);
    for (int i = 0; i < elements; ++i) {
        element *e = ele__add(lab.get(), i);
        e->type = ELE_TEXT;
        e->x = i;
        e->y = i;
        e->width = 50;
        e->height = 10;
        e->text.text = u(signature + " #" + std::to_string(i));
        e->desc = u(signature);
    }
    return lab;
}

// The signature a loaded label carries, or "" when its parts disagree.
std::string whole_signature(const label *lab)
{
    const std::string sig = plt__to_utf8(lab->desc);
    for (int i = 0; i < lab->qty; ++i)
        if (plt__to_utf8(lab->es[i]->desc) != sig ||
            plt__to_utf8(lab->es[i]->text.text.value_or(u"")) != sig + " #" + std::to_string(i))
            return {};
    return sig;
}

std::string bytes_of(const label *lab)
{
    ino_env env;
    std::string out;
    ino__file_bytes(lab, out, &env.env);
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    const std::u16string url = u(argv[1]);
    const std::string mode = argv[2], id = argv[3];
    const int rounds = std::atoi(argv[4]);
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes(&boxes);
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice(&notice);
    rpd__client_init();
    const std::u16string user = u"probe", password = u"probe";
    int failures = 0;
    auto fail = [&](const std::string &what) {
        std::fprintf(stderr, "probe %s: %s\n", id.c_str(), what.c_str());
        ++failures;
    };
    for (int r = 0; r < rounds && failures < 5; ++r) {
        const std::string sig = "client " + id + " round " + std::to_string(r);
        if (mode == "own") {
            const std::u16string name = u("собственная/" + id + "/../" + id), other = name + u" (переименована)";
            label_ptr lab = signed_label(name, sig, 20 + r % 7);
            if (!ino__save_label(url, lab.get(), user, password))
                fail("save " + sig);
            label_ptr back = ino__load_label(url, name, user, password);
            if (!back || bytes_of(back.get()) != bytes_of(lab.get()))
                fail("load after save " + sig);
            if (!ino__rename_label(nullptr, url, name, other, user, password) ||
                !ino__rename_label(nullptr, url, other, name, user, password))
                fail("rename there and back " + sig);
            back = ino__load_label(url, name, user, password);
            if (!back || bytes_of(back.get()) != bytes_of(lab.get()))
                fail("load after renames " + sig);
        } else {
            label_ptr lab = signed_label(u"общая", sig, 30);
            if (!ino__save_label(url, lab.get(), user, password))
                fail("save " + sig);
            label_ptr back = ino__load_label(url, u"общая", user, password);
            if (!back || whole_signature(back.get()).empty())
                fail("torn or missing shared label in " + sig);
        }
    }
    for (const message_box_request &b : boxes.shown)
        std::fprintf(stderr, "probe %s box: %s\n", id.c_str(), plt__to_utf8(b.text).c_str());
    rpd__client_term();
    return failures == 0 ? 0 : 1;
}
