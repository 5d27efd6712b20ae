#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <fstream>
#include <sstream>
#include <csignal>
#include <sys/resource.h>

#include "exchange/inout.h"
#include "platform/code_pages.h"
#include "exchange/lbl_text.h"
#include "exchange/xmlrpc_support.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/python.h"
#include "support/sample_label.h"
#include "support/temp_dir.h"

using namespace lbl;

namespace {

class LabelFiles : public testing::Test {
protected:
    label_ptr load_text(const std::string &xml)
    {
        std::ofstream(dir / "in.lbl", std::ios::binary) << xml;
        return ino__load_file(u16(dir / "in.lbl"));
    }
    label_ptr round_trip(const label *lab)
    {
        EXPECT_EQ(ino__save_file(u16(dir / "rt.lbl"), lab), 1);
        return ino__load_file(u16(dir / "rt.lbl"));
    }
    std::string file_text(const std::string &name)
    {
        std::ifstream f(dir / name, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    const message_box_request *last_box() const
    {
        return boxes.shown.empty() ? nullptr : &boxes.shown.back();
    }

    temp_dir dir;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use{&boxes};
};



} // namespace

TEST_F(LabelFiles, AllFourKindsRoundTripFieldByField)
{
    label_ptr lab = sample_label();
    label_ptr back = round_trip(lab.get());
    ASSERT_TRUE(back);
    EXPECT_TRUE(boxes.shown.empty());
    expect_same(lab.get(), back.get());
    EXPECT_EQ(back->sel, 0);
    EXPECT_EQ(back->modified, 0);
    EXPECT_FALSE(back->store.place); // the caller records where it came from
}

TEST_F(LabelFiles, FileIsTheSerialisedMethodCall)
{
    label_ptr lab = sample_label();
    ASSERT_EQ(ino__save_file(u16(dir / "a.lbl"), lab.get()), 1);
    std::string f = file_text("a.lbl");
    EXPECT_EQ(f.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<methodCall>\r\n"
                      "<methodName>labels.local_store</methodName>\r\n",
                      0),
              0u);
    EXPECT_NE(static_cast<unsigned char>(f[0]), 0xEF); // no byte-order mark
    // Every line ends in CR LF (line feeds inside strings stay as they are).
    label_ptr flat = sample_label();
    flat->desc = u"одна строка";
    flat->es[0]->text.text = u"текст";
    ASSERT_EQ(ino__save_file(u16(dir / "flat.lbl"), flat.get()), 1);
    std::string g = file_text("flat.lbl");
    for (std::size_t i = g.find('\n'); i != std::string::npos; i = g.find('\n', i + 1))
        ASSERT_EQ(g[i - 1], '\r') << i;
    // Members in the writer's order.
    std::size_t n = f.find("<name>name</name>"), d = f.find("<name>desc</name>"),
                w = f.find("<name>width</name>"), h = f.find("<name>height</name>"),
                bg = f.find("<name>bgcolor</name>"), fl = f.find("<name>fields</name>");
    EXPECT_TRUE(n < d && d < w && w < h && h < bg && bg < fl);
    EXPECT_NE(f.find("<value><string>ABCDEF</string></value>"), std::string::npos);
    EXPECT_NE(f.find("<string>128B</string>"), std::string::npos);
    EXPECT_NE(f.find("<string>DASHDOTDOT</string>"), std::string::npos);
    EXPECT_NE(f.find("<string>center</string>"), std::string::npos);
    EXPECT_NE(f.find("<string>drawing</string>"), std::string::npos);
    EXPECT_NE(f.find("&#x0d;"), std::string::npos); // CR kept as a reference
    EXPECT_NE(f.find("<i4>23</i4>"), std::string::npos);
    EXPECT_NE(f.find("<boolean>0</boolean>"), std::string::npos);
    // The text's automatic width is not written; the picture's automatic
    // height neither.
    std::size_t text_start = f.find("<string>text</string>");
    std::size_t text_end = f.find("</struct>", text_start);
    EXPECT_EQ(f.substr(text_start, text_end - text_start).find("<name>width</name>"), std::string::npos);
    EXPECT_NE(f.substr(text_start, text_end - text_start).find("<name>height</name>"), std::string::npos);
}

TEST_F(LabelFiles, DecimalCommaLocaleChangesNothing)
{
    const char *ok = std::setlocale(LC_ALL, "ru_RU.UTF-8");
    ASSERT_NE(ok, nullptr) << "ru_RU.UTF-8 locale missing (scripts/install-deps makes it)";
    label_ptr lab = sample_label();
    ASSERT_EQ(ino__save_file(u16(dir / "ru.lbl"), lab.get()), 1);
    EXPECT_NE(file_text("ru.lbl").find("<double>12.500000</double>"), std::string::npos);
    label_ptr back = ino__load_file(u16(dir / "ru.lbl"));
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(back);
    expect_same(lab.get(), back.get());
}

TEST(SixDecimals, EveryDoubleOfADocumentAndNothingElse)
{
    EXPECT_EQ(ino__six_decimal_doubles("<value><double>9.527500000000003</double></value>"),
              "<value><double>9.527500</double></value>");
    EXPECT_EQ(ino__six_decimal_doubles("<double>300</double><i4>300</i4><double>0.0000004</double>"),
              "<double>300.000000</double><i4>300</i4><double>0.000000</double>");
    EXPECT_EQ(ino__six_decimal_doubles("<double>-0.12345651</double>"), "<double>-0.123457</double>");
    EXPECT_EQ(ino__six_decimal_doubles("<double>1e12</double>"), "<double>1000000000000.000000</double>");
    // 1e300: all 301 digits written out, still plain decimal, the same value.
    const std::string huge = ino__six_decimal_doubles("<double>1e300</double>");
    ASSERT_EQ(huge.size(), 8 + 301 + 7 + 9);
    EXPECT_EQ(huge.substr(huge.size() - 16), ".000000</double>");
    EXPECT_EQ(std::strtod(huge.c_str() + 8, nullptr), 1e300);
    // What is no finite number, an unclosed value and escaped text stay.
    for (const char *same : {"<double>nan</double>", "<double>inf</double>", "<double>12,5</double>",
                             "<double></double>", "<double>12.5", "<string>&lt;double&gt;1.5&lt;/double&gt;</string>",
                             ""})
        EXPECT_EQ(ino__six_decimal_doubles(same), same);
}

TEST_F(LabelFiles, DoublesAreWrittenWithSixDecimals)
{
    label_ptr lab = sample_label();
    lab->width = 9.527500000000003;
    lab->es[0]->x = 1.0 / 3;
    lab->es[0]->y = 99.875;
    lab->es[0]->angle = 12.3456789;
    lab->es[0]->text.size = 0.0000004;
    lab->es[1]->width = 123456789.123456789;
    ASSERT_EQ(ino__save_file(u16(dir / "six.lbl"), lab.get()), 1);
    const std::string f = file_text("six.lbl");
    int doubles = 0;
    for (std::size_t at = f.find("<double>"); at != std::string::npos; at = f.find("<double>", at + 1)) {
        const std::size_t end = f.find("</double>", at);
        ASSERT_NE(end, std::string::npos);
        const std::string v = f.substr(at + 8, end - at - 8);
        const std::size_t point = v.find('.');
        ASSERT_NE(point, std::string::npos) << v;
        EXPECT_EQ(v.size() - point - 1, 6u) << v;
        EXPECT_EQ(v.find_first_not_of("-0123456789."), std::string::npos) << v;
        ++doubles;
    }
    EXPECT_GE(doubles, 10);
    EXPECT_NE(f.find("<double>9.527500</double>"), std::string::npos);
    EXPECT_NE(f.find("<double>0.333333</double>"), std::string::npos);
    EXPECT_NE(f.find("<double>99.875000</double>"), std::string::npos);
    EXPECT_NE(f.find("<double>0.000000</double>"), std::string::npos);
    // Read back, each value is the written one within 5e-7.
    label_ptr back = ino__load_file(u16(dir / "six.lbl"));
    ASSERT_TRUE(back);
    EXPECT_NEAR(back->width, lab->width, 5e-7);
    EXPECT_NEAR(back->es[0]->x, 1.0 / 3, 5e-7);
    EXPECT_NEAR(back->es[0]->angle, 12.3456789, 5e-7);
    EXPECT_NEAR(back->es[1]->width, 123456789.123457, 1e-9 * 123456789);
    // Python's XML-RPC reads the file as written.
    const std::string python = R"(
import sys, xmlrpc.client
params, method = xmlrpc.client.loads(open(sys.argv[1], 'rb').read())
assert method == 'labels.local_store', method
lab = params[0]
assert lab['width'] == 9.5275, lab['width']
text = [e for e in lab['fields'] if e['type'] == 'text'][0]
assert text['x'] == 0.333333 and text['y'] == 99.875 and text['size'] == 0.0, text
)";
    EXPECT_EQ(run_python(python, {(dir / "six.lbl").string()}), 0);
}

