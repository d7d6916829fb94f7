#include "platform/win32/window_engine.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/runtime_error.h"
#include "platform/win32/group_box.h"
#include "platform/win32/system_dlls.h"
#include "platform/win32/text_api.h"
#include "platform/win32/text_lines.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window_procedure.h"

namespace torvexa::win32 {
namespace {

// The icon that resources/torvexa.rc gives the program; absent in the test programs.
constexpr int kIconResource = 1;
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
// Sent by Windows 8.1 and later when the window moves to a monitor of another DPI; older systems
// never send it, and their headers do not name it.
constexpr UINT kWmDpiChanged = 0x02E0;

int ControlWindowId(ControlId id) {
    return WindowEngine::kControlIdBase + static_cast<int>(id);
}

DWORD LabelStyle(const ControlSpec& spec) {
    // SS_NOTIFY: without it a static control is transparent to the pointer, so moves over it
    // would reach the frame behind it and count as bare frame surface.
    DWORD style = SS_NOTIFY;
    if (spec.align == Align::Right) {
        style |= SS_RIGHT;
    } else {
        style |= spec.wrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
    }
    return style;
}

}  // namespace

WindowEngine::WindowEngine(HINSTANCE instance, const FormSpec& form, DpiFunctions dpiFunctions,
                           HighContrastQuery highContrastOn)
    : instance_(instance),
      form_(form),
      dpiFunctions_(dpiFunctions),
      highContrastOn_(highContrastOn) {
    controls_.reserve(form_.controls.size());
    for (const ControlSpec& spec : form_.controls) {
        controls_.push_back({&spec, nullptr, spec.color});
    }
}

WindowEngine::~WindowEngine() {
    if (window_ != nullptr) DestroyWindow(window_);
}

int WindowEngine::Run(FormEvents& events) {
    Open(events);
    return MessageLoop();
}

void WindowEngine::Open(FormEvents& events) {
    events_ = &events;
    colours_ = TextColours(form_, ReadSystemScheme(highContrastOn_));
    designFonts_ = FormFonts(kDesignDpi);
    LoadCommonControls();
    RegisterClasses();
    window_ = NewWindow(kWindowExStyle, kWindowClass, form_.caption, kWindowStyle,
                        {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0}, nullptr, nullptr, instance_, this);
    if (window_ == nullptr) {
        throw RuntimeError(static_cast<std::int32_t>(GetLastError()),
                           L"The main window could not be created");
    }
    CreateControls();
    Layout(WindowDpi(dpiFunctions_, window_));
    PlaceWindow(nullptr);
    events.Form_Load();
    if (window_ == nullptr) return;  // Form_Load unloaded the window
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    SetFocus(FirstTabStop());
}

int WindowEngine::MessageLoop() {
    MSG msg;
    BOOL got = FALSE;
    while ((got = NextMessage(msg)) != 0) {
        if (got == -1) return 1;
        if (window_ != nullptr) {
            // Enter presses the focused button, as Space does.
            const ControlWindow* focused = Find(GetFocus());
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && focused != nullptr &&
                focused->spec->kind == ControlKind::Button) {
                Send(focused->hwnd, BM_CLICK, 0, 0);
                continue;
            }
            if (DialogMessage(window_, msg)) continue;
        }
        TranslateMessage(&msg);
        Dispatch(msg);
    }
    return static_cast<int>(msg.wParam);
}

HWND WindowEngine::Control(ControlId id) const {
    const ControlWindow* control = Find(id);
    return control != nullptr ? control->hwnd : nullptr;
}

void WindowEngine::SetText(ControlId id, const std::wstring& text) {
    ControlWindow* control = Find(id);
    if (control == nullptr || control->hwnd == nullptr) return;
    SetWindowTextTo(control->hwnd, text);
    if (control->spec->autoSize != AutoSize::Fixed) FitToText(*control);
    if (control->spec->kind == ControlKind::Frame) InvalidateRect(control->hwnd, nullptr, TRUE);
}

