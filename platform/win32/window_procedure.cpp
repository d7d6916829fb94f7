#include "platform/win32/window_procedure.h"

namespace torvexa::win32 {

void NoteFailedHandler() {
    OutputDebugStringA("Torvexa: an event handler failed\n");  // on every Windows
}

void* KeptObject(HWND hwnd) {
    return reinterpret_cast<void*>(WindowLong(hwnd, GWLP_USERDATA));
}

void KeepObject(HWND hwnd, void* object) {
    ChangeWindowLong(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}

WNDPROC Subclass(HWND control, void* owner, WNDPROC procedure) {
    KeepObject(control, owner);
    return reinterpret_cast<WNDPROC>(
        ChangeWindowLong(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

}  // namespace torvexa::win32