TEST_F(LabelFiles, CarriageReturnsAndPrivateCharactersComeBackExactly)
{
    label_ptr lab = ele__label_new(10, 10);
    lab->name = u"\r\r\n\r";
    lab->desc = u"a\uE001\uE000b\uE001\uE001\rc\uE000";
    label_ptr back = round_trip(lab.get());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, lab->name);
    EXPECT_EQ(back->desc, lab->desc);
    // Character references written by hand, in every form, and CDATA.
    auto l = load_text(call(param(
        "<value><struct>" + str("name", "x&#13;y&#x0D;z&#xd;&#xE001;") +
        str("desc", "<![CDATA[&#13;]]>") + dbl("width", "1") + dbl("height", "1") +
        "<member><name>fields</name><value><array><data></data></array></value></member></struct></value>")));
    ASSERT_TRUE(l);
    EXPECT_EQ(l->name, u"x\ry\rz\r\uE001");
    EXPECT_EQ(l->desc, u"&#13;");
}

// Marking codes hold GS (0x1D), which XML cannot carry: the file has the
// mark U+241D and a member saying so; files without that member read as
// they always did.
TEST_F(LabelFiles, GroupSeparatorsOfACodeComeBackAndOlderFilesStayAsTheyWere)
{
    const std::u16string code = u"010460123456789321<q&\"J'>\x1D" u"91EE06\x1D" u"92tail=";
    label_ptr lab = ele__label_new(100, 100);
    element *bc = sample_add(lab.get(), ELE_BARCODE, 10, 10, 40, 40);
    bc->barcode.type = 17;
    bc->barcode.code = code;
    bc->desc = u"Код";
    label_ptr back = round_trip(lab.get());
    ASSERT_TRUE(back);
    ASSERT_EQ(back->qty, 1);
    EXPECT_EQ(back->es[0]->barcode.code, code);
    const std::string written = file_text("rt.lbl");
    EXPECT_EQ(written.find('\x1D'), std::string::npos);
    EXPECT_NE(written.find("\xE2\x90\x9D"), std::string::npos); // U+241D in UTF-8

    // GS elsewhere than in a code, or a code holding GS and the mark both,
    // cannot come back as it was: the save is refused.
    const std::string before = written;
    bc->barcode.code = u"01046012345678932\u241D1\x1D";
    EXPECT_EQ(ino__save_file(u16(dir / "rt.lbl"), lab.get()), 0);
    ASSERT_TRUE(last_box());
    EXPECT_NE(last_box()->text.find(u"данные штрих-кода элемента 1 «Код» содержит символ U+241D"),
              std::u16string::npos)
        << plt__to_utf8(last_box()->text);
    bc->barcode.code = code;
    bc->desc = u"a\x1D";
    EXPECT_EQ(ino__save_file(u16(dir / "rt.lbl"), lab.get()), 0);
    EXPECT_NE(last_box()->text.find(u"U+001D"), std::u16string::npos);
    EXPECT_EQ(file_text("rt.lbl"), before);

    auto code_read = [&](const std::string &members) -> std::optional<std::u16string> {
        label_ptr l = load_text(call(param(label_xml(element_xml(common("barcode") + str("style", "DATAMATRIX") +
                                                                 dbl("size", "0") + members)))));
        if (!l || l->qty != 1)
            return std::nullopt;
        return l->es[0]->barcode.code;
    };
    const std::string marked = str("value", "01\xE2\x90\x9D" "91");
    EXPECT_EQ(code_read(marked), u"01\u241D" "91"); // an older file: the mark is text
    EXPECT_EQ(code_read(marked + boolean("gs_marks", true)), u"01\x1D" "91");
    EXPECT_EQ(code_read(marked + boolean("gs_marks", false)), u"01\u241D" "91");
    const std::size_t boxes_before = boxes.shown.size();
    EXPECT_EQ(code_read(marked + str("gs_marks", "1")), std::nullopt); // mistyped: the file is refused
    EXPECT_EQ(code_read(str("value", "01&#x1D;91")), std::nullopt);    // not XML 1.0
    EXPECT_EQ(code_read(str("value", "01\x1D" "91")), std::nullopt);
    EXPECT_EQ(boxes.shown.size(), boxes_before + 3);
}

