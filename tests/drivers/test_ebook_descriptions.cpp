// The description pages of the store's classes (GetDescFileURLbyClassID): a "file://" address, escaped
// and at most 259 bytes, of an HTML page in the store that lists the titles of the class's books, kept
// up to date as books come and go, and never written over a file that is not the driver's own.
#include "epub_fixtures/ebook_driver.h"

#include <sys/stat.h>

namespace {

using epubtest::EbookDriverTest;
using epubtest::Spec;

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

class EbookDescriptions : public EbookDriverTest {
  protected:
    // The address the driver gives for `key`, or "" when it gives none.
    std::string Address(const std::string& key) {
        if (!cbi_->GetDescFileURLbyClassID) {
            ADD_FAILURE() << "the driver does not export GetDescFileURLbyClassID";
            return "";
        }
        char url[CBI_URL_SIZE];
        std::memset(url, 'x', sizeof url);
        if (!cbi_->GetDescFileURLbyClassID(key.c_str(), url)) return "";
        EXPECT_LT(std::strlen(url), static_cast<size_t>(CBI_URL_SIZE));
        return url;
    }
    // The page an address names, read from disk.
    std::string Page(const std::string& address) {
        EXPECT_EQ(address.rfind("file:///", 0), 0u) << address;
        return epubtest::ReadFile(PercentDecoded(address.substr(7)));
    }
    std::string KeyOf(const std::string& className) {
        for (const epubtest::ShelfClass& c : Collect())
            if (c.name == className) return c.key;
        return "";
    }
};

TEST_F(EbookDescriptions, AClassPageListsItsBooksAndFollowsTheStore) {
    ASSERT_EQ(Add(Book("a.epub", epubtest::Epub3(Spec("Fish &amp; &lt;Chips&gt;", "Cooking")))), 1);
    ASSERT_EQ(Add(Book("b.epub", epubtest::Epub3(Spec("Tides", "")))), 1);
    const std::string key = KeyOf("Cooking");
    ASSERT_FALSE(key.empty());
    const std::string address = Address(key);
    ASSERT_FALSE(address.empty());
    EXPECT_EQ(PercentDecoded(address),
              "file://" + std::filesystem::canonical(store_).string() + "/descriptions/" + key + ".html");
    EXPECT_EQ(Address(std::string(key.size(), 'X')), "");
    std::string upper = key;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(Address(upper), address) << "keys compare without regard to case";

    std::string page = Page(address);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos) << page;
    EXPECT_NE(page.find("<title>Cooking</title>"), std::string::npos) << page;
    EXPECT_NE(page.find("<li>Fish &amp; &lt;Chips&gt;</li>"), std::string::npos) << page;
    EXPECT_EQ(page.find("Tides"), std::string::npos) << "another class's book";

    // Books that come and go change the page without anyone asking for it.
    ASSERT_EQ(Add(Book("c.epub", epubtest::Epub2(Spec("Soups", "cooking")))), 1);
    page = Page(address);
    EXPECT_NE(page.find("<li>Soups</li>"), std::string::npos) << page;
    EXPECT_NE(page.find("2 books"), std::string::npos) << page;
    cbi_->CBIShelfDelBook("1");
    page = Page(address);
    EXPECT_EQ(page.find("Fish"), std::string::npos) << page;
    cbi_->CBIShelfDelBook("3");
    EXPECT_FALSE(std::filesystem::exists(PercentDecoded(address.substr(7)))) << "the class is gone";
    EXPECT_EQ(Address(key), "");
}

TEST_F(EbookDescriptions, TheAddressIsEscapedAndAtMost259Bytes) {
    const std::string odd = tmp_.File("my books 100% caf\xC3\xA9#1");
    setenv("TAVRIN_EBOOK_STORE", odd.c_str(), 1);
    ASSERT_EQ(Add(Book("a.epub", epubtest::Epub3(Spec("A", "")))), 1);
    const std::string address = Address("ebooks");
    EXPECT_NE(address.find("/my%20books%20100%25%20caf%C3%A9%231/descriptions/ebooks.html"),
              std::string::npos)
        << address;
    EXPECT_FALSE(Page(address).empty());

    // A store so deep that its address would not fit the caller's buffer has none.
    std::string deep = tmp_.Path();
    while (deep.size() < 250)
        deep += "/folder";
    setenv("TAVRIN_EBOOK_STORE", deep.c_str(), 1);
    ASSERT_EQ(Add(Book("b.epub", epubtest::Epub3(Spec("B", "")))), 1);
    EXPECT_EQ(Address("ebooks"), "");
    EXPECT_TRUE(std::filesystem::exists(deep + "/descriptions/ebooks.html")) << "the page is still kept";
}

TEST_F(EbookDescriptions, AFileThatIsNotTheDriversOwnIsNeverWrittenOver) {
    ASSERT_EQ(mkdir(store_.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((store_ + "/descriptions").c_str(), 0755), 0);
    epubtest::WriteFile(store_ + "/descriptions/ebooks.html", "the user's own page");
    const std::string target = tmp_.Write("elsewhere.html", "somewhere else");
    testing::internal::CaptureStderr();
    ASSERT_EQ(Add(Book("a.epub", epubtest::Epub3(Spec("A", "")))), 1);
    ASSERT_EQ(Add(Book("b.epub", epubtest::Epub3(Spec("B", "Poems")))), 1);
    std::string poems = KeyOf("Poems");
    std::remove((store_ + "/descriptions/" + poems + ".html").c_str());
    ASSERT_EQ(symlink(target.c_str(), (store_ + "/descriptions/" + poems + ".html").c_str()), 0);
    EXPECT_EQ(Address("ebooks"), "");
    EXPECT_EQ(Address(poems), "");
    ASSERT_EQ(Add(Book("c.epub", epubtest::Epub3(Spec("C", "Poems")))), 1);
    std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(epubtest::ReadFile(store_ + "/descriptions/ebooks.html"), "the user's own page");
    EXPECT_EQ(epubtest::ReadFile(target), "somewhere else");
    EXPECT_NE(report.find(store_ + "/descriptions/ebooks.html is not a page the driver wrote"),
              std::string::npos)
        << report;
}

} // namespace
