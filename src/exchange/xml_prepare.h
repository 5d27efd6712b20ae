// Everything a document from outside goes through before the XML-RPC
// parser sees it: the size limit, the refusal of document types and of deep
// nesting, the move to UTF-8 whatever the declared encoding, and the
// protection of carriage returns.
#pragma once

#include <optional>
#include <string>

#include <xmlrpc-c/base.h>

// Deepest element nesting accepted.  A label needs about fifteen levels;
// the library's parser frees its tree recursively and overflows the stack
// on tens of thousands, before its own nesting limit is applied.
inline constexpr int INO_XML_DEPTH_LIMIT = 1000;

// False with a parse fault when elements nest deeper than `limit`.  One
// linear pass; comments, CDATA sections, processing instructions and quoted
// attribute values are skipped.
bool ino__xml_depth_ok(xmlrpc_env *env, const char *xml, std::size_t len,
                       int limit = INO_XML_DEPTH_LIMIT);

// The document in UTF-8 with its declaration saying so.  UTF-16 (with or
// without a byte order mark) and every 8-bit encoding the system's iconv
// knows are converted; bytes that are not valid in the declared encoding
// give a parse fault and nothing.
std::optional<std::string> ino__xml_to_utf8(xmlrpc_env *env, const char *xml, std::size_t len);

// False with a fault naming the character and its line when the document
// holds a character outside the Basic Multilingual Plane (raw or as a
// character reference): the label's text cannot carry it, and the library's
// own refusal says so in English without saying where.
bool ino__xml_bmp_only(xmlrpc_env *env, const char *xml, std::size_t len);

// All of the above, then the carriage-return protection of
// xmlrpc_support.h: the text to hand to the parser, or nothing with a fault
// pending.
// Whether the bytes can be a label file at all: an XML document (in any
// encoding the reader takes) that holds a method call.  Random bytes, a
// picture or a text file are not; a damaged label file still is, so that
// its own fault is shown.
bool ino__looks_like_label_file(const char *bytes, std::size_t len);
std::optional<std::string> ino__prepare_xml(xmlrpc_env *env, const char *xml, std::size_t len);