TEST_F(LabelFiles, EmptyLabelAndDefaultsOfMissingMembers)
{
    label_ptr empty = ele__label_new(10, 20);
    empty->bgcolor = 0xFF123456; // the top byte is not written
    label_ptr back = round_trip(empty.get());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->qty, 0);
    EXPECT_EQ(back->bgcolor, 0x123456u);

    auto l = load_text(call(param(label_xml(""))));
    ASSERT_TRUE(l);
    EXPECT_EQ(l->bgcolor, 0xFFFFFFu);
    l = load_text(call(param(label_xml("", str("bgcolor", "00ff00")))));
    EXPECT_EQ(l->bgcolor, 0x0000FF00u);
    l = load_text(call(param(label_xml("", str("bgcolor", "  0x1a2B3c!")))));
    EXPECT_EQ(l->bgcolor, 0x1A2B3Cu);
    l = load_text(call(param(label_xml("", str("bgcolor", "zz")))));
    EXPECT_EQ(l->bgcolor, 0xFFFFFFu); // no digits: as if missing
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LabelFiles, SizesMissingFromStoredElementsFollowTheToggles)
{
    std::string pic = "JSFQUwolJUJvdW5kaW5nQm94OiAwIDAgMjAwIDEwMAo="; // box 0 0 200 100
    auto l = load_text(call(param(label_xml(
        element_xml(common("text", 0) + text_members()) +
        element_xml(common("text", 1) + str("value", "T") + str("style", "F") + dbl("size", "0") +
                str("justification", "fill")) +
        element_xml(common("drawing", 2) + b64("value", pic) + dbl("height", "30")) +
        element_xml(common("drawing", 3) + b64("value", pic)) +
        element_xml(common("border", 4) + str("style", "DOT") + dbl("size", "1")) +
        element_xml(common("barcode", 5) + str("value", "1") + str("style", "EAN") + dbl("size", "0.5"))))));
    ASSERT_TRUE(l);
    ASSERT_EQ(l->qty, 6);
    EXPECT_DOUBLE_EQ(l->es[0]->width, -43.43);
    EXPECT_DOUBLE_EQ(l->es[0]->height, -12);
    EXPECT_DOUBLE_EQ(l->es[1]->height, -43.43);
    EXPECT_EQ(l->es[1]->text.justification, 3);
    EXPECT_DOUBLE_EQ(l->es[2]->picture.ratio, 2);
    EXPECT_DOUBLE_EQ(l->es[2]->width, -60);
    EXPECT_DOUBLE_EQ(l->es[2]->height, 30);
    EXPECT_DOUBLE_EQ(l->es[3]->width, 200);
    EXPECT_DOUBLE_EQ(l->es[3]->height, -100);
    EXPECT_EQ(l->es[4]->width, 0);
    EXPECT_EQ(l->es[4]->border.style, 4);
    EXPECT_EQ(l->es[5]->height, 0);
    EXPECT_EQ(l->es[5]->barcode.text, 1);
    EXPECT_EQ(l->es[5]->barcode.type, 1);

    // A text whose width was automatic is written without it and comes back
    // automatic again.
    label_ptr back = round_trip(l.get());
    ASSERT_TRUE(back);
    EXPECT_DOUBLE_EQ(back->es[0]->width, -43.43);
    EXPECT_DOUBLE_EQ(back->es[3]->width, 200);
    EXPECT_DOUBLE_EQ(back->es[3]->height, -100);
}

