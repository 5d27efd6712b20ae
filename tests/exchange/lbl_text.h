// Hand-made .lbl documents for the reader's tests.
#pragma once

#include <string>

namespace lbl {

inline std::string str(const std::string &name, const std::string &v)
{
    return "<member><name>" + name + "</name><value><string>" + v + "</string></value></member>";
}
inline std::string dbl(const std::string &name, const std::string &v)
{
    return "<member><name>" + name + "</name><value><double>" + v + "</double></value></member>";
}
inline std::string i4(const std::string &name, int v)
{
    return "<member><name>" + name + "</name><value><i4>" + std::to_string(v) +
           "</i4></value></member>";
}
inline std::string boolean(const std::string &name, bool v)
{
    return "<member><name>" + name + "</name><value><boolean>" + (v ? "1" : "0") +
           "</boolean></value></member>";
}
inline std::string b64(const std::string &name, const std::string &v)
{
    return "<member><name>" + name + "</name><value><base64>" + v + "</base64></value></member>";
}

// The nine common members with the usual values.
inline std::string common(const std::string &type, int layer = 0, const std::string &x = "10",
                          const std::string &y = "10", int quadrant = 1,
                          const std::string &comment = "e")
{
    return i4("layer", layer) + str("type", type) + dbl("x", x) + dbl("y", y) +
           i4("quadrant", quadrant) + dbl("angle", "0") + str("comment", comment) +
           boolean("enabled", true) + str("colour", "000000");
}

inline std::string text_members(const std::string &just = "left")
{
    return str("value", "T") + str("style", "Arial") + dbl("size", "12") +
           str("justification", just);
}

inline std::string element_xml(const std::string &members)
{
    return "<value><struct>" + members + "</struct></value>";
}

inline std::string label_xml(const std::string &fields, const std::string &extra = "",
                         const std::string &w = "300", const std::string &h = "400")
{
    return "<value><struct>" + str("name", "L") + str("desc", "D") + dbl("width", w) +
           dbl("height", h) + extra + "<member><name>fields</name><value><array><data>" + fields +
           "</data></array></value></member></struct></value>";
}

inline std::string call(const std::string &params, const std::string &method = "labels.local_store")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<methodCall>\r\n<methodName>" + method +
           "</methodName>\r\n<params>\r\n" + params + "</params>\r\n</methodCall>\r\n";
}

inline std::string param(const std::string &value)
{
    return "<param>" + value + "</param>\r\n";
}

} // namespace lbl
