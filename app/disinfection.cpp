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

// The file-name part of a full path (the whole of a bare name).
std::wstring_view FileNameOf(std::wstring_view path) {
    return path.substr(path.find_last_of(L'\\') + 1);  // npos + 1 == 0
}

template <std::size_t N>
bool NamedAsOneOf(std::wstring_view path, const wchar_t* const (&names)[N]) {
    const std::wstring_view name = FileNameOf(path);
    return std::any_of(std::begin(names), std::end(names),
                       [&](const wchar_t* n) { return SamePath(name, n); });
}

// Whether `path` is the file of one of the worm's programs (its DLL is none).
bool IsWormProgram(std::wstring_view path) {
    return NamedAsOneOf(path, worm::kProcesses);
}

// The program that a Run value's command line starts: quoted, the text between the quotes;
// unquoted, the shortest run of words that names one of the worm's programs, as Windows tries a
// command line's words in turn until one names a file ("C:\Mis programas\moniker.exe -x"). A
// name without an extension is the ".exe" of that name, as Windows starts it.
std::optional<std::wstring> ProgramOf(std::wstring_view commandLine) {
    const std::size_t start = commandLine.find_first_not_of(L" \t");
    if (start == std::wstring_view::npos) return std::nullopt;
    commandLine.remove_prefix(start);
    std::vector<std::wstring> candidates;
    if (commandLine.front() == L'"') {
        const std::size_t close = commandLine.find(L'"', 1);
        candidates.emplace_back(commandLine.substr(
            1, close == std::wstring_view::npos ? std::wstring_view::npos : close - 1));
    } else {
        for (std::size_t end = 0; end != std::wstring_view::npos;) {
            end = commandLine.find(L' ', end + 1);
            candidates.emplace_back(commandLine.substr(0, end));
        }
    }
    for (std::wstring& program : candidates) {
        if (FileNameOf(program).find(L'.') == std::wstring_view::npos) program += L".exe";
        if (IsWormProgram(program)) return program;
    }
    return std::nullopt;
}

}  // namespace

Verdict Assess(const Remnants& r) {
    if (!r.processes.empty() || !r.runValues.empty() || !r.files.empty()) return Verdict::Infected;
    if (r.processesUnchecked || r.runKeyUnchecked) return Verdict::Unchecked;
    return r.AnythingPending() ? Verdict::Restart : Verdict::Clean;
}

Disinfection::Disinfection(mdlProcess& process, Registro& registro, RegistryApi& registry,
                           FileSystemApi& files, Clock& clock, RestartList& restartList)
    : process_(process),
      registro_(registro),
      registry_(registry),
      files_(files),
      clock_(clock),
      restartDeletes_(restartList) {
    LearnFolderOf(worm::kFiles[0]);
}

Remnants Disinfection::Run() {
    // Where the worm is, learned before its programs are ended and its Run values deleted: they
    // are what shows a folder of its own.
    Check();
    Guarded([&] { EndWormPrograms(); });

    for (const wchar_t* value : worm::kRunValues) {
        Guarded([&] {
            std::wstring path(worm::kRunKeyPath);  // a fresh copy: the call rewrites its argument
            registro_.DeleteRegValue(path, value);
        });
    }
    std::vector<std::wstring> refused;
    for (const std::wstring& file : WormFiles()) {
        Guarded([&] {
            if (RemoveFile(file)) refused.push_back(file);
        });
    }
    for (const std::wstring& file : refused) {
        Guarded([&] { SettleRefusedProgramFile(file); });
    }
    // The check comes last: a program of the worm that is started again and writes back a Run
    // value or a file is seen in what it wrote, and then stays. What it might write after this,
    // no look can see; the answer names it, so that the user knows it runs until the restart.
    return Check();
}

