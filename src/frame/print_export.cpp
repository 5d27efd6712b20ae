#include "frame/print_export.h"

#include <QCoreApplication>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>
#include <fstream>
#include <optional>

#include "frame/label_printers.h"
#include "frame/print_target.h"
#include "frame/sheet_dialogs.h"
#include "hub/program_state.h"
#include "model/errors.h"
#include "model/settings.h"
#include "output/document.h"
#include "output/printer.h"
#include "platform/code_pages.h"
#include "platform/file_choice.h"
#include "platform/qt_text.h"
#include "render/counters.h"
#include "widgets/controls.h"
#include "platform/translation.h"

namespace {

// The last choices of the PNG options, kept between runs.
constexpr reg_int_setting png_dpi{u"export-dpi", OUT_DEFAULT_DPI};
constexpr reg_int_setting png_transparent{u"export-transparent", 0};

// A batch of more pages than this shows its progress.
constexpr long QUIET_PAGES = 3;
// Problems listed in one message; the rest are counted.
constexpr std::size_t LISTED_PROBLEMS = 10;

class qt_print_choice final : public print_choice_service {
public:
    bool choose(QPrinter &printer, int pages, QWidget *parent) override
    {
        QPrintDialog dlg(&printer, parent);
        dlg.setObjectName(QStringLiteral("zelta-print-dialog"));
        dlg.setWindowModality(Qt::ApplicationModal);
        QAbstractPrintDialog::PrintDialogOptions o = QAbstractPrintDialog::PrintToFile;
        if (pages > 1) {
            o |= QAbstractPrintDialog::PrintPageRange;
            dlg.setMinMax(1, pages);
        }
        dlg.setOptions(o);
        return dlg.exec() == QDialog::Accepted;
    }
};

class wait_cursor {
public:
    wait_cursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~wait_cursor() { QGuiApplication::restoreOverrideCursor(); }
};

void show_list(const char16_t *title, const std::vector<std::u16string> &problems)
{
    if (problems.empty())
        return;
    std::u16string text = title;
    for (std::size_t i = 0; i < problems.size() && i < LISTED_PROBLEMS; ++i)
        text += u"\n" + problems[i];
    if (problems.size() > LISTED_PROBLEMS)
        text += msc__format(VL_TR("vellumo", "\n… и ещё %1"),
                            rdr__number(static_cast<long long>(problems.size() - LISTED_PROBLEMS)).c_str());
    err__warning(u"%1", text.c_str());
}

void show_problems(const std::vector<std::u16string> &problems)
{
    show_list(pl__tr(VL_TR("vellumo", "Не всё нарисовано:")), problems);
}

std::u16string suggested_name(const label *lab, const char16_t *ext)
{
    std::u16string name = lab->name;
    // A label without a name is called after its file.
    if (name.empty() && lab->store.local && lab->store.place) {
        name = *lab->store.place;
        if (const std::size_t slash = name.find_last_of(u'/'); slash != std::u16string::npos)
            name.erase(0, slash + 1);
    }
    // A label from a file is named after it: label1.lbl exports as
    // label1.pdf, not label1.lbl.pdf.
    if (name.size() > 4) {
        std::u16string tail = name.substr(name.size() - 4);
        for (char16_t &c : tail)
            c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
        if (tail == u".lbl")
            name.resize(name.size() - 4);
    }
    if (name.empty())
        name = pl__tr(VL_TR("vellumo", "этикетка"));
    for (char16_t &c : name)
        if (c == u'/' || c == u'\\' || c < 0x20)
            c = u'_';
    return name + ext;
}

// The PNG choices: resolution and background.  False when cancelled.
bool png_options(QWidget *parent, doc_options &o)
{
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("zelta-png-options"));
    dlg.setWindowTitle(QCoreApplication::translate("vellumo", "Параметры PNG"));
    dlg.setWindowModality(Qt::ApplicationModal);
    auto *form = new QFormLayout;
    auto *dpi = new QSpinBox(&dlg);
    dpi->setObjectName(QStringLiteral("dpi"));
    dpi->setRange(OUT_MIN_DPI, OUT_MAX_DPI);
    dpi->setValue(std::clamp<int>(settings::get(png_dpi), OUT_MIN_DPI, OUT_MAX_DPI));
    dpi->setSuffix(QCoreApplication::translate("vellumo", " точек на дюйм"));
    form->addRow(QCoreApplication::translate("vellumo", "Разрешение:"), dpi);
    auto *clear = new QCheckBox(QCoreApplication::translate("vellumo", "Прозрачный фон"), &dlg);
    clear->setObjectName(QStringLiteral("transparent"));
    clear->setChecked(settings::get(png_transparent) != 0);
    form->addRow(QString(), clear);
    QDialogButtonBox *buttons = ctl__ok_cancel(&dlg);
    auto *box = new QVBoxLayout(&dlg);
    box->addLayout(form);
    box->addWidget(buttons);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    o.dpi = dpi->value();
    o.transparent = clear->isChecked();
    settings::set(png_dpi, o.dpi);
    settings::set(png_transparent, o.transparent ? 1 : 0);
    return true;
}