void WindowEngine::SetForeColor(ControlId id, Rgb color) {
    ControlWindow* control = Find(id);
    if (control == nullptr) return;
    control->color = color;
    if (control->hwnd != nullptr) Restyle(*control);
}

void WindowEngine::SetEnabled(ControlId id, bool enabled) {
    if (HWND hwnd = Control(id)) EnableWindow(hwnd, enabled ? TRUE : FALSE);
}

Handle WindowEngine::WindowHandle() const {
    return reinterpret_cast<Handle>(window_);
}

void WindowEngine::Unload() {
    if (window_ != nullptr) DestroyWindow(window_);
}

LRESULT CALLBACK WindowEngine::ControlProc(HWND hwnd, UINT message, WPARAM wParam,
                                           LPARAM lParam) noexcept {
    auto* engine = OwnerOf<WindowEngine>(hwnd);
    const ControlWindow* control = engine != nullptr ? engine->Find(hwnd) : nullptr;
    if (control == nullptr) return DefaultProcedure(hwnd, message, wParam, lParam);
    return AtTheEdge(
        [&] { return engine->OnControlMessage(*control, message, wParam, lParam); },
        [&] { return CallProcedure(control->controlProc, hwnd, message, wParam, lParam); });
}

LRESULT WindowEngine::OnWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) window_ = hwnd;
    LRESULT result = 0;
    if (OnContainerMessage(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_MOUSEMOVE:
            MouseMove(ControlId::None);
            return 0;
        case WM_ACTIVATE:
            // Give the focus back to the control that had it when the window is reactivated.
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (Find(GetFocus()) != nullptr) lastFocus_ = GetFocus();
            }
            break;
        case WM_SETFOCUS: {
            HWND target =
                lastFocus_ != nullptr && IsWindowEnabled(lastFocus_) ? lastFocus_ : FirstTabStop();
            if (target != nullptr) SetFocus(target);
            return 0;
        }
        case kWmDpiChanged: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            Layout(HIWORD(wParam));
            const POINT topLeft{suggested->left, suggested->top};
            PlaceWindow(&topLeft);
            // Moving the controls leaves pieces of the old layout where nothing is moved over
            // them: the whole window is drawn again.
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            return 0;
        }
        case WM_SYSCOLORCHANGE:
            // The controls learn of it from their window only.
            for (const ControlWindow& control : controls_) {
                Send(control.hwnd, message, wParam, lParam);
            }
            FollowScheme();
            return 0;
        case WM_SETTINGCHANGE:
            // High contrast turned on or off, among other settings.
            FollowScheme();
            break;
        case WM_CLOSE:
            // Disabled, the window has a box of its own open (the box disables its owner): the
            // window is not destroyed under it.
            if (!IsWindowEnabled(hwnd)) return 0;
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            for (ControlWindow& control : controls_) control.hwnd = nullptr;
            window_ = nullptr;
            lastFocus_ = nullptr;
            KeepObject(hwnd, nullptr);
            break;
    }
    return DefaultProcedure(hwnd, message, wParam, lParam);
}

LRESULT WindowEngine::OnFrameMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnContainerMessage(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_MOUSEMOVE:
            if (const ControlWindow* frame = Find(hwnd)) MouseMove(frame->spec->id);
            return 0;
        case WM_PAINT:
            PaintFrame(hwnd);
            return 0;
    }
    return DefaultProcedure(hwnd, message, wParam, lParam);
}

