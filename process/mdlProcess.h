// Process control: which running processes run a program of a given file name, and
// ending a process by id. Every lookup takes a new snapshot of the system's process list. Failed
// system calls are filed as error reports; nothing here is ever shown to the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "errors/mdlErrorHandle.h"
#include "platform/process_api.h"
#include "platform/types.h"

namespace torvexa {

// What one lookup by name found: the ids of every process that runs the program, in snapshot
// order, and whether the process list was read to its end. When it was not (its first entry could
// not be read, or the walk was cut short), a program in the part not read is not seen: no ids
// prove nothing.
struct ProcessLookup {
    std::vector<ProcessId> ids;
    bool complete = true;
};

class mdlProcess {
  public:
    // `recordsHoldPaths`: the system's process records hold the program's full path, as on
    // Windows 95, 98 and ME, rather than its file's name alone, as on NT.
    mdlProcess(ProcessApi& api, const mdlErrorHandle& errors, bool recordsHoldPaths = false)
        : api_(api), errors_(errors), recordsHoldPaths_(recordsHoldPaths) {}
    virtual ~mdlProcess() = default;
    mdlProcess(const mdlProcess&) = delete;
    mdlProcess& operator=(const mdlProcess&) = delete;

    // Refills `table` from a new snapshot of all processes, in the order the system delivers
    // them. Returns the highest index filled (entries - 1), or -1 when the snapshot's first entry
    // cannot be read; the table then holds one zero-filled record. A Process32Next that fails
    // ends the walk, unreported, with the entries read so far; unless its cause is
    // ERROR_NO_MORE_FILES, the list is then not read to its end. Never throws: run-time failures
    // are reported and the procedure resumes with its next step.
    std::int32_t Process32_Enum(std::vector<ProcessEntry32>& table);

    // The id of the first process, in snapshot order, that runs the program `name` ("moniker.exe"),
    // or 0 when none does. A record names it when the name it holds, up to its NUL, is `name`
    // letter case aside, as Windows compares file names; where it holds the program's full path
    // (Windows 9x), its file-name part is compared. A name that merely contains `name`
    // ("limpiar_moniker.exe"), and the stale tail a reused record keeps after its NUL, never
    // match.
    ProcessId GetProcessIdByName(const std::wstring& name);
    // Every process that matches `name` as GetProcessIdByName matches, and whether the list was
    // read to its end: a check must see a second program of one name as well as the first. Tests
    // override it to stage a list that cannot be read for one name.
    virtual ProcessLookup FindByName(const std::wstring& name);

    // Opens, terminates and closes the process. Each of the four calls is made exactly once
    // whatever the ones before it returned; each failure is reported. Id 0 only files reports.
    void Kill_Process(ProcessId id);

    // Whether a new snapshot still lists the process `id` (a terminated process stays listed
    // until it has exited). A snapshot that cannot be read to its end counts as still listed. Uses
    // a table of its own: ProcessEntries keeps the latest lookup.
    bool IsListed(ProcessId id);

    // The full path of the file that the process `id` runs from. Asked first of the kernel's own
    // record of the process (Vista and later), which names the file from the moment the process
    // is created; elsewhere read from its module list (Tool Help, XP and 2000), which its loader
    // builds only once it runs. On 64-bit Windows both name the folder the file really is in,
    // SysWOW64 for a 32-bit program's system folder. None when it cannot be read now: the process
    // has ended, is still in its loader, or is out of this program's reach (one that refuses
    // access). An unreadable path is an answer, not a fault: nothing is reported.
    // Where the process list holds full paths (Windows 9x), the path is the process's entry in a
    // new snapshot (whose failures are reported as every snapshot's are), unless it holds a bare
    // name.
    std::optional<std::wstring> ImagePath(ProcessId id);

    // When the process `id` started; none when that cannot be read (it has ended, or the system
    // keeps no such time). Two processes listed under one id at two moments are one process only
    // if they started at the same time.
    std::optional<std::uint64_t> StartTime(ProcessId id);

    // Whether the process `id` runs in this program's own session, that is, belongs to the user
    // who runs it and not to another one logged on at the same time. On a system without sessions
    // (95, 98, ME) every process does. None when it cannot be told (the process has ended).
    std::optional<bool> InThisSession(ProcessId id);

    const std::vector<ProcessEntry32>& ProcessEntries() const { return processEntries_; }

  protected:
    // Every change of the table's size goes through here: `preserve` keeps the elements already
    // there, otherwise the table becomes `size` zero-filled records. Growth can fail when memory
    // runs out; tests override this to stage that.
    virtual void ResizeTable(std::vector<ProcessEntry32>& table, std::size_t size, bool preserve);

  private:
    // One new snapshot, and the ids that match `name`: the first only, or all of them.
    ProcessLookup Lookup(const std::wstring& name, bool firstOnly);
    template <typename Step>
    void Trap(Step&& step);
    void ReportApi(std::uint32_t lastError, const wchar_t* description, const wchar_t* procedure);
    // ImagePath on a system whose process records hold full paths.
    std::optional<std::wstring> PathInEntry(ProcessId id);

    ProcessApi& api_;
    const mdlErrorHandle& errors_;
    const bool recordsHoldPaths_;
    std::vector<ProcessEntry32> processEntries_;
    bool lastEnumReadToEnd_ = true;  // by the latest Process32_Enum, read right after it
};

}  // namespace torvexa
