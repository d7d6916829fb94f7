#include "process/mdlProcess.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string_view>

#include "platform/owned_handle.h"
#include "platform/runtime_error.h"

namespace torvexa {
namespace {

constexpr const wchar_t* kModule = L"mdlProcess";
constexpr const wchar_t* kEnum = L"Process32_Enum";
constexpr const wchar_t* kKill = L"Kill_Process";
constexpr std::uint32_t kErrorNoMoreFiles = 18;  // ERROR_NO_MORE_FILES: the walk's normal end

wchar_t Folded(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Whether a process record names the program `name`: the name it holds, up to its first NUL (the
// rest of the field is whatever the record held before), is `name` without regard to letter case,
// as the file system compares file names (a program started from "MONIKER.exe" is listed so). On
// Windows 9x the record holds the program's full path: its file-name part is compared, so that a
// folder's name never matches. A longer name that contains `name` is another program.
bool NameMatches(const ProcessEntry32& e, const std::wstring& name) {
    const std::wstring_view field(e.szExeFile.data(), e.szExeFile.size());
    std::wstring_view file = field.substr(0, field.find(L'\0'));
    file.remove_prefix(file.find_last_of(L'\\') + 1);  // npos + 1 == 0: a bare name stays whole
    return std::equal(file.begin(), file.end(), name.begin(), name.end(),
                      [](wchar_t a, wchar_t b) { return Folded(a) == Folded(b); });
}

}  // namespace

void mdlProcess::ReportApi(std::uint32_t lastError, const wchar_t* description,
                           const wchar_t* procedure) {
    errors_.ReportApiError(static_cast<std::int32_t>(lastError), description, kModule, procedure);
}

// The enumeration's failure trap: a run-time failure in one step is reported and the procedure
// resumes with the step after it.
template <typename Step>
void mdlProcess::Trap(Step&& step) {
    try {
        step();
    } catch (const RuntimeError& e) {
        errors_.ReportRuntimeError(e.number(), e.description(), kModule, kEnum);
    } catch (const std::bad_alloc&) {
        errors_.ReportRuntimeError(RuntimeError::kOutOfMemory, L"Out of memory", kModule, kEnum);
    } catch (const std::out_of_range&) {
        errors_.ReportRuntimeError(RuntimeError::kSubscriptOutOfRange, L"Subscript out of range",
                                   kModule, kEnum);
    } catch (const std::exception&) {
        errors_.ReportRuntimeError(RuntimeError::kInvalidArgument,
                                   L"Invalid procedure call or argument", kModule, kEnum);
    }
}

void mdlProcess::ResizeTable(std::vector<ProcessEntry32>& table, std::size_t size, bool preserve) {
    if (!preserve) table.clear();
    table.resize(size);
}

std::int32_t mdlProcess::Process32_Enum(std::vector<ProcessEntry32>& table) {
    ProcessEntry32 entry{};  // one working record for the whole walk, never cleared between entries
    std::int32_t counter = 0;
    SnapshotHandle snapshot(api_, kInvalidHandleValue);
    bool ok = false;

    Trap([&] { ResizeTable(table, 1, false); });

    Trap([&] {
        snapshot = SnapshotHandle(api_, api_.CreateToolhelp32Snapshot(kSnapProcess, 0));
        if (!snapshot) {
            const std::uint32_t code = api_.GetLastError();
            ReportApi(code, L"CreateToolHelp32Snapshoot failed ::: INVALID_HANDLE_VALUE", kEnum);
        }
    });
    // A failed snapshot is not an early return: Process32First on that value fails in its turn.

    entry.dwSize = ProcessEntry32::kSystemSize;
    Trap([&] {
        ok = api_.Process32First(snapshot.get(), entry);
        if (!ok) {
            const std::uint32_t code = api_.GetLastError();
            ReportApi(code, L"Process32First failed", kEnum);
        }
    });

    // Closed explicitly, whatever value the snapshot call gave, so that a failed close is reported.
    auto closeSnapshot = [&] {
        Trap([&] {
            if (!api_.CloseHandle(snapshot.release())) {
                const std::uint32_t code = api_.GetLastError();
                ReportApi(code, L"CloseHandle failed", kEnum);
            }
        });
    };

    if (!ok) {
        lastEnumReadToEnd_ = false;
        closeSnapshot();
        return -1;
    }

    Trap([&] { ResizeTable(table, 1, false); });
    Trap([&] { table.at(0) = entry; });

    for (;;) {
        bool more = false;
        // Unless the walk ends where the system says no entries are left, the rest of the list
        // is unread, and a program there is not seen. The cause is asked for that alone: the
        // end of the walk is never reported.
        bool ended = false;
        Trap([&] {
            more = api_.Process32Next(snapshot.get(), entry);
            if (!more) ended = api_.GetLastError() == kErrorNoMoreFiles;
        });
        if (!more) {
            lastEnumReadToEnd_ = ended;
            break;
        }
        ++counter;
        Trap([&] { ResizeTable(table, static_cast<std::size_t>(counter) + 1, true); });
        Trap([&] { table.at(static_cast<std::size_t>(counter)) = entry; });
    }

    closeSnapshot();
    return counter;
}

ProcessId mdlProcess::GetProcessIdByName(const std::wstring& name) {
    const ProcessLookup found = Lookup(name, true);
    return found.ids.empty() ? 0 : found.ids.front();
}

ProcessLookup mdlProcess::FindByName(const std::wstring& name) {
    return Lookup(name, false);
}

ProcessLookup mdlProcess::Lookup(const std::wstring& name, bool firstOnly) {
    const std::int32_t last = Process32_Enum(processEntries_);
    ProcessLookup found{{}, lastEnumReadToEnd_};
    std::vector<ProcessId>& ids = found.ids;
    for (std::int32_t i = 0; i <= last; ++i) {
        // Only a failed growth in the enumeration can leave the count beyond the table.
        if (static_cast<std::size_t>(i) >= processEntries_.size()) {
            throw RuntimeError(RuntimeError::kSubscriptOutOfRange, L"Subscript out of range");
        }
        const ProcessEntry32& e = processEntries_[static_cast<std::size_t>(i)];
        if (!NameMatches(e, name)) continue;
        ids.push_back(e.th32ProcessID);
        if (firstOnly) break;
    }
    return found;
}

bool mdlProcess::IsListed(ProcessId id) {
    std::vector<ProcessEntry32> table;
    const std::int32_t last = Process32_Enum(table);
    if (!lastEnumReadToEnd_) return true;
    const std::size_t count = std::min(table.size(), static_cast<std::size_t>(last) + 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (table[i].th32ProcessID == id) return true;
    }
    return false;
}

std::optional<std::wstring> mdlProcess::ImagePath(ProcessId id) {
    // Windows 9x names the path in the process record; a record with the name alone (a system
    // that reports itself as 9x but keeps NT's records) leaves it to the module list.
    if (recordsHoldPaths_) {
        if (std::optional<std::wstring> path = PathInEntry(id)) return path;
    }
    {
        // A process that has ended keeps its record while anyone holds it open: only a running
        // one is asked.
        ProcessHandle process(api_, api_.OpenProcess(kProcessQueryInformation, false, id));
        std::uint32_t exitCode = 0;
        std::wstring path;
        if (process && api_.GetExitCodeProcess(process.get(), exitCode) &&
            exitCode == kStillActive && api_.QueryFullProcessImageNameW(process.get(), 0, path) &&
            !path.empty()) {
            return path;
        }
    }
    // A module snapshot fails with ERROR_BAD_LENGTH while the process is still loading or
    // unloading modules; it is taken again, a few times at most.
    constexpr int kTries = 3;
    constexpr std::uint32_t kErrorBadLength = 24;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const SnapshotHandle snapshot(api_, api_.CreateToolhelp32Snapshot(kSnapModule, id));
        if (!snapshot) {
            if (api_.GetLastError() == kErrorBadLength) continue;
            return std::nullopt;
        }
        ModuleEntry32 module;
        if (!api_.Module32FirstW(snapshot.get(), module) || module.szExePath.empty()) {
            return std::nullopt;
        }
        return module.szExePath;
    }
    return std::nullopt;
}

std::optional<std::wstring> mdlProcess::PathInEntry(ProcessId id) {
    std::vector<ProcessEntry32> table;
    const std::int32_t last = Process32_Enum(table);
    const std::size_t count = last < 0 ? 0 : std::min(table.size(), std::size_t(last) + 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (table[i].th32ProcessID != id) continue;
        const std::wstring_view field(table[i].szExeFile.data(), table[i].szExeFile.size());
        const std::wstring_view path = field.substr(0, field.find(L'\0'));
        if (path.find(L'\\') == std::wstring_view::npos) return std::nullopt;
        return std::wstring(path);
    }
    return std::nullopt;
}

std::optional<std::uint64_t> mdlProcess::StartTime(ProcessId id) {
    const ProcessHandle process(api_, api_.OpenProcess(kProcessQueryInformation, false, id));
    std::uint64_t started = 0;
    if (!process || !api_.GetProcessTimes(process.get(), started)) return std::nullopt;
    return started;
}

std::optional<bool> mdlProcess::InThisSession(ProcessId id) {
    std::uint32_t ours = 0, theirs = 0;
    if (!api_.ProcessIdToSessionId(api_.GetCurrentProcessId(), ours)) {
        if (api_.GetLastError() == kErrorCallNotImplemented) return true;  // one user at a time
        return std::nullopt;
    }
    if (!api_.ProcessIdToSessionId(id, theirs)) return std::nullopt;
    return ours == theirs;
}

void mdlProcess::Kill_Process(ProcessId id) {
    std::uint32_t exitCode = 0;

    // The owner is the safety net for a report that throws (memory running out).
    ProcessHandle process(
        api_, api_.OpenProcess(kProcessTerminate | kProcessQueryInformation, false, id));
    if (!process) {
        const std::uint32_t code = api_.GetLastError();
        ReportApi(code, L"OpenProcess failed", kKill);
    }

    // The exit code read is not examined: a process that has ended is terminated all the same.
    if (!api_.GetExitCodeProcess(process.get(), exitCode)) {
        const std::uint32_t code = api_.GetLastError();
        ReportApi(code, L"GetExitCodeProcess failed", kKill);
    }

    if (!api_.TerminateProcess(process.get(), exitCode)) {
        const std::uint32_t code = api_.GetLastError();
        ReportApi(code, L"TerminateProcess failed", kKill);
    }

    // Closed explicitly, a failed open's 0 included, so that a failed close is reported.
    if (!api_.CloseHandle(process.release())) {
        const std::uint32_t code = api_.GetLastError();
        ReportApi(code, L"CloseHandle failed", kKill);
    }
}

}  // namespace torvexa
