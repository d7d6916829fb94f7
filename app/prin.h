// The main window's handlers: the infection check at start, the disinfection behind
// "Desinfectame!!!" and the answer it gives, quitting, and the two credit links. They change the
// window only through the FormView and reach the system only through the modules and the seam.
#pragma once

#include <string>

#include "app/disinfection.h"
#include "platform/form.h"
#include "platform/message_box.h"
#include "platform/shell.h"

namespace torvexa {

class prin : public FormEvents {
  public:
    prin(FormView& view, Disinfection& disinfection, ShellApi& shell, MessageBoxApi& boxes);

    void Form_Load() override;
    void Click(ControlId id) override;
    void MouseMove(ControlId id) override;

    // The box's text for what a disinfection left: what goes with the restart (its files, then
    // its programs), or everything left followed by that.
    static std::wstring PendingText(const Remnants& left);
    static std::wstring LeftText(const Remnants& left);
    // The status for a check that found nothing but could not read the process list, the Run
    // key, or either: it names what could not be read.
    static const wchar_t* NotCheckedText(const Remnants& found);

  private:
    void Command1_Click();
    void OpenLink(const wchar_t* target);
    void SetStatus(Rgb color, const wchar_t* text);
    void Tell(const std::wstring& text);
    void CloseMessengerAndConfirm();

    FormView& view_;
    Disinfection& disinfection_;
    ShellApi& shell_;
    MessageBoxApi& boxes_;
    bool pressing_ = false;  // a press runs, its boxes included
};

}  // namespace torvexa
