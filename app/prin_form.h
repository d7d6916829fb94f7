// The main window prin as data: its caption, client size and the ten controls, and the fixed
// texts and colours that its handlers show.
#pragma once

#include <string>

#include "app/form.h"

namespace torvexa::prin_texts {

inline constexpr Rgb kDarkRed{200, 0, 0};
inline constexpr Rgb kVeryDarkBlue{0, 0, 60};
inline constexpr Rgb kLinkBlue{0, 0, 255};
inline constexpr Rgb kHoverRed{255, 0, 0};

inline constexpr const wchar_t* kInfected =
    L"Tu maquina esta infectada!!!.. pero no te preocupes! aqui estoy yo para eso...";
inline constexpr const wchar_t* kClean = L"Tu maquina esta limpia del gusano ZELK!";
inline constexpr const wchar_t* kDisinfected = L"Maquina desinfectada!";

// Where the links lead.
inline constexpr const wchar_t* kMailTarget = L"mailto:tventura@torvexa.example";
inline constexpr const wchar_t* kWebTarget = L"http://www.torvexa.example/";

}  // namespace torvexa::prin_texts

namespace torvexa {

// The window's description, built once.
const FormSpec& PrinForm();

}  // namespace torvexa
