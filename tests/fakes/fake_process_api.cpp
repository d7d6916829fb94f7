#include "tests/fakes/fake_process_api.h"

#include <algorithm>

#include "platform/runtime_error.h"

namespace torvexa::fakes {
namespace {

std::wstring Hex(Handle h) {
    wchar_t buf[32];
    swprintf(buf, 32, L"%#llx", static_cast<unsigned long long>(h));
    return buf;
}

}  // namespace

Handle FakeProcessApi::CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t processId) {
    calls.push_back(L"CreateToolhelp32Snapshot(" + std::to_wstring(flags) + L"," +
                    std::to_wstring(processId) + L")");
    if (snapshotFails) {
        lastError_ = *snapshotFails;
        return kInvalidHandleValue;
    }
    if (flags == kSnapModule) return ModuleSnapshot(processId);
    if (onProcessSnapshot) {
        if (const std::optional<std::uint32_t> error = onProcessSnapshot()) {
            lastError_ = *error;
            return kInvalidHandleValue;
        }
    }
    const Handle h = nextHandle_++;
    openHandles.insert(h);
    snapshots_[h] = processes;
    cursor_[h] = 0;
    // A terminated process that is still exiting is listed by this many more snapshots.
    std::erase_if(processes,
                  [](FakeProcess& p) { return p.terminated && --p.lingerSnapshots <= 0; });
    for (FakeProcess& p : processes) p.startingSnapshots = std::max(p.startingSnapshots - 1, 0);
    return h;
}

Handle FakeProcessApi::ModuleSnapshot(ProcessId id) {
    if (moduleBadLengths > 0) {
        --moduleBadLengths;
        lastError_ = 24;  // ERROR_BAD_LENGTH
        return kInvalidHandleValue;
    }
    FakeProcess* p = Find(id);
    const bool inLoader = p != nullptr && p->moduleSnapshotsTaken++ < p->loaderSnapshots;
    if (p == nullptr || !p->image || inLoader) {
        // Gone: ERROR_INVALID_PARAMETER; out of reach (a 64-bit process, say) or still in its
        // loader: ERROR_PARTIAL_COPY.
        lastError_ = p == nullptr ? 87 : 299;
        return kInvalidHandleValue;
    }
    const Handle h = nextHandle_++;
    openHandles.insert(h);
    modules_[h] = {id, *p->image};
    return h;
}

bool FakeProcessApi::Module32FirstW(Handle snapshot, ModuleEntry32& entry) {
    calls.push_back(L"Module32FirstW(" + Hex(snapshot) + L")");
    auto it = modules_.find(snapshot);
    if (it == modules_.end()) {
        lastError_ = 6;  // ERROR_INVALID_HANDLE
        return false;
    }
    entry = it->second;
    return true;
}

bool FakeProcessApi::QueryFullProcessImageNameW(Handle process, std::uint32_t flags,
                                                std::wstring& exeName) {
    calls.push_back(L"QueryFullProcessImageNameW(" + Hex(process) + L"," + std::to_wstring(flags) +
                    L")");
    auto h = processHandles_.find(process);
    if (!fullImageNames) {
        lastError_ = kErrorCallNotImplemented;
        return false;
    }
    FakeProcess* p = h == processHandles_.end() ? nullptr : Find(h->second);
    if (p == nullptr || !p->image) {
        lastError_ = p == nullptr ? 6 : 5;  // ERROR_INVALID_HANDLE; ERROR_ACCESS_DENIED
        return false;
    }
    exeName = *p->image;
    return true;
}

FakeProcess* FakeProcessApi::Find(ProcessId id) {
    auto p = std::find_if(processes.begin(), processes.end(),
                          [&](const FakeProcess& fp) { return fp.id == id; });
    return p == processes.end() ? nullptr : &*p;
}

bool FakeProcessApi::Deliver(Handle snapshot, ProcessEntry32& entry) {
    auto it = snapshots_.find(snapshot);
    if (it == snapshots_.end()) {
        lastError_ = 6;  // ERROR_INVALID_HANDLE
        return false;
    }
    std::size_t& at = cursor_[snapshot];
    if (at >= it->second.size()) {
        lastError_ = noMoreFilesError;
        return false;
    }
    const FakeProcess& p = it->second[at++];
    entry.th32ProcessID = p.id;
    entry.cntThreads = 1;
    const std::size_t n = std::min(p.name.size(), entry.szExeFile.size() - 1);
    std::copy_n(p.name.begin(), n, entry.szExeFile.begin());
    entry.szExeFile[n] = L'\0';
    return true;
}

