// The preview: the label rendered by the project's own label server (a real
// process), odd answers from the in-process test server, the JPEG decoder
// and the variables editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <jpeglib.h>

#include "exchange/inout.h"
#include "exchange/preview_core.h"
#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "exchange/servers.h"
#include "exchange/xmlrpc_support.h"
#include "frame/frame.h"
#include "frame/opensave_dialog.h"
#include "frame/preview.h"
#include "hub/commands.h"
#include "hub/opensave.h"
#include "hub/program_state.h"
#include "model/settings.h"
#include "platform/beep.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "platform/network_notice.h"
#include "support/fakes.h"
#include "support/label_server.h"
#include "support/modal.h"
#include "support/scoped_env.h"
#include "support/server_process.h"
#include "support/shots.h"
#include "support/temp_dir.h"
#include "support/zbar.h"
#include "widgets/picture_view.h"
#include "widgets/kit_resources.h"
#include "widgets/picbtn.h"

namespace {

// A JPEG of `components` (1 grey, 3 colour, 4 CMYK) from rows top-down.
std::vector<unsigned char> make_jpeg(int w, int h, int components,
                                     const std::function<std::vector<unsigned char>(int row)> &row_of)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    for (int y = 0; y < h; ++y) {
        std::vector<unsigned char> r = row_of(y);
        JSAMPROW p = r.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<unsigned char> out(buf, buf + size);
    std::free(buf);
    return out;
}

bool close_to(int a, int b)
{
    return std::abs(a - b) <= 3;
}

// What zbarimg reads in a decoded preview buffer.
std::string zbar_of(const bma_stock &s)
{
    QImage view(s.pixels.data(), s.width, s.height, bma__stride(s.width), QImage::Format_BGR888);
    return zbar_read(view.mirrored(false, true));
}

class Preview : public testing::Test {
protected:
    void SetUp() override
    {
        rpd__client_init();
        srv__list().clear();
        prs__variables().clear();
        prev_open_save_ = seam<open_save_service>::set(&dialogs);
    }
    void TearDown() override
    {
        QList<QPointer<label_frame>> frames;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *f = qobject_cast<label_frame *>(w))
                frames << f;
        for (auto &f : frames)
            delete f.data();
        QApplication::processEvents();
        seam<open_save_service>::set(prev_open_save_);
        srv__list().clear();
        prs__variables().clear();
    }
    void add_server(const std::u16string &url)
    {
        server_list s;
        s.address = url;
        s.description = u"Склад";
        srv__list().push_back(s);
        srv__set_credentials(url, std::u16string(u"p"), std::u16string(u"u"));
    }
    label_frame *open_frame()
    {
        auto *f = new label_frame(store);
        f->resize(1000, 700);
        f->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(f));
        return f;
    }
    preview_window *preview_of(label_frame *f)
    {
        f->command(cmd::preview_mode);
        EXPECT_TRUE(f->stock().preview_mode);
        return static_cast<preview_window *>(f->stock().preview);
    }
    // A frame's preview, shown once and hidden again (a frame makes its
    // preview when it is first shown).
    preview_window *hidden_preview_of(label_frame *f)
    {
        preview_window *p = preview_of(f);
        f->leave_preview();
        EXPECT_FALSE(p->isVisible());
        return p;
    }
    // A text, a barcode and a border, as a user places them.
    void fill_label(label_frame *f)
    {
        f->hub().create_element(ELE_BORDER, 10, 10);
        f->hub().create_element(ELE_BARCODE, 40, 120);
        f->hub().create_element(ELE_TEXT, 40, 300);
        label *lab = f->hub().lab();
        ASSERT_EQ(lab->qty, 3);
        element *text = lab->es[0], *code = lab->es[1], *border = lab->es[2];
        text->text.text = u"Цена: ${цена} ₽";
        text->text.size = 18;
        text->width = 220;
        text->height = 30;
        code->barcode.type = 3;
        code->barcode.code = u"400638133393";
        code->barcode.text = 1;
        code->width = 220;
        code->height = 100;
        border->width = 280;
        border->height = 380;
        border->border.thickness = 2;
    }
    // Saves through Save as → " Сеть " on the first server under `name`.
    void answer_save_dialog(const QString &name, bool *network_only_seen = nullptr)
    {
        when_modal_of<open_save_dialog>([=](open_save_dialog *d) {
            if (network_only_seen)
                *network_only_seen = d->tabs()->currentIndex() == 1;
            d->servers()->topLevelItem(0)->setSelected(true);
            d->name_edit()->setText(name);
            d->ok_button()->click();
        });
    }

    temp_dir dir;
    scoped_env settings_home{"XDG_CONFIG_HOME", (dir / "config").string()};
    osd_store store;
    qt_open_save dialogs;
    open_save_service *prev_open_save_ = nullptr;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    scripted_network_notice notice;
    scoped_seam<network_notice_service> use_notice{&notice};
    scripted_credential_prompt prompt;
    scoped_seam<credential_prompt_service> use_prompt{&prompt};
};

} // namespace

