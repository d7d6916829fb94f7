// The system's colour scheme as the window engine draws with it: whether the user has turned high
// contrast on, and the scheme's face, text and link colours.
#pragma once

#include "platform/colour_scheme.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

// Whether the user has turned high contrast on (SPI_GETHIGHCONTRAST); off where the system does
// not say.
bool HighContrastOn();

// Where the engine asks whether high contrast is on: HighContrastOn, or a test's own answer.
using HighContrastQuery = bool (*)();

// The scheme now: the flag as `highContrastOn` answers it, the colours as GetSysColor does.
SystemScheme ReadSystemScheme(HighContrastQuery highContrastOn);

inline COLORREF ToColorRef(Rgb c) {
    return RGB(c.r, c.g, c.b);
}

inline Rgb FromColorRef(COLORREF c) {
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

}  // namespace torvexa::win32
