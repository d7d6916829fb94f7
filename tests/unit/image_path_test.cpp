// A worm program that a host of the worm's DLL starts again the moment it is ended is judged on
// the file it runs from, whenever the check happens to look at it: one that is still in its loader
// (no module list yet) is looked at again, bounded, and the kernel's own record of its file is
// asked first where Windows has it.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "app/prin_form.h"
#include "app/silent_run.h"
#include "tests/unit/prin_machine.h"

namespace torvexa {
namespace {

using fakes::kHkt1;
using fakes::kMoniker;
using fakes::kSyslray;

// Both programs run from the worm's own files, which are in use, and come back when ended.
struct ComesBack : fakes::Machine {
    explicit ComesBack(int loaderSnapshots) {
        Infect();
        api.processes = {{4, L"explorer.exe"},
                         {10, L"moniker.exe", false, 0, false, kMoniker, true, loaderSnapshots},
                         {11, L"syslray.exe", false, 0, false, kSyslray, true, loaderSnapshots}};
        files.files[kMoniker] = files.files[kSyslray] = false;
        files.refusal = 32;  // sharing violation
        files.heldWithDeleteSharing = {kHkt1};
    }
    void Press() { form.Click(ControlId::Command1); }
};

TEST(ImagePath, AProgramStillInItsLoaderIsLookedAtAgainUntilItsFileIsKnown) {
    // Windows before Vista: the path comes from the module list only, which the new process has
    // only after two failed snapshots. Pressed, reopened and silent: the restart finishes it.
    // Its file refuses the delete as a running program's does (access denied) or as one held
    // open (a sharing violation): the first is in use only if a program is seen to run from it.
    for (const std::uint32_t refusal : {32u, 5u}) {
        SCOPED_TRACE(refusal);
        ComesBack t(2);
        t.files.refusal = refusal;
        t.Press();
        EXPECT_EQ(t.Status(), prin_texts::kAlmostDone);
        std::sort(t.files.recorded.begin(), t.files.recorded.end());
        EXPECT_EQ(t.files.recorded, (std::vector<std::wstring>{kHkt1, kMoniker, kSyslray}));
        t.form.Form_Load();
        EXPECT_EQ(t.Status(), prin_texts::kAlmostDone);
        EXPECT_EQ(Judge(t.disinfection.Check(), std::nullopt).exitCode, kExitRestart);
        EXPECT_EQ(t.Opens(4), 0u);  // the host of the DLL is never touched
        EXPECT_TRUE(t.api.openHandles.empty());
    }
}

TEST(ImagePath, AProgramWhosePathNeverReadsIsLeftAfterABoundedLook) {
    ComesBack t(1 << 20);
    t.Press();
    EXPECT_EQ(t.Status(), prin_texts::kNotRemoved);
    ASSERT_EQ(t.boxes.shown.size(), 1u);
    EXPECT_TRUE(t.boxes.shown[0].text.find(L"moniker.exe") != std::wstring::npos);
    EXPECT_TRUE(t.boxes.shown[0].text.find(L"syslray.exe") != std::wstring::npos);
    // Looked at again, and given up on: the bound holds for each program, its own time included.
    const std::uint32_t slept = t.clock.slept;
    EXPECT_EQ(t.disinfection.Check().processes.size(), 2u);
    EXPECT_GT(t.clock.slept, slept);
    EXPECT_LE(t.clock.slept - slept, 2 * Disinfection::kImageWaitLimitMilliseconds);
}

TEST(ImagePath, TheKernelsRecordNamesTheFileBeforeTheLoaderHasRun) {
    // Vista and later: no wait at all, however long the loader takes.
    ComesBack t(1 << 20);
    t.api.fullImageNames = true;
    t.Press();
    EXPECT_EQ(t.Status(), prin_texts::kAlmostDone);
    const std::uint32_t slept = t.clock.slept;
    EXPECT_TRUE(t.disinfection.Check().processes.empty());
    EXPECT_EQ(t.clock.slept, slept);
    EXPECT_TRUE(t.api.openHandles.empty());

    // A program that has ended while it was looked at is not waited for any longer.
    fakes::Machine gone;
    gone.api.processes = {{10, L"moniker.exe", false, 0, false, std::nullopt}};
    gone.registry.keys[{fakes::kHklm, fakes::kRun}] = {};
    gone.files.files = {{kMoniker, true}};
    gone.files.MoveFileExW(kMoniker, std::nullopt, kMoveFileDelayUntilReboot);
    gone.clock.onSleep = [&] { gone.api.processes = {{4, L"explorer.exe"}}; };
    EXPECT_EQ(gone.disinfection.Check().processes, (std::vector<std::wstring>{L"moniker.exe"}));
    EXPECT_EQ(gone.clock.slept, Disinfection::kPollMilliseconds);
}

}  // namespace
}  // namespace torvexa
