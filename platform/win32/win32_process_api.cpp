#include "platform/win32/win32_process_api.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <utility>

#include "platform/win32/ansi.h"
#include "platform/win32/text_api.h"
#include "platform/win32/win.h"

#ifndef _WIN64
static_assert(sizeof(PROCESSENTRY32) == torvexa::ProcessEntry32::kSystemSize,
              "the program exchanges the 32-bit, 8-bit-character record");
#endif

namespace torvexa::win32 {
namespace {

// Torvexa.exe is a 32-bit program. Its layer is also built for 64-bit Windows, only to be tested
// on machines that cannot run 32-bit code: there the system's record is 304 bytes, and the
// program's 296 stands for it both ways, so that the logic sees what it sees on 32-bit.
DWORD SystemSize(std::uint32_t programSize) {
    return programSize == ProcessEntry32::kSystemSize ? sizeof(PROCESSENTRY32) : programSize;
}
std::uint32_t ProgramSize(DWORD systemSize) {
    return systemSize == sizeof(PROCESSENTRY32) ? ProcessEntry32::kSystemSize : systemSize;
}

HANDLE ToHandle(Handle h) {
    return reinterpret_cast<HANDLE>(h);
}

// The working record's name goes to the system as exactly 260 bytes in the ANSI code page, NULs
// and tail included, and comes back widened to exactly 260 characters.
void Narrow(const ProcessEntry32& from, PROCESSENTRY32& to) {
    to.dwSize = SystemSize(from.dwSize);
    to.cntUsage = from.cntUsage;
    to.th32ProcessID = from.th32ProcessID;
    to.th32DefaultHeapID = from.th32DefaultHeapID;
    to.th32ModuleID = from.th32ModuleID;
    to.cntThreads = from.cntThreads;
    to.th32ParentProcessID = from.th32ParentProcessID;
    to.pcPriClassBase = from.pcPriClassBase;
    to.dwFlags = from.dwFlags;
    const std::string bytes = ToAnsi(std::wstring(from.szExeFile.data(), from.szExeFile.size()));
    std::memset(to.szExeFile, 0, sizeof(to.szExeFile));
    std::memcpy(to.szExeFile, bytes.data(), std::min(bytes.size(), sizeof(to.szExeFile)));
}

void Widen(const PROCESSENTRY32& from, ProcessEntry32& to) {
    to.dwSize = ProgramSize(from.dwSize);
    to.cntUsage = from.cntUsage;
    to.th32ProcessID = from.th32ProcessID;
    to.th32DefaultHeapID = static_cast<std::uint32_t>(from.th32DefaultHeapID);
    to.th32ModuleID = from.th32ModuleID;
    to.cntThreads = from.cntThreads;
    to.th32ParentProcessID = from.th32ParentProcessID;
    to.pcPriClassBase = from.pcPriClassBase;
    to.dwFlags = from.dwFlags;
    const std::wstring name = FromAnsi(from.szExeFile, sizeof(from.szExeFile));
    to.szExeFile.fill(L'\0');
    std::copy_n(name.begin(), std::min(name.size(), to.szExeFile.size()), to.szExeFile.begin());
}

template <typename Call>
bool Exchange(Call call, Handle snapshot, ProcessEntry32& entry) {
    PROCESSENTRY32 record{};
    Narrow(entry, record);
    const BOOL ok = call(ToHandle(snapshot), &record);
    const DWORD error = ::GetLastError();
    Widen(record, entry);
    ::SetLastError(error);  // the widening must not disturb the caller's last error
    return ok != FALSE;
}

}  // namespace

Handle Win32ProcessApi::CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) {
    return reinterpret_cast<Handle>(::CreateToolhelp32Snapshot(flags, processId));
}

bool Win32ProcessApi::Process32First(Handle snapshot, ProcessEntry32& entry) {
    return Exchange(::Process32First, snapshot, entry);
}

bool Win32ProcessApi::Process32Next(Handle snapshot, ProcessEntry32& entry) {
    return Exchange(::Process32Next, snapshot, entry);
}

bool Win32ProcessApi::Module32FirstW(Handle snapshot, ModuleEntry32& entry) {
    DWORD processId = 0;
    std::wstring path;
    const bool ok = FirstModulePath(ToHandle(snapshot), processId, path);
    const DWORD error = ::GetLastError();
    if (ok) {
        entry.th32ProcessID = processId;
        entry.szExePath = std::move(path);
    }
    ::SetLastError(error);
    return ok;
}

bool Win32ProcessApi::QueryFullProcessImageNameW(Handle process, std::uint32_t flags,
                                                 std::wstring& exeName) {
    std::wstring path;
    const bool ok = FullProcessImageName(ToHandle(process), flags, path);
    const DWORD error = ::GetLastError();
    if (ok) exeName = std::move(path);
    ::SetLastError(error);
    return ok;
}

ProcessId Win32ProcessApi::GetCurrentProcessId() {
    return ::GetCurrentProcessId();
}

bool Win32ProcessApi::ProcessIdToSessionId(ProcessId id, std::uint32_t& session) {
    DWORD value = 0;
    if (!SessionOfProcess(id, value)) return false;
    session = value;
    return true;
}

Handle Win32ProcessApi::OpenProcess(std::uint32_t desiredAccess, bool inheritHandle, ProcessId id) {
    return reinterpret_cast<Handle>(::OpenProcess(desiredAccess, inheritHandle ? TRUE : FALSE, id));
}

bool Win32ProcessApi::GetProcessTimes(Handle process, std::uint64_t& creationTime) {
    // Looked up: whether 95, 98 and ME export it could not be shown, and they keep no such time.
    using TimesFn = BOOL(WINAPI*)(HANDLE, LPFILETIME, LPFILETIME, LPFILETIME, LPFILETIME);
    static const auto times = reinterpret_cast<TimesFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetProcessTimes")));
    if (times == nullptr || OnWindows9x()) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!times(ToHandle(process), &created, &exited, &kernel, &user)) return false;
    creationTime = (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
    return true;
}

bool Win32ProcessApi::GetExitCodeProcess(Handle process, std::uint32_t& exitCode) {
    DWORD code = exitCode;
    const BOOL ok = ::GetExitCodeProcess(ToHandle(process), &code);
    exitCode = code;
    return ok != FALSE;
}

bool Win32ProcessApi::TerminateProcess(Handle process, std::uint32_t exitCode) {
    return ::TerminateProcess(ToHandle(process), exitCode) != FALSE;
}

bool Win32ProcessApi::CloseHandle(Handle handle) {
    return ::CloseHandle(ToHandle(handle)) != FALSE;
}

std::uint32_t Win32ProcessApi::GetLastError() {
    return ::GetLastError();
}

}  // namespace torvexa::win32
