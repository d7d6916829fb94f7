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

// The answers Windows gives only for a file it cannot delete now but will at a restart: held open
// without delete sharing, locked, or mapped into a process. Access denied is not among them: it
// is also what a lack of rights answers, which the restart meets in the same way.
bool InUse(std::uint32_t error) {
    return error == kErrorSharingViolation || error == kErrorLockViolation ||
           error == kErrorUserMappedFile;
}

// Whether `path` is the file of one of the worm's programs (its DLL is none).
bool IsWormProgram(const std::wstring& path) {
    const std::wstring_view name = std::wstring_view(path).substr(path.find_last_of(L'\\') + 1);
    return std::any_of(std::begin(worm::kProcesses), std::end(worm::kProcesses),
                       [&](const wchar_t* program) { return SamePath(name, program); });
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
    Guarded([&] { EndWormPrograms(); });

    for (const wchar_t* value : worm::kRunValues) {
        Guarded([&] {
            std::wstring path(worm::kRunKeyPath);  // a fresh copy: the call rewrites its argument
            registro_.DeleteRegValue(path, value);
        });
    }
    // Where the worm's programs run from, read once, when a refused delete first needs it.
    std::optional<std::vector<std::wstring>> images;
    for (const wchar_t* file : worm::kFiles) {
        Guarded([&] { RemoveFile(file, images); });
    }
    // The check comes last: a program of the worm that is started again and writes back a Run
    // value or a file is seen in what it wrote, and then stays. What it might write after this,
    // no look can see; the answer names it, so that the user knows it runs until the restart.
    return Check();
}

Remnants Disinfection::Check() {
    Remnants left;
    // Every program of each name: a second one from elsewhere stays whatever the first does.
    std::vector<std::pair<const wchar_t*, std::vector<ProcessId>>> running;
    for (const wchar_t* name : worm::kProcesses) {
        bool checked = false;
        Guarded([&] {
            std::vector<ProcessId> ids = process_.GetProcessIdsByName(name);
            // A list cut short may hold a second program of the name in the part not read.
            checked = process_.LastSnapshotTaken();
            if (!ids.empty()) running.emplace_back(name, std::move(ids));
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
    for (const auto& [name, ids] : running) {
        bool goes = true;
        for (const ProcessId id : ids) {
            bool thisGoes = false;
            Guarded([&] { thisGoes = GoesWithRestart(id, left); });
            goes = goes && thisGoes;
        }
        (goes ? left.pendingProcesses : left.processes).emplace_back(name);
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

void Disinfection::EndWormPrograms() {
    // Two programs of the worm may each start the other again the moment it ends, and a program
    // that hosts its DLL starts them again too. So every program of both names is ended, and the
    // list is looked at again and again, each program that appears ended at once, until it lists
    // none of them (a process that is still exiting keeps its file locked, and is listed until
    // it has exited) or the bound has passed. A program started again is met while it is still
    // starting, before it can start another. Each is ended once: one that is still exiting is
    // waited for, not ended again.
    std::vector<ProcessId> ended;  // short: a host that starts them again adds one a look
    PollUntil(kWaitLimitMilliseconds, kRoundMilliseconds, [&] {
        bool listed = false;
        for (const wchar_t* name : worm::kProcesses) {
            Guarded([&] {
                for (const ProcessId id : process_.GetProcessIdsByName(name)) {
                    listed = true;
                    if (std::find(ended.begin(), ended.end(), id) != ended.end()) continue;
                    ended.push_back(id);
                    process_.Kill_Process(id);
                }
            });
        }
        return !listed;
    });
}

template <typename Done>
bool Disinfection::PollUntil(std::uint32_t limitMilliseconds, std::uint32_t everyMilliseconds,
                             Done done) {
    const std::uint32_t start = clock_.Milliseconds();
    for (;;) {
        if (done()) return true;
        // The bound is the time that has passed, the checks' own time included.
        // Unsigned 32-bit arithmetic: right also when the tick count wraps during the wait.
        const std::uint32_t waited = clock_.Milliseconds() - start;
        if (waited >= limitMilliseconds) return false;
        clock_.Sleep(std::min(everyMilliseconds, limitMilliseconds - waited));
    }
}

bool Disinfection::WaitUntilGone(const std::vector<ProcessId>& ids) {
    return PollUntil(kWaitLimitMilliseconds, kPollMilliseconds, [&] {
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
    PollUntil(kImageWaitLimitMilliseconds, kPollMilliseconds, [&] {
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

void Disinfection::RemoveFile(const std::wstring& path,
                              std::optional<std::vector<std::wstring>>& images) {
    // The file is the worm's whatever its marks say; nothing but these three paths is touched.
    const std::uint32_t attributes = files_.GetFileAttributesW(path);
    const bool readable = attributes != kInvalidFileAttributes;
    const bool directory = readable && (attributes & kFileAttributeDirectory) != 0;
    bool marksCleared = true;
    if (readable && !directory && (attributes & kKeepingMarks) != 0) {
        const std::uint32_t cleared = attributes & ~kKeepingMarks;
        marksCleared =
            files_.SetFileAttributesW(path, cleared == 0 ? kFileAttributeNormal : cleared);
    }
    if (files_.DeleteFileA(path)) {
        // Windows accepts the delete of a file that another program holds open with delete
        // sharing, and the name stays until that program lets go: a file in use like any other.
        if (files_.FileExists(path) == Presence::Absent) return;
    } else {
        const std::uint32_t error = files_.GetLastError();
        if (directory) return;
        // A running program's file and a loaded DLL answer access denied, and so does a file
        // this program has no right to delete, or one whose read-only mark stays: the restart
        // would refuse those too. Access denied counts as in use only with the marks cleared and
        // the file granted to an open for deletion (which a lack of rights refuses, and a mapped
        // file allows), for a program file only when one of the worm's programs is seen running
        // from it, and for the DLL always, since which program loads it cannot be seen.
        const bool mapped = error == kErrorAccessDenied && marksCleared &&
                            (!IsWormProgram(path) || RunsAWormProgram(path, images)) &&
                            MayDelete(path);
        if (!InUse(error) && !mapped) return;  // missing, or not a file the restart would take
    }
    DeleteAtRestart(path);
}

bool Disinfection::RunsAWormProgram(const std::wstring& path,
                                    std::optional<std::vector<std::wstring>>& images) {
    if (!images) {
        images.emplace();
        for (const wchar_t* name : worm::kProcesses) {
            for (const ProcessId id : process_.GetProcessIdsByName(name)) {
                if (std::optional<std::wstring> image = ImagePathOf(id)) {
                    images->push_back(std::move(*image));
                }
            }
        }
    }
    const std::wstring real = RealPath(path);
    return std::any_of(images->begin(), images->end(),
                       [&](const std::wstring& image) { return SamePath(image, real); });
}

bool Disinfection::MayDelete(const std::wstring& path) {
    if (files_.CreateFileW(path, kDeleteAccess)) return true;
    return InUse(files_.GetLastError());  // held without delete sharing: no refusal of rights
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
