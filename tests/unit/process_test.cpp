#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "platform/runtime_error.h"
#include "process/mdlProcess.h"
#include "tests/fakes/fake_process_api.h"

namespace torvexa {
namespace {

using fakes::FakeProcessApi;

std::wstring NameOf(const ProcessEntry32& e) {
    return {e.szExeFile.data()};
}

class ProcessTest : public ::testing::Test {
  protected:
    FakeProcessApi api;
    std::vector<std::wstring> reports;
    mdlErrorHandle errors{[this](const std::wstring& l) { reports.push_back(l); }};
};

TEST_F(ProcessTest, EnumCopiesEveryEntryInOrderAndClosesTheSnapshot) {
    api.processes = {{4, L"winemenubuilder.exe"}, {8, L"services.exe"}, {12, L"moniker.exe"}};
    mdlProcess process(api, errors);
    std::vector<ProcessEntry32> table(5);  // former contents are dropped

    EXPECT_EQ(process.Process32_Enum(table), 2);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(NameOf(table[1]), L"services.exe");
    EXPECT_EQ(table[2].th32ProcessID, 12u);
    EXPECT_EQ(table[0].dwSize, 296u);
    // The working record is reused: the tail of the longer earlier name stays after the NUL.
    EXPECT_EQ(std::wstring(table[1].szExeFile.data() + 13), L"er.exe");
    EXPECT_EQ(api.calls.front(), L"CreateToolhelp32Snapshot(2,0)");
    EXPECT_EQ(api.calls[1], L"Process32First(0x100,296)");
    EXPECT_EQ(api.calls.back(), L"CloseHandle(0x100)");
    EXPECT_TRUE(api.openHandles.empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(ProcessTest, EnumOfASingleEntryReturnsZero) {
    api.processes = {{4, L"a.exe"}};
    mdlProcess process(api, errors);
    std::vector<ProcessEntry32> table;
    EXPECT_EQ(process.Process32_Enum(table), 0);
    EXPECT_EQ(table.size(), 1u);
}

TEST_F(ProcessTest, FailedSnapshotIsReportedThenFirstFailsAndTheCloseIsStillAttempted) {
    api.snapshotFails = 8;
    api.processes = {{4, L"moniker.exe"}};
    mdlProcess process(api, errors);
    std::vector<ProcessEntry32> table(3);

    EXPECT_EQ(process.Process32_Enum(table), -1);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0], ProcessEntry32{});
    EXPECT_EQ(api.calls.back().rfind(L"CloseHandle(0xffffffff", 0), 0u);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0],
              L"ERROR: 8 at mdlProcess\\Process32_Enum >>> CreateToolHelp32Snapshoot failed ::: "
              L"INVALID_HANDLE_VALUE");
    EXPECT_EQ(reports[1], L"ERROR: 6 at mdlProcess\\Process32_Enum >>> Process32First failed");
    EXPECT_EQ(reports[2], L"ERROR: 6 at mdlProcess\\Process32_Enum >>> CloseHandle failed");
}

TEST_F(ProcessTest, FailedFirstEntryReturnsMinusOneClosesAndLookupAnswersZero) {
    api.processes = {{4, L"moniker.exe"}};
    api.firstFails = 24;
    mdlProcess process(api, errors);

    EXPECT_EQ(process.GetProcessIdByName(L"moniker.exe"), 0u);
    EXPECT_TRUE(api.openHandles.empty());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], L"ERROR: 24 at mdlProcess\\Process32_Enum >>> Process32First failed");
    EXPECT_EQ(process.ProcessEntries().size(), 1u);
    EXPECT_FALSE(process.FindByName(L"moniker.exe").complete);
}

