// The window in the system's colour scheme: in Windows' High Contrast Black and White, which the
// test command stages (TORVEXA_SCHEME), and in the prefix's own scheme. Every text on screen reads
// at 4.5:1 or better against what is behind it, with high contrast as Wine reports it (always off)
// and reported on through the engine's seam, where the texts take the scheme's colours; the window
// follows the flag while it is open and, turned off again, is drawn exactly as before.
#include "platform/colour_scheme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/prin_form.h"
#include "platform/win32/system_scheme.h"
#include "platform/win32/window_engine.h"
#include "tests/win32/window_support.h"

namespace torvexa {

void PrintTo(const Rgb& c, std::ostream* os) {
    *os << "(" << int{c.r} << ", " << int{c.g} << ", " << int{c.b} << ")";
}

namespace {

namespace texts = prin_texts;
namespace colours = prin_colours;
using test::Image;
using test::NoEvents;
using test::Pump;
using test::ScreenRect;
using win32::DpiFunctions;
using win32::FromColorRef;
using win32::WindowEngine;

bool reportedHighContrast = false;
bool ReportedHighContrast() {
    return reportedHighContrast;
}

Rgb FromPixel(std::uint32_t p) {
    return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
            static_cast<std::uint8_t>(p)};
}

// What a piece of the screen shows: the background, the colour most of its pixels have, and the
// ink, the colour that stands out from it most. Where the system smooths the edges of letters,
// their pixels blend the two and stand out less: the ink is the text's own colour.
struct Reading {
    Rgb background;
    std::optional<Rgb> ink;  // none: nothing is drawn

    double Contrast() const { return ink ? ContrastRatio(*ink, background) : 1; }
};

Reading Read(const Image& image) {
    std::map<std::uint32_t, int> counts;
    for (const std::uint32_t p : image.rgb) ++counts[p];
    const auto most =
        std::max_element(counts.begin(), counts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    Reading reading{FromPixel(most->first), std::nullopt};
    for (const auto& [p, n] : counts) {
        if (p != most->first &&
            reading.Contrast() < ContrastRatio(FromPixel(p), reading.background)) {
            reading.ink = FromPixel(p);
        }
    }
    return reading;
}

Reading ReadControl(const WindowEngine& engine, ControlId id) {
    return Read(test::GrabScreen(ScreenRect(engine.Control(id))));
}

// Where the texts of the window are on screen: every label, and the credits frame's title, in the
// strip cut out of the frame's edge for it.
struct Text {
    std::string what;
    RECT onScreen;
};
std::vector<Text> EveryText(const WindowEngine& engine) {
    std::vector<Text> all;
    for (const ControlSpec& spec : PrinForm().controls) {
        if (spec.kind != ControlKind::Label) continue;
        all.push_back({std::string(spec.name, spec.name + wcslen(spec.name)),
                       ScreenRect(engine.Control(spec.id))});
    }
    const std::wstring title = L"Creado por:";
    HWND frame = engine.Control(ControlId::Frame1);
    const test::Measure m = test::MeasureText(
        frame,
        reinterpret_cast<HFONT>(SendMessageW(engine.Control(ControlId::Label3), WM_GETFONT, 0, 0)),
        title);
    const int dpi = test::StagedDpi();
    RECT strip{test::Px(90, dpi), 0, test::Px(90 + 2 * 30, dpi) + m.extent.cx, m.metrics.tmHeight};
    MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&strip), 2);
    all.push_back({"Frame1's title", strip});
    return all;
}

// Every text reads against what is behind it; with `schemeColours`, in the scheme's text or link
// colour.
void ExpectEveryTextReads(const WindowEngine& engine, bool schemeColours) {
    const Rgb text = FromColorRef(GetSysColor(COLOR_BTNTEXT)),
              link = FromColorRef(GetSysColor(COLOR_HOTLIGHT));
    for (const Text& shown : EveryText(engine)) {
        SCOPED_TRACE(shown.what);
        const Reading reading = Read(test::GrabScreen(shown.onScreen));
        ASSERT_TRUE(reading.ink) << "no text is drawn";
        EXPECT_GE(reading.Contrast(), kLegibleContrast)
            << testing::PrintToString(*reading.ink) << " on "
            << testing::PrintToString(reading.background);
        if (schemeColours) {
            EXPECT_TRUE(reading.ink == text || reading.ink == link)
                << testing::PrintToString(*reading.ink);
        }
    }
}

