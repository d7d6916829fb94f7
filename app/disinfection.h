// What the program does to the machine, with or without its window: the check of what of the
// worm is there (app/worm_check.h, with the one judgement every answer comes from), the removal
// (app/removal.h) and the policy for each of its files (app/file_policy.h). A worm file that
// Windows will not delete now because it is in use is recorded for deletion at the next restart,
// and said to be pending, never gone. The window and the run without it work through this.
#pragma once

#include <cstdint>

#include "app/poll.h"
#include "app/removal.h"
#include "app/worm_check.h"

namespace torvexa {

class Disinfection {
  public:
    Disinfection(WormCheck& check, WormRemoval& removal) : check_(check), removal_(removal) {}

    // The disinfection sequence, every step guarded on its own; then what is left.
    Remnants Run() { return removal_.Run(); }
    // What of the worm is there now. Changes nothing on the machine.
    Remnants Check() { return check_.Check(); }
    // Ends every messenger of this user's session; true when none of them is listed afterwards.
    bool CloseMessenger() { return removal_.CloseMessenger(); }

    static constexpr std::uint32_t kPollMilliseconds = timing::kPollMilliseconds;
    static constexpr std::uint32_t kWaitLimitMilliseconds = timing::kWaitLimitMilliseconds;
    static constexpr std::uint32_t kRoundMilliseconds = timing::kRoundMilliseconds;
    static constexpr std::uint32_t kImageWaitLimitMilliseconds =
        timing::kImageWaitLimitMilliseconds;

  private:
    WormCheck& check_;
    WormRemoval& removal_;
};

}  // namespace torvexa
