// The band layout engine: controls placed at the crossing of a horizontal
// and a vertical band, bands computed from sequences that split a parent
// band (or the whole client area) into consecutive pieces.  The description
// is made fresh for every pass; the engine keeps nothing.
#pragma once

#include <vector>

class QWidget;

enum : int {
    QL_FLEXIBLE = 1, // shares the free space by weight (else fixed at `size`)
    QL_FIT_TEXT = 2, // at least as long as the control's text
};

struct ql_band {
    int size = 0;   // length of a fixed band
    int weight = 0; // share of the free space for a flexible band
    int min = 0;    // minimum length of a flexible band
    int flags = 0;
    int length = -1; // result
    int offset = 0;  // result, client coordinates

    static ql_band fixed(int size, int flags = 0) { return {size, 0, 0, flags, -1, 0}; }
    static ql_band flexible(int weight, int min = 0, int flags = 0)
    {
        return {0, weight, min, flags | QL_FLEXIBLE, -1, 0};
    }
};

// A parent band (null: the whole client extent from 0) and its children in
// order.
struct ql_sequence {
    ql_band *parent = nullptr;
    std::vector<ql_band *> bands;
};

// A sequence must come after the one that computes its parent band.
using ql_axis = std::vector<ql_sequence>;

// A control and its bands; a null band is the whole width or height.
struct ql_place {
    QWidget *control = nullptr;
    ql_band *h = nullptr;
    ql_band *v = nullptr;
};

// One sequence over `total` pixels from `start`.
void ql__distribute(ql_sequence &seq, int start, int total);
// Raises every parent's minimum to the sum of its children's, last sequence
// first.
void ql__propagate(ql_axis &axis);
// Distributes every sequence of an axis over the client extent.
void ql__distribute_axis(ql_axis &axis, int extent);
// The whole pass: fit to text, propagate (vertical, then horizontal),
// distribute (horizontal, then vertical), place the controls.
void ql__layout(const std::vector<ql_place> &places, ql_axis &h, ql_axis &v, int width, int height);
