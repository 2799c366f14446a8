#include "ebook/package.h"

#include "ebook/href.h"
#include "ebook/limits.h"
#include "ebook/markup.h"
#include "ebook/text_util.h"

#include <unordered_map>

namespace tavrin::ebook {
namespace {

bool HasToken(std::string_view list, std::string_view token) {
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find_first_of(" \t\r\n", start);
        if (end == std::string_view::npos) end = list.size();
        if (list.substr(start, end - start) == token) return true;
        start = end + 1;
    }
    return false;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && FoldAscii(text.substr(text.size() - suffix.size())) == suffix;
}

// The package document's entry name: from the container file, or, when that is missing or names
// nothing the container holds, the first ".opf" entry.
std::optional<std::string> FindPackagePath(const ZipArchive& archive, std::string* error) {
    std::string readError;
    if (auto bytes = archive.ReadNamed("META-INF/container.xml", kMaxMarkupSize, &readError)) {
        XmlDoc doc = ParseMarkup(*bytes, false);
        std::vector<XmlNode*> rootfiles = Descendants(RootElement(doc), "rootfile");
        XmlNode* chosen = nullptr;
        for (XmlNode* node : rootfiles) {
            std::string type = Attribute(node, "media-type");
            if (type.empty() || type == "application/oebps-package+xml") {
                chosen = node;
                break;
            }
        }
        if (chosen) {
            if (auto path = ResolveHref("", Attribute(chosen, "full-path"))) {
                if (auto index = archive.Find(*path)) return archive.NameAt(*index);
            }
        }
    } else if (archive.Find("META-INF/container.xml")) {
        *error = readError; // present but unreadable: the container is damaged
        return std::nullopt;
    }
    for (size_t i = 0; i < archive.EntryCount(); ++i)
        if (EndsWithNoCase(archive.NameAt(i), ".opf")) return archive.NameAt(i);
    *error =
        "the book has no package document (META-INF/container.xml names none, and no .opf file is in it)";
    return std::nullopt;
}

void ReadMetadata(XmlNode* metadata, const std::string& uniqueIdRef, Package* package) {
    for (XmlNode* node : ChildElements(metadata)) {
        std::string_view name = LocalName(node);
        if (name == "title" && package->title.empty()) {
            package->title = CollapseSpace(TextOf(node));
        } else if (name == "subject" && package->subject.empty()) {
            package->subject = CollapseSpace(TextOf(node));
        } else if (name == "identifier") {
            std::string value = CollapseSpace(TextOf(node));
            if (!uniqueIdRef.empty() && Attribute(node, "id") == uniqueIdRef) {
                package->uniqueId = value;
            } else if (package->uniqueId.empty() && uniqueIdRef.empty()) {
                package->uniqueId = value;
            }
        }
    }
}

} // namespace

std::optional<Package> ReadPackage(const ZipArchive& archive, std::string* error) {
    Package package;
    auto path = FindPackagePath(archive, error);
    if (!path) return std::nullopt;
    package.packagePath = *path;
    auto bytes = archive.ReadNamed(package.packagePath, kMaxMarkupSize, error);
    if (!bytes) return std::nullopt;
    XmlDoc doc = ParseMarkup(*bytes, false);
    XmlNode* root = RootElement(doc);
    if (!IsElement(root, "package")) {
        *error = "the package document is not a package: " + package.packagePath;
        return std::nullopt;
    }
    const std::string folder = FolderOf(package.packagePath);

    ReadMetadata(FirstChildElement(root, "metadata"), Attribute(root, "unique-identifier"), &package);

    std::unordered_map<std::string, size_t> byId;
    for (XmlNode* node : ChildElements(FirstChildElement(root, "manifest"), "item")) {
        auto itemPath = ResolveHref(folder, Attribute(node, "href"));
        if (!itemPath) continue;
        if (auto index = archive.Find(*itemPath)) itemPath = archive.NameAt(*index);
        ManifestItem item{Attribute(node, "id"), *itemPath, CollapseSpace(Attribute(node, "media-type")),
                          Attribute(node, "properties")};
        if (!item.id.empty()) byId.emplace(item.id, package.manifest.size());
        if (package.navPath.empty() && HasToken(item.properties, "nav")) package.navPath = item.path;
        package.manifest.push_back(std::move(item));
    }

    XmlNode* spine = FirstChildElement(root, "spine");
    for (XmlNode* node : ChildElements(spine, "itemref")) {
        auto it = byId.find(Attribute(node, "idref"));
        if (it == byId.end() || !archive.Find(package.manifest[it->second].path)) continue;
        if (package.spine.size() >= kMaxSpineItems) break;
        package.spine.push_back(package.manifest[it->second].path);
    }
    if (auto it = byId.find(Attribute(spine, "toc")); it != byId.end())
        package.ncxPath = package.manifest[it->second].path;
    if (package.ncxPath.empty()) {
        for (const ManifestItem& item : package.manifest)
            if (item.mediaType == "application/x-dtbncx+xml") {
                package.ncxPath = item.path;
                break;
            }
    }
    if (package.spine.empty()) {
        *error = "the package document " + package.packagePath + " names no page that the book holds";
        return std::nullopt;
    }
    return package;
}

} // namespace tavrin::ebook
