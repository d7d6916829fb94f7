// Helpers for tests of the real layer: a child process of the test's own, a scratch folder.
#pragma once

#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"

namespace torvexa::test {

// The folder the test binaries and the sleeper were built into (as a Windows path).
std::wstring BuildDir();

// Copies the sleeper to `folder\exeName` and starts it; the returned handle owns the process.
struct Child {
    win32::UniqueProcessHandle process;
    DWORD id = 0;
    std::wstring path;
};
Child StartSleeperAs(const std::wstring& folder, const std::wstring& exeName);

// A new empty folder under the temporary folder, named for this test run.
std::wstring MakeScratchFolder(const std::wstring& tag);

}  // namespace torvexa::test
