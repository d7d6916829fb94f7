#include "tests/e2e/program.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

#include "app/prin_form.h"
#include "harness/screen_grab.h"
#include "platform/win32/system_scheme.h"
#include "platform/win32/unique_handle.h"
#include "tests/e2e/expect.h"

namespace torvexa::e2e {
namespace {

namespace texts = prin_texts;
namespace colours = prin_colours;
using harness::GrabScreen;
using harness::Image;
using sandbox::BuildDir;
using sandbox::Utf8;
using sandbox::WaitUntil;

// The program's own texts, written here again on purpose: the scenarios check them against what
// the program shows, not against the program's own constants.
const std::wstring kFailedText =
    L"No pude quitar el gusano del todo!.. pulsa otra vez Desinfectame!!! o ejecutame como "
    L"administrador.";
const std::wstring kQuestion =
    L"LISTO!!!!!! Solo tienes que cerrar completamente tu msn y despues lo vuelves a abrir.\n\r"
    L"\u00BFQuieres que este programa cierre el msn?";
const std::wstring kMsnClosed = L"MSN cerrado... vuelvelo a iniciar.";
const std::wstring kTitle = L"Torvexa";
const std::wstring kPendingIntro =
    L"Estos archivos del gusano estan en uso y se borraran cuando reinicies tu PC:";
const std::wstring kPendingProgramsIntro =
    L"Estos programas del gusano se cerraran cuando reinicies tu PC:";
const std::wstring kLeftIntro = L"Esto del gusano sigue en tu PC:";

std::wstring g_shotFolder;
bool g_takeShots = false;

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

std::wstring BoxText(const std::wstring& intro, const std::vector<std::wstring>& lines) {
    std::wstring text = intro;
    for (const auto& line : lines) text += L"\r\n" + line;
    return text;
}

}  // namespace

void SetScreenshotFolder(const std::wstring& folder) {
    g_shotFolder = folder;
}

void TakeScreenshots(bool on) {
    g_takeShots = on;
}

std::wstring Torvexa::DefaultExe() {
    return BuildDir() + L"\\Torvexa.exe";
}

Torvexa::Torvexa(const std::wstring& exe) : child_((Stage("at start"), sandbox::Start(exe))) {
    bool shown =
        WaitUntil([&] { return (window_ = TopLevel(child_.Id(), L"TorvexaPrin")); }, 30000);
    Expect(shown, "no visible TorvexaPrin window");
    WaitForInputIdle(child_.Process(), 10000);
}

void Torvexa::ExpectInfected() const {
    ExpectStart(texts::kInfected, true);
}

void Torvexa::ExpectClean() const {
    ExpectStart(texts::kClean, false);
}

void Torvexa::ExpectStart(const std::wstring& status, bool red) const {
    const FormSpec& form = PrinForm();
    ExpectText("the caption", Text(window_), form.caption);
    for (const ControlSpec& c : form.controls) {
        if (c.id != ControlId::msg) ExpectText(Utf8(c.name), Text(Control(c.id)), c.text);
    }
    HWND salir = Control(ControlId::Command2);
    HWND focus = nullptr;
    bool focused = WaitUntil(
        [&] {
            GUITHREADINFO gi{};
            gi.cbSize = sizeof gi;
            GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &gi);
            return (focus = gi.hwndFocus) == salir;
        },
        5000);
    Expect(focused, "the focus is on control " + std::to_string(focus ? GetDlgCtrlID(focus) : 0) +
                        ", expected Salir (105)");
    ExpectStatus(status, red);
}

void Torvexa::Press() {
    Stage("press " + std::to_string(++presses_));
    PostMessageW(Control(ControlId::Command1), BM_CLICK, 0, 0);
}

void Torvexa::ExpectDisinfected(Messenger answer) {
    const bool yes = answer == Messenger::CloseIt;
    ExpectStatusUnderBox("the question", texts::kDisinfected);
    AnswerBox("the question", {kQuestion}, true, yes ? IDYES : IDNO, L"question");
    if (yes) AnswerBox("the confirmation", {kMsnClosed}, false, IDOK, nullptr);
    ExpectNoBox();
    ExpectStatus(texts::kDisinfected, false);
    Shot(L"disinfected");
}

