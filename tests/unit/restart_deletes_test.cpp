// WININIT.INI replaced whole or not at all: a write, rename or deletion that fails, or a power cut
// at it, leaves the old file or the new one whole, for the restart and for the next run.
#include "app/restart_deletes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "tests/fakes/fake_registry_api.h"
#include "tests/fakes/fake_system.h"

namespace torvexa {
namespace {

const std::wstring kWininit = L"C:\\WINDOWS\\WININIT.INI";
const std::wstring kHkt1 = L"C:\\WINDOWS\\SYSTEM\\HKT1.DLL";
// An installer's deletion and replacement, and a section of another name, without a last line end.
const std::string kOld =
    "[rename]\r\nNUL=C:\\SETUP\\OLD.SYS\r\nC:\\WINDOWS\\SYSTEM\\A.VXD=C:\\SETUP\\A.VXD\r\n"
    "[CombineVxDs]\r\nx=1";

struct Machine {
    Machine() {
        files.wininit = true;
        files.contents[kWininit] = kOld;
    }
    bool Add() {
        try {
            return RestartDeletes(registry, files).Add(kHkt1);
        } catch (const fakes::FakeFileSystem::PowerCut&) {
            return false;
        }
    }
    fakes::FakeRegistryApi registry;
    fakes::FakeFileSystem files;
};

TEST(WininitReplacement, AFailureOrAPowerCutAtAnyStepLeavesTheOldFileOrTheNewOneWhole) {
    const std::string added = WithWininitDelete(kOld, "C:\\WINDOWS\\SYSTEM\\HKT1.DLL");
    for (const bool powerCut : {false, true}) {
        for (int step = 0;; ++step) {
            SCOPED_TRACE(testing::Message()
                         << (powerCut ? "power cut" : "failure") << " at " << step);
            Machine m;
            m.files.changesBeforeFailure = step;
            m.files.powerCut = powerCut;
            const bool recorded = m.Add();
            if (m.files.changesBeforeFailure) break;  // every step went through
            // A failure is undone at once (only the last deletion, once the new file is in
            // place, is not one): the file is as the answer says.
            if (!powerCut) {
                EXPECT_EQ(m.files.contents[kWininit], recorded ? added : kOld);
            }
            // The next run finishes or undoes what was left, and reads the one file it leaves.
            const auto list = RestartDeletes(m.registry, m.files).Read();
            ASSERT_TRUE(list.has_value());
            ASSERT_EQ(m.files.contents.size(), 1u);
            const std::string& now = m.files.contents[kWininit];
            EXPECT_TRUE(now == kOld || now == added) << now;
            EXPECT_EQ(list->size(), WininitDeletes(now).size());
            if (recorded) {
                EXPECT_EQ(now, added);
            }
        }
    }
    // A write that lost bytes on the way is never put in place.
    Machine lossy;
    lossy.files.writesShort = true;
    EXPECT_FALSE(lossy.Add());
    EXPECT_EQ(lossy.files.contents, (std::map<std::wstring, std::string>{{kWininit, kOld}}));
    // Another program that writes the file meanwhile keeps its lines: the file is read again.
    Machine shared;
    bool first = true;
    shared.files.onWrite = [&](const std::wstring&) {
        if (std::exchange(first, false)) shared.files.contents[kWininit] += "\r\n[other]\r\n";
    };
    EXPECT_TRUE(shared.Add());
    EXPECT_EQ(shared.files.contents[kWininit],
              WithWininitDelete(kOld + "\r\n[other]\r\n", "C:\\WINDOWS\\SYSTEM\\HKT1.DLL"));
}

}  // namespace
}  // namespace torvexa