Remnants Disinfection::Check() {
    Remnants left;
    Guarded([&] { LearnFolderOf(files_.GetSystemDirectoryW() + L"\\"); });
    // Every program of each name: a second one from elsewhere stays whatever the first does.
    std::vector<std::pair<const wchar_t*, std::vector<ProcessId>>> running;
    for (const wchar_t* name : worm::kProcesses) {
        bool checked = false;
        Guarded([&] {
            ProcessLookup found = process_.FindByName(name);
            std::vector<ProcessId>& ids = found.ids;
            // A list cut short may hold a second program of the name in the part not read.
            checked = found.complete;
            // Where each runs from, as far as it can be read at once: a program still in its
            // loader is judged later, with a bounded wait, only where that matters.
            for (const ProcessId id : ids) {
                Guarded([&] {
                    if (const auto image = process_.ImagePath(id)) LearnFolderOf(*image);
                });
            }
            if (!ids.empty()) running.emplace_back(name, std::move(ids));
        });
        left.processesUnchecked = left.processesUnchecked || !checked;
    }
    for (const wchar_t* value : worm::kRunValues) {
        Presence there = Presence::Unknown;
        Guarded([&] { there = RunValue(value); });
        if (there == Presence::Present) {
            left.runValues.emplace_back(value);
            Guarded([&] {
                if (const auto program = RunValueProgram(value)) LearnFolderOf(*program);
            });
        }
        left.runKeyUnchecked = left.runKeyUnchecked || there == Presence::Unknown;
    }
    std::optional<std::vector<PendingOperation>> pending;
    Guarded([&] { pending = restartDeletes_.Read(); });
    // A file of the worm's names that waits for the restart is where the worm was: its folder is
    // looked in too, so that nothing of the worm there is forgotten until the restart.
    for (const PendingOperation& op : pending ? *pending : std::vector<PendingOperation>{}) {
        std::wstring_view source = op.source;
        if (source.starts_with(L"\\??\\")) source.remove_prefix(4);
        if (op.target.empty() && NamedAsOneOf(source, worm::kFileNames)) {
            Guarded([&] { LearnFolderOf(std::wstring(source)); });
        }
    }
    for (const std::wstring& file : WormFiles()) {
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
        (goesAtRestart ? left.pending : left.files).push_back(file);
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

void Disinfection::LearnFolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash == 0) return;
    const std::wstring folder = path.substr(0, slash);
    const std::wstring real = RealFolder(folder);
    const bool known = std::any_of(folders_.begin(), folders_.end(), [&](const std::wstring& f) {
        return SamePath(RealFolder(f), real);
    });
    if (!known) folders_.push_back(folder);
}

std::vector<std::wstring> Disinfection::WormFiles() {
    std::vector<std::wstring> paths;
    for (const std::wstring& folder : folders_) {
        for (const wchar_t* name : worm::kFileNames) paths.push_back(folder + L"\\" + name);
    }
    return paths;
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
        const ProcessLookup listed = process_.FindByName(worm::kMessenger);
        // Nothing found in a list that could not be read is no proof that none was running.
        bool known = listed.complete;
        std::vector<ProcessId> ours;
        for (const ProcessId id : listed.ids) {
            const std::optional<bool> inOurs = process_.InThisSession(id);
            known = known && inOurs.has_value();  // a messenger that may be this user's stays
            if (inOurs.value_or(false)) ours.push_back(id);
        }
        // None of this user's: the end of "no process" (id 0) only files its reports, as ever.
        if (ours.empty()) process_.Kill_Process(0);
        for (const ProcessId id : ours) process_.Kill_Process(id);
        closed = WaitUntilGone(ours) && known;
    });
    return closed;
}

