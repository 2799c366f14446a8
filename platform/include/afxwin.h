// The framework's core classes: windows with message maps, device contexts and drawing objects,
// menus, strings, rectangles, dialogs with data exchange, edit controls, and the program-wide
// services (message boxes, resource handles, extension libraries).
#pragma once

#include "afx/defs.h"
#include "afx/geometry.h"
#include "afx/string.h"
#include "afx/gdiobj.h"
#include "afx/dc.h"
#include "afx/msgmap.h"
#include "afx/msgentries.h"
#include "afx/wnd.h"
#include "afx/menu.h"
#include "afx/edit.h"
#include "afx/ddx.h"
#include "afx/dialog.h"
#include "afx/globals.h"
