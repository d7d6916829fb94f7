// The program's modules over one set of adapters, wired one way: the process and registry modules
// over the system's calls, the disinfection (the check and the removal) over them. The window and
// the run without it both work through this; the composition root builds it once over the
// Windows layer, and the tests build the same over fakes. `Process` is the process module, or a
// test's own kind of it.
#pragma once

#include "app/disinfection.h"
#include "errors/mdlErrorHandle.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/process_api.h"
#include "platform/registry_api.h"
#include "process/mdlProcess.h"
#include "registry/Registro.h"

namespace torvexa {

template <typename Process = mdlProcess>
struct ModulesWith {
    // `boxes` are the ones the registry module reports a malformed key path in: the window's, or
    // none at all without the window.
    ModulesWith(ProcessApi& processes, RegistryApi& registry, FileSystemApi& files, Clock& clock,
                MessageBoxApi& boxes)
        : process(processes, errors),
          registro(registry, boxes),
          disinfection(process, registro, registry, files, clock) {}

    const mdlErrorHandle errors;  // the shipped program discards its error reports
    Process process;
    Registro registro;
    Disinfection disinfection;
};

using Modules = ModulesWith<>;

}  // namespace torvexa
