#include "app/worm_check.h"

#include <algorithm>
#include <utility>

#include "app/guarded.h"
#include "app/paths.h"
#include "app/poll.h"
#include "app/worm.h"
#include "platform/owned_handle.h"

namespace torvexa {
namespace {

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

WormCheck::WormCheck(mdlProcess& process, RegistryApi& registry, FileSystemApi& files, Clock& clock,
                     RestartList& restartList)
    : process_(process),
      registry_(registry),
      files_(files),
      clock_(clock),
      restartDeletes_(restartList) {
    LearnFolderOf(worm::kFiles[0]);
}

Remnants WormCheck::Check() {
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
                            restartDeletes_.Deletes(*pending, RealPath(files_, file));
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

void WormCheck::LearnFolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash == 0) return;
    const std::wstring folder = path.substr(0, slash);
    const std::wstring real = RealFolder(files_, folder);
    const bool known = std::any_of(folders_.begin(), folders_.end(), [&](const std::wstring& f) {
        return SamePath(RealFolder(files_, f), real);
    });
    if (!known) folders_.push_back(folder);
}

std::vector<std::wstring> WormCheck::WormFiles() const {
    std::vector<std::wstring> paths;
    for (const std::wstring& folder : folders_) {
        for (const wchar_t* name : worm::kFileNames) paths.push_back(folder + L"\\" + name);
    }
    return paths;
}

bool WormCheck::GoesWithRestart(ProcessId id, const Remnants& seen) {
    // A Run value left, or a Run key that could not be read, may start the program again after
    // the restart; a program that hosts the worm's DLL is none of these names and is never asked.
    if (seen.pending.empty() || !seen.runValues.empty() || seen.runKeyUnchecked) return false;
    const std::optional<std::wstring> image = timing::ImagePathOf(process_, clock_, id);
    if (!image) return false;  // from anywhere else, or from where nobody can tell: it stays
    return std::any_of(seen.pending.begin(), seen.pending.end(), [&](const std::wstring& file) {
        return SamePath(*image, RealPath(files_, file));
    });
}

Presence WormCheck::RunValue(const std::wstring& name) {
    const OpenedKey run = OpenRegistryKey(registry_, kHkeyLocalMachine,
                                          std::wstring(worm::kRunSubKey), kKeyQueryValue);
    if (run.status == kErrorFileNotFound) return Presence::Absent;  // no Run key: no Run value
    if (run.status != kErrorSuccess) return Presence::Unknown;
    const std::int32_t found = registry_.ValueExists(run.key.get(), name);
    if (found == kErrorSuccess) return Presence::Present;
    return found == kErrorFileNotFound ? Presence::Absent : Presence::Unknown;
}

std::optional<std::wstring> WormCheck::RunValueProgram(const std::wstring& name) {
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

}  // namespace torvexa
