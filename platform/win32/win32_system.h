// Files, the shell and waiting over the real system calls.
#pragma once

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/shell.h"

namespace torvexa::win32 {

class Win32FileSystem final : public FileSystemApi {
  public:
    bool DeleteFile(const std::wstring& path) override;
    Presence FileExists(const std::wstring& path) override;
    std::uint32_t GetLastError() override;
    bool CanOpenFor(const std::wstring& path, std::uint32_t access) override;
    std::uint32_t GetFileAttributesW(const std::wstring& path) override;
    bool SetFileAttributesW(const std::wstring& path, std::uint32_t attributes) override;
    bool MoveFileExW(const std::wstring& existing, const std::optional<std::wstring>& newName,
                     std::uint32_t flags) override;
    std::wstring GetSystemDirectoryW() override;
    std::optional<std::wstring> GetSystemWow64DirectoryW() override;
    std::optional<std::wstring> ExpandEnvironmentStringsW(const std::wstring& text) override;
    std::wstring GetWindowsDirectoryW() override;
    std::optional<std::string> GetShortPathNameA(const std::wstring& path) override;
    std::optional<std::string> ReadWholeFile(const std::wstring& path) override;
    bool WriteWholeFile(const std::wstring& path, const std::string& bytes) override;
    bool MoveFileA(const std::wstring& existing, const std::wstring& newName) override;
};

class Win32Shell final : public ShellApi {
  public:
    Handle ShellExecuteA(Handle window, const std::wstring& verb, const std::wstring& file,
                         const std::optional<std::wstring>& parameters,
                         const std::optional<std::wstring>& directory, int showCommand) override;
};

class Win32Clock final : public Clock {
  public:
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t Milliseconds() override;
};

}  // namespace torvexa::win32
