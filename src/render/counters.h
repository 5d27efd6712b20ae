// Counters: the names of ${...} that begin with "#" are not variables but
// the label's place in its run and the run's date and time.
//
//   ${#}                the label's number in the run: 1, 2, … (every copy
//                       counts)
//   ${#:000100}         the same from 100, six digits (the digits give the
//                       start and the width)
//   ${#row}, ${#row:01} the row of the table the label is made of (1
//                       without a table)
//   ${#date}, ${#date:yyyy-MM-dd}   the run's date, dd.MM.yyyy unless a
//                       format (Qt's date and time letters) is given
//   ${#time}, ${#time:HH:mm:ss}     its time, HH:mm unless a format is given
//
// A run takes its date and time once, so that all its labels show the same.
// A label drawn on its own (the canvas, a preview, one export) is the first
// of its run.  Any other name that begins with "#" stays as written.
#pragma once

#include <QDateTime>
#include <optional>
#include <string>
#include <vector>

#include "render/render.h"

// Whether `name` belongs to the counters (it begins with "#"): no variable,
// column or preview variable of that name is taken.
inline bool rdr__is_counter_name(const std::u16string &name)
{
    return !name.empty() && name[0] == u'#';
}

// The value of the counter `name` for the `label`-th label of a run (from
// 1), made of table row `row`, in a run begun at `when`; nothing when
// `name` is not a counter as written above.
std::optional<std::u16string> rdr__counter_value(const std::u16string &name, long long label, long long row,
                                                 const QDateTime &when);

// The counters a label uses, read once for a whole run.
class run_counters {
public:
    // The counters among `names` (the label's ${...} names), for a run
    // begun at `when`.
    run_counters(const std::vector<std::u16string> &names, const QDateTime &when);

    bool empty() const { return list_.empty(); }
    // Whether some counter differs from one label to the next: copies of
    // a row are then labels of their own, never one page printed N times.
    bool numbers_labels() const { return numbers_labels_; }
    // Sets every counter in `vars` for the run's `label`-th label, made of
    // table row `row` (both from 1).
    void put(render_variable_map &vars, long long label, long long row) const;

private:
    enum class kind { label, row, fixed };
    struct counter {
        std::u16string name;
        kind k = kind::fixed;
        long long start = 1;
        int width = 0;
        std::u16string value; // a date or time: the same for the whole run
    };
    std::vector<counter> list_;
    bool numbers_labels_ = false;
};
