// The disinfection floor: the system calls behind "Desinfectame!!!" and nothing else. No
// checks, no waiting for the ended processes, no verification, no main window: one snapshot to
// find each of the worm's two programs, open-terminate-close each, open-delete-close each Run
// value, delete the three files, one more snapshot as the messenger lookup, and the same question
// box that Torvexa ends with. Prints the performance counter, in milliseconds, at its first call;
// the launcher stops the clock when the box is shown, as it does for Torvexa.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/prin_form.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"

namespace {

const char* const kRunKey = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Run)";

// One walk of a new snapshot, as Torvexa's lookup makes it: the id of the first process whose
// name is `name`, or 0.
DWORD Find(const char* name) {
    const torvexa::win32::UniqueFileHandle owner(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    HANDLE snap = owner.get();
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    DWORD found = 0;
    for (BOOL ok = Process32First(snap, &e); ok; ok = Process32Next(snap, &e)) {
        if (found == 0 && std::strcmp(e.szExeFile, name) == 0) found = e.th32ProcessID;
    }
    return found;
}

void Kill(DWORD pid) {
    const torvexa::win32::UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    TerminateProcess(process.get(), 0);
}

void DeleteRunValue(const char* value) {
    torvexa::win32::UniqueKey key;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, key.put());
    RegDeleteValueA(key.get(), value);
}

}  // namespace

int main() {
    // What Torvexa has done before its button can be pressed: the window classes and the controls
    // library of the manifest are loaded. A first window does that here, before the clock starts.
    DestroyWindow(CreateWindowExW(0, L"BUTTON", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));

    LARGE_INTEGER frequency, start;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::printf("%.3f\n", 1000.0 * static_cast<double>(start.QuadPart) /
                              static_cast<double>(frequency.QuadPart));
    std::fflush(stdout);

    Kill(Find("moniker.exe"));
    Kill(Find("syslray.exe"));
    DeleteRunValue("realone_nt2003");
    DeleteRunValue("realone_nt2004");
    DeleteFileA(R"(C:\windows\system32\MONIKER.exe)");
    DeleteFileA(R"(C:\windows\system32\SYSLRAY.exe)");
    DeleteFileA(R"(C:\windows\system32\HKT1.dll)");
    Find("msnmsgr.exe");

    using namespace torvexa::prin_texts;
    const std::wstring question = std::wstring(kQuestionFirst) + L"\n\r" + kQuestionSecond;
    MessageBoxW(nullptr, question.c_str(), L"Torvexa", MB_YESNO | MB_ICONINFORMATION);
    return 0;
}
