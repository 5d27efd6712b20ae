// PNG, JPEG and SVG pictures as the core sees them: sizes from headers,
// hostile files refused before anything would decode them.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "model/picture_file.h"
#include "platform/file_choice.h"
#include "platform/file_io.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace {

using bytes = std::vector<unsigned char>;

void put32(bytes &b, std::uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(static_cast<unsigned char>(v >> s));
}
void put16(bytes &b, std::uint32_t v)
{
    b.push_back(static_cast<unsigned char>(v >> 8));
    b.push_back(static_cast<unsigned char>(v));
}

void chunk(bytes &b, const char *type, const bytes &data)
{
    put32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), data.begin(), data.end());
    put32(b, 0); // the CRC: the core does not look at it
}

bytes png(std::uint32_t w, std::uint32_t h, std::uint32_t pixels_per_metre = 0, bool whole = true)
{
    bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    bytes ihdr;
    put32(ihdr, w);
    put32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    chunk(b, "IHDR", ihdr);
    if (pixels_per_metre) {
        bytes phys;
        put32(phys, pixels_per_metre);
        put32(phys, pixels_per_metre);
        phys.push_back(1);
        chunk(b, "pHYs", phys);
    }
    chunk(b, "IDAT", bytes(40, 0x55));
    if (whole)
        chunk(b, "IEND", {});
    return b;
}

bytes jpeg(std::uint32_t w, std::uint32_t h, std::uint32_t dpi, bool whole = true)
{
    bytes b = {0xff, 0xd8, 0xff, 0xe0};
    put16(b, 16);
    b.insert(b.end(), {'J', 'F', 'I', 'F', 0, 1, 1, 1});
    put16(b, dpi);
    put16(b, dpi);
    b.insert(b.end(), {0, 0});
    b.insert(b.end(), {0xff, 0xc0});
    put16(b, 17);
    b.push_back(8);
    put16(b, h);
    put16(b, w);
    b.insert(b.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    b.insert(b.end(), {0xff, 0xda});
    put16(b, 12);
    b.insert(b.end(), {3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0});
    // Entropy-coded data with a stuffed 0xFF and a restart marker.
    b.insert(b.end(), {0x12, 0x34, 0xff, 0x00, 0x56, 0xff, 0xd0, 0x78});
    if (whole)
        b.insert(b.end(), {0xff, 0xd9});
    return b;
}

bytes text(const std::string &s)
{
    return bytes(s.begin(), s.end());
}

lg_epsi_ptr load(bytes b, picture_format f, std::u16string &why)
{
    return pic__load_buffer(std::move(b), f, why);
}

} // namespace

TEST(PictureFiles, FormatsAndSizesFromTheirHeaders)
{
    std::u16string why;
    // A PNG with its resolution (300 dpi: 11811 pixels a metre), one without.
    bytes p = png(300, 150, 11811);
    EXPECT_EQ(pic__sniff(p.data(), p.size()), picture_format::png);
    auto a = load(p, picture_format::png, why);
    ASSERT_TRUE(a) << std::string(why.begin(), why.end());
    EXPECT_EQ(a->format, picture_format::png);
    EXPECT_EQ(a->px_width, 300u);
    EXPECT_NEAR(a->width, 72, 0.01);
    EXPECT_NEAR(a->height, 36, 0.01);
    EXPECT_TRUE(a->boxed);
    auto b = load(png(300, 150), picture_format::png, why);
    ASSERT_TRUE(b);
    EXPECT_NEAR(b->width, 225, 1e-3); // 96 dpi
    EXPECT_EQ(b->data, png(300, 150));

    bytes j = jpeg(600, 300, 300);
    EXPECT_EQ(pic__sniff(j.data(), j.size()), picture_format::jpeg);
    auto c = load(j, picture_format::jpeg, why);
    ASSERT_TRUE(c) << std::string(why.begin(), why.end());
    EXPECT_NEAR(c->width, 144, 1e-3);
    EXPECT_NEAR(c->height, 72, 1e-3);

    struct svg_case {
        const char *svg;
        double w, h;
    } svgs[] = {
        {"<svg xmlns='http://www.w3.org/2000/svg' width='30mm' height='10mm'/>", 30 * 72 / 25.4, 10 * 72 / 25.4},
        {"\xef\xbb\xbf<?xml version='1.0'?>\n<!-- a logo -->\n<svg viewBox='0 0 200 100'><rect width='5' "
         "height='5'/></svg>",
         150, 75},
        {"<svg width='100' viewBox='0,0,50,25'><defs><linearGradient id='g'/></defs>"
         "<rect fill='url(#g)' width='5' height='5'/><use xlink:href='#g'/></svg>",
         75, 37.5},
        {"<svg width='2in' height='1in'><style><![CDATA[ rect { fill: red } ]]></style></svg>", 144, 72},
    };
    for (const svg_case &s : svgs) {
        bytes t = text(s.svg);
        EXPECT_EQ(pic__sniff(t.data(), t.size()), picture_format::svg) << s.svg;
        auto e = load(t, picture_format::svg, why);
        ASSERT_TRUE(e) << s.svg << " " << std::string(why.begin(), why.end());
        EXPECT_NEAR(e->width, s.w, 1e-3) << s.svg;
        EXPECT_NEAR(e->height, s.h, 1e-3) << s.svg;
    }
    // Anything else is EPS, as pictures always were.
    bytes eps = text("%!PS\n%%BoundingBox: 0 0 20 10\n");
    EXPECT_EQ(pic__sniff(eps.data(), eps.size()), picture_format::eps);
    EXPECT_EQ(pic__format_name(picture_format::eps), nullptr);
    EXPECT_EQ(pic__format_from_name("svg"), picture_format::svg);
    EXPECT_FALSE(pic__format_from_name("gif"));
}

