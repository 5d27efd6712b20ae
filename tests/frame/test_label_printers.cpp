// Label printers from the editor: a printer added under "Настройки", a
// label printed on it through "Печать" and "Печать с данными", each checked
// on the bytes a listener on 127.0.0.1 received as the printer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <condition_variable>
#include <mutex>

#include "frame/frame.h"
#include "frame/label_printers.h"
#include "frame/options.h"
#include "frame/print_export.h"
#include "frame/print_target.h"
#include "hub/commands.h"
#include "hub/program_state.h"
#include "output/output_support.h"
#include "platform/code_pages.h"
#include "platform/qt_text.h"
#include "support/fakes.h"
#include "support/hub_fakes.h"
#include "support/modal.h"
#include "support/scoped_env.h"
#include "support/shots.h"
#include "support/zbar.h"

using namespace out_test;
namespace fs = std::filesystem;

namespace {

// A printer on a raw socket: its own thread accepts every connection and
// keeps what each one sent until it closed.
class loopback_printer final : public QThread {
public:
    loopback_printer()
    {
        start();
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return port_ != 0; });
    }
    ~loopback_printer() override
    {
        quit();
        wait();
    }
    QString address() const { return QStringLiteral("socket://127.0.0.1:%1").arg(port_); }
    // The jobs of every connection that has closed; waits (bounded, as a
    // guard only) until `count` have.
    std::vector<std::string> jobs(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait_for(lock, std::chrono::seconds(20), [&] { return jobs_.size() >= count; });
        return jobs_;
    }
    int connections()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return connections_;
    }

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    ++connections_;
                }
                auto job = std::make_shared<std::string>();
                QObject::connect(s, &QTcpSocket::readyRead, s, [s, job] { *job += s->readAll().toStdString(); });
                QObject::connect(s, &QTcpSocket::disconnected, s, [this, s, job] {
                    *job += s->readAll().toStdString();
                    {
                        std::lock_guard<std::mutex> lock(mutex_);
                        jobs_.push_back(*job);
                    }
                    ready_.notify_all();
                    s->deleteLater();
                });
            }
        });
        {
            std::lock_guard<std::mutex> lock(mutex_);
            port_ = server.serverPort();
        }
        ready_.notify_all();
        exec();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    quint16 port_ = 0;
    int connections_ = 0;
    std::vector<std::string> jobs_;
};

// A port nobody listens on: taken, then let go.
QString refused_address()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    const quint16 port = s.serverPort();
    s.close();
    return QStringLiteral("socket://127.0.0.1:%1").arg(port);
}

std::size_t count(const std::string &text, const std::string &what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

file_choice_result chosen(const fs::path &p)
{
    file_choice_result r;
    r.st = file_choice_result::status::chosen;
    r.path = u16(p);
    return r;
}

void click_ok(QWidget *w)
{
    w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
}

class LabelPrinterPrinting : public testing::Test {
protected:
    void SetUp() override { prs__variables() = {{u"who", u"из просмотра"}, {u"code", u"LP-1"}}; }
    void TearDown() override
    {
        prs__variables().clear();
        QList<QPointer<label_frame>> frames;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *f = qobject_cast<label_frame *>(w))
                frames << f;
        for (auto &f : frames)
            delete f.data();
        QApplication::processEvents();
    }
    // A price tag 76 × 38 mm: a text with ${who}, a CODE-128 of ${code}.
    label_frame *open_frame()
    {
        auto *f = new label_frame(store);
        label *lab = f->hub().lab();
        lab->width = 216;
        lab->height = 108;
        lab->name = u"Ценник";
        lab->bgcolor = 0xFFFFFF;
        text(lab, u"${who}", 8, 90, 10);
        barcode(lab, 7, u"${code}", 10, 8, 196, 60);
        f->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(f));
        return f;
    }
    // Kept without the dialogs, for tests about printing.
    void keep_printer(const QString &address, double head_mm = 0)
    {
        settings::label_printer p;
        p.name = u"Склад";
        p.connection = us(address);
        p.head_width_mm = head_mm;
        ASSERT_EQ(settings::set_label_printers({p}), 1);
    }
    std::string warnings() const
    {
        std::string out;
        for (const auto &b : boxes.shown)
            out += plt__to_utf8(b.text) + "\n";
        return out;
    }
    // "Печать" to the kept printer with `copies`.
    void print_on_kept(label_frame *f, int copies)
    {
        when_modal_named(QStringLiteral("zelta-print-target"), [copies](QWidget *w) {
            auto *d = static_cast<print_target_dialog *>(w);
            QComboBox *c = d->target()->choice();
            c->setCurrentIndex(c->findText(QStringLiteral("Принтер этикеток: Склад")));
            d->target()->copies_box()->setValue(copies);
            click_ok(w);
        });
        f->command(cmd::print);
    }

    temp_dir dir;
    scoped_env settings_home{"XDG_CONFIG_HOME", dir.path().string()};
    fake_store store;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    scripted_file_choice files;
    scoped_seam<file_choice_service> use_files{&files};
};

} // namespace

