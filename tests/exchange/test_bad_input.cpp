// Hostile and broken .lbl files: each ends in one message or fault box, no
// label, no crash, no hang; the sanitizer build checks for leaks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "exchange/inout.h"
#include "exchange/lbl_text.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

using namespace lbl;

namespace {

class BadInput : public testing::Test {
protected:
    // Loads `bytes` and checks that exactly one box told the user.
    void expect_refused(const std::string &bytes, const char *what)
    {
        {
            std::ofstream f(dir / "bad.lbl", std::ios::binary);
            f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        std::size_t before = boxes.shown.size();
        label_ptr l = ino__load_file(u16(dir / "bad.lbl"));
        EXPECT_FALSE(l) << what;
        EXPECT_EQ(boxes.shown.size(), before + 1) << what;
    }

    temp_dir dir;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use{&boxes};
};

std::string good_file()
{
    return call(param(label_xml(element_xml(common("text") + text_members()) +
                            element_xml(common("drawing", 1) + b64("value", "JSFQUwolJUJvdW5kaW5nQm94OiAwIDAgMSAxCg==")) +
                            element_xml(common("barcode", 2) + str("value", "1") + str("style", "AUTO") +
                                    dbl("size", "1")))));
}

} // namespace

TEST_F(BadInput, TruncatedFilesAtEveryCut)
{
    const std::string f = good_file();
    {
        std::ofstream(dir / "bad.lbl", std::ios::binary) << f;
        ASSERT_TRUE(ino__load_file(u16(dir / "bad.lbl"))); // the whole file is good
    }
    for (std::size_t cut = 1; cut < f.size() - 20; cut += 7)
        expect_refused(f.substr(0, cut), "truncated");
}

TEST_F(BadInput, NonUtf8BytesAndBinaryGarbage)
{
    std::string f = good_file();
    std::size_t at = f.find("<string>T</string>");
    f.replace(at + 8, 1, "\xC3\x28\xFF");
    expect_refused(f, "invalid UTF-8");
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 131) % 256);
    expect_refused(garbage, "binary");
    expect_refused(std::string("\xFF\xFE<\0?\0x\0m\0l\0", 12), "UTF-16");
}

TEST_F(BadInput, EntityDeclarationsAreRefusedBeforeParsing)
{
    std::string bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    std::string prev = "lol";
    for (int i = 1; i < 10; ++i) {
        std::string name = "lol" + std::to_string(i);
        bomb += "<!ENTITY " + name + " \"";
        for (int k = 0; k < 10; ++k)
            bomb += "&" + prev + ";";
        bomb += "\">\n";
        prev = name;
    }
    bomb += "]>\n<methodCall><methodName>labels.local_store</methodName><params><param><value><string>&" +
            prev + ";</string></value></param></params></methodCall>\n";
    expect_refused(bomb, "entity expansion");
    EXPECT_EQ(boxes.shown.back().caption, u"Vellumo 1.2 | ошибка XMLRPC -503");
}

TEST_F(BadInput, DeeplyNestedValues)
{
    std::string open, close;
    for (int i = 0; i < 20000; ++i) {
        open += "<value><array><data>";
        close += "</data></array></value>";
    }
    expect_refused(call(param(open + close)), "nesting");
}

TEST_F(BadInput, WrongTypeInEveryMember)
{
    // Each member of the label and of one element of each kind, in turn given
    // a value of another type.
    struct member_case {
        std::string name, good, bad;
    };
    const std::string kinds[] = {common("text") + text_members(),
                                 common("border") + str("style", "DOT") + dbl("size", "1"),
                                 common("drawing") + b64("value", "JSFQUwolJUJvdW5kaW5nQm94OiAwIDAgMSAxCg=="),
                                 common("barcode") + str("value", "1") + str("style", "AUTO") + dbl("size", "1")};
    int refused = 0;
    for (const std::string &k : kinds) {
        for (std::size_t pos = k.find("<value>"); pos != std::string::npos;
             pos = k.find("<value>", pos + 1)) {
            std::size_t end = k.find("</value>", pos);
            std::string inner = k.substr(pos + 7, end - pos - 7);
            std::string replacement = inner.rfind("<i4>", 0) == 0 || inner.rfind("<boolean>", 0) == 0
                                          ? "<double>1</double>"
                                          : "<i4>1</i4>";
            std::string mutated = k.substr(0, pos + 7) + replacement + k.substr(end);
            expect_refused(call(param(label_xml(element_xml(mutated)))), mutated.c_str());
            ++refused;
        }
    }
    EXPECT_GE(refused, 4 * 9);
    expect_refused(call(param(label_xml("", "", "<string>wide</string>"))), "label width");
    expect_refused(call(param(label_xml("", "", "1", "<boolean>1</boolean>"))), "label height");
}

TEST_F(BadInput, HugeFileAndHugeBase64Member)
{
    // 200 MB: a string that never ends.  Its size alone refuses it, before
    // a byte is read, so all but its start is a hole in the file.
    std::string head = call("").substr(0, call("").find("<params>")) +
                       "<params><param><value><string>";
    {
        std::ofstream f(dir / "bad.lbl", std::ios::binary);
        f << head;
    }
    std::filesystem::resize_file(dir / "bad.lbl", std::uintmax_t(200) << 20);
    std::size_t before = boxes.shown.size();
    EXPECT_FALSE(ino__load_file(u16(dir / "bad.lbl"))) << "200 MB";
    EXPECT_EQ(boxes.shown.size(), before + 1) << "200 MB";

    // A 20 MB base64 picture inside a label that lacks its name: read and
    // parsed whole (below every size limit), then refused.
    std::string b64v(20u << 20, 'Q');
    std::string doc = call(param("<value><struct>" + str("desc", "D") + dbl("width", "300") +
                                 dbl("height", "400") +
                                 "<member><name>fields</name><value><array><data>" +
                                 element_xml(common("drawing") + b64("value", b64v)) +
                                 "</data></array></value></member></struct></value>"));
    b64v.clear();
    b64v.shrink_to_fit();
    expect_refused(doc, "20 MB base64");
}

TEST_F(BadInput, FilesThatAreNotFiles)
{
    std::filesystem::create_directory(dir / "folder.lbl");
    std::size_t before = boxes.shown.size();
    EXPECT_FALSE(ino__load_file(u16(dir / "folder.lbl")));
    ASSERT_EQ(boxes.shown.size(), before + 1);
    EXPECT_EQ(boxes.shown.back().text, u"Файл этикетки «" + u16(dir / "folder.lbl") + u"» не открыт: это папка.");
}
