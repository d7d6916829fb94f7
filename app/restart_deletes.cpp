#include "app/restart_deletes.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/owned_handle.h"

namespace torvexa {
namespace {

constexpr const wchar_t* kSessionManager = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kPendingValue = L"PendingFileRenameOperations";
// The prefix of the system's object-manager form of a path.
constexpr std::wstring_view kNtPrefix = L"\\??\\";

wchar_t Folded(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// WININIT.INI, and the names its replacement goes through: the new bytes, and the old file
// while the new one is put in its place. Names of this program's own, which no other program
// leaves behind and 9x's restart does not use (it renames the file to WININIT.BAK once done).
constexpr const wchar_t* kWininit = L"WININIT.INI";
constexpr const wchar_t* kWininitNew = L"WININIT.TVN";
constexpr const wchar_t* kWininitOld = L"WININIT.TVO";
// How many times a replacement is tried again when another program wrote the file meanwhile.
constexpr int kWininitTries = 3;

constexpr std::string_view kWininitSection = "rename";
constexpr std::string_view kWininitDeleteKey = "NUL";
constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool SameWord(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return Folded(static_cast<unsigned char>(x)) == Folded(static_cast<unsigned char>(y));
    });
}

// One line of an INI file: where it starts and ends (without its line end), and where its line
// end ends.
struct IniLine {
    std::size_t start, end, next;
};

std::vector<IniLine> LinesOf(std::string_view file) {
    std::vector<IniLine> lines;
    for (std::size_t start = 0; start < file.size();) {
        const std::size_t feed = file.find('\n', start);
        const std::size_t next = feed == std::string_view::npos ? file.size() : feed + 1;
        std::size_t end = feed == std::string_view::npos ? file.size() : feed;
        if (end > start && file[end - 1] == '\r') --end;
        lines.push_back({start, end, next});
        start = next;
    }
    return lines;
}

// The name of the section that `line` opens, or none for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trimmed(line);
    if (!line.starts_with('[')) return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trimmed(line.substr(1, close - 1));
}

// 8-bit text as the characters of the same numbers: compared with another text widened the same
// way, byte for byte, whatever the code page.
std::wstring Widened(std::string_view bytes) {
    std::wstring text;
    for (const char c : bytes) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return text;
}

}  // namespace

std::vector<std::string> WininitDeletes(std::string_view file) {
    std::vector<std::string> paths;
    bool inRename = false;
    for (const IniLine& l : LinesOf(file)) {
        const std::string_view line = file.substr(l.start, l.end - l.start);
        if (const auto section = SectionName(line)) {
            inRename = SameWord(*section, kWininitSection);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inRename || equals == std::string_view::npos || Trimmed(line).starts_with(';')) {
            continue;
        }
        if (SameWord(Trimmed(line.substr(0, equals)), kWininitDeleteKey)) {
            paths.emplace_back(Trimmed(line.substr(equals + 1)));
        }
    }
    return paths;
}

// The file comes first, as in every function here that changes a file's bytes.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::string WithWininitDelete(std::string_view file, std::string_view path) {
    const std::string entry = std::string(kWininitDeleteKey) + "=" + std::string(path) + "\r\n";
    // Where the new line goes: after the last line of the first [rename] section that says
    // anything, or, in a section with nothing yet, right after its heading.
    std::optional<std::size_t> at;
    bool inRename = false;
    for (const IniLine& l : LinesOf(file)) {
        const std::string_view line = file.substr(l.start, l.end - l.start);
        if (const auto section = SectionName(line)) {
            if (at) break;  // the first [rename] section has ended
            inRename = SameWord(*section, kWininitSection);
            if (inRename) at = l.next;
            continue;
        }
        if (inRename && !Trimmed(line).empty()) at = l.next;
    }
    std::string out(file);
    if (!at) {
        if (!out.empty() && out.back() != '\n') out += "\r\n";
        return out + "[" + std::string(kWininitSection) + "]\r\n" + entry;
    }
    // A last line without its line end gets one before the new line.
    const std::string before = *at > 0 && file[*at - 1] != '\n' ? "\r\n" : "";
    out.insert(*at, before + entry);
    return out;
}

