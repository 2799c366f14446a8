// The shelf's tree child: the platform tree control, to which moving items within the shelf adds its
// drag handlers.
#pragma once

#include "afxcmn.h"

class CShelfTreeCtrl : public CTreeCtrl {
  public:
    CShelfTreeCtrl() = default;

  protected:
    DECLARE_MESSAGE_MAP()
};
