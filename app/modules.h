// The program's modules over one set of adapters, wired one way: the process and registry modules
// over the system's calls, the check, the file policy and the removal over them. The window and
// the run without it both work through this; the composition root builds it once over the
// Windows layer, and the tests build the same over fakes. `Process` is the process module, or a
// test's own kind of it. The one choice of the Windows 95, 98 and ME way is made here, from what
// the root was told: their process records hold full paths, and their restart list is WININIT.INI.
#pragma once

#include <memory>

#include "app/disinfection.h"
#include "app/restart_deletes.h"
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
                MessageBoxApi& boxes, bool windows9x)
        : process(processes, errors, windows9x),
          registro(registry, boxes),
          restartList(windows9x
                          ? std::unique_ptr<RestartList>(new WininitRenames(files))
                          : std::unique_ptr<RestartList>(new PendingRenames(registry, files))),
          check(process, registry, files, clock, *restartList),
          filePolicy(process, files, clock, *restartList),
          removal(process, registro, clock, check, filePolicy),
          disinfection(check, removal) {}

    const mdlErrorHandle errors;  // the shipped program discards its error reports
    Process process;
    Registro registro;
    std::unique_ptr<RestartList> restartList;
    WormCheck check;
    FilePolicy filePolicy;
    WormRemoval removal;
    Disinfection disinfection;
};

using Modules = ModulesWith<>;

}  // namespace torvexa