void Torvexa::ExpectAlmostDone(const std::vector<std::wstring>& files,
                               const std::vector<std::wstring>& programs) {
    ExpectStatusUnderBox("the box", texts::kAlmostDone);
    std::vector<std::wstring> texts;
    for (const auto& running : InOrderParts(programs)) {
        std::wstring text = BoxText(kPendingIntro, files);
        if (!running.empty()) text += L"\r\n" + BoxText(kPendingProgramsIntro, running);
        texts.push_back(text);
    }
    AnswerBox("the pending box", texts, false, IDOK, L"almost_done");
    ExpectNoBox();
    ExpectStatus(texts::kAlmostDone, true);
}

void Torvexa::ExpectLeft(const std::vector<std::wstring>& items) {
    ExpectStatusUnderBox("the box", kFailedText);
    AnswerBox("the box of what is left", {BoxText(kLeftIntro, items)}, false, IDOK, nullptr);
    ExpectNoBox();
    ExpectStatus(kFailedText, true);
}

void Torvexa::ClickWebLink() const {
    Stage("clicking the web link");
    Expect(!HasModule(L"shell32.dll"), "shell32.dll was loaded before a link was clicked");
    // A click on a link label: the notification its frame gets from it.
    HWND link = Control(ControlId::Label5);
    PostMessageW(GetParent(link), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), STN_CLICKED),
                 reinterpret_cast<LPARAM>(link));
    Expect(WaitUntil([&] { return HasModule(L"shell32.dll"); }, 10000),
           "the link click did not load shell32.dll");
}

void Torvexa::Leave(bool closeBox) {
    Stage("leaving");
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

bool Torvexa::HasModule(const wchar_t* name) const {
    const win32::UniqueSnapshot snap(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, child_.Id()));
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

void Torvexa::Shot(const wchar_t* name) const {
    if (!g_takeShots || g_shotFolder.empty()) return;
    RECT all{};
    for (HWND w : {window_, Box()}) {
        RECT r;
        if (w && GetWindowRect(w, &r)) UnionRect(&all, &all, &r);
    }
    InflateRect(&all, 8, 8);
    const std::wstring path = g_shotFolder + L"\\" + name + L".bmp";
    Expect(harness::SaveBmp(GrabScreen(all), path), "cannot write " + Utf8(path));
}

HWND Torvexa::Control(ControlId id) const {
    std::pair<int, HWND> f{100 + static_cast<int>(id), nullptr};
    EnumChildWindows(window_, FindChild, reinterpret_cast<LPARAM>(&f));
    if (!f.second) Differ("no control with id " + std::to_string(f.first));
    return f.second;
}

HWND Torvexa::Box() const {
    return TopLevel(child_.Id(), L"#32770");
}

void Torvexa::AnswerBox(const std::string& what, const std::vector<std::wstring>& texts, bool yesNo,
                        int answer, const wchar_t* shot) const {
    HWND box = nullptr;
    Expect(WaitUntil([&] { return (box = Box()) != nullptr; }, 20000), "no " + what + " box");
    WaitUntil([&] { return !Text(GetDlgItem(box, 0xFFFF)).empty(); }, 5000);
    const std::wstring shown = Text(GetDlgItem(box, 0xFFFF));
    if (std::find(texts.begin(), texts.end(), shown) == texts.end()) {
        ExpectText(what + " text", shown, texts.front());
    }
    ExpectText(what + " title", Text(box), kTitle);
    bool buttons = yesNo ? GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) &&
                               !GetDlgItem(box, IDOK) && !GetDlgItem(box, IDCANCEL)
                         : GetDlgItem(box, IDOK) && !GetDlgItem(box, IDYES);
    Expect(buttons, what + (yesNo ? " does not offer exactly Yes and No" : " is not OK-only"));
    if (shot) Shot(shot);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
    Expect(WaitUntil([&] { return !IsWindow(box); }, 10000), what + " box stays open");
}

void Torvexa::ExpectNoBox() const {
    bool appeared = WaitUntil([&] { return Box() != nullptr; }, 1000);
    if (appeared) Differ("an unexpected box: \"" + Utf8(Text(GetDlgItem(Box(), 0xFFFF))) + "\"");
}

