// The one way into the Windows headers. The program's own seam uses the names of the Windows
// operations it calls (MessageBox, DeleteFile, Process32First, ...); the headers turn some of those
// names into macros for their wide forms, so they are undone here. Process32First, Process32Next
// and PROCESSENTRY32 then name the 8-bit forms the program exchanges with the system, and so do
// Module32First and MODULEENTRY32.
#pragma once

#include <windows.h>
// Headers that need windows.h first.
#include <shellapi.h>
#include <tlhelp32.h>

#undef MessageBox
#undef DeleteFile
#undef Process32First
#undef Process32Next
#undef PROCESSENTRY32
#undef LPPROCESSENTRY32
#undef Module32First
#undef MODULEENTRY32
