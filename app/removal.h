// The removal: one press of "Desinfectame!!!", or the run without the window that removes what it
// found. It ends the worm's programs, deletes its Run values and hands each of its files to the
// file policy; then the check says what is left. And, on the user's word, closing the messenger.
#pragma once

#include <cstdint>
#include <vector>

#include "app/file_policy.h"
#include "app/worm_check.h"
#include "platform/clock.h"
#include "process/mdlProcess.h"
#include "registry/Registro.h"

namespace torvexa {

class WormRemoval {
  public:
    WormRemoval(mdlProcess& process, Registro& registro, Clock& clock, WormCheck& check,
                FilePolicy& files)
        : process_(process), registro_(registro), clock_(clock), check_(check), files_(files) {}

    // The disinfection sequence, every step guarded on its own; then what is left.
    Remnants Run();
    // Ends every messenger of this user's session (another user's, with its conversations, is left
    // alone); true when none of them is listed afterwards (or none ran), false when that could not
    // be shown.
    bool CloseMessenger();

  private:
    // Ends every program of the worm's names, and each one that appears, until none is listed
    // (bounded).
    void EndWormPrograms();
    // Waits, bounded, until none of `ids` is listed any more; true when they are all gone.
    bool WaitUntilGone(const std::vector<ProcessId>& ids);

    mdlProcess& process_;
    Registro& registro_;
    Clock& clock_;
    WormCheck& check_;
    FilePolicy& files_;
};

}  // namespace torvexa
