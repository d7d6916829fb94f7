// Works the real Torvexa.exe on a stand-in infected machine the way a user would. For each
// scenario in the table it plants harmless stand-ins of the worm (sleeper copies running as
// moniker.exe / syslray.exe, HKT1.dll, the two Run values) and bystanders that must survive, with
// the sandbox machine's own code (sandbox/machine.h), starts the program, reads its window and
// message boxes through window messages and the screen's pixels, presses its buttons, and checks
// the machine afterwards. One scenario runs the program from a folder full of planted DLLs, and
// one checks the sandbox's planting tool (infect.exe) itself. It prints one line per scenario and
// a closing count.
//
// The silent_ scenarios run it with switches instead: its exit code, its report line on the
// standard output and in a log, no window ever, and the machine afterwards.
//
//   e2e_driver [--shots DIR] [--keep] [scenario ...]
//       runs the scenarios (when none is named, all but the restart pairs and the run without a
//       display); --keep leaves the machine as the last one left it, for a restart of the machine
//       and then after_restart or silent_after_restart
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/prin_form.h"
#include "harness/child_process.h"
#include "harness/screen_grab.h"
#include "platform/win32/system_scheme.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"
#include "sandbox/machine.h"

namespace {

using torvexa::ControlId;
using torvexa::harness::ChildProcess;
using torvexa::harness::GrabScreen;
using torvexa::harness::Image;
using torvexa::harness::RunCaptured;
using torvexa::harness::SaveBmp;
using torvexa::win32::ToColorRef;
namespace texts = torvexa::prin_texts;
namespace colours = torvexa::prin_colours;
using torvexa::sandbox::BuildDir;
using torvexa::sandbox::Exists;
using torvexa::sandbox::HasRunValue;
using torvexa::sandbox::kBystanderFile;
using torvexa::sandbox::kBystanderProgram;
using torvexa::sandbox::kBystanderValue;
using torvexa::sandbox::kHookedProgram;
using torvexa::sandbox::kMessenger;
using torvexa::sandbox::kSystem;
using torvexa::sandbox::kWormFiles;
using torvexa::sandbox::kWormValues;
using torvexa::sandbox::MachineError;
using torvexa::sandbox::PendingDeletes;
using torvexa::sandbox::Plant;
using torvexa::sandbox::Reset;
using torvexa::sandbox::Running;
using torvexa::sandbox::Setup;
using torvexa::sandbox::Start;
using torvexa::sandbox::Utf8;
using torvexa::sandbox::WaitUntil;

const std::wstring kFailedText =
    L"No pude quitar el gusano del todo!.. pulsa otra vez Desinfectame!!! o ejecutame como "
    L"administrador.";
const std::wstring kQuestion =
    L"LISTO!!!!!! Solo tienes que cerrar completamente tu msn y despues lo vuelves a abrir.\n\r"
    L"\u00BFQuieres que este programa cierre el msn?";
const std::wstring kMsnClosed = L"MSN cerrado... vuelvelo a iniciar.";
const std::wstring kTitle = L"Torvexa";

// ---- reporting: the first difference ends a scenario ----------------------------------------

std::string g_stage;  // where the scenario is, put before every difference

struct Difference : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Differ(const std::string& what) {
    throw Difference(g_stage + ": " + what);
}

void Expect(bool ok, const std::string& what) {
    if (!ok) Differ(what);
}

void ExpectText(const std::string& what, const std::wstring& got, const std::wstring& want) {
    if (got != want) Differ(what + " is \"" + Utf8(got) + "\", expected \"" + Utf8(want) + "\"");
}

// ---- the machine ------------------------------------------------------------------------------

// What a scenario expects of the machine once a press is done.
struct Machine {
    int monikers = 0, syslrays = 0, messengers = 0;
    bool runValues = false;           // both worm values still there
    std::vector<std::wstring> files;  // the worm files still there
};

void ExpectMachine(const Machine& want) {
    auto count = [&](const std::string& what, const std::wstring& exe, int n) {
        bool ok = WaitUntil([&] { return Running(exe) == n; }, 3000);
        Expect(ok, std::to_string(Running(exe)) + " " + what + " running, expected " +
                       std::to_string(n));
    };
    count("moniker.exe", kWormFiles[0], want.monikers);
    count("syslray.exe", kWormFiles[1], want.syslrays);
    count("msnmsgr.exe", kMessenger, want.messengers);
    count("bystander programs", kBystanderProgram, 1);
    for (const wchar_t* value : kWormValues) {
        Expect(HasRunValue(value) == want.runValues,
               "Run value " + Utf8(value) + (want.runValues ? " is gone" : " is still there"));
    }
    Expect(HasRunValue(kBystanderValue), "the bystander Run value is gone");
    for (const wchar_t* name : kWormFiles) {
        bool wanted = false;
        for (const auto& f : want.files) wanted = wanted || f == name;
        Expect(Exists(kSystem + name) == wanted,
               Utf8(name) + (wanted ? " is gone" : " is still there"));
    }
    Expect(Exists(kSystem + kBystanderFile), "the bystander file is gone");
}

// ---- the program's window -----------------------------------------------------------------

struct Find {
    DWORD pid = 0;
    const wchar_t* cls = nullptr;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND w, LPARAM param) {
    auto* f = reinterpret_cast<Find*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (pid == f->pid && IsWindowVisible(w) && wcscmp(cls, f->cls) == 0) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND TopLevel(DWORD pid, const wchar_t* cls) {
    Find f{pid, cls};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

BOOL CALLBACK FindChild(HWND w, LPARAM param) {
    auto* f = reinterpret_cast<std::pair<int, HWND>*>(param);
    if (GetDlgCtrlID(w) == f->first) {
        f->second = w;
        return FALSE;
    }
    return TRUE;
}

std::wstring Text(HWND w) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        Differ("the window does not answer");
    }
    std::wstring s(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(s.data()),
                        SMTO_ABORTIFHUNG, 5000, &got);
    s.resize(got);
    return s;
}

// Torvexa.exe while a scenario works it; ended at the latest when the scenario ends.
class Torvexa {
  public:
    explicit Torvexa(const std::wstring& exe = BuildDir() + L"\\Torvexa.exe") : child_(Start(exe)) {
        bool shown =
            WaitUntil([&] { return (window_ = TopLevel(child_.Id(), L"TorvexaPrin")); }, 30000);
        Expect(shown, "no visible TorvexaPrin window");
        WaitForInputIdle(child_.Process(), 10000);
    }

