// Waiting on the user-interface thread, for the short bounded waits of the program.
#pragma once

#include <cstdint>

namespace torvexa {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Milliseconds since some fixed moment, never going back (the system's tick count): what
    // bounds a wait is the time that has passed, sleeps and checks together.
    virtual std::uint64_t Milliseconds() = 0;
};

}  // namespace torvexa
