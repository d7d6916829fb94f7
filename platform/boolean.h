// Booleans as the program stores and returns them: 16-bit values, True = -1 and False = 0.
#pragma once

#include <cstdint>

namespace torvexa {

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

}  // namespace torvexa
