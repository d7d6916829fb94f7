// File-system operations on whole files by full path.
#pragma once

#include <cstdint>
#include <string>

namespace torvexa {

// Whether something is there: a check that cannot be made answers Unknown, never Absent.
enum class Presence { Absent, Present, Unknown };

class FileSystemApi {
  public:
    virtual ~FileSystemApi() = default;
    // Deletes one file; false when it is missing, in use or protected (the reason in GetLastError).
    virtual bool DeleteFileA(const std::wstring& path) = 0;
    virtual Presence FileExists(const std::wstring& path) = 0;
    virtual std::uint32_t GetLastError() = 0;
};

}  // namespace torvexa
