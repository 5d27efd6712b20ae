// PNG, JPEG and SVG pictures in label files: the format written beside the
// bytes and read back; a label of EPS pictures written as it always was;
// pictures another program stored wrong kept as they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "exchange/inout.h"
#include "model/picture_file.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/python.h"
#include "support/sample_label.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::string bytes_of(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A small PNG as Python's zlib writes one (CRCs and all).
const char *const png_writer = R"(
import struct, sys, zlib
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
def png(w, h, body=None):
    raw = body if body is not None else b''.join(b'\x00' + b'\x10\x20\x30\x80' * w for _ in range(h))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
)";

element *add_picture(label *lab, lg_epsi_ptr pic)
{
    element *e = ele__add(lab, 0);
    e->type = ELE_PICTURE;
    e->x = e->y = 10;
    e->width = pic->width;
    e->height = -1;
    e->picture.data = std::move(pic);
    ele__update_ratio(e);
    return e;
}

lg_epsi_ptr from_text(const std::string &s, picture_format f)
{
    std::u16string why;
    return pic__load_buffer(std::vector<unsigned char>(s.begin(), s.end()), f, why);
}

} // namespace

TEST(PictureMember, EveryFormatRoundTripsAndEpsLabelsAreWrittenAsBefore)
{
    temp_dir dir;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use{&boxes};
    ASSERT_EQ(run_python(std::string(png_writer) + "open(sys.argv[1], 'wb').write(png(40, 20))\n",
                         {(dir / "logo.png").string()}),
              0);
    std::u16string why;
    lg_epsi_ptr logo = pic__load_file(u16(dir / "logo.png"), why);
    ASSERT_TRUE(logo);
    const std::vector<unsigned char> logo_bytes = logo->data;

    // A label of EPS pictures only: no new member, and read and written
    // again it is the same file, byte for byte.
    label_ptr lab = sample_label();
    ASSERT_EQ(ino__save_file(u16(dir / "eps.lbl"), lab.get()), 1);
    const std::string eps_file = bytes_of(dir / "eps.lbl");
    EXPECT_EQ(eps_file.find("<name>format</name>"), std::string::npos);
    EXPECT_EQ(eps_file.find("<name>file</name>"), std::string::npos);
    label_ptr eps_back = ino__load_file(u16(dir / "eps.lbl"));
    ASSERT_TRUE(eps_back);
    ASSERT_EQ(ino__save_file(u16(dir / "eps-again.lbl"), eps_back.get()), 1);
    EXPECT_EQ(bytes_of(dir / "eps-again.lbl"), eps_file);

    add_picture(lab.get(), std::move(logo));
    add_picture(lab.get(), from_text("<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 40 10'>"
                                     "<rect width='40' height='10' fill='#c00'/></svg>",
                                     picture_format::svg));
    element *data = add_picture(lab.get(), pic__load_file(u16(dir / "logo.png"), why));
    data->picture.source = u"${логотип}";
    ASSERT_EQ(ino__save_file(u16(dir / "all.lbl"), lab.get()), 1);
    const std::string all = bytes_of(dir / "all.lbl");
    EXPECT_NE(all.find("<name>format</name>\r\n<value><string>png</string>"), std::string::npos);
    EXPECT_NE(all.find("<string>svg</string>"), std::string::npos);
    EXPECT_NE(all.find("<name>file</name>\r\n<value><string>${логотип}</string>"), std::string::npos);

    label_ptr back = ino__load_file(u16(dir / "all.lbl"));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->qty, lab->qty);
    const element *d = back->es[0], *s = back->es[1], *p = back->es[2];
    ASSERT_TRUE(d->picture.source);
    EXPECT_EQ(*d->picture.source, u"${логотип}");
    EXPECT_EQ(s->picture.data->format, picture_format::svg);
    EXPECT_NEAR(s->picture.ratio, 4, 1e-6);
    EXPECT_EQ(p->picture.data->format, picture_format::png);
    EXPECT_TRUE(p->picture.data->boxed);
    EXPECT_EQ(p->picture.data->data, logo_bytes);
    EXPECT_NEAR(p->picture.ratio, 2, 1e-6);
    EXPECT_FALSE(p->picture.source);
    ASSERT_EQ(ino__save_file(u16(dir / "all-again.lbl"), back.get()), 1);
    EXPECT_EQ(bytes_of(dir / "all-again.lbl"), all);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(PictureMember, PicturesStoredWrongAreKeptAsTheyAre)
{
    temp_dir dir;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use{&boxes};
    // Another program's label: a PNG declaring 100000 × 100000 pixels, an
    // SVG with a script, a format nobody knows; then one more with a
    // format of the wrong type, refused as any member of the wrong type is.
    const int rc = run_python(std::string(png_writer) + R"(
import xmlrpc.client
def el(value, **kw):
    d = {"layer": 0, "type": "drawing", "x": 10.0, "y": 10.0, "quadrant": 1, "angle": 0.0,
         "comment": "c", "enabled": True, "colour": "000000", "width": 20.0, "height": 10.0,
         "value": xmlrpc.client.Binary(value)}
    d.update(kw)
    return d
bomb = png(100000, 100000, body=b'\x00' * 1000)
lab = {"name": "L", "desc": "", "width": 300.0, "height": 200.0, "bgcolor": "FFFFFF", "fields": [
    el(bomb, format="png"),
    el(b"<svg width='1' height='1'><script>x()</script></svg>", format="svg"),
    el(b"GIF89a....", format="gif"),
]}
open(sys.argv[1], 'wb').write(xmlrpc.client.dumps((lab,), "labels.local_store").encode())
lab["fields"].append(el(b"%!PS\n%%BoundingBox: 0 0 10 10\n", format=7))
open(sys.argv[1] + ".typed", 'wb').write(xmlrpc.client.dumps((lab,), "labels.local_store").encode())
)",
                              {(dir / "other.lbl").string()});
    ASSERT_EQ(rc, 0);
    label_ptr lab = ino__load_file(u16(dir / "other.lbl"));
    ASSERT_TRUE(lab) << (boxes.shown.empty() ? std::string() : plt__to_utf8(boxes.shown.back().text));
    // Kept, not drawable.
    ASSERT_EQ(lab->qty, 3);
    for (int i = 0; i < lab->qty; ++i) {
        ASSERT_TRUE(lab->es[i]->picture.data) << i;
        EXPECT_FALSE(lab->es[i]->picture.data->boxed) << i;
    }
    int png_count = 0, svg_count = 0;
    for (int i = 0; i < lab->qty; ++i) {
        png_count += lab->es[i]->picture.data->format == picture_format::png;
        svg_count += lab->es[i]->picture.data->format == picture_format::svg;
    }
    EXPECT_EQ(png_count, 1);
    EXPECT_EQ(svg_count, 1);
    EXPECT_FALSE(ino__load_file(u16(dir / "other.lbl.typed")));
    ASSERT_EQ(ino__save_file(u16(dir / "mine.lbl"), lab.get()), 1);
    label_ptr again = ino__load_file(u16(dir / "mine.lbl"));
    ASSERT_TRUE(again);
    ASSERT_EQ(again->qty, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(again->es[i]->picture.data->data, lab->es[i]->picture.data->data) << i;
        EXPECT_EQ(again->es[i]->picture.data->format, lab->es[i]->picture.data->format) << i;
    }
}
