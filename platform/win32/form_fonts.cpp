#include "platform/win32/form_fonts.h"

#include <algorithm>
#include <iterator>

namespace torvexa::win32 {
namespace {

constexpr wchar_t kBoldFace[] = L"MS Sans Serif";

}  // namespace

FormFonts::FormFonts(UINT dpi) {
    LOGFONTW bold{};
    bold.lfHeight = -MulDiv(825, static_cast<int>(dpi), 7200);
    bold.lfWeight = FW_BOLD;
    bold.lfCharSet = DEFAULT_CHARSET;
    std::copy(std::begin(kBoldFace), std::end(kBoldFace), bold.lfFaceName);
    bold_.reset(CreateFontIndirectW(&bold));
    // The default GUI font is made for the screen's DPI.
    LOGFONTW dialog{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof dialog, &dialog);
    HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    dialog.lfHeight = MulDiv(dialog.lfHeight, static_cast<int>(dpi), systemDpi);
    dialog.lfWeight = FW_NORMAL;
    dialog_.reset(CreateFontIndirectW(&dialog));
}

}  // namespace torvexa::win32
