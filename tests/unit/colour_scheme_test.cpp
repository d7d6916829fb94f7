#include "platform/colour_scheme.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/prin_form.h"

namespace torvexa {
namespace {

using namespace prin_colours;
using namespace prin_links;
using namespace prin_colours;

constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};
// The schemes' face, text and link colours.
constexpr SystemScheme kStandard{.face = {240, 240, 240}, .text = kBlack, .link = {0, 102, 204}};
constexpr SystemScheme kLuna{.face = {236, 233, 216}, .text = kBlack, .link = {0, 0, 128}};
constexpr SystemScheme kClassic{.face = {212, 208, 200}, .text = kBlack, .link = {0, 0, 128}};
constexpr SystemScheme kHighContrastBlack{.face = kBlack, .text = kWhite, .link = {255, 255, 0}};
constexpr SystemScheme kHighContrastWhite{.face = kWhite, .text = kBlack, .link = {0, 0, 159}};

SystemScheme On(SystemScheme scheme) {
    scheme.highContrast = true;
    return scheme;
}

const ControlSpec& Control(ControlId id) {
    const auto& controls = PrinForm().controls;
    return *std::find_if(controls.begin(), controls.end(),
                         [&](const auto& c) { return c.id == id; });
}

// Each text of the window as its handlers colour it: the table's colours, the status in each of
// its colours, a link while hot.
struct Shown {
    const char* what;
    ControlId id;
    std::optional<Rgb> color;
};
std::vector<Shown> EveryText() {
    using enum ControlId;
    return {{"infected", msg, kDarkRed},          {"clean", msg, kVeryDarkBlue},
            {"advice", Label1, std::nullopt},     {"credits frame", Frame1, std::nullopt},
            {"author", Label3, Rgb{0, 0, 0}},     {"team", Label6, Rgb{64, 64, 64}},
            {"mail link", Label4, kLinkBlue},     {"web link", Label5, kLinkBlue},
            {"hot mail link", Label4, kHoverRed}, {"hot web link", Label5, kHoverRed}};
}

TEST(ContrastRatio, IsWcagsRatioOfRelativeLuminances) {
    EXPECT_DOUBLE_EQ(ContrastRatio(kBlack, kWhite), 21.0);
    EXPECT_DOUBLE_EQ(ContrastRatio(kWhite, kBlack), 21.0);
    EXPECT_DOUBLE_EQ(ContrastRatio(kDarkRed, kDarkRed), 1.0);
    // The status on High Contrast Black's face, as read from the screen.
    EXPECT_NEAR(ContrastRatio(kVeryDarkBlue, kBlack), 1.1, 0.05);
    EXPECT_NEAR(ContrastRatio(kDarkRed, kBlack), 3.5, 0.05);
    EXPECT_NEAR(ContrastRatio(kLinkBlue, kWhite), 8.6, 0.05);
}

TEST(TextColours, OrdinarySchemesShowEveryDesignedColourHoverIncluded) {
    for (const SystemScheme& scheme : {kStandard, kLuna, kHighContrastWhite}) {
        const TextColours colours(PrinForm(), scheme);
        EXPECT_FALSE(colours.SchemeColours());
        for (const Shown& shown : EveryText()) {
            SCOPED_TRACE(shown.what);
            EXPECT_EQ(colours.Of(Control(shown.id), shown.color),
                      TextLook{shown.color.value_or(scheme.text)});
        }
    }
}

TEST(TextColours, HighContrastOnShowsTheSchemesTextAndLinkColoursWithHotLinksUnderlined) {
    for (const SystemScheme& scheme : {On(kStandard), On(kHighContrastWhite), kHighContrastBlack}) {
        const TextColours colours(PrinForm(), scheme);
        EXPECT_TRUE(colours.SchemeColours());
        for (const Shown& shown : EveryText()) {
            SCOPED_TRACE(shown.what);
            const ControlSpec& control = Control(shown.id);
            const bool link = control.handCursor, hot = link && shown.color == kHoverRed;
            EXPECT_EQ(colours.Of(control, shown.color),
                      (TextLook{link ? scheme.link : scheme.text, hot}));
        }
    }
}

TEST(TextColours, AFaceThatLeavesADesignedColourUnreadableTurnsTheSchemesColoursOn) {
    // With high contrast off: a black face leaves every designed colour unreadable; Windows
    // Classic's grey only the infected status's dark red (3.9:1).
    EXPECT_TRUE(TextColours(PrinForm(), kHighContrastBlack).SchemeColours());
    EXPECT_TRUE(TextColours(PrinForm(), kClassic).SchemeColours());
    // A link colour that does not read either gives way to the text colour.
    SystemScheme navyOnBlack = kHighContrastBlack;
    navyOnBlack.link = {0, 0, 128};
    const TextColours colours(PrinForm(), navyOnBlack);
    EXPECT_EQ(colours.Of(Control(ControlId::Label4), kLinkBlue), (TextLook{kWhite, false}));
    EXPECT_EQ(colours.Of(Control(ControlId::Label4), kHoverRed), (TextLook{kWhite, true}));
}

}  // namespace
}  // namespace torvexa
