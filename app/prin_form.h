// The main window prin as data: its caption, client size and the ten controls, and the fixed
// texts and colours that its handlers show.
#pragma once

#include <string>

#include "platform/form.h"

// The colours of the status line and of the links.
namespace torvexa::prin_colours {

inline constexpr Rgb kDarkRed{200, 0, 0};
inline constexpr Rgb kVeryDarkBlue{0, 0, 60};
inline constexpr Rgb kLinkBlue{0, 0, 255};
inline constexpr Rgb kHoverRed{255, 0, 0};

}  // namespace torvexa::prin_colours

// Where the links lead.
namespace torvexa::prin_links {

inline constexpr const wchar_t* kMailTarget = L"mailto:tventura@torvexa.example";
inline constexpr const wchar_t* kWebTarget = L"http://www.torvexa.example/";

}  // namespace torvexa::prin_links

// The texts the handlers show, as the program shows them.
namespace torvexa::prin_texts {

inline constexpr const wchar_t* kInfected =
    L"Tu maquina esta infectada!!!.. pero no te preocupes! aqui estoy yo para eso...";
inline constexpr const wchar_t* kClean = L"Tu maquina esta limpia del gusano ZELK!";
inline constexpr const wchar_t* kDisinfected = L"Maquina desinfectada!";
// Said instead of a clean machine when nothing of the worm was found at start but the process
// list, the Run key, or both could not be read: the words name what could not be read.
inline constexpr const wchar_t* kNotChecked =
    L"No pude revisar los procesos de tu maquina... pulsa Desinfectame!!! por si acaso.";
inline constexpr const wchar_t* kNotCheckedRunKey =
    L"No pude revisar la clave Run de tu maquina... pulsa Desinfectame!!! por si acaso.";
inline constexpr const wchar_t* kNotCheckedEither =
    L"No pude revisar los procesos ni la clave Run de tu maquina... pulsa Desinfectame!!! por si "
    L"acaso.";
// Said instead of "disinfected" when something of the worm is still there afterwards.
inline constexpr const wchar_t* kNotRemoved =
    L"No pude quitar el gusano del todo!.. pulsa otra vez Desinfectame!!! o ejecutame como "
    L"administrador.";

// Said when nothing of the worm is left but files that Windows deletes at the next restart, and
// the box that names them, one full path a line.
inline constexpr const wchar_t* kAlmostDone =
    L"Casi listo!.. reinicia tu PC para terminar de quitar el gusano.";
inline constexpr const wchar_t* kPendingIntro =
    L"Estos archivos del gusano estan en uso y se borraran cuando reinicies tu PC:";
// In the same box, after the files: the worm's programs that still run, and that nothing can
// start again once those files are gone; the restart ends them.
inline constexpr const wchar_t* kPendingProgramsIntro =
    L"Estos programas del gusano se cerraran cuando reinicies tu PC:";
// The box that names what is left after kNotRemoved, one item a line.
inline constexpr const wchar_t* kLeftIntro = L"Esto del gusano sigue en tu PC:";
inline constexpr const wchar_t* kProcessesUnchecked = L"(no pude revisar los procesos)";
inline constexpr const wchar_t* kRunKeyUnchecked = L"(no pude revisar la clave Run)";
// Between the lines of those two boxes.
inline constexpr const wchar_t* kBoxLineBreak = L"\r\n";

inline constexpr const wchar_t* kQuestionFirst =
    L"LISTO!!!!!! Solo tienes que cerrar completamente tu msn y despues lo vuelves a abrir.";
inline constexpr const wchar_t* kQuestionSecond = L"\u00BFQuieres que este programa cierre el msn?";
inline constexpr const wchar_t* kMsnClosed = L"MSN cerrado... vuelvelo a iniciar.";
inline constexpr const wchar_t* kMsnNotClosed =
    L"No pude cerrar el msn... cierralo tu y vuelvelo a iniciar.";

}  // namespace torvexa::prin_texts

namespace torvexa {

// The window's description, built once.
const FormSpec& PrinForm();

}  // namespace torvexa