// The output file of an export: chosen, with its PNG options.  Nothing
// when cancelled or refused (the message shown).
std::optional<std::u16string> output_file(QWidget *parent, const label *lab, bool batch, doc_options &o)
{
    file_choice_request req;
    req.title = batch ? pl__tr(VL_TR("vellumo", "Экспорт с данными")) : pl__tr(VL_TR("vellumo", "Экспорт этикетки"));
    req.filters = out__file_filters(batch);
    req.save = true;
    req.must_exist = false;
    req.default_suffix = u"pdf";
    req.initial_name = suggested_name(lab, u".pdf");
    // Exports go where exports went; the first one beside the labels.
    req.folder = settings::get(settings::export_folder)
                     .value_or(settings::get(settings::last_folder).value_or(u""));
    const file_choice_result r = seam<file_choice_service>::get().choose(req);
    if (r.st != file_choice_result::status::chosen)
        return std::nullopt;
    settings::set(settings::export_folder, settings::folder_of(r.path));
    const doc_format f = out__format_of(r.path);
    const output_format *row = out__format(f);
    if (!row || (batch && !row->table)) {
        err__warning(VL_TR("vellumo", "Неизвестный формат файла «%1»: выберите %2."), r.path.c_str(),
                     out__format_list(batch, true, u", ", pl__tr(VL_TR("vellumo", " или "))).c_str());
        return std::nullopt;
    }
    if (f == doc_format::png && !png_options(parent, o))
        return std::nullopt;
    return r.path;
}

// ---------------------------------------------------------------- batch

