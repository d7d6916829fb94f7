// What the worm leaves on a machine, and the messenger it spreads over: the names and paths that
// the start-up check, the disinfection and the silent run look for, each written here once.
#pragma once

#include <string_view>

namespace torvexa::worm {

// The worm's two programs; the disinfection ends them in this order.
inline constexpr const wchar_t* kMoniker = L"moniker.exe";
inline constexpr const wchar_t* kSyslray = L"syslray.exe";
inline constexpr const wchar_t* kProcesses[] = {kMoniker, kSyslray};
inline constexpr const wchar_t* kMessenger = L"msnmsgr.exe";

// Its start-up entries: two values of the machine's Run key, by the key's full path and, for the
// calls that take a root key, by its part under HKEY_LOCAL_MACHINE.
inline constexpr std::wstring_view kRunKeyPath =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::wstring_view kRunSubKey = kRunKeyPath.substr(kRunKeyPath.find(L'\\') + 1);
inline constexpr const wchar_t* kRunValues[] = {L"realone_nt2003", L"realone_nt2004"};

// Its three files, by the fixed paths the program names them with, and by their names: the worm
// puts them in the system folder, wherever Windows has it, and its Run values start its programs
// from where they are. Its programs' files are named as its programs are, letter case aside.
inline constexpr const wchar_t* kFiles[] = {L"C:\\windows\\system32\\MONIKER.exe",
                                            L"C:\\windows\\system32\\SYSLRAY.exe",
                                            L"C:\\windows\\system32\\HKT1.dll"};
inline constexpr const wchar_t* kFileNames[] = {L"MONIKER.exe", L"SYSLRAY.exe", L"HKT1.dll"};

}  // namespace torvexa::worm
