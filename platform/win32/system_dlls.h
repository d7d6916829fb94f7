// How the program reaches DLLs. Torvexa runs as administrator, often from a Downloads folder or
// a USB stick that holds other files, and Windows looks for a DLL that is not one of its KnownDLLs
// in the program's own folder first: a DLL planted there under a common name would run with the
// program's rights. So the first thing the program does is restrict the search to the system
// folder, and the two libraries it needs beyond the KnownDLLs that the loader maps before that,
// Common Controls and the shell, are loaded only afterwards, at run time.
#pragma once

#include "platform/win32/win.h"

namespace torvexa::win32 {

// The DLL-search functions, looked up at run time: SetDefaultDllDirectories exists on Windows 8
// and later and on Vista and 7 with update KB2533623; SetDllDirectoryW on XP SP1 and later.
// Null where the system lacks them.
struct DllSearchFunctions {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryWFn = BOOL(WINAPI*)(LPCWSTR);

    SetDefaultDllDirectoriesFn setDefaultDllDirectories = nullptr;
    SetDllDirectoryWFn setDllDirectoryW = nullptr;

    // The functions as this system's kernel32 exports them.
    static DllSearchFunctions FromSystem();
};

enum class DllSearch {
    // Every later load by bare name looks in the system folder only, and the DLLs that the
    // system's own DLLs load on their first use (kDelayLoadedDlls) are already loaded from it.
    SystemFolderOnly,
    // Older Windows: the current folder is out of the search, and the DLLs that the window, the
    // message boxes and the shell are known to load by bare name are already loaded from the
    // system folder, so that those loads find them instead of a file beside the program.
    Preloaded,
};

// Loaded on their first use by the system's own DLLs once the window is up: ole32 by the input
// method library at the first focus, msimg32 by the visual style for AlphaBlend. Those delay loads
// are resolved inside the loader; Wine's resolves them by the default search, program folder
// first, whatever SetDefaultDllDirectories said (measured: a planted ole32.dll beside the program
// was loaded after the restriction). Loading them from the system folder first makes those loads
// find the system's copy whatever the loader does, on every path.
inline constexpr const wchar_t* kDelayLoadedDlls[] = {L"ole32.dll", L"msimg32.dll"};

// The DLLs preloaded by full path where the search cannot be restricted: none of them is a
// KnownDLL on every Windows from XP to 7, and each is loaded by bare name by user32, comctl32,
// uxtheme or shell32 there; kDelayLoadedDlls are preloaded too. One that a Windows version does
// not have is skipped.
inline constexpr const wchar_t* kPreloadedDlls[] = {
    L"uxtheme.dll", L"dwmapi.dll",  L"oleacc.dll",    L"msctf.dll",
    L"version.dll", L"propsys.dll", L"apphelp.dll",   L"linkinfo.dll",
    L"ntshrui.dll", L"shdocvw.dll", L"clbcatq.dll",   L"setupapi.dll",
    L"userenv.dll", L"profapi.dll", L"cryptbase.dll", L"ntmarta.dll",
};

// Restricts where the process looks for DLLs from now on; call it before anything else loads one.
DllSearch RestrictDllSearch(const DllSearchFunctions& functions = DllSearchFunctions::FromSystem());

// Loads Common Controls 6 (the side-by-side copy that the manifest names) and registers its
// window classes, so that the window's buttons take the system's visual style. Call it after
// RestrictDllSearch. False when the library or its initialisation is missing: the window then
// has the classic look, nothing else changes.
bool LoadCommonControls();

// A function of shell32, which is loaded on first use: the program needs the shell only when a
// link is clicked. Null when it cannot be had.
FARPROC ShellFunction(const char* name);

}  // namespace torvexa::win32
