// Every answer from the whole worm: the window at start, the window after a press and the run
// without the window judge the same check (programs, Run values, files, and what the restart
// deletes), and a worm whose programs come back as fast as they are ended is finished by the
// restart.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/disinfection.h"
#include "app/prin_form.h"
#include "app/silent_run.h"
#include "tests/unit/prin_machine.h"

namespace torvexa {
namespace {

using namespace prin_colours;
using namespace prin_texts;
using fakes::kHklm;
using fakes::kHkt1;
using fakes::kMoniker;
using fakes::kRun;
using fakes::kSyslray;

struct Machine : fakes::Machine {
    void Press() { form.Click(ControlId::Command1); }
    void Reopen() {
        view = {};
        form.Form_Load();
    }
    // The exit code of a run without the window that only checks.
    int CheckOnly() { return Judge(disinfection.Check(), std::nullopt).exitCode; }
    std::vector<std::wstring> Changes() const {
        std::vector<std::wstring> changes = files.calls;
        for (const auto& call : registry.calls) {
            if (call.starts_with(L"RegDeleteValueA")) changes.push_back(call);
        }
        for (const auto& call : api.calls) {
            if (call.starts_with(L"OpenProcess")) changes.push_back(call);
        }
        return changes;
    }
    void RecordForRestart(const std::wstring& path) {
        files.MoveFileExW(path, std::nullopt, kMoveFileDelayUntilReboot);
        files.calls.clear();
    }
};

TEST(WholeWorm, TheStartUpCheckSeesEveryPartOfTheWormAndChangesNothing) {
    struct Case {
        const char* what;
        std::function<void(Machine&)> stage;
        const wchar_t* status;
        Rgb color;
        int silentCode;  // the run without the window, check only
    };
    const std::vector<Case> cases = {
        {"installed, none of its programs running",
         [](Machine& t) {
             t.api.processes = {{4, L"explorer.exe"}};
         },
         kInfected, kDarkRed, 3},
        {"only its files left",
         [](Machine& t) {
             t.api.processes = {{4, L"explorer.exe"}};
             t.registry.keys[{kHklm, kRun}] = {L"keep"};
         },
         kInfected, kDarkRed, 3},
        {"only a Run value left",
         [](Machine& t) {
             t.Clean();
             t.registry.keys[{kHklm, kRun}].insert(L"realone_nt2004");
             t.files.files.clear();
         },
         kInfected, kDarkRed, 3},
        {"reopened before the restart",
         [](Machine& t) {
             t.Clean();
             t.files.files = {{kHkt1, false}};
             t.RecordForRestart(kHkt1);
         },
         kAlmostDone, kDarkRed, 3010},
        {"a record for the restart whose file is already gone",
         [](Machine& t) {
             t.Clean();
             t.files.files = {{kHkt1, false}};
             t.RecordForRestart(kHkt1);
             t.files.files.clear();
         },
         kClean, kVeryDarkBlue, 0},
        {"the Run key cannot be read",
         [](Machine& t) {
             t.Clean();
             t.files.files.clear();
             t.registry.queryFails = 5;
         },
         kNotCheckedRunKey, kDarkRed, 4},
        {"neither the process list nor the Run key can be read",
         [](Machine& t) {
             t.Clean();
             t.files.files.clear();
             t.api.snapshotFails = 8;
             t.registry.queryFails = 5;
         },
         kNotCheckedEither, kDarkRed, 4},
        {"an unreadable Run key hides nothing that is seen",
         [](Machine& t) {
             t.api.processes = {{4, L"explorer.exe"}};
             t.registry.queryFails = 5;
         },
         kInfected, kDarkRed, 3},
        {"clean",
         [](Machine& t) {
             t.Clean();
             t.files.files.clear();
         },
         kClean, kVeryDarkBlue, 0},
    };
    for (const Case& c : cases) {
        Machine t;
        t.Infect();
        c.stage(t);
        t.form.Form_Load();
        EXPECT_EQ(t.Status(), c.status) << c.what;
        EXPECT_EQ(t.view.color[ControlId::msg], c.color) << c.what;
        EXPECT_TRUE(t.Changes().empty()) << c.what;
        EXPECT_EQ(std::count(t.view.log.begin(), t.view.log.end(), L"enabled Command1 0"), 0)
            << c.what;
        EXPECT_EQ(t.CheckOnly(), c.silentCode) << c.what;
    }
}

TEST(WholeWorm, AnInstalledWormThatDoesNotRunIsRemovedByOnePress) {
    Machine t;
    t.Infect();
    t.api.processes = {{4, L"explorer.exe"}};
    t.Press();
    EXPECT_EQ(t.Status(), kDisinfected);
    ASSERT_FALSE(t.boxes.shown.empty());
    EXPECT_EQ(t.boxes.shown[0].text, fakes::kQuestion);
    t.Reopen();
    EXPECT_EQ(t.Status(), kClean);
}

TEST(WholeWorm, ADeleteAcceptedWhileTheNameStaysGoesAtTheRestartOnce) {
    for (const bool examinable : {true, false}) {
        SCOPED_TRACE(examinable ? "the name stays" : "the name can no longer be examined");
        Machine t;
        t.Infect();
        t.files.heldWithDeleteSharing = {kHkt1};
        t.files.deletePendingUnknown = !examinable;
        t.Press();
        EXPECT_EQ(t.files.recorded, std::vector<std::wstring>{kHkt1});
        EXPECT_EQ(t.Status(), kAlmostDone);
        ASSERT_EQ(t.boxes.shown.size(), 1u);
        EXPECT_EQ(t.boxes.shown[0].text, std::wstring(kPendingIntro) + L"\r\n" + kHkt1);
        t.Press();
        EXPECT_EQ(t.files.recorded.size(), 1u);
        EXPECT_EQ(t.Status(), kAlmostDone);
    }
    // On 64-bit Windows it is recorded in the folder it really is in.
    Machine t;
    t.Infect();
    t.files.heldWithDeleteSharing = {kHkt1};
    t.files.wow64Directory = L"C:\\windows\\SysWOW64";
    t.Press();
    EXPECT_EQ(t.files.recorded, std::vector<std::wstring>{L"C:\\windows\\SysWOW64\\HKT1.dll"});
    EXPECT_EQ(t.Status(), kAlmostDone);
}

// The worm's programs are started again from their files the moment they end, by a program that
// hosts the worm's DLL (explorer.exe here); each holds its own file, as Windows holds a running
// program's file, and the host holds the DLL with delete sharing.
struct ComesBack : Machine {
    explicit ComesBack(const std::wstring& folder = L"C:\\windows\\system32") {
        Infect();
        api.processes = {{4, L"explorer.exe"},
                         {10, L"moniker.exe", false, 0, false, folder + L"\\MONIKER.exe", true},
                         {11, L"syslray.exe", false, 0, false, folder + L"\\SYSLRAY.exe", true}};
        files.files[kMoniker] = files.files[kSyslray] = false;
        files.refusal = 32;  // sharing violation
        files.heldWithDeleteSharing = {kHkt1};
    }
};

TEST(WholeWorm, AWormThatComesBackIsFinishedByTheRestart) {
    ComesBack t;
    t.Press();
    EXPECT_EQ(t.Status(), kAlmostDone);
    EXPECT_EQ(t.view.color[ControlId::msg], kDarkRed);
    ASSERT_EQ(t.boxes.shown.size(), 1u);
    EXPECT_EQ(t.boxes.shown[0].text, std::wstring(kPendingIntro) + L"\r\n" + kMoniker + L"\r\n" +
                                         kSyslray + L"\r\n" + kHkt1);
    EXPECT_EQ(t.files.recorded, (std::vector<std::wstring>{kMoniker, kSyslray, kHkt1}));
    EXPECT_EQ(t.Opens(4), 0u);  // the host of the DLL is never touched
    EXPECT_EQ(t.registry.keys[std::pair(kHklm, kRun)], (std::set<std::wstring>{L"keep"}));

    // Pressed again, reopened, or asked without the window: the same answer, nothing twice.
    t.Press();
    EXPECT_EQ(t.Status(), kAlmostDone);
    EXPECT_EQ(t.files.recorded.size(), 3u);
    t.Reopen();
    EXPECT_EQ(t.Status(), kAlmostDone);
    EXPECT_EQ(t.CheckOnly(), kExitRestart);
    const Remnants left = t.disinfection.Check();
    EXPECT_EQ(left.pendingProcesses, (std::vector<std::wstring>{L"moniker.exe", L"syslray.exe"}));
    EXPECT_TRUE(left.processes.empty());
    EXPECT_EQ(Judge(left, left).words, L"Casi listo: pendiente al reiniciar: " + kMoniker + L", " +
                                           kSyslray + L", " + kHkt1);

    // A 32-bit worm on 64-bit Windows runs from the folder its files really are in.
    ComesBack wow64(L"C:\\windows\\SysWOW64");
    wow64.files.wow64Directory = L"C:\\windows\\SysWOW64";
    wow64.Press();
    EXPECT_EQ(wow64.Status(), kAlmostDone);
}

TEST(WholeWorm, AProgramThatCouldStillBeStartedAgainIsLeft) {
    struct Case {
        const char* what;
        std::function<void(ComesBack&)> stage;
        std::wstring left;  // the box's first item
    };
    const std::vector<Case> cases = {
        {"a Run value cannot be deleted", [](ComesBack& t) { t.registry.deleteFails = 5; },
         L"moniker.exe"},
        {"the Run key cannot be read afterwards",
         [](ComesBack& t) {
             t.files.onDelete = [&t](const std::wstring&) { t.registry.queryFails = 5; };
         },
         L"moniker.exe"},
        {"it runs from another folder",
         [](ComesBack& t) { t.api.processes[1].image = L"C:\\Users\\ana\\MONIKER.exe"; },
         L"moniker.exe"},
        {"its path cannot be read", [](ComesBack& t) { t.api.processes[2].image = std::nullopt; },
         L"syslray.exe"},
        {"on 64-bit Windows, from the 64-bit system folder",
         [](ComesBack& t) { t.files.wow64Directory = L"C:\\windows\\SysWOW64"; }, L"moniker.exe"},
    };
    for (const Case& c : cases) {
        ComesBack t;
        c.stage(t);
        t.Press();
        EXPECT_EQ(t.Status(), kNotRemoved) << c.what;
        ASSERT_EQ(t.boxes.shown.size(), 1u) << c.what;
        EXPECT_TRUE(t.boxes.shown[0].text.starts_with(std::wstring(kLeftIntro) + L"\r\n" + c.left))
            << c.what;
        EXPECT_EQ(t.Opens(4), 0u) << c.what;
    }
}

TEST(WholeWorm, TheImagePathIsTakenAgainWhileTheModuleListIsChanging) {
    Machine t;
    t.api.processes = {{10, L"moniker.exe", false, 0, false, kMoniker}};
    t.api.moduleBadLengths = 2;
    EXPECT_EQ(t.process.ImagePath(10), kMoniker);
    t.api.moduleBadLengths = 3;
    EXPECT_EQ(t.process.ImagePath(10), std::nullopt);
    EXPECT_EQ(t.process.ImagePath(99), std::nullopt);  // no such process
    EXPECT_TRUE(t.api.openHandles.empty());
}

}  // namespace
}  // namespace torvexa
