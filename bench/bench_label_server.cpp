// The label server's two hot paths, each next to its bare floor in the same
// run: rendering a 100 × 150 mm label (40 texts, 5 barcodes, 5 borders) at
// 300 dpi and encoding it as the server does (the rows done encoded on a
// second core while the rest is drawn), against encoding a blank JPEG of
// the same size;
// and load_label requests per second against vellumo-server, against a bare
// Abyss method that returns the same label.
//
//     bench_label_server               the whole benchmark
//     bench_label_server --render N    only N renders and encodings, to profile
#include <QGuiApplication>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <xmlrpc-c/client.h>

#include "bench_common.h"
#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "server/render.h"
#include "server/store.h"
#include "support/label_server.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace {

double cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

label_ptr shop_label()
{
    const double mm = 72 / 25.4;
    label_ptr lab = ele__label_new(100 * mm, 150 * mm);
    lab->name = u"Ценник";
    lab->bgcolor = 0xFFFFFF;
    int index = 0;
    for (int i = 0; i < 40; ++i) {
        element *e = ele__add(lab.get(), index++);
        e->type = ELE_TEXT;
        e->x = 8 + (i % 2) * 140;
        e->y = 400 - (i / 2) * 19;
        e->width = 130;
        e->height = 16;
        e->text.text = u"Строка " + plt__from_utf8(std::to_string(i)) + u": молоко 3,2 % — 89,90 ₽";
        e->text.font = i % 3 ? u"DejaVu Sans" : u"DejaVu Serif";
        e->text.size = 7 + i % 6;
        e->text.justification = i % 4;
        e->angle = i % 10 == 9 ? 90 : 0;
    }
    const char16_t *codes[] = {u"4006381333931", u"Vellumo-128", u"460123456789", u"12345670", u"ABC-42"};
    const int types[] = {3, 7, 3, 11, 7};
    for (int i = 0; i < 5; ++i) {
        element *e = ele__add(lab.get(), index++);
        e->type = ELE_BARCODE;
        e->x = 10 + (i % 2) * 140;
        e->y = 10 + (i / 2) * 0 + i * 6;
        e->width = 120;
        e->height = 50;
        e->barcode.code = codes[i];
        e->barcode.type = types[i];
        e->barcode.text = 1;
    }
    for (int i = 0; i < 5; ++i) {
        element *e = ele__add(lab.get(), index++);
        e->type = ELE_BORDER;
        e->x = 4 + i * 3;
        e->y = 4 + i * 3;
        e->width = 275 - i * 6;
        e->height = 415 - i * 6;
        e->border.thickness = i * 0.5;
        e->border.style = i;
    }
    return lab;
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    int rc = 0;

    // ---- rendering
    label_ptr lab = shop_label();
    std::vector<unsigned char> jpeg;
    std::string error;
    std::vector<std::u16string> log;
    QImage first = lsv__render(lab.get(), {}, 300, 300, false, log);
    if (log.size() != 1) {
        for (const std::u16string &l : log)
            std::printf("%s\n", plt__to_utf8(l).c_str());
        std::printf("bench render: the label did not render cleanly\n");
        return 1;
    }
    if (argc == 3 && std::string(argv[1]) == "--render") {
        for (int i = 0, n = std::atoi(argv[2]); i < n; ++i) {
            std::vector<std::u16string> l;
            lsv__render_jpeg(lab.get(), {}, 300, 300, false, 90, jpeg, error, l);
        }
        return 0;
    }
    // The server's render: drawn, and encoded on a second thread as rows
    // are done.  Its processor time (both threads) is shown beside it.
    std::vector<double> cpu;
    const double render_s = median_seconds(21, [&] {
        std::vector<std::u16string> l;
        const double c0 = cpu_seconds();
        lsv__render_jpeg(lab.get(), {}, 300, 300, false, 90, jpeg, error, l);
        cpu.push_back(cpu_seconds() - c0);
    });
    std::sort(cpu.begin(), cpu.end());
    // The same drawn whole first, then encoded, in one thread.
    const double serial_s = median_seconds(21, [&] {
        std::vector<std::u16string> l;
        lsv__encode_jpeg(lsv__render(lab.get(), {}, 300, 300, false, l), 90, jpeg, error);
    });
    QImage blank(first.size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    const double blank_s = median_seconds(21, [&] { lsv__encode_jpeg(blank, 90, jpeg, error); });
    std::printf("bench render-100x150mm-300dpi: %.1f ms\n", render_s * 1e3);
    std::printf("bench render-100x150mm-300dpi-processor: %.1f ms\n", cpu[cpu.size() / 2] * 1e3);
    std::printf("bench render-100x150mm-300dpi-drawn-then-encoded: %.1f ms\n", serial_s * 1e3);
    std::printf("bench blank-jpeg-%dx%d: %.1f ms\n", first.width(), first.height(), blank_s * 1e3);
    rc |= report_ratio("render-vs-blank-jpeg", render_s / blank_s, 2.5);

    // ---- load_label against the server and against a bare method
    temp_dir dir;
    ino_env env;
    {
        folder_store store((dir / "store").string());
        if (store.save(lab.get(), error) != server_store::result::ok) {
            std::printf("bench load: %s\n", error.c_str());
            return 1;
        }
    }
    server_process server((dir / "store").string());
    if (!server.running()) {
        std::printf("bench load: vellumo-server did not start\n");
        return 1;
    }
    label_server bare;
    bare.put_label("Ценник", ino__label_to_value(lab.get(), &env.env));

    xmlrpc_client_setup_global_const(&env.env);
    xmlrpc_client *client = nullptr;
    xmlrpc_client_create(&env.env, XMLRPC_CLIENT_NO_FLAGS, "bench", "1", nullptr, 0, &client);
    xmlrpc_value *cred = xmlrpc_build_value(&env.env, "{s:s,s:s}", "user", "u", "passwd", "p");
    int failures = 0;
    auto requests = [&](const std::string &url, int n) {
        for (int i = 0; i < n; ++i) {
            xmlrpc_value *r = nullptr;
            xmlrpc_client_call2f(&env.env, client, url.c_str(), "labels.load_label", &r, "(V{s:s})", cred, "name",
                                 "Ценник");
            if (env.failed() || !r) {
                ++failures;
                xmlrpc_env_clean(&env.env);
                xmlrpc_env_init(&env.env);
            }
            if (r)
                xmlrpc_DECREF(r);
        }
    };
    const std::string server_url = plt__to_utf8(server.url()), bare_url = plt__to_utf8(bare.url());
    requests(server_url, 20);
    requests(bare_url, 20);
    const int n = 200;
    const double server_s = median_seconds(5, [&] { requests(server_url, n); });
    const double bare_s = median_seconds(5, [&] { requests(bare_url, n); });
    xmlrpc_DECREF(cred);
    xmlrpc_client_destroy(client);
    xmlrpc_client_teardown_global_const();
    if (failures) {
        std::printf("bench load: %d calls failed\n", failures);
        return 1;
    }
    std::printf("bench load-label-server: %.0f requests/s\n", n / server_s);
    std::printf("bench load-label-bare-abyss: %.0f requests/s\n", n / bare_s);
    // At least half the bare rate: the time per request at most twice.
    rc |= report_ratio("load-label-time-vs-bare", server_s / bare_s, 2.0);
    return rc;
}