TEST_F(LabelPrinterPrinting, AddedUnderTheOptionsThenPrintedAsOneZplJob)
{
    loopback_printer printer;
    label_frame *f = open_frame();
    std::size_t boxes_seen = 0;
    // "Настройки" → "Принтеры этикеток..." → "Добавить...".
    when_modal_named(QStringLiteral("zelta-options-dialog"), [&](QWidget *options) {
        when_modal_named(QStringLiteral("zelta-label-printers"), [&](QWidget *w) {
            auto *list = static_cast<label_printers_dialog *>(w);
            EXPECT_EQ(list->list()->count(), 0);
            EXPECT_FALSE(list->test_button()->isEnabled());
            when_modal_named(QStringLiteral("zelta-label-printer"), [&](QWidget *e) {
                auto *d = static_cast<label_printer_dialog *>(e);
                // Each refusal is said, and the dialog stays to be put right.
                click_ok(e);
                ASSERT_EQ(boxes.shown.size(), ++boxes_seen);
                EXPECT_EQ(boxes.shown.back().text, u"Укажите имя принтера.");
                d->name()->setText(QStringLiteral("Склад"));
                d->connection()->setText(QStringLiteral("http://127.0.0.1:9100"));
                click_ok(e);
                ASSERT_EQ(boxes.shown.size(), ++boxes_seen);
                EXPECT_NE(warnings().find("socket://АДРЕС[:ПОРТ]"), std::string::npos) << warnings();
                // TSPL takes darkness up to 15: the output's own bounds.
                d->connection()->setText(printer.address());
                d->language()->setCurrentIndex(d->language()->findText(QStringLiteral("TSPL")));
                d->darkness()->setValue(20);
                click_ok(e);
                ASSERT_EQ(boxes.shown.size(), ++boxes_seen);
                EXPECT_TRUE(e->isVisible());
                d->language()->setCurrentIndex(d->language()->findText(QStringLiteral("ZPL II")));
                d->darkness()->setValue(-1);
                save_shot(e, QStringLiteral("label-printer"));
                click_ok(e);
            });
            list->add_button()->click();
            EXPECT_EQ(boxes.shown.size(), boxes_seen); // taken without a word
            ASSERT_EQ(list->list()->count(), 1);
            EXPECT_TRUE(list->test_button()->isEnabled());
            save_shot(w, QStringLiteral("label-printers"));
            // A second printer of the same name is refused.
            when_modal_named(QStringLiteral("zelta-label-printer"), [&](QWidget *e) {
                auto *d = static_cast<label_printer_dialog *>(e);
                d->name()->setText(QStringLiteral("Склад"));
                d->connection()->setText(QStringLiteral("/dev/usb/lp0"));
                click_ok(e);
                ASSERT_EQ(boxes.shown.size(), ++boxes_seen);
                EXPECT_NE(warnings().find("уже есть"), std::string::npos) << warnings();
                static_cast<QDialog *>(e)->reject();
            });
            list->add_button()->click();
            static_cast<QDialog *>(w)->reject();
        });
        static_cast<options_dialog *>(options)->label_printers_button()->click();
        static_cast<QDialog *>(options)->reject();
    });
    f->command(cmd::options);
    const std::vector<settings::label_printer> kept = settings::get_label_printers();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].name, u"Склад");
    EXPECT_EQ(kept[0].connection, us(printer.address()));

    // "Печать": the printer beside the system's, the label as its dots.
    when_modal_named(QStringLiteral("zelta-print-target"), [](QWidget *w) {
        auto *d = static_cast<print_target_dialog *>(w);
        QComboBox *c = d->target()->choice();
        ASSERT_EQ(c->count(), 2);
        EXPECT_FALSE(d->target()->copies_box()->isVisibleTo(w)); // the system's dialog asks its own
        c->setCurrentIndex(1);
        EXPECT_EQ(c->currentText(), QStringLiteral("Принтер этикеток: Склад"));
        EXPECT_TRUE(d->target()->copies_box()->isVisibleTo(w));
        d->target()->copies_box()->setValue(3);
        // Dots, not a drawing: black and white only, never a blend.
        const QImage shown = d->preview()->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(shown.isNull());
        EXPECT_LE(shown.width(), PRINT_PREVIEW_W);
        std::set<QRgb> colours;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                colours.insert(shown.pixel(x, y) & 0xFFFFFF);
        EXPECT_EQ(colours, (std::set<QRgb>{0x000000, 0xFFFFFF}));
        save_shot(w, QStringLiteral("print-target"));
        click_ok(w);
    });
    f->command(cmd::print);
    const std::vector<std::string> jobs = printer.jobs(1);
    EXPECT_EQ(boxes.shown.size(), boxes_seen) << warnings();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(printer.connections(), 1);
    const std::string &job = jobs[0];
    const int dots = out__thermal_size(f->hub().lab(), 203).width();
    EXPECT_EQ(dots, 609); // 76.2 mm at 8 dots a mm
    EXPECT_NE(job.find("^XA"), std::string::npos);
    EXPECT_NE(job.find("^PW" + std::to_string(dots)), std::string::npos) << job.substr(0, 200);
    EXPECT_NE(job.rfind("^XZ"), std::string::npos);
    // Three copies of a label without ${#}: one label, printed three times
    // by the printer.
    EXPECT_EQ(count(job, "^GF"), 1u);
    EXPECT_NE(job.find("^PQ3"), std::string::npos);
    // The choice is remembered for the next time.
    EXPECT_EQ(settings::get(settings::print_target).value_or(u""), u"Склад");
}

