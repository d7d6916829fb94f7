#include "app/prin_form.h"

namespace torvexa {

const FormSpec& PrinForm() {
    using enum ControlId;
    static const FormSpec form = [] {
        FormSpec f;
        f.caption = L"Torvexa.jpg v1.0 - 2004 Equipo Torvexa";
        f.clientWidth = 5355;
        f.clientHeight = 3135;
        auto label = [](ControlId id, const wchar_t* name, ControlId in, int l, int t, int w, int h,
                        int tab, std::wstring text) {
            return ControlSpec{id, name, ControlKind::Label, in, l, t, w, h, tab, std::move(text)};
        };
        ControlSpec status = label(msg, L"msg", None, 120, 240, 5055, 495, 0, L"Virus");
        status.boldSansSerif = true;
        status.wrap = true;
        // Fourteen blanks push "y tambien reinica tu PC." onto the label's second line.
        ControlSpec advice = label(Label1, L"Label1", None, 120, 840, 5175, 495, 1,
                                   L"Si tienes WinME o 98 no hagas caso al anuncio... desinfectalo!"
                                   L"              y tambien reinica tu PC.");
        advice.wrap = true;
        ControlSpec buttons{Frame2, L"Frame2", ControlKind::Frame, None, 120, 1320, 5175, 735,
                            7,      L""};
        ControlSpec disinfect{Command1, L"Command1", ControlKind::Button, Frame2, 240, 240, 1935,
                              375,      9,           L"Desinfectame!!!"};
        ControlSpec quit{Command2, L"Command2", ControlKind::Button, Frame2, 3120, 240, 1935, 375,
                         8,        L"Salir"};
        ControlSpec credits{Frame1, L"Frame1", ControlKind::Frame, None, 120, 2160, 5175,
                            855,    2,         L"Creado por:"};
        ControlSpec author =
            label(Label3, L"Label3", Frame1, 120, 240, 1695, 255, 5, L"Tomas Ventura");
        author.hasColor = true;  // black
        ControlSpec team =
            label(Label6, L"Label6", Frame1, 3120, 240, 1935, 255, 3, L"Equipo Torvexa");
        team.boldSansSerif = true;
        team.hasColor = true;
        team.color = {64, 64, 64};
        team.align = Align::Right;
        // The two links: bold, blue, the hand pointer, sized to their text.
        auto link = [&](ControlId id, const wchar_t* name, int l, int w, int tab,
                        const wchar_t* text, AutoSize kept) {
            ControlSpec s = label(id, name, Frame1, l, 480, w, 195, tab, text);
            s.boldSansSerif = true;
            s.hasColor = true;
            s.color = prin_texts::kLinkBlue;
            s.autoSize = kept;
            s.handCursor = true;
            return s;
        };
        const ControlSpec mail =
            link(Label4, L"Label4", 120, 2460, 6, L"tventura@torvexa.example", AutoSize::KeepLeft);
        // Its right edge stays at 5055 twips.
        ControlSpec web =
            link(Label5, L"Label5", 3060, 1995, 4, L"www.torvexa.example", AutoSize::KeepRight);
        web.align = Align::Right;
        f.controls = {status, advice, buttons, disinfect, quit, credits, author, team, mail, web};
        return f;
    }();
    return form;
}

}  // namespace torvexa
