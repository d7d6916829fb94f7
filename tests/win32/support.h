// Helpers for tests of the real layer: a child process of the test's own, a scratch folder.
#pragma once

#include <string>

#include "harness/child_process.h"
#include "platform/win32/win.h"

namespace torvexa::test {

// The folder the test binaries and the sleeper were built into (as a Windows path).
using harness::BuildDir;
using harness::RunCaptured;

// Copies the sleeper to `folder\exeName` and starts it; the child is ended at the latest when it
// goes.
struct Child {
    harness::ChildProcess process;
    std::wstring path;
};
Child StartSleeperAs(const std::wstring& folder, const std::wstring& exeName);

// A new empty folder under the temporary folder, named for this test run.
std::wstring MakeScratchFolder(const std::wstring& tag);

// Gives the program named `exeName` Windows' own load order, native DLL first, for the DLL
// `dllName` (without .dll), through Wine's per-program overrides, while it lives. Wine otherwise
// prefers its builtin DLLs and would never load a DLL planted beside a program. (WINEDLLOVERRIDES
// in a child's environment block does not reach Wine's loader; the registry does.)
class NativeFirst {
  public:
    NativeFirst(const std::wstring& exeName, const std::wstring& dllName);
    ~NativeFirst();
    NativeFirst(const NativeFirst&) = delete;
    NativeFirst& operator=(const NativeFirst&) = delete;

  private:
    std::wstring key_, dll_;
};

}  // namespace torvexa::test
