#include "platform/win32/window_engine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/prin_form.h"
#include "platform/win32/win32_message_box.h"
#include "tests/win32/window_support.h"

namespace torvexa {
namespace {

using test::Pump;
using test::PumpUntil;
using test::RectInParent;
using test::ScreenRect;
using win32::WindowEngine;

// Records the events the engine hands out; a few of them act on the window the way prin does.
class RecordingEvents : public FormEvents {
  public:
    explicit RecordingEvents(WindowEngine& engine) : engine_(engine) {}

    void Form_Load() override {
        visibleAtLoad = IsWindowVisible(engine_.Window()) != FALSE;
        engine_.SetText(ControlId::msg, L"Estado");
    }
    void Click(ControlId id) override {
        clicks.push_back(id);
        if (throwOnClick) throw std::runtime_error("handler failed");
        if (id == ControlId::Command2 || unloadOnAnyClick) engine_.Unload();
    }
    void MouseMove(ControlId id) override { moves.push_back(id); }

    bool visibleAtLoad = true;
    bool throwOnClick = false;
    bool unloadOnAnyClick = false;
    std::vector<ControlId> clicks;
    std::vector<ControlId> moves;

  private:
    WindowEngine& engine_;
};

// Moves the pointer as the mouse would: the system hit-tests and sends WM_SETCURSOR and
// WM_MOUSEMOVE to the window under it.
void MovePointerTo(POINT p) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ((p.x << 16) + w - 1) / w;
    input.mi.dy = ((p.y << 16) + h - 1) / h;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

void PressLeftButton() {
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof input[0]);
}

POINT Centre(HWND hwnd) {
    const RECT r = ScreenRect(hwnd);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// How many pixels of the window's area on screen have exactly the colour `c`.
int PixelsOfColour(HWND hwnd, COLORREF c) {
    return test::GrabScreen(ScreenRect(hwnd)).Count(c);
}

class WindowEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engine.Open(events);
        Pump();
    }
    // A control's table geometry in pixels at the staged DPI (96 in a fresh test prefix).
    static int Px(int twips) { return test::Px(twips, test::StagedDpi()); }

    // Moves the pointer to `p` until the last pointer move the handlers got is over `expected`
    // and stays there. Under Wine a synthetic move can be lost, or one from where the pointer
    // was can arrive late, so the move is repeated until it holds.
    bool PointAt(POINT p, ControlId expected) {
        events.moves.clear();
        int rounds = 0, settled = 0;
        return PumpUntil([&] {
            if (settled == 0 && rounds++ % 20 == 0) MovePointerTo(p);
            const bool there = !events.moves.empty() && events.moves.back() == expected;
            settled = there ? settled + 1 : 0;
            return settled > 20;
        });
    }

    WindowEngine engine{GetModuleHandleW(nullptr), PrinForm()};
    RecordingEvents events{engine};
};

TEST_F(WindowEngineTest, BuildsTheWindowAndEveryControlFromTheTable) {
    HWND window = engine.Window();
    wchar_t text[256];
    GetClassNameW(window, text, 256);
    EXPECT_STREQ(text, L"TorvexaPrin");
    GetWindowTextW(window, text, 256);
    EXPECT_EQ(std::wstring(text).rfind(L"Torvexa.jpg v1.0", 0), 0u) << text;
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(style & WS_SYSMENU, 0);

    for (const ControlSpec& spec : PrinForm().controls) {
        SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(spec.id));
        HWND hwnd = engine.Control(spec.id);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(GetDlgCtrlID(hwnd), 100 + static_cast<int>(spec.id));
        EXPECT_EQ(GetParent(hwnd),
                  spec.container == ControlId::None ? window : engine.Control(spec.container));
        GetWindowTextW(hwnd, text, 256);
        EXPECT_EQ(text, spec.id == ControlId::msg ? L"Estado" : spec.text);
        GetClassNameW(hwnd, text, 256);
        const wchar_t* cls = spec.kind == ControlKind::Label    ? L"Static"
                             : spec.kind == ControlKind::Button ? L"Button"
                                                                : L"TorvexaFrame";
        EXPECT_EQ(_wcsicmp(text, cls), 0) << text;
        const bool tabStop = (GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP) != 0;
        EXPECT_EQ(tabStop, spec.kind == ControlKind::Button);
    }
    // The client area (357 x 209 pixels at 96 DPI) and every control at the table's twips.
    test::ExpectTableGeometry(engine, test::StagedDpi());
    // The web link ends where the team name ends.
    EXPECT_EQ(RectInParent(engine.Control(ControlId::Label5)).right, Px(5055));
}

