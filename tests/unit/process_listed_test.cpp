#include <gtest/gtest.h>

#include "process/mdlProcess.h"
#include "tests/fakes/fake_process_api.h"

namespace torvexa {
namespace {

TEST(ProcessListedTest, AnswersFromANewSnapshotAndLeavesTheLatestLookupAlone) {
    fakes::FakeProcessApi api;
    const mdlErrorHandle errors;
    mdlProcess process(api, errors);
    api.processes = {{4, L"explorer.exe"}, {10, L"moniker.exe"}};
    ASSERT_EQ(process.GetProcessIdByName(L"moniker.exe"), 10u);
    const auto lookup = process.ProcessEntries();

    EXPECT_TRUE(process.IsListed(10));
    EXPECT_FALSE(process.IsListed(11));
    api.processes.pop_back();
    EXPECT_FALSE(process.IsListed(10));
    // The lookup's table is untouched: it still holds both entries.
    ASSERT_EQ(process.ProcessEntries().size(), lookup.size());
    EXPECT_EQ(process.ProcessEntries()[1].th32ProcessID, 10u);

    // A list that cannot be read proves nothing: the process may still be there.
    // cppcheck-suppress unreadVariable ; the fake reads it in the IsListed call below
    api.snapshotFails = 8;
    EXPECT_TRUE(process.IsListed(10));
}

}  // namespace
}  // namespace torvexa
