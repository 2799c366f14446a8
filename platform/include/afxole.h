// The framework's OLE classes: drop targets and the data they receive, and OLE start-up.
#pragma once

#include "afxwin.h"
#include "afx/oledataobject.h"
#include "afx/oledroptarget.h"
#include "ole2.h"

// Initialises OLE for the program (OleInitialize); TRUE on success. Pair with AfxOleTerm.
BOOL AfxOleInit();
void AfxOleTerm();
