// The shelf's tree child: the platform tree control with the shelf's context menu on the right
// button; moving items within the shelf adds its drag handlers.
#pragma once

#include "afxcmn.h"

class CShelfTreeCtrl : public CTreeCtrl {
  public:
    CShelfTreeCtrl() = default;

  protected:
    // After the tree's own handling (NM_RCLICK, WM_CONTEXTMENU), a press on an item shows the shelf's
    // context menu for that item, owned by the control (the tree's parent). While the menu is up, and
    // until the command chosen from it has been carried out, the item is the drop-highlighted item,
    // which the commands act on; the drop highlight is then put back as it was.
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);

    DECLARE_MESSAGE_MAP()
};
