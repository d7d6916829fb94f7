// Restricts its DLL search as Torvexa.exe does at start, then loads one DLL by bare name the way
// the program's later loads happen, and prints where the DLL came from.
//
//   dll_probe none|system|xp NAME.dll
//     none    no restriction (what a program without it gets)
//     system  the program's restriction, with the functions this system has
//     xp      the same, told that SetDefaultDllDirectories is missing, as on XP
#include <cstdio>
#include <string>

#include "platform/win32/system_dlls.h"

int wmain(int argc, wchar_t** argv) {
    using namespace torvexa::win32;
    if (argc != 3) return 2;
    const std::wstring mode = argv[1];
    const wchar_t* name = argv[2];
    if (GetModuleHandleW(name) != nullptr) {
        std::printf("already loaded before the restriction\n");
        return 1;
    }
    if (mode != L"none") {
        DllSearchFunctions functions = DllSearchFunctions::FromSystem();
        if (mode == L"xp") functions.setDefaultDllDirectories = nullptr;
        const DllSearch search = RestrictDllSearch(functions);
        std::printf("search: %s\n",
                    search == DllSearch::SystemFolderOnly ? "system folder only" : "preloaded");
    }
    HMODULE module = LoadLibraryW(name);
    wchar_t path[MAX_PATH] = L"";
    if (module != nullptr) GetModuleFileNameW(module, path, MAX_PATH);
    std::printf("loaded: %ls\n", module != nullptr ? path : L"(nothing)");
    return module != nullptr ? 0 : 1;
}
