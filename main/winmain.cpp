// The program's entry point and its one composition root: the real system layer and the modules
// on top of it, built in one place for either way the program runs, with the main window's
// handlers and the window engine that shows them or, when the command line asks for it, the run
// without the window. The only code that sees both the program and the Windows layer.
#include "app/command_line.h"
#include "app/modules.h"
#include "app/prin.h"
#include "app/prin_form.h"
#include "app/silent_run.h"
#include "platform/win32/system_dlls.h"
#include "platform/win32/text_api.h"
#include "platform/win32/win.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_process_api.h"
#include "platform/win32/win32_registry_api.h"
#include "platform/win32/win32_run_report.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/window_engine.h"

namespace {

using namespace torvexa;

// The real system: the Windows layer's adapters and the modules over them, handed to `use` for
// as long as it runs. `boxes` are the window's, or none without it.
template <typename Use>
int WithTheSystem(MessageBoxApi& boxes, Use use) {
    win32::Win32ProcessApi processes;
    win32::Win32RegistryApi registry;
    win32::Win32FileSystem files;
    win32::Win32Clock clock;
    // The one choice of the Windows 95, 98 and ME way for the modules, made once.
    Modules modules(processes, registry, files, clock, boxes, win32::OnWindows9x());
    return use(modules);
}

// The run without the window: no window, no message box, nothing that needs a desktop.
int Silent(const CommandLine& command) {
    // A log on a drive without a disk would otherwise ask the user in a box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    try {
        NoMessageBoxes boxes;
        return WithTheSystem(boxes, [&](Modules& modules) {
            win32::Win32RunReport report;
            return RunSilent(command, modules.disinfection, report);
        });
    } catch (...) {
        // Whatever was found or done is not known: never a code that claims a clean machine.
        return kExitLeft;
    }
}

// The main window and its handlers.
int Window(HINSTANCE instance) {
    try {
        win32::WindowEngine window(instance, PrinForm());
        // Every box is the window's, whatever window is active when it opens.
        win32::Win32MessageBox boxes(window);
        return WithTheSystem(boxes, [&](Modules& modules) {
            win32::Win32Shell shell;
            prin handlers(window, modules.disinfection, shell, boxes);
            return window.Run(handlers);
        });
    } catch (...) {
        // Only the window's creation can fail here; there is nothing to show it in.
        return 1;
    }
}

}  // namespace

// The 8-bit entry point: the C runtime's wide start-up reads the command line and the environment
// through wide calls that Windows 9x does not implement. The line is read here instead, through
// GetCommandLineW, one of the few wide calls that 9x does implement.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before any call that takes or gives text: which of their forms this Windows implements.
    win32::ChooseWindows9xWay(win32::IsWindows9xVersion(GetVersion()));
    // Before any window, any shell call and any other DLL load of the program's own.
    win32::RestrictDllSearch();
    const CommandLine command = ReadCommandLine(GetCommandLineW());
    if (command.mode == CommandLine::Mode::Refused) return kExitInvalidSwitch;
    if (command.mode == CommandLine::Mode::Silent) return Silent(command);
    return Window(instance);
}
