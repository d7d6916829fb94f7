// A box is owned by the main window whatever window is active when it is raised, and holds the
// window while it is open.
#include <gtest/gtest.h>

#include "app/prin_form.h"
#include "platform/win32/win32_message_box.h"
#include "tests/win32/window_support.h"

namespace torvexa {
namespace {

// What the box's own message loop showed, read from a timer that then answers the box.
HWND mainWindow = nullptr;
HWND boxOwner = nullptr;
bool mainEnabled = true, mainClosed = false;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (wcscmp(name, L"#32770") == 0) *reinterpret_cast<HWND*>(found) = hwnd;
    return TRUE;
}

void CALLBACK ReadAndAnswerTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    KillTimer(nullptr, timer);
    boxOwner = GetWindow(box, GW_OWNER);
    mainEnabled = IsWindowEnabled(mainWindow) != FALSE;
    SendMessageW(mainWindow, WM_CLOSE, 0, 0);  // the close box, which the box must hold off
    mainClosed = IsWindow(mainWindow) == FALSE;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

TEST(MessageBoxLayer, ABoxRaisedWhileAnotherWindowIsActiveIsOwnedByTheMainWindow) {
    win32::WindowEngine engine{GetModuleHandleW(nullptr), PrinForm()};
    test::NoEvents events;
    engine.Open(events);
    mainWindow = engine.Window();
    // Another window of the thread, active: GetActiveWindow() names it, not the main window.
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(other);
    test::Pump();
    ASSERT_EQ(GetActiveWindow(), other);

    SetTimer(nullptr, 0, 50, ReadAndAnswerTheBox);
    EXPECT_EQ(win32::Win32MessageBox(engine).MessageBox(L"Torvexa", L"Torvexa", kMbOk), kIdOk);
    EXPECT_EQ(boxOwner, engine.Window());
    EXPECT_FALSE(mainEnabled);
    EXPECT_FALSE(mainClosed);
    EXPECT_TRUE(IsWindowEnabled(engine.Window()));
    DestroyWindow(other);
    engine.Unload();
    test::Pump();
}

}  // namespace
}  // namespace torvexa
