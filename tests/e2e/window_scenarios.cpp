// The scenarios through the window: a user opens Torvexa.exe, reads the status, presses
// "Desinfectame!!!", answers what it asks and leaves; the machine is checked after each press.
#include <optional>

#include "app/prin_form.h"
#include "tests/e2e/expect.h"
#include "tests/e2e/program.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/staging.h"

namespace torvexa::e2e {
namespace {

// The sandbox's setups, by what they plant besides the bystanders.
const sandbox::Setup kNothing{};
const sandbox::Setup kBothWorms{1, true, false, true};
const sandbox::Setup kBothWormsAndMessenger{1, true, true, true};
const sandbox::Setup kMarkedFiles{1, true, false, true, true};
const sandbox::Setup kDllHeld{1, true, false, true, false, true};
const sandbox::Setup kWormThatComesBack{0, false, false, true, false, false, true};

// One press on an infected machine that ends disinfected, the question answered `answer`.
void PressAndDisinfect(Torvexa& app, Messenger answer, const Machine& after = kDisinfected) {
    app.Press();
    app.ExpectDisinfected(answer);
    ExpectMachine(after);
}

// One press that ends in the restart, `files` named and recorded once each, and the worm's
// programs that still run until then named after them.
void PressAndRestart(Torvexa& app, const std::vector<std::wstring>& files, const Machine& after,
                     const std::vector<std::wstring>& programs = {}) {
    app.Press();
    app.ExpectAlmostDone(files, programs);
    ExpectRecordedOnce(files);
    ExpectMachine(after);
}

// An infected machine that one press disinfects: the user opens the program, sees it infected,
// presses once, answers the question about the messenger and leaves.
void DisinfectedByOnePress(const sandbox::Setup& setup, Messenger answer,
                           const Machine& after = kDisinfected) {
    OnAMachineWith(setup);
    Torvexa app;
    app.ExpectInfected();
    PressAndDisinfect(app, answer, after);
    app.Leave();
}

}  // namespace

void CleanMachine() {
    OnAMachineWith(kNothing);
    Torvexa app;
    app.ExpectClean();
    PressAndDisinfect(app, Messenger::KeepIt);
    app.Leave(true);  // through the close box
}

void BothWormsYesWithoutMessenger() {
    TakeScreenshots(true);
    OnAMachineWith(kBothWorms);
    Torvexa app;
    app.ExpectInfected();
    app.Shot(L"start");
    PressAndDisinfect(app, Messenger::CloseIt);
    app.Leave();
}

void OnlyMoniker() {
    DisinfectedByOnePress({1, false, false, true}, Messenger::KeepIt);
}

void OnlySyslray() {
    DisinfectedByOnePress({0, true, false, true}, Messenger::KeepIt);
}

void YesClosesMessenger() {
    DisinfectedByOnePress(kBothWormsAndMessenger, Messenger::CloseIt);
}

void NoKeepsMessenger() {
    DisinfectedByOnePress(kBothWormsAndMessenger, Messenger::KeepIt, {0, 0, 1, false, {}});
}

// Worms mark their files read-only, hidden and system; the files go all the same, and the
// bystander file beside them, marked alike, keeps its marks.
void MarkedWormFiles() {
    OnAMachineWith(kMarkedFiles);
    Torvexa app;
    app.ExpectInfected();
    PressAndDisinfect(app, Messenger::KeepIt);
    ExpectBystanderMarksKept();
    app.Leave();
}

// A second moniker.exe ends with the first: one press ends every program of the worm's names.
void TwoMonikers() {
    DisinfectedByOnePress({2, true, false, true}, Messenger::KeepIt);
}

// Two moniker.exe run from a folder of their own: they carry the worm's name, so the press ends
// them too, and the file they run from goes with them.
void MonikersElsewhere() {
    sandbox::Setup twoElsewhere{0, true, false, true};
    twoElsewhere.monikersElsewhere = 2;
    DisinfectedByOnePress(twoElsewhere, Messenger::KeepIt);
    Expect(!sandbox::Exists(sandbox::kElsewhereDir + sandbox::kWormFiles[0]),
           "the file the monikers elsewhere ran from is still there");
}

// The worm's files named in upper case on disk, as the worm names them: its programs are listed
// as MONIKER.exe and SYSLRAY.exe, and one press removes them all the same.
void UpperCaseWorm() {
    sandbox::Setup upper = kBothWorms;
    upper.upperCase = true;
    DisinfectedByOnePress(upper, Messenger::KeepIt);
}

// Programs whose names contain the worm's, each listed with a short-named one after it, are
// other makers' programs: the press leaves them all running.
void NameAlikesSurvive() {
    sandbox::Setup alikes = kBothWorms;
    alikes.nameAlikes = true;
    DisinfectedByOnePress(alikes, Messenger::KeepIt);
    for (const wchar_t* name : sandbox::kNameAlikes) {
        Expect(sandbox::Running(name) == 1, sandbox::Utf8(name) + " was ended");
    }
}

// The worm where Windows 2000 is, in C:\WINNT\system32: its Run values point there and its
// programs run from there. One press removes all of it, its files included.
void WormInWinnt() {
    DisinfectedByOnePress(kWormInWinnt, Messenger::KeepIt);
    ExpectWinntEmpty();
}

// moniker.exe and syslray.exe each start the other again the moment it ends: one press ends them
// both and removes the worm, however busy the machine is.
void RevivingPair() {
    sandbox::Setup pair{0, false, false, true};
    pair.revivingPair = true;
    DisinfectedByOnePress(pair, Messenger::KeepIt);
}

// HKT1.dll is kept open by another program: it goes at the restart, recorded once, and the user
// is told so on each press. The machine is kept for after_restart.
void InUseDllGoesAtRestart() {
    TakeScreenshots(true);
    OnAMachineWith(kDllHeld);
    Torvexa app;
    app.ExpectInfected();
    app.Shot(L"start");
    PressAndRestart(app, {kHeldDll}, kHeldDllLeft);
    PressAndRestart(app, {kHeldDll}, kHeldDllLeft);
    ExpectDllHost(true);
    app.Leave();
}

// Run from a folder full of DLLs planted under common names: none of them may run, through a
// disinfection and a click on a link.
void PlantedDlls() {
    OnAMachineWith(kBothWorms);
    const PlantedFolder planted;
    std::optional<Torvexa> app(std::in_place, planted.Exe());
    app->ExpectInfected();
    PressAndDisinfect(*app, Messenger::CloseIt);
    app->ClickWebLink();
    app->Leave();
    const std::string ran = planted.Ran();
    Expect(ran.empty(), "planted DLLs ran inside the program:" + ran);
}

// The worm installed, none of its programs running (Safe Mode, or ended by hand): the window says
// it is there, and one press removes it.
void InstalledNotRunning() {
    DisinfectedByOnePress({0, false, false, true}, Messenger::KeepIt);
}

// Closed and opened again before the restart: the window still asks for it.
void ReopenedBeforeRestart() {
    OnAMachineWith(kDllHeld);
    {
        Torvexa app;
        app.ExpectInfected();
        PressAndRestart(app, {kHeldDll}, kHeldDllLeft);
        ExpectDllHost(true);
        app.Leave();
    }
    Torvexa again;
    again.ExpectStart(prin_texts::kAlmostDone, true);
    again.Leave();
}

// The program that hosts HKT1.dll starts the worm's programs again the moment they end: each press
// ends in the restart, each file recorded once, the host untouched; opened again, the window
// still asks for the restart. The machine is kept for after_restart.
void ComesBack() {
    OnAMachineWith(kWormThatComesBack);
    {
        Torvexa app;
        app.ExpectInfected();
        PressAndRestart(app, kAllWormFiles, kCameBack, {L"moniker.exe", L"syslray.exe"});
        PressAndRestart(app, kAllWormFiles, kCameBack, {L"moniker.exe", L"syslray.exe"});
        ExpectDllHost(true);
        app.Leave();
    }
    Torvexa again;
    again.ExpectStart(prin_texts::kAlmostDone, true);
    again.Leave();
}

// After in_use_dll_goes_at_restart or comes_back (its machine kept) and a restart of the machine:
// the files that were in use are gone, the restart list holds nothing for them, and the program
// starts clean.
void AfterRestart() {
    Stage("after the restart");
    ExpectWormFilesGone();
    Torvexa app;
    app.ExpectClean();
    app.Leave();
}

}  // namespace torvexa::e2e
