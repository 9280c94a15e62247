// A thin wrapper around irrXML. irrXML's header does not compile as C++20, so it is included
// in one C++17 translation unit only.
#pragma once

#include <functional>
#include <string>

class XmlElementView {
public:
    virtual ~XmlElementView() = default;
    // The decoded value of an attribute; null when absent.
    virtual const char* Value(const char* attribute) const = 0;
    // irrXML's numeric reading of an attribute (0 when absent or not a number).
    virtual float FloatValue(const char* attribute) const = 0;
};

// Parses an XML text with irrXML and calls onElement for each start element (also
// self-closing) whose name is exactly elementName, in document order. False when the reader
// cannot be created.
bool ForEachXmlElement(const std::string& text, const char* elementName,
                       const std::function<void(const XmlElementView&)>& onElement);
