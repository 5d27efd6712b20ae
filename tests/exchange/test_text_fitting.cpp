// The members of a text that wraps and shrinks in .lbl files: written only
// when set, read back, and read safely from what another program wrote.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "exchange/inout.h"
#include "platform/code_pages.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/python.h"
#include "support/sample_label.h"
#include "support/temp_dir.h"

namespace {

std::string bytes_of(const std::filesystem::path &p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

class TextFitting : public testing::Test {
protected:
    temp_dir dir;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use{&boxes};
};

} // namespace

TEST_F(TextFitting, MembersRoundTripAndAFileWithoutThemStaysByteForByte)
{
    // Without them: nothing new in the file, and a file read and saved
    // again is the same bytes.
    label_ptr old = sample_label();
    ASSERT_EQ(ino__save_file(u16(dir / "old.lbl"), old.get()), 1);
    const std::string before = bytes_of(dir / "old.lbl");
    EXPECT_EQ(before.find("<name>wrap</name>"), std::string::npos);
    EXPECT_EQ(before.find("<name>shrink</name>"), std::string::npos);
    label_ptr read = ino__load_file(u16(dir / "old.lbl"));
    ASSERT_TRUE(read);
    ASSERT_EQ(ino__save_file(u16(dir / "again.lbl"), read.get()), 1);
    EXPECT_EQ(bytes_of(dir / "again.lbl"), before);

    // Set: written in the text's struct and read back.
    label_ptr lab = sample_label();
    lab->es[0]->text.wrap = true;
    lab->es[0]->text.shrink = 6.5;
    ASSERT_EQ(ino__save_file(u16(dir / "fit.lbl"), lab.get()), 1);
    const std::string f = bytes_of(dir / "fit.lbl");
    EXPECT_NE(f.find("<name>wrap</name>\r\n<value><boolean>1</boolean></value>"), std::string::npos);
    EXPECT_NE(f.find("<name>shrink</name>\r\n<value><double>6.500000</double></value>"), std::string::npos);
    label_ptr back = ino__load_file(u16(dir / "fit.lbl"));
    ASSERT_TRUE(back);
    expect_same(lab.get(), back.get());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TextFitting, HostileMembersFromPythonReadAsAbsentAndTheRestStays)
{
    // Python's XML-RPC writes members of every wrong type and value.
    const std::string python = R"(
import sys, xmlrpc.client
def text(comment, **extra):
    e = {'layer': 0, 'type': 'text', 'x': 10.0, 'y': 10.0, 'quadrant': 1, 'angle': 0.0,
         'comment': comment, 'enabled': True, 'colour': '000000', 'value': 'T ' + comment,
         'style': 'DejaVu Sans', 'size': 12.0, 'justification': 'left', 'width': 50.0, 'height': 20.0}
    e.update(extra)
    return e
fields = [
    text('wrap-string', wrap='yes'), text('wrap-int', wrap=1), text('wrap-struct', wrap={'a': [1, 2]}),
    text('shrink-negative', shrink=-4.0), text('shrink-string', shrink='7'),
    text('shrink-array', shrink=[7.0]), text('shrink-huge', shrink=1e308), text('shrink-int', shrink=7),
    text('shrink-inf', shrink=float('inf')), text('shrink-nan', shrink=float('nan')),
    text('both', wrap=True, shrink=5.25),
]
lab = {'name': 'L', 'desc': 'D', 'width': 300.0, 'height': 400.0, 'bgcolor': 'FFFFFF', 'fields': fields}
open(sys.argv[1], 'w', encoding='utf-8').write(
    xmlrpc.client.dumps((lab,), methodname='labels.local_store', encoding='utf-8'))
)";
    ASSERT_EQ(run_python(python, {(dir / "odd.lbl").string()}), 0);
    label_ptr lab = ino__load_file(u16(dir / "odd.lbl"));
    ASSERT_TRUE(lab) << (boxes.shown.empty() ? "" : plt__to_utf8(boxes.shown.back().text));
    ASSERT_EQ(lab->qty, 11); // every element, "inf" and "nan" read as numbers
    auto find = [&](const std::u16string &comment) -> const element * {
        for (int i = 0; i < lab->qty; ++i)
            if (lab->es[i]->desc == comment)
                return lab->es[i];
        ADD_FAILURE() << plt__to_utf8(comment);
        return lab->es[0];
    };
    for (const char16_t *c : {u"wrap-string", u"wrap-int", u"wrap-struct", u"shrink-negative", u"shrink-string",
                              u"shrink-array", u"shrink-inf", u"shrink-nan"}) {
        const element *e = find(c);
        EXPECT_FALSE(e->text.wrap) << plt__to_utf8(c);
        EXPECT_EQ(e->text.shrink, 0) << plt__to_utf8(c);
        EXPECT_EQ(*e->text.text, u"T " + std::u16string(c)); // the rest read as written
        EXPECT_EQ(e->text.size, 12);
    }
    EXPECT_EQ(find(u"shrink-huge")->text.shrink, 1e308); // kept; drawing takes the size
    EXPECT_EQ(find(u"shrink-int")->text.shrink, 7);
    EXPECT_TRUE(find(u"both")->text.wrap);
    EXPECT_EQ(find(u"both")->text.shrink, 5.25);
    // Saved again: the members read are written, the refused ones are not.
    ASSERT_EQ(ino__save_file(u16(dir / "odd-again.lbl"), lab.get()), 1);
    const std::string again = bytes_of(dir / "odd-again.lbl");
    std::size_t wraps = 0, shrinks = 0;
    for (std::size_t i = again.find("<name>wrap</name>"); i != std::string::npos; i = again.find("<name>wrap</name>", i + 1))
        ++wraps;
    for (std::size_t i = again.find("<name>shrink</name>"); i != std::string::npos;
         i = again.find("<name>shrink</name>", i + 1))
        ++shrinks;
    EXPECT_EQ(wraps, 1u);
    EXPECT_EQ(shrinks, 3u);
    // The huge size written out in full (309 digits) reads back, to the
    // last bit or so of the reader's own rounding.
    label_ptr back = ino__load_file(u16(dir / "odd-again.lbl"));
    ASSERT_TRUE(back) << (boxes.shown.empty() ? "" : plt__to_utf8(boxes.shown.back().text));
    ASSERT_EQ(back->qty, lab->qty);
    for (int i = 0; i < lab->qty; ++i) {
        EXPECT_EQ(back->es[i]->text.wrap, lab->es[i]->text.wrap) << i;
        EXPECT_DOUBLE_EQ(back->es[i]->text.shrink, lab->es[i]->text.shrink) << i;
    }
}
