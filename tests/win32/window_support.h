// Helpers for the tests of the window engine: pumping messages, controls' rectangles, the pixels
// on screen (the harness's images), and the DPI the test command staged.
#pragma once

#include <string>

#include "harness/screen_grab.h"
#include "platform/win32/win.h"
#include "platform/win32/window_engine.h"

namespace torvexa::test {

// A window's handlers that do nothing.
class NoEvents : public FormEvents {
    void Form_Load() override {}
    void Click(ControlId) override {}
    void MouseMove(ControlId) override {}
};

// Dispatches this thread's messages until `done` holds, or a generous bound passes.
template <typename Done>
bool PumpUntil(Done done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 5000) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    return true;
}

void Pump();

RECT ScreenRect(HWND hwnd);
// The control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND hwnd);

using harness::Canvas;
using harness::GrabScreen;
using harness::Image;
using harness::Rgb;
using harness::SaveBmp;

// The DPI of the screen, which the test command stages through LogPixels before the test
// program starts. When it names one (TORVEXA_DPI), the screen must have it, so that a staging
// that did not take cannot pass as a run at 96 DPI.
int StagedDpi();

// How `text` measures in `font` on the device context of `window` (the screen's for none): its
// extent, and the font's metrics.
struct Measure {
    SIZE extent{};
    TEXTMETRICW metrics{};
};
Measure MeasureText(HWND window, HFONT font, const std::wstring& text);
// A table length in pixels at `dpi`.
int Px(int twips, int dpi);

// The window at `dpi`: its client area and every control where the table puts it in pixels of
// that DPI; the labels sized to their text exactly as wide and as tall as their text in their
// own font, with their kept edge where the table puts it.
void ExpectTableGeometry(const win32::WindowEngine& engine, int dpi);

}  // namespace torvexa::test
