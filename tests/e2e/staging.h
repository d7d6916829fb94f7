// The scenarios' machine: staging it with the sandbox's planting code, a folder of DLLs planted
// beside the program, and what a scenario expects to find on it afterwards.
#pragma once

#include <string>
#include <vector>

#include "sandbox/machine.h"

namespace torvexa::e2e {

// Clears the sandbox machine and plants `setup` on it (the bystanders always).
void OnAMachineWith(const sandbox::Setup& setup);

// What a scenario expects of the machine once a press or a run is done. The bystanders (another
// Run value, file and running program) must always be there.
struct Machine {
    int monikers = 0, syslrays = 0, messengers = 0;
    bool runValues = false;           // both worm values still there
    std::vector<std::wstring> files;  // the worm files still there
};
void ExpectMachine(const Machine& want);

inline const Machine kDisinfected{};
inline const Machine kInfected{1, 1, 1, true, {L"moniker.exe", L"syslray.exe", L"HKT1.dll"}};
inline const Machine kDisinfectedMessengerKept{0, 0, 1, false, {}};
inline const Machine kHeldDllLeft{0, 0, 0, false, {L"HKT1.dll"}};
// A worm that comes back: its programs run again, their files and the DLL wait for the restart.
inline const Machine kCameBack{1, 1, 0, false, {L"moniker.exe", L"syslray.exe", L"HKT1.dll"}};

// The worm's files as the program names them.
inline const std::wstring kHeldDll = L"C:\\windows\\system32\\HKT1.dll";
inline const std::vector<std::wstring> kAllWormFiles = {
    L"C:\\windows\\system32\\MONIKER.exe", L"C:\\windows\\system32\\SYSLRAY.exe", kHeldDll};

// The worm in C:\WINNT\system32, named in upper case: its two programs, its files, its Run
// values pointing there.
inline const sandbox::Setup kWormInWinnt = [] {
    sandbox::Setup s{1, true, false, true};
    s.upperCase = s.inWinnt = true;
    return s;
}();
// None of the worm's files is left in C:\WINNT\system32.
void ExpectWinntEmpty();

// Each of `paths` is recorded exactly once in the list of deletions at the next restart.
void ExpectRecordedOnce(const std::vector<std::wstring>& paths);
// The restart list holds nothing for the worm's files, and they are gone.
void ExpectWormFilesGone();
// The program that hosts HKT1.dll runs (`running`), or was never planted; it is never ended.
void ExpectDllHost(bool running);
// The bystander file beside the worm's, marked like them, keeps its read-only, hidden and system
// marks.
void ExpectBystanderMarksKept();

// A folder like the Downloads folder or USB stick the program is run from, holding Torvexa.exe
// and stand-ins (copies of planted_dll.dll, each leaving "<its path>.loaded" when it runs) under
// the names of DLLs that the window, its visual style, the message boxes and the shell load after
// the program has started; each gets Windows' native-first load order, so that only the
// program's restriction of its DLL search keeps them out. Removed, with the load-order
// overrides, when it goes.
class PlantedFolder {
  public:
    PlantedFolder();
    ~PlantedFolder();
    PlantedFolder(const PlantedFolder&) = delete;
    PlantedFolder& operator=(const PlantedFolder&) = delete;

    std::wstring Exe() const { return folder_ + L"\\Torvexa.exe"; }
    // The native-first stand-ins that ran.
    std::string Ran() const;

  private:
    void Copy(const std::wstring& from, const std::wstring& to);

    std::wstring folder_;
    std::vector<std::wstring> files_;
};

}  // namespace torvexa::e2e
