// Waits until it is ended: the harmless stand-in of the worm's programs on the sandbox machine,
// and the child process of the Wine tests.
#include "platform/win32/win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Sleep(INFINITE);
    return 0;
}
