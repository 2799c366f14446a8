// What the host sees of the real e-book driver's books: selecting the catalog of a class of the store
// sends the host WM_SHELF_NOTIFY wParam 4 with the class key and the address of the class's description
// page, a file that lists the class's books; and the full-text search finds the text of a page whose
// characters are written as HTML character references, as the reader sees it.
#include "test_html_ebooks_store_world.h"

using namespace ebook_store_world;

namespace {

class StorePages : public EbookStoreWorld {};

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

TEST_F(StorePages, SelectingAClassCatalogSendsTheAddressOfItsDescriptionPage) {
    ASSERT_TRUE(Start());
    SendAddBook(MakeBook("tides.epub", "Tides &amp; Currents", "Oceans"));
    SendAddBook(MakeBook("plain.epub", "Plain", ""));
    SendAddBook(MakeBook("waves.epub", "Waves", "Oceans"));
    HTREEITEM oceans = Find("Oceans");
    ASSERT_NE(oceans, nullptr);
    const std::string key = Record(oceans).szCataKey;
    ASSERT_FALSE(key.empty());

    contents::ContentsWorld::Notices().clear();
    Select(oceans);
    ASSERT_EQ(Notices().size(), 1u);
    const contents::Notice& notice = Notices()[0];
    EXPECT_EQ(notice.kind, static_cast<WPARAM>(SHELF_NOTIFY_CATALOG_DESC));
    EXPECT_EQ(std::string(notice.desc.szCataKey), key);
    const std::string address = notice.desc.szDescURL;
    ASSERT_EQ(address.rfind("file:///", 0), 0u) << address;
    const std::string file = PercentDecoded(address.substr(7));
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    std::string page = epubtest::ReadFile(file);
    EXPECT_NE(page.find("<li>Tides &amp; Currents</li>"), std::string::npos) << page;
    EXPECT_NE(page.find("<li>Waves</li>"), std::string::npos) << page;
    EXPECT_EQ(page.find("Plain"), std::string::npos) << page;

    // A book added later is on the page the address names.
    SendAddBook(MakeBook("swell.epub", "Swell", "oceans"));
    EXPECT_NE(epubtest::ReadFile(file).find("<li>Swell</li>"), std::string::npos);
}

std::vector<std::string> g_found;
int Found(DWORD, const SearchHit* hit) {
    g_found.push_back(std::string(hit->pszBookName) + " p" + std::to_string(hit->nPage));
    return 1;
}

TEST_F(StorePages, TheSearchFindsTextWrittenAsCharacterReferences) {
    ASSERT_TRUE(Start());
    SendAddBook(
        MakeBook("cafe.epub", "Menu", "", "<p>Caf&eacute; &#187; cr&#xE8;me br&ucirc;l&eacute;e</p>"));
    SendAddBook(MakeBook("plain.epub", "Plain", "", "<p>Cafe creme</p>"));
    // The user types in the program's code page (1252 here).
    for (const char* text : {"Caf\xE9 \xBB cr\xE8me", "br\xFBl\xE9"
                                                      "e"}) {
        g_found.clear();
        std::string typed = text;
        Ctrl().Search(0xFFFFFFFF, typed.data(), 1, reinterpret_cast<void*>(&Found));
        EXPECT_EQ(g_found, std::vector<std::string>{"Menu p0"}) << text;
    }
    g_found.clear();
    std::string raw = "&eacute;";
    Ctrl().Search(0xFFFFFFFF, raw.data(), 1, reinterpret_cast<void*>(&Found));
    EXPECT_TRUE(g_found.empty()) << "the references themselves are not in the text";
}

} // namespace
