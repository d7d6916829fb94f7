// What the program does to the machine, with or without its window: the disinfection sequence
// (end the worm's programs, delete its Run values and its files), the check of what of the worm
// is there and the one judgement of it that every answer of the program comes from, and closing
// the messenger. A worm file that Windows will not delete now because it is in use is recorded for
// deletion at the next restart, and said to be pending, never gone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/restart_deletes.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/registry_api.h"
#include "process/mdlProcess.h"
#include "registry/Registro.h"

namespace torvexa {

// What of the worm is on the machine, item by item, under the names the program gives them.
struct Remnants {
    std::vector<std::wstring> processes;  // its programs that run
    bool processesUnchecked = false;      // the process list could not be read
    std::vector<std::wstring> runValues;  // its Run values
    bool runKeyUnchecked = false;         // the Run key could not be read
    std::vector<std::wstring> files;      // its files, there for good (or not known to be gone)
    std::vector<std::wstring> pending;    // its files that Windows deletes at the next restart
    // Its programs that still run from one of those files while no Run value of the worm is left:
    // once the file is gone nothing can start them again, so they go with the restart too.
    std::vector<std::wstring> pendingProcesses;

    // Nothing there, and every check made.
    bool None() const { return !AnythingLeft() && !AnythingPending(); }
    // Something that goes with the next restart.
    bool AnythingPending() const { return !pending.empty() || !pendingProcesses.empty(); }
    // Something there that no restart removes, or a check that could not be made.
    bool AnythingLeft() const {
        return !processes.empty() || processesUnchecked || !runValues.empty() || runKeyUnchecked ||
               !files.empty();
    }
    // Something of the worm seen (unchecked parts prove nothing either way).
    bool AnythingFound() const {
        return !processes.empty() || !runValues.empty() || !files.empty() || AnythingPending();
    }
};

// What the program makes of what is there: at start, after a press and without the window alike,
// so that its answers can never disagree.
enum class Verdict {
    Infected,   // something of the worm that no restart removes
    Unchecked,  // nothing of that found, but the process list or the Run key could not be read
    Restart,    // nothing there but what goes with the next restart
    Clean,      // nothing found, and every check made
};
Verdict Assess(const Remnants& r);

class Disinfection {
  public:
    Disinfection(mdlProcess& process, Registro& registro, RegistryApi& registry,
                 FileSystemApi& files, Clock& clock, RestartList& restartList);

    // The disinfection sequence, every step guarded on its own; then what is left.
    Remnants Run();
    // What of the worm is there now. Changes nothing on the machine.
    Remnants Check();
    // Ends every messenger of this user's session (another user's, with its conversations, is left
    // alone); true when none of them is listed afterwards (or none ran), false when that could not
    // be shown.
    bool CloseMessenger();

    // A terminated process may hold its files for a moment: poll this often, this long at most.
    // The programs of the worm are ended for this long at most too.
    static constexpr std::uint32_t kPollMilliseconds = 50;
    static constexpr std::uint32_t kWaitLimitMilliseconds = 2000;
    // The worm's programs are looked for this often while they are ended.
    static constexpr std::uint32_t kRoundMilliseconds = 10;
    // A worm program whose path cannot be read is looked at again this long at most.
    static constexpr std::uint32_t kImageWaitLimitMilliseconds = 1000;

  private:
    // Ends every program of the worm's names, and each one that appears, until none is listed
    // (bounded).
    void EndWormPrograms();
    // Waits, bounded, until none of `ids` is listed any more; true when they are all gone.
    bool WaitUntilGone(const std::vector<ProcessId>& ids);
    // Asks `done` every `everyMilliseconds` until it answers true or `limitMilliseconds` have
    // passed; true when it did.
    template <typename Done>
    bool PollUntil(std::uint32_t limitMilliseconds, std::uint32_t everyMilliseconds, Done done);
    // The file the worm's program `id` runs from; looked at again, bounded, while it cannot be
    // read and the program is still listed.
    std::optional<std::wstring> ImagePathOf(ProcessId id);
    Presence RunValue(const std::wstring& name);
    // The program that the worm's Run value `name` starts, by its full path, when it is one of the
    // worm's two programs; none otherwise, or when it cannot be read.
    std::optional<std::wstring> RunValueProgram(const std::wstring& name);
    // Learns the folder that the full path `path` names a file in (nothing for a bare name).
    void LearnFolderOf(const std::wstring& path);
    // The worm's files: each of its file names in every folder learned, the fixed paths first.
    std::vector<std::wstring> WormFiles();
    // Deletes one worm file: its read-only, hidden and system marks cleared first; in use, it is
    // recorded for deletion at the next restart (once). Returns true when the file refused as a
    // running program's file does, and what it is waits on the programs as they are once the
    // press has done its work (SettleRefusedProgramFile).
    bool RemoveFile(const std::wstring& path);
    // A program file of the worm that refused its delete as a running program's does: recorded
    // for the restart while one of the worm's programs runs from it, deleted when none does (a
    // program between two of its runs); looked at again, bounded, while neither holds.
    void SettleRefusedProgramFile(const std::wstring& path);
    // Whether this program has the right to delete the file `path` that refuses its delete: the
    // file is then held or mapped by a program, and the restart deletes it.
    bool MayDelete(const std::wstring& path);
    // Records `path` for deletion at the next restart, in the folder it really is in, unless the
    // list already deletes it.
    void DeleteAtRestart(const std::wstring& path);
    // Whether the worm's program `id` goes with the restart: it runs from one of the worm's files
    // that the restart deletes (`pending`), and nothing is left that could start it again.
    bool GoesWithRestart(ProcessId id, const Remnants& seen);
    // Whether one of the worm's programs is seen running from the file `path` now.
    bool RunsAWormProgram(const std::wstring& path);
    // Where the file `path`, or the folder `folder`, really is: on 64-bit Windows this 32-bit
    // program's system folder is SysWOW64, and the restart, which runs without that redirection,
    // must be told so.
    std::wstring RealPath(const std::wstring& path);
    std::wstring RealFolder(std::wstring_view folder);

    mdlProcess& process_;
    Registro& registro_;
    RegistryApi& registry_;
    FileSystemApi& files_;
    Clock& clock_;
    RestartList& restartDeletes_;
    // Where the worm's files may be, learned by every check and kept for the whole run: the fixed
    // folder, the system folder that Windows names, the folder of the program each of the worm's
    // Run values starts, each folder one of its programs runs from, and each folder where a file
    // of its names waits for the restart. A press ends the programs and deletes the Run values
    // that showed a folder; what it left there is still looked for. Each folder once.
    std::vector<std::wstring> folders_;
};

}  // namespace torvexa
