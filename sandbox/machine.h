// The sandbox machine: a throw-away Wine prefix that carries a harmless stand-in of the worm.
// What the planting tool and the scenario driver both do to it: plant the stand-in infection
// (copies of the sleeper running as moniker.exe and syslray.exe, HKT1.dll, the two Run values)
// and the bystanders that must survive it, end and remove all of that again, and read back what
// is there. Both are 32-bit programs like Torvexa.exe, so they see the same system folder and the
// same view of the registry as the program and the worm.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "harness/child_process.h"
#include "platform/win32/win.h"

namespace torvexa::sandbox {

// A step on the machine that could not be done: a copy, a start, a snapshot, stand-ins that did
// not come up.
struct MachineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Polls every 50 ms until ready() holds or the bound passes; the bound only keeps a broken
// program from hanging the run.
template <class F>
bool WaitUntil(F ready, DWORD boundMs) {
    for (DWORD waited = 0;; waited += 50) {
        if (ready()) return true;
        if (waited >= boundMs) return false;
        Sleep(50);
    }
}

// UTF-8 for a one-line report: line ends are shown as \n and \r.
std::string Utf8(const std::wstring& s);

// The folder this program was started from: the build folder, which holds the sleeper too.
using harness::BuildDir;

// ---- the stand-ins' names ---------------------------------------------------------------------

inline const std::wstring kSystem = L"C:\\windows\\system32\\";
inline const std::wstring kMessengerDir = L"C:\\Program Files\\MSN Messenger\\";
inline const std::wstring kElsewhereDir = L"C:\\users\\Public\\";
// Windows 2000's system folder, where its worm lives: a folder the program is told of only by
// the worm's own Run values and programs (Wine names C:\windows\system32 whatever it reports).
inline const std::wstring kWinntDir = L"C:\\WINNT\\system32\\";
// The worm's files as its own names write them, in upper case on disk.
inline constexpr const wchar_t* kWormFilesUpper[] = {L"MONIKER.exe", L"SYSLRAY.exe", L"HKT1.dll"};
// Programs of other makers whose names contain the worm's, each listed with a short-named program
// started right after it (which a reused process record shows over the longer name's tail).
inline const std::wstring kAlikesDir = L"C:\\Program Files\\Limpiador\\";
inline constexpr const wchar_t* kNameAlikes[] = {L"limpiar_moniker.exe", L"tv.exe", L"xsyslray.exe",
                                                 L"ab.exe"};
inline constexpr const wchar_t* kMessenger = L"msnmsgr.exe";
inline constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const wchar_t* kWormValues[] = {L"realone_nt2003", L"realone_nt2004"};
// Lower case, as the worm names its programs; the program deletes them by upper-case paths.
inline constexpr const wchar_t* kWormFiles[] = {L"moniker.exe", L"syslray.exe", L"HKT1.dll"};
// Bystanders sit right beside the worm's traces, so an over-reaching deletion shows.
inline constexpr const wchar_t* kBystanderValue = L"realone_nt2005";
inline constexpr const wchar_t* kBystanderFile = L"HKT2.dll";
inline constexpr const wchar_t* kBystanderProgram = L"bystander.exe";
// A program that has the worm's hook DLL loaded, as every program does once the worm hooks it: it
// keeps HKT1.dll open, so that Windows deletes the file only at the next restart. In a worm that
// comes back, it also starts the worm's programs again the moment they end.
inline constexpr const wchar_t* kHookedProgram = L"hooked.exe";

// ---- reading the machine ----------------------------------------------------------------------

// How many processes run the program `exeName` (a bare file name, any case).
int Running(const std::wstring& exeName);
bool Exists(const std::wstring& path);
bool HasRunValue(const wchar_t* name);
// How many deletions at the next restart the system's list holds for a file of that name, in any
// folder (the list is the same for both registry views).
int PendingDeletes(const std::wstring& fileName);

// What of the worm is still there, as " process:NAME", " value:NAME" and " file:NAME" items
// ("" on a clean machine).
std::string Leftovers();

// ---- changing it ------------------------------------------------------------------------------

// Starts a program detached from this program's console and standard handles, so that it keeps
// running after this program ends (once released) and holds no pipe of the caller open.
harness::ChildProcess Start(const std::wstring& path, const std::wstring& arguments = L"");

// What to plant besides the bystanders, which are always planted.
struct Setup {
    int monikers = 0;          // running moniker.exe stand-ins
    bool syslray = false;      // a running syslray.exe stand-in
    bool messenger = false;    // a running msnmsgr.exe stand-in
    bool traces = false;       // the three worm files and the two Run values
    bool markedFiles = false;  // the worm files and the bystander file read-only, hidden, system
    bool heldDll = false;      // HKT1.dll kept open by a running program (kHookedProgram)
    // Instead of the stand-ins above: kHookedProgram holds HKT1.dll with delete sharing and keeps
    // one moniker.exe and one syslray.exe running, each holding its own file, started again the
    // moment they end (with the traces planted).
    bool comesBack = false;
    // moniker.exe stand-ins running from a folder of their own, not from the worm's file.
    int monikersElsewhere = 0;
    // Instead of the stand-ins above: one moniker.exe and one syslray.exe, each holding its own
    // file and starting the other again the moment it ends.
    bool revivingPair = false;
    // The traces and the moniker.exe and syslray.exe stand-ins above as the worm names them, in
    // upper case on disk (Windows lists a program by that name), and in C:\WINNT\system32 instead
    // of the system folder.
    bool upperCase = false;
    bool inWinnt = false;
    // The programs of kNameAlikes, running.
    bool nameAlikes = false;
};

// Plants `s` on a machine that Reset has cleared, and returns once every stand-in runs.
void Plant(const Setup& s);

// Ends everything the stand-ins and Torvexa.exe started and removes every trace, bystanders
// included, and empties the list of deletions at the next restart.
void Reset();

}  // namespace torvexa::sandbox
