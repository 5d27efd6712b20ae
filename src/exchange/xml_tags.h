// The tags of an XML document read in one linear pass, without a parser:
// what the guards in front of the XML-RPC parser count (nesting, values,
// struct members) before the parser is let near a document.
#pragma once

#include <cstddef>
#include <string_view>

struct xml_tag {
    bool end = false;       // "</name>"
    bool empty = false;     // "<name/>": opens nothing
    std::string_view name;  // of a start tag: up to a blank, '/' or '>'
};

// Gives the start and end tags in document order.  Comments, CDATA
// sections, processing instructions and declarations (<!DOCTYPE …>) are
// skipped whole, and so are quoted attribute values inside a start tag.  A
// start tag that is not closed before the end of the document ends the walk;
// an end tag is given as soon as it starts.
class xml_tag_reader {
public:
    xml_tag_reader(const char *xml, std::size_t len) : p_(xml), end_(xml + len) {}
    // The next tag; false at the end of the document.
    bool next(xml_tag &tag);

private:
    const char *p_;
    const char *end_;
};
