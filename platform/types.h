// Portable stand-ins for the handle and record types that the program exchanges with Windows.
// Nothing here includes a system header: the logic builds and is tested on any platform, and
// platform/win32 maps these to the real types.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace torvexa {

// An opaque system handle (HANDLE, HKEY, HWND): pointer-sized, as on the system.
using Handle = std::uintptr_t;

// The failure value of snapshot and find handles. Note that the same value is also the
// current-process pseudo-handle, so it never means "no process".
inline constexpr Handle kInvalidHandleValue = ~Handle{0};

// A 32-bit process identifier; 0 means that there is no such process.
using ProcessId = std::uint32_t;

// PROCESSENTRY32 as the program holds it: the nine 32-bit fields in the system's order and the
// executable name as a fixed field of exactly 260 characters (name, NUL and whatever the buffer
// holds after it). The 8-bit record exchanged with the system is 296 bytes.
struct ProcessEntry32 {
    static constexpr std::uint32_t kSystemSize = 296;
    static constexpr std::size_t kNameLength = 260;

    std::uint32_t dwSize = 0;
    std::uint32_t cntUsage = 0;
    std::uint32_t th32ProcessID = 0;
    std::uint32_t th32DefaultHeapID = 0;
    std::uint32_t th32ModuleID = 0;
    std::uint32_t cntThreads = 0;
    std::uint32_t th32ParentProcessID = 0;
    std::int32_t pcPriClassBase = 0;
    std::uint32_t dwFlags = 0;
    std::array<wchar_t, kNameLength> szExeFile{};

    bool operator==(const ProcessEntry32&) const = default;
};

// MODULEENTRY32W as far as the program reads it: whose module it is, and the file it was loaded
// from.
struct ModuleEntry32 {
    std::uint32_t th32ProcessID = 0;
    std::wstring szExePath;
};

}  // namespace torvexa
