#include "platform/win32/win32_system.h"

#include "platform/win32/ansi.h"
#include "platform/win32/system_dlls.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

bool Win32FileSystem::DeleteFileA(const std::wstring& path) {
    return ::DeleteFileA(ToAnsi(path).c_str()) != FALSE;
}

Presence Win32FileSystem::FileExists(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Presence::Present;
    const DWORD error = ::GetLastError();
    // Only "not there" proves absence; any other failure leaves the question open.
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Presence::Absent
                                                                          : Presence::Unknown;
}

std::uint32_t Win32FileSystem::GetLastError() {
    return ::GetLastError();
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
