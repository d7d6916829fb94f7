#include "platform/colour_scheme.h"

#include <algorithm>
#include <cmath>

namespace torvexa {
namespace {

// A colour channel of sRGB in linear light.
double Linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(Rgb c) {
    return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b);
}

bool Reads(Rgb text, Rgb face) {
    return ContrastRatio(text, face) >= kLegibleContrast;
}

}  // namespace

// The ratio is symmetric: the order of the two colours does not matter.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
double ContrastRatio(Rgb a, Rgb b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TextColours::TextColours(const FormSpec& form, const SystemScheme& scheme)
    : scheme_(scheme), link_(Reads(scheme.link, scheme.face) ? scheme.link : scheme.text) {
    const std::vector<Rgb> resting = RestingColours(form);
    schemeColours_ = scheme.highContrast || std::any_of(resting.begin(), resting.end(), [&](Rgb c) {
                         return !Reads(c, scheme.face);
                     });
}

TextLook TextColours::Of(const ControlSpec& control, std::optional<Rgb> color) const {
    if (!schemeColours_) return {color.value_or(scheme_.text)};
    if (control.handCursor) return {link_, color != control.color};
    return {scheme_.text};
}

std::vector<Rgb> RestingColours(const FormSpec& form) {
    std::vector<Rgb> colours;
    for (const ControlSpec& control : form.controls) {
        if (control.color) colours.push_back(*control.color);
        colours.insert(colours.end(), control.restColors.begin(), control.restColors.end());
    }
    return colours;
}

}  // namespace torvexa
