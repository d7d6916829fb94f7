// Every answer of the program over every combination of what the worm can leave on a machine: the
// start-up status, one press of "Desinfectame!!!" (its status and its box), and the run without
// the window with /S /N and with /S (exit code and result line). Each combination is staged on
// fresh scripted machines, and the same properties are checked for every one of them against what
// is really on the machine afterwards, not against what the program believes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/disinfection.h"
#include "app/prin_form.h"
#include "app/silent_run.h"
#include "app/worm.h"
#include "tests/fakes/fake_run_report.h"
#include "tests/unit/prin_machine.h"

namespace torvexa {
namespace {

using namespace prin_texts;
using fakes::kHklm;
using fakes::kRun;
using Names = std::set<std::wstring>;

// One of the worm's two programs (moniker.exe, syslray.exe), each beside its own file.
enum class Program {
    NotRunning,
    FromItsFile,     // ends when it is terminated
    FromElsewhere,   // a copy in another folder: no restart of the worm's files ends it
    RefusesToEnd,    // from its file
    ComesBack,       // from its file, started again the moment it ends by the DLL's host
    PathUnreadable,  // comes back, and where it runs from cannot be read
    // Two of one name: one that comes back from its file, listed first, one from elsewhere after
    // it; and the other way round, both coming back.
    FromItsFileThenElsewhere,
    ElsewhereThenFromItsFile,
    WritesBack,  // comes back, and while it runs writes its Run value and HKT1.dll back
};
// The process list, for the lookup of each name (ending it and checking for it alike), or for
// every lookup cut short after its first entry: the worm's programs are in the part not read.
enum class Listing { Readable, UnreadableForFirst, UnreadableForSecond, CutShort };
enum class Value { Absent, Present, RefusesDeletion };
// The Run key: for the query of each value, or not to be opened at all (nor written).
enum class RunKey { Readable, UnreadableForFirst, UnreadableForSecond, Closed };
enum class File {
    Absent,
    There,
    Marked,          // read-only, hidden and system
    MarksStuck,      // read-only, and the marks cannot be changed
    InUse,           // held open by another program: a sharing violation
    NoRights,        // this program may not delete it: access denied, to an open for it too
    Loaded,          // mapped by a program (a loaded DLL): access denied, the open granted
    AcceptedStays,   // held with delete sharing: the delete is accepted, the name stays
    RecordRefused,   // in use, and the restart list refuses its record
    ListUnreadable,  // in use, and the restart list cannot be read
};
// What the restart list holds before the program runs.
enum class Records {
    None,
    WormsOwn,     // the worm's files that an earlier run recorded (those it could)
    Others,       // other programs': a file whose name ends in the DLL's, and a rename of the DLL
    OtherFolder,  // on 64-bit Windows, the files of the worm's names in the 64-bit system folder
};

// Each part's states, with the words a failure's trace gives them.
template <typename State>
using Names_ = std::pair<State, const char*>;
constexpr Names_<Program> kPrograms[] = {{Program::NotRunning, "not running"},
                                         {Program::FromItsFile, "from its file"},
                                         {Program::FromElsewhere, "from elsewhere"},
                                         {Program::RefusesToEnd, "refuses to end"},
                                         {Program::ComesBack, "comes back"},
                                         {Program::PathUnreadable, "path unreadable"},
                                         {Program::FromItsFileThenElsewhere, "own then elsewhere"},
                                         {Program::ElsewhereThenFromItsFile, "elsewhere then own"},
                                         {Program::WritesBack, "writes back"}};
constexpr Names_<Listing> kListings[] = {
    {Listing::Readable, "readable"},
    {Listing::UnreadableForFirst, "unreadable for the first"},
    {Listing::UnreadableForSecond, "unreadable for the second"},
    {Listing::CutShort, "cut short"}};
constexpr Names_<Value> kValues[] = {
    {Value::Absent, "absent"}, {Value::Present, "present"}, {Value::RefusesDeletion, "refuses"}};
constexpr Names_<RunKey> kRunKeys[] = {{RunKey::Readable, "readable"},
                                       {RunKey::UnreadableForFirst, "unreadable for the first"},
                                       {RunKey::UnreadableForSecond, "unreadable for the second"},
                                       {RunKey::Closed, "closed"}};
constexpr Names_<File> kFileStates[] = {{File::Absent, "absent"},
                                        {File::There, "there"},
                                        {File::Marked, "marked"},
                                        {File::MarksStuck, "marks stuck"},
                                        {File::InUse, "in use"},
                                        {File::NoRights, "no rights"},
                                        {File::Loaded, "loaded"},
                                        {File::AcceptedStays, "accepted, stays"},
                                        {File::RecordRefused, "record refused"},
                                        {File::ListUnreadable, "list unreadable"}};
constexpr Names_<Records> kRecords[] = {{Records::None, "empty"},
                                        {Records::WormsOwn, "the worm's own"},
                                        {Records::Others, "other programs'"},
                                        {Records::OtherFolder, "the other system folder's"}};

template <typename State, std::size_t N>
const char* NameIn(const Names_<State> (&names)[N], State state) {
    for (const auto& [s, name] : names) {
        if (s == state) return name;
    }
    return "?";
}

bool RunsFromItsFile(Program p) {
    return p != Program::NotRunning && p != Program::FromElsewhere;
}
bool KeepsRunningFromItsFile(Program p) {
    return RunsFromItsFile(p) && p != Program::FromItsFile;
}

struct Combination {
    Program program[2];
    Listing listing;
    Value value[2];
    RunKey key;
    File file[3];  // MONIKER.exe, SYSLRAY.exe, HKT1.dll
    bool wow64;    // 64-bit Windows
    Records records = Records::None;

