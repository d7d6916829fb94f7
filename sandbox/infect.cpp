// The sandbox machine's planting tool. The run command infects its sandbox with it and the
// benchmarks re-infect theirs before every measured disinfection; the scenario driver plants
// through the same code (sandbox/machine.h). A 32-bit console program like Torvexa.exe, so that
// it sees the same system folder and the same view of the registry.
//
//   infect [messenger]   ends and removes what an earlier run left, then plants the bystanders
//                        and the stand-in infection and leaves it running: moniker.exe and
//                        syslray.exe (copies of the sleeper) started from the system folder,
//                        HKT1.dll beside them, the Run values realone_nt2003 and realone_nt2004,
//                        and with "messenger" a running msnmsgr.exe
//   infect --leftovers   prints on one line what of the worm is still there (an empty line when
//                        nothing is)
//
// Exit code 0 when done, 1 when a step failed (the line "infect: WHAT" says which), 2 on a
// command line it does not know.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "sandbox/machine.h"

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the shell that reads them
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool leftovers = args.size() == 1 && args[0] == "--leftovers";
    const bool messenger = args.size() == 1 && args[0] == "messenger";
    if (!args.empty() && !leftovers && !messenger) {
        std::printf("usage: infect [messenger] | infect --leftovers\n");
        return 2;
    }
    namespace sandbox = torvexa::sandbox;
    try {
        if (leftovers) {
            std::printf("%s\n", sandbox::Leftovers().c_str());
        } else {
            sandbox::Reset();
            sandbox::Plant({1, true, messenger, true});
        }
    } catch (const std::exception& e) {
        std::printf("infect: %s\n", e.what());
        return 1;
    }
    return 0;
}
