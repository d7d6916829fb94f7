#include "app/prin.h"

#include <algorithm>
#include <array>

#include "app/prin_form.h"
#include "platform/owned_handle.h"

namespace torvexa {
namespace {

using namespace prin_texts;

constexpr const wchar_t* kWormProcesses[] = {L"moniker.exe", L"syslray.exe"};
constexpr const wchar_t* kMessenger = L"msnmsgr.exe";
constexpr const wchar_t* kRunKeyPath =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr Handle kLocalMachine = 0x80000002;  // HKEY_LOCAL_MACHINE
constexpr const wchar_t* kRunSubKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kRunValues[] = {L"realone_nt2003", L"realone_nt2004"};
constexpr const wchar_t* kWormFiles[] = {L"C:\\windows\\system32\\MONIKER.exe",
                                         L"C:\\windows\\system32\\SYSLRAY.exe",
                                         L"C:\\windows\\system32\\HKT1.dll"};

// One step of the disinfection sequence: whatever fails inside it abandons that step only, and
// silently; the sequence goes on with the next.
template <typename Step>
void Guarded(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

}  // namespace

prin::prin(FormView& view, mdlProcess& process, Registro& registro, RegistryApi& registry,
           FileSystemApi& files, ShellApi& shell, MessageBoxApi& boxes, Clock& clock)
    : view_(view),
      process_(process),
      registro_(registro),
      registry_(registry),
      files_(files),
      shell_(shell),
      boxes_(boxes),
      clock_(clock) {}

void prin::Form_Load() {
    view_.SetForeColor(ControlId::Label5, kLinkBlue);
    view_.SetForeColor(ControlId::Label4, kLinkBlue);

    const ProcessId syslray = process_.GetProcessIdByName(L"syslray.exe");
    bool checked = process_.LastSnapshotTaken();
    const ProcessId moniker = process_.GetProcessIdByName(L"moniker.exe");
    checked = checked && process_.LastSnapshotTaken();

    if (syslray != 0 || moniker != 0) {
        view_.SetForeColor(ControlId::msg, kDarkRed);
        view_.SetText(ControlId::msg, kInfected);
    } else if (!checked) {
        // An unreadable process list proves nothing: never claim a clean machine on it.
        view_.SetForeColor(ControlId::msg, kDarkRed);
        view_.SetText(ControlId::msg, kNotChecked);
        view_.SetEnabled(ControlId::Command1, true);
    } else {
        view_.SetForeColor(ControlId::msg, kVeryDarkBlue);
        view_.SetText(ControlId::msg, kClean);
        view_.SetEnabled(ControlId::Command1, true);
    }
}

void prin::Click(ControlId id) {
    switch (id) {
        case ControlId::Command1:
            Command1_Click();
            break;
        case ControlId::Command2:
            view_.Unload();  // the only window: the program ends with it
            break;
        case ControlId::Label4:
            OpenLink(kMailTarget);
            break;
        case ControlId::Label5:
            OpenLink(kWebTarget);
            break;
        default:
            break;
    }
}

void prin::MouseMove(ControlId id) {
    switch (id) {
        case ControlId::Label4:
            view_.SetForeColor(ControlId::Label4, kHoverRed);
            break;
        case ControlId::Label5:
            view_.SetForeColor(ControlId::Label5, kHoverRed);
            break;
        case ControlId::Frame1:
        case ControlId::None:  // the window's bare surface
            view_.SetForeColor(ControlId::Label5, kLinkBlue);
            view_.SetForeColor(ControlId::Label4, kLinkBlue);
            break;
        default:
            break;  // other controls, the labels above the links included, change nothing
    }
}

void prin::OpenLink(const wchar_t* target) {
    // What the shell makes of it is its own business: nothing is shown either way.
    shell_.ShellExecuteA(view_.WindowHandle(), L"Open", target, std::nullopt, std::nullopt,
                         kSwShowNormal);
}

ProcessId prin::KillByName(const wchar_t* name) {
    const ProcessId id = process_.GetProcessIdByName(name);
    process_.Kill_Process(id);
    return id;
}

bool prin::WaitUntilGone(const std::vector<ProcessId>& ids) {
    const std::uint32_t start = clock_.Milliseconds();
    for (;;) {
        bool anyListed = false;
        for (const ProcessId id : ids) anyListed = anyListed || process_.IsListed(id);
        if (!anyListed) return true;
        // The bound is the time that has passed, the checks' own time included.
        // Unsigned 32-bit arithmetic: right also when the tick count wraps during the wait.
        const std::uint32_t waited = clock_.Milliseconds() - start;
        if (waited >= kWaitLimitMilliseconds) return false;
        clock_.Sleep(std::min(kPollMilliseconds, kWaitLimitMilliseconds - waited));
    }
}

Presence prin::RunValue(const std::wstring& name) {
    Handle opened = 0;
    const std::int32_t result =
        registry_.RegOpenKeyExA(kLocalMachine, kRunSubKey, 0, kKeyQueryValue, opened);
    if (result == kErrorFileNotFound) return Presence::Absent;  // no Run key: no Run value
    if (result != kErrorSuccess) return Presence::Unknown;
    const RegistryKey key(registry_, opened);
    const std::int32_t found = registry_.RegQueryValueExA(key.get(), name);
    if (found == kErrorSuccess) return Presence::Present;
    return found == kErrorFileNotFound ? Presence::Absent : Presence::Unknown;
}

bool prin::WormIsGone() {
    for (const wchar_t* name : kWormProcesses) {
        if (process_.GetProcessIdByName(name) != 0 || !process_.LastSnapshotTaken()) return false;
    }
    for (const wchar_t* value : kRunValues) {
        if (RunValue(value) != Presence::Absent) return false;
    }
    for (const wchar_t* path : kWormFiles) {
        if (files_.FileExists(path) != Presence::Absent) return false;
    }
    return true;
}

void prin::Command1_Click() {
    std::vector<ProcessId> terminated;
    for (const wchar_t* name : kWormProcesses) {
        Guarded([&] {
            const ProcessId id = KillByName(name);
            if (id != 0) terminated.push_back(id);
        });
    }
    // Termination is not synchronous, and a process that is still exiting keeps its file locked.
    if (!terminated.empty()) Guarded([&] { WaitUntilGone(terminated); });

    for (const wchar_t* value : kRunValues) {
        Guarded([&] {
            std::wstring path = kRunKeyPath;  // a fresh copy: the call rewrites its argument
            registro_.DeleteRegValue(path, value);
        });
    }
    for (const wchar_t* file : kWormFiles) {
        Guarded([&] { files_.DeleteFileA(file); });
    }

    bool gone = false;
    Guarded([&] { gone = WormIsGone(); });
    if (!gone) {
        // Telling the user the machine is clean while the worm is still there would be the worst
        // answer this program could give.
        Guarded([&] { view_.SetForeColor(ControlId::msg, kDarkRed); });
        Guarded([&] { view_.SetText(ControlId::msg, kNotRemoved); });
        return;
    }

    Guarded([&] { view_.SetForeColor(ControlId::msg, kVeryDarkBlue); });
    Guarded([&] { view_.SetText(ControlId::msg, kDisinfected); });

    const std::wstring question = std::wstring(kQuestionFirst) + L"\n\r" + kQuestionSecond;
    if (boxes_.MessageBox(question, kAppTitle, kMbYesNo | kMbIconInformation) != kIdYes) return;
    AskToCloseMessenger();
}

void prin::AskToCloseMessenger() {
    bool closed = false;  // unless shown otherwise: a step that failed proves nothing
    Guarded([&] {
        const ProcessId id = KillByName(kMessenger);
        // Nothing found in a list that could not be read is no proof that none was running.
        closed = id == 0 ? process_.LastSnapshotTaken() : WaitUntilGone({id});
    });
    Guarded([&] {
        // MB_OK is 0; it is named to say that the box has the OK button only.
        boxes_.MessageBox(closed ? kMsnClosed : kMsnNotClosed, kAppTitle,
                          kMbOk | kMbIconInformation);  // cppcheck-suppress badBitmaskCheck
    });
}

}  // namespace torvexa
