#include "app/prin_form.h"

namespace torvexa {

const FormSpec& PrinForm() {
    using enum ControlId;
    using enum ControlKind;
    static const FormSpec form{
        .caption = L"Torvexa.jpg v1.0 - 2004 Equipo Torvexa",
        .clientWidth = 5355,
        .clientHeight = 3135,
        .controls = {
            {.id = msg, .name = L"msg", .kind = Label, .left = 120, .top = 240, .width = 5055,
             .height = 495, .tabIndex = 0, .text = L"Virus", .boldSansSerif = true, .wrap = true},
            // Fourteen blanks push "y tambien reinica tu PC." onto the label's second line.
            {.id = Label1, .name = L"Label1", .kind = Label, .left = 120, .top = 840,
             .width = 5175, .height = 495, .tabIndex = 1,
             .text = L"Si tienes WinME o 98 no hagas caso al anuncio... desinfectalo!"
                     L"              y tambien reinica tu PC.",
             .wrap = true},
            {.id = Frame2, .name = L"Frame2", .kind = Frame, .left = 120, .top = 1320,
             .width = 5175, .height = 735, .tabIndex = 7},
            {.id = Command1, .name = L"Command1", .kind = Button, .container = Frame2, .left = 240,
             .top = 240, .width = 1935, .height = 375, .tabIndex = 9, .text = L"Desinfectame!!!"},
            {.id = Command2, .name = L"Command2", .kind = Button, .container = Frame2, .left = 3120,
             .top = 240, .width = 1935, .height = 375, .tabIndex = 8, .text = L"Salir"},
            {.id = Frame1, .name = L"Frame1", .kind = Frame, .left = 120, .top = 2160,
             .width = 5175, .height = 855, .tabIndex = 2, .text = L"Creado por:"},
            {.id = Label3, .name = L"Label3", .kind = Label, .container = Frame1, .left = 120,
             .top = 240, .width = 1695, .height = 255, .tabIndex = 5, .text = L"Tomas Ventura",
             .color = Rgb{0, 0, 0}},
            {.id = Label6, .name = L"Label6", .kind = Label, .container = Frame1, .left = 3120,
             .top = 240, .width = 1935, .height = 255, .tabIndex = 3, .text = L"Equipo Torvexa",
             .boldSansSerif = true, .color = Rgb{64, 64, 64}, .align = Align::Right},
            // The two links: bold, blue, the hand pointer, sized to their text; the e-mail link
            // keeps its left edge, the web link its right edge at 5055 twips.
            {.id = Label4, .name = L"Label4", .kind = Label, .container = Frame1, .left = 120,
             .top = 480, .width = 2460, .height = 195, .tabIndex = 6,
             .text = L"tventura@torvexa.example", .boldSansSerif = true,
             .color = prin_texts::kLinkBlue, .autoSize = AutoSize::KeepLeft, .handCursor = true},
            {.id = Label5, .name = L"Label5", .kind = Label, .container = Frame1, .left = 3060,
             .top = 480, .width = 1995, .height = 195, .tabIndex = 4,
             .text = L"www.torvexa.example", .boldSansSerif = true,
             .color = prin_texts::kLinkBlue, .align = Align::Right,
             .autoSize = AutoSize::KeepRight, .handCursor = true},
        }};
    return form;
}

}  // namespace torvexa
