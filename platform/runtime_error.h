// The program's one run-time failure type. A failure that a procedure does not trap travels as
// this exception to the nearest guarded step (or trap) that does. It carries a number in the
// classic run-time error numbering and a description.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace torvexa {

class RuntimeError : public std::runtime_error {
  public:
    // The run-time error numbers this program raises.
    static constexpr std::int32_t kInvalidArgument = 5;  // invalid procedure call or argument
    static constexpr std::int32_t kOverflow = 6;
    static constexpr std::int32_t kOutOfMemory = 7;
    static constexpr std::int32_t kSubscriptOutOfRange = 9;

    RuntimeError(std::int32_t number, std::wstring description)
        : std::runtime_error("run-time error"),
          number_(number),
          description_(std::move(description)) {}

    std::int32_t number() const noexcept { return number_; }
    const std::wstring& description() const noexcept { return description_; }

  private:
    std::int32_t number_;
    std::wstring description_;
};

}  // namespace torvexa
