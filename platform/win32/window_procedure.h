// The window procedures of the engine's windows: the one edge between Windows and the C++ object
// that handles a window's messages. The object comes with the window's creation (CreateWindowEx's
// lpCreateParams, at WM_NCCREATE) or with the subclassing of a control, and stays in the window's
// GWLP_USERDATA. Windows cannot carry a C++ exception, so a failure that no handler guards ends
// here, noted for a debugger, and the message gets the handling it would have had without the
// object: the window stays usable.
#pragma once

#include "platform/win32/text_api.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

// Notes for a debugger that an event handler failed.
void NoteFailedHandler();

// What `handler` returns; when it throws, what `byDefault` returns.
template <typename Handler, typename Default>
LRESULT AtTheEdge(Handler&& handler, Default&& byDefault) noexcept {
    try {
        return handler();
    } catch (...) {
        NoteFailedHandler();
    }
    return byDefault();
}

// The object kept in `hwnd`'s GWLP_USERDATA; null before one is kept and after it is let go.
void* KeptObject(HWND hwnd);
// Keeps `object` in `hwnd`'s GWLP_USERDATA; null lets the one kept go.
void KeepObject(HWND hwnd, void* object);

template <typename Owner>
Owner* OwnerOf(HWND hwnd) {
    return static_cast<Owner*>(KeptObject(hwnd));
}

// Subclasses `control` the way every Windows allows: keeps `owner` in it and puts `procedure` in
// place of the control class's own procedure, which it returns, so that the owner can hand it
// every message that it does not answer itself.
WNDPROC Subclass(HWND control, void* owner, WNDPROC procedure);

template <typename Owner>
using MessageHandler = LRESULT (Owner::*)(HWND, UINT, WPARAM, LPARAM);

// The window procedure of a window class whose windows are created with their `Owner` as
// lpCreateParams: each message goes to the owner's `handler`, at the edge; before the owner is
// there and after it is let go, to the default procedure.
template <typename Owner, MessageHandler<Owner> handler>
LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    const auto byDefault = [&] { return DefaultProcedure(hwnd, message, wParam, lParam); };
    return AtTheEdge(
        [&] {
            if (message == WM_NCCREATE) {
                // CREATESTRUCTA on 9x: lpCreateParams is where it is in CREATESTRUCTW.
                KeepObject(hwnd, reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            }
            auto* owner = OwnerOf<Owner>(hwnd);
            return owner != nullptr ? (owner->*handler)(hwnd, message, wParam, lParam)
                                    : byDefault();
        },
        byDefault);
}

}  // namespace torvexa::win32