TEST_F(LabelFiles, NamesAndCodesOutsideTheTables)
{
    std::string els;
    const char *names[] = {"CODE-128B", "CODE128B", "128B", "ean13", "Interleaved 2 of 5", "PLS"};
    for (int i = 0; i < 6; ++i)
        els += element_xml(common("barcode", i) + str("value", "1") + str("style", names[i]) +
                       dbl("size", "0"));
    els += element_xml(common("text", 6, "1", "1", 7) + text_members("justify"));
    els += element_xml(common("border", 7, "1", "1", 41) + str("style", "WAVY") + dbl("size", "1"));
    auto l = load_text(call(param(label_xml(els))));
    ASSERT_TRUE(l);
    ASSERT_EQ(l->qty, 8);
    EXPECT_EQ(l->es[0]->barcode.type, 8);
    EXPECT_EQ(l->es[1]->barcode.type, 8);
    EXPECT_EQ(l->es[2]->barcode.type, 8);
    EXPECT_EQ(l->es[3]->barcode.type, -1);
    EXPECT_EQ(l->es[4]->barcode.type, 11);
    EXPECT_EQ(l->es[5]->barcode.type, 14);
    EXPECT_EQ(l->es[6]->quadrant, -1);
    EXPECT_EQ(l->es[6]->text.justification, -1);
    EXPECT_EQ(l->es[7]->quadrant, 7);
    EXPECT_EQ(l->es[7]->border.style, 0);

    ASSERT_EQ(ino__save_file(u16(dir / "out.lbl"), l.get()), 1);
    std::string f = file_text("out.lbl");
    EXPECT_EQ(f.find("CODE-128B"), std::string::npos); // written in the first form
    EXPECT_NE(f.find("<string>128B</string>"), std::string::npos);
    EXPECT_NE(f.find("<string>ean13</string>"), std::string::npos);   // kept as stored
    EXPECT_NE(f.find("<string>justify</string>"), std::string::npos); // kept as stored
    EXPECT_NE(f.find("<string>I25</string>"), std::string::npos);
    EXPECT_NE(f.find("<string>PLESSEY</string>"), std::string::npos);
    EXPECT_NE(f.find("<i4>-1</i4>"), std::string::npos); // quadrant 7 stays unknown
    EXPECT_EQ(f.find("WAVY"), std::string::npos);
    EXPECT_NE(f.find("<string>SOLID</string>"), std::string::npos);
}

