#include "app/removal.h"

#include <algorithm>
#include <optional>

#include "app/guarded.h"
#include "app/poll.h"
#include "app/worm.h"

namespace torvexa {

Remnants WormRemoval::Run() {
    // Where the worm is, learned before its programs are ended and its Run values deleted: they
    // are what shows a folder of its own.
    check_.Check();
    Guarded([&] { EndWormPrograms(); });

    for (const wchar_t* value : worm::kRunValues) {
        Guarded([&] {
            std::wstring path(worm::kRunKeyPath);  // a fresh copy: the call rewrites its argument
            registro_.DeleteRegValue(path, value);
        });
    }
    std::vector<std::wstring> refused;
    for (const std::wstring& file : check_.WormFiles()) {
        Guarded([&] {
            if (files_.RemoveFile(file)) refused.push_back(file);
        });
    }
    for (const std::wstring& file : refused) {
        Guarded([&] { files_.SettleRefusedProgramFile(file); });
    }
    // The check comes last: a program of the worm that is started again and writes back a Run
    // value or a file is seen in what it wrote, and then stays. What it might write after this,
    // no look can see; the answer names it, so that the user knows it runs until the restart.
    return check_.Check();
}

bool WormRemoval::CloseMessenger() {
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

void WormRemoval::EndWormPrograms() {
    // Two programs of the worm may each start the other again the moment it ends, and a program
    // that hosts its DLL starts them again too. So every program of both names is ended, and the
    // list is looked at again and again, each program that appears ended at once, until it lists
    // none of them (a process that is still exiting keeps its file locked, and is listed until
    // it has exited) or the bound has passed. A program started again is met while it is still
    // starting, before it can start another. Each is ended once: one that is still exiting is
    // waited for, not ended again. Once it is no longer listed its id is free, and Windows soon
    // gives it to another program: a program of the worm's names listed under it later is new.
    // The programs ended and still listed, by name and id.
    struct Ended {
        const wchar_t* name;
        ProcessId id;
    };
    std::vector<Ended> ended;  // short: a host that starts them again adds one a look
    timing::PollUntil(clock_, timing::kWaitLimitMilliseconds, timing::kRoundMilliseconds, [&] {
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
                    const bool endedBefore =
                        std::any_of(ended.begin(), ended.end(),
                                    [&](const Ended& e) { return e.name == name && e.id == id; });
                    if (endedBefore) continue;  // still exiting
                    process_.Kill_Process(id);
                    ended.push_back({name, id});
                }
            });
        }
        return !listed;
    });
}

bool WormRemoval::WaitUntilGone(const std::vector<ProcessId>& ids) {
    return timing::PollUntil(
        clock_, timing::kWaitLimitMilliseconds, timing::kPollMilliseconds, [&] {
            return std::none_of(ids.begin(), ids.end(),
                                [&](ProcessId id) { return process_.IsListed(id); });
        });
}

}  // namespace torvexa
