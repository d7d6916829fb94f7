// The program's entry point and its one composition root: the real system layer, the modules on
// top of it, the main window's handlers and the window engine that shows them.
#include "app/disinfection.h"
#include "app/prin.h"
#include "app/prin_form.h"
#include "errors/mdlErrorHandle.h"
#include "platform/win32/system_dlls.h"
#include "platform/win32/win.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_process_api.h"
#include "platform/win32/win32_registry_api.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/window_engine.h"
#include "process/mdlProcess.h"
#include "registry/Registro.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace torvexa;
    // Before any window, any shell call and any other DLL load of the program's own.
    win32::RestrictDllSearch();
    try {
        win32::Win32ProcessApi processApi;
        win32::Win32RegistryApi registryApi;
        win32::Win32FileSystem files;
        win32::Win32Shell shell;
        win32::Win32Clock clock;
        win32::Win32MessageBox boxes;
        const mdlErrorHandle errors;  // the shipped program discards its error reports
        mdlProcess process(processApi, errors);
        Registro registro(registryApi, boxes);
        win32::WindowEngine window(instance, PrinForm());
        Disinfection disinfection(process, registro, registryApi, files, clock);
        prin handlers(window, process, disinfection, shell, boxes);
        return window.Run(handlers);
    } catch (...) {
        // Only the window's creation can fail here; there is nothing to show it in.
        return 1;
    }
}