TEST_F(LabelFiles, TwoDimensionalAndGs1KindsAreWrittenByNameUnknownNamesKept)
{
    // The four later kinds read and write under their own names; a file of
    // a newer program with a kind this one does not know, and an older file
    // without any of them, come back byte for byte.
    struct named {
        const char *name;
        int code;
    } kinds[] = {{"QRCODE", 16}, {"DATAMATRIX", 17}, {"PDF417", 18}, {"GS1-128", 19}, {"NEWER-KIND", -1},
                 {"QR", -1}, {"qrcode", -1}, {"93", 15}};
    std::string els;
    for (int i = 0; i < 8; ++i)
        els += element_xml(common("barcode", i) + str("value", "(01)04601234567893") + str("style", kinds[i].name) +
                           dbl("size", "0"));
    const std::string newer = call(param(label_xml(els)));
    auto l = load_text(newer);
    ASSERT_TRUE(l);
    ASSERT_EQ(l->qty, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(l->es[i]->barcode.type, kinds[i].code) << kinds[i].name;
    ASSERT_EQ(ino__save_file(u16(dir / "out.lbl"), l.get()), 1);
    const std::string written = file_text("out.lbl");
    for (const named &k : kinds)
        EXPECT_NE(written.find(std::string("<string>") + k.name + "</string>"), std::string::npos) << k.name;
    auto again = load_text(written);
    ASSERT_TRUE(again);
    ASSERT_EQ(ino__save_file(u16(dir / "again.lbl"), again.get()), 1);
    EXPECT_EQ(file_text("again.lbl"), written);

    // A kind chosen in the editor replaces a stored unknown name.
    l->es[4]->barcode.type = 17;
    l->es[4]->barcode.stored_type.reset();
    ASSERT_EQ(ino__save_file(u16(dir / "chosen.lbl"), l.get()), 1);
    EXPECT_EQ(file_text("chosen.lbl").find("NEWER-KIND"), std::string::npos);

    label_ptr older = sample_label();
    ASSERT_EQ(ino__save_file(u16(dir / "older.lbl"), older.get()), 1);
    const std::string before = file_text("older.lbl");
    auto back = load_text(before);
    ASSERT_TRUE(back);
    ASSERT_EQ(ino__save_file(u16(dir / "older2.lbl"), back.get()), 1);
    EXPECT_EQ(file_text("older2.lbl"), before);
}

TEST_F(LabelFiles, OutOfRangeElementsAreSkippedOthersLoad)
{
    auto l = load_text(call(param(label_xml(
        element_xml(common("text", 0, "300", "400") + text_members()) +     // on the edge: kept
        element_xml(common("text", 1, "300.001", "1") + text_members()) +   // past the width
        element_xml(common("text", 2, "1", "400.001") + text_members()) +   // past the height
        element_xml(common("text", 3, "-0.001", "1") + text_members()) +    // negative
        element_xml(common("circle", 4) + text_members()) +                 // unknown kind
        element_xml(common("text", 5) + text_members() + dbl("width", "-1")) +
        element_xml(common("text", 6) + text_members() + dbl("height", "-0.5")) +
        element_xml(i4("layer", 7) + str("type", "text") + dbl("x", "1") + dbl("y", "1") +
                i4("quadrant", 1) + dbl("angle", "360.5") + str("comment", "") +
                boolean("enabled", true) + str("colour", "0") + text_members()) +
        element_xml(common("text", 8, "1", "1", 1, "last") + text_members())))));
    ASSERT_TRUE(l);
    ASSERT_EQ(l->qty, 2);
    EXPECT_EQ(l->es[0]->layer, 0);
    EXPECT_EQ(l->es[0]->x, 300);
    EXPECT_EQ(l->es[1]->desc, u"last");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LabelFiles, LayersSortTheElements)
{
    auto l = load_text(call(param(label_xml(element_xml(common("text", 2, "1", "1", 1, "two") + text_members()) +
                                        element_xml(common("text", 0, "1", "1", 1, "zero") + text_members()) +
                                        element_xml(common("text", 1, "1", "1", 1, "one") + text_members())))));
    ASSERT_TRUE(l);
    ASSERT_EQ(l->qty, 3);
    EXPECT_EQ(l->es[0]->desc, u"zero");
    EXPECT_EQ(l->es[1]->desc, u"one");
    EXPECT_EQ(l->es[2]->desc, u"two");
}

TEST_F(LabelFiles, PictureWithoutBoundingBoxIsKeptAndWrittenBack)
{
    std::string raw = "no box at all";
    std::string b64v = "bm8gYm94IGF0IGFsbA==";
    auto l = load_text(call(param(label_xml(element_xml(common("drawing", 0) + b64("value", b64v) +
                                                dbl("width", "10") + dbl("height", "20"))))));
    ASSERT_TRUE(l);
    ASSERT_EQ(l->qty, 1);
    const lg_epsi *p = l->es[0]->picture.data.get();
    ASSERT_TRUE(p);
    EXPECT_FALSE(p->boxed);
    EXPECT_EQ(std::string(p->data.begin(), p->data.end()), raw);
    EXPECT_EQ(l->es[0]->picture.ratio, 1.0);
    label_ptr back = round_trip(l.get());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->es[0]->picture.data->data, p->data);
    EXPECT_EQ(back->es[0]->width, 10);
}

