#include "frame/calibration.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "frame/print_export.h"
#include "model/errors.h"
#include "model/misc.h"
#include "platform/qt_text.h"
#include "widgets/controls.h"
#include "platform/translation.h"

namespace {

constexpr double MM = 72.0 / 25.4;

} // namespace

// A point p of the page comes out at c_p + k_p·p; the calibration draws it
// at c + k·p so that it comes out at p: k = 1 / k_p, c = -c_p / k_p.  The
// cross at 20 mm is measured at c_p + 20·k_p, a 100 mm line as 100·k_p.
settings::calibration cal__from_measure(const calibration_measure &m)
{
    settings::calibration c;
    const double k_printer = m.ruler / CAL_RULER_MM;
    if (!std::isfinite(k_printer) || k_printer <= 0)
        return c;
    c.scale = 100 / k_printer;
    c.x = CAL_CROSS_MM - m.left / k_printer;
    c.y = CAL_CROSS_MM - m.top / k_printer;
    return c;
}

calibration_measure cal__to_measure(const settings::calibration &c)
{
    calibration_measure m;
    if (!settings::calibration_sound(c))
        return m;
    const double k_printer = 100 / c.scale;
    m.ruler = CAL_RULER_MM * k_printer;
    m.left = (CAL_CROSS_MM - c.x) * k_printer;
    m.top = (CAL_CROSS_MM - c.y) * k_printer;
    return m;
}

bool cal__print_page(QPagedPaintDevice &device)
{
    QPainter p;
    if (!p.begin(&device))
        return false;
    // Points from the paper's top left corner, whatever the device's dots.
    const double dots = device.logicalDpiX() / 72.0;
    p.scale(dots, device.logicalDpiY() / 72.0);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::black, 0.5);
    p.setPen(pen);
    const double c = CAL_CROSS_MM * MM, ruler = CAL_RULER_MM * MM;
    // The cross, its middle at 20 mm from the left and top edges.
    p.drawLine(QPointF(c - 5 * MM, c), QPointF(c + 5 * MM, c));
    p.drawLine(QPointF(c, c - 5 * MM), QPointF(c, c + 5 * MM));
    p.drawEllipse(QPointF(c, c), 2 * MM, 2 * MM);
    // The rulers from the cross: 100 mm across and down, a tick each cm.
    p.drawLine(QPointF(c, c), QPointF(c + ruler, c));
    p.drawLine(QPointF(c, c), QPointF(c, c + ruler));
    for (int cm = 1; cm <= int(CAL_RULER_MM / 10); ++cm) {
        const double at = c + cm * 10 * MM, tick = cm % 5 == 0 ? 4 * MM : 2 * MM;
        p.drawLine(QPointF(at, c - tick), QPointF(at, c));
        p.drawLine(QPointF(c - tick, at), QPointF(c, at));
    }
    // Sized in the painter's points, not the device's.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(9);
    p.setFont(f);
    const QRectF text(c + 10 * MM, c + 10 * MM, 85 * MM, 80 * MM);
    p.drawText(text, Qt::TextWordWrap,
               QCoreApplication::translate("vellumo", "Калибровка принтера\n\n"
                              "Измерьте линейкой, в миллиметрах:\n"
                              "1. от левого края листа до центра креста;\n"
                              "2. от верхнего края листа до центра креста;\n"
                              "3. длину линии от креста вправо (должна быть 100 мм).\n\n"
                              "Введите эти числа в окне «Калибровка принтера».\n"
                              "Напечатанный верно лист даёт 20, 20 и 100."));
    return p.end();
}