TEST(PictureFiles, HostileFilesAreRefusedBeforeAnythingDecodes)
{
    std::string deep = "<svg width='1' height='1'>";
    for (int i = 0; i < 300; ++i)
        deep += "<g>";
    for (int i = 0; i < 300; ++i)
        deep += "</g>";
    deep += "</svg>";
    // Ten groups, each using the one before ten times: 10^10 parts drawn.
    std::string use_bomb = "<svg width='1' height='1'><g id='g0'><rect width='1' height='1'/></g>";
    for (int i = 1; i < 10; ++i) {
        use_bomb += "<g id='g" + std::to_string(i) + "'>";
        for (int k = 0; k < 10; ++k)
            use_bomb += "<use href='#g" + std::to_string(i - 1) + "'/>";
        use_bomb += "</g>";
    }
    use_bomb += "<use xlink:href='#g9'/></svg>";
    std::string use_chain = "<svg width='1' height='1'>";
    // A chain of 20000 parts, each using the next: refused without
    // following it all the way (no deep recursion).
    for (int i = 0; i < 20000; ++i)
        use_chain += "<g id='c" + std::to_string(i) + "'><use href='#c" + std::to_string(i + 1) + "'/></g>";
    use_chain += "<use href='#c0'/></svg>";
    // Parts using themselves.
    const std::string use_loop = "<svg width='1' height='1'><g id='a'><use href='#b'/></g>"
                                 "<g id='b'><use href='#a'/></g></svg>";
    struct bad {
        bytes b;
        picture_format f;
        std::u16string said; // part of the reason
    } cases[] = {
        {png(100000, 100000), picture_format::png, u"100000 × 100000"},
        {png(5000, 5000), picture_format::png, u"мегапикселей"},
        {png(0, 10), picture_format::png, u"нет размеров"},
        {png(30, 30, 0, false), picture_format::png, u"обрывается"},
        {jpeg(60, 30, 72, false), picture_format::jpeg, u"обрывается"},
        {jpeg(60, 0, 72), picture_format::jpeg, u"нет размеров"},
        {jpeg(65535, 65535, 72), picture_format::jpeg, u"65535 × 65535"},
        {text("<svg width='1' height='1'><script>alert(1)</script></svg>"), picture_format::svg, u"сценарий"},
        {text("<svg width='1' height='1'><svg:script/></svg>"), picture_format::svg, u"сценарий"},
        {text("<svg width='1' height='1' onload='alert(1)'/>"), picture_format::svg, u"onload"},
        {text("<svg width='1' height='1'><image xlink:href='http://example.com/x.png'/></svg>"), picture_format::svg,
         u"href"},
        {text("<svg width='1' height='1'><image href=\"/etc/passwd\"/></svg>"), picture_format::svg, u"href"},
        {text("<svg width='1' height='1'><image href='data:image/png;base64,AAAA'/></svg>"), picture_format::svg,
         u"href"},
        {text("<svg width='1' height='1'><rect style='fill:url( \"http://x/y#z\")'/></svg>"), picture_format::svg,
         u"url"},
        {text("<svg width='1' height='1'><style>@import 'a.css';</style></svg>"), picture_format::svg, u"@import"},
        {text("<?xml-stylesheet href='a.css'?><svg width='1' height='1'/>"), picture_format::svg,
         u"таблицу стилей"},
        {text("<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol 'lol'><!ENTITY lol2 "
              "'&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;'>]><svg width='1' height='1'>&lol2;</svg>"),
         picture_format::svg, u"DOCTYPE"},
        {text(deep), picture_format::svg, u"глубже"},
        {text(use_bomb), picture_format::svg, u"(use)"},
        {text(use_loop), picture_format::svg, u"(use)"},
        {text(use_chain), picture_format::svg, u"(use)"},
        {text("<svg width='1' height='1'><g>"), picture_format::svg, u"обрывается"},
        {text("<svg width='1' height='1'><g></svg>"), picture_format::svg, u"обрывается"},
        {text("<html><svg width='1' height='1'/></html>"), picture_format::svg, u"не SVG"},
        {text("<svg width='1e308' height='1'/>"), picture_format::svg, u"больше"},
        {text("<svg width='NaN' height='nan'/>"), picture_format::svg, u"нет размеров"},
        {text("<svg width='50%' height='10'/>"), picture_format::svg, u"нет размеров"},
        {bytes{'<', 's', 'v', 'g', 0, '/', '>'}, picture_format::svg, u"нулевые"},
    };
    for (bad &c : cases) {
        const auto start = std::chrono::steady_clock::now();
        std::u16string why;
        const std::string shown(c.b.begin(), c.b.begin() + static_cast<long>(std::min<std::size_t>(c.b.size(), 60)));
        auto e = load(c.b, c.f, why);
        EXPECT_FALSE(e) << shown;
        EXPECT_NE(why.find(c.said), std::u16string::npos) << shown << ": " << std::string(why.begin(), why.end());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000)) << shown;
    }
}

