#include <gtest/gtest.h>

#include <cstdio>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

#include "errors/mdlErrorHandle.h"
#include "platform/win32/text_api.h"
#include "platform/win32/win32_process_api.h"
#include "process/mdlProcess.h"
#include "tests/win32/support.h"

namespace torvexa {
namespace {

class ProcessLayerTest : public ::testing::Test {
  protected:
    win32::Win32ProcessApi api;
    std::vector<std::wstring> reports;
    mdlErrorHandle errors{[this](const std::wstring& l) { reports.push_back(l); }};
    // As the composition root makes it: on 9x's way the records are read as holding paths.
    mdlProcess process{api, errors, win32::OnWindows9x()};
};

TEST_F(ProcessLayerTest, SnapshotListsThisProcessWithA296ByteRecord) {
    std::vector<ProcessEntry32> table;
    const std::int32_t last = process.Process32_Enum(table);
    ASSERT_GE(last, 1);
    EXPECT_EQ(table.size(), static_cast<std::size_t>(last) + 1);
    bool foundSelf = false;
    for (const auto& e : table) {
        foundSelf |= e.th32ProcessID == GetCurrentProcessId();
        EXPECT_EQ(e.dwSize, 296u);
    }
    EXPECT_TRUE(foundSelf);
    EXPECT_TRUE(reports.empty());
}

TEST_F(ProcessLayerTest, FindsAChildByItsNameAndEndsIt) {
    const std::wstring folder = test::MakeScratchFolder(L"kill");
    const std::wstring name = L"tvxchild" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    test::Child child = test::StartSleeperAs(folder, name);

    const ProcessId id = process.GetProcessIdByName(name);
    EXPECT_EQ(id, child.process.Id());
    EXPECT_TRUE(process.FindByName(name).complete);
    // Listed by its file's name, found by it in any letter case; in this user's session, started
    // at one time.
    std::wstring upper = name;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    EXPECT_EQ(process.GetProcessIdByName(upper), id);
    EXPECT_EQ(process.InThisSession(id), true);
    EXPECT_EQ(process.StartTime(id).has_value(), !win32::OnWindows9x());  // 9x keeps no times
    EXPECT_EQ(process.StartTime(id), process.StartTime(id));

    process.Kill_Process(id);
    ASSERT_EQ(WaitForSingleObject(child.process.Process(), 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.process.Process(), &code));
    EXPECT_EQ(code, 259u);  // the exit code read from the running process, STILL_ACTIVE
    EXPECT_TRUE(reports.empty());

    // Once it has ended, a new snapshot no longer finds it.
    EXPECT_EQ(process.GetProcessIdByName(name), 0u);
    child.process.End();
    DeleteFileW(child.path.c_str());
    RemoveDirectoryW(folder.c_str());
}

// The path of the file a process runs from, as the worm's check compares it with the worm's files:
// the full path, in the folder the file really is in, whatever letter case it was started with.
// Written to the log, since it is what a 32-bit program on 64-bit Windows sees of the redirection.
TEST_F(ProcessLayerTest, ReadsTheFileAProcessRunsFromAndNothingOfOneThatIsGone) {
    const std::wstring folder = test::MakeScratchFolder(L"image");
    const std::wstring name = L"tvximage" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    test::Child child = test::StartSleeperAs(folder, name);

    // A process that has only just started has no module list yet; the kernel's record of its
    // file is there from its creation, so it is read at once, the first time it is asked.
    const std::optional<std::wstring> image = process.ImagePath(child.process.Id());
    ASSERT_TRUE(image.has_value());
    std::printf("image path: %ls (started as %ls)\n", image->c_str(), child.path.c_str());
    EXPECT_EQ(_wcsicmp(image->c_str(), child.path.c_str()), 0);

    const ProcessId gone = child.process.Id();
    child.process.End();
    EXPECT_EQ(process.ImagePath(gone), std::nullopt);
    EXPECT_TRUE(reports.empty());  // an unreadable path is an answer, not a fault
    DeleteFileW(child.path.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(ProcessLayerTest, KillOfIdZeroFilesFourReportsWithTheSystemsCodes) {
    process.Kill_Process(0);
    const std::vector<std::wstring> expected = {
        L"ERROR: 87 at mdlProcess\\Kill_Process >>> OpenProcess failed",
        L"ERROR: 6 at mdlProcess\\Kill_Process >>> GetExitCodeProcess failed",
        L"ERROR: 6 at mdlProcess\\Kill_Process >>> TerminateProcess failed",
        L"ERROR: 6 at mdlProcess\\Kill_Process >>> CloseHandle failed"};
    EXPECT_EQ(reports, expected);
}

TEST_F(ProcessLayerTest, FirstEntryOnAnInvalidHandleFailsWithTheSystemsCode) {
    ProcessEntry32 entry{};
    entry.dwSize = 296;
    EXPECT_FALSE(api.Process32First(kInvalidHandleValue, entry));
    EXPECT_EQ(api.GetLastError(), 6u);
}

}  // namespace
}  // namespace torvexa