TEST_F(LabelFiles, LoadMessages)
{
    // Every refusal names its file: several may be opened at once.
    const std::u16string not_label = u"Файл «" + u16(dir / "in.lbl") +
                                      u"» не является файлом этикетки.\n"
                                      u"Этикетки хранятся в файлах .lbl, которые записывает эта программа.";
    auto l = load_text(call(param(label_xml("")), "labels.save_label"));
    EXPECT_FALSE(l);
    ASSERT_TRUE(last_box());
    EXPECT_EQ(last_box()->text, not_label);
    EXPECT_EQ(last_box()->caption, u"Vellumo 1.2");
    EXPECT_EQ(last_box()->icon, mb_icon::warning);

    EXPECT_FALSE(load_text(call(param(label_xml("")), "labels.local_stor")));
    EXPECT_EQ(last_box()->text, not_label);

    const std::u16string refused = u"Файл этикетки «" + u16(dir / "in.lbl") + u"» не прочитан: в нём этикетка";
    EXPECT_FALSE(load_text(call(param(label_xml("")) + param(label_xml("")))));
    EXPECT_EQ(last_box()->text.rfind(refused, 0), 0u);
    EXPECT_FALSE(load_text(call("")));
    EXPECT_EQ(last_box()->text.rfind(refused, 0), 0u);

    EXPECT_FALSE(ino__load_file(u16(dir / "missing.lbl")));
    EXPECT_EQ(last_box()->text, u"Файл этикетки «" + u16(dir / "missing.lbl") + u"» не открыт: такого файла нет.");

    // An empty file, random bytes, a text file: no label file at all.
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise += static_cast<char>((i * 7919 + i / 13) & 0xFF);
    for (const std::string &bytes : {std::string(), noise, std::string("Just some text\n"),
                                     std::string("<html><body>a page</body></html>"),
                                     std::string("\x89PNG\r\n\x1a\n") + noise}) {
        std::size_t before = boxes.shown.size();
        EXPECT_FALSE(load_text(bytes));
        ASSERT_EQ(boxes.shown.size(), before + 1);
        EXPECT_EQ(last_box()->text, not_label);
        EXPECT_EQ(last_box()->icon, mb_icon::warning);
    }
    // A label file cut short is one: its own fault is shown.
    std::size_t before = boxes.shown.size();
    EXPECT_FALSE(load_text("<?xml version=\"1.0\"?>\n<methodCall><methodName>x</methodName><params><param>"));
    ASSERT_EQ(boxes.shown.size(), before + 1);
    EXPECT_EQ(last_box()->caption.rfind(u"Vellumo 1.2 | ошибка XMLRPC ", 0), 0u);
    EXPECT_EQ(last_box()->caption, u"Vellumo 1.2 | ошибка XMLRPC -503");
    EXPECT_EQ(last_box()->icon, mb_icon::error);
    EXPECT_FALSE(last_box()->text.empty());

    // A label of negative size would lose every element: refused.
    EXPECT_FALSE(load_text(call(param(label_xml(element_xml(common("text") + text_members()), "", "-300")))));
    EXPECT_EQ(last_box()->text.rfind(refused, 0), 0u);
}