    HWND Window() const { return window_; }

    HWND Control(ControlId id) const {
        std::pair<int, HWND> f{100 + static_cast<int>(id), nullptr};
        EnumChildWindows(window_, FindChild, reinterpret_cast<LPARAM>(&f));
        if (!f.second) Differ("no control with id " + std::to_string(f.first));
        return f.second;
    }

    HWND Box() const { return TopLevel(child_.Id(), L"#32770"); }

    // The box that opens next: its text, title and buttons are checked, then it is answered.
    void AnswerBox(const std::string& what, const std::wstring& text, bool yesNo, int answer,
                   const wchar_t* shot, const std::wstring& shots) const {
        HWND box = nullptr;
        Expect(WaitUntil([&] { return (box = Box()) != nullptr; }, 20000), "no " + what + " box");
        WaitUntil([&] { return !Text(GetDlgItem(box, 0xFFFF)).empty(); }, 5000);
        ExpectText(what + " text", Text(GetDlgItem(box, 0xFFFF)), text);
        ExpectText(what + " title", Text(box), kTitle);
        bool buttons = yesNo ? GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) &&
                                   !GetDlgItem(box, IDOK) && !GetDlgItem(box, IDCANCEL)
                             : GetDlgItem(box, IDOK) && !GetDlgItem(box, IDYES);
        Expect(buttons, what + (yesNo ? " does not offer exactly Yes and No" : " is not OK-only"));
        if (shot && !shots.empty()) Shot(shots + L"\\" + shot + L".bmp");
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
        Expect(WaitUntil([&] { return !IsWindow(box); }, 10000), what + " box stays open");
    }

    void ExpectNoBox() const {
        bool appeared = WaitUntil([&] { return Box() != nullptr; }, 1000);
        if (appeared)
            Differ("an unexpected box: \"" + Utf8(Text(GetDlgItem(Box(), 0xFFFF))) + "\"");
    }

    // The status line's text, and its colour as drawn: dark red or very dark blue pixels, not both.
    void ExpectStatus(const std::wstring& text, bool red) const {
        HWND msg = Control(ControlId::msg);
        ExpectText("the status", Text(msg), text);
        RECT r;
        GetWindowRect(msg, &r);
        int reds = 0, blues = 0;
        bool drawn = WaitUntil(
            [&] {
                const Image status = GrabScreen(r);
                reds = status.Count(ToColorRef(colours::kDarkRed));
                blues = status.Count(ToColorRef(colours::kVeryDarkBlue));
                return red ? reds > 0 && blues == 0 : blues > 0 && reds == 0;
            },
            5000);
        Expect(drawn, "the status shows " + std::to_string(reds) + " dark red and " +
                          std::to_string(blues) + " very dark blue pixels, expected " +
                          (red ? "dark red" : "very dark blue"));
    }

    // The program's visible windows (the main window and any box) as a BMP file.
    void Shot(const std::wstring& path) const {
        RECT all{};
        for (HWND w : {window_, Box()}) {
            RECT r;
            if (w && GetWindowRect(w, &r)) UnionRect(&all, &all, &r);
        }
        InflateRect(&all, 8, 8);
        Expect(SaveBmp(GrabScreen(all), path), "cannot write " + Utf8(path));
    }

