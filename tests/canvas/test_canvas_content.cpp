// The canvas with the real content of its elements, and without it.
#include <QDate>
#include <QDir>
#include <QImage>

#include <QLabel>
#include <atomic>
#include <mutex>
#include <thread>

#include "canvas_fixture.h"
#include "hub/commands.h"
#include "hub/program_state.h"
#include "render/eps_runner.h"
#include "server/render.h"
#include "support/shots.h"
#include "support/zbar.h"
#include "support/sample_label.h"

namespace {

// The reference pictures of the schematic drawing live beside this file.
QString reference(const QString &name)
{
    return QStringLiteral(VELLUMO_TESTS_DIR "/canvas/data/") + name + QStringLiteral(".png");
}

lg_epsi_ptr eps(const std::string &s)
{
    return eps__load_mem(s.data(), s.size());
}

} // namespace

class CanvasContent : public CanvasTest {
protected:
    element *put(int type, double x, double y, double w, double h, const char16_t *desc)
    {
        element *e = sample_add(lab(), type, x, y, w, h);
        e->desc = desc;
        return e;
    }
    // The zoom with the label's bottom left corner at the view's.
    void zoom_at_origin(int zoom)
    {
        canvas->zoom_to(zoom);
        canvas->scrolled(true, 0);
        canvas->scrolled(false, 0);
    }
    // A label with every kind in several states, as the reference pictures
    // of the schematic drawing show it.
    void every_kind()
    {
        element *t = put(ELE_TEXT, 20, 360, -43.43, 20, u"Заголовок");
        t->text.text = u"Молоко «Утро» 3,2 %";
        t->text.size = 14;
        t->text.font = u"DejaVu Sans";
        t->text.colour = 0x204080;
        element *price = put(ELE_TEXT, 280, 300, 120, 40, u"");
        price->quadrant = 2;
        price->text.text = u"${цена} ₽";
        price->text.size = 28;
        price->text.justification = 1;
        price->text.colour = 0xC00000;
        element *b = put(ELE_BORDER, 20, 250, 120, 60, u"Рамка");
        b->border.style = 3;
        b->border.thickness = 2;
        b->border.colour = 0x208040;
        element *code = put(ELE_BARCODE, 170, 180, 110, 50, u"Код");
        code->barcode.type = 3;
        code->barcode.code = u"4600000000008";
        code->barcode.text = 1;
        element *bad = put(ELE_BARCODE, 170, 110, 110, 40, u"Плохой код");
        bad->barcode.type = 3;
        bad->barcode.code = u"12345";
        element *pic = put(ELE_PICTURE, 120, 120, 60, 40, u"Логотип");
        pic->picture.data = eps("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 90 60\n0 0 1 setrgbcolor 45 30 25 0 360 arc fill\n");
        pic->angle = 30;
        element *side = put(ELE_TEXT, 40, 60, 100, 16, u"Сбоку");
        side->angle = 90;
        side->text.text = u"ГОСТ 31450";
        side->text.size = 9;
        side->disabled = 1;
        element *round = put(ELE_BORDER, 230, 60, 50, 30, u"");
        round->quadrant = 8;
        round->angle = 45;
        canvas->set_label(lab());
        canvas->show_grid(20, true);
    }
};

TEST_F(CanvasContent, WithoutContentThePixelsAreTheSchematicOnes)
{
    every_kind();
    canvas->show_content(false);
    for (int zoom : {100, 200}) {
        canvas->zoom_to(zoom);
        for (int selected : {0, 1, 2}) {
            if (selected == 1)
                select_only({3});
            else if (selected == 2)
                select_only({0, 3});
            else
                canvas->deselect_all();
            const QImage img = canvas->render().convertToFormat(QImage::Format_RGB32);
            const QString name =
                QStringLiteral("schematic-%1%2").arg(zoom).arg(selected == 1 ? "-one" : selected == 2 ? "-two" : "");
            if (qEnvironmentVariableIsSet("VELLUMO_WRITE_REFERENCE")) {
                img.save(reference(name));
                continue;
            }
            const QImage expected = QImage(reference(name)).convertToFormat(QImage::Format_RGB32);
            ASSERT_FALSE(expected.isNull()) << name.toStdString();
            if (img != expected) {
                img.save(QStringLiteral("failed-") + name + QStringLiteral(".png"));
                ADD_FAILURE() << name.toStdString() << " differs from its reference";
            }
        }
    }
}

namespace {

} // namespace

