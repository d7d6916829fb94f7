// The main window's handlers: the infection check at start, the disinfection sequence behind
// "Desinfectame!!!", quitting, and the two credit links. They change the window only through the
// FormView and reach the system only through the modules and the platform seam.
#pragma once

#include <string>
#include <vector>

#include "app/form.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/registry_api.h"
#include "platform/shell.h"
#include "process/mdlProcess.h"
#include "registry/Registro.h"

namespace torvexa {

class prin : public FormEvents {
  public:
    prin(FormView& view, mdlProcess& process, Registro& registro, RegistryApi& registry,
         FileSystemApi& files, ShellApi& shell, MessageBoxApi& boxes, Clock& clock);

    void Form_Load() override;
    void Click(ControlId id) override;
    void MouseMove(ControlId id) override;

    // A terminated process may hold its files for a moment: poll this often, this long at most.
    static constexpr std::uint32_t kPollMilliseconds = 50;
    static constexpr std::uint32_t kWaitLimitMilliseconds = 2000;

  private:
    void Command1_Click();
    void OpenLink(const wchar_t* target);
    ProcessId KillByName(const wchar_t* name);
    // Waits, bounded, until none of `ids` is listed any more; true when they are all gone.
    bool WaitUntilGone(const std::vector<ProcessId>& ids);
    // Whether nothing of the worm is left: no process, no Run value, no file.
    bool WormIsGone();
    Presence RunValue(const std::wstring& name);
    void AskToCloseMessenger();

    FormView& view_;
    mdlProcess& process_;
    Registro& registro_;
    RegistryApi& registry_;
    FileSystemApi& files_;
    ShellApi& shell_;
    MessageBoxApi& boxes_;
    Clock& clock_;
};

}  // namespace torvexa