LRESULT WindowEngine::OnControlMessage(const ControlWindow& control, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
    const ControlSpec& spec = *control.spec;
    LRESULT result = 0;
    if (spec.kind == ControlKind::Label && spec.wrap &&
        OnWrappedLabelMessage(
            control.hwnd, message, wParam, lParam,
            {FontOf(control), designFonts_.Of(spec.boldSansSerif),
             MulDiv(spec.width, kDesignDpi, 1440), spec.align == Align::Right, control.controlProc},
            result)) {
        return result;
    }
    if (message == WM_MOUSEMOVE) {
        MouseMove(spec.id);
    } else if (message == WM_SETCURSOR && spec.handCursor) {
        SetCursor(SystemCursor(IDC_HAND));
        return TRUE;
    }
    return CallProcedure(control.controlProc, control.hwnd, message, wParam, lParam);
}

// The arguments come in the window procedure's own order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool WindowEngine::OnContainerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_COMMAND: {
            // BN_CLICKED and STN_CLICKED are both 0. Messages without a control of ours (the
            // dialog keys' IDOK and IDCANCEL) press nothing.
            const ControlWindow* control = Find(reinterpret_cast<HWND>(lParam));
            if (control == nullptr || HIWORD(wParam) != BN_CLICKED) return false;
            if (events_ != nullptr) events_->Click(control->spec->id);
            result = 0;
            return true;
        }
        case WM_CTLCOLORSTATIC: {
            const ControlWindow* control = Find(reinterpret_cast<HWND>(lParam));
            if (control == nullptr) return false;
            auto* dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, ToColorRef(LookOf(*control).color));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            return true;
        }
    }
    return false;
}

void WindowEngine::MouseMove(ControlId id) {
    if (events_ != nullptr) events_->MouseMove(id);
}

void WindowEngine::FollowScheme() {
    colours_ = TextColours(form_, ReadSystemScheme(highContrastOn_));
    if (window_ == nullptr) return;
    for (const ControlWindow& control : controls_) Restyle(control);
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void WindowEngine::RegisterClasses() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance_;
    wc.hCursor = SystemCursor(IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (!ClassRegistered(instance_, kWindowClass)) {
        wc.lpfnWndProc = OwnedWindowProc<WindowEngine, &WindowEngine::OnWindowMessage>;
        wc.lpszClassName = kWindowClass;
        wc.hIcon = ResourceIcon(instance_, kIconResource);
        RegisterWindowClass(wc);
    }
    if (!ClassRegistered(instance_, kFrameClass)) {
        wc.lpfnWndProc = OwnedWindowProc<WindowEngine, &WindowEngine::OnFrameMessage>;
        wc.lpszClassName = kFrameClass;
        wc.hIcon = nullptr;
        RegisterWindowClass(wc);
    }
}

void WindowEngine::CreateControls() {
    // Creation order is the tab order within each container, so that dialog navigation follows
    // the tab indexes. Containers come before what they contain.
    std::vector<ControlWindow*> order;
    for (ControlWindow& control : controls_) order.push_back(&control);
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        const bool aOnWindow = a->spec->container == ControlId::None;
        const bool bOnWindow = b->spec->container == ControlId::None;
        if (aOnWindow != bOnWindow) return aOnWindow;
        return a->spec->tabIndex < b->spec->tabIndex;
    });
    for (ControlWindow* control : order) {
        const ControlSpec& spec = *control->spec;
        HWND parent = window_;
        if (spec.container != ControlId::None) parent = Control(spec.container);
        const wchar_t* windowClass = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        void* createParam = nullptr;
        switch (spec.kind) {
            case ControlKind::Label:
                style |= LabelStyle(spec);
                break;
            case ControlKind::Button:
                windowClass = L"BUTTON";
                style |= BS_PUSHBUTTON | WS_TABSTOP;
                break;
            case ControlKind::Frame:
                windowClass = kFrameClass;
                style |= WS_CLIPCHILDREN;
                exStyle = WS_EX_CONTROLPARENT;
                createParam = this;
                break;
        }
        control->hwnd =
            NewWindow(exStyle, windowClass, spec.text, style, {0, 0, 0, 0}, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlWindowId(spec.id))),
                      instance_, createParam);
        if (control->hwnd == nullptr) {
            throw RuntimeError(static_cast<std::int32_t>(GetLastError()),
                               L"A control of the main window could not be created");
        }
        if (spec.kind != ControlKind::Frame) {
            control->controlProc = Subclass(control->hwnd, this, ControlProc);
        }
    }
}