TEST_F(WindowEngineTest, LoadsBeforeTheFirstShowThenCentresWithTheFocusOnSalir) {
    EXPECT_FALSE(events.visibleAtLoad);
    EXPECT_TRUE(IsWindowVisible(engine.Window()));
    EXPECT_EQ(GetFocus(), engine.Control(ControlId::Command2));

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(engine.Window(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT w = ScreenRect(engine.Window());
    EXPECT_NEAR(w.left + w.right, monitor.rcWork.left + monitor.rcWork.right, 1);
    EXPECT_NEAR(w.top + w.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 1);
}

TEST_F(WindowEngineTest, SizedLabelsFollowTheirTextAndKeepTheirEdge) {
    HWND mail = engine.Control(ControlId::Label4), web = engine.Control(ControlId::Label5);
    const RECT mailBefore = RectInParent(mail), webBefore = RectInParent(web);
    engine.SetText(ControlId::Label4, L"a@b");
    engine.SetText(ControlId::Label5, L"w.x");
    const RECT mailAfter = RectInParent(mail), webAfter = RectInParent(web);
    EXPECT_EQ(mailAfter.left, mailBefore.left);
    EXPECT_LT(mailAfter.right, mailBefore.right);
    EXPECT_EQ(webAfter.right, Px(5055));
    EXPECT_GT(webAfter.left, webBefore.left);
}

TEST_F(WindowEngineTest, TextColourChangesShowOnScreen) {
    HWND author = engine.Control(ControlId::Label3);
    const COLORREF red = RGB(255, 0, 0);
    EXPECT_EQ(PixelsOfColour(author, red), 0);
    EXPECT_GT(PixelsOfColour(author, RGB(0, 0, 0)), 0);
    engine.SetForeColor(ControlId::Label3, {255, 0, 0});
    Pump();
    EXPECT_GT(PixelsOfColour(author, red), 0);
    EXPECT_EQ(PixelsOfColour(author, RGB(0, 0, 0)), 0);
}

TEST_F(WindowEngineTest, PointerMovesReachWhatIsUnderThePointer) {
    using enum ControlId;
    const auto inside = [](HWND hwnd, int x, int y) {
        POINT p{x, y};
        ClientToScreen(hwnd, &p);
        return p;
    };
    HWND window = engine.Window(), credits = engine.Control(Frame1);
    struct Case {
        const char* where;
        POINT point;
        ControlId expected;
        bool hand;
    };
    const Case cases[] = {
        {"link Label4", Centre(engine.Control(Label4)), Label4, true},
        // The labels above the links are not bare frame surface.
        {"Label3 above it", Centre(engine.Control(Label3)), Label3, false},
        {"link Label5", Centre(engine.Control(Label5)), Label5, true},
        {"Label6 above it", Centre(engine.Control(Label6)), Label6, false},
        {"bare Frame1", inside(credits, 4, 50), Frame1, false},
        {"bare window", inside(window, 3, 3), None, false},
        {"status msg", Centre(engine.Control(msg)), msg, false},
        {"button", Centre(engine.Control(Command1)), Command1, false},
        {"bare Frame2", inside(engine.Control(Frame2), 4, 40), Frame2, false},
    };
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        EXPECT_TRUE(PointAt(c.point, c.expected))
            << "last move to control "
            << static_cast<int>(events.moves.empty() ? ControlId::None : events.moves.back());
        CURSORINFO cursor{};
        cursor.cbSize = sizeof cursor;
        GetCursorInfo(&cursor);
        EXPECT_EQ(cursor.hCursor == hand, c.hand);
    }
}

TEST_F(WindowEngineTest, ClicksOnButtonsAndLinksReachTheHandlers) {
    PostMessageW(engine.Control(ControlId::Command1), BM_CLICK, 0, 0);
    ASSERT_TRUE(PointAt(Centre(engine.Control(ControlId::Label5)), ControlId::Label5));
    PressLeftButton();
    ASSERT_TRUE(PumpUntil([&] { return events.clicks.size() >= 2; }));
    EXPECT_EQ(events.clicks, (std::vector{ControlId::Command1, ControlId::Label5}));
}

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> input;
    for (WORD key : keys) {
        for (DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT i{};
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = key;
            i.ki.dwFlags = flags;
            input.push_back(i);
        }
    }
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

WindowEngine* timedOutEngine = nullptr;
void CALLBACK UnloadOnTimeout(HWND, UINT, UINT_PTR, DWORD) {
    timedOutEngine->Unload();
}

TEST_F(WindowEngineTest, TabMovesToDesinfectameAndEnterPressesItEscapeNothing) {
    // Escape presses nothing; Tab goes from "Salir" to "Desinfectame!!!", and Enter presses the
    // focused button. Both buttons end the loop here; a timer ends it should the keys go astray.
    events.unloadOnAnyClick = true;
    timedOutEngine = &engine;
    SetTimer(nullptr, 0, 10000, UnloadOnTimeout);
    PressKeys({VK_ESCAPE, VK_TAB, VK_RETURN});
    EXPECT_EQ(engine.MessageLoop(), 0);
    EXPECT_EQ(events.clicks, std::vector{ControlId::Command1});
}

TEST_F(WindowEngineTest, AFailingHandlerLeavesTheWindowRunning) {
    events.throwOnClick = true;
    PostMessageW(engine.Control(ControlId::Command1), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !events.clicks.empty(); }));
    EXPECT_TRUE(IsWindow(engine.Window()));
    events.throwOnClick = false;
    PostMessageW(engine.Control(ControlId::Command2), BM_CLICK, 0, 0);
    EXPECT_EQ(engine.MessageLoop(), 0);
}

