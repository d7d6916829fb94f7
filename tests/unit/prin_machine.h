// The window's handlers on a scripted machine: the fakes beneath the modules, prin on top, and
// the worm's paths as the program names them. Shared by the handlers' and the removal's tests.
#pragma once

#include <algorithm>
#include <functional>
#include <string>

#include "app/disinfection.h"
#include "app/modules.h"
#include "app/prin.h"
#include "tests/fakes/fake_message_box.h"
#include "tests/fakes/fake_process_api.h"
#include "tests/fakes/fake_registry_api.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/fake_view.h"

namespace torvexa::fakes {

inline constexpr Handle kHklm = 0x80000002;
inline const std::wstring kRun = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const std::wstring kMoniker = L"C:\\windows\\system32\\MONIKER.exe";
inline const std::wstring kSyslray = L"C:\\windows\\system32\\SYSLRAY.exe";
inline const std::wstring kHkt1 = L"C:\\windows\\system32\\HKT1.dll";
inline const std::wstring kQuestion =
    L"LISTO!!!!!! Solo tienes que cerrar completamente tu msn y despues lo vuelves a abrir.\n\r"
    L"\u00BFQuieres que este programa cierre el msn?";

// Boxes that can change the machine while they are open, as the user might.
struct Boxes : FakeMessageBox {
    std::function<void()> onShow;
    int MessageBox(const std::wstring& text, const std::wstring& title,
                   std::uint32_t type) override {
        if (onShow) onShow();
        return FakeMessageBox::MessageBox(text, title, type);
    }
};

// `Process` is the process module, or a test's own kind of it; `Files` the scripted file system,
// or a test's own kind of it.
template <typename Process = mdlProcess, typename Files = FakeFileSystem>
struct MachineWith {
    // An infected machine with bystanders that must survive.
    void Infect() {
        api.processes = {{4, L"explorer.exe"}, {10, L"moniker.exe"}, {11, L"syslray.exe"}};
        registry.keys[{kHklm, kRun}] = {L"realone_nt2003", L"realone_nt2004", L"keep"};
        files.files = {{kMoniker, true}, {kSyslray, true}, {kHkt1, true}, {L"C:\\keep.txt", true}};
    }
    void Clean() {
        api.processes = {{4, L"explorer.exe"}};
        registry.keys[{kHklm, kRun}] = {L"keep"};
    }
    std::wstring Status() { return view.text[ControlId::msg]; }
    std::size_t Opens(ProcessId id) {
        return std::count(api.calls.begin(), api.calls.end(),
                          L"OpenProcess(0x401,0," + std::to_wstring(id) + L")");
    }

    FakeProcessApi api;
    FakeRegistryApi registry;
    Boxes boxes;
    Files files;
    FakeShell shell;
    FakeClock clock;
    FakeView view;
    // The program's modules over the fakes, wired as the composition root wires them.
    ModulesWith<Process> modules;
    Process& process = modules.process;
    Registro& registro = modules.registro;
    Disinfection& disinfection = modules.disinfection;
    prin form{view, disinfection, shell, boxes};

    // `windows9x`: the machine is a Windows 95, 98 or ME (process records with full paths, the
    // restart list in WININIT.INI).
    explicit MachineWith(bool windows9x = false)
        : modules{api, registry, files, clock, boxes, windows9x} {
        // A machine where the program runs as administrator: the restart list can be written.
        files.registry = &registry;
        registry.keys[{kHklm, FakeFileSystem::kSessionManager}] = {};
    }
};

using Machine = MachineWith<>;

}  // namespace torvexa::fakes
