// Labels out of the program: PDF, PNG and SVG files and printers, one label
// or a label per row of a table of data.  Every page is the render
// library's drawing of its labels, so paper shows what the canvas and the
// label server show; vector where the device allows (PDF, SVG, printers),
// whole pixels on images.
//
// Files are written to a temporary file beside the target and renamed over
// it once complete: a failed or cancelled export leaves the old file (or no
// file) and never a part of one.
//
// The parts: variables.h (a row merged into a label's variables),
// page_layout.h (where each label of a run goes), drawing.h (labels and
// pages drawn), sink.h (where pages go), formats.h (the table of file
// formats), batch.h (the run from a table).  Printers are set up by
// printer.h, in a library of its own.
#pragma once

#include "output/batch.h"
#include "output/drawing.h"
#include "output/formats.h"
#include "output/page_layout.h"
#include "output/sink.h"
#include "output/variables.h"