// What the dialog shows of a table and the choices it lets a user change.
class batch_dialog final : public QDialog {
public:
    batch_dialog(QWidget *parent, const label *lab, const std::string &path, bool print,
                 std::vector<settings::label_printer> printers = {})
        : QDialog(parent), lab_(lab), path_(path)
    {
        setObjectName(QStringLiteral("zelta-batch-dialog"));
        setWindowTitle(print ? QCoreApplication::translate("vellumo", "Печать с данными") : QCoreApplication::translate("vellumo", "Экспорт с данными"));
        setWindowModality(Qt::ApplicationModal);
        auto *form = new QFormLayout;
        auto *file = new QLabel(QString::fromStdString(path), this);
        file->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QCoreApplication::translate("vellumo", "Таблица:"), file);
        // A book's sheets; a CSV file's separator and encoding.
        sheet_ = new QComboBox(this);
        sheet_->setObjectName(QStringLiteral("table-sheet"));
        form->addRow(QCoreApplication::translate("vellumo", "Лист:"), sheet_);
        separator_ = new QComboBox(this);
        separator_->setObjectName(QStringLiteral("separator"));
        separator_->addItem(QCoreApplication::translate("vellumo", "определить по заголовку"), 0);
        separator_->addItem(QCoreApplication::translate("vellumo", "точка с запятой ( ; )"), int(';'));
        separator_->addItem(QCoreApplication::translate("vellumo", "запятая ( , )"), int(','));
        separator_->addItem(QCoreApplication::translate("vellumo", "табуляция"), int('\t'));
        form->addRow(QCoreApplication::translate("vellumo", "Разделитель:"), separator_);
        encoding_ = new QComboBox(this);
        encoding_->setObjectName(QStringLiteral("encoding"));
        encoding_->addItem(QCoreApplication::translate("vellumo", "определить по содержимому"), int(csv_encoding::automatic));
        encoding_->addItem(QStringLiteral("UTF-8"), int(csv_encoding::utf8));
        encoding_->addItem(QStringLiteral("Windows-1251"), int(csv_encoding::cp1251));
        form->addRow(QCoreApplication::translate("vellumo", "Кодировка:"), encoding_);
        columns_ = new QLabel(this);
        columns_->setObjectName(QStringLiteral("columns"));
        columns_->setWordWrap(true);
        form->addRow(QCoreApplication::translate("vellumo", "Столбцы:"), columns_);
        rows_ = new QLabel(this);
        rows_->setObjectName(QStringLiteral("rows"));
        form->addRow(QCoreApplication::translate("vellumo", "Строк:"), rows_);
        missing_ = new QLabel(this);
        missing_->setObjectName(QStringLiteral("missing"));
        missing_->setWordWrap(true);
        form->addRow(QCoreApplication::translate("vellumo", "Без столбца:"), missing_);
        copies_column_ = new QComboBox(this);
        copies_column_->setObjectName(QStringLiteral("copies_column"));
        copies_column_->setToolTip(
            QCoreApplication::translate("vellumo", "Столбец с числом копий каждой строки (целое от 0 до 10000; 0 - строка не печатается)"));
        form->addRow(QCoreApplication::translate("vellumo", "Копии из столбца:"), copies_column_);
        // Label printers beside the system's; a label on a sheet goes to a
        // printer of sheets.
        if (print && !printers.empty() && !lab->sheet) {
            target_ = new print_target_box(this, form, std::move(printers), QCoreApplication::translate("vellumo", "Копий каждой этикетки:"));
            connect(target_, &print_target_box::changed, this, [this] { check(); });
        }
        thumb_ = new QLabel(this);
        thumb_->setObjectName(QStringLiteral("thumbnail"));
        thumb_->setAlignment(Qt::AlignCenter);
        thumb_->setMinimumSize(THUMB_W, THUMB_H);
        problem_ = new QLabel(this);
        problem_->setObjectName(QStringLiteral("problem"));
        problem_->setWordWrap(true);
        problem_->setStyleSheet(QStringLiteral("color: #b00000"));
        buttons_ = ctl__ok_cancel(this, print ? QCoreApplication::translate("vellumo", "Печать...") : QCoreApplication::translate("vellumo", "Экспорт..."));
        form_ = form;
        auto *box = new QVBoxLayout(this);
        box->addLayout(form);
        // On a sheet: the first sheet as it will print, the cell to start
        // at, copies of each row.
        if (lab->sheet && !sht__check(*lab->sheet)) {
            labels_ = new sheet_run_box(this, *lab->sheet, QCoreApplication::translate("vellumo", "Копий каждой этикетки"));
            box->addWidget(labels_);
            connect(labels_->view(), &sheet_view::first_chosen, this, [this] { show_sheet(); });
            connect(labels_->copies(), &QSpinBox::valueChanged, this, [this] { show_sheet(); });
        }
        box->addWidget(thumb_);
        box->addWidget(problem_);
        box->addWidget(buttons_);
        connect(copies_column_, &QComboBox::currentIndexChanged, this, [this] {
            if (!filling_)
                check();
        });
        connect(separator_, &QComboBox::currentIndexChanged, this, [this] { scan(); });
        connect(encoding_, &QComboBox::currentIndexChanged, this, [this] { scan(); });
        connect(sheet_, &QComboBox::currentIndexChanged, this, [this] {
            if (!filling_)
                scan();
        });
        scan();
    }

    const csv_options &options() const { return options_; }
    // The book's sheet chosen (empty for CSV: the first).
    std::u16string table_sheet() const { return table_sheet_; }
    long rows() const { return summary_.rows; }
    // The column chosen for each row's copies; empty for none.
    std::u16string copies_column() const { return us(copies_column_->currentData().toString()); }
    // The labels of the whole run.
    long labels() const
    {
        if (!copies_column().empty())
            return static_cast<long>(run_labels_);
        return summary_.rows * (labels_ ? labels_->copies()->value() : 1);
    }
    // Null for a label printed a page each.
    const sheet_run_box *sheet() const { return labels_; }
    // Null without label printers to choose from.
    const print_target_box *target() const { return target_; }

    void accept() override
    {
        if (target_)
            target_->keep();
        QDialog::accept();
    }