TEST_F(WindowEngineTest, SalirAndTheCloseBoxEndTheLoopWithZero) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Salir");
        if (closeBox) {
            engine.Open(events);
            PostMessageW(engine.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            PostMessageW(engine.Control(ControlId::Command2), BM_CLICK, 0, 0);
        }
        EXPECT_EQ(engine.MessageLoop(), 0);
        EXPECT_EQ(engine.Window(), nullptr);
        EXPECT_EQ(engine.Control(ControlId::Command2), nullptr);
    }
}

// A box raised while another window of the program is active is owned by the main window, which
// it disables: read, with the close box tried, from a timer in the box's own loop, which answers
// it.
HWND boxOwner = nullptr;
bool mainEnabled = true;
void CALLBACK ReadAndAnswerTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = GetActiveWindow();
    if (GetDlgItem(box, IDOK) == nullptr) return;  // not shown yet
    KillTimer(nullptr, timer);
    boxOwner = GetWindow(box, GW_OWNER);
    mainEnabled = IsWindowEnabled(timedOutEngine->Window()) != FALSE;
    SendMessageW(timedOutEngine->Window(), WM_CLOSE, 0, 0);
    PostMessageW(box, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

TEST_F(WindowEngineTest, ABoxIsOwnedByTheMainWindowWhateverWindowIsActive) {
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(other);
    ASSERT_EQ(GetActiveWindow(), other);
    timedOutEngine = &engine;
    SetTimer(nullptr, 0, 50, ReadAndAnswerTheBox);
    EXPECT_EQ(win32::Win32MessageBox(engine).MessageBox(L"x", L"Torvexa", kMbOk), kIdOk);
    EXPECT_EQ(boxOwner, engine.Window());
    EXPECT_FALSE(mainEnabled);
    EXPECT_TRUE(IsWindow(engine.Window()) && IsWindowEnabled(engine.Window()));
    DestroyWindow(other);
}

}  // namespace
}  // namespace torvexa
