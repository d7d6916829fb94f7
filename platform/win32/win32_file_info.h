// File search, version blocks, the shell's file description and the user's locale over the real
// system calls, for the file-properties class.
#pragma once

#include "platform/file_find.h"
#include "platform/locale.h"
#include "platform/shell_file_info.h"
#include "platform/version_info.h"

namespace torvexa::win32 {

class Win32FileFind final : public FileFindApi {
  public:
    Handle FindFirstFileA(const std::wstring& fileName, Win32FindData& data) override;
    bool FindClose(Handle findHandle) override;
    bool FileTimeToSystemTime(const FileTime& fileTime, SystemTime& systemTime) override;
};

class Win32VersionInfo final : public VersionInfoApi {
  public:
    std::uint32_t GetFileVersionInfoSizeA(const std::wstring& fileName,
                                          std::uint32_t& handle) override;
    bool GetFileVersionInfoA(const std::wstring& fileName, std::uint32_t handle,
                             std::uint32_t length, std::uint8_t* data) override;
};

class Win32ShellFileInfo final : public ShellFileInfoApi {
  public:
    std::uintptr_t SHGetFileInfoA(const std::wstring& path, std::uint32_t fileAttributes,
                                  ShFileInfo& info, std::uint32_t infoSize,
                                  std::uint32_t flags) override;
};

class Win32Locale final : public LocaleApi {
  public:
    std::wstring ThousandSeparator() override;
    std::wstring UpperCase(const std::wstring& text) override;
    std::wstring FromAnsiCodePage(const std::string& bytes) override;
};

}  // namespace torvexa::win32