void WindowEngine::Layout(UINT dpi) {
    dpi_ = dpi != 0 ? dpi : 96;
    // The controls hold the old fonts until they get the new ones: `fonts` takes the old pair and
    // frees it on return.
    FormFonts fonts(dpi_);
    std::swap(fonts_, fonts);
    for (ControlWindow& control : controls_) {
        const ControlSpec& spec = *control.spec;
        const RECT r = ControlRect(spec, dpi_);
        SetWindowPos(control.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        Send(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control)), TRUE);
        if (spec.autoSize != AutoSize::Fixed) FitToText(control);
    }
}

void WindowEngine::FitToText(ControlWindow& control) {
    const ControlSpec& spec = *control.spec;
    const SIZE text = TextSize(control.hwnd, FontOf(control), WindowText(control.hwnd));
    const RECT r = FittedRect(spec, text, dpi_);
    SetWindowPos(control.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowEngine::PlaceWindow(const POINT* topLeft) {
    const SIZE size =
        WindowSize(dpiFunctions_, window_, {Pixels(form_.clientWidth), Pixels(form_.clientHeight)},
                   kWindowStyle, kWindowExStyle);
    const int width = size.cx, height = size.cy;
    POINT at{};
    if (topLeft != nullptr) {
        at = *topLeft;
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        // No text in this record: the A form is the same call on every Windows from 98 and 2000.
        GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& work = monitor.rcWork;
        at.x = work.left + (work.right - work.left - width) / 2;
        at.y = work.top + (work.bottom - work.top - height) / 2;
    }
    SetWindowPos(window_, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowEngine::PaintFrame(HWND hwnd) {
    const ControlWindow* frame = Find(hwnd);
    const PaintScope paint(hwnd);
    PaintGroupBox(hwnd, paint.Dc(), dpi_, frame != nullptr ? FontOf(*frame) : fonts_.Of(false),
                  frame != nullptr ? ToColorRef(LookOf(*frame).color) : GetSysColor(COLOR_BTNTEXT));
}

TextLook WindowEngine::LookOf(const ControlWindow& control) const {
    return colours_.Of(*control.spec, control.color);
}

HFONT WindowEngine::FontOf(const ControlWindow& control) const {
    return fonts_.Of(control.spec->boldSansSerif, LookOf(control).underline);
}

void WindowEngine::Restyle(const ControlWindow& control) {
    const HFONT font = FontOf(control);
    if (reinterpret_cast<HFONT>(Send(control.hwnd, WM_GETFONT, 0, 0)) != font) {
        Send(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    InvalidateRect(control.hwnd, nullptr, TRUE);
}

WindowEngine::ControlWindow* WindowEngine::Find(ControlId id) {
    for (ControlWindow& control : controls_) {
        if (control.spec->id == id) return &control;
    }
    return nullptr;
}

const WindowEngine::ControlWindow* WindowEngine::Find(ControlId id) const {
    return const_cast<WindowEngine*>(this)->Find(id);
}

WindowEngine::ControlWindow* WindowEngine::Find(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    for (ControlWindow& control : controls_) {
        if (control.hwnd == hwnd) return &control;
    }
    return nullptr;
}

HWND WindowEngine::FirstTabStop() const {
    const ControlWindow* first = nullptr;
    for (const ControlWindow& control : controls_) {
        if (control.spec->kind != ControlKind::Button || !IsWindowEnabled(control.hwnd)) continue;
        if (first == nullptr || control.spec->tabIndex < first->spec->tabIndex) first = &control;
    }
    return first != nullptr ? first->hwnd : nullptr;
}

}  // namespace torvexa::win32
