/* The platform layer's stand-in for the Windows API: include this for everything. */
#ifndef WINDOWS_H_PLATFORM
#define WINDOWS_H_PLATFORM
#include "win/types.h"
#include "win/winuser.h"
#include "win/winreg.h" /* with win/winbase.h: registry, libraries, files */
#include "win/wingdi.h"
#include "win/resource.h"
#include "win/commdlg.h"
#include "win/ole.h" /* drop targets, data objects, global memory */
#endif
