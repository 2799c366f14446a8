#include "ebook/markup.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>

namespace tavrin::ebook {
namespace {

constexpr int kXmlOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
constexpr int kHtmlOptions =
    HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;

const char* Chars(const xmlChar* text) {
    return reinterpret_cast<const char*>(text);
}

std::string_view StripPrefix(std::string_view name) {
    size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

void AppendText(const xmlNode* node, std::string* out, size_t limit, int depth) {
    for (const xmlNode* child = node->children; child && out->size() < limit; child = child->next) {
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content) {
            out->append(Chars(child->content));
        } else if (child->type == XML_ELEMENT_NODE && depth < 256) {
            AppendText(child, out, limit, depth + 1);
        }
    }
    if (out->size() > limit) out->resize(limit);
}

} // namespace

void XmlDocDeleter::operator()(_xmlDoc* doc) const {
    xmlFreeDoc(doc);
}

XmlDoc ParseMarkup(std::string_view bytes, bool htmlFallback) {
    if (bytes.size() > INT_MAX) return nullptr;
    const int size = static_cast<int>(bytes.size());
    XmlDoc doc(xmlReadMemory(bytes.data(), size, nullptr, nullptr, kXmlOptions));
    if (doc && xmlDocGetRootElement(doc.get())) return doc;
    // Not well-formed: HTML's rules (implied end tags, bare attributes) give a tree closer to what the
    // author meant than XML recovery does.
    if (htmlFallback) {
        doc.reset(htmlReadMemory(bytes.data(), size, nullptr, nullptr, kHtmlOptions));
    } else {
        doc.reset(xmlReadMemory(bytes.data(), size, nullptr, nullptr, kXmlOptions | XML_PARSE_RECOVER));
    }
    if (doc && xmlDocGetRootElement(doc.get())) return doc;
    return nullptr;
}

XmlNode* RootElement(const XmlDoc& doc) {
    return doc ? xmlDocGetRootElement(doc.get()) : nullptr;
}

std::string_view LocalName(const XmlNode* node) {
    return node && node->name ? StripPrefix(Chars(node->name)) : std::string_view();
}

bool IsElement(const XmlNode* node, std::string_view localName) {
    return node && node->type == XML_ELEMENT_NODE && LocalName(node) == localName;
}

std::vector<XmlNode*> ChildElements(const XmlNode* node, std::string_view localName) {
    std::vector<XmlNode*> out;
    if (!node) return out;
    for (xmlNode* child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE && (localName.empty() || LocalName(child) == localName))
            out.push_back(child);
    return out;
}

XmlNode* FirstChildElement(const XmlNode* node, std::string_view localName) {
    if (!node) return nullptr;
    for (xmlNode* child = node->children; child; child = child->next)
        if (IsElement(child, localName)) return child;
    return nullptr;
}

std::vector<XmlNode*> Descendants(const XmlNode* node, std::string_view localName, size_t limit) {
    std::vector<XmlNode*> out;
    if (!node) return out;
    // An explicit stack: hostile documents may nest deeper than the call stack allows.
    std::vector<xmlNode*> stack;
    for (xmlNode* child = node->last; child; child = child->prev)
        stack.push_back(child);
    while (!stack.empty() && out.size() < limit) {
        xmlNode* current = stack.back();
        stack.pop_back();
        if (current->type != XML_ELEMENT_NODE) continue;
        if (LocalName(current) == localName) out.push_back(current);
        for (xmlNode* child = current->last; child; child = child->prev)
            stack.push_back(child);
    }
    return out;
}

std::string Attribute(const XmlNode* node, std::string_view localName) {
    if (!node || node->type != XML_ELEMENT_NODE) return {};
    for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
        if (!attr->name || StripPrefix(Chars(attr->name)) != localName) continue;
        std::string value;
        for (const xmlNode* child = attr->children; child; child = child->next)
            if (child->content) value.append(Chars(child->content));
        return value;
    }
    return {};
}

bool HasAttribute(const XmlNode* node, std::string_view localName) {
    if (!node || node->type != XML_ELEMENT_NODE) return false;
    for (const xmlAttr* attr = node->properties; attr; attr = attr->next)
        if (attr->name && StripPrefix(Chars(attr->name)) == localName) return true;
    return false;
}

std::string TextOf(const XmlNode* node, size_t limit) {
    std::string out;
    if (node) AppendText(node, &out, limit, 0);
    return out;
}

} // namespace tavrin::ebook