TEST(PictureFiles, StoredBytesThatAreNoPictureAreKeptUnboxed)
{
    const bytes cut = png(30, 30, 0, false);
    lg_epsi_ptr kept = pic__load_stored(bytes(cut), picture_format::png);
    ASSERT_TRUE(kept);
    EXPECT_FALSE(kept->boxed);
    EXPECT_EQ(kept->format, picture_format::png);
    EXPECT_EQ(kept->data, cut);
    // An EPS stored label reads as it always did.
    lg_epsi_ptr eps = pic__load_stored(text("%!PS\n%%BoundingBox: 0 0 20 10\n"), picture_format::eps);
    ASSERT_TRUE(eps);
    EXPECT_TRUE(eps->boxed);
    EXPECT_EQ(eps->format, picture_format::eps);
    EXPECT_FLOAT_EQ(eps->width, 20);
}

TEST(PictureFiles, ChoosingAFileSaysWhyItIsRefused)
{
    temp_dir dir;
    const bytes logo = png(200, 100);
    const std::string hostile = "<svg width='1' height='1'><script>x()</script></svg>";
    ASSERT_EQ(plt__write_blob(u16(dir / "logo.png"), logo.data(), logo.size()), 1);
    ASSERT_EQ(plt__write_blob(u16(dir / "evil.svg"), hostile.data(), hostile.size()), 1);
    const bytes cut = jpeg(10, 10, 72, false);
    ASSERT_EQ(plt__write_blob(u16(dir / "cut.jpg"), cut.data(), cut.size()), 1);

    scripted_file_choice files;
    scoped_seam<file_choice_service> use_files(&files);
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes(&boxes);
    using st = file_choice_result::status;
    files.results.push_back({st::chosen, u16(dir / "logo.png"), 0});
    files.results.push_back({st::chosen, u16(dir / "evil.svg"), 0});
    files.results.push_back({st::chosen, u16(dir / "cut.jpg"), 0});
    files.results.push_back({st::chosen, u16(dir / "logo.png"), 0});

    auto e = ele__choose_picture();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->format, picture_format::png);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(ele__choose_picture());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"Изображение «" + u16(dir / "evil.svg") +
                                       u"» не вставлено: в SVG есть сценарий (script), такие файлы не принимаются.");
    EXPECT_FALSE(ele__choose_picture());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(boxes.shown[1].text.find(u"cut.jpg» не вставлено: файл обрывается"), std::u16string::npos);

    // What only a decoder finds (the GUI's verifier) refuses it as well.
    pic__set_verifier([](const lg_epsi &) -> std::optional<std::u16string> { return u"изображение не читается"; });
    EXPECT_FALSE(ele__choose_picture());
    pic__set_verifier(nullptr);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_NE(boxes.shown[2].text.find(u"logo.png» не вставлено: изображение не читается."), std::u16string::npos);
}
