// One undo snapshot of a label of 2,000 elements carrying 5 MiB of pictures,
// and the memory the full history of that label (FRAME_UNDO_DEPTH steps)
// holds after as many steps that change one text each: what the snapshots keep alive beyond the
// label itself (an element or a picture they share is counted once, and a
// picture the label holds costs the history nothing).
#include <cstdio>
#include <set>
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
struct outside : notify_sender {};

std::size_t text_bytes(const std::u16string &s)
{
    return s.capacity() * 2;
}

std::size_t element_bytes(const element *e)
{
    std::size_t n = sizeof(element) + text_bytes(e->desc);
    if (e->text.text)
        n += text_bytes(*e->text.text);
    if (e->text.font)
        n += text_bytes(*e->text.font);
    if (e->barcode.code)
        n += text_bytes(*e->barcode.code);
    return n;
}

std::size_t picture_bytes(const lg_epsi *p)
{
    return sizeof(lg_epsi) + p->data.capacity();
}

std::size_t label_bytes(const label *l)
{
    std::size_t n = sizeof(label) + sizeof(element *) * static_cast<std::size_t>(l->alloced) +
                    text_bytes(l->name) + text_bytes(l->desc);
    for (int i = 0; i < l->qty; ++i) {
        n += element_bytes(l->es[i]);
        if (l->es[i]->picture.data)
            n += picture_bytes(l->es[i]->picture.data.get());
    }
    return n;
}

// What the history holds that the label does not: each snapshot's own
// fields and element list, each element it keeps (once, with its share
// count), each picture no element of the label holds (once).
std::size_t history_bytes(const frame_hub &hub)
{
    std::set<const lg_epsi *> live;
    for (int i = 0; i < hub.lab()->qty; ++i)
        live.insert(hub.lab()->es[i]->picture.data.get());
    std::set<const element *> elements;
    std::set<const lg_epsi *> pictures;
    std::size_t n = 0;
    for (int k = 0; k < hub.undo_count(); ++k) {
        const label_snapshot &s = hub.snapshot(k);
        n += sizeof s + text_bytes(s.name) + text_bytes(s.desc) +
             s.es.capacity() * sizeof(std::shared_ptr<const element>);
        for (const std::shared_ptr<const element> &e : s.es) {
            if (elements.insert(e.get()).second)
                n += element_bytes(e.get()) + 32; // the share count's block
            const lg_epsi *p = e->picture.data.get();
            if (p && !live.count(p) && pictures.insert(p).second)
                n += picture_bytes(p);
        }
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
            e->picture.data = eps__load_mem(eps.data(), eps.size());
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
    while (hub.undo_count() > 0)
        hub.discard_newest();
    // A full history, each step a new description of one text.
    outside view;
    for (int step = 0; step < FRAME_UNDO_DEPTH; ++step) {
        frame_notify n;
        n.sender = &view;
        n.code = fn::description;
        n.e1 = pictures + step;
        n.text = u"Шаг " + std::u16string(1, static_cast<char16_t>(u'A' + step));
        hub.notify(n);
        hub.end_coalescing();
    }
    if (hub.undo_count() != FRAME_UNDO_DEPTH) {
        std::printf("bench history: %d steps recorded instead of %d\n", hub.undo_count(), FRAME_UNDO_DEPTH);
        return 1;
    }
    const std::size_t total = history_bytes(hub);
    const std::size_t live = label_bytes(hub.lab());
    std::printf("bench snapshot-2000-elements-5MiB: %.2f ms\n", one * 1e3);
    std::printf("bench history-%d-steps-memory: %.1f MiB\n", FRAME_UNDO_DEPTH,
                static_cast<double>(total) / (1 << 20));
    const double ratio = static_cast<double>(total) / static_cast<double>(live);
    int status = report_ratio("history-vs-label-memory", ratio, 2.0) == 0 ? 0 : 1;
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
    return report_ratio("snapshot-vs-picture-copy", one / bytes_only, 4.0) | status;
}