    bool ChecksMade() const { return listing == Listing::Readable && key == RunKey::Readable; }
    // Whether the lookups of the worm's program `i` can read the process list.
    bool Lists(int i) const {
        return listing == Listing::Readable || (listing == Listing::UnreadableForFirst && i == 1) ||
               (listing == Listing::UnreadableForSecond && i == 0);
    }
    // Whether the value `i`'s query can be made.
    bool Queries(int i) const {
        return key == RunKey::Readable || (key == RunKey::UnreadableForFirst && i == 1) ||
               (key == RunKey::UnreadableForSecond && i == 0);
    }
    // The file `j` is in use (held by another program, or a program of the worm that keeps
    // running from it and is seen to), and the restart list takes records.
    bool Recordable(int j) const {
        for (File f : file) {
            if (f == File::ListUnreadable) return false;
        }
        if (file[j] == File::InUse || file[j] == File::AcceptedStays) return true;
        if (j == 2 && file[j] == File::Loaded) return true;
        // (seen: its path can be read, and so can the list for its name)
        return j < 2 && KeepsRunningFromItsFile(program[j]) &&
               program[j] != Program::PathUnreadable && Lists(j) &&
               (file[j] == File::There || file[j] == File::Marked);
    }
    // Everything of the worm here goes now: its programs end, its values and files delete.
    bool AllRemovable() const {
        auto goes = [](Program p) { return p == Program::NotRunning || p == Program::FromItsFile; };
        auto deletes = [](File f) {
            return f == File::Absent || f == File::There || f == File::Marked;
        };
        return ChecksMade() && goes(program[0]) && goes(program[1]) &&
               value[0] != Value::RefusesDeletion && value[1] != Value::RefusesDeletion &&
               deletes(file[0]) && deletes(file[1]) && deletes(file[2]);
    }
};

// The combinations that cannot exist on a machine, and so are not staged.
bool CanExist(const Combination& c) {
    for (int i = 0; i < 2; ++i) {
        // A program runs from a file that is there.
        if (RunsFromItsFile(c.program[i]) && c.file[i] == File::Absent) return false;
        // While a program runs from its file, Windows answers a delete of that file for the
        // program's image, whoever else holds it or whatever its rights: these states of the file
        // are the same machine as "there".
        if (KeepsRunningFromItsFile(c.program[i]) &&
            (c.file[i] == File::InUse || c.file[i] == File::NoRights || c.file[i] == File::Loaded ||
             c.file[i] == File::AcceptedStays)) {
            return false;
        }
    }
    // Only 64-bit Windows has another system folder; and what a restart list that cannot be read
    // holds, nothing can see.
    if (c.records == Records::OtherFolder && !c.wow64) return false;
    return c.records == Records::None ||
           std::none_of(std::begin(c.file), std::end(c.file),
                        [](File f) { return f == File::ListUnreadable; });
}

// What is really on a machine: read from the fakes, never from the program's answer.
struct Truth {
    Names processes;  // the worm's programs that run, by name
    Names values;     // its Run values
    Names files;      // its files, as the program names them
    Names pending;    // of those, the ones that the next restart really deletes
    // Its programs that run from a file that the restart deletes, with nothing to start them again.
    Names endedByRestart;
    bool pathsReadable = true;  // where each of its running programs runs from can be read

