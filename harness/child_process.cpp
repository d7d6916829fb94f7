#include "harness/child_process.h"

namespace torvexa::harness {

namespace {

std::string Narrow(const std::wstring& s) {
    return {s.begin(), s.end()};  // our programs' paths and names are ASCII
}

bool Captures(StandardHandles handles) {
    return handles == StandardHandles::Captured || handles == StandardHandles::CapturedNulInput;
}

}  // namespace

void EndProcess(HANDLE process) {
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
}

ChildProcess::ChildProcess(const std::wstring& commandLine, const ChildOptions& options) {
    const StandardHandles handles = options.handles;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    win32::UniqueFileHandle nul;
    if (handles == StandardHandles::Nul || handles == StandardHandles::CapturedNulInput) {
        nul.reset(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0,
                              nullptr));
    }
    win32::UniqueHandle writing;
    if (Captures(handles)) {
        if (!CreatePipe(output_.put(), writing.put(), &inherit, 0)) {
            throw StartFailure("no pipe for " + Narrow(commandLine));
        }
        SetHandleInformation(output_.get(), HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    switch (handles) {
        case StandardHandles::Default:
            break;
        case StandardHandles::None:
            si.hStdInput = si.hStdOutput = si.hStdError = INVALID_HANDLE_VALUE;
            break;
        case StandardHandles::Nul:
            si.hStdInput = si.hStdOutput = si.hStdError = nul.get();
            break;
        case StandardHandles::Captured:
            si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
            si.hStdOutput = si.hStdError = writing.get();
            break;
        case StandardHandles::CapturedNulInput:
            si.hStdInput = nul.get();
            si.hStdOutput = si.hStdError = writing.get();
            break;
    }
    if (handles != StandardHandles::Default) si.dwFlags = STARTF_USESTDHANDLES;
    // Handles are inherited only where the child is given some of this program's.
    const BOOL inherits =
        handles != StandardHandles::Default && handles != StandardHandles::None ? TRUE : FALSE;
    std::wstring cmd = commandLine;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(
        options.program.empty() ? nullptr : options.program.c_str(), cmd.data(), nullptr, nullptr,
        inherits, options.detached ? DETACHED_PROCESS : 0, nullptr, nullptr, &si, &pi);
    const DWORD error = GetLastError();  // before anything below can touch it
    if (!started) {
        throw StartFailure("cannot start " + Narrow(commandLine) + " (error " +
                           std::to_string(error) + ")");
    }
    const win32::UniqueHandle thread(pi.hThread);
    process_.reset(pi.hProcess);
    id_ = pi.dwProcessId;
}

bool ChildProcess::Wait(DWORD boundMs) const {
    return WaitForSingleObject(process_.get(), boundMs) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

std::string ChildProcess::ReadOutput() const {
    std::string output;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(output_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        output.append(buffer, got);
    }
    return output;
}

std::string ChildProcess::ReadLine() const {
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(output_.get(), &c, 1, &got, nullptr) && got > 0 && c != '\n') line += c;
    return line;
}

void ChildProcess::End() {
    if (process_) EndProcess(process_.get());
    Release();
}

void ChildProcess::Release() {
    process_.reset();
    output_.reset();
}

std::string RunCaptured(const std::wstring& program, const std::vector<std::wstring>& arguments,
                        DWORD* exitCode) {
    std::wstring cmd = L"\"" + program + L"\"";
    for (const std::wstring& a : arguments) cmd += L" \"" + a + L"\"";
    const ChildProcess child(cmd, {program, false, StandardHandles::Captured});
    std::string output = child.ReadOutput();
    child.Wait(60000);
    if (exitCode != nullptr) *exitCode = child.ExitCode();
    return output;
}

std::wstring BuildDir() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

}  // namespace torvexa::harness
