// The removal that finishes: marked worm files, files in use recorded for the restart (once, in
// the folder they really are in), and the three answers a press can end with.
#include "app/disinfection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/prin.h"
#include "app/prin_form.h"
#include "app/restart_deletes.h"
#include "app/worm.h"
#include "tests/unit/prin_machine.h"

namespace torvexa {
namespace {

using namespace prin_colours;
using namespace prin_links;
using namespace prin_texts;

using fakes::kHkt1;
using fakes::kMoniker;
using fakes::kSyslray;

// An infected machine, the program running as administrator, HKT1.dll held open by another
// program (as a hook DLL is) unless a test says otherwise.
struct Machine : fakes::Machine {
    explicit Machine(bool windows9x = false) : fakes::Machine(windows9x) {
        Infect();
        files.files[kHkt1] = false;
        files.refusal = 32;  // sharing violation
    }
    void Press() { form.Click(ControlId::Command1); }
    std::vector<PendingOperation> Pending() {
        return modules.restartList->Read().value_or(std::vector<PendingOperation>{});
    }
};

TEST(Disinfection, AFileInUseGoesAtTheRestartAndTheUserIsToldWhich) {
    Machine m;
    m.Press();
    EXPECT_EQ(m.Pending(), (std::vector<PendingOperation>{{L"\\??\\" + kHkt1, L""}}));
    EXPECT_EQ(m.view.text[ControlId::msg], kAlmostDone);
    EXPECT_EQ(m.view.color[ControlId::msg], kDarkRed);
    // One box, naming the file; no question about the messenger.
    ASSERT_EQ(m.boxes.shown.size(), 1u);
    EXPECT_EQ(m.boxes.shown[0].text,
              L"Estos archivos del gusano estan en uso y se borraran cuando reinicies tu PC:\r\n" +
                  kHkt1);
    EXPECT_EQ(m.boxes.shown[0].title, L"Torvexa");
    // cppcheck-suppress badBitmaskCheck ; MB_OK is 0, named for what the box shows
    EXPECT_EQ(m.boxes.shown[0].type, kMbOk | kMbIconInformation);

    // A second press before the restart gives the same answer and records nothing twice.
    m.Press();
    EXPECT_EQ(m.Pending().size(), 1u);
    EXPECT_EQ(m.view.text[ControlId::msg], kAlmostDone);
    ASSERT_EQ(m.boxes.shown.size(), 2u);
    EXPECT_EQ(m.boxes.shown[1].text, m.boxes.shown[0].text);

    // A record made by an earlier run counts as well: nothing is added to it.
    Machine earlier;
    earlier.files.MoveFileExW(kHkt1, std::nullopt, kMoveFileDelayUntilReboot);
    earlier.files.calls.clear();
    earlier.Press();
    EXPECT_EQ(earlier.Pending().size(), 1u);
    for (const auto& call : earlier.files.calls) EXPECT_FALSE(call.starts_with(L"MoveFileExW"));
    EXPECT_EQ(earlier.view.text[ControlId::msg], kAlmostDone);
}

TEST(Disinfection, OnA64BitWindowsTheRecordNamesTheFolderTheFileIsReallyInOnce) {
    Machine m;
    m.files.wow64Directory = L"C:\\windows\\SysWOW64";
    m.Press();
    m.Press();  // the record is found again where it really is: not made twice
    EXPECT_EQ(m.files.recorded, std::vector<std::wstring>{L"C:\\windows\\SysWOW64\\HKT1.dll"});

    // A system folder elsewhere than the fixed path's: the path is not redirected, nor changed.
    Machine elsewhere;
    elsewhere.files.wow64Directory = L"D:\\WINNT\\SysWOW64";
    elsewhere.files.systemDirectory = L"D:\\WINNT\\system32";
    elsewhere.Press();
    EXPECT_EQ(elsewhere.files.recorded, std::vector<std::wstring>{kHkt1});
}

// Windows 9x: no MoveFileEx; the file goes through WININIT.INI's [rename] section, once, and the
// answers are the ones NT gives.
TEST(Disinfection, OnWindows9xAFileInUseGoesThroughWininitOnceAndTheAnswersAreTheSame) {
    Machine m(true);
    const std::wstring wininit = L"C:\\WINDOWS\\WININIT.INI";
    m.files.contents[wininit] = "[boot]\r\nx=1\r\n";
    // The short name is what the restart, under DOS, is told.
    m.files.shortNames[kHkt1] = "C:\\WINDOWS\\SYSTEM32\\HKT1.DLL";
    const std::string recorded =
        "[boot]\r\nx=1\r\n[rename]\r\nNUL=C:\\WINDOWS\\SYSTEM32\\HKT1.DLL\r\n";
    for (int press = 1; press <= 2; ++press) {
        m.Press();
        EXPECT_EQ(m.files.contents[wininit], recorded) << "press " << press;
        EXPECT_EQ(m.view.text[ControlId::msg], kAlmostDone) << "press " << press;
        ASSERT_EQ(m.boxes.shown.size(), static_cast<std::size_t>(press));
        EXPECT_TRUE(m.boxes.shown.back().text.ends_with(L"\r\n" + kHkt1));
    }
    for (const auto& call : m.files.calls) EXPECT_FALSE(call.starts_with(L"MoveFileExW"));
    EXPECT_EQ(std::count(m.files.calls.begin(), m.files.calls.end(),
                         L"WriteWholeFile(C:\\WINDOWS\\WININIT.TVN)"),
              1);

    // A file that cannot be read or written there is reported left, never pending.
    for (const bool readFails : {true, false}) {
        Machine failing(true);
        (readFails ? failing.files.readFails : failing.files.writeFails) = true;
        failing.Press();
        EXPECT_EQ(failing.view.text[ControlId::msg], kNotRemoved) << readFails;
    }
}

TEST(Disinfection, MarkedWormFilesAreClearedAndDeletedAndNothingElseIsTouched) {
    Machine m;
    m.files.files[kHkt1] = true;
    m.files.files[L"C:\\windows\\system32\\HKT2.dll"] = true;
    constexpr std::uint32_t kMarked = 0x1 | 0x2 | 0x4 | 0x20;  // read-only, hidden, system, archive
    for (const auto& [path, deletable] : m.files.files) m.files.attributes[path] = kMarked;
    m.Press();
    EXPECT_EQ(m.view.text[ControlId::msg], kDisinfected);
    EXPECT_TRUE(m.files.recorded.empty());
    // Each worm file's marks cleared (its other bits kept) right before its deletion; the
    // bystander beside them keeps its marks.
    const std::vector<std::wstring> calls = {
        L"SetFileAttributesW(" + kMoniker + L",32)", L"DeleteFile(" + kMoniker + L")",
        L"SetFileAttributesW(" + kSyslray + L",32)", L"DeleteFile(" + kSyslray + L")",
        L"SetFileAttributesW(" + kHkt1 + L",32)",    L"DeleteFile(" + kHkt1 + L")"};
    EXPECT_EQ(m.files.calls, calls);
    EXPECT_EQ(m.files.attributes[L"C:\\windows\\system32\\HKT2.dll"], kMarked);

    // Read-only alone clears to "normal", which is what Windows wants for no bits at all.
    Machine plain;
    plain.files.files[kHkt1] = true;
    plain.files.attributes[kHkt1] = 0x1;
    plain.Press();
    EXPECT_EQ(plain.files.calls.at(2), L"SetFileAttributesW(" + kHkt1 + L",128)");
    EXPECT_EQ(plain.view.text[ControlId::msg], kDisinfected);
}

TEST(Disinfection, AFileThatCannotBeRecordedIsReportedLeft) {
    struct Case {
        const char* what;
        void (*stage)(Machine&);
    };
    const Case cases[] = {
        {"the record reports success but is not in the list",
         [](Machine& m) { m.files.recordWritesNothing = true; }},
        {"a missing file is not what the restart is for", [](Machine& m) { m.files.refusal = 2; }},
    };
    for (const auto& c : cases) {
        Machine m;
        c.stage(m);
        m.Press();
        EXPECT_EQ(m.view.text[ControlId::msg], kNotRemoved) << c.what;
        ASSERT_EQ(m.boxes.shown.size(), 1u) << c.what;
        EXPECT_EQ(m.boxes.shown[0].text, L"Esto del gusano sigue en tu PC:\r\n" + kHkt1) << c.what;
    }
}

TEST(Disinfection, TheLeftBoxNamesEveryItemAndEveryCheckThatCouldNotBeMade) {
    Machine m;
    m.api.processes[2].survivesTerminate = true;  // syslray.exe
    m.registry.deleteFails = 5;                   // not administrator: no Run value goes,
    m.files.recordFails = 5;                      // and the file in use cannot be recorded
    m.Press();
    EXPECT_EQ(m.boxes.shown.at(0).text,
              L"Esto del gusano sigue en tu PC:\r\nsyslray.exe\r\nrealone_nt2003\r\n"
              L"realone_nt2004\r\n" +
                  kHkt1);

    // Unreadable process list and Run key: a line each, whatever else the checks found; what goes
    // with the restart follows, files then programs, under headings of their own.
    Remnants unchecked;
    unchecked.processesUnchecked = unchecked.runKeyUnchecked = true;
    unchecked.files = {kHkt1};
    unchecked.pending = {kMoniker};
    unchecked.pendingProcesses = {L"moniker.exe"};
    EXPECT_EQ(prin::LeftText(unchecked),
              L"Esto del gusano sigue en tu PC:\r\n(no pude revisar los procesos)\r\n"
              L"(no pude revisar la clave Run)\r\n" +
                  kHkt1 +
                  L"\r\nEstos archivos del gusano estan en uso y se borraran cuando reinicies tu "
                  L"PC:\r\n" +
                  kMoniker +
                  L"\r\nEstos programas del gusano se cerraran cuando reinicies tu PC:\r\n"
                  L"moniker.exe");
    unchecked.pending.clear();
    EXPECT_EQ(prin::PendingText(unchecked),
              L"Estos programas del gusano se cerraran cuando reinicies tu PC:\r\nmoniker.exe");
    EXPECT_TRUE(unchecked.AnythingLeft());
    Remnants pendingOnly;
    pendingOnly.pending = {kHkt1};
    EXPECT_FALSE(pendingOnly.AnythingLeft());
    EXPECT_TRUE(pendingOnly.AnythingFound());
    Remnants uncheckedOnly;
    uncheckedOnly.runKeyUnchecked = true;
    EXPECT_FALSE(uncheckedOnly.AnythingFound());
}

// A second program of one name, from elsewhere behind one that the restart would end: the first
// match alone would answer the restart while the second stays.
// Two programs of the worm that start each other again the moment one ends: ended one after the
// other, the second starts the first again before it ends itself, and the press ends that one as
// it appears. One press ends them both, and says so; a program that never ends is still named as
// left, after a bounded wait.
TEST(Disinfection, APairThatStartsEachOtherAgainEndsInOnePress) {
    fakes::Machine m;
    m.Infect();
    m.api.processes[1].partner = L"syslray.exe";
    m.api.processes[2].partner = L"moniker.exe";
    m.form.Click(ControlId::Command1);
    EXPECT_EQ(m.Status(), kDisinfected);
    EXPECT_TRUE(m.disinfection.Check().None());

    Machine stuck;
    stuck.api.processes = {{10, L"moniker.exe", true}};
    stuck.Press();
    EXPECT_EQ(stuck.view.text[ControlId::msg], kNotRemoved);
    // Ended once, and waited for within the bound: not ended again and again.
    EXPECT_EQ(std::count_if(stuck.api.calls.begin(), stuck.api.calls.end(),
                            [](const std::wstring& c) { return c.starts_with(L"Terminate"); }),
              1);
    EXPECT_GE(stuck.clock.now, Disinfection::kWaitLimitMilliseconds);

    // An id given out again once its program has gone (no longer listed) belongs to a new
    // program: ended too.
    fakes::Machine reused;
    reused.Infect();
    reused.api.processes[2].lingerSnapshots = 3;  // syslray.exe exits slowly: the press looks on
    int gone = 0;
    reused.api.onProcessSnapshot = [&]() -> std::optional<std::uint32_t> {
        if (!reused.api.IsRunning(10) && ++gone == 3)
            reused.api.processes.push_back({10, L"moniker.exe"});
        return std::nullopt;
    };
    reused.form.Click(ControlId::Command1);
    EXPECT_GE(gone, 3);
    EXPECT_EQ(reused.Status(), kDisinfected);
}

TEST(Disinfection, EveryProgramOfANameIsJudged) {
    Machine m;
    // The second one, from elsewhere, does not end (not this program's to end).
    m.api.processes = {{10, L"moniker.exe", false, 0, false, kMoniker, true},
                       {20, L"moniker.exe", true, 0, false, L"C:\\Users\\ana\\MONIKER.exe"}};
    m.files.files[kMoniker] = false;  // held by the program that runs from it
    m.Press();
    EXPECT_EQ(m.view.text[ControlId::msg], kNotRemoved);
    EXPECT_EQ(m.disinfection.Check().processes, std::vector<std::wstring>{L"moniker.exe"});

    // Each name found, the second moniker.exe in the part of a list cut short: not checked.
    Machine cut;
    cut.api.processes = {{10, L"moniker.exe"}, {11, L"syslray.exe"}, {20, L"moniker.exe"}};
    cut.api.nextFails = 31;  // ERROR_GEN_FAILURE
    cut.api.nextFailsAfter = 2;
    EXPECT_TRUE(cut.disinfection.Check().processesUnchecked);
}

// The worm where it lives: in a system folder of another name, which Windows names, its Run
// value starts (quoted with arguments, unquoted, expanded) or its program runs from (listed in
// upper case). Its files there go; a file of its names that a Run value of another name starts,
// and programs whose names only contain the worm's, stay.
TEST(Disinfection, TheWormGoesWhereverItLivesAndNothingElseIsTouched) {
    const std::wstring winnt = L"C:\\WINNT\\system32", other = L"C:\\Otro\\MONIKER.exe";
    const std::pair<std::wstring, std::uint32_t> values[] = {
        // realone_nt2003's, REG_(EXPAND_)SZ
        {L"", 1},
        {L"\"" + winnt + L"\\MONIKER.exe\" -s", 1},
        {winnt + L"\\syslray /x", 1},
        {L"%SystemRoot%\\system32\\moniker.exe", 2},
        {L"", 1}};
    for (int i = 0; i < 5; ++i) {
        fakes::Machine m;
        m.api.processes = {{5, L"limpiar_moniker.exe"}, {6, L"dwm.exe"}, {7, L"xsyslray.exe"}};
        if (i == 4)
            m.api.processes.push_back({10, L"MONIKER.exe", 0, 0, 0, winnt + L"\\MONIKER.exe"});
        if (i == 0) m.files.systemDirectory = winnt;
        m.files.windowsDirectory = L"C:\\WINNT";
        auto& run = m.registry.keys[{fakes::kHklm, fakes::kRun}];
        run = {L"otro", L"realone_nt2003"};
        m.registry.multiStrings[{fakes::kHklm, fakes::kRun}] = {
            {L"otro", other}, {L"realone_nt2003", values[i].first}};
        m.registry.types = {{L"otro", 1}, {L"realone_nt2003", values[i].second}};
        for (const wchar_t* name : worm::kFileNames) m.files.files[winnt + L"\\" + name] = true;
        m.files.files[other] = true;
        m.form.Click(ControlId::Command1);
        EXPECT_EQ(m.Status(), kDisinfected) << i;
        EXPECT_EQ(m.files.files.size(), 1u) << i;  // the other program's file alone
        EXPECT_EQ(run, std::set<std::wstring>{L"otro"});
        EXPECT_EQ(m.api.processes.size(), 3u);
    }
}

// Access denied is what a running program's file answers, and also what a file answers that the
// program may not delete: the restart would refuse that one the same way.
TEST(Disinfection, AccessDeniedGoesAtTheRestartOnlyWhereAProgramRunsFromIt) {
    Machine m;
    m.api.processes = {{4, L"explorer.exe"}};
    m.files.files[kHkt1] = true;
    m.files.files[kMoniker] = false;
    m.files.refusal = 5;
    m.Press();
    EXPECT_TRUE(m.files.recorded.empty());
    EXPECT_EQ(m.boxes.shown.at(0).text, L"Esto del gusano sigue en tu PC:\r\n" + kMoniker);

    // The same refusal while moniker.exe runs from the file and comes back: the restart.
    Machine running;
    running.api.processes = {{10, L"moniker.exe", false, 0, false, kMoniker, true}};
    running.files.files[kHkt1] = true;
    running.files.files[kMoniker] = false;
    running.files.refusal = 5;
    running.Press();
    EXPECT_EQ(running.files.recorded, std::vector<std::wstring>{kMoniker});
    EXPECT_EQ(running.view.text[ControlId::msg], kAlmostDone);

    // Refused while the host that starts it again is between two starts: judged once the press
    // has done its work, when it runs again, it goes at the restart all the same.
    Machine between;
    between.api.processes = {{4, L"explorer.exe"}};
    between.files.files = {{kMoniker, false}};
    between.files.refusal = 5;
    between.clock.onSleep = [&] {
        if (!between.api.IsRunning(12) && !between.files.calls.empty()) {
            between.api.processes.push_back({12, L"moniker.exe", 0, 0, 0, kMoniker, true});
        }
    };
    between.Press();
    EXPECT_EQ(between.files.recorded, std::vector<std::wstring>{kMoniker});

    // A folder under the DLL's name is none of its files: not for the restart.
    Machine folder;
    folder.files.attributes[kHkt1] = 0x10;
    folder.files.refusal = 5;
    folder.Press();
    EXPECT_TRUE(folder.files.recorded.empty());
    EXPECT_EQ(folder.view.text[ControlId::msg], kNotRemoved);

    // A read-only mark that cannot be cleared is what refuses the DLL: not the restart either.
    Machine stuck;
    stuck.files.attributes[kHkt1] = 0x1;
    stuck.files.marksLocked = {kHkt1};
    stuck.files.refusal = 5;
    stuck.Press();
    EXPECT_TRUE(stuck.files.recorded.empty());
    EXPECT_EQ(stuck.view.text[ControlId::msg], kNotRemoved);
}

// A file that another program holds with delete sharing: the delete is accepted, the name stays
// until it lets go, and Windows before 10 can then no longer examine it. Recorded, it goes at the
// restart; a record left by an earlier run for a file that is gone since counts for nothing.
TEST(Disinfection, WhatTheRestartListHoldsIsJudgedByWhatIsThere) {
    Machine m;
    m.files.files[kHkt1] = true;
    m.files.heldWithDeleteSharing = {kHkt1};
    m.files.deletePendingUnknown = true;
    m.Press();
    EXPECT_EQ(m.files.recorded, std::vector<std::wstring>{kHkt1});
    EXPECT_EQ(m.view.text[ControlId::msg], kAlmostDone);

    Machine gone;
    gone.Clean();
    gone.files.files = {{kHkt1, false}};
    gone.files.MoveFileExW(kHkt1, std::nullopt, kMoveFileDelayUntilReboot);
    gone.files.files.clear();
    gone.form.Form_Load();
    EXPECT_EQ(gone.view.text[ControlId::msg], kClean);
}

TEST(RestartDeletes, ReadsThePairsOfTheSystemsList) {
    using Ops = std::vector<PendingOperation>;
    const std::wstring nul(1, L'\0');
    // Deletions (empty new name) and a rename, as Windows writes them, with the closing NUL.
    const std::wstring data = L"\\??\\C:\\a.dll" + nul + nul + L"\\??\\C:\\b.tmp" + nul +
                              L"!\\??\\C:\\b.dll" + nul + L"\\??\\C:\\c.exe" + nul + nul + nul;
    const Ops ops = ParsePendingOperations(data);
    EXPECT_EQ(ops, (Ops{{L"\\??\\C:\\a.dll", L""},
                        {L"\\??\\C:\\b.tmp", L"!\\??\\C:\\b.dll"},
                        {L"\\??\\C:\\c.exe", L""}}));
    EXPECT_TRUE(DeletesAtRestart(ops, L"c:\\A.DLL"));
    EXPECT_TRUE(DeletesAtRestart(ops, L"C:\\c.exe"));
    EXPECT_FALSE(DeletesAtRestart(ops, L"C:\\b.tmp"));  // renamed, not deleted
    EXPECT_FALSE(DeletesAtRestart(ops, L"C:\\a.dl"));
    // Cut short, empty, or no closing NUL: the complete pairs only, never past the end.
    EXPECT_EQ(ParsePendingOperations(L"\\??\\C:\\a.dll" + nul), Ops{});
    EXPECT_EQ(ParsePendingOperations(L""), Ops{});
    EXPECT_EQ(ParsePendingOperations(nul + nul), Ops{});
    EXPECT_EQ(ParsePendingOperations(L"x" + nul + L"y"), (Ops{{L"x", L"y"}}));
}

TEST(RestartDeletes, ReadsTheNulLinesOfWininitsRenameSection) {
    using Paths = std::vector<std::string>;
    struct Case {
        std::string file;
        Paths deletes;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"[boot]\r\nNUL=C:\\A\r\n", {}},  // another section's
        {"[Rename]\r\nnul=C:\\A\r\n[other]\r\nNUL=C:\\B\r\n", {"C:\\A"}},
        {"[ rename ]\nNUL = C:\\A \nNUL=C:\\B", {"C:\\A", "C:\\B"}},  // LF, blanks, no last end
        // A comment, a rename to another name, a line without '=', an empty value.
        {"[rename]\r\n;NUL=C:\\C\r\nC:\\NEW=C:\\OLD\r\nNUL\r\nNUL=\r\n", {""}},
        {"[rename]\r\nNUL=C:\\A\r\n[boot]\r\n[RENAME]\r\nNUL=C:\\B\r\n", {"C:\\A", "C:\\B"}},
    };
    for (const Case& c : cases) EXPECT_EQ(WininitDeletes(c.file), c.deletes) << c.file;
}

TEST(RestartDeletes, AddsANulLineToWininitKeepingEveryOtherByte) {
    struct Case {
        std::string file, written;
    };
    const std::string line = "NUL=C:\\X.DLL\r\n";
    const std::vector<Case> cases = {
        {"", "[rename]\r\n" + line},
        {"[boot]\r\nv=\xE9\r\n", "[boot]\r\nv=\xE9\r\n[rename]\r\n" + line},
        {"[boot]\r\nv=1", "[boot]\r\nv=1\r\n[rename]\r\n" + line},
        {"[rename]", "[rename]\r\n" + line},
        // After the section's last line that says anything, before the blank lines and the next.
        {"[Rename]\r\nNUL=C:\\A\r\n\r\n[other]\r\nNUL=C:\\B\r\n",
         "[Rename]\r\nNUL=C:\\A\r\n" + line + "\r\n[other]\r\nNUL=C:\\B\r\n"},
        {"[rename]\nNUL=C:\\A\n", "[rename]\nNUL=C:\\A\n" + line},
        {"[rename]\nNUL=C:\\A", "[rename]\nNUL=C:\\A\r\n" + line},
    };
    for (const Case& c : cases) {
        const std::string written = WithWininitDelete(c.file, "C:\\X.DLL");
        EXPECT_EQ(written, c.written) << c.file;
        EXPECT_EQ(WininitDeletes(written).back(), "C:\\X.DLL") << c.file;
    }
}

// HKT1.dll's delete refused as a loaded DLL's is (access denied): what the open for deletion
// answers tells a file in use, which goes at the restart, from one this program may not delete.
TEST(Disinfection, AnOpenForDeletionTellsAFileInUseFromOneWithoutRights) {
    struct Case {
        std::uint32_t openRefusal;  // 0: granted
        bool pending;
    };
    for (const Case& c : {Case{0, true}, Case{kErrorSharingViolation, true}, Case{5, false}}) {
        Machine m;
        m.files.refusal = kErrorAccessDenied;
        if (c.openRefusal == 5) m.files.noRights.insert(kHkt1);
        if (c.openRefusal == kErrorSharingViolation) m.files.openRefusal[kHkt1] = c.openRefusal;
        m.Press();
        EXPECT_EQ(m.Pending().size(), c.pending ? 1u : 0u) << c.openRefusal;
    }
}

}  // namespace
}  // namespace torvexa
