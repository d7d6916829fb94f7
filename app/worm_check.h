// The check of what of the worm is on the machine, and the one judgement of it that every answer
// of the program comes from: at start, after a press and without the window alike, so that its
// answers can never disagree. It learns where the worm is as it looks, and changes nothing on
// the machine.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/restart_deletes.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/registry_api.h"
#include "process/mdlProcess.h"

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

class WormCheck {
  public:
    WormCheck(mdlProcess& process, RegistryApi& registry, FileSystemApi& files, Clock& clock,
              RestartList& restartList);

    // What of the worm is there now.
    Remnants Check();
    // The worm's files: each of its file names in every folder learned, the fixed paths first.
    std::vector<std::wstring> WormFiles() const;

  private:
    Presence RunValue(const std::wstring& name);
    // The program that the worm's Run value `name` starts, by its full path, when it is one of the
    // worm's two programs; none otherwise, or when it cannot be read.
    std::optional<std::wstring> RunValueProgram(const std::wstring& name);
    // Learns the folder that the full path `path` names a file in (nothing for a bare name).
    void LearnFolderOf(const std::wstring& path);
    // Whether the worm's program `id` goes with the restart: it runs from one of the worm's files
    // that the restart deletes (`pending`), and nothing is left that could start it again.
    bool GoesWithRestart(ProcessId id, const Remnants& seen);

    mdlProcess& process_;
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