    // Ends the program through "Salir" or the close box; it must end with exit code 0.
    void Quit(bool closeBox) {
        if (closeBox) {
            PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            PostMessageW(Control(ControlId::Command2), BM_CLICK, 0, 0);
        }
        if (!child_.Wait(20000)) {
            // Which windows keep it: a box that nobody expected, say.
            std::string windows;
            for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                wchar_t cls[64] = {};
                GetClassNameW(w, cls, 64);
                if (pid == child_.Id() && IsWindowVisible(w)) windows += " " + Utf8(cls);
            }
            Differ("the program did not end; its visible windows:" + windows);
        }
        const DWORD code = child_.ExitCode();
        Expect(code == 0, "exit code " + std::to_string(code) + ", expected 0");
    }

    DWORD ThreadId() const { return GetWindowThreadProcessId(window_, nullptr); }

    // Whether the program has loaded the DLL `name` ("shell32.dll", say).
    bool HasModule(const wchar_t* name) const {
        const torvexa::win32::UniqueSnapshot snap(
            CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, child_.Id()));
        if (!snap) return false;
        MODULEENTRY32W m{};
        m.dwSize = sizeof m;
        bool found = false;
        for (BOOL ok = Module32FirstW(snap.get(), &m); ok && !found;
             ok = Module32NextW(snap.get(), &m)) {
            found = _wcsicmp(m.szModule, name) == 0;
        }
        return found;
    }

    // A click on a link label: the notification its frame gets from it.
    void ClickLink(ControlId id) const {
        HWND link = Control(id);
        PostMessageW(GetParent(link), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), STN_CLICKED),
                     reinterpret_cast<LPARAM>(link));
    }

  private:
    ChildProcess child_;  // ended at the latest with the scenario
    HWND window_ = nullptr;
};

// ---- DLLs planted beside the program ---------------------------------------------------------

// Stand-ins (copies of planted_dll.dll, each leaving "<its path>.loaded" when it runs) under the
// names of DLLs that the window, its visual style, the message boxes and the shell load after the
// program has started. Each gets Windows' native-first load order, so that only the program's
// restriction of its DLL search keeps them out.
const wchar_t* const kPlantedNames[] = {
    L"uxtheme",  L"dwmapi",  L"msimg32",   L"comctl32",      L"oleacc",  L"msctf",
    L"shell32",  L"shcore",  L"shlwapi",   L"propsys",       L"ole32",   L"oleaut32",
    L"combase",  L"rpcrt4",  L"apphelp",   L"windowscodecs", L"userenv", L"profapi",
    L"setupapi", L"clbcatq", L"cryptbase", L"ntmarta",
};
// Planted too, but left in Wine's own order: Wine's user32 imports them, so Wine loads them
// before the program's first instruction, where no program can restrict anything (Windows'
// user32 does not import them). A native-first stand-in would be loaded there whatever the
// program does.
const wchar_t* const kLoadedByWineFirst[] = {L"version", L"imm32"};

// A folder like the Downloads folder or USB stick the program is run from, holding Torvexa.exe
// and the stand-ins; removed, with the load-order overrides, when the scenario ends.
class PlantedFolder {
  public:
    PlantedFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"torvexa_download";
        CreateDirectoryW(folder_.c_str(), nullptr);
        Copy(L"Torvexa.exe", L"Torvexa.exe");
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr);
        const torvexa::win32::UniqueKey overrides(key);
        const wchar_t order[] = L"native,builtin";
        for (const wchar_t* name : kPlantedNames) {
            Copy(L"planted_dll.dll", std::wstring(name) + L".dll");
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                           sizeof order);
        }
        for (const wchar_t* name : kLoadedByWineFirst) {
            Copy(L"planted_dll.dll", std::wstring(name) + L".dll");
        }
        // The link opens nothing outside the sandbox: Wine's browser launcher is disabled.
        SetOverride(L"Software\\Wine\\DllOverrides", L"winebrowser.exe", L"");
    }
    ~PlantedFolder() {
        RegDeleteKeyW(HKEY_CURRENT_USER, kOverrides);
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, KEY_SET_VALUE,
                          &key) == ERROR_SUCCESS) {
            const torvexa::win32::UniqueKey overrides(key);
            RegDeleteValueW(key, L"winebrowser.exe");
        }
        for (const auto& f : files_) {
            DeleteFileW(f.c_str());
            DeleteFileW((f + L".loaded").c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }
    PlantedFolder(const PlantedFolder&) = delete;
    PlantedFolder& operator=(const PlantedFolder&) = delete;

    std::wstring Exe() const { return folder_ + L"\\Torvexa.exe"; }

    // The native-first stand-ins that ran.
    std::string Ran() const {
        std::string ran;
        for (const wchar_t* name : kPlantedNames) {
            if (Exists(folder_ + L"\\" + name + L".dll.loaded")) ran.append(" ").append(Utf8(name));
        }
        return ran;
    }

  private:
    static constexpr const wchar_t* kOverrides =
        L"Software\\Wine\\AppDefaults\\Torvexa.exe\\DllOverrides";

    void Copy(const std::wstring& from, const std::wstring& to) {
        const std::wstring path = folder_ + L"\\" + to;
        if (!CopyFileW((BuildDir() + L"\\" + from).c_str(), path.c_str(), FALSE)) {
            Differ("cannot copy " + Utf8(from) + " to " + Utf8(path));
        }
        files_.push_back(path);
    }
    static void SetOverride(const wchar_t* keyPath, const wchar_t* name, const wchar_t* value) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            Differ("cannot write Wine's DLL overrides");
        }
        const torvexa::win32::UniqueKey owner(key);
        const std::size_t bytes = (wcslen(value) + 1) * sizeof(wchar_t);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(bytes));
    }

    std::wstring folder_;
    std::vector<std::wstring> files_;
};

