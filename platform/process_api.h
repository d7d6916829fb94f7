// The kernel calls of Tool Help and process control, one method per Windows operation, with the
// system's arguments and failure values. The real layer makes the 8-bit (A) calls with the 296-byte
// record, converting the name through the ANSI code page; fakes script every answer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace torvexa {

// The system's values, under names of our own: the system headers define theirs as macros.
inline constexpr std::uint32_t kSnapProcess = 0x2;                 // TH32CS_SNAPPROCESS
inline constexpr std::uint32_t kSnapModule = 0x8;                  // TH32CS_SNAPMODULE
inline constexpr std::uint32_t kProcessTerminate = 0x0001;         // PROCESS_TERMINATE
inline constexpr std::uint32_t kProcessQueryInformation = 0x0400;  // PROCESS_QUERY_INFORMATION
inline constexpr std::uint32_t kStillActive = 259;                 // STILL_ACTIVE
inline constexpr std::uint32_t kErrorCallNotImplemented = 120;     // ERROR_CALL_NOT_IMPLEMENTED

class ProcessApi {
  public:
    virtual ~ProcessApi() = default;

    // kInvalidHandleValue on failure.
    virtual Handle CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) = 0;
    // The record's name goes to the system as 260 bytes and comes back widened to 260 characters.
    virtual bool Process32First(Handle snapshot, ProcessEntry32& entry) = 0;
    virtual bool Process32Next(Handle snapshot, ProcessEntry32& entry) = 0;
    // The first module of a module snapshot (kSnapModule) is the process's own program: its
    // szExePath is the full path of the file the process runs from. The wide (W) call on NT (a
    // path may hold characters that the ANSI code page lacks), the 8-bit one on 9x.
    virtual bool Module32FirstW(Handle snapshot, ModuleEntry32& entry) = 0;
    // The full path of the file a process runs from (flags 0: the Win32 form), from the record
    // the kernel keeps of the process: unlike a module list, it is there from the moment the
    // process is created, before its loader has run. Windows Vista and later: where the system
    // lacks the function it fails with kErrorCallNotImplemented.
    virtual bool QueryFullProcessImageNameW(Handle process, std::uint32_t flags,
                                            std::wstring& exeName) = 0;

    // The id of this program's own process.
    virtual ProcessId GetCurrentProcessId() = 0;
    // The session that the process `id` runs in: each user logged on at once (fast user
    // switching, terminal services) has one of their own. Windows 2000 and later: where the
    // system lacks the function (95, 98, ME, where one user is logged on) it fails with
    // kErrorCallNotImplemented.
    virtual bool ProcessIdToSessionId(ProcessId id, std::uint32_t& session) = 0;

    // 0 on failure.
    virtual Handle OpenProcess(std::uint32_t desiredAccess, bool inheritHandle, ProcessId id) = 0;
    // When the process started (GetProcessTimes' creation time, in 100 ns units since 1601): a
    // process id is given out again once its process has gone, and this tells the two apart.
    // Windows 95, 98 and ME keep no such time: there it fails with kErrorCallNotImplemented.
    virtual bool GetProcessTimes(Handle process, std::uint64_t& creationTime) = 0;
    virtual bool GetExitCodeProcess(Handle process, std::uint32_t& exitCode) = 0;
    virtual bool TerminateProcess(Handle process, std::uint32_t exitCode) = 0;
    virtual bool CloseHandle(Handle handle) = 0;

    // The calling thread's last-error code; read it right after the call that failed.
    virtual std::uint32_t GetLastError() = 0;
};

}  // namespace torvexa
