#include "hub/history.h"

#include "model/errors.h"

namespace {

std::shared_ptr<const element> frozen_copy(const element *e)
{
    return std::shared_ptr<const element>(ele__copy(e), ele__free);
}

// The snapshot's element that stands for the label's element i, if it is
// unchanged: the one at the same index, or, when elements were added or
// removed at the top, the one as far down or up as the count moved.
const std::shared_ptr<const element> *unchanged(const label_snapshot &near, const label &lab, int i)
{
    const int moved = lab.qty - static_cast<int>(near.es.size());
    for (int j : {i, i - moved}) {
        if (j < 0 || j >= static_cast<int>(near.es.size()))
            continue;
        const std::shared_ptr<const element> &s = near.es[static_cast<std::size_t>(j)];
        if (ele__identical(s.get(), lab.es[i]))
            return &s;
        if (moved == 0)
            break;
    }
    return nullptr;
}

void restamp(label_snapshot &s, const std::u16string &name, const label_store &store)
{
    s.name = name;
    s.store = store;
    s.modified = 1;
}

} // namespace

// The label as a snapshot, sharing what it can with the snapshots next to
// it: the newest to undo and the newest to redo.
label_snapshot undo_history::freeze(const label &lab) const
{
    label_snapshot s;
    s.width = lab.width;
    s.height = lab.height;
    s.sel = lab.sel;
    s.bgcolor = lab.bgcolor;
    s.modified = lab.modified;
    s.name = lab.name;
    s.desc = lab.desc;
    s.store = lab.store;
    s.sheet = lab.sheet;
    s.es.reserve(static_cast<std::size_t>(lab.qty));
    const label_snapshot *undo_near = entries_.empty() ? nullptr : &entries_.back();
    const label_snapshot *redo_near = redo_.empty() ? nullptr : &redo_.back();
    for (int i = 0; i < lab.qty; ++i) {
        const std::shared_ptr<const element> *same = undo_near ? unchanged(*undo_near, lab, i) : nullptr;
        if (!same && redo_near)
            same = unchanged(*redo_near, lab, i);
        s.es.push_back(same ? *same : frozen_copy(lab.es[i]));
    }
    return s;
}

label_ptr undo_history::thaw(const label_snapshot &s)
{
    label_ptr lab = ele__label_new(s.width, s.height);
    lab->sel = s.sel;
    lab->bgcolor = s.bgcolor;
    lab->modified = s.modified;
    lab->name = s.name;
    lab->desc = s.desc;
    lab->store = s.store;
    lab->sheet = s.sheet;
    for (std::size_t i = 0; i < s.es.size(); ++i) {
        const auto at = static_cast<std::int32_t>(i);
        ele__add(lab.get(), at);
        ele__replace(lab.get(), at, ele__copy(s.es[i].get())); // the live label's own, to change
    }
    return lab;
}

void undo_history::record(const label &lab)
{
    label_snapshot s = freeze(lab);
    dropped_.reset();
    if (count() >= depth_) {
        dropped_ = std::move(entries_.front());
        entries_.pop_front();
    }
    entries_.push_back(std::move(s));
    cleared_redo_ = std::move(redo_);
    redo_.clear();
}

void undo_history::discard_newest()
{
    XASSERT(!entries_.empty());
    entries_.pop_back();
    if (dropped_) {
        entries_.push_front(std::move(*dropped_));
        dropped_.reset();
    }
    if (redo_.empty())
        redo_ = std::move(cleared_redo_);
    cleared_redo_.clear();
}

label_ptr undo_history::take_newest()
{
    XASSERT(!entries_.empty());
    label_ptr lab = thaw(entries_.back());
    entries_.pop_back();
    dropped_.reset();
    cleared_redo_.clear();
    return lab;
}

label_ptr undo_history::undo(const label &current)
{
    XASSERT(!entries_.empty());
    label_snapshot now = freeze(current);
    label_ptr back = take_newest();
    redo_.push_back(std::move(now));
    return back;
}

label_ptr undo_history::redo(const label &current)
{
    XASSERT(!redo_.empty());
    label_snapshot now = freeze(current);
    label_ptr forward = thaw(redo_.back());
    redo_.pop_back();
    if (count() >= depth_)
        entries_.pop_front();
    entries_.push_back(std::move(now));
    dropped_.reset();
    cleared_redo_.clear();
    return forward;
}

void undo_history::stored_as(const std::u16string &name, const label_store &store)
{
    for (label_snapshot &s : entries_)
        restamp(s, name, store);
    for (label_snapshot &s : redo_)
        restamp(s, name, store);
    if (dropped_)
        restamp(*dropped_, name, store);
    for (label_snapshot &s : cleared_redo_)
        restamp(s, name, store);
}

void undo_history::renamed(const label_store &store, const std::u16string &old_name,
                           const std::u16string &new_name)
{
    auto rename = [&](label_snapshot &s) {
        if (s.name == old_name && s.store.local == store.local && s.store.place == store.place)
            s.name = new_name;
    };
    for (label_snapshot &s : entries_)
        rename(s);
    for (label_snapshot &s : redo_)
        rename(s);
    if (dropped_)
        rename(*dropped_);
    for (label_snapshot &s : cleared_redo_)
        rename(s);
}