TEST_F(ProcessTest, AWalkCutShortCountsAsUnreadAndIsNotReported) {
    api.processes = {{4, L"a.exe"}, {5, L"b.exe"}, {10, L"moniker.exe"}};
    api.nextFails = 31;  // ERROR_GEN_FAILURE, after the first two entries
    api.nextFailsAfter = 2;
    mdlProcess process(api, errors);
    // What was read is answered; that the rest was not is said, for each kind of question.
    EXPECT_EQ(process.GetProcessIdByName(L"b.exe"), 5u);
    EXPECT_FALSE(process.FindByName(L"b.exe").complete);
    EXPECT_EQ(process.GetProcessIdByName(L"moniker.exe"), 0u);
    EXPECT_FALSE(process.FindByName(L"moniker.exe").complete);
    EXPECT_TRUE(process.IsListed(10));
    EXPECT_TRUE(process.IsListed(99));  // perhaps in the part not read
    std::vector<ProcessEntry32> table;
    EXPECT_EQ(process.Process32_Enum(table), 1);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_TRUE(api.openHandles.empty());
    // The walk's normal end is no failure, and reads to the end.
    api.nextFails.reset();
    EXPECT_EQ(process.GetProcessIdByName(L"moniker.exe"), 10u);
    EXPECT_TRUE(process.FindByName(L"moniker.exe").complete);
    EXPECT_FALSE(process.IsListed(99));
    EXPECT_TRUE(reports.empty());
}

TEST_F(ProcessTest, FailedCloseIsReportedAndTheCountStillReturned) {
    api.processes = {{4, L"a.exe"}, {5, L"b.exe"}};
    api.closeFails = 6;
    mdlProcess process(api, errors);
    std::vector<ProcessEntry32> table;
    EXPECT_EQ(process.Process32_Enum(table), 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], L"ERROR: 6 at mdlProcess\\Process32_Enum >>> CloseHandle failed");
}

// Growth of the table fails once memory runs out: the trap reports it, the copy into the missing
// element fails and is reported in its turn, and the walk goes on counting every entry.
class ShortOfMemory : public mdlProcess {
  public:
    using mdlProcess::mdlProcess;
    std::size_t failGrowthTo = 0;

  protected:
    void ResizeTable(std::vector<ProcessEntry32>& table, std::size_t size, bool preserve) override {
        if (size == failGrowthTo) throw std::bad_alloc();
        mdlProcess::ResizeTable(table, size, preserve);
    }
};

TEST_F(ProcessTest, TrapReportsAFailedGrowthAndResumesWithTheNextStep) {
    api.processes = {{4, L"a.exe"}, {5, L"b.exe"}, {6, L"c.exe"}};
    ShortOfMemory process(api, errors);
    process.failGrowthTo = 2;
    std::vector<ProcessEntry32> table;

    EXPECT_EQ(process.Process32_Enum(table), 2);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], L"VB ERROR: 7 at mdlProcess\\Process32_Enum >>> Out of memory");
    EXPECT_EQ(reports[1], L"VB ERROR: 9 at mdlProcess\\Process32_Enum >>> Subscript out of range");
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(NameOf(table[2]), L"c.exe");
    EXPECT_TRUE(api.openHandles.empty());
}

TEST_F(ProcessTest, LookupBeyondAShortTableFailsToItsCaller) {
    api.processes = {{4, L"a.exe"}, {5, L"b.exe"}};
    ShortOfMemory process(api, errors);
    process.failGrowthTo = 2;
    EXPECT_THROW(process.GetProcessIdByName(L"b.exe"), RuntimeError);
}

TEST_F(ProcessTest, LookupMatchesTheProgramsFileNameLetterCaseAsideFirstWins) {
    struct Case {
        std::vector<fakes::FakeProcess> processes;
        std::wstring name;
        ProcessId expected;
    };
    const std::wstring longName(261, L'a');
    const std::vector<Case> cases = {
        {{{4, L"moniker.exe"}}, L"moniker.exe", 4},
        {{{4, L"MONIKER.exe"}}, L"moniker.exe", 4},
        {{{4, L"Moniker.EXE"}}, L"moniker.exe", 4},
        {{{4, L"xmoniker.exe"}}, L"moniker.exe", 0},
        {{{4, L"moniker.exe.bak"}}, L"moniker.exe", 0},
        {{{4, L"moniker.ex"}}, L"moniker.exe", 0},
        // The record is reused: "dwm.exe" and its NUL leave "r_moniker.exe" behind in the field.
        {{{4, L"limpiar_moniker.exe"}, {9, L"dwm.exe"}}, L"moniker.exe", 0},
        {{{4, L"xsyslray.exe"}, {9, L"a.exe"}}, L"syslray.exe", 0},
        {{{4, L"C:\\windows\\system32\\moniker.exe"}}, L"moniker.exe", 4},
        {{{4, L"syslray.exe"}, {9, L"moniker.exe"}, {10, L"moniker.exe"}}, L"moniker.exe", 9},
        {{{4, std::wstring(259, L'a')}}, longName, 0},
        {{}, L"moniker.exe", 0},
    };
    for (const auto& c : cases) {
        api.processes = c.processes;
        mdlProcess process(api, errors);
        EXPECT_EQ(process.GetProcessIdByName(c.name), c.expected) << c.processes[0].name;
    }
    // Every match, by the same rule, in snapshot order.
    api.processes = {
        {9, L"moniker.exe"}, {4, L"syslray.exe"}, {3, L"xmoniker.exe"}, {5, L"MONIKER.exe"}};
    mdlProcess process(api, errors);
    EXPECT_EQ(process.FindByName(L"moniker.exe").ids, (std::vector<ProcessId>{9, 5}));
    EXPECT_EQ(process.FindByName(L"MONIKER.EXE").ids, (std::vector<ProcessId>{9, 5}));
}