TEST_F(LabelPrinterPrinting, NumberedCopiesAreLabelsOfTheirOwnAndABatchIsOneJob)
{
    loopback_printer printer;
    keep_printer(printer.address());
    label_frame *f = open_frame();
    f->hub().lab()->es[0]->text.text = u"№ ${#}";
    print_on_kept(f, 3);
    std::vector<std::string> jobs = printer.jobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(count(jobs[0], "^GF"), 3u); // each copy drawn with its number
    EXPECT_EQ(jobs[0].find("^PQ3"), std::string::npos);

    // "Печать с данными": five rows, one connection, one job of five labels,
    // the progress shown as for any printer.
    f->hub().lab()->es[0]->text.text = u"${who}";
    std::string csv = "code;who\r\n";
    for (int i = 1; i <= 5; ++i)
        csv += "K" + std::to_string(i) + ";Строка " + std::to_string(i) + "\r\n";
    write_file(dir / "t.csv", csv);
    files.results.push_back(chosen(dir / "t.csv"));
    when_modal_named(QStringLiteral("zelta-batch-dialog"), [](QWidget *w) {
        auto *target = w->findChild<print_target_box *>();
        ASSERT_TRUE(target);
        QComboBox *c = target->choice();
        // "Печать" went to it last: chosen already.
        EXPECT_EQ(c->currentText(), QStringLiteral("Принтер этикеток: Склад"));
        c->setCurrentIndex(0);
        const QPixmap system = w->findChild<QLabel *>(QStringLiteral("thumbnail"))->pixmap();
        c->setCurrentIndex(c->findText(QStringLiteral("Принтер этикеток: Склад")));
        // The thumbnail turns into the printer's dots.
        const QPixmap dots = w->findChild<QLabel *>(QStringLiteral("thumbnail"))->pixmap();
        ASSERT_FALSE(dots.isNull());
        EXPECT_NE(dots.toImage(), system.toImage());
        save_shot(w, QStringLiteral("batch-dialog-label-printer"));
        click_ok(w);
    });
    long progressed = 0;
    pex__set_progress_watch([&](QProgressDialog *, long done, long) { progressed = done; });
    f->command(cmd::print_batch);
    pex__set_progress_watch({});
    EXPECT_EQ(progressed, 5);
    jobs = printer.jobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(printer.connections(), 2);
    EXPECT_EQ(count(jobs[1], "^GF"), 5u);
    EXPECT_EQ(warnings(), "");
}

