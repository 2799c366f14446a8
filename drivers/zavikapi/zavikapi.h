/* The dictionary library "ZavikApi.dll": the dictionary engine the shelf asks whether it serves a
 * dictionary. The shelf uses dicCreateHDICT and dicFreeHDICT (declared in tavrin/cbi.h); the two
 * calls below let other programs ask an open dictionary what it is.
 *
 * Which ids are served is read from "ZavikApi.ini" beside the library (see README.md); the file is
 * read again whenever it changes. Calls come from one thread. */
#ifndef TAVRIN_ZAVIKAPI_H
#define TAVRIN_ZAVIKAPI_H

#include "tavrin/cbi.h"

CBI_BEGIN_C

/* The id a handle was opened with; 0 for a handle that is not open. */
CBI_EXPORT uint32_t dicGetDictId(CBI_HDICT dict);
typedef uint32_t (*PFN_dicGetDictId)(CBI_HDICT dict);

/* The dictionary's name from the configuration, written into buffer (capacity counts the
 * terminating zero; at most capacity - 1 bytes are written). Returns the name's full length, or -1
 * for a handle that is not open or a null buffer. */
CBI_EXPORT int dicGetDictName(CBI_HDICT dict, char* buffer, int capacity);
typedef int (*PFN_dicGetDictName)(CBI_HDICT dict, char* buffer, int capacity);

CBI_END_C

#endif