TEST_F(LabelFiles, MissingOrMistypedMembersShowTheFaultBox)
{
    const std::string good = common("text") + text_members();
    const std::string bad_labels[] = {
        // label members
        "<value><struct>" + str("desc", "D") + dbl("width", "1") + dbl("height", "1") +
            "<member><name>fields</name><value><array><data></data></array></value></member></struct></value>",
        label_xml("", "", "<i4>3</i4>"),
        label_xml("", i4("bgcolor", 5)),
        "<value><struct>" + str("name", "n") + str("desc", "D") + dbl("width", "1") +
            dbl("height", "1") + str("fields", "x") + "</struct></value>",
        "<value><array><data></data></array></value>",
        // element members
        label_xml(element_xml(common("text") + str("value", "T") + dbl("size", "1") + str("justification", "left"))),
        label_xml(element_xml(good + "") + element_xml(i4("layer", 1) + str("type", "text"))),
        label_xml(element_xml(common("barcode") + str("value", "1") + str("style", "AUTO") + str("size", "1"))),
        label_xml(element_xml(common("drawing") + str("value", "not base64 typed"))),
        label_xml(element_xml(common("border") + str("style", "DOT") + i4("size", 1))),
        label_xml(element_xml(good + str("width", "1"))),
        label_xml("<value><string>not a struct</string></value>"),
    };
    for (const std::string &b : bad_labels) {
        std::size_t before = boxes.shown.size();
        EXPECT_FALSE(load_text(call(param(b)))) << b;
        ASSERT_EQ(boxes.shown.size(), before + 1) << b;
        EXPECT_EQ(last_box()->caption.rfind(u"Vellumo 1.2 | ошибка XMLRPC -", 0), 0u) << b;
        EXPECT_EQ(last_box()->caption.find(u"при обращении"), std::u16string::npos);
    }
}

TEST_F(LabelFiles, TextThatCannotBeStoredIsRefusedWithoutTouchingTheFile)
{
    ASSERT_EQ(ino__save_file(u16(dir / "keep.lbl"), sample_label().get()), 1);
    std::string before = file_text("keep.lbl");

    label_ptr lab = sample_label();
    lab->es[2]->desc = u"Картинка";
    lab->es[0]->text.text = u"bell \u0007 here";
    EXPECT_EQ(ino__save_file(u16(dir / "keep.lbl"), lab.get()), 0);
    ASSERT_TRUE(last_box());
    EXPECT_EQ(last_box()->text,
              u"Этикетку нельзя сохранить: текст элемента 1 «Текст» содержит символ U+0007, "
              u"который не может быть записан.");
    EXPECT_EQ(file_text("keep.lbl"), before);

    lab = sample_label();
    lab->es[3]->desc = u"smile \U0001F600";
    EXPECT_EQ(ino__save_file(u16(dir / "keep.lbl"), lab.get()), 0);
    EXPECT_NE(last_box()->text.find(u"описание элемента 4 содержит символ U+1F600"), std::u16string::npos);

    lab = sample_label();
    lab->name = std::u16string(u"broken ") + static_cast<char16_t>(0xDC00);
    EXPECT_EQ(ino__save_file(u16(dir / "keep.lbl"), lab.get()), 0);
    EXPECT_NE(last_box()->text.find(u"название этикетки"), std::u16string::npos);
    EXPECT_EQ(file_text("keep.lbl"), before);

    // The writer itself reports instead of ending the program.
    ino_env env;
    EXPECT_EQ(ino__label_to_value(lab.get(), &env), nullptr);
    EXPECT_TRUE(env.failed());
    EXPECT_EQ(env.env.fault_code, -510);

    // A refusal that reaches the writer's own values (a stored kind name
    // kept from another program) ended the program through the fatal path;
    // now the save says why, naming the label, and leaves the file.
    lab = sample_label();
    lab->name = u"Ценник";
    lab->es[0]->text.justification = -1;
    lab->es[0]->text.stored_justification = u"wide \U0001F600";
    EXPECT_EQ(ino__save_file(u16(dir / "keep.lbl"), lab.get()), 0);
    EXPECT_EQ(last_box()->text.rfind(u"Этикетка «Ценник» не сохранена. ", 0), 0u) << plt__to_utf8(last_box()->text);
    EXPECT_EQ(file_text("keep.lbl"), before);
}

