// File-system operations on whole files by full path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_attributes.h"

namespace torvexa {

// Whether something is there: a check that cannot be made answers Unknown, never Absent.
enum class Presence { Absent, Present, Unknown };

// The system's values (MOVEFILE_DELAY_UNTIL_REBOOT and the error codes a refused deletion gives).
inline constexpr std::uint32_t kMoveFileDelayUntilReboot = 0x4;
inline constexpr std::uint32_t kDeleteAccess = 0x00010000;  // DELETE
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorLockViolation = 33;
inline constexpr std::uint32_t kErrorUserMappedFile = 1224;

class FileSystemApi {
  public:
    virtual ~FileSystemApi() = default;
    // Deletes one file, named exactly (on 9x a path without an exact 8-bit name fails with
    // ERROR_INVALID_NAME); false when it is missing, in use or protected (the reason in
    // GetLastError).
    virtual bool DeleteFile(const std::wstring& path) = 0;
    virtual Presence FileExists(const std::wstring& path) = 0;
    virtual std::uint32_t GetLastError() = 0;
    // Whether the system grants the access `access` to the existing file now: it is opened so,
    // sharing read, write and delete, and closed at once (the reason in GetLastError when
    // not). Asked for kDeleteAccess, a file this program may not delete refuses (access denied),
    // while a file mapped into a process (a loaded DLL, a running program) opens, and refuses only
    // the delete itself. Windows 95, 98 and ME keep no rights on files: there it grants unasked.
    virtual bool CanOpenFor(const std::wstring& path, std::uint32_t access) = 0;

    // kInvalidFileAttributes when they cannot be read (the reason in GetLastError).
    virtual std::uint32_t GetFileAttributesW(const std::wstring& path) = 0;
    virtual bool SetFileAttributesW(const std::wstring& path, std::uint32_t attributes) = 0;
    // MoveFileExW: with no new name and kMoveFileDelayUntilReboot, records the file for deletion at
    // the next restart. True says only that the record was written.
    virtual bool MoveFileExW(const std::wstring& existing,
                             const std::optional<std::wstring>& newName, std::uint32_t flags) = 0;
    // The system folder (GetSystemDirectoryW), as a 32-bit program is told it:
    // "C:\WINDOWS\system32" on 64-bit Windows too.
    virtual std::wstring GetSystemDirectoryW() = 0;
    // Where that folder really is for this 32-bit program (GetSystemWow64DirectoryW): SysWOW64 on
    // 64-bit Windows; none where nothing is redirected (32-bit Windows, or a 64-bit process).
    virtual std::optional<std::wstring> GetSystemWow64DirectoryW() = 0;

    // `text` with each %NAME% replaced by the environment variable's value, as Windows expands a
    // REG_EXPAND_SZ value (ExpandEnvironmentStrings); none when it cannot be expanded.
    virtual std::optional<std::wstring> ExpandEnvironmentStringsW(const std::wstring& text) = 0;
    // The Windows folder (GetWindowsDirectoryW): "C:\WINDOWS"; empty when it cannot be had.
    virtual std::wstring GetWindowsDirectoryW() = 0;
    // The path's short 8.3 form (GetShortPathNameA) in the ANSI code page; the long form where the
    // system gives none; none when the path has no exact 8-bit name.
    virtual std::optional<std::string> GetShortPathNameA(const std::wstring& path) = 0;
    // A whole file's bytes, unchanged: empty for a file that is not there; none when it cannot be
    // read.
    virtual std::optional<std::string> ReadWholeFile(const std::wstring& path) = 0;
    // Makes the file hold exactly `bytes`, creating it when missing, and has the system put them
    // on the disk before it returns; false when it cannot. The file is emptied first, so a failure
    // (a full disk, a power cut) can leave it short: replace a file that matters through a file of
    // its own, read back, and MoveFileA.
    virtual bool WriteWholeFile(const std::wstring& path, const std::string& bytes) = 0;
    // MoveFileA: gives the file `existing` the name `newName` in the same folder; false when a file
    // of that name is there already or the file cannot be renamed (the reason in GetLastError).
    // Windows 95, 98 and ME have no MoveFileEx, which replaces a file: this is their way.
    virtual bool MoveFileA(const std::wstring& existing, const std::wstring& newName) = 0;
};

}  // namespace torvexa