private:
    static constexpr int THUMB_W = 320, THUMB_H = 200;

    void scan()
    {
        wait_cursor busy; // a long table takes a moment
        options_.separator = static_cast<char>(separator_->currentData().toInt());
        options_.encoding = static_cast<csv_encoding>(encoding_->currentData().toInt());
        table_sheet_ = sheet_->currentIndex() >= 0 ? sheet_->currentText().toStdU16String() : std::u16string();
        csv_problem problem;
        table_ = std::make_unique<data_table>();
        const bool ok = table_->open({path_, options_, table_sheet_}, problem);
        summary_ = ok ? table_->summary() : csv_summary{};
        // A book's sheets to choose from, in place of what only CSV has.
        const bool book = table_->kind() != table_kind::csv;
        if (book && sheet_->count() == 0) {
            filling_ = true;
            for (const std::u16string &n : table_->sheet_names())
                sheet_->addItem(qs(n));
            sheet_->setCurrentText(qs(table_sheet_));
            filling_ = false;
        }
        form_->setRowVisible(sheet_, book);
        form_->setRowVisible(separator_, !book);
        form_->setRowVisible(encoding_, !book);
        QStringList cols;
        for (const std::u16string &c : summary_.columns)
            cols << QCoreApplication::translate("vellumo", "«%1»", "a column's name quoted").arg(qs(c));
        columns_->setText(ok ? cols.join(QStringLiteral(", ")) : QString());
        rows_->setText(ok ? QString::number(summary_.rows) : QString());
        {
            // The same column stays chosen while the table reads the same.
            const QString was = copies_column_->currentData().toString();
            filling_ = true;
            copies_column_->clear();
            copies_column_->addItem(QCoreApplication::translate("vellumo", "нет"), QString());
            for (const std::u16string &c : summary_.columns)
                if (!c.empty())
                    copies_column_->addItem(qs(c), qs(c));
            copies_column_->setCurrentIndex(std::max(copies_column_->findData(was), 0));
            filling_ = false;
        }
        scanned_ = ok ? std::u16string() : problem.message;
        check();
    }

    // What the table and the choices make of the run: its problem, the
    // first label, the sheet.
    void check()
    {
        wait_cursor busy;
        const bool ok = scanned_.empty();
        const std::vector<std::u16string> names = out__label_names(lab_);
        QStringList missing;
        for (const std::u16string &n : out__names_without_column(names, summary_.columns))
            missing << QStringLiteral("${") + qs(n) + QStringLiteral("}");
        missing_->setText(!ok ? QString()
                          : missing.isEmpty()
                              ? QCoreApplication::translate("vellumo", "нет")
                              : missing.join(QStringLiteral(", ")) +
                                    QCoreApplication::translate("vellumo", " - из переменных просмотра, иначе пусто"));
        std::u16string why = scanned_;
        if (ok && summary_.rows == 0)
            why = pl__tr(VL_TR("vellumo", "В таблице нет ни одной строки с данными, печатать нечего."));
        const std::u16string column = copies_column();
        run_labels_ = 0;
        if (why.empty() && !column.empty())
            out__count_labels(*table_, column, run_labels_, why);
        if (labels_)
            labels_->copies()->setEnabled(column.empty());
        const settings::label_printer *printer = target_ ? target_->printer() : nullptr;
        if (target_)
            target_->copies_box()->setEnabled(column.empty());
        if (why.empty() && printer)
            why = lpr__job_refusal(lab_, *printer);
        if (target_) // a label printer needs no dialog of its own
            buttons_->button(QDialogButtonBox::Ok)->setText(printer ? QCoreApplication::translate("vellumo", "Печать")
                                                                    : QCoreApplication::translate("vellumo", "Печать..."));
        problem_->setText(qs(why));
        problem_->setVisible(!why.empty());
        buttons_->button(QDialogButtonBox::Ok)->setEnabled(why.empty());
        const QPixmap first = why.empty() ? thumbnail(names) : QPixmap();
        thumb_->setPixmap(first);
        if (labels_)
            labels_->view()->set_picture(first);
        show_sheet();
    }

    // The cells of the first sheet the table fills, counted from the cell to
    // start at; the rest stay blank.
    void show_sheet()
    {
        if (!labels_)
            return;
        sheet_view *v = labels_->view();
        thumb_->setVisible(false); // the drawing of the sheet stands for it
        const long labels = this->labels();
        v->set_filled(labels);
        v->setToolTip(qs(msc__format(VL_TR("vellumo", "Этикеток: %1, листов: %2"), labels,
                                     sheet_layout(*lab_->sheet, labels_->options()).pages_for(labels))));
    }

    // The label of the first row, made to fit the thumbnail's room.
    QPixmap thumbnail(const std::vector<std::u16string> &names)
    {
        csv_problem problem;
        std::unique_ptr<table_rows> rows = table_->rows(problem);
        std::vector<std::u16string> cells;
        long line = 0;
        if (!rows || !rows->next(cells, line, problem))
            return {};
        const render_variable_map vars = out__row_variables(names, summary_.columns, cells, prs__variables());
        if (const settings::label_printer *printer = target_ ? target_->printer() : nullptr)
            return QPixmap::fromImage(lpr__preview(lab_, vars, lpr__options(*printer), QSize(THUMB_W, THUMB_H)));
        doc_options o;
        const double w = std::max(lab_->width, 1.0), h = std::max(lab_->height, 1.0);
        o.dpi = std::clamp(static_cast<int>(72 * std::min(THUMB_W / w, THUMB_H / h)), OUT_MIN_DPI, 300);
        std::vector<std::u16string> ignored;
        return QPixmap::fromImage(out__image(lab_, vars, o, ignored));
    }

    const label *lab_;
    std::string path_;
    csv_options options_;
    csv_summary summary_;
    std::unique_ptr<data_table> table_;
    std::u16string table_sheet_;
    std::u16string scanned_;   // why the table is refused; empty when it is not
    long long run_labels_ = 0; // of a run with a copies column
    bool filling_ = false;
    QFormLayout *form_ = nullptr;
    QComboBox *sheet_, *separator_, *encoding_, *copies_column_;
    QLabel *columns_, *rows_, *missing_, *thumb_, *problem_;
    QDialogButtonBox *buttons_;
    sheet_run_box *labels_ = nullptr;
    print_target_box *target_ = nullptr;
};