TEST_F(CanvasContent, TextGlyphsLieInsideTheirBoxAtEveryZoom)
{
    // A text of its own colour: its pixels of that colour (the glyphs) lie
    // inside the element's box, and there are many of them.
    element *t = put(ELE_TEXT, 20, 150, 200, 40, u"Цена");
    t->text.text = u"Молоко 89,90 ₽";
    t->text.size = 20;
    t->text.font = u"DejaVu Sans";
    t->text.colour = 0x0000C0;
    element *right = put(ELE_TEXT, 240, 60, 100, 60, u"");
    right->text.text = u"Справа\nдве строки";
    right->text.size = 12;
    right->text.justification = 1;
    right->text.colour = 0x0000C0;
    canvas->set_label(lab());
    for (int zoom : {100, 200}) {
        zoom_at_origin(zoom);
        const QImage img = canvas->render().convertToFormat(QImage::Format_RGB32);
        save_image_shot(img, QStringLiteral("canvas-text-%1").arg(zoom));
        for (const element *e : {t, right}) {
            const QRect box = canvas->element_rect(e, 0);
            int inside = 0, outside = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QColor c = img.pixelColor(x, y);
                    // Glyph ink: blue well above red and green.
                    if (c.blue() > 120 && c.red() < 60 && c.green() < 60)
                        (box.adjusted(-1, -1, 1, 1).contains(x, y) ? inside : outside) += 1;
                }
            (void)outside; // the other text's glyphs
            EXPECT_GT(inside, 40 * zoom / 100) << zoom;
        }
        // No glyph ink outside both boxes.
        int stray = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.blue() > 120 && c.red() < 60 && c.green() < 60 &&
                    !canvas->element_rect(t, 1).contains(x, y) && !canvas->element_rect(right, 1).contains(x, y))
                    ++stray;
            }
        EXPECT_EQ(stray, 0) << zoom;
    }
}

TEST_F(CanvasContent, BarcodeGrabbedAt200PercentDecodes)
{
    element *code = put(ELE_BARCODE, 20, 20, 200, 70, u"Код");
    code->barcode.type = 7;
    code->barcode.code = u"VELLUMO-${sku}";
    element *qr = put(ELE_BARCODE, 20, 110, 110, 80, u"QR"); // the symbol clear of the anchor marker
    qr->barcode.type = 16;
    qr->barcode.code = u"https://vellumo.example/${sku}";
    prs__variables().push_back({u"sku", u"4711"});
    canvas->set_label(lab());
    zoom_at_origin(200);
    QApplication::processEvents();
    const QImage shot = canvas->grab().toImage();
    save_image_shot(shot, QStringLiteral("canvas-barcodes-200"));
    prs__variables().clear();
    const QRect one = canvas->element_rect(code, 20) & shot.rect();
    EXPECT_EQ(zbar_read(shot.copy(one)), "VELLUMO-4711");
    const QRect two = canvas->element_rect(qr, 20) & shot.rect();
    EXPECT_EQ(zbar_read(shot.copy(two)), "https://vellumo.example/4711");
    // Without the variable the data keeps its ${name}.
    canvas->variables_changed();
    QApplication::processEvents();
    EXPECT_EQ(zbar_read(canvas->grab().toImage().copy(one)), "VELLUMO-${sku}");
}

