// The window at the DPI the test command stages (96, 120, 144, 168 and 192 through LogPixels),
// with the system's per-monitor DPI functions and with them absent (as on Windows XP to 8): the
// table's twips in pixels of that DPI, each wrapped label in the lines it shows at 96 DPI read
// back from the screen, no caption clipped, and the same after a per-monitor DPI change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/prin_form.h"
#include "platform/win32/text_lines.h"
#include "platform/win32/window_engine.h"
#include "tests/win32/window_support.h"

namespace torvexa {
namespace {

using test::Image;
using test::Measure;
using test::NoEvents;
using test::Pump;
using test::Px;
using test::RectInParent;
using win32::DpiFunctions;
using win32::WindowEngine;

constexpr UINT kWmDpiChanged = 0x02E0;

// A text as a label shows it: the lines it breaks into at 96 DPI under this test machine's fonts.
struct Shown {
    const char* what;
    ControlId label;
    std::wstring text;
    std::vector<std::wstring> lines;
};

std::vector<Shown> ShownTexts() {
    namespace texts = prin_texts;
    namespace colours = prin_colours;
    using enum ControlId;
    return {
        {"the advice",
         Label1,
         PrinForm().controls[1].text,
         {L"Si tienes WinME o 98 no hagas caso al anuncio... desinfectalo!",
          L"y tambien reinica tu PC."}},
        {"infected",
         msg,
         texts::kInfected,
         {L"Tu maquina esta infectada!!!.. pero no te preocupes! aqui estoy", L"yo para eso..."}},
        {"clean", msg, texts::kClean, {texts::kClean}},
        {"disinfected", msg, texts::kDisinfected, {texts::kDisinfected}},
        {"not checked",
         msg,
         texts::kNotChecked,
         {L"No pude revisar los procesos de tu maquina... pulsa",
          L"Desinfectame!!! por si acaso."}},
        {"Run key not checked",
         msg,
         texts::kNotCheckedRunKey,
         {L"No pude revisar la clave Run de tu maquina... pulsa",
          L"Desinfectame!!! por si acaso."}},
        {"neither checked",
         msg,
         texts::kNotCheckedEither,
         {L"No pude revisar los procesos ni la clave Run de tu maquina...",
          L"pulsa Desinfectame!!! por si acaso."}},
        {"almost done", msg, texts::kAlmostDone, {texts::kAlmostDone}},
        {"not removed",
         msg,
         texts::kNotRemoved,
         {L"No pude quitar el gusano del todo!.. pulsa otra vez",
          L"Desinfectame!!! o ejecutame como administrador."}},
    };
}

HFONT FontOf(HWND hwnd) {
    return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

// How `text` measures in `font` on the screen.
Measure MeasureText(HFONT font, const std::wstring& text) {
    return test::MeasureText(nullptr, font, text);
}

// `lines` as they are drawn one under another in `font`, black on the window face, in an image
// of `size`: what a label showing exactly these lines looks like. A line is drawn as TextOut
// draws it; one wider than the label (the lines are decided at 96 DPI, and hinting widens a font
// a little more at some sizes than at others) with its characters moved closer together, so that
// it spans the label exactly.
Image DrawnLines(HFONT font, SIZE size, const std::vector<std::wstring>& lines) {
    const test::Canvas canvas(size.cx, size.cy);
    const win32::SelectScope selected(canvas.Dc(), font);
    win32::DrawLines(canvas.Dc(), lines, RECT{0, 0, size.cx, size.cy}, false);
    return canvas.Pixels();
}

// Where each line of `image` holds text, as "first-last" columns, line by line.
std::string TextColumns(const Image& image, int lineHeight) {
    std::string columns;
    for (int top = 0; top + lineHeight <= image.height; top += lineHeight) {
        const auto [first, last] = image.TextColumns(top, top + lineHeight);
        columns += last < 0 ? "none " : std::to_string(first) + "-" + std::to_string(last) + " ";
    }
    return columns;
}

// The label shows `shown`'s text in `shown`'s lines: each fits the label's width and height in
// the label's own font, and the label's pixels on screen are exactly those lines drawn in it.
void ExpectLines(const WindowEngine& engine, const Shown& shown) {
    SCOPED_TRACE(shown.what);
    HWND label = engine.Control(shown.label);
    const int length = GetWindowTextLengthW(label);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(label, text.data(), length + 1)));
    EXPECT_EQ(text, shown.text) << "the label's text, blanks included, is the program's own";

