#include "harness/screen_grab.h"

#include <algorithm>
#include <cstdio>

namespace torvexa::harness {

std::uint32_t Rgb(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

int Image::Count(COLORREF c) const {
    int count = 0;
    for (std::uint32_t p : rgb) count += p == Rgb(c);
    return count;
}

std::pair<int, int> Image::Columns(int top, int bottom, COLORREF c, bool other) const {
    int first = width, last = -1;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((At(x, y) == Rgb(c)) == other) continue;
            first = std::min(first, x);
            last = std::max(last, x);
        }
    }
    return {first, last};
}

Canvas::Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    const win32::WindowDc screen = win32::BorrowDc(nullptr);
    dc_.reset(CreateCompatibleDC(screen.get()));
    bitmap_.reset(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits_, nullptr, 0));
    selected_.emplace(dc_.get(), bitmap_.get());
    const RECT all{0, 0, width, height};
    FillRect(dc_.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc_.get(), GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc_.get(), GetSysColor(COLOR_BTNFACE));
}

Image Canvas::Pixels() const {
    GdiFlush();
    Image image{width_, height_, {}};
    const auto* px = static_cast<const std::uint32_t*>(bits_);
    image.rgb.reserve(static_cast<std::size_t>(width_) * height_);
    for (int i = 0; i < width_ * height_; ++i) image.rgb.push_back(px[i] & 0xFFFFFF);
    return image;
}

Image GrabScreen(const RECT& r) {
    const Canvas canvas(r.right - r.left, r.bottom - r.top);
    const win32::WindowDc screen = win32::BorrowDc(nullptr);
    BitBlt(canvas.Dc(), 0, 0, r.right - r.left, r.bottom - r.top, screen.get(), r.left, r.top,
           SRCCOPY);
    return canvas.Pixels();
}

bool SaveBmp(const Image& image, const std::wstring& path) {
    // Top-down rows of 32-bit pixels: the image's own 0x00RRGGBB words, as they lie in memory.
    const auto bytes = static_cast<DWORD>(image.rgb.size()) * DWORD{sizeof image.rgb[0]};
    BITMAPINFOHEADER info{
        sizeof info, image.width, -image.height, 1, 32, BI_RGB, bytes, 0, 0, 0, 0};
    BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof file + sizeof info};
    file.bfSize = file.bfOffBits + bytes;
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (f == nullptr) return false;
    const bool written = fwrite(&file, sizeof file, 1, f) == 1 &&
                         fwrite(&info, sizeof info, 1, f) == 1 &&
                         fwrite(image.rgb.data(), 1, bytes, f) == bytes;
    return fclose(f) == 0 && written;
}

}  // namespace torvexa::harness