std::function<void(QProgressDialog *, long, long)> &progress_watch()
{
    static std::function<void(QProgressDialog *, long, long)> watch;
    return watch;
}

// `rows` is the run's labels, as the batch counts its progress.
void run_batch(QWidget *parent, const label *lab, const std::string &csv, const csv_options &options,
               const std::u16string &table_sheet, long rows, page_sink &sink, const page_layout *layout, int copies,
               const std::u16string &copies_column, bool streamed = false)
{
    std::unique_ptr<QProgressDialog> progress;
    if (rows > QUIET_PAGES) {
        progress = std::make_unique<QProgressDialog>(QCoreApplication::translate("vellumo", "Этикетки рисуются..."),
                                                     QCoreApplication::translate("vellumo", "Отмена"), 0, static_cast<int>(std::min<long>(rows, INT_MAX)), parent);
        progress->setObjectName(QStringLiteral("zelta-batch-progress"));
        progress->setWindowTitle(QCoreApplication::translate("vellumo", "Печать с данными"));
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        progress->show();
    }
    batch_request req;
    req.lab = lab;
    req.csv_path = csv;
    req.csv = options;
    req.sheet = table_sheet;
    req.preview = prs__variables();
    req.layout = layout;
    req.copies = copies;
    req.copies_column = copies_column;
    req.progress = [&](long done, long total) {
        if (!progress)
            return true;
        progress->setLabelText(QCoreApplication::translate("vellumo", "Этикетка %1 из %2").arg(std::min(done + 1, total)).arg(total));
        // 10,000 copies a row can take a run past what a bar counts.
        progress->setValue(static_cast<int>(std::min<long>(done, INT_MAX)));
        QApplication::processEvents();
        if (progress_watch())
            progress_watch()(progress.get(), done, total);
        return !progress->wasCanceled();
    };
    const batch_outcome out = out__batch(req, sink);
    progress.reset();
    if (out.cancelled) {
        // What went to a printer as it was drawn cannot be called back.
        if (streamed && out.pages > 0)
            err__warning(VL_TR("vellumo", "Печать остановлена, но этикеток отправлено на принтер: %1."), out.pages);
        return;
    }
    if (!out.complete)
        err__warning(u"%1", out.error.c_str());
    show_problems(out.problems);
    show_list(pl__tr(VL_TR("vellumo", "Напечатано, но не всё так, как задумано:")), sink.warnings);
}

