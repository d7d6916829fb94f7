// The command line's switches, and the run without the window: its exit codes, its one report
// line, and what it leaves alone.
#include "app/silent_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/modules.h"
#include "tests/fakes/fake_process_api.h"
#include "tests/fakes/fake_registry_api.h"
#include "tests/fakes/fake_run_report.h"
#include "tests/fakes/fake_system.h"

namespace torvexa {
namespace {

using Mode = CommandLine::Mode;
using Args = std::vector<std::wstring>;

const std::wstring kHkt1 = L"C:\\windows\\system32\\HKT1.dll";
const std::wstring kRun = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(SilentCommandLine, SplitsAsWindowsProgramsDo) {
    EXPECT_EQ(SplitCommandLine(L"\"C:\\Program Files\\Torvexa.exe\" /S  \t-N"),
              (Args{L"C:\\Program Files\\Torvexa.exe", L"/S", L"-N"}));
    // Quotes anywhere in an argument; backslashes before a quote halve, an odd one escapes it;
    // other backslashes stay; "" inside quotes is a quote; a trailing open quote ends the line.
    EXPECT_EQ(SplitCommandLine(L"T.exe /LOG=\"\\\\srv\\logs\\a b.txt\" \"x\\\\\" a\\\"b c\\d "
                               L"\"say \"\"hi\"\"\" \"\" \"open"),
              (Args{L"T.exe", L"/LOG=\\\\srv\\logs\\a b.txt", L"x\\", L"a\"b", L"c\\d",
                    L"say \"hi\"", L"", L"open"}));
    // The program's path is taken whole up to its closing quote, backslashes and all.
    EXPECT_EQ(SplitCommandLine(L"\"C:\\a\\\"/S"), (Args{L"C:\\a\\", L"/S"}));
    EXPECT_EQ(SplitCommandLine(L"Torvexa.exe"), (Args{L"Torvexa.exe"}));
}

TEST(SilentCommandLine, ReadsEachSwitchInAnyCaseAfterSlashOrDash) {
    for (const wchar_t* s : {L"/S", L"-s", L"/q", L"-Q", L"/Silent", L"-SILENT", L"/quiet"}) {
        const CommandLine c = ParseCommandLine({s});
        EXPECT_EQ(c.mode, Mode::Silent) << s;
        EXPECT_FALSE(c.checkOnly);
        EXPECT_FALSE(c.log);
    }
    const CommandLine c = ParseCommandLine({L"-n", L"/log=D:\\Logs\\Torvexa.log", L"/s"});
    EXPECT_EQ(c.mode, Mode::Silent);
    EXPECT_TRUE(c.checkOnly);
    EXPECT_EQ(c.log, L"D:\\Logs\\Torvexa.log");  // the path keeps its letter case
}

TEST(SilentCommandLine, RefusesUnknownSwitchesAndNOrLogWithoutSilent) {
    for (const Args& args :
         {Args{L"/X"}, Args{L"/S", L"/X"}, Args{L"/S", L"-"}, Args{L"/?"}, Args{L"/S", L"/LOG="},
          Args{L"/SS"}, Args{L"/N"}, Args{L"/LOG=C:\\t.log"}, Args{L"-n", L"-log=x"}}) {
        EXPECT_EQ(ParseCommandLine(args).mode, Mode::Refused) << args.back();
    }
}

TEST(SilentCommandLine, ArgumentsThatAreNoSwitchesChangeNothing) {
    EXPECT_EQ(ParseCommandLine({}).mode, Mode::Window);
    EXPECT_EQ(ParseCommandLine({L"C:\\Users\\ana\\dropped file.txt", L""}).mode, Mode::Window);
    EXPECT_EQ(ParseCommandLine({L"C:\\dropped.txt", L"/S"}).mode, Mode::Silent);
}

Remnants Found(std::vector<std::wstring> processes, std::vector<std::wstring> values = {},
               std::vector<std::wstring> files = {}, std::vector<std::wstring> pending = {}) {
    Remnants r;
    r.processes = std::move(processes);
    r.runValues = std::move(values);
    r.files = std::move(files);
    r.pending = std::move(pending);
    return r;
}

TEST(SilentResult, EachEndHasItsCodeAndNamesEveryItem) {
    const Remnants none;
    Remnants unchecked;
    unchecked.processesUnchecked = unchecked.runKeyUnchecked = true;
    const Remnants infected =
        Found({L"moniker.exe"}, {L"realone_nt2003"}, {L"C:\\windows\\system32\\MONIKER.exe"});
    Remnants leftAndPending = Found({}, {}, {}, {kHkt1});
    leftAndPending.processesUnchecked = true;

    struct Case {
        Remnants found;
        std::optional<Remnants> left;
        int code;
        std::wstring words;
    };
    const Case cases[] = {
        {none, std::nullopt, 0, L"Limpio: nada del gusano"},
        {unchecked, std::nullopt, 4,
         L"Sin comprobar, nada encontrado: procesos sin revisar, clave Run sin revisar"},
        {infected, std::nullopt, 3,
         L"Infectado, nada cambiado: proceso moniker.exe, valor Run realone_nt2003, archivo "
         L"C:\\windows\\system32\\MONIKER.exe"},
        {infected, none, 1, L"Desinfectado: todo quitado"},
        {infected, Found({}, {}, {}, {kHkt1}), 3010,
         L"Casi listo: pendiente al reiniciar: " + kHkt1},
        {infected, leftAndPending, 2,
         L"No quitado del todo: procesos sin revisar; pendiente al reiniciar: " + kHkt1},
        // A file that is only pending from an earlier run needs nothing but the restart, checked
        // only or not.
        {Found({}, {}, {}, {kHkt1}), std::nullopt, 3010,
         L"Casi listo: pendiente al reiniciar: " + kHkt1},
        {Found({}, {}, {}, {kHkt1}), Found({}, {}, {}, {kHkt1}), 3010,
         L"Casi listo: pendiente al reiniciar: " + kHkt1},
        // ... but with a check that could not be made, it claims no more than what it saw, and
        // says what the start-up status says.
        {leftAndPending, std::nullopt, 4,
         L"Sin comprobar: procesos sin revisar; pendiente al reiniciar: " + kHkt1},
    };
    for (const Case& c : cases) {
        const SilentResult result = Judge(c.found, c.left);
        EXPECT_EQ(result.exitCode, c.code);
        EXPECT_EQ(result.words, c.words);
    }
    EXPECT_EQ(ReportLine({2026, 1, 8, 9, 5, 7}, L"PC-01", {3010, L"Casi listo"}),
              L"2026-01-08T09:05:07 PC-01 3010 Casi listo");
    EXPECT_EQ(ReportLine({2026, 12, 31, 23, 59, 59}, L"", {0, L"Limpio"}),
              L"2026-12-31T23:59:59 - 0 Limpio");
    // Each field at its bounds: two digits from 0 to 10.
    EXPECT_EQ(ReportLine({2030, 10, 10, 0, 0, 10}, L"PC", {1, L"x"}),
              L"2030-10-10T00:00:10 PC 1 x");
}

// An infected machine with the messenger running, HKT1.dll deletable unless a test says not.
struct Machine {
    Machine() {
        api.processes = {{10, L"moniker.exe"}, {11, L"syslray.exe"}, {12, L"msnmsgr.exe"}};
        registry.keys[{0x80000002, kRun}] = {L"realone_nt2003", L"realone_nt2004"};
        registry.keys[{0x80000002, fakes::FakeFileSystem::kSessionManager}] = {};
        for (const wchar_t* f : {L"MONIKER.exe", L"SYSLRAY.exe", L"HKT1.dll"}) {
            files.files[std::wstring(L"C:\\windows\\system32\\") + f] = true;
        }
        files.registry = &registry;
    }
    int Run(const Args& args) { return RunSilent(ParseCommandLine(args), disinfection, report); }