    bool Nothing() const { return processes.empty() && values.empty() && files.empty(); }
    bool FinishedByRestart() const {
        return values.empty() && pending == files && endedByRestart == processes;
    }
};

const std::wstring kElsewhere = L"C:\\Users\\ana";
const std::wstring kSystem = L"C:\\windows\\system32";
const std::wstring kRealSystem64 = L"C:\\windows\\SysWOW64";
const std::wstring kBystanderFile = L"C:\\keep.txt";
const std::wstring kBystanderBeside = L"C:\\windows\\system32\\HKT2.dll";
constexpr std::uint32_t kMarks = 0x1 | 0x2 | 0x4 | 0x20;  // read-only, hidden, system, archive
constexpr ProcessId kExplorer = 4;

std::wstring FileName(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

// The process module on a list that cannot be read for the lookups of one name.
struct ListedFor : mdlProcess {
    using mdlProcess::mdlProcess;
    template <typename Lookup>
    auto For(const std::wstring& name, Lookup lookup) {
        if (unreadableFor != name) return lookup();
        fake->snapshotFails = 8;  // not enough memory
        auto found = lookup();
        fake->snapshotFails.reset();
        return found;
    }
    ProcessLookup FindByName(const std::wstring& name) override {
        return For(name, [&] { return mdlProcess::FindByName(name); });
    }
    std::optional<std::wstring> unreadableFor;
    fakes::FakeProcessApi* fake = nullptr;
};

// One staged machine and the program on it.
struct Staged : fakes::MachineWith<ListedFor> {
    explicit Staged(const Combination& c) : c_(c) {
        api.processes = {
            {kExplorer, L"explorer.exe", false, 0, false, L"C:\\windows\\explorer.exe"}};
        registry.keys[{kHklm, kRun}] = {L"keep"};
        files.files = {{kBystanderFile, true}, {kBystanderBeside, true}};
        files.attributes = {{kBystanderFile, kMarks}, {kBystanderBeside, kMarks}};
        if (c.wow64) files.wow64Directory = kRealSystem64;
        for (int i = 0; i < 2; ++i) StageProgram(i);
        for (int i = 0; i < 2; ++i) StageValue(i);
        if (c.key == RunKey::Closed) {
            registry.openRefused.insert(kRun);
        } else if (c.key != RunKey::Readable) {
            registry.queryFailsFor[worm::kRunValues[c.key == RunKey::UnreadableForFirst ? 0 : 1]] =
                5;
        }
        for (int j = 0; j < 3; ++j) StageFile(j);
        // A running program's own file refuses deletion (access denied, as Windows answers).
        files.refuseNow = [this](const std::wstring& path) -> std::optional<std::uint32_t> {
            for (const auto& p : api.processes) {
                if (TrueFile(p.id) == Real(path)) return 5;
            }
            return std::nullopt;
        };
        StageRecords();
        process.fake = &api;
        if (c.listing == Listing::CutShort) {
            api.nextFails = 31;  // ERROR_GEN_FAILURE, after explorer.exe
            api.nextFailsAfter = 1;
        } else if (c.listing != Listing::Readable) {
            process.unreadableFor =
                worm::kProcesses[c.listing == Listing::UnreadableForFirst ? 0 : 1];
        }
        // A busy machine: each pause of the program's bounded waits takes a second, so that a
        // program that does not end is waited for with a few looks, not forty.
        clock.onSleep = [this] { clock.now += 1000; };
        api.onProcessSnapshot = [this]() -> std::optional<std::uint32_t> {
            WriteBack();
            return std::nullopt;
        };
    }

    std::wstring Real(const std::wstring& path) const {
        return c_.wow64 ? kRealSystem64 + L"\\" + FileName(path) : path;
    }

    // Where the file a process runs from really is, whether or not that can be read (the ids of
    // one that came back differ by thousands).
    std::wstring TrueFile(ProcessId id) const {
        for (int i = 0; i < 2; ++i) {
            if (id % 1000 == Id(i)) {
                return c_.program[i] == Program::FromElsewhere ? Elsewhere(i)
                                                               : Real(worm::kFiles[i]);
            }
            if (id % 1000 == Id(i) + 10) return Elsewhere(i);  // the second of two instances
        }
        return L"";
    }

    Truth Now() {
        Truth t;
        const Names wormNames(std::begin(worm::kProcesses), std::end(worm::kProcesses));
        const Names recorded(files.recorded.begin(), files.recorded.end());
        for (int j = 0; j < 3; ++j) {
            const std::wstring f = worm::kFiles[j];
            if (!files.files.count(f)) continue;
            t.files.insert(f);
            // The restart deletes what is recorded in the folder the file really is in, unless it
            // meets the same refusal: no rights, or a read-only mark that stays.
            const File state = c_.file[j];
            const bool stuck = state == File::NoRights || state == File::MarksStuck;
            if (recorded.count(Real(f)) && !stuck) t.pending.insert(f);
        }
        for (const wchar_t* v : worm::kRunValues) {
            if (registry.keys[std::pair(kHklm, kRun)].count(v)) t.values.insert(v);
        }
        Names pendingReal;
        for (const auto& f : t.pending) pendingReal.insert(Real(f));
        std::set<std::wstring> staying;
        for (const auto& p : api.processes) {
            if (!wormNames.count(p.name)) continue;
            t.processes.insert(p.name);
            t.pathsReadable = t.pathsReadable && p.image.has_value();
            if (!t.values.empty() || !pendingReal.count(TrueFile(p.id))) staying.insert(p.name);
        }
        for (const auto& name : t.processes) {
            if (!staying.count(name)) t.endedByRestart.insert(name);
        }
        return t;
    }

    // What the program cannot see of `t`: the programs and Run values whose check cannot be made.
    Truth Visible(Truth t) const {
        for (int i = 0; i < 2; ++i) {
            if (!c_.Lists(i)) {
                t.processes.erase(worm::kProcesses[i]);
                t.endedByRestart.erase(worm::kProcesses[i]);
            }
            if (!c_.Queries(i)) t.values.erase(worm::kRunValues[i]);
        }
        return t;
    }

  private:
    static ProcessId Id(int i) { return static_cast<ProcessId>(10 + i); }
    // A copy of the program in a folder of its own; on 64-bit Windows, in the 64-bit system
    // folder, which is not the one the restart deletes the worm's files from.
    std::wstring Elsewhere(int i) const {
        return (c_.wow64 ? kSystem : kElsewhere) + L"\\" + FileName(worm::kFiles[i]);
    }

    void StageProgram(int i) {
        const std::wstring name = worm::kProcesses[i];
        const std::wstring own = Real(worm::kFiles[i]);
        fakes::FakeProcess p{Id(i), name, false, 0, false, own, false};
        switch (c_.program[i]) {
            case Program::NotRunning:
                return;
            case Program::FromItsFile:
                break;
            case Program::FromElsewhere:
                p.image = Elsewhere(i);
                break;
            case Program::RefusesToEnd:
                p.survivesTerminate = true;
                break;
            case Program::PathUnreadable:
                p.image = std::nullopt;
                p.comesBack = true;
                break;
            case Program::ComesBack:
            case Program::WritesBack:
                p.comesBack = true;
                break;
            case Program::FromItsFileThenElsewhere:
                p.comesBack = true;
                api.processes.push_back(p);
                p = {Id(i) + 10, name, false, 0, false, Elsewhere(i), false};
                break;
            case Program::ElsewhereThenFromItsFile:
                p.comesBack = true;
                // The first is the one ended, and its host starts it again.
                api.processes.push_back({Id(i) + 10, name, false, 0, false, Elsewhere(i), true});
                break;
        }
        api.processes.push_back(p);
    }

    void StageValue(int i) {
        if (c_.value[i] == Value::Absent) return;
        registry.keys[{kHklm, kRun}].insert(worm::kRunValues[i]);
        if (c_.value[i] == Value::RefusesDeletion)
            registry.deleteRefused.insert(worm::kRunValues[i]);
    }

    void StageFile(int j) {
        const std::wstring path = worm::kFiles[j];
        switch (c_.file[j]) {
            case File::Absent:
                return;
            case File::There:
                files.files[path] = true;
                return;
            case File::Marked:
                files.files[path] = true;
                files.attributes[path] = kMarks;
                return;
            case File::MarksStuck:
                files.files[path] = true;
                files.attributes[path] = 0x1 | 0x20;
                files.marksLocked.insert(path);
                return;
            case File::AcceptedStays:
                files.files[path] = true;
                files.heldWithDeleteSharing.insert(path);
                return;
            case File::NoRights:
                files.files[path] = true;
                files.noRights.insert(path);
                return;
            case File::Loaded:
                files.files[path] = false;
                files.refusalFor[path] = 5;
                return;
            case File::InUse:
            case File::RecordRefused:
            case File::ListUnreadable:
                files.files[path] = false;
                files.refusalFor[path] = 32;
                if (c_.file[j] == File::RecordRefused) files.recordRefusedFor.insert(Real(path));
                if (c_.file[j] == File::ListUnreadable) registry.queryDataFails = 5;
                return;
        }
    }

    // The restart list before the program runs: records of the worm's files are in the folder
    // each really is in, as the program writes them; the others' are what another program wrote.
    void StageRecords() {
        const std::wstring folder = c_.wow64 ? kRealSystem64 : kSystem;
        switch (c_.records) {
            case Records::None:
                return;
            case Records::WormsOwn:
                for (int j = 0; j < 3; ++j) {
                    const File f = c_.file[j];
                    if (f != File::Absent && f != File::NoRights && f != File::MarksStuck) {
                        files.recorded.push_back(Real(worm::kFiles[j]));
                    }
                }
                break;
            case Records::Others:
                files.othersRecorded = {{folder + L"\\OLDHKT1.dll", L""},
                                        {Real(worm::kFiles[2]), folder + L"\\HKT1.old"}};
                break;
            case Records::OtherFolder:
                for (const wchar_t* f : worm::kFiles) files.othersRecorded.push_back({f, L""});
                break;
        }
        files.WriteRecords();
    }

    // A program that writes back: while it runs, its Run value and the worm's DLL are there again
    // each time time passes (a process snapshot is when the program looks).
    void WriteBack() {
        for (int i = 0; i < 2; ++i) {
            if (c_.program[i] != Program::WritesBack) continue;
            const bool running = std::any_of(api.processes.begin(), api.processes.end(),
                                             [&](const auto& p) { return p.id % 1000 == Id(i); });
            if (!running) continue;
            registry.keys[{kHklm, kRun}].insert(worm::kRunValues[i]);
            files.files.try_emplace(worm::kFiles[2], true);
        }
    }

    Combination c_;
};

// What an answer names, split into what it says is left and what goes at the restart.
struct Named {
    Names left, pending;
    bool processesUnchecked = false, runKeyUnchecked = false;
};

// The lines of a box: its first line says what the lines after it are.
Named FromBox(const std::wstring& text) {
    Named n;
    Names* into = nullptr;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(kBoxLineBreak, start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(start, end - start);
        start = end + 2;
        if (line == kLeftIntro) {
            into = &n.left;
        } else if (line == kPendingIntro || line == kPendingProgramsIntro) {
            into = &n.pending;
        } else if (line == kProcessesUnchecked) {
            n.processesUnchecked = true;
        } else if (line == kRunKeyUnchecked) {
            n.runKeyUnchecked = true;
        } else if (into != nullptr) {
            into->insert(line);
        } else {
            ADD_FAILURE() << "a box line under no heading";
        }
    }
    return n;
}

std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& by) {
    std::vector<std::wstring> parts;
    if (text.empty()) return parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(by, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::wstring::npos) return parts;
        start = end + by.size();
    }
}

// The items of a result line's words ("No quitado del todo: proceso x, archivo y; pendiente al
// reiniciar: z"), under the names the box gives them.
Named FromWords(const std::wstring& words) {
    Named n;
    const std::size_t colon = words.find(L": ");
    if (colon == std::wstring::npos) return n;
    std::wstring rest = words.substr(colon + 2);
    const std::wstring pendingMark = L"pendiente al reiniciar: ";
    std::wstring pendingPart;
    if (const std::size_t at = rest.find(pendingMark); at != std::wstring::npos) {
        pendingPart = rest.substr(at + pendingMark.size());
        rest.resize(at == 0 ? 0 : at - 2);  // "; " before it
    }
    auto name = [](const std::wstring& item) {
        for (const wchar_t* kind : {L"proceso ", L"valor Run ", L"archivo "}) {
            if (item.starts_with(kind)) return item.substr(std::wcslen(kind));
        }
        return item;
    };
    for (const auto& item : Split(rest, L", ")) {
        if (item == L"procesos sin revisar") {
            n.processesUnchecked = true;
        } else if (item == L"clave Run sin revisar") {
            n.runKeyUnchecked = true;
        } else {
            n.left.insert(name(item));
        }
    }
    for (const auto& item : Split(pendingPart, L", ")) n.pending.insert(name(item));
    return n;
}

// How an answer ended, in the same few classes for the window and the run without it.
enum class End { Clean, Removed, Restart, Left, Infected, Unchecked };

constexpr Names_<End> kEnds[] = {{End::Clean, "clean"},       {End::Removed, "removed"},
                                 {End::Restart, "restart"},   {End::Left, "left"},
                                 {End::Infected, "infected"}, {End::Unchecked, "unchecked"}};
const char* Say(End e) {
    return NameIn(kEnds, e);
}

// The properties, the same for every answer: `end` and `named` are what the program said about
// the machine whose truth is `t` (after the answer), `v` the part of it the program can see.
void CheckAnswer(const char* answer, const Combination& c, const Truth& t, const Truth& v, End end,
                 const Named& named) {
    SCOPED_TRACE(answer);
    // Never clean or removed while anything of the worm stays, or a check could not be made; and
    // never anything else on a machine that is clean and fully checked.
    const bool clean = t.Nothing() && c.ChecksMade();
    EXPECT_EQ(end == End::Clean || end == End::Removed, clean) << Say(end);
    // The restart, exactly when the restart alone finishes it and the program can see that (it
    // cannot where a program's path cannot be read).
    const bool restart = t.FinishedByRestart() && c.ChecksMade() && !t.Nothing();
    if (end == End::Restart) {
        EXPECT_TRUE(restart);
    }
    if (restart && t.pathsReadable) {
        EXPECT_EQ(end, End::Restart) << Say(end);
    }
    // A check that could not be made is said, whenever the answer is not that all is well.
    if (!clean) {
        EXPECT_EQ(named.processesUnchecked, c.listing != Listing::Readable) << Say(end);
        EXPECT_EQ(named.runKeyUnchecked, c.key != RunKey::Readable) << Say(end);
    }
    if (end == End::Clean || end == End::Removed) return;
    // Every item named is really there (pending: really deleted by the restart, or ended by it),
    // and everything there that the program can see is named.
    Names there = t.processes;
    there.insert(t.values.begin(), t.values.end());
    there.insert(t.files.begin(), t.files.end());
    Names reallyPending = t.pending;
    reallyPending.insert(t.endedByRestart.begin(), t.endedByRestart.end());
    Names seen = v.processes;
    seen.insert(v.values.begin(), v.values.end());
    seen.insert(v.files.begin(), v.files.end());
    Names all = named.left;
    all.insert(named.pending.begin(), named.pending.end());
    for (const auto& item : named.left) EXPECT_TRUE(there.count(item)) << Say(end);
    for (const auto& item : named.pending) EXPECT_TRUE(reallyPending.count(item)) << Say(end);
    for (const auto& item : seen) EXPECT_TRUE(all.count(item)) << Say(end);
    for (const auto& item : named.left) EXPECT_FALSE(named.pending.count(item)) << Say(end);
}

// Nothing but the worm's programs, values and files is touched.
void CheckBystanders(const char* answer, Staged& m) {
    SCOPED_TRACE(answer);
    EXPECT_TRUE(m.api.IsRunning(kExplorer));
    EXPECT_EQ(m.Opens(kExplorer), 0u);
    EXPECT_TRUE(m.registry.keys[std::pair(kHklm, kRun)].count(L"keep"));
    for (const auto& f : {kBystanderFile, kBystanderBeside}) {
        EXPECT_TRUE(m.files.files.count(f));
        EXPECT_EQ(m.files.attributes[f], kMarks);
    }
    const auto& recorded = m.files.recorded;
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_TRUE(recorded[i].ends_with(L"\\MONIKER.exe") ||
                    recorded[i].ends_with(L"\\SYSLRAY.exe") ||
                    recorded[i].ends_with(L"\\HKT1.dll"));
        for (std::size_t k = 0; k < i; ++k) {
            EXPECT_FALSE(SamePath(recorded[i], recorded[k])) << "recorded twice";
        }
    }
}

