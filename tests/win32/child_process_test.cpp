// The child processes of the test, sandbox and benchmark programs: a child is ended at the latest
// when its owner goes unless it is released to run on, its exit code is read in full, and its
// captured output reads a line at a time and then to the pipe's end.
#include "harness/child_process.h"

#include <gtest/gtest.h>

#include <string>

namespace torvexa::harness {
namespace {

std::wstring Program(const wchar_t* name) {
    return BuildDir() + L"\\" + name;
}

// A handle of this test's own on the child's process, which outlives the child's owner.
win32::UniqueHandle Watch(const ChildProcess& child) {
    win32::UniqueHandle copy;
    EXPECT_TRUE(
        DuplicateHandle(GetCurrentProcess(), child.Process(), GetCurrentProcess(), copy.put(),
                        SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, 0));
    return copy;
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    return code;
}

TEST(ChildProcess, IsEndedWhenItsOwnerGoesUnlessReleased) {
    const ChildOptions detached{Program(L"sleeper.exe"), true, StandardHandles::None};
    win32::UniqueHandle ended, released;
    {
        const ChildProcess child(L"\"" + detached.program + L"\"", detached);
        ended = Watch(child);
        EXPECT_FALSE(child.Wait(0));
        EXPECT_EQ(child.ExitCode(), DWORD{STILL_ACTIVE});
        ChildProcess kept(L"\"" + detached.program + L"\"", detached);
        released = Watch(kept);
        kept.Release();
    }
    ASSERT_EQ(WaitForSingleObject(ended.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(ended.get()), 1u);
    EXPECT_EQ(WaitForSingleObject(released.get(), 0), DWORD{WAIT_TIMEOUT});
    EndProcess(released.get());
    EXPECT_EQ(WaitForSingleObject(released.get(), 0), WAIT_OBJECT_0);
}

TEST(ChildProcess, ReadsItsOutputALineAtATimeThenToTheEnd) {
    const ChildProcess probe(L"\"" + Program(L"dll_probe.exe") + L"\" system uxtheme.dll",
                             {{}, true, StandardHandles::CapturedNulInput});
    EXPECT_EQ(probe.ReadLine().rfind("search: ", 0), 0u);
    EXPECT_EQ(probe.ReadOutput().rfind("loaded: ", 0), 0u);
    EXPECT_EQ(probe.ReadLine(), "");
    ASSERT_TRUE(probe.Wait(60000));
    EXPECT_EQ(probe.ExitCode(), 0u);

    // Nothing printed, and an exit code of more than 8 bits.
    const ChildProcess exits(L"cmd.exe /c exit 3010", {{}, false, StandardHandles::Captured});
    EXPECT_EQ(exits.ReadOutput(), "");
    ASSERT_TRUE(exits.Wait(60000));
    EXPECT_EQ(exits.ExitCode(), 3010u);
}

TEST(ChildProcess, ThatCannotStartSaysWhichAndWhy) {
    try {
        const ChildProcess missing(L"\"" + Program(L"missing.exe") + L"\"");
        FAIL() << "a missing program started";
    } catch (const StartFailure& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("missing.exe"), std::string::npos) << what;
        EXPECT_NE(what.find("(error 2)"), std::string::npos) << what;
    }
}

}  // namespace
}  // namespace torvexa::harness
