// The removal that finishes: marked worm files, files in use recorded for the restart (once, in
// the folder they really are in), and the three answers a press can end with.
#include "app/disinfection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/prin.h"
#include "app/prin_form.h"
#include "app/restart_deletes.h"
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
    Machine() {
        Infect();
        files.files[kHkt1] = false;
        files.refusal = 32;  // sharing violation
    }
    void Press() { form.Click(ControlId::Command1); }
    std::vector<PendingOperation> Pending() {
        RestartDeletes list(registry, files);
        return list.Read().value_or(std::vector<PendingOperation>{});
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

TEST(Disinfection, OnA64BitWindowsTheRecordNamesTheFolderTheFileIsReallyIn) {
    Machine m;
    m.files.wow64Directory = L"C:\\windows\\SysWOW64";
    m.Press();
    const std::vector<std::wstring> recorded = {L"C:\\windows\\SysWOW64\\HKT1.dll"};
    EXPECT_EQ(m.files.recorded, recorded);
    // The program still names the file as it knows it, and finds it pending on a second press.
    ASSERT_EQ(m.boxes.shown.size(), 1u);
    EXPECT_TRUE(m.boxes.shown[0].text.ends_with(L"\r\n" + kHkt1));
    m.Press();
    EXPECT_EQ(m.files.recorded, recorded);
    EXPECT_EQ(m.view.text[ControlId::msg], kAlmostDone);

    // A system folder elsewhere than the fixed path's: the path is not redirected, nor changed.
    Machine elsewhere;
    elsewhere.files.wow64Directory = L"D:\\WINNT\\SysWOW64";
    elsewhere.files.systemDirectory = L"D:\\WINNT\\system32";
    elsewhere.Press();
    EXPECT_EQ(elsewhere.files.recorded, std::vector<std::wstring>{kHkt1});
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
        L"SetFileAttributesW(" + kMoniker + L",32)", L"DeleteFileA(" + kMoniker + L")",
        L"SetFileAttributesW(" + kSyslray + L",32)", L"DeleteFileA(" + kSyslray + L")",
        L"SetFileAttributesW(" + kHkt1 + L",32)",    L"DeleteFileA(" + kHkt1 + L")"};
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
        {"not administrator: the record is refused", [](Machine& m) { m.files.recordFails = 5; }},
        {"the record reports success but is not in the list",
         [](Machine& m) { m.files.recordWritesNothing = true; }},
        {"the list cannot be read", [](Machine& m) { m.registry.queryDataFails = 5; }},
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

    // Unreadable process list and Run key: a line each, whatever else the checks found.
    Remnants unchecked;
    unchecked.processesUnchecked = unchecked.runKeyUnchecked = true;
    unchecked.files = {kHkt1};
    unchecked.pending = {kMoniker};  // pending files are not "left"; they have a box of their own
    EXPECT_EQ(prin::LeftText(unchecked),
              L"Esto del gusano sigue en tu PC:\r\n(no pude revisar los procesos)\r\n"
              L"(no pude revisar la clave Run)\r\n" +
                  kHkt1);
    EXPECT_TRUE(unchecked.AnythingLeft());
    Remnants pendingOnly;
    pendingOnly.pending = {kHkt1};
    EXPECT_FALSE(pendingOnly.AnythingLeft());
    EXPECT_TRUE(pendingOnly.AnythingFound());
    Remnants uncheckedOnly;
    uncheckedOnly.runKeyUnchecked = true;
    EXPECT_FALSE(uncheckedOnly.AnythingFound());
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

}  // namespace
}  // namespace torvexa