TEST_F(LabelPrinterPrinting, ARefusedPortIsSaidAndNothingHangs)
{
    keep_printer(refused_address());
    label_frame *f = open_frame();
    print_on_kept(f, 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, mb_icon::warning);
    // Which printer, and that nothing went to it.
    EXPECT_EQ(warnings().rfind("Принтер этикеток «Склад» не отвечает, ничего не напечатано: ", 0), 0u) << warnings();

    // The test label from the list says the same.
    label_printers_dialog d(nullptr);
    ASSERT_EQ(d.list()->count(), 1);
    d.test_button()->click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(warnings().find("Пробная этикетка не напечатана: "), std::string::npos) << warnings();
}

TEST_F(LabelPrinterPrinting, TestLabelReachesThePrinterAndALabelWiderThanTheHeadIsRefused)
{
    loopback_printer printer;
    keep_printer(printer.address(), 40);
    label_printers_dialog d(nullptr);
    d.test_button()->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, mb_icon::information);
    EXPECT_EQ(boxes.shown[0].text, u"Пробная этикетка отправлена на принтер «Склад».");
    const std::vector<std::string> jobs = printer.jobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    // As wide as the head.
    const label_ptr test_label = lpr__test_label(*settings::find_label_printer(u"Склад"));
    EXPECT_NEAR(test_label->width, 40 * 72 / 25.4, 1e-9);
    const std::string width = "^PW" + std::to_string(out__thermal_size(test_label.get(), 203).width());
    EXPECT_NE(jobs[0].find(width), std::string::npos) << jobs[0].substr(0, 200);
    // Its barcode reads as the printer's dots draw it: a quiet zone of its
    // own inside the frame.
    std::vector<page_problem> said;
    const QImage dots = out__thermal_image(out__label_page(test_label.get(), {}), thermal_options{}, said);
    EXPECT_EQ(zbar_read(dots.convertToFormat(QImage::Format_RGB32)), "VELLUMO");

    // The price tag is 76 mm wide: refused before anything is sent.
    label_frame *f = open_frame();
    when_modal_named(QStringLiteral("zelta-print-target"), [](QWidget *w) {
        auto *t = static_cast<print_target_dialog *>(w);
        t->target()->choice()->setCurrentIndex(1);
        EXPECT_TRUE(t->problem()->isVisibleTo(w));
        EXPECT_FALSE(t->problem()->text().isEmpty());
        EXPECT_FALSE(w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled());
        static_cast<QDialog *>(w)->reject();
    });
    f->command(cmd::print);
    EXPECT_EQ(printer.connections(), 1);
}

