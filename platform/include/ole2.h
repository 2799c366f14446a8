/* OLE drag-and-drop of the platform layer (drop targets, data objects, global memory). */
#ifndef OLE2_H_PLATFORM
#define OLE2_H_PLATFORM
#include "win/ole.h"
#endif
