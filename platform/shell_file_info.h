// The shell's description of a file: SHGetFileInfoA for the system icon index and type name.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace torvexa {

inline constexpr std::uint32_t kShgfiSysIconIndex = 0x4000;  // SHGFI_SYSICONINDEX
inline constexpr std::uint32_t kShgfiTypeName = 0x400;       // SHGFI_TYPENAME
inline constexpr std::uint32_t kShgfiSmallIcon = 0x1;        // SHGFI_SMALLICON
inline constexpr std::uint32_t kShgfiLargeIcon = 0x0;        // SHGFI_LARGEICON

// SHFILEINFOA as the program holds it; the texts are fixed fields of exactly their system length,
// converted from the ANSI code page.
struct ShFileInfo {
    static constexpr std::uint32_t kSystemSize = 352;
    static constexpr std::size_t kDisplayNameLength = 260;
    static constexpr std::size_t kTypeNameLength = 80;

    Handle hIcon = 0;
    std::int32_t iIcon = 0;
    std::uint32_t dwAttributes = 0;
    std::array<wchar_t, kDisplayNameLength> szDisplayName{};
    std::array<wchar_t, kTypeNameLength> szTypeName{};
};

class ShellFileInfoApi {
  public:
    virtual ~ShellFileInfoApi() = default;
    // Fills what `flags` ask for; with kShgfiSysIconIndex the result is the system image list.
    virtual std::uintptr_t SHGetFileInfoA(const std::wstring& path, std::uint32_t fileAttributes,
                                          ShFileInfo& info, std::uint32_t infoSize,
                                          std::uint32_t flags) = 0;
};

}  // namespace torvexa
