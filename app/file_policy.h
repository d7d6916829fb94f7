// What is done with one of the worm's files that is there: its keeping marks cleared, deleted, or,
// where Windows will not delete it now because it is in use, recorded for deletion at the next
// restart in the folder it really is in. Nothing but the worm's files is ever handed here.
#pragma once

#include <string>

#include "app/restart_deletes.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "process/mdlProcess.h"

namespace torvexa {

class FilePolicy {
  public:
    FilePolicy(mdlProcess& process, FileSystemApi& files, Clock& clock, RestartList& restartList)
        : process_(process), files_(files), clock_(clock), restartDeletes_(restartList) {}

    // Deletes one worm file: its read-only, hidden and system marks cleared first; in use, it is
    // recorded for deletion at the next restart (once). Returns true when the file refused as a
    // running program's file does, and what it is waits on the programs as they are once the
    // press has done its work (SettleRefusedProgramFile).
    bool RemoveFile(const std::wstring& path);
    // A program file of the worm that refused its delete as a running program's does: recorded
    // for the restart while one of the worm's programs runs from it, deleted when none does (a
    // program between two of its runs); looked at again, bounded, while neither holds.
    void SettleRefusedProgramFile(const std::wstring& path);

  private:
    // Whether this program has the right to delete the file `path` that refuses its delete: the
    // file is then held or mapped by a program, and the restart deletes it.
    bool MayDelete(const std::wstring& path);
    // Records `path` for deletion at the next restart, in the folder it really is in, unless the
    // list already deletes it.
    void DeleteAtRestart(const std::wstring& path);
    // Whether one of the worm's programs is seen running from the file `path` now.
    bool RunsAWormProgram(const std::wstring& path);

    mdlProcess& process_;
    FileSystemApi& files_;
    Clock& clock_;
    RestartList& restartDeletes_;
};

}  // namespace torvexa
