#include "output/printer.h"

#include <QPrinter>
#include <QPrinterInfo>

std::unique_ptr<QPrinter> out__printer(const label *lab, const page_layout &layout, const QPrinterInfo *info)
{
    auto printer = info ? std::make_unique<QPrinter>(*info, QPrinter::HighResolution)
                        : std::make_unique<QPrinter>(QPrinter::HighResolution);
    out__set_up_printer(*printer, lab, layout);
    return printer;
}

void out__set_up_printer(QPrinter &printer, const label *lab, const page_layout &layout)
{
    printer.setFullPage(true);
    printer.setPageLayout(layout.page());
    printer.setDocName(QString::fromStdU16String(lab->name));
    printer.setCreator(QStringLiteral("Vellumo"));
}

std::pair<int, int> out__printer_range(const QPrinter &printer)
{
    if (printer.printRange() != QPrinter::PageRange)
        return {0, 0};
    return {printer.fromPage(), printer.toPage()};
}

std::unique_ptr<page_sink> out__printer_sink(const label *lab, QPrinter &printer, page_shift shift)
{
    const auto [from, to] = out__printer_range(printer);
    return out__device_sink(lab, printer, from, to, shift);
}
