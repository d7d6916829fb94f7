// What the screen shows, as the test and scenario programs read it: an image of 0x00RRGGBB
// pixels grabbed from a rectangle of the screen or drawn on a memory surface, counted and
// compared, and written as a BMP file for a person to look at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"

namespace torvexa::harness {

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
// Writes `image` as a BMP file of 32-bit pixels; false when it cannot be written.
bool SaveBmp(const Image& image, const std::wstring& path);

}  // namespace torvexa::harness
