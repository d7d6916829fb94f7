#include "sandbox/machine.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>

#include "app/restart_deletes.h"
#include "platform/win32/unique_handle.h"

namespace torvexa::sandbox {

namespace {

std::vector<DWORD> Pids(const std::wstring& exeName) {
    std::vector<DWORD> pids;
    const win32::UniqueSnapshot snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) throw MachineError("cannot take a process snapshot");
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap.get(), &e); ok; ok = Process32NextW(snap.get(), &e)) {
        if (_wcsicmp(e.szExeFile, exeName.c_str()) == 0) pids.push_back(e.th32ProcessID);
    }
    return pids;
}

void EndAll(const std::wstring& exeName) {
    for (DWORD pid : Pids(exeName)) {
        const win32::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (process) harness::EndProcess(process.get());
    }
    WaitUntil([&] { return Running(exeName) == 0; }, 5000);
}

// Programs that start each other again: all of them are ended at each look, until none runs.
void EndTogether(std::initializer_list<const wchar_t*> exeNames) {
    WaitUntil(
        [&] {
            bool any = false;
            for (const wchar_t* name : exeNames) {
                for (DWORD pid : Pids(name)) {
                    any = true;
                    const win32::UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
                    if (process) TerminateProcess(process.get(), 1);
                }
            }
            return !any;
        },
        10000);
}

std::wstring Sleeper() {
    return BuildDir() + L"\\sleeper.exe";
}

void StartStandIn(const std::wstring& path, const std::wstring& arguments = L"") {
    if (!Exists(path) && !CopyFileW(Sleeper().c_str(), path.c_str(), FALSE)) {
        throw MachineError("cannot copy the sleeper to " + Utf8(path));
    }
    Start(path, arguments).Release();  // it runs on until Reset ends it
}

constexpr const wchar_t* kSessionManager = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kPendingValue = L"PendingFileRenameOperations";

// The restart list's strings, in order (pairs of file and new name).
std::vector<std::wstring> PendingStrings() {
    std::vector<std::wstring> strings;
    win32::UniqueKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS) {
        throw MachineError("cannot open the Session Manager key");
    }
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), kPendingValue, nullptr, nullptr, nullptr, &bytes) ==
        ERROR_SUCCESS) {
        std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
        RegQueryValueExW(key.get(), kPendingValue, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &bytes);
        data.resize(bytes / sizeof(wchar_t));
        for (std::size_t start = 0; start < data.size();) {
            const std::size_t end = std::min(data.find(L'\0', start), data.size());
            strings.push_back(data.substr(start, end - start));
            start = end + 1;
        }
    }
    return strings;
}

void WriteSmallFile(const std::wstring& path) {
    const win32::UniqueFileHandle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) throw MachineError("cannot write " + Utf8(path));
    DWORD written = 0;
    WriteFile(f.get(), "MZ", 2, &written, nullptr);
}

void Remove(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // An ended stand-in can hold its file for a moment.
    WaitUntil([&] { return DeleteFileW(path.c_str()) || !Exists(path); }, 5000);
}

void SetRunValue(const wchar_t* name, const std::wstring& data) {
    win32::UniqueKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        throw MachineError("cannot open the Run key for writing");
    }
    const std::size_t bytes = (data.size() + 1) * sizeof(wchar_t);
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(bytes));
}

void DeleteRunValue(const wchar_t* name) {
    win32::UniqueKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS) {
        RegDeleteValueW(key.get(), name);
    }
}

// Where Windows 9x keeps the files to delete at the restart.
std::wstring WininitPath() {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryW(folder, MAX_PATH + 1);
    return std::wstring(folder, n <= MAX_PATH ? n : 0) + L"\\WININIT.INI";
}

