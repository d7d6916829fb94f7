// Modal message boxes. The box blocks the calling (user-interface) thread until it is answered
// and is owned by the program's main window, which it disables while it is open.
#pragma once

#include <cstdint>
#include <string>

namespace torvexa {

// The system's values (MB_OK, MB_YESNO, MB_ICONINFORMATION, IDOK, IDYES, IDNO).
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// The title of every box the program shows.
inline constexpr const wchar_t* kAppTitle = L"Torvexa";

class MessageBoxApi {
  public:
    virtual ~MessageBoxApi() = default;
    // Returns the button pressed (kIdOk, kIdYes, kIdNo), or 0 when the box could not be shown.
    virtual int MessageBox(const std::wstring& text, const std::wstring& title,
                           std::uint32_t type) = 0;
};

}  // namespace torvexa
