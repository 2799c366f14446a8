// Registered books end to end with the real pieces: the shelf driver and system catalog of the sample
// shelf, the native book driver found through "DriverPath", the dictionary library with its
// configuration, the SQLite registry store; then the same through the reference host and the registry
// tool as separate programs.
#include "test_regbooks_world.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>

using namespace world;
using regbooks::KeyExists;
using regbooks::kRoot;
using regbooks::SetValue;

namespace {

const std::filesystem::path kSample = TAVRIN_REG_SAMPLE_SHELF_DIR;
const std::vector<std::string> kBooks = {"english-dict.ebd", "river-journey.ebd", "river-towns.ebd",
                                         "tang-poems.ebd"};

// The host folder holds the sample shelf's "Books.Dll", "Tavrin.Sys" and dictionary library; the book
// driver is in "drivers", the books in "books".
class EndToEnd : public ShelfWorld {
  protected:
    void SetUp() override {
        ShelfWorld::SetUp();
        for (const char* file : {"Books.Dll", "Tavrin.Sys", "ZavikApi.dll", "ZavikApi.ini"})
            std::filesystem::copy_file(kSample / file, dir_ / file);
        std::filesystem::create_directories(dir_ / "drivers");
        std::filesystem::copy_file(kSample / "EbdBook.dll", dir_ / "drivers" / "EbdBook.dll");
        std::filesystem::create_directories(dir_ / "books");
        for (const std::string& book : kBooks)
            std::filesystem::copy_file(kSample / book, dir_ / "books" / book);
        SetValue("SOFTWARE\\Velmoran\\ZavikIB\\SysInfo", "DriverPath", (dir_ / "drivers").string());
    }
    std::string ParentOf(const std::string& text) const {
        HTREEITEM item = Find(text);
        return item ? Text(TreeView_GetParent(Tree(), item)) : "<not on the shelf>";
    }
    const BookRecord& Book(const std::string& text) const {
        return *static_cast<const BookRecord*>(Node(Find(text))->pRecord);
    }
};

TEST_F(EndToEnd, RegisterRestartRepointAndRemove) {
    ASSERT_TRUE(CreateControl());
    ASSERT_NE(Find("Unclassified"), nullptr);
    EXPECT_EQ(Find("Tang Poems"), nullptr);

    // Register all four through the dialog into the catalog of unclassified books.
    TreeView_SelectItem(Tree(), Find("Unclassified"));
    ui_.ChooseFiles((dir_ / "books").string(), kBooks);
    ctrl_->AddBook();
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    EXPECT_EQ(Book("Tang Poems").szDriverPath, (dir_ / "drivers" / "EbdBook.dll").string())
        << "found through DriverPath";

    // A new start puts every book into the catalog that lists it.
    DestroyControl();
    ASSERT_TRUE(CreateControl());
    EXPECT_EQ(ParentOf("Pocket English Dictionary"), "Dictionaries");
    EXPECT_EQ(ParentOf("Tang Poems"), "Classical Poetry");
    EXPECT_EQ(ParentOf("A Journey Down the River"), "E-books");
    EXPECT_EQ(ParentOf("Gazetteer of River Towns"), "Unclassified");
    EXPECT_EQ(ctrl_->GetDictCount(), 2u);

    // The file of a book moves; its registration follows; a refresh re-points the node.
    std::filesystem::create_directories(dir_ / "moved");
    std::filesystem::rename(dir_ / "books" / "river-journey.ebd", dir_ / "moved" / "river-journey.ebd");
    std::string moved = (dir_ / "moved" / "river-journey.ebd").string();
    DWORD oldHandle = ctrl_->GetBookHandle("524A31");
    ASSERT_NE(oldHandle, 0xFFFFFFFFu);
    SetValue(kRoot + "\\524a31\\Book", "Database", moved);
    Received().clear();
    ctrl_->Refresh();
    plat::PumpMessages();
    ASSERT_EQ(Received().size(), 1u);
    EXPECT_EQ(Received()[0].msg, static_cast<UINT>(WM_SHELF_BOOKCLOSED));
    EXPECT_EQ(static_cast<DWORD>(Received()[0].lParam), oldHandle);
    DWORD newHandle = ctrl_->GetBookHandle("524a31");
    char path[260] = "";
    ASSERT_EQ(ctrl_->GetBookPos(newHandle, path), 1);
    EXPECT_EQ(std::string(path), moved);
    EXPECT_EQ(ParentOf("A Journey Down the River"), "E-books");

    // Remove a book: gone from the registry, so gone after the next start too.
    TreeView_SelectItem(Tree(), Find("Tang Poems"));
    ui_.AnswerMessageBox(IDYES);
    ctrl_->Delete();
    EXPECT_EQ(Find("Tang Poems"), nullptr);
    DestroyControl();
    EXPECT_EQ(plat::LoadedModuleCount(), 0u) << "every library load was released";
    ASSERT_TRUE(CreateControl());
    EXPECT_EQ(Find("Tang Poems"), nullptr);
    EXPECT_NE(Find("Pocket English Dictionary"), nullptr);
}

TEST_F(EndToEnd, DictionaryTheLibraryDoesNotServeStaysOff) {
    std::ofstream(dir_ / "ZavikApi.ini", std::ios::trunc) << "dict 0x00030201\n";
    ASSERT_TRUE(CreateControl());
    TreeView_SelectItem(Tree(), Find("Unclassified"));
    ui_.ChooseFiles((dir_ / "books").string(), {"english-dict.ebd", "river-towns.ebd"});
    // Its driver reads the gazetteer, but the dictionary library does not list it: the user is told
    // which dictionary it is, and nothing is registered that would show nothing.
    ui_.AnswerMessageBox(IDOK, "The dictionary library doesn't list this dictionary.\n" +
                                   (dir_ / "books" / "river-towns.ebd").string() +
                                   "\nGazetteer of River Towns (dictionary id 197889)");
    ctrl_->AddBook();
    EXPECT_NE(Find("Pocket English Dictionary"), nullptr);
    EXPECT_EQ(Find("Gazetteer of River Towns"), nullptr);
    EXPECT_FALSE(KeyExists(kRoot + "\\TVR-DICT-GZ-0001"));
    EXPECT_EQ(plat::LoadedModuleCount(), 2u) << "the shelf driver and the dictionary's driver only";
}

// ---- through the programs ----

struct Outcome {
    int status = -1;
    std::string out;
};

Outcome RunProgram(const std::string& command) {
    Outcome run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class ThroughThePrograms : public EndToEnd {
  protected:
    std::string Env() const { return "TAVRIN_REGISTRY='" + (dir_ / "registry.db").string() + "' "; }
    Outcome Host(const std::string& args) {
        // The store is shared with the child: this process lets go of it first.
        plat::SetRegistryPath((dir_ / "registry.db").string());
        return RunProgram(Env() + "'" + TAVRIN_REG_HOST_PATH + "' --shelf '" + dir_.string() + "' " + args);
    }
    Outcome Tool(const std::string& args) {
        return RunProgram(Env() + "'" + TAVRIN_REG_TOOL_PATH + "' " + args);
    }
};

TEST_F(ThroughThePrograms, HostRegistersListsAndRemovesBooks) {
    std::string books = (dir_ / "books").string();
    Outcome add = Host("add 65535 '" + books + "/tang-poems.ebd' '" + books + "/english-dict.ebd'");
    ASSERT_EQ(add.status, 0) << add.out;
    EXPECT_NE(add.out.find("Added into \"Unclassified\""), std::string::npos) << add.out;

    Outcome list = Host("books");
    ASSERT_EQ(list.status, 0) << list.out;
    EXPECT_NE(list.out.find("Tang Poems  [book]"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("number    TVR-POEM-ZH-0001"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("registry  SOFTWARE\\Velmoran\\ZavikDic\\TVR-POEM-ZH-0001"), std::string::npos);
    EXPECT_NE(list.out.find("Dictionaries collected at start-up: 1"), std::string::npos) << list.out;

    Outcome keys = Tool("list 'SOFTWARE/Velmoran/ZavikDic'");
    ASSERT_EQ(keys.status, 0) << keys.out;
    EXPECT_NE(keys.out.find("TVR-POEM-ZH-0001\\"), std::string::npos) << keys.out;
    EXPECT_NE(keys.out.find("Database = \"" + books + "/tang-poems.ebd\" (stored without terminator)"),
              std::string::npos)
        << keys.out;

    Outcome remove = Host("remove tvr-poem-zh-0001 -- show");
    ASSERT_EQ(remove.status, 0) << remove.out;
    EXPECT_NE(remove.out.find("Removed \"Tang Poems\""), std::string::npos) << remove.out;
    EXPECT_NE(remove.out.find("WM_SHELF_BOOKCLOSED"), std::string::npos) << remove.out;
    Outcome after = Tool("list 'SOFTWARE/Velmoran/ZavikDic'");
    EXPECT_EQ(after.out.find("TVR-POEM-ZH-0001"), std::string::npos) << after.out;
    Outcome dictionary = Host("remove TVR-DICT-EN-0001");
    EXPECT_EQ(dictionary.status, 1) << "the delete command leaves dictionaries alone";
}

TEST_F(ThroughThePrograms, RegistryToolSetsAndDeletesKeysTheShelfReads) {
    std::string file = (dir_ / "books" / "river-journey.ebd").string();
    std::string driver = (dir_ / "drivers" / "EbdBook.dll").string();
    ASSERT_EQ(Tool("set-bare 'SOFTWARE/Velmoran/ZavikDic/524a31/Book' Database '" + file + "'").status, 0);
    ASSERT_EQ(Tool("set 'HKLM\\SOFTWARE\\Velmoran\\ZavikDic\\524a31\\Book' Driver '" + driver + "'").status,
              0);
    Outcome list = Host("refresh -- books");
    EXPECT_NE(list.out.find("A Journey Down the River  [book]"), std::string::npos) << list.out;
    EXPECT_EQ(Tool("delete 'SOFTWARE/Velmoran/ZavikDic/524a31/Book' Driver").status, 0);
    EXPECT_NE(Tool("delete 'SOFTWARE/Velmoran/ZavikDic/524a31/Book' Driver").status, 0) << "gone already";
    EXPECT_EQ(Tool("delete 'SOFTWARE/Velmoran/ZavikDic'").status, 0) << "a key with everything below it";
    EXPECT_NE(Tool("delete HKLM").status, 0) << "never a root";
    Outcome empty = Host("books");
    EXPECT_NE(empty.out.find("(none)"), std::string::npos) << empty.out;
}

} // namespace
