#include "platform/win32/system_scheme.h"

#include "platform/win32/text_api.h"

namespace torvexa::win32 {

bool HighContrastOn() {
    return HighContrastSetting();
}

SystemScheme ReadSystemScheme(HighContrastQuery highContrastOn) {
    // COLOR_HOTLIGHT, the colour of hyperlinks, is there from Windows 2000 on.
    return {.highContrast = highContrastOn(),
            .face = FromColorRef(GetSysColor(COLOR_BTNFACE)),
            .text = FromColorRef(GetSysColor(COLOR_BTNTEXT)),
            .link = FromColorRef(GetSysColor(COLOR_HOTLIGHT))};
}

}  // namespace torvexa::win32
