#include "hub/history.h"

#include "model/errors.h"

namespace {

std::shared_ptr<const element> frozen_copy(const element *e)
{
    return std::shared_ptr<const element>(ele__copy(e), ele__free);
}

// The newest snapshot's element that stands for the label's element i, if
// it is unchanged: the one at the same index, or, when elements were
// added or removed at the top, the one as far down or up as the count moved.
const std::shared_ptr<const element> *unchanged(const label_snapshot &newest, const label &lab, int i)
{
    const int moved = lab.qty - static_cast<int>(newest.es.size());
    for (int j : {i, i - moved}) {
        if (j < 0 || j >= static_cast<int>(newest.es.size()))
            continue;
        const std::shared_ptr<const element> &s = newest.es[static_cast<std::size_t>(j)];
        if (ele__identical(s.get(), lab.es[i]))
            return &s;
        if (moved == 0)
            break;
    }
    return nullptr;
}

} // namespace

void undo_history::record(const label &lab)
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
    s.es.reserve(static_cast<std::size_t>(lab.qty));
    const label_snapshot *newest = entries_.empty() ? nullptr : &entries_.back();
    for (int i = 0; i < lab.qty; ++i) {
        const std::shared_ptr<const element> *same = newest ? unchanged(*newest, lab, i) : nullptr;
        s.es.push_back(same ? *same : frozen_copy(lab.es[i]));
    }
    if (count() == depth_)
        entries_.pop_front();
    entries_.push_back(std::move(s));
}

void undo_history::discard_newest()
{
    XASSERT(!entries_.empty());
    entries_.pop_back();
}

label_ptr undo_history::take_newest()
{
    XASSERT(!entries_.empty());
    const label_snapshot &s = entries_.back();
    label_ptr lab = ele__label_new(s.width, s.height);
    lab->sel = s.sel;
    lab->bgcolor = s.bgcolor;
    lab->modified = s.modified;
    lab->name = s.name;
    lab->desc = s.desc;
    lab->store = s.store;
    for (std::size_t i = 0; i < s.es.size(); ++i) {
        const auto at = static_cast<std::int32_t>(i);
        ele__add(lab.get(), at);
        ele__replace(lab.get(), at, ele__copy(s.es[i].get())); // the live label's own, to change
    }
    entries_.pop_back();
    return lab;
}

void undo_history::stored_as(const std::u16string &name, const label_store &store)
{
    for (label_snapshot &s : entries_) {
        s.name = name;
        s.store = store;
        s.modified = 1;
    }
}
