// A child process of a test, sandbox or benchmark program: started, waited for, its exit code and
// its standard output read, and ended at the latest when its owner goes, so that a run that fails
// half-way leaves nothing of its own running on the machine.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"

namespace torvexa::harness {

// The standard handles a child starts with.
enum class StandardHandles {
    Default,           // none named: what Windows gives a child by default
    None,              // none at all: it holds nothing of this program's open, no pipe either
    Nul,               // NUL for its input, output and errors
    Captured,          // output and errors into a pipe this program reads; its input this program's
    CapturedNulInput,  // output and errors into that pipe, NUL for its input
};

struct ChildOptions {
    std::wstring program;   // the executable; when empty, the command line's first word names it
    bool detached = false;  // DETACHED_PROCESS: neither a console of its own nor this program's
    StandardHandles handles = StandardHandles::Default;
};

// A child that could not be started; what() names it and Windows' error.
struct StartFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Ends `process` if it still runs, waiting up to 5 s for it to be gone.
void EndProcess(HANDLE process);

class ChildProcess {
  public:
    // Starts `commandLine`. Only the pipe's write end is made inheritable for it, and this
    // program's copy of it is closed once the child holds its own: the pipe ends when the child
    // (and whatever it started with the handle) has ended.
    explicit ChildProcess(const std::wstring& commandLine, const ChildOptions& options = {});
    ~ChildProcess() { End(); }
    ChildProcess(ChildProcess&&) noexcept = default;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    HANDLE Process() const { return process_.get(); }
    DWORD Id() const { return id_; }

    // Whether it has ended within `boundMs`.
    bool Wait(DWORD boundMs) const;
    // Its exit code, all 32 bits; STILL_ACTIVE (259) while it runs or when it cannot be read.
    DWORD ExitCode() const;
    // With its output captured: everything it writes until the pipe ends.
    std::string ReadOutput() const;
    // With its output captured: the next line it writes, without its line end ("" at the end).
    std::string ReadLine() const;

    // Ends it if it still runs and lets go of its handles.
    void End();
    // Lets go of its handles and leaves it running.
    void Release();

  private:
    win32::UniqueHandle process_;
    DWORD id_ = 0;
    win32::UniqueHandle output_;  // the pipe's read end, when its output is captured
};

// Runs `program` with `arguments` (each quoted) and its input this program's, and returns what it
// wrote to its standard output and errors once it has ended (the wait after the pipe's end is
// bounded by 60 s); its exit code goes to `exitCode` when one is given. Throws StartFailure when
// it cannot start.
std::string RunCaptured(const std::wstring& program, const std::vector<std::wstring>& arguments,
                        DWORD* exitCode = nullptr);

// The folder this program was started from: the build folder, which holds the programs it runs.
std::wstring BuildDir();

}  // namespace torvexa::harness