TEST_F(CanvasContent, CountersShowTheFirstLabelOfARun)
{
    element *code = put(ELE_BARCODE, 20, 20, 240, 70, u"Номер");
    code->barcode.type = 7;
    code->barcode.code = u"${#:000100}-${#row}-${#}-${#date:yyyyMMdd}";
    // A preview variable cannot take a counter's place.
    prs__variables().push_back({u"#", u"99"});
    canvas->set_label(lab());
    zoom_at_origin(200);
    QApplication::processEvents();
    const QImage shot = canvas->grab().toImage();
    prs__variables().clear();
    const QRect one = canvas->element_rect(code, 20) & shot.rect();
    const std::string today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd")).toStdString();
    const std::string read = zbar_read(shot.copy(one));
    EXPECT_TRUE(read == "000100-1-1-" + today ||
                read == "000100-1-1-" + QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyyMMdd")).toStdString())
        << read;
}

TEST_F(CanvasContent, CanvasAndServerDrawTheSameLabel)
{
    // The label as the server draws it at the canvas's scale, and the
    // canvas with content: where the canvas draws no mark of its own (box
    // edges, anchor markers), the two differ by antialiasing only — no
    // channel by more than 24 levels on more than 0.5 % of those pixels,
    // and the mean difference below one level.
    every_kind();
    lab()->es[3]->barcode.code = u"4600000000008";
    canvas->show_grid(20, false);
    canvas->deselect_all();
    canvas->zoom_to(100);
    // Wait for the picture from the background.
    canvas->render();
    for (int i = 0; i < 200 && canvas->pictures_pending() > 0; ++i)
        QTest::qWait(25);
    QApplication::processEvents();
    const QImage with = canvas->render().convertToFormat(QImage::Format_RGB32);
    canvas->show_content(false);
    const QImage marks = canvas->render().convertToFormat(QImage::Format_RGB32);
    canvas->show_content(true);
    const double dpi = canvas->stock().scale * 72;
    ASSERT_NEAR(dpi, std::round(dpi), 1e-9);
    std::vector<render_variable> none;
    std::vector<std::u16string> log;
    const QImage server = lsv__render(lab(), none, static_cast<int>(dpi), static_cast<int>(dpi), false, log)
                              .convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(server.isNull());
    const QPoint o(canvas->px(0), canvas->py(lab()->height));
    const QRgb bg = 0xFFFFFFu;
    long long compared = 0, far = 0;
    double sum = 0;
    QImage diff(server.size(), QImage::Format_RGB32);
    diff.fill(Qt::white);
    for (int y = 0; y < server.height(); ++y)
        for (int x = 0; x < server.width(); ++x) {
            const QPoint c = o + QPoint(x, y);
            if (!with.rect().contains(c))
                continue;
            // Pixels the schematic drawing leaves alone, away from its marks.
            bool clean = true;
            for (int dy = -1; dy <= 1 && clean; ++dy)
                for (int dx = -1; dx <= 1 && clean; ++dx) {
                    const QPoint n = c + QPoint(dx, dy);
                    clean = !marks.rect().contains(n) || (marks.pixel(n) & 0xFFFFFFu) == bg;
                }
            if (!clean)
                continue;
            // Disabled elements are not drawn by the server nor as content.
            const QColor a = with.pixelColor(c), b = server.pixelColor(x, y);
            const int d = std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                    std::abs(a.blue() - b.blue())});
            ++compared;
            sum += d;
            if (d > 24) {
                ++far;
                diff.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    ASSERT_GT(compared, server.width() * server.height() / 2);
    const double share = 100.0 * static_cast<double>(far) / static_cast<double>(compared);
    const double mean = sum / static_cast<double>(compared);
    std::printf("canvas and server: %lld pixels compared, %.3f %% differ by more than 24, mean %.3f\n", compared,
                share, mean);
    if (share > 0.5) {
        with.save(QStringLiteral("failed-canvas.png"));
        server.save(QStringLiteral("failed-server.png"));
        diff.save(QStringLiteral("failed-diff.png"));
    }
    EXPECT_LE(share, 0.5);
    EXPECT_LT(mean, 1.0);
}

TEST_F(CanvasContent, SwitchingContentOffAndOnAgain)
{
    every_kind();
    canvas->zoom_to(100);
    canvas->show_content(false);
    const QImage schematic = canvas->render();
    canvas->show_content(true);
    const QImage content = canvas->render();
    EXPECT_NE(content, schematic);
    canvas->show_content(false);
    EXPECT_EQ(canvas->render(), schematic);
    // The menu item and the setting.
    QAction *item = frame->menu_action(cmd::canvas_content);
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->isCheckable());
    frame->command(cmd::canvas_content);
    EXPECT_TRUE(canvas->content_shown());
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(settings::get(settings::canvas_content), 1);
    frame->command(cmd::canvas_content);
    EXPECT_FALSE(canvas->content_shown());
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(settings::get(settings::canvas_content), 0);
    // A new window starts as the setting says.
    label_frame other(store);
    EXPECT_FALSE(other.stock().canvas->content_shown());
    EXPECT_FALSE(other.menu_action(cmd::canvas_content)->isChecked());
    settings::set(settings::canvas_content, 1);
}

