#include "platform/win32/system_dlls.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/text_api.h"

namespace torvexa::win32 {
namespace {

// Not named by the XP headers the program is compiled against.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;

template <typename Fn>
Fn Function(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loads each DLL from the system folder by full path and keeps it for the life of the process.
// One that this Windows does not have is simply not there to be planted for.
template <std::size_t N>
void Preload(const wchar_t* const (&names)[N], DWORD flags) {
    const std::wstring system = SystemDirectory();
    if (system.empty()) return;
    for (const wchar_t* name : names) {
        // The handle is not kept: the DLL stays loaded until the process ends, which is the point.
        // cppcheck-suppress leakReturnValNotUsed
        LoadLibraryFrom(system + L"\\" + name, flags);
    }
}

}  // namespace

DllSearchFunctions DllSearchFunctions::FromSystem() {
    // kernel32 is mapped into every process; looking it up loads nothing.
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    DllSearchFunctions functions;
    functions.setDefaultDllDirectories =
        Function<SetDefaultDllDirectoriesFn>(kernel32, "SetDefaultDllDirectories");
    functions.setDllDirectoryW = Function<SetDllDirectoryWFn>(kernel32, "SetDllDirectoryW");
    return functions;
}

DllSearch RestrictDllSearch(const DllSearchFunctions& functions) {
    // Only the system folder: not the program's folder, not the current one, not PATH.
    if (functions.setDefaultDllDirectories != nullptr &&
        functions.setDefaultDllDirectories(kLoadLibrarySearchSystem32) != FALSE) {
        // Their own dependencies now come from the system folder too.
        Preload(kDelayLoadedDlls, 0);
        return DllSearch::SystemFolderOnly;
    }
    // The current folder leaves the search; the program's own folder cannot be taken out of it
    // on these systems, so the DLLs that would be looked for there are loaded first, by full
    // path, with their own dependencies looked for beside them, in the system folder.
    if (functions.setDllDirectoryW != nullptr) functions.setDllDirectoryW(L"");
    Preload(kDelayLoadedDlls, LOAD_WITH_ALTERED_SEARCH_PATH);
    Preload(kPreloadedDlls, LOAD_WITH_ALTERED_SEARCH_PATH);
    return DllSearch::Preloaded;
}

bool LoadCommonControls() {
    // The manifest's activation context turns this bare name into the side-by-side copy of
    // version 6; the search restriction keeps any other copy out.
    using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init =
        Function<InitCommonControlsExFn>(LoadLibraryA("comctl32.dll"), "InitCommonControlsEx");
    if (init == nullptr) return false;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    return init(&icc) != FALSE;
}

FARPROC ShellFunction(const char* name) {
    // Loaded once and kept: the shell's module stays for the life of the process.
    static HMODULE shell32 = LoadLibraryA("shell32.dll");
    return shell32 != nullptr ? GetProcAddress(shell32, name) : nullptr;
}

}  // namespace torvexa::win32