calibration_dialog::calibration_dialog(QWidget *parent, const QStringList &printers, const QString &current)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("zelta-calibration"));
    setWindowTitle(QCoreApplication::translate("vellumo", "Калибровка принтера"));
    setWindowModality(Qt::ApplicationModal);
    printer_ = new QComboBox(this);
    printer_->setObjectName(QStringLiteral("printer"));
    printer_->addItems(printers);
    if (const int at = printers.indexOf(current); at >= 0)
        printer_->setCurrentIndex(at);
    print_ = new QPushButton(QCoreApplication::translate("vellumo", "Напечатать страницу калибровки"), this);
    print_->setObjectName(QStringLiteral("print"));
    auto measure = [&](const char *name, double lo, double hi) {
        auto *b = new QDoubleSpinBox(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setDecimals(1);
        b->setRange(lo, hi);
        b->setSingleStep(0.5);
        b->setSuffix(QCoreApplication::translate("vellumo", " мм"));
        return b;
    };
    // The bounds of a sound calibration, as measures.
    left_ = measure("left", 0, 80);
    top_ = measure("top", 0, 80);
    ruler_ = measure("ruler", 50, 200);
    auto *hint = new QLabel(QCoreApplication::translate("vellumo", "Напечатайте страницу калибровки и измерьте на ней линейкой:"), this);
    hint->setWordWrap(true);
    outcome_ = new QLabel(this);
    outcome_->setObjectName(QStringLiteral("outcome"));
    outcome_->setWordWrap(true);
    auto *form = new QFormLayout;
    form->addRow(QCoreApplication::translate("vellumo", "Принтер:"), printer_);
    form->addRow(QString(), print_);
    form->addRow(hint);
    form->addRow(QCoreApplication::translate("vellumo", "От левого края до креста:"), left_);
    form->addRow(QCoreApplication::translate("vellumo", "От верхнего края до креста:"), top_);
    form->addRow(QCoreApplication::translate("vellumo", "Длина линии 100 мм:"), ruler_);
    auto *v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(outcome_);
    v->addWidget(ctl__ok_cancel(this));
    connect(printer_, &QComboBox::currentIndexChanged, this, [this] { printer_changed(); });
    for (QDoubleSpinBox *b : {left_, top_, ruler_})
        connect(b, &QDoubleSpinBox::valueChanged, this, [this] { show_outcome(); });
    connect(print_, &QPushButton::clicked, this, [this] { print_page(); });
    printer_changed();
}

void calibration_dialog::printer_changed()
{
    const calibration_measure m = cal__to_measure(settings::get_calibration(us(printer_->currentText())));
    left_->setValue(m.left);
    top_->setValue(m.top);
    ruler_->setValue(m.ruler);
    const bool any = printer_->count() > 0;
    for (QWidget *w : std::initializer_list<QWidget *>{left_, top_, ruler_, print_})
        w->setEnabled(any);
    show_outcome();
}

void calibration_dialog::show_outcome()
{
    const settings::calibration c = cal__from_measure({left_->value(), top_->value(), ruler_->value()});
    if (!settings::calibration_sound(c)) {
        outcome_->setText(QCoreApplication::translate("vellumo", "Такие размеры не похожи на измеренные на странице калибровки."));
        return;
    }
    outcome_->setText(qs(msc__format(VL_TR("vellumo", "Поправка печати: %{1:.1f} мм по горизонтали, %{2:.1f} мм по вертикали, масштаб %{3:.1f} %%."),
                                     c.x, c.y, c.scale)));
}

void calibration_dialog::print_page()
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(printer_->currentText());
    if (info.isNull()) {
        err__warning(VL_TR("vellumo", "Принтер «%1» не найден."), us(printer_->currentText()).c_str());
        return;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(QCoreApplication::translate("vellumo", "Калибровка принтера"));
    printer.setCreator(QStringLiteral("Vellumo"));
    // Drawn as the printer prints, with no calibration of its own.
    if (!cal__print_page(printer))
        err__warning(VL_TR("vellumo", "Страница калибровки не напечатана на принтере «%1»."), us(printer_->currentText()).c_str());
}

void calibration_dialog::accept()
{
    if (printer_->count() == 0) {
        QDialog::reject();
        return;
    }
    const settings::calibration c = cal__from_measure({left_->value(), top_->value(), ruler_->value()});
    if (!settings::calibration_sound(c)) {
        err__warning(u"%1", us(outcome_->text()).c_str());
        return;
    }
    if (!settings::set_calibration(us(printer_->currentText()), c))
        return; // the failure has been told
    QDialog::accept();
}

void cal__run(QWidget *parent)
{
    const QStringList printers = QPrinterInfo::availablePrinterNames();
    if (printers.isEmpty()) {
        err__warning(VL_TR("vellumo", "Не установлено ни одного принтера: калибровать нечего."));
        return;
    }
    calibration_dialog d(parent, printers, QPrinterInfo::defaultPrinterName());
    d.exec();
}
