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
    CloseHandle(pi.hThread);
    child.process.reset(pi.hProcess);
    child.id = pi.dwProcessId;
    return child;
}

}  // namespace torvexa::test