End FromExitCode(int code) {
    switch (code) {
        case kExitClean:
            return End::Clean;
        case kExitRemoved:
            return End::Removed;
        case kExitRestart:
            return End::Restart;
        case kExitLeft:
            return End::Left;
        case kExitFoundChecked:
            return End::Infected;
        default:
            return End::Unchecked;
    }
}

std::wstring Words(const fakes::FakeRunReport& report) {
    if (report.output.size() != 1) return L"";
    const std::wstring& line = report.output[0];
    // date, computer, code, words
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) at = line.find(L' ', at) + 1;
    return line.substr(at);
}

// Every answer on `c`'s machine, and the properties of each.
void Judge(const Combination& c) {
    // At start, and checked only without the window: the same machine, unchanged by either.
    Staged start(c);
    const Truth before = start.Now();
    start.form.Form_Load();
    const std::wstring status = start.Status();
    const End atStart =
        status == kClean        ? End::Clean
        : status == kInfected   ? End::Infected
        : status == kAlmostDone ? End::Restart
        : (status == kNotChecked || status == kNotCheckedRunKey || status == kNotCheckedEither)
            ? End::Unchecked
            : End::Left;
    Named startNamed;
    startNamed.processesUnchecked = status == kNotChecked || status == kNotCheckedEither;
    startNamed.runKeyUnchecked = status == kNotCheckedRunKey || status == kNotCheckedEither;
    if (atStart == End::Infected || atStart == End::Unchecked || atStart == End::Restart) {
        // The status names no items; what it says, it says of the whole machine.
        const Truth v = start.Visible(before);
        EXPECT_EQ(atStart == End::Infected, !v.Nothing() && !before.FinishedByRestart())
            << "start-up status";
        if (atStart == End::Restart) {
            EXPECT_TRUE(before.FinishedByRestart() && c.ChecksMade() && !before.Nothing());
        }
        if (atStart == End::Unchecked) {
            EXPECT_EQ(startNamed.processesUnchecked, c.listing != Listing::Readable);
            EXPECT_EQ(startNamed.runKeyUnchecked, c.key != RunKey::Readable);
        }
    } else {
        CheckAnswer("start-up status", c, before, start.Visible(before), atStart, startNamed);
    }
    fakes::FakeRunReport checked;
    const int checkCode = RunSilent(ParseCommandLine({L"/S", L"/N"}), start.disinfection, checked);
    const End checkEnd = FromExitCode(checkCode);
    CheckAnswer("/S /N", c, before, start.Visible(before), checkEnd, FromWords(Words(checked)));
    EXPECT_EQ(checkEnd, atStart) << "/S /N and the start-up status disagree";
    EXPECT_TRUE(start.files.calls.empty()) << "a check changed a file";
    EXPECT_EQ(start.Opens(10) + start.Opens(11) + start.Opens(20) + start.Opens(21), 0u)
        << "a check ended a program";
    CheckBystanders("start", start);

    // One press.
    Staged press(c);
    press.boxes.answers = {kIdNo};  // the messenger is none of the worm's
    press.form.Click(ControlId::Command1);
    const Truth afterPress = press.Now();
    const std::wstring pressed = press.Status();
    End pressEnd = End::Left;
    Named pressNamed;
    if (pressed == kDisinfected) {
        pressEnd = End::Removed;
        EXPECT_FALSE(press.boxes.shown.empty());
        if (!press.boxes.shown.empty()) {
            EXPECT_EQ(press.boxes.shown[0].text, fakes::kQuestion);
        }
    } else {
        EXPECT_TRUE(pressed == kAlmostDone || pressed == kNotRemoved) << "press status";
        pressEnd = pressed == kAlmostDone ? End::Restart : End::Left;
        EXPECT_EQ(press.boxes.shown.size(), 1u) << "press: one box";
        if (!press.boxes.shown.empty()) pressNamed = FromBox(press.boxes.shown[0].text);
        // The restart's box says only what goes at the restart.
        if (pressEnd == End::Restart) {
            EXPECT_TRUE(pressNamed.left.empty());
        }
    }
    CheckAnswer("press", c, afterPress, press.Visible(afterPress), pressEnd, pressNamed);
    // And it does its work: what can go, goes.
    if (c.AllRemovable()) {
        EXPECT_TRUE(afterPress.Nothing()) << "a press left what it could remove";
    }
    for (int j = 0; j < 3; ++j) {
        if (c.Recordable(j)) {
            EXPECT_TRUE(afterPress.pending.count(worm::kFiles[j]) ||
                        !afterPress.files.count(worm::kFiles[j]))
                << "a file in use was not recorded for the restart";
        }
    }
    CheckBystanders("press", press);
    // Opened again before the restart: the status agrees with what the press said.
    press.view = {};
    press.form.Form_Load();
    const std::wstring reopened = press.Status();
    const End expected = pressEnd == End::Removed   ? End::Clean
                         : pressEnd == End::Restart ? End::Restart
                                                    : End::Left;
    const End got = reopened == kClean        ? End::Clean
                    : reopened == kAlmostDone ? End::Restart
                                              : End::Left;
    EXPECT_EQ(got, expected) << "reopened after the press";

    // Without the window.
    Staged silent(c);
    fakes::FakeRunReport report;
    const End silentEnd =
        FromExitCode(RunSilent(ParseCommandLine({L"/S"}), silent.disinfection, report));
    const Truth afterSilent = silent.Now();
    CheckAnswer("/S", c, afterSilent, silent.Visible(afterSilent), silentEnd,
                FromWords(Words(report)));
    CheckBystanders("/S", silent);
    // The press and the run without the window agree: the same end, and where both removed, the
    // same machine afterwards.
    const End pressAsSilent = pressEnd == End::Removed && before.Nothing() ? End::Clean : pressEnd;
    if (silentEnd == End::Unchecked || silentEnd == End::Clean) {
        // Nothing seen: the run without the window leaves the machine alone.
        EXPECT_TRUE(silent.files.calls.empty());
        EXPECT_TRUE(pressAsSilent == silentEnd || pressAsSilent == End::Left)
            << Say(pressEnd) << " " << Say(silentEnd);
    } else {
        EXPECT_EQ(pressAsSilent, silentEnd) << Say(pressEnd) << " " << Say(silentEnd);
        EXPECT_EQ(afterPress.processes, afterSilent.processes);
        EXPECT_EQ(afterPress.values, afterSilent.values);
        EXPECT_EQ(afterPress.files, afterSilent.files);
        EXPECT_EQ(afterPress.pending, afterSilent.pending);
    }
}

