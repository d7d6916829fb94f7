// The window in the system's colour scheme. In the prefix's own scheme, with high contrast
// reported on through the engine's seam (Wine always reports it off), every text takes the
// scheme's colours, and the window follows the flag while it is open. In Windows' High Contrast
// Black and White, which the test command stages (TORVEXA_SCHEME), every text on screen reads at
// 4.5:1 or better against what is behind it, with the flag as the system reports it and with it on.
#include "app/colour_scheme.h"

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
bool HighContrastReportedOn() {
    return true;
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
    HDC dc = GetDC(frame);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(
                                       engine.Control(ControlId::Label3), WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(frame, dc);
    const int dpi = test::StagedDpi();
    RECT strip{test::Px(90, dpi), 0, test::Px(90 + 2 * 30, dpi) + extent.cx, metrics.tmHeight};
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
    engine.SetForeColor(ControlId::Label5, texts::kLinkBlue);
    engine.SetForeColor(ControlId::Label4, texts::kLinkBlue);
    engine.SetForeColor(ControlId::msg, colour);
    engine.SetText(ControlId::msg, status);
    Pump();
}

bool Underlined(HWND hwnd) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfUnderline != 0;
}

TEST(SchemeColours, HighContrastOnDrawsTheSchemesColoursAndTheWindowFollowsTheFlag) {
    using enum ControlId;
    reportedHighContrast = false;
    WindowEngine engine(GetModuleHandleW(nullptr), PrinForm(), DpiFunctions::FromSystem(),
                        ReportedHighContrast);
    NoEvents events;
    engine.Open(events);
    ShowStatus(engine, texts::kInfected, texts::kDarkRed);
    const Rgb face = FromColorRef(GetSysColor(COLOR_BTNFACE)),
              text = FromColorRef(GetSysColor(COLOR_BTNTEXT));
    // Wine's own link colour is a light grey that does not read on its face: the text colour
    // stands in for it.
    const Rgb link =
        ContrastRatio(FromColorRef(GetSysColor(COLOR_HOTLIGHT)), face) >= kLegibleContrast
            ? FromColorRef(GetSysColor(COLOR_HOTLIGHT))
            : text;
    const auto expectInks = [&](const std::map<ControlId, Rgb>& expected) {
        for (const auto& [id, colour] : expected) {
            SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(id));
            const Reading reading = ReadControl(engine, id);
            EXPECT_EQ(reading.background, face);
            EXPECT_EQ(reading.ink, colour);
        }
    };
    const std::map<ControlId, Rgb> designed{{msg, texts::kDarkRed},     {Label1, text},
                                            {Label3, {0, 0, 0}},        {Label6, {64, 64, 64}},
                                            {Label4, texts::kLinkBlue}, {Label5, texts::kLinkBlue}};
    {
        SCOPED_TRACE("high contrast off");
        expectInks(designed);
    }
    {
        SCOPED_TRACE("high contrast turned on while the window is open");
        reportedHighContrast = true;
        SendMessageW(engine.Window(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        Pump();
        expectInks({{msg, text},
                    {Label1, text},
                    {Label3, text},
                    {Label6, text},
                    {Label4, link},
                    {Label5, link}});
        // A hot link stays in the link colour, underlined.
        const Image resting = test::GrabScreen(ScreenRect(engine.Control(Label4)));
        engine.SetForeColor(Label4, texts::kHoverRed);
        Pump();
        expectInks({{Label4, link}});
        EXPECT_TRUE(Underlined(engine.Control(Label4)));
        EXPECT_FALSE(test::GrabScreen(ScreenRect(engine.Control(Label4))) == resting);
        EXPECT_FALSE(Underlined(engine.Control(Label5)));
    }
    {
        SCOPED_TRACE("high contrast turned off again, with the scheme's colours changing");
        reportedHighContrast = false;
        SendMessageW(engine.Window(), WM_SYSCOLORCHANGE, 0, 0);
        Pump();
        std::map<ControlId, Rgb> hot = designed;
        hot[Label4] = texts::kHoverRed;
        expectInks(hot);
        EXPECT_FALSE(Underlined(engine.Control(Label4)));
    }
}

// Where the test command asks for it (TORVEXA_SCREENSHOTS), the window in the staged scheme is
// saved for a person to look at.
void SaveScreenshot(const WindowEngine& engine, const char* scheme) {
    const wchar_t* folder = _wgetenv(L"TORVEXA_SCREENSHOTS");
    if (folder == nullptr || scheme == nullptr) return;
    RECT window = ScreenRect(engine.Window());
    InflateRect(&window, 8, 8);
    const std::string name(scheme);
    const std::wstring path =
        std::wstring(folder) + L"\\window-" + std::wstring(name.begin(), name.end()) + L".bmp";
    EXPECT_TRUE(test::SaveBmp(test::GrabScreen(window), path));
}

TEST(WindowInTheStagedScheme, EveryTextReadsAtFourAndAHalfToOneAgainstWhatIsBehindIt) {
    const char* scheme = std::getenv("TORVEXA_SCHEME");
    if (const char* staged = std::getenv("TORVEXA_FACE")) {
        unsigned r = 0, g = 0, b = 0;
        ASSERT_EQ(std::sscanf(staged, "%u %u %u", &r, &g, &b), 3);
        ASSERT_EQ(FromColorRef(GetSysColor(COLOR_BTNFACE)),
                  (Rgb{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                       static_cast<std::uint8_t>(b)}))
            << "the staged scheme did not take";
    }
    struct Flag {
        const char* what;
        win32::HighContrastQuery query;
    };
    for (const Flag& flag : {Flag{"high contrast as the system reports it", win32::HighContrastOn},
                             Flag{"high contrast on", HighContrastReportedOn}}) {
        SCOPED_TRACE(flag.what);
        WindowEngine engine(GetModuleHandleW(nullptr), PrinForm(), DpiFunctions::FromSystem(),
                            flag.query);
        NoEvents events;
        engine.Open(events);
        struct Status {
            const wchar_t* text;
            Rgb colour;
        };
        // At start, infected and clean; after "Desinfectame!!!", done and not done.
        for (const Status& status : {Status{texts::kInfected, texts::kDarkRed},
                                     Status{texts::kClean, texts::kVeryDarkBlue},
                                     Status{texts::kDisinfected, texts::kVeryDarkBlue},
                                     Status{texts::kNotRemoved, texts::kDarkRed}}) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(status.text)));
            ShowStatus(engine, status.text, status.colour);
            ExpectEveryTextReads(engine, flag.query == HighContrastReportedOn);
            if (status.text == texts::kInfected && flag.query == win32::HighContrastOn) {
                SaveScreenshot(engine, scheme);
            }
        }
        // The pointer over a link: it looks other than at rest.
        const Image resting = test::GrabScreen(ScreenRect(engine.Control(ControlId::Label5)));
        engine.SetForeColor(ControlId::Label5, texts::kHoverRed);
        Pump();
        EXPECT_FALSE(test::GrabScreen(ScreenRect(engine.Control(ControlId::Label5))) == resting);
    }
}

}  // namespace
}  // namespace torvexa