TEST_F(Preview, ANewUsersLabelSavedToTheLocalServerAndPreviewedAtEachSize)
{
    server_process server((dir / "store").string());
    ASSERT_TRUE(server.running());
    add_server(server.url());
    label_frame *f = open_frame();
    fill_label(f);
    preview_window *p = preview_of(f);

    // A variable, entered in the preview's own editor.
    p->stock().name->setText(QStringLiteral("цена"));
    p->stock().value->setText(QStringLiteral("99,90"));
    p->stock().remember->click();
    ASSERT_EQ(prs__variables().size(), 1u);

    // Never saved: "Просмотр" opens Save as on the network tab.
    bool network_tab = false;
    answer_save_dialog(QStringLiteral("Ценник"), &network_tab);
    p->stock().small->click();
    p->stock().view->click();
    EXPECT_TRUE(network_tab);
    ASSERT_TRUE(boxes.shown.empty()) << plt__to_utf8(boxes.shown[0].text);
    EXPECT_EQ(f->hub().lab()->name, u"Ценник");
    EXPECT_FALSE(f->hub().lab()->modified);

    // The label is 300 × 400 points.
    const struct {
        QRadioButton *radio;
        int dpi, w, h;
    } sizes[] = {{p->stock().small, 75, 313, 417}, {p->stock().medium, 150, 625, 833}, {p->stock().large, 300, 1250, 1667}};
    for (const auto &s : sizes) {
        s.radio->click();
        QTest::keyClick(p, Qt::Key_F5);
        ASSERT_TRUE(boxes.shown.empty()) << plt__to_utf8(boxes.shown[0].text);
        EXPECT_EQ(p->stock().picture->stock().width, s.w) << s.dpi;
        EXPECT_EQ(p->stock().picture->stock().height, s.h) << s.dpi;
        EXPECT_EQ(settings::get(settings::preview_size), s.radio == p->stock().small ? 0 : s.radio == p->stock().medium ? 1 : 2);
        const std::string log = plt__to_utf8(p->stock().log);
        EXPECT_NE(log.find("${цена} заменено на «99,90»"), std::string::npos) << log;
        EXPECT_NE(log.find(std::to_string(s.dpi) + "×" + std::to_string(s.dpi)), std::string::npos) << log;
        if (s.dpi >= 150) {
            EXPECT_EQ(zbar_of(p->stock().picture->stock()), "4006381333931") << s.dpi;
        }
    }
    p->stock().tab->setCurrentIndex(0);
    save_shot(f, QStringLiteral("preview-rendered"));
    p->stock().tab->setCurrentIndex(1);
    EXPECT_GE(p->stock().text->document()->blockCount(), 2); // the heading and the substitution
    save_shot(f, QStringLiteral("preview-log"));
    p->stock().tab->setCurrentIndex(0);

    // Stored on the server and unchanged: renders again without a question.
    const std::size_t before = boxes.shown.size();
    p->stock().view->click();
    EXPECT_EQ(boxes.shown.size(), before);

    // Changed: "Сохранить?"; No leaves it unsaved and says so.
    f->hub().lab()->es[0]->text.size = 20;
    f->hub().lab()->modified = 1;
    boxes.answers.push_back(mb_answer::no);
    p->stock().view->click();
    ASSERT_EQ(boxes.shown.size(), before + 2);
    EXPECT_EQ(boxes.shown[before].text, u"Сохранить?");
    EXPECT_EQ(boxes.shown[before].icon, mb_icon::question);
    EXPECT_EQ(boxes.shown[before].buttons, mb_buttons::yes_no);
    EXPECT_EQ(boxes.shown[before + 1].text, u"Сохраните этикетку на сервер.\n");
    // Yes saves it back to the server and renders.
    boxes.answers.push_back(mb_answer::yes);
    p->stock().view->click();
    EXPECT_EQ(boxes.shown.size(), before + 3);
    EXPECT_FALSE(f->hub().lab()->modified);
    label_ptr stored = ino__load_label(server.url(), u"Ценник", u"u", u"p");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->es[0]->text.size, 20);
}

