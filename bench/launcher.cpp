// Measures Torvexa.exe against its floors under Wine, for scripts/bench.sh. A 32-bit console
// program, so that it sees the same system folder and registry view as the programs it times.
// Prints one sample per line, "<figure> <program> <value>"; the script takes the medians.
//
//   bench_launcher startup RUNS    process start to the first painted window, and the peak
//                                  working set after it: Torvexa.exe and floor_window.exe,
//                                  alternating (the machine must be clean)
//   bench_launcher disinfect RUNS  the work behind "Desinfectame!!!" on a freshly infected
//                                  machine: Torvexa.exe (press to question box),
//                                  floor_disinfect.exe (first call to its question box) and the
//                                  batch file under cmd (start to exit), in rotating order
//
// Waiting is done by polling one window class every millisecond, or by blocking on a handle:
// the wine server is single-threaded, and a busier observer would slow the program it observes.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <utility>

#include "harness/child_process.h"
#include "platform/form.h"
#include "platform/win32/win.h"
#include "platform/win32/window_engine.h"
// After windows.h.
#include <psapi.h>

namespace {

using torvexa::ControlId;
using torvexa::harness::BuildDir;  // where Torvexa.exe, the floors and the planting tool were built
using torvexa::harness::ChildProcess;
using torvexa::harness::StandardHandles;
using torvexa::win32::WindowEngine;

constexpr const wchar_t* kFloorWindowClass = L"BenchFloorWindow";  // floor_window.cpp's class
constexpr const wchar_t* kBoxClass = L"#32770";
constexpr DWORD kBoundMs = 30000;  // only keeps a broken run from hanging the benchmark

struct Failure {
    std::string what;
};

double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / frequency;
}

// A child of the benchmark: detached, NUL for its standard handles unless its output is read
// through a pipe, and ended at the latest when it goes.
ChildProcess Child(const std::wstring& commandLine, bool pipedOutput = false) {
    return ChildProcess(
        commandLine,
        {{}, true, pipedOutput ? StandardHandles::CapturedNulInput : StandardHandles::Nul});
}

// Waits for the child to end and returns its exit code.
DWORD Wait(const ChildProcess& child) {
    if (!child.Wait(kBoundMs)) throw Failure{"a child did not end"};
    return child.ExitCode();
}

