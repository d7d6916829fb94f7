#include "platform/win32/win32_system.h"

#include "platform/win32/ansi.h"
#include "platform/win32/system_dlls.h"
#include "platform/win32/text_api.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

bool Win32FileSystem::DeleteFile(const std::wstring& path) {
    return RemoveFile(path);
}

Presence Win32FileSystem::FileExists(const std::wstring& path) {
    if (FileAttributes(path) != INVALID_FILE_ATTRIBUTES) return Presence::Present;
    const DWORD error = ::GetLastError();
    // Only "not there" proves absence; any other failure leaves the question open.
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Presence::Absent
                                                                          : Presence::Unknown;
}

std::uint32_t Win32FileSystem::GetLastError() {
    return ::GetLastError();
}

bool Win32FileSystem::CanOpenFor(const std::wstring& path, std::uint32_t access) {
    // 9x has no rights to refuse, and takes FILE_SHARE_DELETE for an invalid parameter: a file
    // that is there is granted, one whose delete it refuses is in use, and WININIT.INI deletes it
    // at the restart. A file that is not there refuses the open, its last error standing.
    if (OnWindows9x()) return FileAttributes(path) != INVALID_FILE_ATTRIBUTES;
    const UniqueFileHandle file(OpenFileAt(
        path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING));
    return static_cast<bool>(file);  // a failed open calls nothing more: its last error stands
}

std::uint32_t Win32FileSystem::GetFileAttributesW(const std::wstring& path) {
    return FileAttributes(path);
}

bool Win32FileSystem::SetFileAttributesW(const std::wstring& path, std::uint32_t attributes) {
    return ChangeFileAttributes(path, attributes);
}

bool Win32FileSystem::MoveFileExW(const std::wstring& existing,
                                  const std::optional<std::wstring>& newName, std::uint32_t flags) {
    return ::MoveFileExW(existing.c_str(), newName ? newName->c_str() : nullptr, flags) != FALSE;
}

std::wstring Win32FileSystem::GetSystemDirectoryW() {
    return SystemDirectory();
}

std::optional<std::wstring> Win32FileSystem::GetSystemWow64DirectoryW() {
    // Both functions are looked up: IsWow64Process exists since XP SP2, GetSystemWow64DirectoryW
    // since XP, and a system without them has no WoW64. A 64-bit process gets an answer from
    // GetSystemWow64DirectoryW too, though nothing is redirected for it: only a process that runs
    // under WoW64 has its system folder elsewhere.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    using GetSystemWow64DirectoryWFn = UINT(WINAPI*)(LPWSTR, UINT);
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return std::nullopt;
    const auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
    const auto getFolder = reinterpret_cast<GetSystemWow64DirectoryWFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetSystemWow64DirectoryW")));
    BOOL wow64 = FALSE;
    if (isWow64 == nullptr || getFolder == nullptr || !isWow64(::GetCurrentProcess(), &wow64) ||
        !wow64) {
        return std::nullopt;
    }
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = getFolder(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return std::nullopt;
    return std::wstring(folder, length);
}

std::optional<std::wstring> Win32FileSystem::ExpandEnvironmentStringsW(const std::wstring& text) {
    return ExpandedEnvironment(text);
}

std::wstring Win32FileSystem::GetWindowsDirectoryW() {
    return WindowsDirectory();
}

std::optional<std::string> Win32FileSystem::GetShortPathNameA(const std::wstring& path) {
    return ShortAnsiPath(path);
}

std::optional<std::string> Win32FileSystem::ReadWholeFile(const std::wstring& path) {
    const UniqueFileHandle file(OpenFileAt(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return std::string();
        return std::nullopt;
    }
    std::string bytes;
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return std::nullopt;
        if (read == 0) return bytes;
        bytes.append(chunk, read);
    }
}

bool Win32FileSystem::WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    UniqueFileHandle file(OpenFileAt(path, GENERIC_WRITE, 0, CREATE_ALWAYS));
    DWORD written = 0;
    // Flushed, then closed and the close checked: the bytes are on the disk, not in a cache that
    // a power cut empties, before anything is renamed on the strength of them.
    return file &&
           ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) &&
           written == bytes.size() && ::FlushFileBuffers(file.get()) &&
           ::CloseHandle(file.release());
}

bool Win32FileSystem::MoveFileA(const std::wstring& existing, const std::wstring& newName) {
    const std::optional<std::string> from = ToAnsiExact(existing), to = ToAnsiExact(newName);
    if (!from || !to) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return ::MoveFileA(from->c_str(), to->c_str()) != FALSE;
}

Handle Win32Shell::ShellExecuteA(Handle window, const std::wstring& verb, const std::wstring& file,
                                 const std::optional<std::wstring>& parameters,
                                 const std::optional<std::wstring>& directory, int showCommand) {
    const std::string v = ToAnsi(verb), f = ToAnsi(file);
    const std::string p = parameters ? ToAnsi(*parameters) : std::string();
    const std::string d = directory ? ToAnsi(*directory) : std::string();
    using ShellExecuteAFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    const auto shellExecute =
        reinterpret_cast<ShellExecuteAFn>(reinterpret_cast<void*>(ShellFunction("ShellExecuteA")));
    // The shell's own answer for a library it cannot find.
    if (shellExecute == nullptr) return SE_ERR_DLLNOTFOUND;
    const HINSTANCE result = shellExecute(reinterpret_cast<HWND>(window), v.c_str(), f.c_str(),
                                          parameters ? p.c_str() : nullptr,
                                          directory ? d.c_str() : nullptr, showCommand);
    return reinterpret_cast<Handle>(result);
}

void Win32Clock::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

std::uint32_t Win32Clock::Milliseconds() {
    return ::GetTickCount();
}

}  // namespace torvexa::win32