TEST_F(Preview, ANeverSavedLabelCancelledOrAFileLabelIsNotRendered)
{
    label_server server;
    add_server(server.url());
    label_frame *f = open_frame();
    preview_window *p = preview_of(f);
    bool network_only = false;
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) {
        network_only = d->tabs()->currentIndex() == 1;
        d->tabs()->setCurrentIndex(0); // refused: the network tab only
        network_only = network_only && d->tabs()->currentIndex() == 1;
        d->reject();
    });
    p->render();
    EXPECT_TRUE(network_only);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Сохраните этикетку на сервер.\n");
    EXPECT_EQ(server.calls("labels.render_label"), 0);
    EXPECT_TRUE(p->stock().picture->stock().pixels.empty()); // still the placeholder

    // A label kept in a file gets the network-only Save as too.
    f->hub().lab()->store.place = (dir / "x.lbl").u16string();
    f->hub().lab()->store.local = 1;
    when_modal_of<open_save_dialog>([&](open_save_dialog *d) { d->reject(); });
    p->render();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, u"Сохраните этикетку на сервер.\n");
    EXPECT_EQ(server.calls("labels.render_label"), 0);
}

TEST_F(Preview, LogsAndOddPicturesFromTheServer)
{
    label_server server;
    add_server(server.url());
    label_frame *f = open_frame();
    preview_window *p = preview_of(f);
    label *lab = f->hub().lab();
    lab->name = u"Этикетка";
    lab->store.place = server.url();
    lab->store.local = 0;
    lab->modified = 0;
    std::vector<unsigned char> jpeg = make_jpeg(3, 2, 3, [](int) {
        return std::vector<unsigned char>{255, 0, 0, 0, 255, 0, 0, 0, 255};
    });
    std::string log = "первая\nвторая";
    server.answer("labels.render_label", [&](xmlrpc_env *env, xmlrpc_value *) {
        // Carriage returns written as references, so that they arrive.
        xmlrpc_value *text = xmlrpc_string_new_lp_cr(env, log.size(), log.data());
        xmlrpc_value *v = xmlrpc_build_value(env, "{s:6,s:V}", "image", jpeg.data(), jpeg.size(), "log", text);
        xmlrpc_DECREF(text);
        return v;
    });
    p->render();
    ASSERT_TRUE(boxes.shown.empty());
    EXPECT_EQ(p->stock().log, u"первая\r\nвторая");
    EXPECT_EQ(p->stock().text->document()->blockCount(), 2);
    EXPECT_EQ(p->stock().picture->stock().width, 3);
    EXPECT_EQ(p->stock().picture->stock().pixels.size(), 24u); // stride 12, 2 rows

    // The render call carried the stored size's resolution, the markup flag
    // and the variables in list order.
    prs__variables() = {{u"b", u"2"}, {u"a", u"1"}};
    settings::set(settings::preview_size, 2);
    p->stock().markup->click();
    EXPECT_EQ(settings::get(settings::preview_markup), 1);
    log = "одна\r\nдругая";
    p->render();
    EXPECT_EQ(p->stock().log, u"одна\r\r\nдругая");
    EXPECT_EQ(p->stock().text->document()->blockCount(), 2);
    xmlrpc_value *params = server.last_params("labels.render_label");
    ASSERT_TRUE(params);
    ino_env env;
    xmlrpc_value *st = nullptr;
    xmlrpc_array_read_item(&env.env, params, 1, &st);
    int xres = 0, yres = 0;
    xmlrpc_bool markup = 0;
    xmlrpc_value *vars = nullptr;
    const char *name = nullptr;
    xmlrpc_decompose_value(&env.env, st, "{s:s,s:A,s:i,s:i,s:b,*}", "name", &name, "variables", &vars,
                           "xresolution", &xres, "yresolution", &yres, "markup", &markup);
    ASSERT_FALSE(env.failed()) << env.env.fault_string;
    EXPECT_STREQ(name, "Этикетка");
    EXPECT_EQ(xres, 300);
    EXPECT_EQ(yres, 300);
    EXPECT_TRUE(markup);
    ASSERT_EQ(xmlrpc_array_size(&env.env, vars), 2);
    xmlrpc_value *first = nullptr;
    xmlrpc_array_read_item(&env.env, vars, 0, &first);
    const char *first_name = nullptr;
    xmlrpc_decompose_value(&env.env, first, "{s:s,*}", "name", &first_name);
    EXPECT_STREQ(first_name, "b");
    std::free(const_cast<char *>(name));
    std::free(const_cast<char *>(first_name));
    xmlrpc_DECREF(first);
    xmlrpc_DECREF(vars);
    xmlrpc_DECREF(st);
    xmlrpc_DECREF(params);

    // Bytes that are no JPEG: the message, the log shown, the picture kept.
    const std::vector<unsigned char> good = p->stock().picture->stock().pixels;
    jpeg = {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'};
    log = "сломано";
    p->render();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Ошибка декодирования изображения JPEG!\n");
    EXPECT_EQ(p->stock().log, u"сломано");
    EXPECT_EQ(p->stock().picture->stock().pixels, good);

    // A server fault: reported by the client, picture and log stay.
    server.answer("labels.render_label", [](xmlrpc_env *env, xmlrpc_value *) {
        xmlrpc_env_set_fault(env, 7, "не вышло");
        return nullptr;
    });
    p->render();
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(p->stock().log, u"сломано");
    EXPECT_EQ(p->stock().picture->stock().pixels, good);
}

TEST(PreviewDecoding, StridesGreyExpansionAndRowOrder)
{
    // Grey 5 × 3: a 24-bit stride of 16, each pixel's three bytes the sample.
    std::vector<unsigned char> jpeg = make_jpeg(5, 3, 1, [](int y) {
        return std::vector<unsigned char>(5, static_cast<unsigned char>(40 + 80 * y));
    });
    std::vector<unsigned char> px;
    int w = 0, h = 0;
    ASSERT_EQ(prv__decode_jpeg(jpeg.data(), jpeg.size(), px, w, h), prv_decode::ok);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    ASSERT_EQ(px.size(), 48u);
    for (int row = 0; row < 3; ++row) {
        const int grey = 40 + 80 * (2 - row); // bottom-up
        for (int x = 0; x < 5; ++x) {
            EXPECT_TRUE(close_to(px[row * 16 + 3 * x], grey)) << row << "," << x << ": " << int(px[row * 16 + 3 * x]);
            EXPECT_EQ(px[row * 16 + 3 * x], px[row * 16 + 3 * x + 1]);
            EXPECT_EQ(px[row * 16 + 3 * x], px[row * 16 + 3 * x + 2]);
        }
        EXPECT_EQ(px[row * 16 + 15], 0); // padding
    }

    // Colour, width 3: stride 12, blue-green-red, the top row last.
    jpeg = make_jpeg(3, 16, 3, [](int y) {
        std::vector<unsigned char> r;
        for (int x = 0; x < 3; ++x) {
            const bool red_band = y < 8;
            r.insert(r.end(), {static_cast<unsigned char>(red_band ? 250 : 0), 0,
                               static_cast<unsigned char>(red_band ? 0 : 250)});
        }
        return r;
    });
    ASSERT_EQ(prv__decode_jpeg(jpeg.data(), jpeg.size(), px, w, h), prv_decode::ok);
    ASSERT_EQ(px.size(), 12u * 16);
    EXPECT_GT(px[15 * 12 + 2], 200); // top row (last in the buffer) is red: R in byte 2
    EXPECT_LT(px[15 * 12 + 0], 60);
    EXPECT_GT(px[0], 200); // bottom row (first) is blue: B in byte 0
    EXPECT_LT(px[2], 60);
}

TEST(PreviewDecoding, HostileBytesNeverCrashOrReadPastTheEnd)
{
    std::vector<unsigned char> px = {1, 2, 3};
    int w = 7, h = 7;
    const std::vector<unsigned char> garbage = {0xFF, 0xD8, 0xFF, 0x00, 'x'};
    EXPECT_EQ(prv__decode_jpeg(garbage.data(), garbage.size(), px, w, h), prv_decode::failed);
    EXPECT_EQ(prv__decode_jpeg(nullptr, 0, px, w, h), prv_decode::failed);
    EXPECT_EQ(px.size(), 3u); // untouched on failure
    EXPECT_EQ(w, 7);

    // CMYK: four components are refused.
    std::vector<unsigned char> cmyk = make_jpeg(4, 4, 4, [](int) { return std::vector<unsigned char>(16, 100); });
    EXPECT_EQ(prv__decode_jpeg(cmyk.data(), cmyk.size(), px, w, h), prv_decode::failed);

    // Cut short anywhere: decoded as far as it goes (into a copy exactly as
    // long, so that the sanitizer sees any read past it), or refused.
    std::vector<unsigned char> whole = make_jpeg(64, 64, 3, [](int y) {
        std::vector<unsigned char> r;
        for (int x = 0; x < 64; ++x)
            r.insert(r.end(), {static_cast<unsigned char>(x * 4), static_cast<unsigned char>(y * 4), 128});
        return r;
    });
    int partial = 0;
    for (std::size_t cut = 1; cut < whole.size(); cut += 37) {
        std::unique_ptr<unsigned char[]> exact(new unsigned char[cut]);
        std::memcpy(exact.get(), whole.data(), cut);
        const prv_decode d = prv__decode_jpeg(exact.get(), cut, px, w, h);
        if (d == prv_decode::partial) {
            ++partial;
            EXPECT_EQ(px.size(), static_cast<std::size_t>(bma__stride(64)) * 64);
        }
    }
    EXPECT_GT(partial, 5);

    // A header that claims a picture far beyond any label is not allocated.
    std::vector<unsigned char> huge = make_jpeg(8, 8, 3, [](int) { return std::vector<unsigned char>(24, 0); });
    for (std::size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) { // SOF0: length, precision, height, width
            huge[i + 5] = 0xFF, huge[i + 6] = 0xF0, huge[i + 7] = 0xFF, huge[i + 8] = 0xF0;
            break;
        }
    EXPECT_EQ(prv__decode_jpeg(huge.data(), huge.size(), px, w, h), prv_decode::failed);
}

TEST(PreviewCore, LogTextAndVariables)
{
    EXPECT_EQ(prv__log_text(u"a\nb\n"), u"a\r\nb\r\n");
    EXPECT_EQ(prv__log_text(u"a\r\nb"), u"a\r\r\nb");
    EXPECT_EQ(prv__log_text(u"a\rb"), u"a\rb");
    EXPECT_EQ(prv__resolution(0), 75);
    EXPECT_EQ(prv__resolution(1), 150);
    EXPECT_EQ(prv__resolution(2), 300);
    EXPECT_EQ(prv__resolution(7), 75);
    EXPECT_EQ(prv__resolution(-1), 75);

    std::vector<preview_var> v = {{u"a", u"1"}, {u"b", u"2"}, {u"c", u"3"}};
    EXPECT_EQ(prv__remember(v, u"b", u"20"), 1);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[1].name, u"b");
    EXPECT_EQ(v[1].value, u"20");
    EXPECT_EQ(prv__remember(v, u"B", u"x"), 0); // case-sensitive: a new one, at the end
    EXPECT_EQ(v.back().name, u"B");
    EXPECT_EQ(prv__remember(v, u"", u"x"), -1);
    EXPECT_EQ(prv__remember(v, u"d", u""), -1);
    EXPECT_EQ(v.size(), 4u);
    EXPECT_FALSE(prv__forget(v, u"нет"));
    EXPECT_TRUE(prv__forget(v, u"a"));
    EXPECT_EQ(v.front().name, u"b");
}