    RECT box;
    GetClientRect(label, &box);
    const HFONT font = FontOf(label);
    for (const std::wstring& line : shown.lines) {
        const Measure m = MeasureText(font, line);
        // Within a sixteenth of the width: drawn closer together by that little, a line still
        // reads as the font draws it.
        EXPECT_LE(m.extent.cx, box.right + box.right / 16)
            << "does not fit: " << testing::PrintToString(line);
        EXPECT_LE(static_cast<int>(shown.lines.size()) * m.metrics.tmHeight, box.bottom);
    }
    const Image screen = test::GrabScreen(test::ScreenRect(label));
    const Image expected = DrawnLines(font, {box.right, box.bottom}, shown.lines);
    const int lineHeight = MeasureText(font, text).metrics.tmHeight;
    EXPECT_TRUE(screen == expected)
        << "text by line on screen, columns " << TextColumns(screen, lineHeight)
        << "; in the expected lines, " << TextColumns(expected, lineHeight);
}

// Button captions, the frames' titles and the single-line labels fit where they are drawn; the
// two links stay apart inside their frame.
void ExpectNothingClipped(const WindowEngine& engine, int dpi) {
    SCOPED_TRACE(testing::Message() << "at " << dpi << " DPI");
    using enum ControlId;
    for (const ControlSpec& spec : PrinForm().controls) {
        SCOPED_TRACE(testing::Message() << "control " << static_cast<int>(spec.id));
        HWND hwnd = engine.Control(spec.id);
        RECT box;
        GetClientRect(hwnd, &box);
        if (spec.kind == ControlKind::Button) {
            // Room for the caption inside the button's raised edge and focus rectangle.
            const Measure m = MeasureText(FontOf(hwnd), spec.text);
            EXPECT_LE(m.extent.cx + 8, box.right);
            EXPECT_LE(m.metrics.tmHeight + 4, box.bottom);
        } else if (spec.kind == ControlKind::Label && !spec.wrap) {
            const Measure m = MeasureText(FontOf(hwnd), spec.text);
            EXPECT_LE(m.extent.cx, box.right);
            EXPECT_LE(m.metrics.tmHeight, box.bottom);
        } else if (spec.kind == ControlKind::Frame && !spec.text.empty()) {
            // The title, in the dialog font as every control that is not bold, is drawn from 90
            // twips in with a 30-twip gap each side, above the frame's first row of controls.
            const Measure m = MeasureText(FontOf(engine.Control(Label3)), spec.text);
            EXPECT_LE(Px(90 + 2 * 30, dpi) + m.extent.cx, box.right);
            EXPECT_LE(m.metrics.tmHeight, Px(240, dpi));
            const RECT title = test::ScreenRect(hwnd);
            const Image strip = test::GrabScreen(
                {title.left, title.top, title.right, title.top + m.metrics.tmHeight});
            const auto [inkLeft, inkRight] =
                strip.Columns(0, strip.height, GetSysColor(COLOR_BTNTEXT));
            EXPECT_LE(inkLeft, inkRight) << "no title is drawn";
            EXPECT_GE(inkLeft, Px(90, dpi));
            EXPECT_LT(inkRight, Px(90 + 2 * 30, dpi) + m.extent.cx);
        }
    }
    RECT frame;
    GetClientRect(engine.Control(Frame1), &frame);
    const RECT mail = RectInParent(engine.Control(Label4)),
               web = RectInParent(engine.Control(Label5));
    EXPECT_GE(mail.left, 0);
    EXPECT_LT(mail.right, web.left);
    EXPECT_LE(web.right, frame.right);
    EXPECT_LE(std::max(mail.bottom, web.bottom), frame.bottom);
}

void ExpectLaidOutAt(WindowEngine& engine, int dpi) {
    test::ExpectTableGeometry(engine, dpi);
    ExpectNothingClipped(engine, dpi);
    for (const Shown& shown : ShownTexts()) {
        engine.SetText(shown.label, shown.text);
        Pump();
        ExpectLines(engine, shown);
    }
}

// true: with the system's DPI functions; false: with them absent.
class WindowLayoutTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        engine.Open(events);
        Pump();
    }

    WindowEngine engine{GetModuleHandleW(nullptr), PrinForm(),
                        GetParam() ? DpiFunctions::FromSystem() : DpiFunctions{}};
    NoEvents events;
    const int dpi = test::StagedDpi();
};

TEST_P(WindowLayoutTest, HoldsTheTwipsAndTheLinesAtTheStagedDpiAndAfterAMonitorChange) {
    {
        SCOPED_TRACE("as opened");
        ExpectLaidOutAt(engine, dpi);
    }
    // Moved to a monitor of another DPI, and back.
    const int other = dpi == 144 ? 192 : 144;
    for (const int to : {other, dpi}) {
        SCOPED_TRACE(testing::Message() << "after WM_DPICHANGED to " << to);
        RECT suggested = test::ScreenRect(engine.Window());
        SendMessageW(engine.Window(), kWmDpiChanged, MAKEWPARAM(to, to),
                     reinterpret_cast<LPARAM>(&suggested));
        Pump();
        EXPECT_EQ(test::ScreenRect(engine.Window()).left, suggested.left);
        EXPECT_EQ(test::ScreenRect(engine.Window()).top, suggested.top);
        ExpectLaidOutAt(engine, to);
    }
}

INSTANTIATE_TEST_SUITE_P(DpiFunctions, WindowLayoutTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "System" : "Absent";
                         });

// The infected status as the program shows it, in dark red on two lines; where the test command
// asks for it (TORVEXA_SCREENSHOTS), the window is saved for a person to look at.
TEST(WindowAtTheStagedDpi, ShowsTheInfectedStatusInDarkRed) {
    WindowEngine engine(GetModuleHandleW(nullptr), PrinForm());
    NoEvents events;
    engine.Open(events);
    engine.SetText(ControlId::msg, prin_texts::kInfected);
    engine.SetForeColor(ControlId::msg, prin_colours::kDarkRed);
    Pump();
    const Image status = test::GrabScreen(test::ScreenRect(engine.Control(ControlId::msg)));
    const COLORREF red =
        RGB(prin_colours::kDarkRed.r, prin_colours::kDarkRed.g, prin_colours::kDarkRed.b);
    EXPECT_GT(status.Count(red), 0);
    EXPECT_EQ(status.Count(GetSysColor(COLOR_BTNTEXT)), 0);

    if (const wchar_t* folder = _wgetenv(L"TORVEXA_SCREENSHOTS")) {
        RECT window = test::ScreenRect(engine.Window());
        InflateRect(&window, 8, 8);
        const std::wstring path =
            std::wstring(folder) + L"\\window-" + std::to_wstring(test::StagedDpi()) + L"dpi.bmp";
        EXPECT_TRUE(test::SaveBmp(test::GrabScreen(window), path));
    }
}

}  // namespace
}  // namespace torvexa
