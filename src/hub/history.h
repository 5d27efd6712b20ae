// The undo history: the label as it was before each of the last changes,
// oldest first, at most `depth` of them, and the redo list: the label as it
// was before each undo, newest last.  A snapshot shares every element that
// did not change since the snapshot next to it, and every element shares its
// picture's bytes, so a history of small steps holds little more than what
// the steps changed.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
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
    std::optional<label_sheet> sheet;
    std::vector<std::shared_ptr<const element>> es; // index 0 is the topmost
};

class undo_history {
public:
    explicit undo_history(int depth) : depth_(depth) {}

    int depth() const { return depth_; }
    int count() const { return static_cast<int>(entries_.size()); }
    const label_snapshot &at(int i) const { return entries_[static_cast<std::size_t>(i)]; }
    int redo_count() const { return static_cast<int>(redo_.size()); }
    // 0 is the oldest; the newest (redo_count() - 1) comes back first.
    const label_snapshot &redo_at(int i) const { return redo_[static_cast<std::size_t>(i)]; }

    // A new change: the label as it is now becomes the newest snapshot, the
    // oldest goes when the history is full, and nothing is left to redo.
    void record(const label &lab);
    // The last record is taken back whole: its snapshot goes, and the oldest
    // snapshot it pushed out and the redo list it emptied come back.
    void discard_newest();
    // The newest snapshot as a label of its own, taken out of the history.
    label_ptr take_newest();
    // Undo: `current` goes to the redo list, the newest snapshot comes back.
    label_ptr undo(const label &current);
    // Redo: `current` goes back to the history, the newest redo comes back.
    label_ptr redo(const label &current);
    // After a save under a name and a place: every snapshot, to undo and to
    // redo, has them too, and is marked modified (going to one is a change
    // to save).
    void stored_as(const std::u16string &name, const label_store &store);
    // A label renamed where it is stored: every snapshot stored there under
    // the old name takes the new one.
    void renamed(const label_store &store, const std::u16string &old_name, const std::u16string &new_name);

private:
    label_snapshot freeze(const label &lab) const;
    static label_ptr thaw(const label_snapshot &s);

    int depth_;
    std::deque<label_snapshot> entries_;
    std::deque<label_snapshot> redo_;
    // What the last record pushed out and emptied, until the next one.
    std::optional<label_snapshot> dropped_;
    std::deque<label_snapshot> cleared_redo_;
};
