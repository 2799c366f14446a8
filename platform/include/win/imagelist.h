/* Image lists and drag images (the common-controls image list). Names, values and signatures follow the
 * Windows headers.
 *
 * An image list keeps its images as 24-bit colour plus a 1-bit mask (when created with ILC_MASK);
 * ImageList_Draw records an image-list draw in the device context (plat/draw.h) and, on a memory DC
 * with a bitmap, paints the pixels. One drag image exists per process. */
#ifndef WIN_IMAGELIST_H
#define WIN_IMAGELIST_H

#include "win/types.h"

WIN_BEGIN_C

struct _IMAGELIST;
typedef struct _IMAGELIST* HIMAGELIST;

/* creation flags */
#define ILC_MASK 0x00000001
#define ILC_COLOR 0x00000000
#define ILC_COLORDDB 0x000000FE
#define ILC_COLOR4 0x00000004
#define ILC_COLOR8 0x00000008
#define ILC_COLOR16 0x00000010
#define ILC_COLOR24 0x00000018
#define ILC_COLOR32 0x00000020
#define ILC_PALETTE 0x00000800
#define ILC_MIRROR 0x00002000

/* drawing styles */
#define ILD_NORMAL 0x00000000
#define ILD_TRANSPARENT 0x00000001
#define ILD_MASK 0x00000010
#define ILD_IMAGE 0x00000020
#define ILD_ROP 0x00000040
#define ILD_BLEND25 0x00000002
#define ILD_BLEND50 0x00000004
#define ILD_OVERLAYMASK 0x00000F00
#define ILD_FOCUS ILD_BLEND25
#define ILD_BLEND ILD_BLEND50
#define ILD_SELECTED ILD_BLEND50
#define INDEXTOOVERLAYMASK(i) ((i) << 8)

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
BOOL ImageList_Destroy(HIMAGELIST himl);
int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask);
int ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask);
BOOL ImageList_Remove(HIMAGELIST himl, int i);
#define ImageList_RemoveAll(himl) ImageList_Remove(himl, -1)
int ImageList_GetImageCount(HIMAGELIST himl);
BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF clrBk);
COLORREF ImageList_GetBkColor(HIMAGELIST himl);
BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle);

/* drag images: one drag at a time per process */
BOOL ImageList_BeginDrag(HIMAGELIST himlTrack, int iTrack, int dxHotspot, int dyHotspot);
BOOL ImageList_DragEnter(HWND hwndLock, int x, int y);
BOOL ImageList_DragMove(int x, int y);
BOOL ImageList_DragShowNolock(BOOL fShow);
BOOL ImageList_DragLeave(HWND hwndLock);
void ImageList_EndDrag(void);
HIMAGELIST ImageList_GetDragImage(POINT* ppt, POINT* pptHotspot);

WIN_END_C

#endif
