#include "tests/win32/support.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/win32/text_api.h"
#include "platform/win32/unique_handle.h"

namespace torvexa::test {
namespace {

// With TORVEXA_WINDOWS9X_WAY=1 the whole run takes the text seam's 9x way, as Torvexa.exe does on
// Windows 95, 98 and ME: the layer's tests then run with the A classes, procedures, fonts, files
// and registry calls and 8-bit texts (the A functions work on NT too).
const bool kWindows9xWay = [] {
    const char* way = std::getenv("TORVEXA_WINDOWS9X_WAY");
    const bool on = way != nullptr && std::string(way) == "1";
    win32::ChooseWindows9xWay(on);
    return on;
}();

}  // namespace

std::wstring MakeScratchFolder(const std::wstring& tag) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder =
        std::wstring(temp) + L"torvexa_" + tag + L"_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

Child StartSleeperAs(const std::wstring& folder, const std::wstring& exeName) {
    const std::wstring path = folder + L"\\" + exeName;
    if (!CopyFileW((BuildDir() + L"\\sleeper.exe").c_str(), path.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy the sleeper");
    }
    return {harness::ChildProcess(L"\"" + path + L"\"", {path}), path};
}

NativeFirst::NativeFirst(const std::wstring& exeName, const std::wstring& dllName)
    : key_(L"Software\\Wine\\AppDefaults\\" + exeName + L"\\DllOverrides"), dll_(dllName) {
    win32::UniqueKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot write Wine's DLL overrides");
    }
    const wchar_t order[] = L"native,builtin";
    RegSetValueExW(key.get(), dll_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                   sizeof order);
}

NativeFirst::~NativeFirst() {
    win32::UniqueKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, key.put()) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(key.get(), dll_.c_str());
    }
}

}  // namespace torvexa::test