void Torvexa::ExpectStatus(const std::wstring& text, bool red) const {
    // The status line's text, and its colour as drawn: dark red or very dark blue pixels, not both.
    HWND msg = Control(ControlId::msg);
    ExpectText("the status", Text(msg), text);
    RECT r;
    GetWindowRect(msg, &r);
    int reds = 0, blues = 0;
    bool drawn = WaitUntil(
        [&] {
            const Image status = GrabScreen(r);
            reds = status.Count(win32::ToColorRef(colours::kDarkRed));
            blues = status.Count(win32::ToColorRef(colours::kVeryDarkBlue));
            return red ? reds > 0 && blues == 0 : blues > 0 && reds == 0;
        },
        5000);
    Expect(drawn, "the status shows " + std::to_string(reds) + " dark red and " +
                      std::to_string(blues) + " very dark blue pixels, expected " +
                      (red ? "dark red" : "very dark blue"));
}

void Torvexa::ExpectStatusUnderBox(const std::string& what, const std::wstring& status) const {
    WaitUntil([&] { return Box() != nullptr; }, 20000);
    ExpectText("the status under " + what, Text(Control(ControlId::msg)), status);
}

// ---- the run without the window --------------------------------------------------------------

namespace {

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
        end.output = harness::RunCaptured(Torvexa::DefaultExe(), arguments, &end.exitCode);
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

}  // namespace

void ExpectReportLine(const std::string& what, const std::string& line, DWORD code,
                      const std::string& words) {
    ExpectReportLine(what, line, code, std::vector<std::string>{words});
}

void ExpectReportLine(const std::string& what, const std::string& line, DWORD code,
                      const std::vector<std::string>& anyOf) {
    auto rest = [&](const std::string& words) {
        return " " + ComputerName() + " " + std::to_string(code) + " " + words + "\r\n";
    };
    bool stamp = std::any_of(anyOf.begin(), anyOf.end(), [&](const std::string& words) {
        return line.size() == 19 + rest(words).size() &&
               line.compare(19, std::string::npos, rest(words)) == 0;
    });
    for (std::size_t i = 0; stamp && i < 19; ++i) {
        const char c = line[i];
        const char want = i == 4 || i == 7 ? '-' : i == 10 ? 'T' : i == 13 || i == 16 ? ':' : '0';
        stamp = want == '0' ? c >= '0' && c <= '9' : c == want;
    }
    Expect(stamp, what + " is \"" + line + "\", expected \"YYYY-MM-DDThh:mm:ss" +
                      rest(anyOf.front()) + "\"");
}

std::vector<std::vector<std::wstring>> InOrderParts(const std::vector<std::wstring>& items) {
    std::vector<std::vector<std::wstring>> parts;
    for (std::size_t mask = (std::size_t{1} << items.size()); mask-- > 0;) {
        std::vector<std::wstring> part;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (mask & (std::size_t{1} << i)) part.push_back(items[i]);
        }
        parts.push_back(part);
    }
    return parts;
}

void ExpectSilentRun(const std::vector<std::wstring>& arguments, DWORD code,
                     const std::string& words, const std::optional<Machine>& after) {
    ExpectSilentRun(arguments, code, std::vector<std::string>{words}, after);
}

void ExpectSilentRun(const std::vector<std::wstring>& arguments, DWORD code,
                     const std::vector<std::string>& anyOf, const std::optional<Machine>& after) {
    std::string shown = "Torvexa.exe";
    for (const auto& a : arguments) shown.append(" ").append(Utf8(a));
    Stage(shown);
    const SilentEnd end = RunTorvexa(arguments);
    Expect(end.exitCode == code,
           "exit code " + std::to_string(end.exitCode) + ", expected " + std::to_string(code));
    Expect(!end.window, "a window of the program appeared");
    if (code == 87) {
        ExpectText("the output", {end.output.begin(), end.output.end()}, L"");
    } else {
        ExpectReportLine("the output", end.output, code, anyOf);
    }
    if (after) ExpectMachine(*after);
}

}  // namespace torvexa::e2e
