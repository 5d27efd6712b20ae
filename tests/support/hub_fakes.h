// Fakes around the frame hub: a shell, a document store and the views,
// all recording what the hub asked of them.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "hub/frame_hub.h"

struct fake_shell : frame_shell {
    void set_title(const std::u16string &t) override { title = t; }
    void enable_command(int id, bool on) override { enabled[id] = on; }
    void check_tool(int id) override { checked.push_back(id); }
    void beep() override { ++beeps; }
    std::u16string title;
    std::map<int, bool> enabled;
    std::vector<int> checked;
    int beeps = 0;
};

// Saves succeed or fail as scripted; a successful save of a label without a
// place gives it one.
struct fake_store : document_store {
    bool save(label *lab, bool save_as, bool network_only) override
    {
        ++saves;
        last_save_as = save_as;
        last_network_only = network_only;
        bool ok = results.empty() ? true : results.front();
        if (!results.empty())
            results.pop_front();
        if (ok && (!lab->store.place || save_as)) {
            lab->name = u"saved.lbl";
            lab->store.place = u"/labels/saved.lbl";
            lab->store.local = 1;
        }
        return ok;
    }
    label_ptr open() override
    {
        ++opens;
        if (to_open.empty())
            return nullptr;
        label_ptr l = std::move(to_open.front());
        to_open.pop_front();
        return l;
    }
    std::deque<bool> results;
    std::deque<label_ptr> to_open;
    int saves = 0, opens = 0;
    bool last_save_as = false, last_network_only = false;
};

struct view_log {
    std::vector<std::string> entries;
};

struct fake_view : properties_view {
    fake_view(const char *name, view_log &log) : name(name), log(log) {}
    void notify(const frame_notify &n) override
    {
        codes.push_back(n.code);
        senders.push_back(n.sender);
        log.entries.push_back(std::string(name) + ":" + std::to_string(n.code));
    }
    void set_label(label *l) override
    {
        lab = l;
        log.entries.push_back(std::string(name) + ":1045");
    }
    void relayout() override { ++relayouts; }
    void focus_description() override { ++focus; }
    const char *name;
    view_log &log;
    std::vector<int> codes;
    std::vector<const void *> senders;
    label *lab = nullptr;
    int relayouts = 0, focus = 0;
};

struct fake_canvas : canvas_view {
    fake_canvas(view_log &log) : log(log) {}
    bool is_idle() override { return idle; }
    void redraw_element(int i) override { redraws.push_back(i); }
    void recompute_extent() override { ++extents; }
    void deselect_all() override
    {
        // The canvas reports every deselection as a view.
        for (int i = 0; i < hub->lab()->qty; ++i) {
            if (hub->lab()->es[i]->state == ELE_UNSELECTED)
                continue;
            frame_notify n;
            n.sender = this;
            n.code = fn::selection;
            n.action = fn::deselect;
            n.e1 = i;
            hub->notify(n);
        }
    }
    void normal_mode() override { ++normal; }
    void notify(const frame_notify &n) override
    {
        codes.push_back(n.code);
        log.entries.push_back("canvas:" + std::to_string(n.code));
    }
    void set_label(label *l) override
    {
        lab = l;
        log.entries.push_back("canvas:1045");
    }
    void relayout() override { ++relayouts; }

    view_log &log;
    frame_hub *hub = nullptr;
    bool idle = true;
    std::vector<int> redraws, codes;
    int extents = 0, normal = 0, relayouts = 0;
    label *lab = nullptr;
};

struct fake_preview : preview_view {
    void set_label(label *l) override { lab = l; }
    label *lab = nullptr;
};
