// The scenarios without the window: Torvexa.exe run with switches, as an administrator runs it
// on many PCs (its exit code, its report line on the standard output and in a log, no window
// ever, and the machine afterwards), and the sandbox's planting tool.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "harness/child_process.h"
#include "tests/e2e/expect.h"
#include "tests/e2e/program.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/staging.h"

namespace torvexa::e2e {
namespace {

using sandbox::Exists;
using sandbox::Utf8;

const sandbox::Setup kInfectedWithMessenger{1, true, true, true};
const std::string kRemovedWords = "Desinfectado: todo quitado";
const std::string kHeldDllWords =
    "Casi listo: pendiente al reiniciar: C:\\windows\\system32\\HKT1.dll";

// infect.exe with `arguments`: it must print exactly `output` and end with `exitCode`.
void ExpectInfect(const std::vector<std::wstring>& arguments, const std::string& output,
                  DWORD exitCode) {
    std::wstring shown = L"infect";
    for (const auto& a : arguments) shown += L" " + a;
    DWORD code = 1;
    const std::string got =
        harness::RunCaptured(sandbox::BuildDir() + L"\\infect.exe", arguments, &code);
    // The tool prints ASCII only; widened, its line ends show in a difference as \n.
    ExpectText(Utf8(shown) + "'s output", {got.begin(), got.end()}, {output.begin(), output.end()});
    Expect(code == exitCode, Utf8(shown) + " ended with " + std::to_string(code) + ", expected " +
                                 std::to_string(exitCode));
}

// The log's bytes, and the log gone.
std::string LogBytes(const std::wstring& log) {
    std::string lines;
    FILE* f = _wfopen(log.c_str(), L"rb");
    Expect(f != nullptr, "no log file");
    char buffer[512];
    std::size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) lines.append(buffer, got);
    fclose(f);
    DeleteFileW(log.c_str());
    return lines;
}

}  // namespace

void SilentInfected() {
    OnAMachineWith(kInfectedWithMessenger);
    ExpectSilentRun({L"/S"}, 1, kRemovedWords, kDisinfectedMessengerKept);
}

// The worm in C:\WINNT\system32: the run removes all of it, and says so only then.
void SilentWormInWinnt() {
    OnAMachineWith(kWormInWinnt);
    ExpectSilentRun({L"/S"}, 1, kRemovedWords, kDisinfected);
    ExpectWinntEmpty();
}

void SilentClean() {
    OnAMachineWith({});
    ExpectSilentRun({L"-silent"}, 0, "Limpio: nada del gusano", kDisinfected);
}

void SilentCheckOnly() {
    OnAMachineWith(kInfectedWithMessenger);
    ExpectSilentRun(
        {L"/s", L"/N"}, 3,
        "Infectado, nada cambiado: proceso moniker.exe, proceso syslray.exe, valor Run "
        "realone_nt2003, valor Run realone_nt2004, archivo "
        "C:\\windows\\system32\\MONIKER.exe, archivo C:\\windows\\system32\\SYSLRAY.exe, "
        "archivo C:\\windows\\system32\\HKT1.dll",
        kInfected);
}

// Refused command lines do nothing at all, on an infected machine.
void SilentRefused() {
    OnAMachineWith(kInfectedWithMessenger);
    ExpectSilentRun({L"/S", L"/X"}, 87, "", kInfected);
    ExpectSilentRun({L"-N"}, 87, "", kInfected);
    ExpectSilentRun({L"/LOG=C:\\torvexa.log"}, 87, "", kInfected);
    Expect(!Exists(L"C:\\torvexa.log"), "a refused command line wrote the log");
}