// A run sent to a label printer as one job: the printer makes the copies
// unless each copy differs (numbered by ${#}, or counted per row).
// `rows` is 1 without a table.
void print_on_label_printer(QWidget *parent, const label *lab, const settings::label_printer &printer, int copies,
                            const std::string &csv, const csv_options &options, const std::u16string &table_sheet,
                            long rows, const std::u16string &copies_column)
{
    const bool printer_copies =
        copies_column.empty() && !run_counters(out__label_names(lab), QDateTime()).numbers_labels();
    std::unique_ptr<page_sink> sink = lpr__open_sink(lab, printer, printer_copies ? copies : 1);
    if (!sink)
        return;
    const label_per_page layout(lab);
    const long labels = printer_copies || !copies_column.empty() ? rows : rows * copies;
    run_batch(parent, lab, csv, options, table_sheet, labels, *sink, &layout, printer_copies ? 1 : copies,
              copies_column, true);
}

} // namespace

template <>
print_choice_service &seam<print_choice_service>::fallback()
{
    static qt_print_choice qt;
    return qt;
}

void pex__set_progress_watch(std::function<void(QProgressDialog *, long, long)> watch)
{
    progress_watch() = std::move(watch);
}

// The printer's calibration, for a printer and not a file.
page_shift pex__printer_shift(const QPrinter &printer)
{
    if (printer.outputFormat() != QPrinter::NativeFormat || printer.printerName().isEmpty())
        return {};
    const settings::calibration c = settings::get_calibration(us(printer.printerName()));
    return {QPointF(c.x * 72 / 25.4, c.y * 72 / 25.4), c.scale / 100};
}

namespace {

// A label on its sheet: where to start, how many, outlines and crop marks.
// Nothing when cancelled, or when the sheet cannot be used (told).
std::optional<std::pair<sheet_options, int>> single_on_sheet(QWidget *parent, const label *lab, bool print)
{
    if (auto why = sht__check(*lab->sheet)) {
        err__warning(u"%1", why->c_str());
        return std::nullopt;
    }
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("zelta-sheet-run"));
    dlg.setWindowTitle(print ? QCoreApplication::translate("vellumo", "Печать на листе") : QCoreApplication::translate("vellumo", "Экспорт на листе"));
    dlg.setWindowModality(Qt::ApplicationModal);
    auto *run = new sheet_run_box(&dlg, *lab->sheet, QCoreApplication::translate("vellumo", "Копий"));
    auto *box = new QVBoxLayout(&dlg);
    box->addWidget(run);
    box->addWidget(ctl__ok_cancel(&dlg, print ? QCoreApplication::translate("vellumo", "Печать...") : QCoreApplication::translate("vellumo", "Экспорт...")));
    {
        // The label drawn in the cells it goes to.
        doc_options o;
        o.dpi = 36;
        std::vector<std::u16string> ignored;
        run->view()->set_picture(QPixmap::fromImage(out__image(
            lab, out__preview_variables(out__label_names(lab), prs__variables()), o, ignored)));
    }
    auto filled = [run] { run->view()->set_filled(run->copies()->value()); };
    QObject::connect(run->copies(), &QSpinBox::valueChanged, &dlg, filled);
    filled();
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return std::make_pair(run->options(), run->copies()->value());
}