TEST_F(CanvasContent, PicturesAreDrawnOffTheInterfaceThread)
{
    // Ghostscript runs only in another thread: the canvas shows the box
    // until the picture arrives, then the picture; scrolling and drawing
    // again run nothing.
    std::mutex m;
    std::vector<std::thread::id> threads;
    rdr__eps_set_run_observer([&] {
        std::lock_guard<std::mutex> lock(m);
        threads.push_back(std::this_thread::get_id());
    });
    rdr__eps_cache_clear();
    element *pic = put(ELE_PICTURE, 100, 100, 120, 80, u"Логотип");
    pic->picture.data = eps("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 90 60\n1 0 0 setrgbcolor 0 0 90 60 rectfill\n");
    canvas->set_label(lab());
    canvas->zoom_to(100);
    const QImage first = canvas->render().convertToFormat(QImage::Format_RGB32);
    const QRect box = canvas->element_rect(pic, -4);
    // Not there yet: the box's inside is the label's white.
    EXPECT_EQ(first.pixel(box.center()) & 0xFFFFFFu, 0xFFFFFFu);
    bool arrived = false;
    for (int i = 0; i < 400 && !arrived; ++i) {
        QTest::qWait(25);
        arrived = canvas->pictures_pending() == 0 &&
                  (canvas->render().convertToFormat(QImage::Format_RGB32).pixel(box.center()) & 0xFFFFFFu) ==
                      0xFF0000u;
    }
    EXPECT_TRUE(arrived);
    {
        std::lock_guard<std::mutex> lock(m);
        ASSERT_FALSE(threads.empty());
        for (std::thread::id id : threads)
            EXPECT_NE(id, std::this_thread::get_id());
    }
    const int runs = rdr__eps_runs();
    (void)canvas->take_content_draws();
    canvas->scrolled(true, canvas->stock().org_x + 3);
    canvas->render();
    canvas->render();
    EXPECT_EQ(rdr__eps_runs(), runs);
    EXPECT_EQ(canvas->take_content_draws(), 0);
    rdr__eps_set_run_observer(nullptr);

    // A picture Ghostscript refuses: the red cross.
    element *bad = put(ELE_PICTURE, 250, 100, 60, 60, u"Плохой");
    bad->picture.data = eps("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n0 setgray 1 0 div\n");
    canvas->set_label(lab());
    canvas->render();
    for (int i = 0; i < 400 && canvas->pictures_pending() > 0; ++i)
        QTest::qWait(25);
    QApplication::processEvents();
    const QImage crossed = canvas->render().convertToFormat(QImage::Format_RGB32);
    const QRect b2 = canvas->element_rect(bad, 0);
    int red = 0;
    for (int y = b2.center().y() - 2; y <= b2.center().y() + 2; ++y)
        for (int x = b2.center().x() - 2; x <= b2.center().x() + 2; ++x) {
            const QColor c = crossed.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 120 ? 1 : 0;
        }
    EXPECT_GT(red, 0);
}

TEST_F(CanvasContent, RefusedBarcodeShowsTheCrossAndItsReasonWhenSelected)
{
    every_kind(); // element 4: an EAN-13 of five digits
    canvas->zoom_to(100);
    canvas->deselect_all();
    canvas->render();
    auto status = [&] { return frame->findChild<QWidget *>(QStringLiteral("status")); };
    ASSERT_TRUE(status());
    select_only({4});
    QApplication::processEvents();
    const QImage img = canvas->render().convertToFormat(QImage::Format_RGB32);
    const QRect box = canvas->element_rect(lab()->es[4], 0);
    EXPECT_GT(img.pixelColor(box.center()).red(), 150);
    bool found = false;
    for (QLabel *l : status()->findChildren<QLabel *>())
        found |= l->text().contains(QStringLiteral("EAN-13"));
    EXPECT_TRUE(found);
    select_only({3});
    canvas->render();
    found = false;
    for (QLabel *l : status()->findChildren<QLabel *>())
        found |= l->text().contains(QStringLiteral("EAN-13"));
    EXPECT_FALSE(found);
}

TEST_F(CanvasContent, DraggingRedrawsOnlyTheDraggedElement)
{
    every_kind();
    canvas->zoom_to(100);
    canvas->render();
    (void)canvas->take_content_draws();
    canvas->render();
    EXPECT_EQ(canvas->take_content_draws(), 0);
    set(fn::x, 0, lab()->es[0]->x + 5);
    canvas->render();
    EXPECT_EQ(canvas->take_content_draws(), 1);
    canvas->zoom_to(200);
    canvas->render();
    EXPECT_GT(canvas->take_content_draws(), 3);
}

TEST_F(CanvasContent, ScreenshotsWithContent)
{
    every_kind();
    canvas->show_grid(20, true);
    prs__variables().push_back({u"цена", u"89,90"});
    for (int zoom : {100, 200}) {
        canvas->zoom_to(zoom);
        canvas->render();
        for (int i = 0; i < 200 && canvas->pictures_pending() > 0; ++i)
            QTest::qWait(25);
        select_only({3});
        QApplication::processEvents();
        save_shot(frame, QStringLiteral("canvas-content-%1").arg(zoom));
        save_image_shot(canvas->render(), QStringLiteral("canvas-content-only-%1").arg(zoom));
    }
    prs__variables().clear();
}