std::vector<PendingOperation> ParsePendingOperations(const std::wstring& data) {
    std::vector<std::wstring> strings;
    for (std::size_t start = 0; start < data.size();) {
        const std::size_t end = std::min(data.find(L'\0', start), data.size());
        strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    std::vector<PendingOperation> operations;
    for (std::size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) {
        operations.push_back({strings[i], strings[i + 1]});
    }
    return operations;
}

bool DeletesAtRestart(const std::vector<PendingOperation>& operations, const std::wstring& path) {
    return std::any_of(operations.begin(), operations.end(), [&](const PendingOperation& op) {
        std::wstring_view source = op.source;
        if (source.starts_with(kNtPrefix)) source.remove_prefix(kNtPrefix.size());
        return op.target.empty() && SamePath(source, path);
    });
}

std::optional<std::vector<PendingOperation>> PendingRenames::Read() {
    const OpenedKey session =
        OpenRegistryKey(registry_, kHkeyLocalMachine, kSessionManager, kKeyQueryValue);
    if (session.status != kErrorSuccess) return std::nullopt;
    std::uint32_t type = 0;
    std::wstring data;
    const std::int32_t result =
        registry_.RegQueryValueExW(session.key.get(), kPendingValue, type, data);
    if (result == kErrorFileNotFound) return std::vector<PendingOperation>{};
    if (result != kErrorSuccess || type != kRegMultiSz) return std::nullopt;
    return ParsePendingOperations(data);
}

bool PendingRenames::Deletes(const std::vector<PendingOperation>& operations,
                             const std::wstring& path) {
    return DeletesAtRestart(operations, path);
}

bool PendingRenames::Add(const std::wstring& path) {
    return files_.MoveFileExW(path, std::nullopt, kMoveFileDelayUntilReboot);
}

std::optional<std::vector<PendingOperation>> WininitRenames::Read() {
    const std::optional<std::string> file = ReadWininit();
    if (!file) return std::nullopt;
    std::vector<PendingOperation> operations;
    for (const std::string& path : WininitDeletes(*file)) {
        operations.push_back({Widened(path), L""});
    }
    return operations;
}

bool WininitRenames::Deletes(const std::vector<PendingOperation>& operations,
                             const std::wstring& path) {
    const std::optional<std::wstring> name = WininitName(path);
    return name && DeletesAtRestart(operations, *name);
}

bool WininitRenames::Add(const std::wstring& path) {
    // DOS carries the section out: a path that cannot be named in 8 bits is not recorded.
    const std::optional<std::string> shortPath = files_.GetShortPathNameA(path);
    if (!shortPath) return false;
    for (int tries = 0; tries < kWininitTries; ++tries) {
        const std::optional<std::string> file = ReadWininit();
        if (!file) return false;
        const Replaced replaced = ReplaceWininit(*file, WithWininitDelete(*file, *shortPath));
        if (replaced != Replaced::ChangedMeanwhile) return replaced == Replaced::Yes;
    }
    return false;
}

std::wstring WininitRenames::WininitPath() {
    return files_.GetWindowsDirectoryW() + L"\\" + kWininit;
}

std::optional<std::string> WininitRenames::ReadWininit() {
    if (!RecoverWininit()) return std::nullopt;
    return files_.ReadWholeFile(WininitPath());
}

bool WininitRenames::RecoverWininit() {
    const std::wstring folder = files_.GetWindowsDirectoryW() + L"\\";
    const std::wstring wininit = folder + kWininit, fresh = folder + kWininitNew,
                       aside = folder + kWininitOld;
    const Presence there = files_.FileExists(wininit), written = files_.FileExists(fresh),
                   kept = files_.FileExists(aside);
    if (there == Presence::Unknown || written == Presence::Unknown || kept == Presence::Unknown) {
        return false;
    }
    // Stopped before the old file was moved aside: it is whole where it was, and the new one may
    // be short.
    if (kept == Presence::Absent) return written == Presence::Absent || files_.DeleteFile(fresh);
    // Stopped once the new file was in place: the old one is no longer wanted.
    if (there == Presence::Present) {
        return files_.DeleteFile(aside) &&
               (written == Presence::Absent || files_.DeleteFile(fresh));
    }
    // Stopped between the two renames: the new file was read back whole before the old one was
    // moved aside, so it goes into place; without it, the old one goes back.
    if (written == Presence::Absent) return files_.MoveFileA(aside, wininit);
    return files_.MoveFileA(fresh, wininit) && files_.DeleteFile(aside);
}

// The file's bytes as read come first, then the bytes that replace them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
WininitRenames::Replaced WininitRenames::ReplaceWininit(const std::string& old,
                                                        const std::string& bytes) {
    const std::wstring folder = files_.GetWindowsDirectoryW() + L"\\";
    const std::wstring wininit = folder + kWininit, fresh = folder + kWininitNew,
                       aside = folder + kWininitOld;
    // The new bytes in a file of their own, read back: until they are whole on the disk, the old
    // file is not touched.
    if (!files_.WriteWholeFile(fresh, bytes) || files_.ReadWholeFile(fresh) != bytes) {
        files_.DeleteFile(fresh);
        return Replaced::No;
    }
    // Another program may have written the file since it was read: its lines must not be lost.
    const std::optional<std::string> now = files_.ReadWholeFile(wininit);
    const Presence there = files_.FileExists(wininit);
    if (!now || *now != old || there == Presence::Unknown) {
        files_.DeleteFile(fresh);
        return now && *now != old ? Replaced::ChangedMeanwhile : Replaced::No;
    }
    if (there == Presence::Present && !files_.MoveFileA(wininit, aside)) {
        files_.DeleteFile(fresh);
        return Replaced::No;
    }
    if (!files_.MoveFileA(fresh, wininit)) {
        // The old file back; should that fail too, the next recovery puts the new one in place.
        if (there == Presence::Absent || files_.MoveFileA(aside, wininit)) {
            files_.DeleteFile(fresh);
        }
        return Replaced::No;
    }
    // The new file is in place: a backup that cannot be deleted now goes with the next recovery.
    if (there == Presence::Present) files_.DeleteFile(aside);
    return Replaced::Yes;
}

std::optional<std::wstring> WininitRenames::WininitName(const std::wstring& path) {
    const std::optional<std::string> shortPath = files_.GetShortPathNameA(path);
    if (!shortPath) return std::nullopt;
    return Widened(*shortPath);
}

}  // namespace torvexa