bool FakeProcessApi::Process32First(Handle snapshot, ProcessEntry32& entry) {
    calls.push_back(L"Process32First(" + Hex(snapshot) + L"," + std::to_wstring(entry.dwSize) +
                    L")");
    if (firstFails) {
        lastError_ = *firstFails;
        return false;
    }
    cursor_[snapshot] = 0;
    return Deliver(snapshot, entry);
}

bool FakeProcessApi::Process32Next(Handle snapshot, ProcessEntry32& entry) {
    calls.push_back(L"Process32Next(" + Hex(snapshot) + L")");
    if (nextFails && cursor_[snapshot] >= nextFailsAfter) {
        lastError_ = *nextFails;
        return false;
    }
    return Deliver(snapshot, entry);
}

bool FakeProcessApi::ProcessIdToSessionId(ProcessId id, std::uint32_t& session) {
    if (!ownSession) {
        lastError_ = kErrorCallNotImplemented;
        return false;
    }
    if (id == kOwnId) {
        session = *ownSession;
        return true;
    }
    const FakeProcess* p = Find(id);
    if (p == nullptr || !IsRunning(id)) {
        lastError_ = 87;  // ERROR_INVALID_PARAMETER: no such process
        return false;
    }
    session = p->session;
    return true;
}

Handle FakeProcessApi::OpenProcess(std::uint32_t desiredAccess, bool inheritHandle, ProcessId id) {
    calls.push_back(L"OpenProcess(" + Hex(desiredAccess) + L"," + (inheritHandle ? L"1" : L"0") +
                    L"," + std::to_wstring(id) + L")");
    if (throwOnOpen == id) throw RuntimeError(RuntimeError::kOutOfMemory, L"Out of memory");
    if (openFails || id == 0 || !IsRunning(id)) {
        lastError_ = openFails.value_or(87);  // ERROR_INVALID_PARAMETER, as for id 0
        return 0;
    }
    const Handle h = nextHandle_++;
    openHandles.insert(h);
    processHandles_[h] = id;
    return h;
}

bool FakeProcessApi::GetProcessTimes(Handle process, std::uint64_t& creationTime) {
    auto h = processHandles_.find(process);
    FakeProcess* p = h == processHandles_.end() ? nullptr : Find(h->second);
    if (p == nullptr) {
        lastError_ = 6;  // ERROR_INVALID_HANDLE
        return false;
    }
    creationTime = p->started;
    return true;
}

bool FakeProcessApi::GetExitCodeProcess(Handle process, std::uint32_t& code) {
    calls.push_back(L"GetExitCodeProcess(" + Hex(process) + L")");
    if (exitCodeFails || !processHandles_.count(process)) {
        lastError_ = exitCodeFails.value_or(6);
        return false;
    }
    code = exitCode;
    return true;
}

bool FakeProcessApi::TerminateProcess(Handle process, std::uint32_t code) {
    calls.push_back(L"TerminateProcess(" + Hex(process) + L"," + std::to_wstring(code) + L")");
    auto h = processHandles_.find(process);
    if (terminateFails || h == processHandles_.end()) {
        lastError_ = terminateFails.value_or(6);
        return false;
    }
    auto p = std::find_if(processes.begin(), processes.end(),
                          [&](const FakeProcess& fp) { return fp.id == h->second; });
    const auto startsIt = [&](const FakeProcess& q) {
        return !p->partner.empty() && q.name == p->partner && !q.terminated &&
               q.startingSnapshots == 0;
    };
    if (p != processes.end() && !p->survivesTerminate) {
        if (std::any_of(processes.begin(), processes.end(), startsIt)) {
            p->id += 1000;
            p->startingSnapshots = FakeProcess::kSnapshotsToStart;
        } else if (p->comesBack) {
            FakeProcess again = *p;
            again.id += 1000;
            again.moduleSnapshotsTaken = 0;
            *p = again;
        } else if (p->lingerSnapshots > 0) {
            p->terminated = true;
        } else {
            processes.erase(p);
        }
    }
    return true;
}

bool FakeProcessApi::CloseHandle(Handle handle) {
    calls.push_back(L"CloseHandle(" + Hex(handle) + L")");
    if (closeFails || !openHandles.count(handle)) {
        lastError_ = closeFails.value_or(6);
        return false;
    }
    openHandles.erase(handle);
    processHandles_.erase(handle);
    snapshots_.erase(handle);
    modules_.erase(handle);
    return true;
}

bool FakeProcessApi::IsRunning(ProcessId id) const {
    return std::any_of(processes.begin(), processes.end(),
                       [&](const FakeProcess& p) { return p.id == id; });
}

}  // namespace torvexa::fakes
