// The two fonts a form's controls use, made for one DPI: "MS Sans Serif" 8.25 pt bold, and the
// platform's default dialog font at regular weight. The window engine keeps one pair at the
// window's DPI, for what it shows, and one at the design DPI, where its wrapped labels' lines are
// decided.
#pragma once

#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

inline void DeleteFontObject(HFONT font) {
    DeleteObject(font);
}
inline HFONT NoFont() {
    return nullptr;
}
using UniqueFont = UniqueHandle<HFONT, DeleteFontObject, NoFont>;

class FormFonts {
  public:
    FormFonts() = default;
    // Both fonts in pixels of `dpi`.
    explicit FormFonts(UINT dpi);

    // The bold face for a control that asks for it, otherwise the dialog font.
    HFONT Of(bool boldSansSerif) const { return boldSansSerif ? bold_.get() : dialog_.get(); }

  private:
    UniqueFont bold_;
    UniqueFont dialog_;
};

}  // namespace torvexa::win32