// ---- the scenarios --------------------------------------------------------------------------

// How a press ends: the machine disinfected and the question about the messenger answered Yes or
// No; nothing left but files that go at the restart (the status asks for a restart and a box names
// them); or something left (the honest failure status and a box naming what).
enum class Answer { Yes, No, Pending, Left };

struct Press {
    Answer answer;
    Machine after;                         // the machine once the press is done
    std::vector<std::wstring> boxLines{};  // Pending, Left: the box's lines after its first
};

struct Scenario {
    const char* name;
    Setup setup;
    std::vector<Press> presses;
    bool closeBox = false;  // leave through the close box instead of "Salir"
    bool screenshots = false;
    // Run from a folder of planted DLLs, and click a link before leaving.
    bool plantedDlls = false;
    // Opened again after the presses, before any restart: the status it must start with.
    const wchar_t* reopenedStatus = nullptr;
};

const Machine kDisinfected{};
const Machine kHeldDllLeft{0, 0, 0, false, {L"HKT1.dll"}};
const std::wstring kHeldDll = L"C:\\windows\\system32\\HKT1.dll";
// A worm that comes back: its programs run again, their files and the DLL wait for the restart.
const Machine kCameBack{1, 1, 0, false, {L"moniker.exe", L"syslray.exe", L"HKT1.dll"}};
const std::vector<std::wstring> kAllPending = {L"C:\\windows\\system32\\MONIKER.exe",
                                               L"C:\\windows\\system32\\SYSLRAY.exe", kHeldDll};
const std::wstring kPendingIntro =
    L"Estos archivos del gusano estan en uso y se borraran cuando reinicies tu PC:";
const std::wstring kLeftIntro = L"Esto del gusano sigue en tu PC:";

const std::vector<Scenario> kScenarios = {
    {"clean_machine", {}, {{Answer::No, kDisinfected}}, true},
    {"both_worms_yes_without_messenger",
     {1, true, false, true},
     {{Answer::Yes, kDisinfected}},
     false,
     true},
    {"only_moniker", {1, false, false, true}, {{Answer::No, kDisinfected}}},
    {"only_syslray", {0, true, false, true}, {{Answer::No, kDisinfected}}},
    {"yes_closes_messenger", {1, true, true, true}, {{Answer::Yes, kDisinfected}}},
    {"no_keeps_messenger", {1, true, true, true}, {{Answer::No, {0, 0, 1, false, {}}}}},
    // Worms mark their files read-only, hidden and system; the files go all the same, and the
    // bystander file beside them, marked alike, keeps its marks.
    {"marked_worm_files", {1, true, false, true, true}, {{Answer::No, kDisinfected}}},
    // The second moniker.exe keeps running, and its file with it: the box says what stays.
    {"two_monikers",
     {2, true, false, true},
     {{Answer::Left, {1, 0, 0, false, {L"moniker.exe"}}, {L"moniker.exe"}},
      {Answer::No, kDisinfected}}},
    // HKT1.dll is kept open by another program: it goes at the restart, recorded once, and the
    // user is told so on each press.
    {"in_use_dll_goes_at_restart",
     {1, true, false, true, false, true},
     {{Answer::Pending, kHeldDllLeft, {kHeldDll}}, {Answer::Pending, kHeldDllLeft, {kHeldDll}}},
     false,
     true},
    {"planted_dlls", {1, true, false, true}, {{Answer::Yes, kDisinfected}}, false, false, true},
    // The worm installed, none of its programs running (Safe Mode, or ended by hand): the window
    // says it is there, and one press removes it.
    {"installed_not_running", {0, false, false, true}, {{Answer::No, kDisinfected}}},
    // Closed and opened again before the restart: the window still asks for it.
    {"reopened_before_restart",
     {1, true, false, true, false, true},
     {{Answer::Pending, kHeldDllLeft, {kHeldDll}}},
     false,
     false,
     false,
     texts::kAlmostDone},
    // The program that hosts HKT1.dll starts the worm's programs again the moment they end: the
    // press ends in the restart, each file recorded once, the host untouched.
    {"comes_back",
     {0, false, false, true, false, false, true},
     {{Answer::Pending, kCameBack, kAllPending}, {Answer::Pending, kCameBack, kAllPending}},
     false,
     false,
     false,
     texts::kAlmostDone},
};

