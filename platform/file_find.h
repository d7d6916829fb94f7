// Finding a file by name and breaking its time stamps down: FindFirstFileA, FindClose and
// FileTimeToSystemTime, with the records they exchange in portable form.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/file_attributes.h"
#include "platform/types.h"

namespace torvexa {

// FILETIME: 100-nanosecond intervals since 1 January 1601 UTC, as two 32-bit halves.
struct FileTime {
    std::uint32_t dwLowDateTime = 0;
    std::uint32_t dwHighDateTime = 0;

    bool operator==(const FileTime&) const = default;
};

// SYSTEMTIME: a broken-down time in the system's field order.
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;

    bool operator==(const SystemTime&) const = default;
};

// WIN32_FIND_DATAA as the program holds it; the names are fixed fields of exactly their system
// length, converted from the ANSI code page.
struct Win32FindData {
    static constexpr std::size_t kNameLength = 260;
    static constexpr std::size_t kAlternateNameLength = 14;

    std::uint32_t dwFileAttributes = 0;
    FileTime ftCreationTime;
    FileTime ftLastAccessTime;
    FileTime ftLastWriteTime;
    std::uint32_t nFileSizeHigh = 0;
    std::uint32_t nFileSizeLow = 0;
    std::uint32_t dwReserved0 = 0;
    std::uint32_t dwReserved1 = 0;
    std::array<wchar_t, kNameLength> cFileName{};
    std::array<wchar_t, kAlternateNameLength> cAlternateFileName{};

    bool operator==(const Win32FindData&) const = default;
};

class FileFindApi {
  public:
    virtual ~FileFindApi() = default;
    // The search handle and the first match in `data`, or kInvalidHandleValue when nothing
    // matches (the name may hold wildcards).
    virtual Handle FindFirstFileA(const std::wstring& fileName, Win32FindData& data) = 0;
    virtual bool FindClose(Handle findHandle) = 0;
    // The UTC broken-down time; false when the time cannot be converted, `systemTime` then
    // holding whatever the call left in it.
    virtual bool FileTimeToSystemTime(const FileTime& fileTime, SystemTime& systemTime) = 0;
};

}  // namespace torvexa
