// XML reading for the package, the container file, the NCX and the navigation document: libxml2
// without network access, external DTDs or entity substitution; the HTML parser takes over for a
// navigation document that is not well-formed. Element and attribute names are compared by their
// local part, so "dc:title" matches "title" with or without a declared namespace.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace tavrin::ebook {

using XmlNode = _xmlNode;

struct XmlDocDeleter {
    void operator()(_xmlDoc* doc) const;
};
using XmlDoc = std::unique_ptr<_xmlDoc, XmlDocDeleter>;

// Parses `bytes` as XML; a document that is not well-formed is parsed again with the HTML parser when
// `htmlFallback` is set, else in XML recover mode. Null when that gives no root element either.
XmlDoc ParseMarkup(std::string_view bytes, bool htmlFallback);

XmlNode* RootElement(const XmlDoc& doc);

// The element's name without a namespace prefix.
std::string_view LocalName(const XmlNode* node);
bool IsElement(const XmlNode* node, std::string_view localName);

// Element children of `node`, all or those with the local name.
std::vector<XmlNode*> ChildElements(const XmlNode* node, std::string_view localName = {});
XmlNode* FirstChildElement(const XmlNode* node, std::string_view localName);
// Elements below `node` (not `node` itself) with the local name, in document order.
std::vector<XmlNode*> Descendants(const XmlNode* node, std::string_view localName, size_t limit = 100000);

// The value of the attribute whose local name is `localName` (empty when missing).
std::string Attribute(const XmlNode* node, std::string_view localName);
bool HasAttribute(const XmlNode* node, std::string_view localName);

// The text inside `node`: its text and CDATA below, in order (entity references are not expanded),
// at most `limit` bytes.
std::string TextOf(const XmlNode* node, size_t limit = 65536);

} // namespace tavrin::ebook