// The worm's file of a full path, as the machine names it.
std::wstring FileName(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

void ExpectStart(Torvexa& app, const std::wstring& status, bool red) {
    const torvexa::FormSpec& form = torvexa::PrinForm();
    ExpectText("the caption", Text(app.Window()), form.caption);
    for (const torvexa::ControlSpec& c : form.controls) {
        if (c.id != ControlId::msg) ExpectText(Utf8(c.name), Text(app.Control(c.id)), c.text);
    }
    HWND salir = app.Control(ControlId::Command2);
    HWND focus = nullptr;
    bool focused = WaitUntil(
        [&] {
            GUITHREADINFO gi{};
            gi.cbSize = sizeof gi;
            GetGUIThreadInfo(app.ThreadId(), &gi);
            return (focus = gi.hwndFocus) == salir;
        },
        5000);
    Expect(focused, "the focus is on control " + std::to_string(focus ? GetDlgCtrlID(focus) : 0) +
                        ", expected Salir (105)");
    app.ExpectStatus(status, red);
}

void Play(const Scenario& s, const std::wstring& shotDir) {
    const std::wstring shots = s.screenshots ? shotDir : L"";
    g_stage = "setting up";
    Reset();
    Plant(s.setup);
    std::optional<PlantedFolder> planted;
    if (s.plantedDlls) planted.emplace();
    g_stage = "at start";
    const std::wstring exe = planted ? planted->Exe() : BuildDir() + L"\\Torvexa.exe";
    std::optional<Torvexa> app(std::in_place, exe);
    const bool infected =
        s.setup.traces || s.setup.monikers > 0 || s.setup.syslray || s.setup.comesBack;
    ExpectStart(*app, infected ? texts::kInfected : texts::kClean, infected);
    if (!shots.empty()) app->Shot(shots + L"\\start.bmp");
    int n = 0;
    for (const Press& p : s.presses) {
        g_stage = "press " + std::to_string(++n);
        PostMessageW(app->Control(ControlId::Command1), BM_CLICK, 0, 0);
        if (p.answer == Answer::Pending || p.answer == Answer::Left) {
            const bool pending = p.answer == Answer::Pending;
            std::wstring text = pending ? kPendingIntro : kLeftIntro;
            for (const auto& line : p.boxLines) text += L"\r\n" + line;
            WaitUntil([&] { return app->Box() != nullptr; }, 20000);
            ExpectText("the status under the box", Text(app->Control(ControlId::msg)),
                       pending ? texts::kAlmostDone : kFailedText);
            app->AnswerBox(pending ? "the pending box" : "the box of what is left", text, false,
                           IDOK, pending ? L"almost_done" : nullptr, shots);
            app->ExpectNoBox();
            app->ExpectStatus(pending ? texts::kAlmostDone : kFailedText, true);
        } else {
            bool yes = p.answer == Answer::Yes;
            WaitUntil([&] { return app->Box() != nullptr; }, 20000);
            ExpectText("the status under the question", Text(app->Control(ControlId::msg)),
                       texts::kDisinfected);
            app->AnswerBox("the question", kQuestion, true, yes ? IDYES : IDNO, L"question", shots);
            if (yes) app->AnswerBox("the confirmation", kMsnClosed, false, IDOK, nullptr, L"");
            app->ExpectNoBox();
            app->ExpectStatus(texts::kDisinfected, false);
            if (!shots.empty()) app->Shot(shots + L"\\disinfected.bmp");
        }
        if (p.answer == Answer::Pending) {
            for (const std::wstring& path : p.boxLines) {
                const int records = PendingDeletes(FileName(path));
                Expect(records == 1, std::to_string(records) + " deletions of " + Utf8(path) +
                                         " at the restart recorded, expected 1");
            }
        }
        ExpectMachine(p.after);
        Expect(Running(kHookedProgram) == (s.setup.heldDll || s.setup.comesBack ? 1 : 0),
               "the program that hosts HKT1.dll was ended");
    }
    if (s.setup.markedFiles) {
        constexpr DWORD kMarks =
            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        const DWORD marks = GetFileAttributesW((kSystem + kBystanderFile).c_str());
        Expect(marks != INVALID_FILE_ATTRIBUTES && (marks & kMarks) == kMarks,
               "the bystander file lost its read-only, hidden or system mark");
    }
    if (planted) {
        g_stage = "clicking the web link";
        // The shell is loaded on the first click, not before.
        Expect(!app->HasModule(L"shell32.dll"), "shell32.dll was loaded before a link was clicked");
        app->ClickLink(ControlId::Label5);
        Expect(WaitUntil([&] { return app->HasModule(L"shell32.dll"); }, 10000),
               "the link click did not load shell32.dll");
    }
    g_stage = "leaving";
    app->Quit(s.closeBox);
    if (s.reopenedStatus) {
        g_stage = "opened again";
        app.reset();
        app.emplace(exe);
        ExpectStart(*app, s.reopenedStatus, true);
        app->Quit(false);
    }
    if (planted) {
        const std::string ran = planted->Ran();
        Expect(ran.empty(), "planted DLLs ran inside the program:" + ran);
    }
}

// ---- the planting tool ------------------------------------------------------------------------

// infect.exe with `arguments`: it must print exactly `output` and end with `exitCode`.
void ExpectInfect(const std::vector<std::wstring>& arguments, const std::string& output,
                  DWORD exitCode) {
    std::wstring shown = L"infect";
    for (const auto& a : arguments) shown += L" " + a;
    DWORD code = 1;
    const std::string got = RunCaptured(BuildDir() + L"\\infect.exe", arguments, &code);
    // The tool prints ASCII only; widened, its line ends show in a difference as \n.
    ExpectText(Utf8(shown) + "'s output", {got.begin(), got.end()}, {output.begin(), output.end()});
    Expect(code == exitCode, Utf8(shown) + " ended with " + std::to_string(code) + ", expected " +
                                 std::to_string(exitCode));
}

// The tool that the run command and the benchmarks infect their machines with plants what the
// scenarios plant (with and without the messenger, also over an earlier infection), says what is
// left in the form the benchmarks read, and refuses a command line it does not know.
void PlantingTool() {
    const Machine infected{1, 1, 0, true, {L"moniker.exe", L"syslray.exe", L"HKT1.dll"}};
    g_stage = "setting up";
    Reset();
    g_stage = "on a clean machine";
    ExpectInfect({L"--leftovers"}, "\n", 0);
    g_stage = "infecting with the messenger";
    ExpectInfect({L"messenger"}, "", 0);
    ExpectMachine({1, 1, 1, true, infected.files});
    g_stage = "reporting what is left";
    ExpectInfect({L"--leftovers"},
                 " process:moniker.exe process:syslray.exe value:realone_nt2003"
                 " value:realone_nt2004 file:moniker.exe file:syslray.exe file:HKT1.dll\n",
                 0);
    g_stage = "infecting the infected machine again";
    ExpectInfect({}, "", 0);
    ExpectMachine(infected);
    g_stage = "an unknown command line";
    ExpectInfect({L"leftovers"}, "usage: infect [messenger] | infect --leftovers\n", 2);
}

// After in_use_dll_goes_at_restart or comes_back (its machine kept) and a restart of the machine:
// the files that were in use are gone, the restart list holds nothing for them, and the program
// starts clean.
void AfterRestart() {
    g_stage = "after the restart";
    for (const wchar_t* name : kWormFiles) {
        Expect(!Exists(kSystem + name), Utf8(name) + " is still there");
        Expect(PendingDeletes(name) == 0, "the restart list still holds " + Utf8(name));
    }
    g_stage = "at start";
    Torvexa app;
    ExpectStart(app, texts::kClean, false);
    g_stage = "leaving";
    app.Quit(false);
}

// ---- the run without the window --------------------------------------------------------------

BOOL CALLBACK FindProgramWindow(HWND w, LPARAM param) {
    wchar_t cls[64] = {}, title[64] = {};
    GetClassNameW(w, cls, 64);
    GetWindowTextW(w, title, 64);
    if (wcscmp(cls, L"TorvexaPrin") == 0 || (wcscmp(cls, L"#32770") == 0 && kTitle == title)) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

// How a run of Torvexa.exe with switches ended.
struct SilentEnd {
    DWORD exitCode = 0;
    std::string output;   // its standard output, as bytes
    bool window = false;  // a main window or a box of the program appeared while it ran
};

// Runs Torvexa.exe with `arguments` and its standard output captured, looking for its window and
// its boxes all the while; the run must end by itself.
SilentEnd RunTorvexa(const std::vector<std::wstring>& arguments) {
    SilentEnd end;
    std::atomic<bool> running{true};
    std::atomic<bool> seen{false};
    std::thread watch([&] {
        while (running) {
            bool found = false;
            EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&found));
            if (found) seen = true;
            Sleep(20);
        }
    });
    try {
        end.output = RunCaptured(BuildDir() + L"\\Torvexa.exe", arguments, &end.exitCode);
    } catch (...) {
        running = false;
        watch.join();
        throw;
    }
    running = false;
    watch.join();
    end.window = seen;
    return end;
}