// The combination in words, for a failure's trace.
std::string Describe(const Combination& c) {
    return std::string("moniker.exe ") + NameIn(kPrograms, c.program[0]) + ", syslray.exe " +
           NameIn(kPrograms, c.program[1]) + "; process list " + NameIn(kListings, c.listing) +
           "; Run values " + NameIn(kValues, c.value[0]) + ", " + NameIn(kValues, c.value[1]) +
           ", key " + NameIn(kRunKeys, c.key) + "; files " + NameIn(kFileStates, c.file[0]) + ", " +
           NameIn(kFileStates, c.file[1]) + ", " + NameIn(kFileStates, c.file[2]) +
           "; restart list " + NameIn(kRecords, c.records) + (c.wow64 ? "; 64-bit" : "; 32-bit");
}

// Every combination of the given states that can exist, added to `all`.
void Product(std::vector<Combination>& all, const std::vector<Program>& p0,
             const std::vector<Program>& p1, const std::vector<Listing>& listings,
             const std::vector<Value>& v0, const std::vector<Value>& v1,
             const std::vector<RunKey>& keys, const std::vector<File>& f0,
             const std::vector<File>& f1, const std::vector<File>& f2,
             const std::vector<bool>& wow64s,
             const std::vector<Records>& records = {Records::None}) {
    for (Records r : records)
        for (Program a : p0)
            for (Program b : p1)
                for (Listing l : listings)
                    for (Value x : v0)
                        for (Value y : v1)
                            for (RunKey k : keys)
                                for (File f : f0)
                                    for (File g : f1)
                                        for (File h : f2)
                                            for (bool wow64 : wow64s) {
                                                const Combination c{{a, b},    l,     {x, y}, k,
                                                                    {f, g, h}, wow64, r};
                                                if (CanExist(c)) all.push_back(c);
                                            }
}

