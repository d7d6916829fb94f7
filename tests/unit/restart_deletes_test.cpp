// WININIT.INI replaced whole or not at all: a write, rename or deletion that fails, or a power cut
// at it, leaves the old file or the new one whole, for the restart and for the next run.
#include "app/restart_deletes.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_system.h"

namespace torvexa {
namespace {

TEST(WininitReplacement, AFailureOrAPowerCutAtAnyStepLeavesTheOldFileOrTheNewOneWhole) {
    const std::wstring wininit = L"C:\\WINDOWS\\WININIT.INI";
    // An installer's deletion and replacement; a section of another name.
    const std::string old = "[rename]\r\nNUL=C:\\OLD.SYS\r\nC:\\A.VXD=C:\\A.NEW\r\n[Other]\r\nx=1";
    const std::string added = WithWininitDelete(old, "C:\\HKT1.DLL");
    // Even steps fail the nth change of a file, odd ones cut the power there; the last loses bytes.
    for (int step = 0; step <= 10; ++step) {
        SCOPED_TRACE(step);
        fakes::FakeFileSystem files;
        files.contents[wininit] = old;
        files.changesBeforeFailure = step / 2;
        files.powerCut = step % 2 == 1;
        files.writesShort = step == 10;
        bool recorded = false;
        try {
            recorded = WininitRenames(files).Add(L"C:\\HKT1.DLL");
        } catch (const fakes::FakeFileSystem::PowerCut&) {
        }
        // No change that far: every one went through.
        if (files.changesBeforeFailure && step < 10) continue;
        if (!files.powerCut) {
            EXPECT_EQ(files.contents[wininit], recorded ? added : old);
        }
        // The next run finishes or undoes what was left, and reads the one file it leaves.
        ASSERT_TRUE(WininitRenames(files).Read());
        ASSERT_EQ(files.contents.size(), 1u);
        EXPECT_TRUE(files.contents[wininit] == old || files.contents[wininit] == added);
    }
}

}  // namespace
}  // namespace torvexa
