// Waits until it is ended: the harmless stand-in of the worm's programs on the sandbox machine,
// and the child process of the Wine tests.
//
//   sleeper                        waits
//   sleeper --hold PATH            first opens PATH without delete sharing and keeps it open, as
//                                  a program keeps a DLL it has loaded, or as Windows keeps a
//                                  running program's own file: deleting it is then refused until
//                                  the program ends
//   sleeper --keep-running DLL PROGRAM...
//                                  the program that hosts the worm's DLL and brings the worm back:
//                                  it holds DLL open with delete sharing (a delete is accepted,
//                                  but the name stays until it lets go), and starts each PROGRAM
//                                  ("PROGRAM --hold PROGRAM") again the moment it ends. It holds
//                                  each PROGRAM's file itself as well, from before the first start
//                                  on, as Windows holds a program's image while it runs: no moment
//                                  opens between one run and the next in which the file is free.
//                                  A PROGRAM whose file is gone is left alone.
//   sleeper --revive PARTNER       one of a pair of the worm's programs that start each other
//                                  again: it holds its own file as --hold does, and whenever no
//                                  program runs from PARTNER's file name, starts PARTNER
//                                  ("PARTNER --revive ITSELF") at once; it waits on the one
//                                  that runs and starts it again the moment it ends. A PARTNER
//                                  whose file is gone is left alone.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win.h"

namespace {

HANDLE Open(const char* path, DWORD share) {
    return CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Starts `program` with `option` and `argument` on its command line; tried again while its file is
// there. Wine's CreateProcess fails when the new process is ended before it has started
// (Windows' returns once it is created): a worm that starts its programs again tries again, and
// only a program whose file is gone is given up.
HANDLE Start(const std::string& program, const char* option, const std::string& argument) {
    for (;;) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string line = "\"" + program;  // CreateProcess may write into it: made for each try
        line += "\" ";
        line += option;
        line += " ";
        line += argument;
        if (CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &si, &pi)) {
            CloseHandle(pi.hThread);
            return pi.hProcess;
        }
        if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
        Sleep(10);
    }
}

HANDLE StartHolding(const std::string& program) {
    return Start(program, "--hold", program);
}

[[noreturn]] void KeepRunning(const char* dll, const std::vector<std::string>& programs) {
    // Held until this program ends, which lets go of them.
    std::vector<HANDLE> held{Open(dll, FILE_SHARE_READ | FILE_SHARE_DELETE)};
    if (held.back() == INVALID_HANDLE_VALUE) std::exit(1);
    std::vector<std::string> kept;
    std::vector<HANDLE> running;
    for (const std::string& program : programs) {
        held.push_back(Open(program.c_str(), FILE_SHARE_READ));
        if (held.back() == INVALID_HANDLE_VALUE) std::exit(1);
        const HANDLE process = StartHolding(program);
        if (process == nullptr) std::exit(1);
        kept.push_back(program);
        running.push_back(process);
    }
    while (!running.empty()) {
        const DWORD which = WaitForMultipleObjects(static_cast<DWORD>(running.size()),
                                                   running.data(), FALSE, INFINITE);
        if (which >= WAIT_OBJECT_0 + running.size()) std::exit(1);
        const std::size_t i = which - WAIT_OBJECT_0;
        CloseHandle(running[i]);
        const HANDLE again = StartHolding(kept[i]);
        if (again != nullptr) {
            running[i] = again;
        } else {
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    Sleep(INFINITE);
    std::exit(0);
}

std::string OwnPath() {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? std::string(path, n) : std::string();
}

// A running program named as `path`'s file, other than this one; null when none runs.
HANDLE RunningAs(const std::string& path) {
    const std::string file = path.substr(path.find_last_of('\\') + 1);
    const std::wstring name(file.begin(), file.end());  // the worm's names are ASCII
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    HANDLE found = nullptr;
    for (BOOL ok = Process32FirstW(snapshot, &e); ok && found == nullptr;
         ok = Process32NextW(snapshot, &e)) {
        if (e.th32ProcessID != GetCurrentProcessId() && _wcsicmp(e.szExeFile, name.c_str()) == 0) {
            found = OpenProcess(SYNCHRONIZE, FALSE, e.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return found;
}

[[noreturn]] void Revive(const std::string& partner) {
    const std::string self = OwnPath();
    // Held until this program ends, as Windows holds a running program's image.
    const HANDLE own = Open(self.c_str(), FILE_SHARE_READ);
    if (own == INVALID_HANDLE_VALUE) std::exit(1);
    for (;;) {
        HANDLE running = RunningAs(partner);
        if (running == nullptr) {
            running = Start(partner, "--revive", self);
            if (running == nullptr) Sleep(INFINITE);
        }
        WaitForSingleObject(running, INFINITE);
        CloseHandle(running);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
    constexpr const char kHold[] = "--hold ";
    if (std::strncmp(lpCmdLine, kHold, sizeof kHold - 1) == 0) {
        const HANDLE held = Open(lpCmdLine + sizeof kHold - 1, FILE_SHARE_READ);
        if (held == INVALID_HANDLE_VALUE) return 1;
    }
    if (__argc == 3 && std::strcmp(__argv[1], "--revive") == 0) Revive(__argv[2]);
    if (__argc >= 4 && std::strcmp(__argv[1], "--keep-running") == 0) {
        KeepRunning(__argv[2], std::vector<std::string>(__argv + 3, __argv + __argc));
    }
    Sleep(INFINITE);
    return 0;
}
