#include "platform/win32/window_layout.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace torvexa::win32 {
namespace {

constexpr wchar_t kBoldFace[] = L"MS Sans Serif";

int ScreenDpi(int axis) {
    return GetDeviceCaps(BorrowDc(nullptr).get(), axis);
}

}  // namespace

DpiFunctions DpiFunctions::FromSystem() {
    DpiFunctions functions;
    // user32 is loaded by every GUI program; looking it up loads nothing.
    if (HMODULE user32 = GetModuleHandleA("user32.dll")) {
        functions.getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
        functions.adjustWindowRectExForDpi = reinterpret_cast<AdjustWindowRectExForDpiFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "AdjustWindowRectExForDpi")));
    }
    return functions;
}

UINT WindowDpi(const DpiFunctions& functions, HWND window) {
    if (functions.getDpiForWindow != nullptr) return functions.getDpiForWindow(window);
    return static_cast<UINT>(ScreenDpi(LOGPIXELSX));
}

SIZE WindowSize(const DpiFunctions& functions, HWND window, SIZE client, DWORD style,
                DWORD exStyle) {
    RECT frame{0, 0, client.cx, client.cy};
    if (functions.adjustWindowRectExForDpi != nullptr) {
        // The frame is the system's, drawn at the DPI the system gives the window: by the time
        // WM_DPICHANGED arrives, the new one. A WM_DPICHANGED that no monitor change sent (as
        // under Wine, which has no per-monitor DPI) leaves the frame at the old DPI.
        functions.adjustWindowRectExForDpi(&frame, style, FALSE, exStyle,
                                           WindowDpi(functions, window));
    } else {
        // Without per-monitor DPI the window's DPI is the screen's, which this call assumes.
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

RECT ControlRect(const ControlSpec& spec, UINT dpi) {
    const int left = Pixels(spec.left, dpi), top = Pixels(spec.top, dpi);
    return {left, top, left + Pixels(spec.width, dpi), top + Pixels(spec.height, dpi)};
}

RECT FittedRect(const ControlSpec& spec, SIZE text, UINT dpi) {
    int left = Pixels(spec.left, dpi);
    if (spec.autoSize == AutoSize::KeepRight) left = Pixels(spec.left + spec.width, dpi) - text.cx;
    const int top = Pixels(spec.top, dpi);
    return {left, top, left + text.cx, top + text.cy};
}

SIZE TextSize(HWND window, HFONT font, const std::wstring& text) {
    const WindowDc dc = BorrowDc(window);
    const SelectScope selected(dc.get(), font);
    SIZE extent{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    return {extent.cx, LineHeight(dc.get())};
}

FormFonts::FormFonts(UINT dpi) {
    LOGFONTW bold{};
    bold.lfHeight = -MulDiv(825, static_cast<int>(dpi), 7200);
    bold.lfWeight = FW_BOLD;
    bold.lfCharSet = DEFAULT_CHARSET;
    std::copy(std::begin(kBoldFace), std::end(kBoldFace), bold.lfFaceName);
    // The default GUI font is made for the screen's DPI.
    LOGFONTW dialog = LogFontOf(GetStockObject(DEFAULT_GUI_FONT));
    dialog.lfHeight = MulDiv(dialog.lfHeight, static_cast<int>(dpi), ScreenDpi(LOGPIXELSY));
    dialog.lfWeight = FW_NORMAL;
    for (const std::size_t underline : {0U, 1U}) {
        bold.lfUnderline = dialog.lfUnderline = underline != 0 ? TRUE : FALSE;
        bold_[underline].reset(CreateFontFrom(bold));
        dialog_[underline].reset(CreateFontFrom(dialog));
    }
}

}  // namespace torvexa::win32
