#include "tests/win32/window_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/prin_form.h"
#include "platform/win32/unique_handle.h"

namespace torvexa::test {

void Pump() {
    int rounds = 0;
    PumpUntil([&] { return ++rounds > 10; });
}

RECT ScreenRect(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
}

RECT RectInParent(HWND hwnd) {
    RECT r = ScreenRect(hwnd);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int StagedDpi() {
    const int dpi = GetDeviceCaps(win32::BorrowDc(nullptr).get(), LOGPIXELSX);
    if (const char* staged = std::getenv("TORVEXA_DPI")) {
        EXPECT_EQ(dpi, std::atoi(staged)) << "the staged DPI did not take";
    }
    return dpi;
}

Measure MeasureText(HWND window, HFONT font, const std::wstring& text) {
    Measure m;
    const win32::WindowDc dc = win32::BorrowDc(window);
    const win32::SelectScope selected(dc.get(), font);
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &m.extent);
    GetTextMetricsW(dc.get(), &m.metrics);
    return m;
}

int Px(int twips, int dpi) {
    return MulDiv(twips, dpi, 1440);
}

void ExpectTableGeometry(const win32::WindowEngine& engine, int dpi) {
    SCOPED_TRACE(testing::Message() << "at " << dpi << " DPI");
    const FormSpec& form = PrinForm();
    RECT client;
    GetClientRect(engine.Window(), &client);
    EXPECT_EQ(client.right, Px(form.clientWidth, dpi));
    EXPECT_EQ(client.bottom, Px(form.clientHeight, dpi));
    for (const ControlSpec& spec : form.controls) {
        SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(spec.id));
        HWND hwnd = engine.Control(spec.id);
        const RECT r = RectInParent(hwnd);
        if (spec.autoSize != AutoSize::KeepRight) {
            EXPECT_EQ(r.left, Px(spec.left, dpi));
        }
        EXPECT_EQ(r.top, Px(spec.top, dpi));
        if (spec.autoSize == AutoSize::Fixed) {
            EXPECT_EQ(r.right - r.left, Px(spec.width, dpi));
            EXPECT_EQ(r.bottom - r.top, Px(spec.height, dpi));
            continue;
        }
        if (spec.autoSize == AutoSize::KeepRight) {
            EXPECT_EQ(r.right, Px(spec.left + spec.width, dpi));
        }
        // Sized to the text: as wide and as tall as it is in the control's own font.
        const Measure m = MeasureText(
            hwnd, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), spec.text);
        EXPECT_EQ(r.right - r.left, m.extent.cx);
        EXPECT_EQ(r.bottom - r.top, m.metrics.tmHeight);
    }
}

}  // namespace torvexa::test