// A visible top-level window of `child` with the class `cls`, or null.
HWND Window(const ChildProcess& child, const wchar_t* cls) {
    for (HWND w = FindWindowExW(nullptr, nullptr, cls, nullptr); w != nullptr;
         w = FindWindowExW(nullptr, w, cls, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == child.Id() && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

HWND WaitForWindow(const ChildProcess& child, const wchar_t* cls) {
    const double start = NowMs();
    for (;;) {
        if (HWND w = Window(child, cls)) return w;
        if (NowMs() - start > kBoundMs) throw Failure{"no window appeared"};
        Sleep(1);
    }
}

// The first painted window: shown, and then the process idle. Wine declares a process idle only
// when its thread asks for a message and none is there, not even a WM_PAINT; so the window has
// been painted (and its surface handed to the display) by then: read back from the screen at that
// moment, both programs' windows show their faces, texts and buttons.
HWND WaitForFirstPaint(const ChildProcess& child, const wchar_t* cls) {
    HWND w = WaitForWindow(child, cls);
    if (WaitForInputIdle(child.Process(), kBoundMs) != 0) throw Failure{"the program never idled"};
    return w;
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

void Sample(const char* figure, const char* program, double value) {
    std::printf("%s %s %.3f\n", figure, program, value);
    std::fflush(stdout);
}

// ---- start-up and memory ----------------------------------------------------------------------

struct WindowProgram {
    const char* name;
    std::wstring path;
    const wchar_t* cls;
};

// One start: the milliseconds to the first painted window, then (after a short settle, as a
// user would look at it) the peak working set in KiB. The program is killed: closing a window
// under Xvfb can take seconds in Wine and is not what is measured.
void MeasureStartup(const WindowProgram& p, bool report) {
    const double start = NowMs();
    ChildProcess child = Child(Quoted(p.path));
    WaitForFirstPaint(child, p.cls);
    const double painted = NowMs() - start;
    Sleep(300);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(child.Process(), &memory, sizeof memory)) {
        throw Failure{"no memory counters (error " + std::to_string(GetLastError()) + ")"};
    }
    child.End();
    if (report) {
        Sample("startup", p.name, painted);
        Sample("peak_kib", p.name, static_cast<double>(memory.PeakWorkingSetSize) / 1024.0);
    }
}

void Startup(int runs) {
    const std::wstring dir = BuildDir();
    const WindowProgram programs[] = {
        {"torvexa", dir + L"\\Torvexa.exe", WindowEngine::kWindowClass},
        {"floor", dir + L"\\floor_window.exe", kFloorWindowClass},
    };
    // Two unreported starts each first: the files and fonts come from the caches afterwards.
    for (int warm = 0; warm < 2; ++warm) {
        for (const auto& p : programs) MeasureStartup(p, false);
    }
    for (int run = 0; run < runs; ++run) {
        for (int k = 0; k < 2; ++k) {
            MeasureStartup(programs[(run + k) % 2], true);
            Sleep(500);  // let the desktop forget the killed window
        }
    }
}

// ---- disinfection -----------------------------------------------------------------------------

// A fresh infection: the sandbox's planting tool ends what the last run left and plants the
// stand-ins.
void Infect() {
    const ChildProcess infect = Child(Quoted(BuildDir() + L"\\infect.exe"));
    if (Wait(infect) != 0) throw Failure{"the planting tool could not infect the machine"};
}

BOOL CALLBACK MatchId(HWND w, LPARAM param) {
    auto* f = reinterpret_cast<std::pair<int, HWND>*>(param);
    if (GetDlgCtrlID(w) != f->first) return TRUE;
    f->second = w;
    return FALSE;
}

// A control of the window by its id, inside frames too.
HWND Descendant(HWND window, int id) {
    std::pair<int, HWND> found{id, nullptr};
    EnumChildWindows(window, MatchId, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

// Press to question: Torvexa's own start is not counted; the clock starts when the press is
// posted and stops when the question box is shown.
double TorvexaDisinfect() {
    const ChildProcess torvexa = Child(Quoted(BuildDir() + L"\\Torvexa.exe"));
    HWND window = WaitForFirstPaint(torvexa, WindowEngine::kWindowClass);
    HWND button =
        Descendant(window, WindowEngine::kControlIdBase + static_cast<int>(ControlId::Command1));
    if (button == nullptr) throw Failure{"no Desinfectame!!! button"};
    const double start = NowMs();
    PostMessageW(button, BM_CLICK, 0, 0);
    WaitForWindow(torvexa, kBoxClass);
    return NowMs() - start;
}

// The floor prints the counter at its first call and ends with the same question box: the clock
// stops when that box is shown.
double FloorDisinfect() {
    const ChildProcess floor = Child(Quoted(BuildDir() + L"\\floor_disinfect.exe"), true);
    const std::string out = floor.ReadLine();
    char* end = nullptr;
    const double start = std::strtod(out.c_str(), &end);
    if (end == out.c_str()) throw Failure{"the floor printed no time"};
    WaitForWindow(floor, kBoxClass);
    return NowMs() - start;
}

double BatchDisinfect() {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = Quoted(std::wstring(system) + L"\\cmd.exe") + L" /c " +
                             Quoted(BuildDir() + L"\\bench_disinfect.bat");
    const double start = NowMs();
    const ChildProcess batch = Child(cmd);
    Wait(batch);
    return NowMs() - start;
}

// What of the worm is still there a moment after a run, as the planting tool sees it: a
// measurement of a run that did not do the work would flatter it, so it is reported beside the
// samples.
std::string Leftovers() {
    Sleep(100);
    const ChildProcess infect = Child(Quoted(BuildDir() + L"\\infect.exe") + L" --leftovers", true);
    std::string left = infect.ReadLine();
    if (Wait(infect) != 0) throw Failure{"the planting tool could not check the machine"};
    return left;
}

void Disinfect(int runs) {
    struct Way {
        const char* name;
        double (*measure)();
    };
    const Way ways[] = {
        {"torvexa", TorvexaDisinfect}, {"floor", FloorDisinfect}, {"batch", BatchDisinfect}};
    for (int run = -1; run < runs; ++run) {  // run -1 warms the caches and is not reported
        for (int k = 0; k < 3; ++k) {
            const Way& way = ways[(run + 1 + k) % 3];
            Infect();
            const double ms = way.measure();
            if (run < 0) continue;
            Sample("disinfect", way.name, ms);
            const std::string left = Leftovers();
            if (!left.empty()) std::printf("left disinfect %s%s\n", way.name, left.c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the shell that reads them
    const std::string figure = argc > 1 ? argv[1] : "";
    const int runs = argc > 2 ? std::atoi(argv[2]) : 0;
    if ((figure != "startup" && figure != "disinfect") || runs < 1) {
        std::printf("usage: bench_launcher startup|disinfect RUNS\n");
        return 2;
    }
    try {
        if (figure == "startup") {
            Startup(runs);
        } else {
            Disinfect(runs);
        }
    } catch (const Failure& f) {
        std::printf("error %s: %s\n", figure.c_str(), f.what.c_str());
        return 1;
    } catch (const std::exception& e) {  // a child that could not be started
        std::printf("error %s: %s\n", figure.c_str(), e.what());
        return 1;
    }
    return 0;
}
