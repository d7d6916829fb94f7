// The start-up and size floor: the least a static C++ Windows program with Torvexa's kind of
// window does, built exactly as Torvexa.exe is (same compilers, flags, static C++ runtime with its
// exception support, manifest, subsystem version) and importing the same DLLs. It restricts its
// DLL search and loads Common Controls at run time as Torvexa does, builds one top-level window
// with a label and a button from C++ strings, and runs the message loop. Nothing else: no control
// table, no layout at the window's DPI, no checks at start.
#include <stdexcept>
#include <string>

#include "platform/win32/system_dlls.h"
#include "platform/win32/win.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Create(const wchar_t* windowClass, const std::wstring& text, DWORD style, RECT r, HWND parent,
            HINSTANCE instance) {
    HWND hwnd = CreateWindowExW(0, windowClass, text.c_str(), style, r.left, r.top, r.right,
                                r.bottom, parent, nullptr, instance, nullptr);
    if (hwnd == nullptr) throw std::runtime_error("a window could not be created");
    return hwnd;
}

int Run(HINSTANCE instance, int nShowCmd) {
    torvexa::win32::RestrictDllSearch();
    torvexa::win32::LoadCommonControls();
    // Torvexa reads the registry; so do most programs, for one setting or another. This floor
    // makes the one call that needs no key of its own, so that it imports the same DLLs.
    RegCloseKey(HKEY_CURRENT_USER);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BenchFloorWindow";
    if (!RegisterClassExW(&wc)) throw std::runtime_error("the window class was refused");
    // Torvexa's frame style and about its size, so that only the work inside differs.
    HWND window = Create(wc.lpszClassName, std::wstring(L"Floor"), WS_CAPTION | WS_SYSMENU,
                         {CW_USEDEFAULT, CW_USEDEFAULT, 365, 240}, nullptr, instance);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    HWND label =
        Create(L"STATIC", L"Un texto", WS_CHILD | WS_VISIBLE, {16, 16, 300, 20}, window, instance);
    HWND button = Create(L"BUTTON", L"Salir", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                         {16, 48, 120, 28}, window, instance);
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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int nShowCmd) {
    try {
        return Run(instance, nShowCmd);
    } catch (const std::exception&) {
        return 1;
    }
}
