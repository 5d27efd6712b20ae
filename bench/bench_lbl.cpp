// A label of 10,000 elements of all four kinds with 1 MiB of EPS data in
// all, saved to and loaded from a .lbl file, next to a bare parse of the same
// bytes by the library.  Loading should cost at most 1.5 bare parses.
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <xmlrpc-c/base.h>

#include "bench_common.h"
#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "platform/file_io.h"

int main()
{
    const int count = 10000;
    const int pictures = count / 4;
    const std::size_t per_picture = (1u << 20) / pictures;
    label_ptr lab = ele__label_new(1000, 1000);
    for (int i = 0; i < count; ++i) {
        element *e = ele__add(lab.get(), i);
        e->type = i % 4;
        e->desc = u"Элемент " + plt__from_utf8(std::to_string(i));
        e->x = i % 1000;
        e->y = (i * 7) % 1000;
        e->width = 40;
        e->height = 20;
        e->quadrant = i % 9;
        switch (e->type) {
        case ELE_TEXT:
            e->text.text = u"Текст этикетки";
            e->text.font = u"DejaVu Sans";
            e->text.size = 12;
            break;
        case ELE_BORDER:
            e->border.thickness = 1;
            break;
        case ELE_PICTURE: {
            std::string eps = "%!PS\n%%BoundingBox: 0 0 100 50\n";
            eps.resize(per_picture, 'x');
            e->picture.data = eps__load_mem(eps.data(), eps.size());
            ele__update_ratio(e);
            break;
        }
        case ELE_BARCODE:
            e->barcode.code = u"4600000000003";
            e->barcode.type = 3;
            break;
        }
    }

    std::string path = (std::filesystem::temp_directory_path() /
                        ("vellumo-bench-" + std::to_string(getpid()) + ".lbl"))
                           .string();
    std::u16string upath = plt__from_utf8(path);
    int ok = 1;
    double save = median_seconds(5, [&] { ok &= ino__save_file(upath, lab.get()); });
    label_ptr back;
    double load = median_seconds(5, [&] { back = ino__load_file(upath); });
    std::vector<unsigned char> bytes;
    plt__read_blob(upath, bytes);
    ino__ensure_limits();
    double parse = median_seconds(5, [&] {
        xmlrpc_env env;
        xmlrpc_env_init(&env);
        const char *method = nullptr;
        xmlrpc_value *params = nullptr;
        xmlrpc_parse_call(&env, reinterpret_cast<const char *>(bytes.data()), bytes.size(), &method,
                          &params);
        if (params)
            xmlrpc_DECREF(params);
        std::free(const_cast<char *>(method));
        xmlrpc_env_clean(&env);
    });
    std::filesystem::remove(path);
    if (!ok || !back || back->qty != count) {
        std::printf("bench lbl: round trip failed\n");
        return 1;
    }
    std::printf("bench lbl-file-size: %.2f MiB\n", static_cast<double>(bytes.size()) / (1 << 20));
    std::printf("bench lbl-save-10000: %.1f ms\n", save * 1e3);
    std::printf("bench lbl-load-10000: %.1f ms\n", load * 1e3);
    std::printf("bench lbl-bare-parse-10000: %.1f ms\n", parse * 1e3);
    return report_ratio("lbl-load-vs-bare-parse", load / parse, 1.5);
}
