#include "app/disinfection.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "app/guarded.h"
#include "app/worm.h"
#include "platform/owned_handle.h"

namespace torvexa {
namespace {

// The marks a worm sets on its files to keep them: read-only stops a deletion, hidden and system
// keep the file out of sight.
constexpr std::uint32_t kKeepingMarks =
    kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeSystem;

// The answers Windows gives for a file it cannot delete now but will at a restart: held open
// without delete sharing, locked, or mapped into a process (a running program or a loaded DLL,
// which shows as access denied once the marks are cleared).
bool InUse(std::uint32_t error) {
    return error == kErrorSharingViolation || error == kErrorLockViolation ||
           error == kErrorAccessDenied || error == kErrorUserMappedFile;
}

}  // namespace

Verdict Assess(const Remnants& r) {
    if (!r.processes.empty() || !r.runValues.empty() || !r.files.empty()) return Verdict::Infected;
    if (r.processesUnchecked || r.runKeyUnchecked) return Verdict::Unchecked;
    return r.AnythingPending() ? Verdict::Restart : Verdict::Clean;
}

Disinfection::Disinfection(mdlProcess& process, Registro& registro, RegistryApi& registry,
                           FileSystemApi& files, Clock& clock)
    : process_(process),
      registro_(registro),
      registry_(registry),
      files_(files),
      clock_(clock),
      restartDeletes_(registry, files) {}

Remnants Disinfection::Run() {
    std::vector<ProcessId> terminated;
    for (const wchar_t* name : worm::kProcesses) {
        Guarded([&] {
            const ProcessId id = KillByName(name);
            if (id != 0) terminated.push_back(id);
        });
    }
    // Termination is not synchronous, and a process that is still exiting keeps its file locked.
    if (!terminated.empty()) Guarded([&] { WaitUntilGone(terminated); });

    for (const wchar_t* value : worm::kRunValues) {
        Guarded([&] {
            std::wstring path(worm::kRunKeyPath);  // a fresh copy: the call rewrites its argument
            registro_.DeleteRegValue(path, value);
        });
    }
    for (const wchar_t* file : worm::kFiles) {
        Guarded([&] { RemoveFile(file); });
    }
    return Check();
}

Remnants Disinfection::Check() {
    Remnants left;
    std::vector<std::pair<const wchar_t*, ProcessId>> running;
    for (const wchar_t* name : worm::kProcesses) {
        bool checked = false;
        Guarded([&] {
            const ProcessId id = process_.GetProcessIdByName(name);
            checked = id != 0 || process_.LastSnapshotTaken();
            if (id != 0) running.emplace_back(name, id);
        });
        left.processesUnchecked = left.processesUnchecked || !checked;
    }
    for (const wchar_t* value : worm::kRunValues) {
        Presence there = Presence::Unknown;
        Guarded([&] { there = RunValue(value); });
        if (there == Presence::Present) left.runValues.emplace_back(value);
        left.runKeyUnchecked = left.runKeyUnchecked || there == Presence::Unknown;
    }
    std::optional<std::vector<PendingOperation>> pending;
    Guarded([&] { pending = restartDeletes_.Read(); });
    for (const wchar_t* file : worm::kFiles) {
        Presence there = Presence::Unknown;
        bool goesAtRestart = false;
        Guarded([&] {
            there = files_.FileExists(file);
            // A file waiting to be deleted may no longer be examined at all (Windows before 10
            // answers access denied for it): recorded for the restart, it goes all the same.
            goesAtRestart = there != Presence::Absent && pending &&
                            restartDeletes_.Deletes(*pending, RealPath(file));
        });
        if (there == Presence::Absent) continue;
        (goesAtRestart ? left.pending : left.files).emplace_back(file);
    }
    for (const auto& program : running) {
        bool goes = false;
        Guarded([&] { goes = GoesWithRestart(program.second, left); });
        (goes ? left.pendingProcesses : left.processes).emplace_back(program.first);
    }
    return left;
}

bool Disinfection::GoesWithRestart(ProcessId id, const Remnants& seen) {
    // A Run value left, or a Run key that could not be read, may start the program again after
    // the restart; a program that hosts the worm's DLL is none of these names and is never asked.
    if (seen.pending.empty() || !seen.runValues.empty() || seen.runKeyUnchecked) return false;
    const std::optional<std::wstring> image = ImagePathOf(id);
    if (!image) return false;  // from anywhere else, or from where nobody can tell: it stays
    return std::any_of(seen.pending.begin(), seen.pending.end(),
                       [&](const std::wstring& file) { return SamePath(*image, RealPath(file)); });
}

bool Disinfection::CloseMessenger() {
    bool closed = false;  // unless shown otherwise: a step that failed proves nothing
    Guarded([&] {
        const ProcessId id = KillByName(worm::kMessenger);
        // Nothing found in a list that could not be read is no proof that none was running.
        closed = id == 0 ? process_.LastSnapshotTaken() : WaitUntilGone({id});
    });
    return closed;
}

ProcessId Disinfection::KillByName(const wchar_t* name) {
    const ProcessId id = process_.GetProcessIdByName(name);
    process_.Kill_Process(id);
    return id;
}

template <typename Done>
bool Disinfection::PollUntil(std::uint32_t limitMilliseconds, Done done) {
    const std::uint32_t start = clock_.Milliseconds();
    for (;;) {
        if (done()) return true;
        // The bound is the time that has passed, the checks' own time included.
        // Unsigned 32-bit arithmetic: right also when the tick count wraps during the wait.
        const std::uint32_t waited = clock_.Milliseconds() - start;
        if (waited >= limitMilliseconds) return false;
        clock_.Sleep(std::min(kPollMilliseconds, limitMilliseconds - waited));
    }
}

bool Disinfection::WaitUntilGone(const std::vector<ProcessId>& ids) {
    return PollUntil(kWaitLimitMilliseconds, [&] {
        return std::none_of(ids.begin(), ids.end(),
                            [&](ProcessId id) { return process_.IsListed(id); });
    });
}

std::optional<std::wstring> Disinfection::ImagePathOf(ProcessId id) {
    // A program that has only just started (a host of the worm's DLL starts it again the moment
    // it ends) is listed before its loader has built the module list that Windows before Vista
    // reads its path from. It is judged on what it is once that is there, not on when it was
    // looked at; a program that has ended meanwhile, or whose path stays unreadable, is left.
    std::optional<std::wstring> image;
    PollUntil(kImageWaitLimitMilliseconds, [&] {
        image = process_.ImagePath(id);
        return image.has_value() || !process_.IsListed(id);
    });
    return image;
}

Presence Disinfection::RunValue(const std::wstring& name) {
    const OpenedKey run = OpenRegistryKey(registry_, kHkeyLocalMachine,
                                          std::wstring(worm::kRunSubKey), kKeyQueryValue);
    if (run.status == kErrorFileNotFound) return Presence::Absent;  // no Run key: no Run value
    if (run.status != kErrorSuccess) return Presence::Unknown;
    const std::int32_t found = registry_.RegQueryValueExA(run.key.get(), name);
    if (found == kErrorSuccess) return Presence::Present;
    return found == kErrorFileNotFound ? Presence::Absent : Presence::Unknown;
}

void Disinfection::RemoveFile(const std::wstring& path) {
    // The file is the worm's whatever its marks say; nothing but these three paths is touched.
    const std::uint32_t attributes = files_.GetFileAttributesW(path);
    const bool readable = attributes != kInvalidFileAttributes;
    const bool directory = readable && (attributes & kFileAttributeDirectory) != 0;
    if (readable && !directory && (attributes & kKeepingMarks) != 0) {
        const std::uint32_t cleared = attributes & ~kKeepingMarks;
        files_.SetFileAttributesW(path, cleared == 0 ? kFileAttributeNormal : cleared);
    }
    if (files_.DeleteFileA(path)) {
        // Windows accepts the delete of a file that another program holds open with delete
        // sharing, and the name stays until that program lets go: a file in use like any other.
        if (files_.FileExists(path) == Presence::Absent) return;
    } else {
        const std::uint32_t error = files_.GetLastError();
        if (directory || !InUse(error)) return;  // missing, or not a file the restart should take
    }
    DeleteAtRestart(path);
}

void Disinfection::DeleteAtRestart(const std::wstring& path) {
    const std::wstring real = RealPath(path);
    const auto pending = restartDeletes_.Read();
    // An unreadable list could already hold the file, and a written record could not be
    // confirmed: the file is then reported as left, not recorded blindly.
    if (!pending || restartDeletes_.Deletes(*pending, real)) return;
    restartDeletes_.Add(real);
}

std::wstring Disinfection::RealPath(const std::wstring& path) {
    const std::optional<std::wstring> redirectedTo = files_.GetSystemWow64DirectoryW();
    const std::size_t slash = path.find_last_of(L'\\');
    if (!redirectedTo || slash == std::wstring::npos) return path;
    if (!SamePath(std::wstring_view(path).substr(0, slash), files_.GetSystemDirectoryW())) {
        return path;
    }
    return *redirectedTo + path.substr(slash);
}

}  // namespace torvexa