TEST_F(LabelPrinterPrinting, EditingRenamesEverywhereAndRemovingAsksFirst)
{
    keep_printer(QStringLiteral("socket://printer.local"));
    settings::set(settings::print_target, u"Склад");
    label_printers_dialog d(nullptr);
    ASSERT_EQ(d.list()->count(), 1);
    when_modal_named(QStringLiteral("zelta-label-printer"), [](QWidget *e) {
        auto *p = static_cast<label_printer_dialog *>(e);
        EXPECT_EQ(p->name()->text(), QStringLiteral("Склад"));
        EXPECT_EQ(p->connection()->text(), QStringLiteral("socket://printer.local"));
        // Its own name is no duplicate.
        p->name()->setText(QStringLiteral("  Цех  "));
        p->dpi()->setCurrentIndex(p->dpi()->findData(300));
        p->media()->setCurrentIndex(p->media()->findText(QStringLiteral("Непрерывная")));
        EXPECT_FALSE(p->gap()->isEnabled()); // continuous media has no gap
        click_ok(e);
    });
    d.edit_button()->click();
    EXPECT_EQ(warnings(), "");
    std::vector<settings::label_printer> kept = settings::get_label_printers();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].name, u"Цех"); // blanks around a name dropped
    EXPECT_EQ(kept[0].dpi, 300);
    EXPECT_EQ(kept[0].media, settings::label_printer_media::continuous);
    EXPECT_EQ(settings::get(settings::print_target).value_or(u""), u"Цех");
    ASSERT_EQ(d.list()->count(), 1);
    EXPECT_TRUE(d.list()->item(0)->text().startsWith(QStringLiteral("Цех")));

    boxes.answers = {mb_answer::no, mb_answer::yes};
    d.remove_button()->click();
    EXPECT_EQ(settings::get_label_printers().size(), 1u);
    d.remove_button()->click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, u"Удалить принтер этикеток «Цех»?");
    EXPECT_TRUE(settings::get_label_printers().empty());
    EXPECT_EQ(d.list()->count(), 0);
    EXPECT_FALSE(d.edit_button()->isEnabled());
    EXPECT_FALSE(d.test_button()->isEnabled());
}

TEST_F(LabelPrinterPrinting, AFailedWriteIsSaidNeverTakenForSuccess)
{
    // A device that takes nothing: opened, then every write refused.
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    keep_printer(QStringLiteral("/dev/full"));
    label_frame *f = open_frame();
    print_on_kept(f, 2);
    ASSERT_EQ(boxes.shown.size(), 1u) << warnings();
    EXPECT_EQ(boxes.shown[0].icon, mb_icon::warning);
    // The output's own words: how many labels the printer took.
    EXPECT_NE(warnings().find("Принтер принял этикеток: 0"), std::string::npos) << warnings();
    label_printers_dialog d(nullptr);
    d.test_button()->click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(warnings().find("Пробная этикетка не напечатана: "), std::string::npos) << warnings();
}

TEST_F(LabelPrinterPrinting, WarningsFollowTheJobAndAStoppedRunSaysWhatWasSent)
{
    loopback_printer printer;
    keep_printer(printer.address());
    label_frame *f = open_frame();
    // Some 200 modules in 40 points: narrower than a dot at 203 dpi.
    barcode(f->hub().lab(), 7, u"ABCDEFGHIJKLMNOPQRST", 150, 70, 40, 20);
    print_on_kept(f, 1);
    ASSERT_EQ(printer.jobs(1).size(), 1u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(warnings().rfind("Напечатано, но не всё так, как задумано:\n", 0), 0u) << warnings();

    // "Отмена" in the progress: the labels already sent are counted.
    boxes.shown.clear();
    std::string csv = "code;who\r\n";
    for (int i = 1; i <= 6; ++i)
        csv += "K" + std::to_string(i) + ";Строка " + std::to_string(i) + "\r\n";
    write_file(dir / "t.csv", csv);
    files.results.push_back(chosen(dir / "t.csv"));
    when_modal_named(QStringLiteral("zelta-batch-dialog"), [](QWidget *w) { click_ok(w); });
    pex__set_progress_watch([](QProgressDialog *d, long done, long) {
        if (done == 2)
            d->cancel();
    });
    f->command(cmd::print_batch);
    pex__set_progress_watch({});
    ASSERT_EQ(boxes.shown.size(), 1u) << warnings();
    EXPECT_EQ(boxes.shown[0].text, u"Печать остановлена, но этикеток отправлено на принтер: 2.");
    const std::vector<std::string> jobs = printer.jobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(count(jobs[1], "^GF"), 2u);
}
