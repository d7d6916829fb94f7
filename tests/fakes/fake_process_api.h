// A scripted process table. Snapshots deliver the current list in order, copying each name with
// its NUL into the caller's record and leaving the rest of the field as it was, as the system does.
// Every call is recorded; failures and last-error codes are set by the test.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/process_api.h"

namespace torvexa::fakes {

struct FakeProcess {
    ProcessId id;
    std::wstring name;
    // A process that ignores TerminateProcess (or is not ours to end) stays in the list.
    bool survivesTerminate = false;
    // How many further snapshots still list it after it was terminated (it is still exiting).
    int lingerSnapshots = 0;
    bool terminated = false;
    // The file it runs from, as its module list gives it; none: the list cannot be read.
    std::optional<std::wstring> image = std::nullopt;
    // Started again the moment it ends, under a new id (by a program that hosts the worm's DLL).
    bool comesBack = false;
    // Module snapshots that fail before its loader has built its module list (a process that has
    // only just started), each time it is started.
    int loaderSnapshots = 0;
    int moduleSnapshotsTaken = 0;  // of this start
    // One of two programs that start each other again: started again under a new id the moment
    // it ends while a program named `partner` runs that has finished starting. One that has just
    // been started again is still starting for this many process snapshots.
    std::wstring partner = {};
    int startingSnapshots = 0;
    static constexpr int kSnapshotsToStart = 2;
    std::uint32_t session = 1;  // the logon session it runs in
    std::uint64_t started = 0;  // when it started
};

class FakeProcessApi : public ProcessApi {
  public:
    std::vector<FakeProcess> processes;
    std::vector<std::wstring> calls;

    // Scripted failures: the last error set when the call fails.
    std::optional<std::uint32_t> snapshotFails, firstFails, closeFails;
    std::optional<std::uint32_t> openFails, exitCodeFails, terminateFails;
    std::uint32_t exitCode = kStillActive;
    // Raises a run-time failure from OpenProcess for this id, as a failing step would.
    std::optional<ProcessId> throwOnOpen;
    std::uint32_t noMoreFilesError = 18;  // ERROR_NO_MORE_FILES
    // Process32Next fails with this error once the snapshot has delivered `nextFailsAfter`
    // entries: the rest of the list is never read.
    std::optional<std::uint32_t> nextFails;
    std::size_t nextFailsAfter = 1;
    // Module snapshots that fail with ERROR_BAD_LENGTH before one is taken.
    int moduleBadLengths = 0;
    // Whether QueryFullProcessImageNameW exists (Vista and later): it then answers each process's
    // `image` whatever its loader has done; otherwise it fails with ERROR_CALL_NOT_IMPLEMENTED.
    bool fullImageNames = false;
    // Called for each process snapshot, before it is taken (while time passes, a running program
    // can act); an error it returns fails that snapshot.
    std::function<std::optional<std::uint32_t>()> onProcessSnapshot;

    // This program's own session; none: a system without sessions (98, ME).
    std::optional<std::uint32_t> ownSession = 1;
    static constexpr ProcessId kOwnId = 7000;

    // Handles handed out and not yet closed.
    std::set<Handle> openHandles;

    Handle CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) override;
    bool Process32First(Handle snapshot, ProcessEntry32& entry) override;
    bool Process32Next(Handle snapshot, ProcessEntry32& entry) override;
    bool Module32FirstW(Handle snapshot, ModuleEntry32& entry) override;
    bool QueryFullProcessImageNameW(Handle process, std::uint32_t flags,
                                    std::wstring& exeName) override;
    ProcessId GetCurrentProcessId() override { return kOwnId; }
    bool ProcessIdToSessionId(ProcessId id, std::uint32_t& session) override;
    Handle OpenProcess(std::uint32_t desiredAccess, bool inheritHandle, ProcessId id) override;
    bool GetProcessTimes(Handle process, std::uint64_t& creationTime) override;
    bool GetExitCodeProcess(Handle process, std::uint32_t& code) override;
    bool TerminateProcess(Handle process, std::uint32_t code) override;
    bool CloseHandle(Handle handle) override;
    std::uint32_t GetLastError() override { return lastError_; }

    bool IsRunning(ProcessId id) const;

  private:
    bool Deliver(Handle snapshot, ProcessEntry32& entry);
    Handle ModuleSnapshot(ProcessId id);
    FakeProcess* Find(ProcessId id);

    std::uint32_t lastError_ = 0;
    Handle nextHandle_ = 0x100;
    std::map<Handle, std::vector<FakeProcess>> snapshots_;
    std::map<Handle, std::size_t> cursor_;
    std::map<Handle, ProcessId> processHandles_;
    std::map<Handle, ModuleEntry32> modules_;  // a module snapshot's first module
};

}  // namespace torvexa::fakes
