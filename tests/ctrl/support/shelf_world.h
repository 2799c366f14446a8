// One small world per test: a temporary folder that stands for the host program's folder, with the
// test driver copied in under the names a test needs, a fresh registry store, a host window, and a
// scripted interaction that records every message box.
#pragma once

#include "plat/core.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "plat/scripted_interaction.h"
#include "shelf/records.h"
#include "tavrin/tavrin_ctrl.h"
#include "testdrv.h"
#include "testdrv_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace world {

// A CTavrinCtrl whose protected members tests may call.
class TestCtrl : public CTavrinCtrl {
  public:
    using CTavrinCtrl::AddHtmlEBook;
    using CTavrinCtrl::AddOneItem;
    using CTavrinCtrl::DeleteItemKeepNodes;
    using CTavrinCtrl::ExpandItem;
    using CTavrinCtrl::IsHaveChapter;
    using CTavrinCtrl::IsHtmlBookExist;
    using CTavrinCtrl::IsSameClassExist;
    using CTavrinCtrl::SetItemImages;
    using CTavrinCtrl::ShowMessage;
    HTREEITEM Root() const { return m_hRoot; }
    int& SuppressExpand() { return m_nSuppressExpand; }
    int& SuppressNotify() { return m_nSuppressNotify; }
    HMODULE ShelfDriver() const { return m_hShelfDriver; }
    HMODULE HtmlDriver() const { return m_hHtmlDriver; }
    void SetTrunkStatus(int status) { m_nTrunkStatus = status; }
};

// The host's window: records the WM_SHELF_* messages it receives.
struct HostMessage {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class ShelfWorld : public ::testing::Test {
  public:
    static std::vector<HostMessage>& Received();

  protected:
    void SetUp() override;
    void TearDown() override;

    // Copies a test driver variant into the host folder (or `folder`) under `name`. A copy named
    // "Books.Dll" serves a plain system catalog "Tavrin.Sys" beside it (a root entry "Shelf", no
    // settings) and stays loaded for the test; a test that needs other catalogs sets the book again.
    std::string AddDriver(const std::string& name, const char* variantPath = TAVRIN_TESTDRV_PATH,
                          const std::string& folder = "");
    // The system catalog's path in the host folder.
    std::string SysPath() const { return (dir_ / "Tavrin.Sys").string(); }
    // Creates the control (a TestCtrl, or `ctrl`) in the host window; false if creation failed.
    bool CreateControl(DWORD style = WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS);
    bool CreateControl(std::unique_ptr<TestCtrl> ctrl,
                       DWORD style = WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS);
    void DestroyControl();

    HWND Tree() const;

    // ---- reading the tree ----
    std::vector<HTREEITEM> Children(HTREEITEM item) const;
    std::string Text(HTREEITEM item) const;
    std::vector<std::string> ChildTexts(HTREEITEM item) const;
    TreeNode* Node(HTREEITEM item) const;
    // The first item below the whole tree with this text, in pre-order.
    HTREEITEM Find(const std::string& text, HTREEITEM under = nullptr) const;
    int Image(HTREEITEM item) const;
    // An item's label rectangle, and its middle (tree client coordinates).
    RECT Label(HTREEITEM item) const;
    POINT LabelMiddle(HTREEITEM item) const;

    std::filesystem::path dir_; // the host program's folder
    std::string program_;       // the host program's path
    HWND host_ = nullptr;
    std::unique_ptr<TestCtrl> ctrl_;
    plat::ScriptedInteraction ui_;
    std::vector<std::unique_ptr<testdrv::Driver>> shelfDrivers_; // keep the plain catalogs served
};

} // namespace world
