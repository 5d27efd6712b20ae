// One undo snapshot of a label of 2,000 elements carrying 5 MiB of pictures,
// and the memory the full 20-step history of that label holds.
#include <cstdio>
#include <string>

#include "bench_common.h"
#include "hub/frame_hub.h"

namespace {
struct null_shell : frame_shell {
    void set_title(const std::u16string &) override {}
    void enable_command(int, bool) override {}
    void check_tool(int) override {}
    void beep() override {}
};
struct null_store : document_store {
    bool save(label *, bool, bool) override { return false; }
    label_ptr open() override { return nullptr; }
};

std::size_t label_bytes(const label *l)
{
    std::size_t n = sizeof(label) + sizeof(element *) * static_cast<std::size_t>(l->alloced) +
                    (l->name.capacity() + l->desc.capacity()) * 2;
    for (int i = 0; i < l->qty; ++i) {
        const element *e = l->es[i];
        n += sizeof(element) + e->desc.capacity() * 2;
        if (e->text.text)
            n += e->text.text->capacity() * 2;
        if (e->text.font)
            n += e->text.font->capacity() * 2;
        if (e->barcode.code)
            n += e->barcode.code->capacity() * 2;
        if (e->picture.data)
            n += sizeof(lg_epsi) + e->picture.data->data.capacity();
    }
    return n;
}
} // namespace

int main()
{
    const int count = 2000, pictures = 200;
    label_ptr lab = ele__label_new(1000, 1000);
    for (int i = 0; i < count; ++i) {
        element *e = ele__add(lab.get(), i);
        e->desc = u"Элемент номер " + std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
        e->x = i % 1000;
        if (i < pictures) {
            e->type = ELE_PICTURE;
            std::string eps = "%!PS\n%%BoundingBox: 0 0 10 10\n";
            eps.resize((5u << 20) / pictures, 'p');
            e->picture.data = lg_epsi_load_mem(eps.data(), eps.size());
            ele__update_ratio(e);
        } else {
            e->type = ELE_TEXT;
            e->text.text = u"Текст";
            e->text.font = u"DejaVu Sans";
        }
    }
    null_shell shell;
    null_store store;
    frame_hub hub(shell, store, std::move(lab));
    double one = median_seconds(15, [&] {
        hub.record_snapshot();
        if (hub.undo_count() == FRAME_UNDO_DEPTH)
            hub.discard_newest();
    });
    while (hub.undo_count() < FRAME_UNDO_DEPTH)
        hub.record_snapshot();
    std::size_t total = 0;
    for (int i = 0; i < hub.undo_count(); ++i)
        total += label_bytes(hub.snapshot(i));
    std::size_t live = label_bytes(hub.lab());
    std::printf("bench snapshot-2000-elements-5MiB: %.2f ms\n", one * 1e3);
    std::printf("bench history-20-steps-memory: %.1f MiB\n", static_cast<double>(total) / (1 << 20));
    std::printf("bench history-vs-label-memory: %.1f ratio\n", static_cast<double>(total) / static_cast<double>(live));
    // The floor: copying just the picture bytes into new buffers.
    const label *l = hub.lab();
    double bytes_only = median_seconds(15, [&] {
        std::vector<std::vector<unsigned char>> copies;
        copies.reserve(pictures);
        for (int i = 0; i < l->qty; ++i)
            if (l->es[i]->picture.data)
                copies.push_back(l->es[i]->picture.data->data);
    });
    std::printf("bench picture-bytes-copy-5MiB: %.2f ms\n", bytes_only * 1e3);
    return report_ratio("snapshot-vs-picture-copy", one / bytes_only, 4.0);
}
