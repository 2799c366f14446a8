// The shelf's drop target for text dragged from other windows: the platform drop target, to which
// the text drop handling adds its overrides.
#pragma once

#include "afxole.h"

class CShelfDropTarget : public COleDropTarget {
  public:
    CShelfDropTarget() = default;
};
