// Printers set up for a run, one way for the editor and vellumo-render:
// the layout's page with no margins of the printer's own, at the
// printer's high resolution.  In a library of its own (Qt Print Support),
// so that the label server does not link it.
#pragma once

#include <memory>
#include <utility>

#include "output/page_layout.h"
#include "output/sink.h"

class QPrinter;
class QPrinterInfo;

// A printer at its high resolution, set up for the run: `info`'s printer,
// else the default one.
std::unique_ptr<QPrinter> out__printer(const label *lab, const page_layout &layout,
                                       const QPrinterInfo *info = nullptr);
// Sets the printer up for the run (again after its dialog, whatever paper
// the dialog last showed): the layout's page, full page, the label's name
// as the job's.
void out__set_up_printer(QPrinter &printer, const label *lab, const page_layout &layout);

// The pages from..to chosen in the printer's dialog (1-based); 0, 0 for
// all of them.
std::pair<int, int> out__printer_range(const QPrinter &printer);

// A sink printing the run's pages of the chosen range on the printer.
// `shift` is the printer's calibration.
std::unique_ptr<page_sink> out__printer_sink(const label *lab, QPrinter &printer, page_shift shift = {});
