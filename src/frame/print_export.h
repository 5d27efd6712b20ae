// "Печать...", "Экспорт..." and their forms with a table of data: the
// label on a printer or in a PDF, PNG or SVG file, with the preview
// variables for ${name}; with a table, one label per row.  No label server
// is needed for any of them.
#pragma once

#include "model/element.h"
#include "output/sink.h"
#include "platform/seam.h"

#include <functional>

class QPrinter;
class QProgressDialog;
class QWidget;

// The printer dialog behind a seam: the real one is Qt's print dialog;
// tests set the printer up themselves (a PDF file, a page range).
class print_choice_service {
public:
    virtual ~print_choice_service() = default;
    // Lets the user choose the printer, copies and (for `pages` > 1) the
    // page range; false when printing is cancelled.
    virtual bool choose(QPrinter &printer, int pages, QWidget *parent) = 0;
};
template <>
print_choice_service &seam<print_choice_service>::fallback();

// The calibration kept for the printer (none for a file): what its
// printer's pages are moved and scaled by.
page_shift pex__printer_shift(const QPrinter &printer);

// A label with a sheet goes on the sheet's paper, from the cell the dialog
// lets one click on; without one, on a page of its own size.
void pex__print(QWidget *parent, const label *lab);
void pex__export(QWidget *parent, const label *lab);
// With a table of data: `print` for "Печать с данными...", else
// "Экспорт с данными...".
void pex__batch(QWidget *parent, const label *lab, bool print);

// Called at every step of a batch that shows its progress, with the dialog,
// before it is asked whether it was cancelled (tests watch and cancel
// through it); an empty function for none.
void pex__set_progress_watch(std::function<void(QProgressDialog *, long done, long total)> watch);