void Disinfection::EndWormPrograms() {
    // Two programs of the worm may each start the other again the moment it ends, and a program
    // that hosts its DLL starts them again too. So every program of both names is ended, and the
    // list is looked at again and again, each program that appears ended at once, until it lists
    // none of them (a process that is still exiting keeps its file locked, and is listed until
    // it has exited) or the bound has passed. A program started again is met while it is still
    // starting, before it can start another. Each is ended once: one that is still exiting is
    // waited for, not ended again. Once it is no longer listed its id is free, and Windows soon
    // gives it to another program: a program of the worm's names listed under it later is new.
    // The programs ended, by name, id and start (none where the system keeps no start times).
    struct Ended {
        const wchar_t* name;
        ProcessId id;
        std::optional<std::uint64_t> started;
    };
    std::vector<Ended> ended;  // short: a host that starts them again adds one a look
    PollUntil(kWaitLimitMilliseconds, kRoundMilliseconds, [&] {
        bool listed = false;
        for (const wchar_t* name : worm::kProcesses) {
            Guarded([&] {
                const ProcessLookup found = process_.FindByName(name);
                const std::vector<ProcessId>& ids = found.ids;
                if (found.complete) {
                    std::erase_if(ended, [&](const Ended& e) {
                        return e.name == name &&
                               std::find(ids.begin(), ids.end(), e.id) == ids.end();
                    });
                }
                for (const ProcessId id : ids) {
                    listed = true;
                    const auto it = std::find_if(ended.begin(), ended.end(), [&](const Ended& e) {
                        return e.name == name && e.id == id;
                    });
                    const std::optional<std::uint64_t> started = process_.StartTime(id);
                    if (it != ended.end() && (!started || it->started == started)) continue;
                    if (it != ended.end()) ended.erase(it);
                    ended.push_back({name, id, started});
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
    const std::int32_t found = registry_.ValueExists(run.key.get(), name);
    if (found == kErrorSuccess) return Presence::Present;
    return found == kErrorFileNotFound ? Presence::Absent : Presence::Unknown;
}

std::optional<std::wstring> Disinfection::RunValueProgram(const std::wstring& name) {
    constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2;  // REG_SZ, REG_EXPAND_SZ
    const OpenedKey run = OpenRegistryKey(registry_, kHkeyLocalMachine,
                                          std::wstring(worm::kRunSubKey), kKeyQueryValue);
    if (run.status != kErrorSuccess) return std::nullopt;
    std::uint32_t type = 0;
    std::wstring data;
    if (registry_.RegQueryValueExW(run.key.get(), name, type, data) != kErrorSuccess ||
        (type != kRegSz && type != kRegExpandSz)) {
        return std::nullopt;
    }
    data.resize(std::min(data.find(L'\0'), data.size()));
    if (type == kRegExpandSz) {
        std::optional<std::wstring> expanded = files_.ExpandEnvironmentStringsW(data);
        if (!expanded) return std::nullopt;
        data = std::move(*expanded);
    }
    return ProgramOf(data);
}

bool Disinfection::RemoveFile(const std::wstring& path) {
    // The file is the worm's whatever its marks say; nothing but the worm's files is touched.
    const std::uint32_t attributes = files_.GetFileAttributesW(path);
    const bool readable = attributes != kInvalidFileAttributes;
    const bool directory = readable && (attributes & kFileAttributeDirectory) != 0;
    bool marksCleared = true;
    if (readable && !directory && (attributes & kKeepingMarks) != 0) {
        const std::uint32_t cleared = attributes & ~kKeepingMarks;
        marksCleared =
            files_.SetFileAttributesW(path, cleared == 0 ? kFileAttributeNormal : cleared);
    }
    if (files_.DeleteFile(path)) {
        // Windows accepts the delete of a file that another program holds open with delete
        // sharing, and the name stays until that program lets go: a file in use like any other.
        if (files_.FileExists(path) == Presence::Absent) return false;
    } else {
        const std::uint32_t error = files_.GetLastError();
        if (directory) return false;
        // A running program's file and a loaded DLL answer access denied, and so does a file
        // this program has no right to delete, or one whose read-only mark stays: the restart
        // would refuse those too. Access denied counts as in use only with the marks cleared and
        // the file granted to an open for deletion (which a lack of rights refuses, and a mapped
        // file allows); for a program file only when one of the worm's programs runs from it,
        // which is judged once the press has done its work; for the DLL always, since which
        // program loads it cannot be seen.
        const bool mapped = error == kErrorAccessDenied && marksCleared && MayDelete(path);
        if (mapped && IsWormProgram(path)) return true;
        if (!InUse(error) && !mapped) return false;  // missing, or not for the restart to take
    }
    DeleteAtRestart(path);
    return false;
}

void Disinfection::SettleRefusedProgramFile(const std::wstring& path) {
    PollUntil(kImageWaitLimitMilliseconds, kPollMilliseconds, [&] {
        if (RunsAWormProgram(path)) {
            DeleteAtRestart(path);
            return true;
        }
        if (files_.DeleteFile(path)) {
            if (files_.FileExists(path) != Presence::Absent) DeleteAtRestart(path);
            return true;
        }
        return false;
    });
}

bool Disinfection::RunsAWormProgram(const std::wstring& path) {
    const std::wstring real = RealPath(path);
    for (const wchar_t* name : worm::kProcesses) {
        for (const ProcessId id : process_.FindByName(name).ids) {
            const std::optional<std::wstring> image = process_.ImagePath(id);
            if (image && SamePath(*image, real)) return true;
        }
    }
    return false;
}

bool Disinfection::MayDelete(const std::wstring& path) {
    if (files_.CanOpenFor(path, kDeleteAccess)) return true;
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
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return path;
    return RealFolder(std::wstring_view(path).substr(0, slash)) + path.substr(slash);
}

std::wstring Disinfection::RealFolder(std::wstring_view folder) {
    const std::optional<std::wstring> redirectedTo = files_.GetSystemWow64DirectoryW();
    if (redirectedTo && SamePath(folder, files_.GetSystemDirectoryW())) return *redirectedTo;
    return std::wstring(folder);
}

}  // namespace torvexa