TEST_F(ProcessTest, TheImagePathIsTakenAgainWhileTheModuleListIsChanging) {
    api.processes = {{10, L"moniker.exe", false, 0, false, L"C:\\windows\\system32\\MONIKER.exe"}};
    mdlProcess process(api, errors);
    api.moduleBadLengths = 2;
    EXPECT_EQ(process.ImagePath(10), L"C:\\windows\\system32\\MONIKER.exe");
    api.moduleBadLengths = 3;
    EXPECT_EQ(process.ImagePath(10), std::nullopt);
    EXPECT_EQ(process.ImagePath(99), std::nullopt);  // no such process
    EXPECT_TRUE(api.openHandles.empty());
}

// Windows 9x: each record names the program's full path in the file system's letter case.
TEST_F(ProcessTest, OnWindows9xTheLookupComparesTheFileNamePartLetterCaseAside) {
    struct Case {
        std::vector<fakes::FakeProcess> processes;
        std::wstring name;
        ProcessId expected;
    };
    const std::vector<Case> cases = {
        {{{4, L"C:\\WINDOWS\\SYSTEM32\\MONIKER.EXE"}}, L"moniker.exe", 4},
        {{{4, L"C:\\windows\\system32\\Moniker.exe"}}, L"moniker.exe", 4},
        {{{4, L"C:\\WINDOWS\\SYSTEM32\\XMONIKER.EXE"}}, L"moniker.exe", 0},
        {{{4, L"C:\\MONIKER.EXE\\SETUP.EXE"}}, L"moniker.exe", 0},  // a folder's name
        {{{4, L"C:\\WINDOWS\\EXPLORER.EXE"}, {9, L"C:\\WINDOWS\\SYSTEM32\\SYSLRAY.EXE"}},
         L"syslray.exe",
         9},
        {{{4, L"C:\\WINDOWS\\EXPLORER.EXE"}}, L"syslray.exe", 0},
        {{{4, L"MONIKER.EXE"}}, L"moniker.exe", 4},
    };
    for (const auto& c : cases) {
        api.processes = c.processes;
        mdlProcess process(api, errors, true);
        EXPECT_EQ(process.GetProcessIdByName(c.name), c.expected) << c.processes[0].name;
    }
}

TEST_F(ProcessTest, OnWindows9xTheImagePathIsTheProcessRecordsPath) {
    api.processes = {{4, L"C:\\WINDOWS\\EXPLORER.EXE"},
                     {10, L"C:\\WINDOWS\\SYSTEM32\\MONIKER.EXE"}};
    mdlProcess process(api, errors, true);
    EXPECT_EQ(process.ImagePath(10), L"C:\\WINDOWS\\SYSTEM32\\MONIKER.EXE");
    EXPECT_EQ(process.ImagePath(99), std::nullopt);
    for (const auto& call : api.calls) EXPECT_FALSE(call.starts_with(L"Module32FirstW")) << call;
    // A record with a bare name (Wine reporting 9x keeps NT's records): the module list says.
    api.processes.push_back(
        {12, L"MONIKER.EXE", false, 0, false, L"C:\\WINDOWS\\SYSTEM32\\MONIKER.EXE"});
    EXPECT_EQ(process.ImagePath(12), L"C:\\WINDOWS\\SYSTEM32\\MONIKER.EXE");
}

