// The start-up and size floor: the least a Windows program with Torvexa's kind of window does. One
// top-level window with a label and a button, the default GUI font, Torvexa's manifest, the same
// compiler and flags, statically linked. Nothing else: no control table, no checks at start.
#include "platform/win32/win.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int nShowCmd) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BenchFloorWindow";
    if (!RegisterClassExW(&wc)) return 1;
    // Torvexa's frame style and about its size, so that only the work inside differs.
    HWND window =
        CreateWindowExW(0, wc.lpszClassName, L"Floor", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                        CW_USEDEFAULT, 365, 240, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    HWND label = CreateWindowExW(0, L"STATIC", L"Un texto", WS_CHILD | WS_VISIBLE, 16, 16, 300, 20,
                                 window, nullptr, instance, nullptr);
    HWND button = CreateWindowExW(0, L"BUTTON", L"Salir", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 16,
                                  48, 120, 28, window, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, font, TRUE);
    SendMessageW(button, WM_SETFONT, font, TRUE);
    ShowWindow(window, nShowCmd);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
