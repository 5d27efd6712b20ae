// The undo history: the label as it was before each of the last changes,
// oldest first, at most `depth` of them.  A snapshot shares every element
// that did not change since the snapshot before it, and every element shares
// its picture's bytes, so a history of small steps holds little more than
// what the steps changed.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "model/element.h"

// One snapshot: the label's own fields and its elements, none of which is
// ever changed again.
struct label_snapshot {
    double width = 0;
    double height = 0;
    std::int32_t sel = 0;
    std::uint32_t bgcolor = 0;
    std::int32_t modified = 0;
    std::u16string name;
    std::u16string desc;
    label_store store;
    std::vector<std::shared_ptr<const element>> es; // index 0 is the topmost
};

class undo_history {
public:
    explicit undo_history(int depth) : depth_(depth) {}

    int count() const { return static_cast<int>(entries_.size()); }
    const label_snapshot &at(int i) const { return entries_[static_cast<std::size_t>(i)]; }

    // The label as it is now becomes the newest snapshot; the oldest goes
    // when the history is full.
    void record(const label &lab);
    // The newest snapshot is forgotten.
    void discard_newest();
    // The newest snapshot as a label of its own, taken out of the history.
    label_ptr take_newest();
    // After a save under a name and a place: every snapshot has them too,
    // and is marked modified (going back to one is a change to save).
    void stored_as(const std::u16string &name, const label_store &store);

private:
    int depth_;
    std::deque<label_snapshot> entries_;
};
