// Waiting on the user-interface thread, for the short bounded waits of the program.
#pragma once

#include <cstdint>

namespace torvexa {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Milliseconds since some fixed moment (the system's 32-bit tick count, which every Windows
    // has): what bounds a wait is the time that has passed, sleeps and checks together. The count
    // wraps to 0 after 49.7 days, so an elapsed time is the unsigned 32-bit difference of two
    // readings, which stays right across the wrap.
    virtual std::uint32_t Milliseconds() = 0;
};

}  // namespace torvexa
