// The window engine: builds a real top-level window from a FormSpec and hands its user events to
// a FormEvents. Geometry is given in twips and placed in pixels at the window's own DPI; frames
// are real container windows; labels are static controls that take no focus but report pointer
// moves and clicks; only buttons are tab stops. Enter presses the focused button; Escape presses
// nothing (the window has no cancel button). Texts are coloured as TextColours chooses for the
// system's colour scheme, which the window follows while it is open.
#pragma once

#include <optional>
#include <vector>

#include "platform/colour_scheme.h"
#include "platform/form.h"
#include "platform/win32/system_scheme.h"
#include "platform/win32/win.h"
#include "platform/win32/window_layout.h"

namespace torvexa::win32 {

class WindowEngine final : public FormView {
  public:
    // The class names of the top-level window and of the frame containers.
    static constexpr const wchar_t* kWindowClass = L"TorvexaPrin";
    static constexpr const wchar_t* kFrameClass = L"TorvexaFrame";
    // A control's window id (GetDlgCtrlID) is this base plus its ControlId value.
    static constexpr int kControlIdBase = 100;

    WindowEngine(HINSTANCE instance, const FormSpec& form,
                 DpiFunctions dpiFunctions = DpiFunctions::FromSystem(),
                 HighContrastQuery highContrastOn = HighContrastOn);
    ~WindowEngine() override;
    WindowEngine(const WindowEngine&) = delete;
    WindowEngine& operator=(const WindowEngine&) = delete;

    // Open(), then the message loop until the window is gone; returns the program's exit code.
    int Run(FormEvents& events);
    // Creates the window and its controls, calls Form_Load, then shows the window centred with
    // the focus on the first tab stop. Throws RuntimeError when the window cannot be created.
    void Open(FormEvents& events);
    // Dispatches messages until WM_QUIT; returns its exit code.
    int MessageLoop();

    // The child window of a control (nullptr for an unknown id or when the window is closed).
    HWND Control(ControlId id) const;
    HWND Window() const { return window_; }

    // FormView
    void SetText(ControlId id, const std::wstring& text) override;
    void SetForeColor(ControlId id, Rgb color) override;
    void SetEnabled(ControlId id, bool enabled) override;
    Handle WindowHandle() const override;
    void Unload() override;

  private:
    struct ControlWindow {
        const ControlSpec* spec = nullptr;
        HWND hwnd = nullptr;
        std::optional<Rgb> color;       // none: the platform's text colour
        WNDPROC controlProc = nullptr;  // the control class's own procedure, for a subclassed one
    };

    // The procedure of the subclassed controls; the window's and the frames' are OnWindowMessage's
    // and OnFrameMessage's (window_procedure.h).
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept;

    LRESULT OnWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnFrameMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnControlMessage(const ControlWindow& control, UINT message, WPARAM wParam,
                             LPARAM lParam);
    // WM_COMMAND and WM_CTLCOLORSTATIC reach the control's container: the window or a frame.
    bool OnContainerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void MouseMove(ControlId id);
    // Reads the system's colour scheme again and draws the window in it.
    void FollowScheme();

    void RegisterClasses();
    void CreateControls();
    // Places every control and sets the fonts for `dpi`; runs again when the DPI changes.
    void Layout(UINT dpi);
    void FitToText(ControlWindow& control);
    // Gives the window the form's client size at the current DPI, with its top-left corner at
    // (x, y), or centred on its monitor's work area.
    void PlaceWindow(const POINT* topLeft);
    void PaintFrame(HWND hwnd);
    TextLook LookOf(const ControlWindow& control) const;
    HFONT FontOf(const ControlWindow& control) const;
    // Gives the control the font its look asks for and draws it again.
    void Restyle(const ControlWindow& control);
    ControlWindow* Find(ControlId id);
    const ControlWindow* Find(ControlId id) const;
    ControlWindow* Find(HWND hwnd);
    HWND FirstTabStop() const;
    int Pixels(int twips) const { return win32::Pixels(twips, dpi_); }

    HINSTANCE instance_;
    const FormSpec& form_;
    DpiFunctions dpiFunctions_;
    HighContrastQuery highContrastOn_;
    TextColours colours_;
    FormEvents* events_ = nullptr;
    HWND window_ = nullptr;
    HWND lastFocus_ = nullptr;
    UINT dpi_ = 96;
    std::vector<ControlWindow> controls_;
    FormFonts fonts_;        // at the window's DPI
    FormFonts designFonts_;  // at the design DPI, where wrapped labels break their lines
};

}  // namespace torvexa::win32