template <typename State, std::size_t N>
std::vector<State> All(const Names_<State> (&states)[N]) {
    std::vector<State> all;
    for (const auto& [state, name] : states) all.push_back(state);
    return all;
}

// The product of every state of every part is millions of machines, and one machine's four
// answers take milliseconds here: the test takes the full product of each part's states with the
// parts it is judged together with, the others held at states that keep every link of the
// judgement open (a Run value to delete, the DLL in use, the programs' files there).
std::vector<Combination> Combinations() {
    const auto programs = All(kPrograms);
    const auto listings = All(kListings);
    const auto values = All(kValues);
    const auto keys = All(kRunKeys);
    const auto files = All(kFileStates);
    const auto records = All(kRecords);
    const std::vector<bool> both = {false, true};
    std::vector<Combination> all;
    // The programs: with each other, the process list and the folder they run from.
    Product(all, programs, programs, listings, {Value::Present}, {Value::Present},
            {RunKey::Readable}, {File::There}, {File::There}, {File::InUse}, both);
    // The Run values and key: with each other, the process list, and programs that the restart
    // ends unless a Run value can start them again.
    for (const Program p : {Program::NotRunning, Program::ComesBack}) {
        Product(all, {p}, {Program::ComesBack}, listings, values, values, keys, {File::There},
                {File::There}, {File::InUse}, {false});
    }
    Product(all, {Program::NotRunning}, {Program::NotRunning}, listings, values, values, keys,
            {File::There}, {File::There}, {File::InUse}, {false});
    // The files: with each other, a Run value left to delete; and the two programs' files with
    // each other on 64-bit Windows, where what the restart deletes is named by another folder.
    Product(all, {Program::NotRunning}, {Program::NotRunning}, {Listing::Readable},
            {Value::Present}, {Value::Absent}, {RunKey::Readable}, files, files, files, {false});
    Product(all, {Program::NotRunning}, {Program::NotRunning}, {Listing::Readable},
            {Value::Present}, {Value::Absent}, {RunKey::Readable}, files, files, {File::InUse},
            {true});
    // What the restart list holds before: with the DLL's states and a program's file on both
    // kinds of Windows, a program that the restart ends, and a Run value or none.
    Product(all, {Program::NotRunning, Program::ComesBack}, {Program::NotRunning},
            {Listing::Readable}, {Value::Absent, Value::Present}, {Value::Absent},
            {RunKey::Readable}, {File::Absent, File::There, File::InUse}, {File::Absent}, files,
            both, records);
    // Nothing of the worm, or nothing but what the restart list already deletes; every kind of
    // check that cannot be made.
    Product(all, {Program::NotRunning}, {Program::NotRunning}, listings, {Value::Absent},
            {Value::Absent}, keys, {File::Absent}, {File::Absent}, {File::Absent, File::InUse},
            both, records);
    return all;
}

// Fewer than this, and a state or a product has been lost.
constexpr std::size_t kMinimumCombinations = 2900;

TEST(Judgement, EveryAnswerOnEveryMachineIsHonest) {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<Combination> all = Combinations();
    ASSERT_GE(all.size(), kMinimumCombinations);
    // Every combination is judged, and each one that fails is counted and named by its trace.
    const ::testing::TestResult& result =
        *::testing::UnitTest::GetInstance()->current_test_info()->result();
    std::size_t failed = 0;
    for (const Combination& c : all) {
        SCOPED_TRACE(Describe(c));
        const int before = result.total_part_count();
        Judge(c);
        if (result.total_part_count() != before) ++failed;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("Judgement: %zu combinations in %.1f s\n", all.size(), seconds);
    if (failed > 0) std::printf("Judgement failed on %zu of them\n", failed);
    ::testing::Test::RecordProperty("combinations", static_cast<int>(all.size()));
}

}  // namespace
}  // namespace torvexa
