// Records what the handlers do to the window, in order, and keeps each control's current state.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/form.h"

namespace torvexa::fakes {

class FakeView : public FormView {
  public:
    std::vector<std::wstring> log;
    std::map<ControlId, std::wstring> text;
    std::map<ControlId, Rgb> color;
    std::map<ControlId, bool> enabled;
    bool unloaded = false;

    void SetText(ControlId id, const std::wstring& t) override {
        log.push_back(L"text " + Name(id) + L" " + t);
        text[id] = t;
    }
    void SetForeColor(ControlId id, Rgb c) override {
        log.push_back(L"color " + Name(id) + L" " + std::to_wstring(c.r) + L"," +
                      std::to_wstring(c.g) + L"," + std::to_wstring(c.b));
        color[id] = c;
    }
    void SetEnabled(ControlId id, bool e) override {
        log.push_back(L"enabled " + Name(id) + (e ? L" 1" : L" 0"));
        enabled[id] = e;
    }
    Handle WindowHandle() const override { return 0x4242; }
    void Unload() override {
        log.emplace_back(L"unload");
        unloaded = true;
    }

    static std::wstring Name(ControlId id) {
        static const wchar_t* names[] = {L"window",   L"msg",      L"Label1", L"Frame2",
                                         L"Command1", L"Command2", L"Frame1", L"Label3",
                                         L"Label6",   L"Label4",   L"Label5"};
        return names[static_cast<int>(id)];
    }
};

}  // namespace torvexa::fakes
