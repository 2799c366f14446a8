// The framework's common dialogs: the open-file dialog.
#pragma once

#include "afxwin.h"
#include "afx/filedialog.h"