// The file's bytes; none when it is not there.
std::string WininitBytes() {
    const win32::UniqueFileHandle file(CreateFileW(WininitPath().c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (file && ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    return bytes;
}

}  // namespace

std::string Utf8(const std::wstring& s) {
    std::wstring shown;
    for (wchar_t c : s) {
        if (c == L'\n') {
            shown += L"\\n";
        } else if (c == L'\r') {
            shown += L"\\r";
        } else {
            shown += c;
        }
    }
    std::string out(shown.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, shown.c_str(), static_cast<int>(shown.size()),
                                      out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

int Running(const std::wstring& exeName) {
    return static_cast<int>(Pids(exeName).size());
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool HasRunValue(const wchar_t* name) {
    win32::UniqueKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS) {
        return false;
    }
    return RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

int PendingDeletes(const std::wstring& fileName) {
    const std::wstring tail = L"\\" + fileName;
    const auto named = [&](const std::wstring& file) {
        return file.size() >= tail.size() &&
               _wcsicmp(file.c_str() + file.size() - tail.size(), tail.c_str()) == 0;
    };
    const std::vector<std::wstring> strings = PendingStrings();
    int count = 0;
    for (std::size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) {
        count += strings[i + 1].empty() && named(strings[i]);
    }
    // Windows 9x's record: the NUL lines of WININIT.INI's [rename] section (ASCII paths here).
    for (const std::string& line : WininitDeletes(WininitBytes())) {
        count += named(std::wstring(line.begin(), line.end()));
    }
    return count;
}

std::string Leftovers() {
    std::string left;
    for (const wchar_t* exe : {kWormFiles[0], kWormFiles[1]}) {
        if (Running(exe) > 0) left += " process:" + Utf8(exe);
    }
    for (const wchar_t* value : kWormValues) {
        if (HasRunValue(value)) left += " value:" + Utf8(value);
    }
    for (const wchar_t* name : kWormFiles) {
        if (Exists(kSystem + name)) left += " file:" + Utf8(name);
    }
    return left;
}

harness::ChildProcess Start(const std::wstring& path, const std::wstring& arguments) {
    const std::wstring cmd = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    try {
        return harness::ChildProcess(cmd, {path, true, harness::StandardHandles::None});
    } catch (const harness::StartFailure& e) {
        throw MachineError(e.what());
    }
}

void Plant(const Setup& s) {
    // Where the worm's traces and its two stand-ins go, under which names.
    const std::wstring folder = s.inWinnt ? kWinntDir : kSystem;
    const auto worm = [&](int i) {
        return folder + (s.upperCase ? kWormFilesUpper : kWormFiles)[i];
    };
    if (s.inWinnt) {
        CreateDirectoryW(L"C:\\WINNT", nullptr);
        CreateDirectoryW(kWinntDir.c_str(), nullptr);
    }
    StartStandIn(kSystem + kBystanderProgram);
    WriteSmallFile(kSystem + kBystanderFile);
    SetRunValue(kBystanderValue, kSystem + kBystanderProgram);
    if (s.traces) {
        for (const int i : {0, 1}) CopyFileW(Sleeper().c_str(), worm(i).c_str(), FALSE);
        WriteSmallFile(worm(2));
        for (const wchar_t* value : kWormValues) SetRunValue(value, worm(0));
    }
    if (s.markedFiles) {
        for (const wchar_t* name : {kWormFiles[0], kWormFiles[1], kWormFiles[2], kBystanderFile}) {
            SetFileAttributesW((kSystem + name).c_str(), FILE_ATTRIBUTE_READONLY |
                                                             FILE_ATTRIBUTE_HIDDEN |
                                                             FILE_ATTRIBUTE_SYSTEM);
        }
    }
    if (s.heldDll) StartStandIn(kSystem + kHookedProgram, L"--hold " + kSystem + kWormFiles[2]);
    if (s.comesBack) {
        StartStandIn(kSystem + kHookedProgram, L"--keep-running " + kSystem + kWormFiles[2] + L" " +
                                                   kSystem + kWormFiles[0] + L" " + kSystem +
                                                   kWormFiles[1]);
    }
    if (s.revivingPair) {
        // moniker.exe starts syslray.exe, and from then on each starts the other again.
        if (!Exists(kSystem + kWormFiles[1]) &&
            !CopyFileW(Sleeper().c_str(), (kSystem + kWormFiles[1]).c_str(), FALSE)) {
            throw MachineError("cannot copy the sleeper to " + Utf8(kSystem + kWormFiles[1]));
        }
        StartStandIn(kSystem + kWormFiles[0], L"--revive " + kSystem + kWormFiles[1]);
    }
    for (int i = 0; i < s.monikers; ++i) StartStandIn(worm(0));
    if (s.monikersElsewhere > 0) CreateDirectoryW(kElsewhereDir.c_str(), nullptr);
    for (int i = 0; i < s.monikersElsewhere; ++i) StartStandIn(kElsewhereDir + kWormFiles[0]);
    if (s.syslray) StartStandIn(worm(1));
    if (s.nameAlikes) {
        CreateDirectoryW(kAlikesDir.c_str(), nullptr);
        for (const wchar_t* name : kNameAlikes) StartStandIn(kAlikesDir + name);
    }
    if (s.messenger) {
        CreateDirectoryW(kMessengerDir.c_str(), nullptr);
        StartStandIn(kMessengerDir + kMessenger);
    }
    const bool up = WaitUntil(
        [&] {
            const int pair = s.comesBack || s.revivingPair ? 1 : 0;
            return Running(kWormFiles[0]) == s.monikers + s.monikersElsewhere + pair &&
                   Running(kWormFiles[1]) == (s.syslray ? 1 : pair) &&
                   Running(kMessenger) == (s.messenger ? 1 : 0) &&
                   Running(kBystanderProgram) == 1 &&
                   Running(kNameAlikes[0]) == (s.nameAlikes ? 1 : 0) &&
                   Running(kHookedProgram) == (s.heldDll || s.comesBack ? 1 : 0);
        },
        10000);
    if (!up) throw MachineError("the stand-ins did not start");
}

void Reset() {
    // The program that brings the worm back goes first, or it starts what was just ended again.
    for (const wchar_t* name : {kHookedProgram, L"Torvexa.exe"}) EndAll(name);
    EndTogether({kWormFiles[0], kWormFiles[1]});
    for (const wchar_t* name : {kMessenger, kBystanderProgram}) EndAll(name);
    for (const wchar_t* name : kNameAlikes) {
        EndAll(name);
        Remove(kAlikesDir + name);
    }
    for (const wchar_t* name : kWormFiles) {
        Remove(kSystem + name);
        Remove(kWinntDir + name);
    }
    Remove(kSystem + kBystanderFile);
    Remove(kSystem + kBystanderProgram);
    Remove(kSystem + kHookedProgram);
    win32::UniqueKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.put()) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(key.get(), kPendingValue);
    }
    Remove(WininitPath());
    Remove(kMessengerDir + kMessenger);
    Remove(kElsewhereDir + kWormFiles[0]);
    for (const wchar_t* value : kWormValues) DeleteRunValue(value);
    DeleteRunValue(kBystanderValue);
}

}  // namespace torvexa::sandbox
