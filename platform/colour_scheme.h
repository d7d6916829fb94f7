// Which colours the window's texts are drawn in under the system's colour scheme. In an ordinary
// scheme every text keeps the colour the form gives it. When the user has asked for high contrast,
// or when the scheme's face would leave one of the form's colours at rest hard to read, the window
// draws with the scheme's own colours instead: every text in the scheme's text colour, links in its
// link colour (the text colour where that too is hard to read) and underlined while hot. The words
// of the status line carry its meaning, so nothing is lost when its colour goes.
#pragma once

#include <optional>
#include <vector>

#include "platform/form.h"

namespace torvexa {

// The contrast ratio of two colours as WCAG defines it, from 1 (the same) to 21 (black on white).
double ContrastRatio(Rgb a, Rgb b);

// The least contrast ratio at which a text of the window's size reads against its background.
inline constexpr double kLegibleContrast = 4.5;

// What the system's colour scheme says, as the window engine reads it.
struct SystemScheme {
    bool highContrast = false;  // the user has turned high contrast on
    Rgb face;                   // the face of the window and its controls
    Rgb text;                   // text on that face
    Rgb link;                   // hyperlinks and hot-tracked items
};

// How one text is drawn.
struct TextLook {
    Rgb color;
    bool underline = false;
    bool operator==(const TextLook&) const = default;
};

class TextColours {
  public:
    TextColours() = default;
    TextColours(const FormSpec& form, const SystemScheme& scheme);

    // Whether the window draws with the scheme's colours instead of the form's.
    bool SchemeColours() const { return schemeColours_; }
    // How `control`'s text is drawn while its handlers have given it `color` (none: the scheme's
    // text colour). A label with the hand pointer is a link: it is hot while its colour is other
    // than the one the table gives it.
    TextLook Of(const ControlSpec& control, std::optional<Rgb> color) const;

  private:
    SystemScheme scheme_;
    bool schemeColours_ = false;
    Rgb link_;  // the scheme's link colour, or its text colour where the link colour does not read
};

// Every colour the form shows a text in at rest: each control's table colour and the further
// colours its handlers show it in. Hover colours are not among them.
std::vector<Rgb> RestingColours(const FormSpec& form);

}  // namespace torvexa