// `copies` of the label from the sheet's chosen cell on, into the sink.
void fill_sheet(const label *lab, const sheet_layout &layout, int copies, page_sink &sink)
{
    std::vector<run_problem> said;
    std::u16string error;
    bool ok = true;
    {
        wait_cursor busy;
        page_filler pages(layout, sink);
        const std::vector<std::u16string> names = out__label_names(lab);
        const render_variable_map vars = out__preview_variables(names, prs__variables());
        // The copies are a run: ${#} counts them, the date is one.
        const run_counters counters(names, QDateTime::currentDateTime());
        for (int i = 0; i < copies && ok; ++i) {
            render_variable_map these = vars;
            counters.put(these, i + 1, 1);
            ok = pages.add(lab, std::move(these), 0, said, error);
        }
        ok = ok && pages.flush(said, error) && sink.finish(error);
    }
    if (!ok)
        err__warning(u"%1", error.c_str());
    std::vector<std::u16string> problems;
    for (run_problem &p : said)
        problems.push_back(std::move(p.text));
    show_problems(problems);
}

} // namespace

void pex__export(QWidget *parent, const label *lab)
{
    if (lab->sheet) {
        const auto run = single_on_sheet(parent, lab, false);
        if (!run)
            return;
        const sheet_layout layout(*lab->sheet, run->first);
        doc_options o;
        const std::optional<std::u16string> path = output_file(parent, lab, false, o);
        if (!path)
            return;
        std::u16string error;
        // More than one page: a PNG or SVG file each.
        std::unique_ptr<page_sink> sink = out__file_sink(lab, *path, o, layout.pages_for(run->second) > 1, error);
        if (!sink) {
            err__warning(u"%1", error.c_str());
            return;
        }
        fill_sheet(lab, layout, run->second, *sink);
        return;
    }
    doc_options o;
    const std::optional<std::u16string> path = output_file(parent, lab, false, o);
    if (!path)
        return;
    std::vector<std::u16string> problems;
    std::u16string error;
    bool ok = false;
    {
        wait_cursor busy;
        ok = out__export(lab, prs__variables(), *path, o, problems, error);
    }
    if (!ok)
        err__warning(u"%1", error.c_str());
    show_problems(problems);
}

void pex__print(QWidget *parent, const label *lab)
{
    if (lab->sheet) {
        const auto run = single_on_sheet(parent, lab, true);
        if (!run)
            return;
        const sheet_layout layout(*lab->sheet, run->first);
        const std::unique_ptr<QPrinter> printer = out__printer(lab, layout);
        if (!seam<print_choice_service>::get().choose(
                *printer, static_cast<int>(std::min<long>(layout.pages_for(run->second), INT_MAX)), parent))
            return;
        out__set_up_printer(*printer, lab, layout);
        std::unique_ptr<page_sink> sink = out__printer_sink(lab, *printer, pex__printer_shift(*printer));
        fill_sheet(lab, layout, run->second, *sink);
        return;
    }
    if (std::vector<settings::label_printer> printers = settings::get_label_printers(); !printers.empty()) {
        // Label printers beside the system's, chosen first.
        int copies = 1;
        std::optional<settings::label_printer> chosen;
        {
            print_target_dialog d(parent, lab, out__preview_variables(out__label_names(lab), prs__variables()),
                                  std::move(printers));
            if (d.exec() != QDialog::Accepted)
                return;
            if (d.target()->printer())
                chosen = *d.target()->printer();
            copies = d.target()->copies();
        }
        if (chosen) {
            print_on_label_printer(parent, lab, *chosen, copies, {}, {}, {}, 1, {});
            return;
        }
    }
    const label_per_page layout(lab);
    const std::unique_ptr<QPrinter> printer = out__printer(lab, layout);
    if (!seam<print_choice_service>::get().choose(*printer, 1, parent))
        return;
    // The label is the page, whatever paper the dialog last showed.
    out__set_up_printer(*printer, lab, layout);
    std::vector<std::u16string> problems;
    std::u16string error;
    bool ok = false;
    {
        wait_cursor busy;
        const std::vector<std::u16string> names = out__label_names(lab);
        const render_variable_map vars = out__preview_variables(names, prs__variables());
        // Copies that ${#} numbers are pages of their own: the printer
        // would repeat the first.
        const run_counters counters(names, QDateTime::currentDateTime());
        const int copies = counters.numbers_labels() ? std::max(printer->copyCount(), 1) : 1;
        if (copies > 1)
            printer->setCopyCount(1);
        std::unique_ptr<page_sink> sink = out__device_sink(lab, *printer, 0, 0, pex__printer_shift(*printer));
        ok = true;
        for (int i = 0; i < copies && ok; ++i) {
            render_variable_map these = vars;
            counters.put(these, i + 1, 1);
            ok = sink->label_page(lab, these, i + 1, problems, error);
        }
        ok = ok && sink->finish(error);
    }
    if (!ok)
        err__warning(u"%1", error.c_str());
    show_problems(problems);
}