TEST_F(LabelFiles, SeveralMegabytesOfPicturesLoad)
{
    label_ptr lab = ele__label_new(500, 500);
    for (int i = 0; i < 6; ++i) {
        element *p = ele__add(lab.get(), i);
        p->type = ELE_PICTURE;
        p->picture.data = sample_picture("0 0 100 100", 1 << 20);
        ele__update_ratio(p);
        p->width = p->height = 50;
    }
    label_ptr back = round_trip(lab.get());
    ASSERT_TRUE(back);
    EXPECT_GT(std::filesystem::file_size(dir / "rt.lbl"), 8u << 20);
    expect_same(lab.get(), back.get());
}

TEST_F(LabelFiles, SavingReplacesTheWholeFile)
{
    std::ofstream(dir / "r.lbl") << std::string(100000, 'z');
    label_ptr lab = ele__label_new(1, 1);
    ASSERT_EQ(ino__save_file(u16(dir / "r.lbl"), lab.get()), 1);
    std::string f = file_text("r.lbl");
    EXPECT_EQ(f.find('z'), std::string::npos);
    EXPECT_LT(f.size(), 1000u);
    EXPECT_TRUE(ino__load_file(u16(dir / "r.lbl")));
}

TEST_F(LabelFiles, FailedSaveLeavesTheOldFileAndNoTemporary)
{
    ASSERT_EQ(ino__save_file(u16(dir / "old.lbl"), sample_label().get()), 1);
    std::string before = file_text("old.lbl");
    // A folder in the way of the rename.
    std::filesystem::create_directories(dir / "taken.lbl" / "sub");
    EXPECT_EQ(ino__save_file(u16(dir / "taken.lbl"), sample_label().get()), 0);
    EXPECT_EQ(last_box()->text, u"Ошибка сохранения этикетки!");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.lbl" / "sub"));
    // A folder that does not exist.
    EXPECT_EQ(ino__save_file(u16(dir / "nowhere" / "x.lbl"), sample_label().get()), 0);
    // A write that fails half way (file size limit) in a child process.
    EXPECT_EXIT(
        {
            struct rlimit rl;
            rl.rlim_cur = 4096;
            rl.rlim_max = 4096;
            signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &rl);
            label_ptr big = sample_label();
            std::_Exit(ino__save_file(u16(dir / "old.lbl"), big.get()) == 0 ? 7 : 8);
        },
        testing::ExitedWithCode(7), "");
    EXPECT_EQ(file_text("old.lbl"), before);
    int stray = 0;
    for (auto &e : std::filesystem::directory_iterator(dir.path()))
        stray += e.path().filename().string().find(".lbl.") != std::string::npos;
    EXPECT_EQ(stray, 0);
}

TEST_F(LabelFiles, AnglesOutsideTheStoredRangeAreWrittenAsTheSameTurn)
{
    // The properties panel takes -400 as -40: saved, the element must come
    // back (a stored angle below 0 would be refused on loading).
    label_ptr lab = ele__label_new(300, 400);
    for (double a : {-40.0, 725.0, 360.0, -360.0}) {
        element *e = ele__add(lab.get(), lab->qty);
        e->type = ELE_BORDER;
        e->desc = u"b";
        e->x = e->y = 10;
        e->angle = a;
    }
    label_ptr back = round_trip(lab.get());
    ASSERT_TRUE(back);
    ASSERT_EQ(back->qty, 4);
    EXPECT_DOUBLE_EQ(back->es[0]->angle, 320);
    EXPECT_DOUBLE_EQ(back->es[1]->angle, 5);
    EXPECT_DOUBLE_EQ(back->es[2]->angle, 360);
    EXPECT_DOUBLE_EQ(back->es[3]->angle, 0);
}
