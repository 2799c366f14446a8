#include "ebook/contents.h"

#include "ebook/href.h"
#include "ebook/limits.h"
#include "ebook/markup.h"
#include "ebook/text_util.h"

#include <unordered_map>

namespace tavrin::ebook {
namespace {

class PageMap {
  public:
    PageMap(const ZipArchive& archive, const Package& package) : archive_(archive) {
        for (size_t i = 0; i < package.spine.size(); ++i)
            pages_.emplace(package.spine[i], static_cast<int32_t>(i));
    }
    // The spine page of an href written in a document of `folder`; -1 when it names none.
    int32_t PageOf(const std::string& folder, const std::string& href) const {
        auto path = ResolveHref(folder, href);
        if (!path) return -1;
        if (auto index = archive_.Find(*path)) path = archive_.NameAt(*index);
        auto it = pages_.find(*path);
        return it == pages_.end() ? -1 : it->second;
    }

  private:
    const ZipArchive& archive_;
    std::unordered_map<std::string, int32_t> pages_;
};

std::string LabelText(XmlNode* node) {
    std::string text = CollapseSpace(TextOf(node, 4096));
    if (text.empty()) text = CollapseSpace(Attribute(node, "title"));
    return text;
}

// One list ("ol") of the navigation document and the lists nested in it.
void ReadNavList(XmlNode* list, uint32_t parent, int depth, const std::string& folder, const PageMap& pages,
                 Contents* contents) {
    if (!list || depth > kMaxContentsDepth) return;
    for (XmlNode* item : ChildElements(list, "li")) {
        if (contents->Entries().size() >= kMaxContentsEntries) return;
        XmlNode* label = nullptr;
        XmlNode* nested = nullptr;
        for (XmlNode* child : ChildElements(item)) {
            if (!label && (IsElement(child, "a") || IsElement(child, "span"))) label = child;
            if (!nested && IsElement(child, "ol")) nested = child;
        }
        if (!label && !nested) continue;
        int32_t page = label && IsElement(label, "a") ? pages.PageOf(folder, Attribute(label, "href")) : -1;
        uint32_t entry = contents->Add(parent, label ? LabelText(label) : std::string(), page);
        ReadNavList(nested, entry, depth + 1, folder, pages, contents);
    }
}

bool ReadNav(const ZipArchive& archive, const Package& package, const PageMap& pages, Contents* contents) {
    std::string error;
    auto bytes = archive.ReadNamed(package.navPath, kMaxMarkupSize, &error);
    if (!bytes) return false;
    XmlDoc doc = ParseMarkup(*bytes, true);
    std::vector<XmlNode*> navs = Descendants(RootElement(doc), "nav");
    XmlNode* toc = nullptr;
    for (XmlNode* nav : navs) {
        std::string type = Attribute(nav, "type");
        if (type == "toc" || type.find("toc") != std::string::npos) {
            toc = nav;
            break;
        }
    }
    if (!toc && !navs.empty()) toc = navs.front();
    if (!toc) return false;
    std::vector<XmlNode*> lists = Descendants(toc, "ol", 1);
    if (lists.empty()) return false;
    ReadNavList(lists.front(), 0, 0, FolderOf(package.navPath), pages, contents);
    return contents->Entries().size() > 1;
}

void ReadNavPoints(XmlNode* node, uint32_t parent, int depth, const std::string& folder, const PageMap& pages,
                   Contents* contents) {
    if (depth > kMaxContentsDepth) return;
    for (XmlNode* point : ChildElements(node, "navPoint")) {
        if (contents->Entries().size() >= kMaxContentsEntries) return;
        std::string text = LabelText(FirstChildElement(FirstChildElement(point, "navLabel"), "text"));
        int32_t page = pages.PageOf(folder, Attribute(FirstChildElement(point, "content"), "src"));
        uint32_t entry = contents->Add(parent, std::move(text), page);
        ReadNavPoints(point, entry, depth + 1, folder, pages, contents);
    }
}

bool ReadNcx(const ZipArchive& archive, const Package& package, const PageMap& pages, Contents* contents) {
    std::string error;
    auto bytes = archive.ReadNamed(package.ncxPath, kMaxMarkupSize, &error);
    if (!bytes) return false;
    XmlDoc doc = ParseMarkup(*bytes, false);
    XmlNode* map = FirstChildElement(RootElement(doc), "navMap");
    if (!map) return false;
    ReadNavPoints(map, 0, 0, FolderOf(package.ncxPath), pages, contents);
    return contents->Entries().size() > 1;
}

// A book without usable contents gets one entry per page, named after the page's file.
void ContentsFromSpine(const Package& package, Contents* contents) {
    for (size_t i = 0; i < package.spine.size() && i + 1 < kMaxContentsEntries; ++i) {
        std::string name = package.spine[i].substr(FolderOf(package.spine[i]).size());
        size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0) name.resize(dot);
        contents->Add(0, name, static_cast<int32_t>(i));
    }
}

} // namespace

Contents::Contents() {
    entries_.push_back(ContentsEntry{});
    lastChild_.push_back(kNoEntry);
}

uint32_t Contents::Add(uint32_t parent, std::string text, int32_t page) {
    const uint32_t index = static_cast<uint32_t>(entries_.size());
    ContentsEntry entry;
    entry.text = std::move(text);
    entry.page = page;
    entry.parent = parent;
    entries_.push_back(std::move(entry));
    lastChild_.push_back(kNoEntry);
    if (lastChild_[parent] == kNoEntry) {
        entries_[parent].firstChild = index;
    } else {
        entries_[lastChild_[parent]].nextSibling = index;
    }
    lastChild_[parent] = index;
    return index;
}

uint32_t Contents::EntryForPage(int32_t page) const {
    if (page < 0) return kNoEntry;
    // Entries are stored in reading order of the contents (each entry before its children).
    uint32_t best = kNoEntry;
    int32_t bestPage = -1;
    for (uint32_t i = 1; i < entries_.size(); ++i) {
        int32_t p = entries_[i].page;
        if (p == page) return i;
        if (p >= 0 && p < page && p > bestPage) {
            best = i;
            bestPage = p;
        }
    }
    return best;
}

Contents ReadContents(const ZipArchive& archive, const Package& package) {
    PageMap pages(archive, package);
    Contents contents;
    if (!package.navPath.empty() && ReadNav(archive, package, pages, &contents)) return contents;
    contents = Contents();
    if (!package.ncxPath.empty() && ReadNcx(archive, package, pages, &contents)) return contents;
    contents = Contents();
    ContentsFromSpine(package, &contents);
    return contents;
}

} // namespace tavrin::ebook