std::string ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(name, &size);
    return Utf8(std::wstring(name, size));
}

// `line` is one report line: local date and time, this computer, `code`, `words`, a line end.
void ExpectReportLine(const std::string& what, const std::string& line, DWORD code,
                      const std::string& words) {
    const std::string rest =
        " " + ComputerName() + " " + std::to_string(code) + " " + words + "\r\n";
    bool stamp = line.size() == 19 + rest.size() && line.compare(19, std::string::npos, rest) == 0;
    for (std::size_t i = 0; stamp && i < 19; ++i) {
        const char c = line[i];
        const char want = i == 4 || i == 7 ? '-' : i == 10 ? 'T' : i == 13 || i == 16 ? ':' : '0';
        stamp = want == '0' ? c >= '0' && c <= '9' : c == want;
    }
    Expect(stamp, what + " is \"" + line + "\", expected \"YYYY-MM-DDThh:mm:ss" + rest + "\"");
}

// One run with switches: it ends by itself with `code`, no window or box of it ever appears, it
// prints the report line with `words` (nothing when it refuses its command line), and the machine
// is then as `after` says (after a restart, which ends the bystander program too, it is not read).
void ExpectSilentRun(const std::vector<std::wstring>& arguments, DWORD code,
                     const std::string& words, const std::optional<Machine>& after) {
    std::string shown = "Torvexa.exe";
    for (const auto& a : arguments) shown.append(" ").append(Utf8(a));
    g_stage = shown;
    const SilentEnd end = RunTorvexa(arguments);
    Expect(end.exitCode == code,
           "exit code " + std::to_string(end.exitCode) + ", expected " + std::to_string(code));
    Expect(!end.window, "a window of the program appeared");
    if (code == 87) {
        ExpectText("the output", {end.output.begin(), end.output.end()}, L"");
    } else {
        ExpectReportLine("the output", end.output, code, words);
    }
    if (after) ExpectMachine(*after);
}

