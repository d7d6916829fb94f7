// Works the real Torvexa.exe on a stand-in infected machine the way a user would, and the way an
// administrator runs it with switches. Each scenario (scenarios.h) plants harmless stand-ins of
// the worm (sleeper copies running as moniker.exe / syslray.exe, HKT1.dll, the two Run values) and
// bystanders that must survive, with the sandbox machine's own code (sandbox/machine.h), works
// the program (program.h) and checks the machine afterwards (staging.h). It prints one line per
// scenario and a closing count.
//
//   e2e_driver [--shots DIR] [--keep] [scenario ...]
//       runs the scenarios (when none is named, all but the restart pairs and the run without a
//       display); --keep leaves the machine as the last one left it, for a restart of the machine
//       and then after_restart or silent_after_restart
//   e2e_driver --window
//       those of them that are played through the window (for a machine at another display
//       scaling)
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/win32/win.h"
#include "sandbox/machine.h"
#include "tests/e2e/expect.h"
#include "tests/e2e/program.h"
#include "tests/e2e/scenarios.h"

namespace {

using namespace torvexa::e2e;

struct Named {
    const char* name = nullptr;
    void (*play)() = nullptr;
    // Run only when named: a restart pair's halves (the machine restarts between the two), and
    // the run without a display, which whoever takes the display away names.
    bool onlyWhenNamed = false;
    // Played through the window (not with switches, nor with the planting tool alone).
    bool throughWindow = true;
};

const Named kScenarios[] = {
    {"clean_machine", CleanMachine},
    {"both_worms_yes_without_messenger", BothWormsYesWithoutMessenger},
    {"only_moniker", OnlyMoniker},
    {"only_syslray", OnlySyslray},
    {"yes_closes_messenger", YesClosesMessenger},
    {"no_keeps_messenger", NoKeepsMessenger},
    {"marked_worm_files", MarkedWormFiles},
    {"two_monikers", TwoMonikers},
    {"monikers_elsewhere", MonikersElsewhere},
    {"upper_case_worm", UpperCaseWorm},
    {"name_alikes_survive", NameAlikesSurvive},
    {"worm_in_winnt", WormInWinnt},
    {"reviving_pair", RevivingPair},
    {"in_use_dll_goes_at_restart", InUseDllGoesAtRestart, true},
    {"planted_dlls", PlantedDlls},
    {"installed_not_running", InstalledNotRunning},
    {"reopened_before_restart", ReopenedBeforeRestart},
    {"comes_back", ComesBack, true},
    {"planting_tool", PlantingTool, false, false},
    {"after_restart", AfterRestart, true},
    {"silent_infected", SilentInfected, false, false},
    {"silent_clean", SilentClean, false, false},
    {"silent_check_only", SilentCheckOnly, false, false},
    {"silent_refused", SilentRefused, false, false},
    {"silent_log", SilentLog, false, false},
    {"silent_in_use", SilentInUse, true, false},
    {"silent_after_restart", SilentAfterRestart, true, false},
    {"silent_comes_back", SilentComesBack, false, false},
    {"silent_worm_in_winnt", SilentWormInWinnt, false, false},
    // The same run as silent_infected, named apart for the run without any display.
    {"silent_without_display", SilentInfected, true, false},
};

std::wstring Wide(const char* s) {
    std::wstring w(MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), static_cast<int>(w.size()));
    w.resize(w.size() - 1);
    return w;
}

// The driver reads the window's pixels where the window says its controls are: it must see the
// desktop's own DPI, as Torvexa.exe (per-monitor aware) does. A Wine that scales for programs
// unaware of the DPI (Wine 10) would otherwise give it coordinates scaled to 96 DPI.
void SeeTheDesktopsDpi() {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using SetContext = BOOL(WINAPI*)(HANDLE);
    using SetAware = BOOL(WINAPI*)();
    const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
    const auto context = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    if (context != nullptr && context(perMonitorV2)) return;
    const auto aware = reinterpret_cast<SetAware>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware")));
    if (aware != nullptr) aware();
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the shell that reads them
    SeeTheDesktopsDpi();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--shots") {
        SetScreenshotFolder(Wide(args[1].c_str()));
        args.erase(args.begin(), args.begin() + 2);
    }
    // --keep: the machine stays as the last scenario left it, for a restart to act on.
    const auto keepAt = std::find(args.begin(), args.end(), std::string("--keep"));
    const bool keep = keepAt != args.end();
    if (keep) args.erase(keepAt);
    const bool windowOnly = args.size() == 1 && args[0] == "--window";
    if (windowOnly) args.clear();
    int passed = 0, failed = 0;
    for (const Named& s : kScenarios) {
        bool chosen = args.empty() && !s.onlyWhenNamed && (s.throughWindow || !windowOnly);
        for (const auto& a : args) chosen = chosen || a == s.name;
        if (!chosen) continue;
        TakeScreenshots(false);  // a scenario that takes them says so
        if (Report(s.name, s.play)) {
            ++passed;
        } else {
            ++failed;
        }
        std::fflush(stdout);
    }
    try {
        Stage("cleaning up");
        if (!keep) torvexa::sandbox::Reset();
    } catch (const std::exception&) {
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
