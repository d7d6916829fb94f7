// The scenarios, each the steps a person takes with the program, and what they see and leave on
// the machine. The driver runs them by name.
#pragma once

namespace torvexa::e2e {

// Through the window.
void CleanMachine();
void BothWormsYesWithoutMessenger();
void OnlyMoniker();
void OnlySyslray();
void YesClosesMessenger();
void NoKeepsMessenger();
void MarkedWormFiles();
void TwoMonikers();
void MonikersElsewhere();
void RevivingPair();
void InUseDllGoesAtRestart();
void PlantedDlls();
void InstalledNotRunning();
void ReopenedBeforeRestart();
void ComesBack();
void AfterRestart();
void UpperCaseWorm();
void NameAlikesSurvive();
void WormInWinnt();

// Without it: Torvexa.exe with switches, and the sandbox's planting tool.
void SilentInfected();
void SilentClean();
void SilentCheckOnly();
void SilentRefused();
void SilentLog();
void SilentInUse();
void SilentComesBack();
void SilentAfterRestart();
void SilentWormInWinnt();
void PlantingTool();

}  // namespace torvexa::e2e
