// Waits until it is ended: the harmless stand-in of the worm's programs on the sandbox machine,
// and the child process of the Wine tests. With "--hold PATH" it first opens PATH without delete
// sharing and keeps it open, as a program keeps a DLL it has loaded: Windows then refuses to
// delete the file until the program ends.
#include <cstring>

#include "platform/win32/win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
    constexpr const char kHold[] = "--hold ";
    if (std::strncmp(lpCmdLine, kHold, sizeof kHold - 1) == 0) {
        const HANDLE held = CreateFileA(lpCmdLine + sizeof kHold - 1, GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (held == INVALID_HANDLE_VALUE) return 1;
    }
    Sleep(INFINITE);
    return 0;
}
