// Tool Help and process control over the real kernel32 calls.
#pragma once

#include "platform/process_api.h"

namespace torvexa::win32 {

class Win32ProcessApi final : public ProcessApi {
  public:
    Handle CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) override;
    bool Process32First(Handle snapshot, ProcessEntry32& entry) override;
    bool Process32Next(Handle snapshot, ProcessEntry32& entry) override;
    bool Module32FirstW(Handle snapshot, ModuleEntry32& entry) override;
    bool QueryFullProcessImageNameW(Handle process, std::uint32_t flags,
                                    std::wstring& exeName) override;
    ProcessId GetCurrentProcessId() override;
    bool ProcessIdToSessionId(ProcessId id, std::uint32_t& session) override;
    Handle OpenProcess(std::uint32_t desiredAccess, bool inheritHandle, ProcessId id) override;
    bool GetProcessTimes(Handle process, std::uint64_t& creationTime) override;
    bool GetExitCodeProcess(Handle process, std::uint32_t& exitCode) override;
    bool TerminateProcess(Handle process, std::uint32_t exitCode) override;
    bool CloseHandle(Handle handle) override;
    std::uint32_t GetLastError() override;
};

}  // namespace torvexa::win32