const Machine kInfected{1, 1, 1, true, {L"moniker.exe", L"syslray.exe", L"HKT1.dll"}};
const Machine kDisinfectedMessengerKept{0, 0, 1, false, {}};
const Setup kInfectedWithMessenger{1, true, true, true};
const std::string kRemovedWords = "Desinfectado: todo quitado";
const std::string kHeldDllWords =
    "Casi listo: pendiente al reiniciar: C:\\windows\\system32\\HKT1.dll";

void SilentInfected() {
    Reset();
    Plant(kInfectedWithMessenger);
    ExpectSilentRun({L"/S"}, 1, kRemovedWords, kDisinfectedMessengerKept);
}

void SilentClean() {
    Reset();
    Plant({});
    ExpectSilentRun({L"-silent"}, 0, "Limpio: nada del gusano", kDisinfected);
}

void SilentCheckOnly() {
    Reset();
    Plant(kInfectedWithMessenger);
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
    Reset();
    Plant(kInfectedWithMessenger);
    ExpectSilentRun({L"/S", L"/X"}, 87, "", kInfected);
    ExpectSilentRun({L"-N"}, 87, "", kInfected);
    ExpectSilentRun({L"/LOG=C:\\torvexa.log"}, 87, "", kInfected);
    Expect(!Exists(L"C:\\torvexa.log"), "a refused command line wrote the log");
}

// Each run appends its line, the file is made when missing, and a log that cannot be written
// changes neither the work nor the code.
void SilentLog() {
    const std::wstring log = L"C:\\Torvexa logs\\torvexa.log";
    g_stage = "setting up";
    Reset();
    DeleteFileW(log.c_str());
    CreateDirectoryW(L"C:\\Torvexa logs", nullptr);
    Plant(kInfectedWithMessenger);
    ExpectSilentRun({L"/S", L"/LOG=" + log}, 1, kRemovedWords, kDisinfectedMessengerKept);
    ExpectSilentRun({L"/LOG=" + log, L"/Q"}, 0, "Limpio: nada del gusano",
                    kDisinfectedMessengerKept);
    g_stage = "reading the log";
    std::string lines;
    FILE* f = _wfopen(log.c_str(), L"rb");
    Expect(f != nullptr, "no log file");
    char buffer[512];
    std::size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) lines.append(buffer, got);
    fclose(f);
    DeleteFileW(log.c_str());
    RemoveDirectoryW(L"C:\\Torvexa logs");
    const std::size_t firstEnd = lines.find("\r\n");
    Expect(firstEnd != std::string::npos, "the log holds no line: \"" + lines + "\"");
    ExpectReportLine("the log's first line", lines.substr(0, firstEnd + 2), 1, kRemovedWords);
    ExpectReportLine("the log's second line", lines.substr(firstEnd + 2), 0,
                     "Limpio: nada del gusano");

    g_stage = "a log in a folder that does not exist";
    Reset();
    Plant(kInfectedWithMessenger);
    ExpectSilentRun({L"/S", L"/LOG=C:\\no such folder\\torvexa.log"}, 1, kRemovedWords,
                    kDisinfectedMessengerKept);
}

