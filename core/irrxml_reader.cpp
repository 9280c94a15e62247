// irrXML behind a small interface; compiled as C++17 (see app/CMakeLists.txt).
#include "core/irrxml_reader.h"

#include <irrXML.h>

#include <algorithm>
#include <cstring>

namespace {

class MemoryReadCallBack : public irr::io::IFileReadCallBack {
public:
    explicit MemoryReadCallBack(const std::string& text) : text_(text) {}
    int read(void* buffer, int sizeToRead) override
    {
        const std::size_t left = text_.size() - pos_;
        const std::size_t want = sizeToRead > 0 ? static_cast<std::size_t>(sizeToRead) : 0;
        const std::size_t count = std::min(left, want);
        std::memcpy(buffer, text_.data() + pos_, count);
        pos_ += count;
        return static_cast<int>(count);
    }
    long getSize() const override { return static_cast<long>(text_.size()); }

private:
    const std::string& text_;
    std::size_t pos_ = 0;
};

class ReaderElementView : public XmlElementView {
public:
    explicit ReaderElementView(irr::io::IrrXMLReader& reader) : reader_(reader) {}
    const char* Value(const char* attribute) const override
    {
        return reader_.getAttributeValue(attribute);
    }
    float FloatValue(const char* attribute) const override
    {
        return reader_.getAttributeValueAsFloat(attribute);
    }

private:
    irr::io::IrrXMLReader& reader_;
};

}  // namespace

bool ForEachXmlElement(const std::string& text, const char* elementName,
                       const std::function<void(const XmlElementView&)>& onElement)
{
    // The callback outlives the reader (deleteCallback false).
    MemoryReadCallBack callback(text);
    irr::io::IrrXMLReader* reader = irr::io::createIrrXMLReader(&callback, false);
    if (!reader)
        return false;
    const ReaderElementView view(*reader);
    while (reader->read()) {
        if (reader->getNodeType() == irr::io::EXN_ELEMENT &&
            std::strcmp(reader->getNodeName(), elementName) == 0)
            onElement(view);
    }
    delete reader;
    return true;
}
