#include "platform/win32/window_procedure.h"

namespace torvexa::win32 {

void NoteFailedHandler() {
    OutputDebugStringW(L"Torvexa: an event handler failed\n");
}

void* KeptObject(HWND hwnd) {
    return reinterpret_cast<void*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void KeepObject(HWND hwnd, void* object) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}

WNDPROC Subclass(HWND control, void* owner, WNDPROC procedure) {
    KeepObject(control, owner);
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

}  // namespace torvexa::win32