// HKT1.dll kept open by another program goes at the restart; the machine is kept for
// silent_after_restart.
void SilentInUse() {
    Reset();
    Plant({1, true, false, true, false, true});
    ExpectSilentRun({L"/S"}, 3010, kHeldDllWords, kHeldDllLeft);
    Expect(PendingDeletes(L"HKT1.dll") == 1, "HKT1.dll is not recorded once for the restart");
    // Run again before the restart: the same answer, nothing recorded twice.
    ExpectSilentRun({L"/S"}, 3010, kHeldDllWords, kHeldDllLeft);
    Expect(PendingDeletes(L"HKT1.dll") == 1, "HKT1.dll is not recorded once for the restart");
}

// A worm whose programs come back: removed but for what the restart takes, 3010; checked again
// before the restart, 3010 too, and nothing recorded twice.
void SilentComesBack() {
    Reset();
    Plant({0, false, false, true, false, false, true});
    std::string words = "Casi listo: pendiente al reiniciar: ";
    for (const std::wstring& path : kAllPending) {
        words += Utf8(path) + (path == kAllPending.back() ? "" : ", ");
    }
    ExpectSilentRun({L"/S"}, 3010, words, kCameBack);
    ExpectSilentRun({L"/S", L"/N"}, 3010, words, kCameBack);
    for (const std::wstring& path : kAllPending) {
        Expect(PendingDeletes(FileName(path)) == 1,
               Utf8(path) + " is not recorded once for the restart");
    }
    Expect(Running(kHookedProgram) == 1, "the program that hosts HKT1.dll was ended");
}

void SilentAfterRestart() {
    g_stage = "after the restart";
    Expect(!Exists(kSystem + L"HKT1.dll"), "HKT1.dll is still there");
    Expect(PendingDeletes(L"HKT1.dll") == 0, "the restart list still holds HKT1.dll");
    ExpectSilentRun({L"/S"}, 0, "Limpio: nada del gusano", std::nullopt);
}

// Runs one scenario and prints its line. A step on the machine that fails (a stand-in that does
// not start, say) ends it like a difference, at the stage where it failed.
bool Report(const char* name, const std::function<void()>& play) {
    try {
        try {
            play();
        } catch (const MachineError& e) {
            Differ(e.what());
        }
        std::printf("%s: passed\n", name);
        return true;
    } catch (const std::exception& e) {
        std::printf("%s: FAILED: %s\n", name, e.what());
        return false;
    }
}

std::wstring Wide(const char* s) {
    std::wstring w(MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), static_cast<int>(w.size()));
    w.resize(w.size() - 1);
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the shell that reads them
    std::vector<std::string> args(argv + 1, argv + argc);
    std::wstring shots;
    if (args.size() >= 2 && args[0] == "--shots") {
        shots = Wide(args[1].c_str());
        args.erase(args.begin(), args.begin() + 2);
    }
    // --keep: the machine stays as the last scenario left it, for a restart to act on.
    const auto keepAt = std::find(args.begin(), args.end(), std::string("--keep"));
    const bool keep = keepAt != args.end();
    if (keep) args.erase(keepAt);
    std::vector<std::pair<const char*, std::function<void()>>> scenarios;
    scenarios.reserve(kScenarios.size() + 1);
    for (const Scenario& s : kScenarios) {
        scenarios.emplace_back(s.name, [&s, &shots] { Play(s, shots); });
    }
    scenarios.emplace_back("planting_tool", PlantingTool);
    scenarios.emplace_back("after_restart", AfterRestart);
    scenarios.emplace_back("silent_infected", SilentInfected);
    scenarios.emplace_back("silent_clean", SilentClean);
    scenarios.emplace_back("silent_check_only", SilentCheckOnly);
    scenarios.emplace_back("silent_refused", SilentRefused);
    scenarios.emplace_back("silent_log", SilentLog);
    scenarios.emplace_back("silent_in_use", SilentInUse);
    scenarios.emplace_back("silent_after_restart", SilentAfterRestart);
    scenarios.emplace_back("silent_comes_back", SilentComesBack);
    // The same run as silent_infected, named apart for the run without any display.
    scenarios.emplace_back("silent_without_display", SilentInfected);
    int passed = 0, failed = 0;
    for (const auto& [name, play] : scenarios) {
        // The restart's pairs run only when named: the machine restarts between the two. The run
        // without a display is named by whoever takes the display away.
        const std::string n = name;
        bool chosen = args.empty() && n != "in_use_dll_goes_at_restart" && n != "comes_back" &&
                      n != "after_restart" && n != "silent_in_use" && n != "silent_after_restart" &&
                      n != "silent_without_display";
        for (const auto& a : args) chosen = chosen || a == name;
        if (!chosen) continue;
        if (Report(name, play)) {
            ++passed;
        } else {
            ++failed;
        }
        std::fflush(stdout);
    }
    try {
        g_stage = "cleaning up";
        if (!keep) Reset();
    } catch (const std::exception&) {
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
