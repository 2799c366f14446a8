/* The common dialogs of the platform layer (the open-file dialog). */
#ifndef COMMDLG_H_PLATFORM
#define COMMDLG_H_PLATFORM
#include "win/commdlg.h"
#endif
