// Whether a path names a device or a pipe rather than a file on a disk. A log named so (a serial
// port, a printer, the console, a named pipe) is never opened: a write to it can wait without
// end, and a start-up script with it; opening some of them is already an act on the device, so
// the name decides before any call. Portable: the rule is tested on the host.
//
// The rule, as Windows reads paths:
// - the device namespace ("\\.\COM1", "\\.\pipe\x", "\\.\C:\x" too) is a device, whatever it
//   names; so is "\\?\" unless a drive ("\\?\C:\...") or a share ("\\?\UNC\...") follows;
// - a share's "pipe" and "mailslot" ("\\server\pipe\x") are another machine's pipes and mailslots;
// - in any part of the path, a DOS device name before the first dot or colon, blanks after it
//   aside, in any letter case: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9 (and ¹ ² ³ for the
//   digit, which later Windows read so), CONIN$, CONOUT$, CLOCK$ ("COM1.txt", "C:\logs\nul.log",
//   "lpt1 :"). Windows 95, 98 and ME take such a name for the device in any folder.
// '/' is read as '\'.
#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace torvexa {

namespace device_names_detail {

inline std::wstring Upper(std::wstring_view text) {
    std::wstring upper(text);
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return upper;
}

// Whether one part of a path is a DOS device name.
inline bool IsDeviceName(std::wstring_view part) {
    std::wstring_view base = part.substr(0, part.find_first_of(L".:"));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    const std::wstring name = Upper(base);
    constexpr std::array<std::wstring_view, 7> kNames = {L"CON",    L"PRN",     L"AUX",   L"NUL",
                                                         L"CONIN$", L"CONOUT$", L"CLOCK$"};
    if (std::find(kNames.begin(), kNames.end(), name) != kNames.end()) return true;
    constexpr std::wstring_view kDigits = L"123456789\u00B9\u00B2\u00B3";
    return name.size() == 4 && (name.starts_with(L"COM") || name.starts_with(L"LPT")) &&
           kDigits.find(name[3]) != std::wstring_view::npos;
}

}  // namespace device_names_detail

inline bool NamesADeviceOrPipe(std::wstring_view path) {
    using device_names_detail::Upper;
    std::wstring rest = Upper(path);
    std::replace(rest.begin(), rest.end(), L'/', L'\\');
    bool share = false;
    if (rest.starts_with(L"\\\\?\\UNC\\")) {
        rest.erase(0, 8);
        share = true;
    } else if (rest.starts_with(L"\\\\?\\")) {
        rest.erase(0, 4);
        if (rest.size() < 3 || rest[0] < L'A' || rest[0] > L'Z' ||
            rest.compare(1, 2, L":\\") != 0) {
            return true;
        }
    } else if (rest.starts_with(L"\\\\.\\")) {
        return true;
    } else if (rest.starts_with(L"\\\\")) {
        rest.erase(0, 2);
        share = true;
    }
    std::size_t index = 0;
    for (std::size_t start = 0; start <= rest.size(); ++index) {
        const std::size_t end = std::min(rest.find(L'\\', start), rest.size());
        std::wstring_view part = std::wstring_view(rest).substr(start, end - start);
        if (!share && index == 0 && part.size() >= 2 && part[1] == L':') part.remove_prefix(2);
        if (share && index == 1 && (part == L"PIPE" || part == L"MAILSLOT")) return true;
        // The server's name is not a file's: a machine may be called AUX.
        if (!(share && index == 0) && device_names_detail::IsDeviceName(part)) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace torvexa