void pex__batch(QWidget *parent, const label *lab, bool print)
{
    file_choice_request req;
    req.title = pl__tr(VL_TR("vellumo", "Таблица данных"));
    req.filters = {{pl__tr(VL_TR("vellumo", "Таблицы CSV, Excel и OpenDocument")), u"*.csv;*.txt;*.tsv;*.xlsx;*.ods"}, {pl__tr(VL_TR("vellumo", "Все файлы")), u"*"}};
    req.must_exist = true;
    req.folder = settings::get(settings::table_folder).value_or(u"");
    const file_choice_result r = seam<file_choice_service>::get().choose(req);
    if (r.st != file_choice_result::status::chosen)
        return;
    settings::set(settings::table_folder, settings::folder_of(r.path));
    const std::string csv = plt__to_utf8(r.path);
    csv_options options;
    std::u16string table_sheet;
    long rows = 0;
    std::optional<sheet_options> on_sheet;
    int copies = 1;
    std::u16string copies_column;
    std::optional<settings::label_printer> label_printer;
    long table_rows = 0;
    {
        batch_dialog dlg(parent, lab, csv, print, print ? settings::get_label_printers()
                                                        : std::vector<settings::label_printer>{});
        if (dlg.exec() != QDialog::Accepted)
            return;
        table_rows = dlg.rows();
        if (dlg.target() && dlg.target()->printer()) {
            label_printer = *dlg.target()->printer();
            copies = dlg.target()->copies();
        }
        options = dlg.options();
        table_sheet = dlg.table_sheet();
        rows = dlg.labels();
        copies_column = dlg.copies_column();
        if (dlg.sheet()) {
            on_sheet = dlg.sheet()->options();
            copies = dlg.sheet()->copies()->value();
        }
    }
    if (label_printer) {
        print_on_label_printer(parent, lab, *label_printer, copies, csv, options, table_sheet,
                               copies_column.empty() ? table_rows : rows, copies_column);
        return;
    }
    if (lab->sheet && !on_sheet) {
        // A sheet the checks refuse: said, nothing printed.
        err__warning(u"%1", sht__check(*lab->sheet).value_or(u"").c_str());
        return;
    }
    const label_per_page one_per_page(lab);
    std::optional<sheet_layout> sheets;
    if (on_sheet)
        sheets.emplace(*lab->sheet, *on_sheet);
    const page_layout &layout = sheets ? static_cast<const page_layout &>(*sheets) : one_per_page;
    if (print) {
        const std::unique_ptr<QPrinter> printer = out__printer(lab, layout);
        // The dialog's range is of pages, which the layout fills with rows.
        const long pages = layout.pages_for(rows);
        if (!seam<print_choice_service>::get().choose(*printer, static_cast<int>(std::min<long>(pages, INT_MAX)),
                                                       parent))
            return;
        out__set_up_printer(*printer, lab, layout);
        std::unique_ptr<page_sink> sink = out__printer_sink(lab, *printer, pex__printer_shift(*printer));
        run_batch(parent, lab, csv, options, table_sheet, rows, *sink, &layout, copies, copies_column);
        return;
    }
    doc_options o;
    const std::optional<std::u16string> path = output_file(parent, lab, true, o);
    if (!path)
        return;
    std::u16string error;
    std::unique_ptr<page_sink> sink = out__file_sink(lab, *path, o, true, error);
    if (!sink) {
        err__warning(u"%1", error.c_str());
        return;
    }
    run_batch(parent, lab, csv, options, table_sheet, rows, *sink, &layout, copies, copies_column);
}
