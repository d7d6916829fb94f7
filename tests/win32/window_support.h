// Helpers for the tests of the window engine: pumping messages, controls' rectangles, the pixels
// on screen, and the DPI the test command staged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/unique_handle.h"
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

// An image as top-down rows of 0x00RRGGBB pixels.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;

    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
    int Count(COLORREF c) const;
    // The first and last columns where rows `top` to `bottom` (exclusive) hold a pixel of colour
    // `c`, or with `other`, of any other colour; {width, -1} where there is none.
    std::pair<int, int> Columns(int top, int bottom, COLORREF c, bool other = false) const;
    // Where the text is: the columns of whatever is not the window face.
    std::pair<int, int> TextColumns(int top, int bottom) const {
        return Columns(top, bottom, GetSysColor(COLOR_BTNFACE), true);
    }
    bool operator==(const Image&) const = default;
};
std::uint32_t Rgb(COLORREF c);

// A memory drawing surface of 32-bit pixels, filled with the window face colour, its DC set to
// draw black text on that face.
class Canvas {
  public:
    Canvas(int width, int height);

    HDC Dc() const { return dc_.get(); }
    Image Pixels() const;

  private:
    int width_, height_;
    void* bits_ = nullptr;
    // Gone in reverse: the bitmap is selected out of the DC before either is deleted.
    win32::MemoryDc dc_;
    win32::UniqueBitmap bitmap_;
    std::optional<win32::SelectScope> selected_;
};

// What the screen shows in `r`.
Image GrabScreen(const RECT& r);
// Writes `image` as a 24-bit BMP file; false when it cannot be written.
bool SaveBmp(const Image& image, const std::wstring& path);

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
