// The program's entry point and its one composition root: the real system layer, the modules on
// top of it, and either the main window's handlers and the window engine that shows them, or, when
// the command line asks for it, the run without the window.
#include "app/command_line.h"
#include "app/disinfection.h"
#include "app/prin.h"
#include "app/prin_form.h"
#include "app/silent_run.h"
#include "errors/mdlErrorHandle.h"
#include "platform/win32/system_dlls.h"
#include "platform/win32/text_api.h"
#include "platform/win32/win.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_process_api.h"
#include "platform/win32/win32_registry_api.h"
#include "platform/win32/win32_run_report.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/window_engine.h"
#include "process/mdlProcess.h"
#include "registry/Registro.h"

namespace {

using namespace torvexa;

// The run without the window: no window, no message box, nothing that needs a desktop.
int Silent(const CommandLine& command) {
    // A log on a drive without a disk would otherwise ask the user in a box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    try {
        win32::Win32ProcessApi processApi;
        win32::Win32RegistryApi registryApi;
        win32::Win32FileSystem files;
        win32::Win32Clock clock;
        win32::Win32RunReport report;
        NoMessageBoxes boxes;
        const mdlErrorHandle errors;
        mdlProcess process(processApi, errors);
        Registro registro(registryApi, boxes);
        Disinfection disinfection(process, registro, registryApi, files, clock);
        return RunSilent(command, disinfection, report);
    } catch (...) {
        // Whatever was found or done is not known: never a code that claims a clean machine.
        return kExitLeft;
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
    try {
        win32::Win32ProcessApi processApi;
        win32::Win32RegistryApi registryApi;
        win32::Win32FileSystem files;
        win32::Win32Shell shell;
        win32::Win32Clock clock;
        win32::WindowEngine window(instance, PrinForm());
        win32::Win32MessageBox boxes(window);
        const mdlErrorHandle errors;  // the shipped program discards its error reports
        mdlProcess process(processApi, errors);
        Registro registro(registryApi, boxes);
        Disinfection disinfection(process, registro, registryApi, files, clock);
        prin handlers(window, disinfection, shell, boxes);
        return window.Run(handlers);
    } catch (...) {
        // Only the window's creation can fail here; there is nothing to show it in.
        return 1;
    }
}
