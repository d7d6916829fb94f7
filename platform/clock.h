// Waiting on the user-interface thread, for the short bounded waits of the program.
#pragma once

#include <cstdint>

namespace torvexa {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace torvexa