    fakes::FakeProcessApi api;
    fakes::FakeRegistryApi registry;
    NoMessageBoxes boxes;
    fakes::FakeFileSystem files;
    fakes::FakeClock clock;
    Modules modules{api, registry, files, clock, boxes, false};
    Disinfection& disinfection = modules.disinfection;
    fakes::FakeRunReport report;
};

TEST(SilentRun, RemovesTheWormLeavesTheMessengerAndReportsOneLineBothWays) {
    Machine m;
    EXPECT_EQ(m.Run({L"/S", L"/LOG=\\\\srv\\logs\\torvexa.log"}), 1);
    EXPECT_TRUE(m.files.files.empty());
    EXPECT_TRUE(m.api.IsRunning(12));  // msnmsgr.exe
    EXPECT_FALSE(m.api.IsRunning(10));
    const std::wstring line = L"2026-12-08T22:30:05 PC-01 1 Desinfectado: todo quitado";
    EXPECT_EQ(m.report.output, (std::vector<std::wstring>{line}));
    ASSERT_EQ(m.report.appended.size(), 1u);
    EXPECT_EQ(m.report.appended[0],
              std::make_pair(std::wstring(L"\\\\srv\\logs\\torvexa.log"), line));

    // Run again on the machine it cleaned: nothing found, and still no log without /LOG=.
    EXPECT_EQ(m.Run({L"/S"}), 0);
    EXPECT_EQ(m.report.appended.size(), 1u);
}

TEST(SilentRun, AFileInUseAsksForTheRestartAndAFailedLogChangesNothing) {
    Machine m;
    m.files.files[kHkt1] = false;
    m.files.refusal = 32;  // sharing violation
    m.report.appendFails = true;
    m.report.noOutput = true;
    EXPECT_EQ(m.Run({L"-quiet", L"-Log=C:\\full.log"}), 3010);
    EXPECT_EQ(m.files.recorded, (std::vector<std::wstring>{kHkt1}));
}

}  // namespace
}  // namespace torvexa