// The window as the start-up check leaves it: both links in the link colour, then the status.
void ShowStatus(WindowEngine& engine, const wchar_t* status, Rgb colour) {
    engine.SetForeColor(ControlId::Label5, colours::kLinkBlue);
    engine.SetForeColor(ControlId::Label4, colours::kLinkBlue);
    engine.SetForeColor(ControlId::msg, colour);
    engine.SetText(ControlId::msg, status);
    Pump();
}

bool Underlined(HWND hwnd) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfUnderline != 0;
}

Image Shot(const WindowEngine& engine) {
    return test::GrabScreen(ScreenRect(engine.Window()));
}

// In the staged scheme, or the prefix's own: with high contrast as Wine reports it (always off),
// then turned on and off again while the window is open, through the engine's seam.
TEST(WindowInTheStagedScheme, EveryTextReadsAtFourAndAHalfToOneAndFollowsHighContrast) {
    if (const char* staged = std::getenv("TORVEXA_FACE")) {
        unsigned r = 0, g = 0, b = 0;
        ASSERT_EQ(std::sscanf(staged, "%u %u %u", &r, &g, &b), 3);
        ASSERT_EQ(win32::ToColorRef(FromColorRef(GetSysColor(COLOR_BTNFACE))), RGB(r, g, b))
            << "the staged scheme did not take";
    }
    reportedHighContrast = win32::HighContrastOn();
    ASSERT_FALSE(reportedHighContrast) << "Wine reports high contrast on";
    WindowEngine engine(GetModuleHandleW(nullptr), PrinForm(), DpiFunctions::FromSystem(),
                        ReportedHighContrast);
    NoEvents events;
    engine.Open(events);
    struct Status {
        const wchar_t* text = nullptr;
        Rgb colour;
    };
    // At start, infected and clean; after "Desinfectame!!!", done and not done.
    const Status statuses[] = {{texts::kInfected, colours::kDarkRed},
                               {texts::kClean, colours::kVeryDarkBlue},
                               {texts::kDisinfected, colours::kVeryDarkBlue},
                               {texts::kNotRemoved, colours::kDarkRed}};
    const auto expectEveryStatusReads = [&] {
        for (const Status& status : statuses) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(status.text)));
            ShowStatus(engine, status.text, status.colour);
            ExpectEveryTextReads(engine, reportedHighContrast);
        }
        ShowStatus(engine, texts::kInfected, colours::kDarkRed);
    };
    expectEveryStatusReads();
    const Image asOpened = Shot(engine);
    const wchar_t* folder = _wgetenv(L"TORVEXA_SCREENSHOTS");
    if (const char* staged = std::getenv("TORVEXA_SCHEME");
        folder != nullptr && staged != nullptr) {
        const std::string scheme = staged;
        RECT window = ScreenRect(engine.Window());
        InflateRect(&window, 8, 8);
        EXPECT_TRUE(test::SaveBmp(test::GrabScreen(window),
                                  std::wstring(folder) + L"\\window-" +
                                      std::wstring(scheme.begin(), scheme.end()) + L".bmp"));
    }

    SCOPED_TRACE("high contrast turned on");
    reportedHighContrast = true;
    SendMessageW(engine.Window(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    Pump();
    expectEveryStatusReads();
    // The pointer over a link underlines it, in the same colour.
    HWND mail = engine.Control(ControlId::Label4);
    const Reading resting = ReadControl(engine, ControlId::Label4);
    const Image restingShot = Shot(engine);
    engine.SetForeColor(ControlId::Label4, colours::kHoverRed);
    Pump();
    EXPECT_TRUE(Underlined(mail));
    EXPECT_EQ(ReadControl(engine, ControlId::Label4).ink, resting.ink);
    EXPECT_FALSE(Shot(engine) == restingShot);

    SCOPED_TRACE("high contrast turned off again, with a change of the scheme's colours");
    reportedHighContrast = false;
    SendMessageW(engine.Window(), WM_SYSCOLORCHANGE, 0, 0);
    engine.SetForeColor(ControlId::Label4, colours::kLinkBlue);
    Pump();
    EXPECT_FALSE(Underlined(mail));
    EXPECT_TRUE(Shot(engine) == asOpened) << "not drawn as it was";
}

}  // namespace
}  // namespace torvexa
