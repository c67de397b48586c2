#pragma once
// Resource identifiers of QrMaker.exe, shared by app.rc and the C++ code.

#define IDI_APP 1
#define IDB_BROWSE 101
