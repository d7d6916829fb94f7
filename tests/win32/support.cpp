#include "tests/win32/support.h"

#include <stdexcept>

namespace torvexa::test {

std::wstring BuildDir() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

std::wstring MakeScratchFolder(const std::wstring& tag) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder =
        std::wstring(temp) + L"torvexa_" + tag + L"_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

Child StartSleeperAs(const std::wstring& folder, const std::wstring& exeName) {
    Child child;
    child.path = folder + L"\\" + exeName;
    if (!CopyFileW((BuildDir() + L"\\sleeper.exe").c_str(), child.path.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy the sleeper");
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + child.path + L"\"";
    if (!CreateProcessW(child.path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
        throw std::runtime_error("cannot start the sleeper");
    }
    const win32::UniqueHandle thread(pi.hThread);
    child.process.reset(pi.hProcess);
    child.id = pi.dwProcessId;
    return child;
}

std::string RunCaptured(const std::wstring& program, const std::vector<std::wstring>& arguments,
                        DWORD* exitCode) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) throw std::runtime_error("no pipe");
    const win32::UniqueHandle reading(readEnd);
    win32::UniqueHandle writing(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring cmd = L"\"" + program + L"\"";
    for (const std::wstring& a : arguments) cmd += L" \"" + a + L"\"";
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(program.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &si, &pi);
    const DWORD error = GetLastError();
    writing.reset();  // the child holds the only write end now: its end is the pipe's end
    std::string output;
    if (started) {
        const win32::UniqueHandle thread(pi.hThread), process(pi.hProcess);
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            output.append(buffer, got);
        }
        WaitForSingleObject(pi.hProcess, 60000);
        if (exitCode != nullptr) GetExitCodeProcess(pi.hProcess, exitCode);
    }
    if (!started) {
        throw std::runtime_error("cannot start the program (error " + std::to_string(error) + ")");
    }
    return output;
}

NativeFirst::NativeFirst(const std::wstring& exeName, const std::wstring& dllName)
    : key_(L"Software\\Wine\\AppDefaults\\" + exeName + L"\\DllOverrides"), dll_(dllName) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot write Wine's DLL overrides");
    }
    const win32::UniqueKey owner(key);
    const wchar_t order[] = L"native,builtin";
    RegSetValueExW(key, dll_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                   sizeof order);
}

NativeFirst::~NativeFirst() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        const win32::UniqueKey owner(key);
        RegDeleteValueW(key, dll_.c_str());
    }
}

}  // namespace torvexa::test