TEST_F(ProcessTest, EveryLookupTakesANewSnapshot) {
    api.processes = {{4, L"system"}};
    mdlProcess process(api, errors);
    EXPECT_EQ(process.GetProcessIdByName(L"moniker.exe"), 0u);
    api.processes.push_back({40, L"moniker.exe"});
    EXPECT_EQ(process.GetProcessIdByName(L"moniker.exe"), 40u);
    api.processes.pop_back();
    EXPECT_EQ(process.GetProcessIdByName(L"moniker.exe"), 0u);
    EXPECT_TRUE(process.FindByName(L"moniker.exe").complete);
}

TEST_F(ProcessTest, KillEndsARunningProcessWithTheExitCodeReadAndClosesTheHandle) {
    api.processes = {{40, L"moniker.exe"}};
    mdlProcess process(api, errors);
    process.Kill_Process(40);
    const std::vector<std::wstring> expected = {
        L"OpenProcess(0x401,0,40)", L"GetExitCodeProcess(0x100)", L"TerminateProcess(0x100,259)",
        L"CloseHandle(0x100)"};
    EXPECT_EQ(api.calls, expected);
    EXPECT_FALSE(api.IsRunning(40));
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(api.openHandles.empty());
}

TEST_F(ProcessTest, KillOfIdZeroMakesEveryCallOnceAndFilesFourReportsInOrder) {
    mdlProcess process(api, errors);
    process.Kill_Process(0);
    const std::vector<std::wstring> calls = {L"OpenProcess(0x401,0,0)", L"GetExitCodeProcess(0)",
                                             L"TerminateProcess(0,0)", L"CloseHandle(0)"};
    EXPECT_EQ(api.calls, calls);
    const std::vector<std::wstring> expected = {
        L"ERROR: 87 at mdlProcess\\Kill_Process >>> OpenProcess failed",
        L"ERROR: 6 at mdlProcess\\Kill_Process >>> GetExitCodeProcess failed",
        L"ERROR: 6 at mdlProcess\\Kill_Process >>> TerminateProcess failed",
        L"ERROR: 6 at mdlProcess\\Kill_Process >>> CloseHandle failed"};
    EXPECT_EQ(reports, expected);
}

TEST_F(ProcessTest, KillOfAnEndedProcessPassesItsRealExitCodeAndStillCloses) {
    api.processes = {{40, L"moniker.exe"}};
    api.exitCode = 3;
    api.terminateFails = 5;
    mdlProcess process(api, errors);
    process.Kill_Process(40);
    EXPECT_EQ(api.calls[2], L"TerminateProcess(0x100,3)");
    EXPECT_EQ(reports, std::vector<std::wstring>{
                           L"ERROR: 5 at mdlProcess\\Kill_Process >>> TerminateProcess failed"});
    EXPECT_TRUE(api.openHandles.empty());
}

TEST_F(ProcessTest, KillClosesTheProcessEvenWhenAReportFails) {
    // Memory running out while a report is built: the failure reaches the caller, the opened
    // process handle does not leak.
    api.processes = {{40, L"moniker.exe"}};
    api.exitCodeFails = 5;
    const mdlErrorHandle failing([](const std::wstring&) { throw std::bad_alloc(); });
    mdlProcess process(api, failing);
    EXPECT_THROW(process.Kill_Process(40), std::bad_alloc);
    EXPECT_EQ(api.calls.back(), L"CloseHandle(0x100)");
    EXPECT_TRUE(api.openHandles.empty());
}

TEST_F(ProcessTest, KillWhenTheExitCodeCannotBeReadTerminatesWithZero) {
    api.processes = {{40, L"moniker.exe"}};
    api.exitCodeFails = 5;
    mdlProcess process(api, errors);
    process.Kill_Process(40);
    EXPECT_EQ(api.calls[2], L"TerminateProcess(0x100,0)");
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_FALSE(api.IsRunning(40));
}

}  // namespace
}  // namespace torvexa
