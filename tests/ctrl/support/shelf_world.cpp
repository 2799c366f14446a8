#include "support/shelf_world.h"

#include "commctrl.h"

#include <strings.h>
#include <unistd.h>

namespace world {

namespace {

constexpr const char* kHostClass = "ShelfTestHost";

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_SHELF_NOTIFY && msg <= WM_SHELF_BOOKCLOSED)
        ShelfWorld::Received().push_back({msg, wParam, lParam});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::filesystem::path TempRoot() {
    const char* base = std::getenv("TAVRIN_TEST_TMP");
    std::filesystem::path root = base ? base : std::filesystem::temp_directory_path();
    return root / ("ctrl-" + std::to_string(getpid()));
}

} // namespace

std::vector<HostMessage>& ShelfWorld::Received() {
    static std::vector<HostMessage> received;
    return received;
}

void ShelfWorld::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = TempRoot() / (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    program_ = (dir_ / "reader").string();
    plat::SetProgramPath(program_);
    plat::SetRegistryPath((dir_ / "registry.db").string());
    plat::ResetWindows();
    plat::SetInteraction(&ui_);
    ui_.SetFailureHandler([](const std::string& line) { ADD_FAILURE() << "interaction: " << line; });
    Received().clear();

    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc);
    host_ = CreateWindowExA(0, kHostClass, "host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 400, 600, nullptr,
                            nullptr, 0, nullptr);
    ASSERT_NE(host_, nullptr);
}

void ShelfWorld::TearDown() {
    DestroyControl();
    if (host_) DestroyWindow(host_);
    plat::PumpMessages();
    plat::SetInteraction(nullptr);
    plat::ResetWindows();
    EXPECT_EQ(plat::LoadedModuleCount(), 0u) << "every module load is released";
    plat::SetProgramPath("");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string ShelfWorld::AddDriver(const std::string& name, const char* variantPath,
                                  const std::string& folder) {
    std::string path = testdrv::CopyDriver(variantPath, folder.empty() ? dir_.string() : folder, name);
    if (strcasecmp(name.c_str(), "Books.Dll") == 0) {
        auto drv = std::make_unique<testdrv::Driver>(path);
        if (drv->Has("CBIOpenBook")) {
            std::string sys = (std::filesystem::path(path).parent_path() / "Tavrin.Sys").string();
            drv->AddBook(sys.c_str());
            drv->AddItem(sys.c_str(), 0, "Shelf", -1);
        }
        shelfDrivers_.push_back(std::move(drv));
    }
    return path;
}

bool ShelfWorld::CreateControl(DWORD style) {
    return CreateControl(std::make_unique<TestCtrl>(), style);
}

bool ShelfWorld::CreateControl(std::unique_ptr<TestCtrl> ctrl, DWORD style) {
    ctrl_ = std::move(ctrl);
    CRect rc(0, 0, 300, 500);
    return ctrl_->Create(style, rc, CWnd::FromHandle(host_), 77) != FALSE;
}

void ShelfWorld::DestroyControl() {
    ctrl_.reset();
}

HWND ShelfWorld::Tree() const {
    return ctrl_ ? ::GetDlgItem(ctrl_->GetSafeHwnd(), 1000) : nullptr;
}

std::vector<HTREEITEM> ShelfWorld::Children(HTREEITEM item) const {
    std::vector<HTREEITEM> items;
    for (HTREEITEM c = TreeView_GetChild(Tree(), item); c; c = TreeView_GetNextSibling(Tree(), c))
        items.push_back(c);
    return items;
}

std::string ShelfWorld::Text(HTREEITEM item) const {
    char text[300] = "";
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    TreeView_GetItem(Tree(), &tv);
    return text;
}

std::vector<std::string> ShelfWorld::ChildTexts(HTREEITEM item) const {
    std::vector<std::string> texts;
    for (HTREEITEM c : Children(item))
        texts.push_back(Text(c));
    return texts;
}

TreeNode* ShelfWorld::Node(HTREEITEM item) const {
    TVITEMA tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    TreeView_GetItem(Tree(), &tv);
    return reinterpret_cast<TreeNode*>(tv.lParam);
}

HTREEITEM ShelfWorld::Find(const std::string& text, HTREEITEM under) const {
    for (HTREEITEM c = TreeView_GetChild(Tree(), under); c; c = TreeView_GetNextSibling(Tree(), c)) {
        if (Text(c) == text) return c;
        if (HTREEITEM inside = Find(text, c)) return inside;
    }
    return nullptr;
}

RECT ShelfWorld::Label(HTREEITEM item) const {
    RECT rc{};
    EXPECT_TRUE(TreeView_GetItemRect(Tree(), item, &rc, TRUE));
    return rc;
}

POINT ShelfWorld::LabelMiddle(HTREEITEM item) const {
    RECT rc = Label(item);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

int ShelfWorld::Image(HTREEITEM item) const {
    TVITEMA tv{};
    tv.mask = TVIF_IMAGE;
    tv.hItem = item;
    TreeView_GetItem(Tree(), &tv);
    return tv.iImage;
}

} // namespace world