// Each run appends its line, the file is made when missing, and a log that cannot be written
// changes neither the work nor the code.
void SilentLog() {
    const std::wstring log = L"C:\\Torvexa logs\\torvexa.log";
    OnAMachineWith(kInfectedWithMessenger);
    DeleteFileW(log.c_str());
    CreateDirectoryW(L"C:\\Torvexa logs", nullptr);
    ExpectSilentRun({L"/S", L"/LOG=" + log}, 1, kRemovedWords, kDisinfectedMessengerKept);
    ExpectSilentRun({L"/LOG=" + log, L"/Q"}, 0, "Limpio: nada del gusano",
                    kDisinfectedMessengerKept);
    Stage("reading the log");
    std::string lines = LogBytes(log);
    const std::size_t firstEnd = lines.find("\r\n");
    Expect(firstEnd != std::string::npos, "the log holds no line: \"" + lines + "\"");
    ExpectReportLine("the log's first line", lines.substr(0, firstEnd + 2), 1, kRemovedWords);
    ExpectReportLine("the log's second line", lines.substr(firstEnd + 2), 0,
                     "Limpio: nada del gusano");

    // A start-up script gives the program no standard output at all: the log is its only report.
    OnAMachineWith(kInfectedWithMessenger);
    Stage("a run with no standard output");
    const std::wstring exe = Torvexa::DefaultExe();
    const harness::ChildProcess run(L"\"" + exe + L"\" /S \"/LOG=" + log + L"\"",
                                    {exe, true, harness::StandardHandles::None});
    Expect(run.Wait(60000) && run.ExitCode() == 1, "the run without an output did not end with 1");
    lines = LogBytes(log);
    ExpectReportLine("the log's only line", lines, 1, kRemovedWords);
    DeleteFileW(log.c_str());
    RemoveDirectoryW(L"C:\\Torvexa logs");

    Stage("a log in a folder that does not exist");
    OnAMachineWith(kInfectedWithMessenger);
    ExpectSilentRun({L"/S", L"/LOG=C:\\no such folder\\torvexa.log"}, 1, kRemovedWords,
                    kDisinfectedMessengerKept);
}

// HKT1.dll kept open by another program goes at the restart; the machine is kept for
// silent_after_restart.
void SilentInUse() {
    OnAMachineWith({1, true, false, true, false, true});
    ExpectSilentRun({L"/S"}, 3010, kHeldDllWords, kHeldDllLeft);
    ExpectRecordedOnce({kHeldDll});
    // Run again before the restart: the same answer, nothing recorded twice.
    ExpectSilentRun({L"/S"}, 3010, kHeldDllWords, kHeldDllLeft);
    ExpectRecordedOnce({kHeldDll});
}

// A worm whose programs come back: removed but for what the restart takes, 3010; checked again
// before the restart, 3010 too, and nothing recorded twice.
void SilentComesBack() {
    OnAMachineWith({0, false, false, true, false, false, true});
    // The files, then the programs that run at the moment of the check.
    std::string files = "Casi listo: pendiente al reiniciar: ";
    for (const std::wstring& path : kAllWormFiles) {
        files += Utf8(path) + (path == kAllWormFiles.back() ? "" : ", ");
    }
    std::vector<std::string> words;
    for (const auto& running : InOrderParts({L"moniker.exe", L"syslray.exe"})) {
        std::string line = files;
        for (const auto& program : running) line += ", proceso " + Utf8(program);
        words.push_back(line);
    }
    ExpectSilentRun({L"/S"}, 3010, words, kCameBack);
    ExpectSilentRun({L"/S", L"/N"}, 3010, words, kCameBack);
    ExpectRecordedOnce(kAllWormFiles);
    ExpectDllHost(true);
}

void SilentAfterRestart() {
    Stage("after the restart");
    ExpectWormFilesGone();
    ExpectSilentRun({L"/S"}, 0, "Limpio: nada del gusano", std::nullopt);
}

// The tool that the run command and the benchmarks infect their machines with plants what the
// scenarios plant (with and without the messenger, also over an earlier infection), says what is
// left in the form the benchmarks read, and refuses a command line it does not know.
void PlantingTool() {
    const Machine infected{1, 1, 0, true, {L"moniker.exe", L"syslray.exe", L"HKT1.dll"}};
    Stage("setting up");
    sandbox::Reset();
    Stage("on a clean machine");
    ExpectInfect({L"--leftovers"}, "\n", 0);
    Stage("infecting with the messenger");
    ExpectInfect({L"messenger"}, "", 0);
    ExpectMachine({1, 1, 1, true, infected.files});
    Stage("reporting what is left");
    ExpectInfect({L"--leftovers"},
                 " process:moniker.exe process:syslray.exe value:realone_nt2003"
                 " value:realone_nt2004 file:moniker.exe file:syslray.exe file:HKT1.dll\n",
                 0);
    Stage("infecting the infected machine again");
    ExpectInfect({}, "", 0);
    ExpectMachine(infected);
    Stage("an unknown command line");
    ExpectInfect({L"leftovers"}, "usage: infect [messenger] | infect --leftovers\n", 2);
}

}  // namespace torvexa::e2e
