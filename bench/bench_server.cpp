// Median latency of the two calls a user waits for most: listing 1,000
// labels and loading a label of 2,000 elements, against a label server on
// the loopback interface.  The figure to compare with is the same call's
// bare library round trip (serialise, HTTP, parse), measured in the same run.
#include <cstdio>
#include <string>

#include <xmlrpc-c/client.h>

#include "bench_common.h"
#include "exchange/inout.h"
#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/label_server.h"

int main()
{
    rpd__client_init();
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use(&boxes);
    label_server server;

    xmlrpc_env env;
    xmlrpc_env_init(&env);
    xmlrpc_value *list = xmlrpc_array_new(&env);
    for (int i = 0; i < 1000; ++i) {
        std::string n = "Этикетка " + std::to_string(i);
        xmlrpc_value *it = xmlrpc_build_value(&env, "{s:s,s:s}", "name", n.c_str(), "desc", "Описание этикетки");
        xmlrpc_array_append_item(&env, list, it);
        xmlrpc_DECREF(it);
    }
    server.answer("labels.list_labels", [list](xmlrpc_env *, xmlrpc_value *) {
        xmlrpc_INCREF(list);
        return list;
    });

    label_ptr lab = ele__label_new(1000, 1000);
    lab->name = u"big";
    for (int i = 0; i < 2000; ++i) {
        element *e = ele__add(lab.get(), i);
        e->type = i % 2 == 0 ? ELE_TEXT : ELE_BARCODE;
        e->desc = u"Элемент";
        e->x = i % 1000;
        e->y = i % 700;
        e->width = e->height = 20;
        if (e->type == ELE_TEXT) {
            e->text.text = u"Текст";
            e->text.font = u"DejaVu Sans";
            e->text.size = 10;
        } else {
            e->barcode.code = u"4600000000003";
        }
    }
    server.put_label("big", ino__label_to_value(lab.get(), &env));

    int failures = 0;
    double list_s = median_seconds(21, [&] {
        auto l = ino__list_labels(nullptr, server.url(), u"u", u"p");
        failures += !l || l->size() != 1000;
    });
    double load_s = median_seconds(11, [&] {
        auto l = ino__load_label(server.url(), u"big", u"u", u"p");
        failures += !l || l->qty != 2000;
    });

    // The library alone: the same calls through its synchronous client.
    xmlrpc_client *client = nullptr;
    xmlrpc_client_create(&env, XMLRPC_CLIENT_NO_FLAGS, "bench", "1", nullptr, 0, &client);
    std::string url = plt__to_utf8(server.url());
    auto bare = [&](const char *method, xmlrpc_value *params) {
        xmlrpc_value *r = nullptr;
        xmlrpc_client_call2f(&env, client, url.c_str(), method, &r, "(V)", params);
        if (r)
            xmlrpc_DECREF(r);
    };
    xmlrpc_value *cred = xmlrpc_build_value(&env, "{s:s,s:s}", "user", "u", "passwd", "p");
    double bare_list = median_seconds(21, [&] { bare("labels.list_labels", cred); });
    xmlrpc_value *r = nullptr;
    xmlrpc_client_call2f(&env, client, url.c_str(), "labels.load_label", &r, "(V{s:s})", cred, "name", "big");
    if (r)
        xmlrpc_DECREF(r);
    double bare_load = median_seconds(11, [&] {
        xmlrpc_value *res = nullptr;
        xmlrpc_client_call2f(&env, client, url.c_str(), "labels.load_label", &res, "(V{s:s})", cred, "name", "big");
        if (res)
            xmlrpc_DECREF(res);
    });
    xmlrpc_DECREF(cred);
    xmlrpc_client_destroy(client);
    xmlrpc_DECREF(list);
    xmlrpc_env_clean(&env);

    if (failures || !boxes.shown.empty()) {
        std::printf("bench server: calls failed\n");
        return 1;
    }
    std::printf("bench list-labels-1000-median: %.2f ms\n", list_s * 1e3);
    std::printf("bench list-labels-1000-bare-library: %.2f ms\n", bare_list * 1e3);
    std::printf("bench load-label-2000-median: %.2f ms\n", load_s * 1e3);
    std::printf("bench load-label-2000-bare-library: %.2f ms\n", bare_load * 1e3);
    int rc = report_ratio("list-labels-vs-bare", list_s / bare_list, 2.0);
    rc |= report_ratio("load-label-vs-bare", load_s / bare_load, 2.0);
    rpd__client_term();
    return rc;
}
