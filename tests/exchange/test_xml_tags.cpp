// The tag walker under the nesting guard of every document and the server's
// request pre-scan: what it gives as tags decides what both of them count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/xml_tags.h"

namespace {

// The tags as text: "name" for a start tag, "name/" for an empty one, "/"
// for an end tag.
std::vector<std::string> tags_of(const std::string &xml)
{
    std::vector<std::string> out;
    xml_tag_reader r(xml.data(), xml.size());
    xml_tag t;
    while (r.next(t))
        out.push_back(t.end ? "/" : std::string(t.name) + (t.empty ? "/" : ""));
    return out;
}

using tags = std::vector<std::string>;

} // namespace

TEST(XmlTags, MarkupThatIsNotATagGivesNothing)
{
    EXPECT_EQ(tags_of("<?xml version=\"1.0\"?><a><?pi <b> ?><!-- <c> -- <d> --><![CDATA[<e></e>]]]><f/></a>"),
              (tags{"a", "f/", "/"}));
    // A declaration ends at its first '>'; a comment only at "-->".
    EXPECT_EQ(tags_of("<!DOCTYPE x><a><!----><!-- a -> b --></a>"), (tags{"a", "/"}));
    // The name ends at a blank, '/' or '>'; a line break is a blank too.
    EXPECT_EQ(tags_of("<value\n/><value\t>x</value ><struct/><member attr='1'/>"),
              (tags{"value/", "value", "/", "struct/", "member/"}));
}

TEST(XmlTags, QuotedValuesHideTheirMarkup)
{
    // '>' and "/>" inside quotes of either kind end nothing; the other
    // quote inside a value is a plain character.
    EXPECT_EQ(tags_of("<a x=\"1>2\" y='/>'><b z=\"it's\" w='say \"<c>\"'/></a>"), (tags{"a", "b/", "/"}));
    // A quote in a tag's name opens no value: the tag ends at its '>'.
    EXPECT_EQ(tags_of("<a\"b><c></c>"), (tags{"a\"b", "c", "/"}));
}

TEST(XmlTags, UnfinishedMarkupEndsTheWalk)
{
    // A start tag that never closes is not given, nor anything after an
    // unfinished comment, CDATA section or processing instruction.
    for (const char *cut : {"<a", "<a b=\"", "<a b=\">", "<!-- <b>", "<![CDATA[<b>", "<?xml <b>", "<", "<!"})
        EXPECT_EQ(tags_of(std::string("<r>") + cut), (tags{"r"})) << cut;
    // An end tag counts as soon as it starts: nesting never looks deeper
    // than it is.
    EXPECT_EQ(tags_of("<a><b></b"), (tags{"a", "b", "/"}));
    EXPECT_EQ(tags_of(""), tags{});
}

TEST(XmlTags, DeepAndFlatDocumentsAreWalkedWhole)
{
    // Twenty thousand levels and as many siblings: every tag given once.
    std::string deep, flat;
    for (int i = 0; i < 20000; ++i) {
        deep += "<value>";
        flat += "<value/><!-- --><![CDATA[x]]>";
    }
    std::size_t starts = 0, empties = 0;
    xml_tag_reader r(deep.data(), deep.size());
    xml_tag t;
    while (r.next(t))
        starts += !t.end && !t.empty && t.name == "value";
    xml_tag_reader f(flat.data(), flat.size());
    while (f.next(t))
        empties += t.empty;
    EXPECT_EQ(starts, 20000u);
    EXPECT_EQ(empties, 20000u);
}
