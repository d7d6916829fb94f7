#include "tests/e2e/staging.h"

#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"
#include "tests/e2e/expect.h"

namespace torvexa::e2e {
namespace {

using sandbox::BuildDir;
using sandbox::Exists;
using sandbox::kSystem;
using sandbox::Running;
using sandbox::Utf8;
using sandbox::WaitUntil;

// The file name of a full path, as the restart list is searched for it.
std::wstring FileName(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

// The planted names (see PlantedFolder).
const wchar_t* const kPlantedNames[] = {
    L"uxtheme",  L"dwmapi",  L"msimg32",   L"comctl32",      L"oleacc",  L"msctf",
    L"shell32",  L"shcore",  L"shlwapi",   L"propsys",       L"ole32",   L"oleaut32",
    L"combase",  L"rpcrt4",  L"apphelp",   L"windowscodecs", L"userenv", L"profapi",
    L"setupapi", L"clbcatq", L"cryptbase", L"ntmarta",
};
// Planted too, but left in Wine's own order: Wine's user32 imports them, so Wine loads them
// before the program's first instruction, where no program can restrict anything (Windows'
// user32 does not import them). A native-first stand-in would be loaded there whatever the
// program does.
const wchar_t* const kLoadedByWineFirst[] = {L"version", L"imm32"};

constexpr const wchar_t* kOverrides = L"Software\\Wine\\AppDefaults\\Torvexa.exe\\DllOverrides";

void SetOverride(const wchar_t* keyPath, const wchar_t* name, const wchar_t* value) {
    win32::UniqueKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        Differ("cannot write Wine's DLL overrides");
    }
    const std::size_t bytes = (wcslen(value) + 1) * sizeof(wchar_t);
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(bytes));
}

}  // namespace

void OnAMachineWith(const sandbox::Setup& setup) {
    Stage("setting up");
    sandbox::Reset();
    sandbox::Plant(setup);
}

void ExpectWinntEmpty() {
    for (const wchar_t* name : sandbox::kWormFilesUpper) {
        Expect(!Exists(sandbox::kWinntDir + name), Utf8(name) + " is still in C:\\WINNT\\system32");
    }
}

void ExpectMachine(const Machine& want) {
    auto count = [&](const std::string& what, const std::wstring& exe, int n) {
        bool ok = WaitUntil([&] { return Running(exe) == n; }, 3000);
        Expect(ok, std::to_string(Running(exe)) + " " + what + " running, expected " +
                       std::to_string(n));
    };
    count("moniker.exe", sandbox::kWormFiles[0], want.monikers);
    count("syslray.exe", sandbox::kWormFiles[1], want.syslrays);
    count("msnmsgr.exe", sandbox::kMessenger, want.messengers);
    count("bystander programs", sandbox::kBystanderProgram, 1);
    for (const wchar_t* value : sandbox::kWormValues) {
        Expect(sandbox::HasRunValue(value) == want.runValues,
               "Run value " + Utf8(value) + (want.runValues ? " is gone" : " is still there"));
    }
    Expect(sandbox::HasRunValue(sandbox::kBystanderValue), "the bystander Run value is gone");
    for (const wchar_t* name : sandbox::kWormFiles) {
        bool wanted = false;
        for (const auto& f : want.files) wanted = wanted || f == name;
        Expect(Exists(kSystem + name) == wanted,
               Utf8(name) + (wanted ? " is gone" : " is still there"));
    }
    Expect(Exists(kSystem + sandbox::kBystanderFile), "the bystander file is gone");
}

void ExpectRecordedOnce(const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) {
        const int records = sandbox::PendingDeletes(FileName(path));
        Expect(records == 1, std::to_string(records) + " deletions of " + Utf8(path) +
                                 " at the restart recorded, expected 1");
    }
}

void ExpectWormFilesGone() {
    for (const wchar_t* name : sandbox::kWormFiles) {
        Expect(!Exists(kSystem + name), Utf8(name) + " is still there");
        Expect(sandbox::PendingDeletes(name) == 0, "the restart list still holds " + Utf8(name));
    }
}

void ExpectDllHost(bool running) {
    Expect(Running(sandbox::kHookedProgram) == (running ? 1 : 0),
           "the program that hosts HKT1.dll was ended");
}

void ExpectBystanderMarksKept() {
    constexpr DWORD kMarks =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD marks = GetFileAttributesW((kSystem + sandbox::kBystanderFile).c_str());
    Expect(marks != INVALID_FILE_ATTRIBUTES && (marks & kMarks) == kMarks,
           "the bystander file lost its read-only, hidden or system mark");
}

PlantedFolder::PlantedFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"torvexa_download";
    CreateDirectoryW(folder_.c_str(), nullptr);
    Copy(L"Torvexa.exe", L"Torvexa.exe");
    win32::UniqueKey key;
    RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                    nullptr);
    const wchar_t order[] = L"native,builtin";
    for (const wchar_t* name : kPlantedNames) {
        Copy(L"planted_dll.dll", std::wstring(name) + L".dll");
        RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                       sizeof order);
    }
    for (const wchar_t* name : kLoadedByWineFirst) {
        Copy(L"planted_dll.dll", std::wstring(name) + L".dll");
    }
    // The link opens nothing outside the sandbox: Wine's browser launcher is disabled.
    SetOverride(L"Software\\Wine\\DllOverrides", L"winebrowser.exe", L"");
}

PlantedFolder::~PlantedFolder() {
    RegDeleteKeyW(HKEY_CURRENT_USER, kOverrides);
    win32::UniqueKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, KEY_SET_VALUE,
                      key.put()) == ERROR_SUCCESS) {
        RegDeleteValueW(key.get(), L"winebrowser.exe");
    }
    for (const auto& f : files_) {
        DeleteFileW(f.c_str());
        DeleteFileW((f + L".loaded").c_str());
    }
    RemoveDirectoryW(folder_.c_str());
}

std::string PlantedFolder::Ran() const {
    std::string ran;
    for (const wchar_t* name : kPlantedNames) {
        if (Exists(folder_ + L"\\" + name + L".dll.loaded")) ran.append(" ").append(Utf8(name));
    }
    return ran;
}

void PlantedFolder::Copy(const std::wstring& from, const std::wstring& to) {
    const std::wstring path = folder_ + L"\\" + to;
    if (!CopyFileW((BuildDir() + L"\\" + from).c_str(), path.c_str(), FALSE)) {
        Differ("cannot copy " + Utf8(from) + " to " + Utf8(path));
    }
    files_.push_back(path);
}

}  // namespace torvexa::e2e
