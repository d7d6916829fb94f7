// A window described as data, the way a form is: its controls (kind, container, twip geometry,
// tab order, texts, fonts, colours) and the events the window hands to its handlers. The window
// engine in platform/win32 builds a real window from a FormSpec and calls the FormEvents; the
// handlers change the window only through the FormView. Nothing here touches the system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace torvexa {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// The controls of the main window, under their own names. None stands for the window itself
// (as a container, or as the surface under the pointer).
enum class ControlId {
    None,
    msg,
    Label1,
    Frame2,
    Command1,
    Command2,
    Frame1,
    Label3,
    Label6,
    Label4,
    Label5
};

enum class ControlKind { Label, Frame, Button };
enum class Align { Left, Right };
// How a label follows its text: fixed size, or sized to its text with the left (or right) edge
// kept where the table puts it.
enum class AutoSize { Fixed, KeepLeft, KeepRight };

// One control, written with designated initializers so that every value says what it is:
// {.id = ControlId::Frame2, .name = L"Frame2", .kind = ControlKind::Frame, .left = 120, ...}.
struct ControlSpec {
    ControlId id = ControlId::None;
    const wchar_t* name = L"";
    ControlKind kind = ControlKind::Label;
    ControlId container = ControlId::None;         // None: directly on the window
    int left = 0, top = 0, width = 0, height = 0;  // twips, from the container's client area
    int tabIndex = 0;
    std::wstring text{};
    bool boldSansSerif = false;  // "MS Sans Serif" 8.25 pt bold; otherwise the default dialog font
    std::optional<Rgb> color{};  // the text colour; none: the platform's default
    // The further colours its handlers show the text in at rest (hover colours are not).
    std::vector<Rgb> restColors{};
    Align align = Align::Left;
    bool wrap = false;
    AutoSize autoSize = AutoSize::Fixed;
    bool handCursor = false;  // the pointing-hand pointer over the control
};

struct FormSpec {
    std::wstring caption;
    int clientWidth = 0, clientHeight = 0;  // twips
    std::vector<ControlSpec> controls;
};

// What the handlers may do to the window.
class FormView {
  public:
    virtual ~FormView() = default;
    virtual void SetText(ControlId id, const std::wstring& text) = 0;
    virtual void SetForeColor(ControlId id, Rgb color) = 0;
    virtual void SetEnabled(ControlId id, bool enabled) = 0;
    // The window's own system handle (HWND), for calls that take an owner window.
    virtual Handle WindowHandle() const = 0;
    // Unloads the window; the program then ends at once.
    virtual void Unload() = 0;
};

// The events the window hands to its handlers, one at a time on the user-interface thread.
class FormEvents {
  public:
    virtual ~FormEvents() = default;
    // While the window is loaded, before it is first shown.
    virtual void Form_Load() = 0;
    virtual void Click(ControlId id) = 0;
    // The pointer moved over the control `id`, or over the bare surface of the window (None).
    virtual void MouseMove(ControlId id) = 0;
};

}  // namespace torvexa
