#include "platform/win32/system_scheme.h"

namespace torvexa::win32 {

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != FALSE &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

SystemScheme ReadSystemScheme(HighContrastQuery highContrastOn) {
    // COLOR_HOTLIGHT, the colour of hyperlinks, is there from Windows 2000 on.
    return {.highContrast = highContrastOn(),
            .face = FromColorRef(GetSysColor(COLOR_BTNFACE)),
            .text = FromColorRef(GetSysColor(COLOR_BTNTEXT)),
            .link = FromColorRef(GetSysColor(COLOR_HOTLIGHT))};
}

}  // namespace torvexa::win32