TEST_F(Preview, VariablesEditorKeysSizesAndLayout)
{
    label_frame *one = open_frame();
    label_frame *two = open_frame();
    preview_window *p = preview_of(one);
    preview_window *q = hidden_preview_of(two);
    auto names = [](preview_window *w) {
        std::vector<QString> out;
        for (int i = 0; i < w->stock().list->topLevelItemCount(); ++i)
            out.push_back(w->stock().list->topLevelItem(i)->text(0));
        return out;
    };
    EXPECT_TRUE(names(q).empty()); // the other frame's preview exists before the change
    const int beeps = platform_beep_count();
    p->stock().name->setText(QStringLiteral("первая"));
    p->stock().value->setText(QStringLiteral("1"));
    p->stock().remember->click();
    p->stock().name->setText(QStringLiteral("вторая"));
    p->stock().value->setText(QStringLiteral("2"));
    p->stock().remember->click();
    // Newest first, in both frames' previews.
    EXPECT_EQ(names(p), (std::vector<QString>{QStringLiteral("вторая"), QStringLiteral("первая")}));
    EXPECT_EQ(names(q), names(p));
    // Replacing keeps the place.
    p->stock().name->setText(QStringLiteral("первая"));
    p->stock().value->setText(QStringLiteral("10"));
    p->stock().remember->click();
    EXPECT_EQ(prs__variables()[0].value, u"10");
    EXPECT_EQ(q->stock().list->topLevelItem(1)->text(1), QStringLiteral("10"));
    EXPECT_EQ(platform_beep_count(), beeps);
    // Empty name or value: a beep, nothing else.
    p->stock().value->clear();
    p->stock().remember->click();
    EXPECT_EQ(platform_beep_count(), beeps + 1);
    p->stock().name->clear();
    p->stock().remove->click();
    EXPECT_EQ(platform_beep_count(), beeps + 2);
    // Removing a name that is not there: silent.
    p->stock().name->setText(QStringLiteral("нет такой"));
    p->stock().remove->click();
    EXPECT_EQ(platform_beep_count(), beeps + 2);
    EXPECT_EQ(prs__variables().size(), 2u);
    // Picking a row fills the edits.
    q->stock().list->setCurrentItem(q->stock().list->topLevelItem(0));
    EXPECT_EQ(q->stock().name->text(), QStringLiteral("вторая"));
    EXPECT_EQ(q->stock().value->text(), QStringLiteral("2"));
    p->stock().name->setText(QStringLiteral("вторая"));
    p->stock().remove->click();
    EXPECT_EQ(names(q), std::vector<QString>{QStringLiteral("первая")});

    // Tab: name → value → "Запомнить" → name; elsewhere nothing.
    p->stock().name->setFocus();
    p->key_navigation(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(p->focusWidget(), p->stock().value);
    p->key_navigation(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(p->focusWidget(), p->stock().remember);
    p->key_navigation(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(p->focusWidget(), p->stock().name);
    p->stock().list->setFocus();
    p->key_navigation(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(p->focusWidget(), p->stock().list);

    // Sizes and markup are stored at once and read by a new preview.
    p->stock().medium->click();
    EXPECT_EQ(settings::get(settings::preview_size), 1);
    EXPECT_FALSE(p->stock().small->isChecked());
    p->stock().markup->click();
    EXPECT_EQ(settings::get(settings::preview_markup), 1);
    label_frame *three = open_frame();
    preview_window *r = preview_of(three);
    EXPECT_TRUE(r->stock().medium->isChecked());
    EXPECT_TRUE(r->stock().markup->isChecked());

    // Layout: the 17-pixel column with the picture button's square, the
    // tab and the panel 70 : 30, the groups below their controls.
    EXPECT_EQ(p->stock().back->geometry(), QRect(0, 0, 17, 17));
    EXPECT_EQ(p->stock().tab->x(), 17);
    EXPECT_EQ(p->stock().tab->height(), p->height());
    const double share = double(p->stock().tab->width()) /
                         (p->stock().tab->width() + p->stock().variables_group->width());
    EXPECT_NEAR(share, 0.7, 0.02);
    EXPECT_TRUE(p->stock().variables_group->geometry().contains(p->stock().list->geometry()));
    EXPECT_TRUE(p->stock().size_group->geometry().contains(p->stock().markup->geometry()));
    EXPECT_LT(p->children().indexOf(p->stock().variables_group), p->children().indexOf(p->stock().list));
    EXPECT_EQ(p->stock().view->text(), QStringLiteral("Просмотр"));
    EXPECT_EQ(p->stock().back->toolTip(), QStringLiteral("Редактирование (F2)"));
    EXPECT_EQ(p->stock().tab->tabText(0), QStringLiteral("Изображение"));
    EXPECT_EQ(p->stock().tab->tabText(1), QStringLiteral("Журнал обработки"));
    save_shot(one, QStringLiteral("preview-variables"));

    // F2 goes back to editing.
    p->setFocus();
    QTest::keyClick(p, Qt::Key_F2);
    EXPECT_FALSE(one->stock().preview_mode);
}

TEST_F(Preview, EveryPreviewShowsTheStoredSizeItRendersAt)
{
    label_server server;
    add_server(server.url());
    label_frame *a = open_frame();
    label_frame *b = open_frame();
    preview_window *pa = preview_of(a);
    preview_window *pb = hidden_preview_of(b);
    ASSERT_TRUE(pb->stock().small->isChecked());
    // "Средний" in A: B, hidden, follows at once, and so does its markup.
    pa->stock().medium->click();
    pa->stock().markup->click();
    EXPECT_TRUE(pb->stock().medium->isChecked());
    EXPECT_FALSE(pb->stock().small->isChecked());
    EXPECT_TRUE(pb->stock().markup->isChecked());
    // Stored behind every preview's back (another copy of the program):
    // shown when the preview is shown.
    settings::set(settings::preview_size, 2);
    settings::set(settings::preview_markup, 0);
    preview_of(b);
    EXPECT_TRUE(pb->stock().large->isChecked());
    EXPECT_FALSE(pb->stock().markup->isChecked());

    // B renders at what it shows.
    std::vector<unsigned char> jpeg = make_jpeg(2, 2, 1, [](int) { return std::vector<unsigned char>{9, 9}; });
    server.answer("labels.render_label", [&](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "{s:6,s:s}", "image", jpeg.data(), jpeg.size(), "log", "");
    });
    label *lab = b->hub().lab();
    lab->name = u"Этикетка";
    lab->store.place = server.url();
    lab->store.local = 0;
    lab->modified = 0;
    auto rendered_at = [&](int &xres, bool &markup) {
        xmlrpc_value *params = server.last_params("labels.render_label");
        ASSERT_TRUE(params);
        ino_env env;
        xmlrpc_value *st = nullptr;
        xmlrpc_array_read_item(&env.env, params, 1, &st);
        xmlrpc_bool m = 0;
        xmlrpc_decompose_value(&env.env, st, "{s:i,s:b,*}", "xresolution", &xres, "markup", &m);
        ASSERT_FALSE(env.failed()) << env.env.fault_string;
        markup = m != 0;
        xmlrpc_DECREF(st);
        xmlrpc_DECREF(params);
    };
    // A changes the size and the markup after B was shown: F5 in B.
    pa->stock().medium->click();
    pa->stock().markup->click();
    pb->setFocus();
    QTest::keyClick(pb, Qt::Key_F5);
    ASSERT_TRUE(boxes.shown.empty());
    int xres = 0;
    bool markup = false;
    rendered_at(xres, markup);
    EXPECT_EQ(xres, 150);
    EXPECT_TRUE(pb->stock().medium->isChecked());
    EXPECT_TRUE(markup);
    EXPECT_TRUE(pb->stock().markup->isChecked());
    // A stored size of no meaning renders at 75 dpi and shows "Небольшой".
    settings::set(settings::preview_size, 7);
    pb->render();
    rendered_at(xres, markup);
    EXPECT_EQ(xres, 75);
    EXPECT_TRUE(pb->stock().small->isChecked());
}

TEST_F(Preview, F3CopiesThePicture)
{
    label_server server;
    add_server(server.url());
    label_frame *f = open_frame();
    preview_window *p = preview_of(f);
    label *lab = f->hub().lab();
    lab->name = u"Этикетка";
    lab->store.place = server.url();
    lab->store.local = 0;
    lab->modified = 0;
    const std::vector<unsigned char> jpeg = make_jpeg(20, 10, 3, [](int) {
        std::vector<unsigned char> r;
        for (int x = 0; x < 20; ++x)
            r.insert(r.end(), {0, 200, 0});
        return r;
    });
    server.answer("labels.render_label", [&](xmlrpc_env *env, xmlrpc_value *) {
        return xmlrpc_build_value(env, "{s:6,s:s}", "image", jpeg.data(), jpeg.size(), "log", "");
    });
    p->setFocus();
    QTest::keyClick(p, Qt::Key_F5);
    ASSERT_EQ(p->stock().picture->stock().width, 20);
    QApplication::clipboard()->clear();
    QTest::keyClick(p, Qt::Key_F3);
    const QImage copied = QApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(20, 10));
    EXPECT_GT(qGreen(copied.pixel(5, 5)), 150);
}
