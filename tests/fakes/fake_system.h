// Scripted files, shell and clock for the window's handlers.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/shell.h"
#include "tests/fakes/fake_registry_api.h"

namespace torvexa::fakes {

class FakeFileSystem : public FileSystemApi {
  public:
    std::map<std::wstring, bool> files;  // path (as the program writes it) -> deletable
    std::uint32_t refusal = 5;           // what deleting an undeletable file answers
    // Marks of files (FILE_ATTRIBUTE_*); a read-only file refuses deletion. Unlisted: archive.
    std::map<std::wstring, std::uint32_t> attributes;
    // What changed the machine, in order: deletions, marks set, restart records.
    std::vector<std::wstring> calls;
    bool existsUnknown = false;
    // Files another program holds open with delete sharing: their delete is accepted, but the name
    // stays (and a further delete is refused) until that program lets go; a file waiting to be
    // deleted can no longer be examined when `deletePendingUnknown` (Windows before 10).
    std::set<std::wstring> heldWithDeleteSharing;
    bool deletePendingUnknown = false;
    std::function<void(const std::wstring&)> onDelete;  // lets a test throw from inside a step
    // What deleting the file answers now, when not none (a running program's own file, say).
    std::function<std::optional<std::uint32_t>(const std::wstring&)> refuseNow;
    std::map<std::wstring, std::uint32_t> refusalFor;  // a refusal of its own for one file
    std::set<std::wstring> marksLocked;                // files whose marks cannot be changed
    std::set<std::wstring> recordRefusedFor;           // files the restart list refuses
    // Files this program may not delete: their delete, and an open for it, answer access denied.
    std::set<std::wstring> noRights;
    std::map<std::wstring, std::uint32_t> openRefusal;  // an open for deletion refused (32, say)
    // Other programs' operations in the restart list (source, new name), before the deletes.
    std::vector<std::pair<std::wstring, std::wstring>> othersRecorded;

    // The restart list lives in the registry, where the program reads it back; without a
    // registry, recording fails as it does without administrator rights.
    FakeRegistryApi* registry = nullptr;
    std::optional<std::uint32_t> recordFails;
    bool recordWritesNothing = false;    // succeeds, yet nothing lands in the list
    std::vector<std::wstring> recorded;  // the paths recorded for deletion at the restart
    std::wstring systemDirectory = L"C:\\WINDOWS\\system32";
    std::optional<std::wstring> wow64Directory;  // set: a 32-bit program on 64-bit Windows

    // Files' bytes, for WININIT.INI (Windows 9x's restart list) and the files beside it: a path
    // that is not there reads as empty; unreadable or unwritable when a test says so.
    std::wstring windowsDirectory = L"C:\\WINDOWS";
    std::map<std::wstring, std::string> contents;
    bool readFails = false, writeFails = false;
    // Writes, renames and deletions of `contents`' files: how many go through before one fails
    // (a write halfway), when set; with `powerCut` that one throws PowerCut, and nothing more runs.
    // `writesShort`: a write says it wrote every byte, but half reached the file.
    std::optional<int> changesBeforeFailure;
    bool powerCut = false, writesShort = false;
    struct PowerCut {};
    // Short names by long path; any other path with only ASCII characters is its own short name,
    // one with others has no 8-bit name.
    std::map<std::wstring, std::string> shortNames;

    static inline const std::wstring kSessionManager =
        L"System\\CurrentControlSet\\Control\\Session Manager";

    bool DeleteFile(const std::wstring& path) override {
        calls.push_back(L"DeleteFile(" + path + L")");
        if (onDelete) onDelete(path);
        if (contents.count(path)) {
            if (!Change()) return Fail(5);
            contents.erase(path);
            return true;
        }
        auto it = files.find(path);
        if (it == files.end()) return Fail(2);
        if (refuseNow) {
            if (const std::optional<std::uint32_t> error = refuseNow(path)) return Fail(*error);
        }
        if (noRights.count(path)) return Fail(5);
        if (!it->second) return Fail(refusalFor.count(path) ? refusalFor[path] : refusal);
        if (attributes.count(path) && (attributes[path] & kFileAttributeReadOnly)) return Fail(5);
        if (heldWithDeleteSharing.count(path)) {
            if (deletePending_.count(path)) return Fail(5);
            deletePending_.insert(path);
            return true;
        }
        files.erase(it);
        attributes.erase(path);
        return true;
    }
    Presence FileExists(const std::wstring& path) override {
        if (existsUnknown || (deletePendingUnknown && deletePending_.count(path))) {
            return Presence::Unknown;
        }
        return files.count(path) || contents.count(path) ? Presence::Present : Presence::Absent;
    }
    std::uint32_t GetLastError() override { return lastError_; }
    bool CanOpenFor(const std::wstring& path, std::uint32_t access) override {
        if (!files.count(path)) return Fail(2);
        // As Windows checks them: rights and sharing only for the access asked for.
        if ((access & kDeleteAccess) == 0) return true;
        if (openRefusal.count(path)) return Fail(openRefusal[path]);
        return noRights.count(path) ? Fail(5) : true;
    }
    std::uint32_t GetFileAttributesW(const std::wstring& path) override {
        if (!files.count(path)) {
            lastError_ = 2;
            return kInvalidFileAttributes;
        }
        return attributes.count(path) ? attributes[path] : 0x20;
    }
    bool SetFileAttributesW(const std::wstring& path, std::uint32_t value) override {
        calls.push_back(L"SetFileAttributesW(" + path + L"," + std::to_wstring(value) + L")");
        if (!files.count(path)) return Fail(2);
        if (marksLocked.count(path)) return Fail(5);
        attributes[path] = value;
        return true;
    }
    bool MoveFileExW(const std::wstring& existing, const std::optional<std::wstring>& newName,
                     std::uint32_t flags) override {
        calls.push_back(L"MoveFileExW(" + existing + L"," + (newName ? *newName : L"NULL") + L"," +
                        std::to_wstring(flags) + L")");
        if (recordFails) return Fail(*recordFails);
        if (recordRefusedFor.count(existing)) return Fail(5);
        if (registry == nullptr) return Fail(5);
        if (recordWritesNothing) return true;
        recorded.push_back(existing);
        WriteRecords();
        return true;
    }
    // The restart list's value, written from `othersRecorded` and `recorded`.
    void WriteRecords() {
        std::wstring data;
        for (const auto& [from, to] : othersRecorded) {
            data += L"\\??\\" + from + L'\0' + (to.empty() ? L"" : L"\\??\\" + to) + L'\0';
        }
        for (const auto& p : recorded) data += L"\\??\\" + p + L'\0' + L'\0';
        data += L'\0';
        registry->keys[{0x80000002, kSessionManager}];
        registry->multiStrings[{0x80000002, kSessionManager}][L"PendingFileRenameOperations"] =
            data;
    }
    std::wstring GetSystemDirectoryW() override { return systemDirectory; }
    std::optional<std::wstring> GetSystemWow64DirectoryW() override { return wow64Directory; }
    // %SystemRoot% expands to the Windows folder; any other %NAME% cannot be expanded.
    std::optional<std::wstring> ExpandEnvironmentStringsW(const std::wstring& text) override {
        std::wstring out = text;
        const std::wstring root = L"%SystemRoot%";
        if (const std::size_t at = out.find(root); at != std::wstring::npos) {
            out.replace(at, root.size(), windowsDirectory);
        }
        if (out.find(L'%') != std::wstring::npos) return std::nullopt;
        return out;
    }
    std::wstring GetWindowsDirectoryW() override { return windowsDirectory; }
    std::optional<std::string> GetShortPathNameA(const std::wstring& path) override {
        if (auto it = shortNames.find(path); it != shortNames.end()) return it->second;
        std::string ansi;
        for (const wchar_t c : path) {
            if (c > 0x7F) return std::nullopt;
            ansi += static_cast<char>(c);
        }
        return ansi;
    }
    std::optional<std::string> ReadWholeFile(const std::wstring& path) override {
        if (readFails) return std::nullopt;
        auto it = contents.find(path);
        return it != contents.end() ? it->second : std::string();
    }
    bool WriteWholeFile(const std::wstring& path, const std::string& bytes) override {
        calls.push_back(L"WriteWholeFile(" + path + L")");
        if (writeFails) return Fail(5);
        contents[path] = bytes.substr(0, bytes.size() / 2);
        if (!Change()) return Fail(112);  // ERROR_DISK_FULL
        if (!writesShort) contents[path] = bytes;
        return true;
    }
    bool MoveFileA(const std::wstring& existing, const std::wstring& newName) override {
        calls.push_back(L"MoveFileA(" + existing + L"," + newName + L")");
        if (!contents.count(existing)) return Fail(2);
        if (contents.count(newName)) return Fail(183);  // ERROR_ALREADY_EXISTS
        if (!Change()) return Fail(5);
        contents[newName] = contents[existing];
        contents.erase(existing);
        return true;
    }

  private:
    bool Change() {
        if (!changesBeforeFailure || (*changesBeforeFailure)-- > 0) return true;
        changesBeforeFailure.reset();  // one failure; what follows goes through
        if (powerCut) throw PowerCut{};
        return false;
    }
    bool Fail(std::uint32_t error) {
        lastError_ = error;
        return false;
    }
    std::uint32_t lastError_ = 0;
    std::set<std::wstring> deletePending_;
};

struct ShellCall {
    Handle window;
    std::wstring verb, file;
    std::optional<std::wstring> parameters, directory;
    int show;
};

class FakeShell : public ShellApi {
  public:
    std::vector<ShellCall> calls;
    Handle ShellExecuteA(Handle window, const std::wstring& verb, const std::wstring& file,
                         const std::optional<std::wstring>& parameters,
                         const std::optional<std::wstring>& directory, int show) override {
        calls.push_back({window, verb, file, parameters, directory, show});
        return 2;  // ERROR_FILE_NOT_FOUND: no program for it, which the handler must ignore
    }
};

// Time passes only when the program sleeps, or when a test moves `now` on (a slow check, say).
class FakeClock : public Clock {
  public:
    std::uint32_t slept = 0;
    std::uint32_t now = 1000;
    std::function<void()> onSleep;
    void Sleep(std::uint32_t ms) override {
        slept += ms;
        now += ms;
        if (onSleep) onSleep();
    }
    std::uint32_t Milliseconds() override { return now; }
};

}  // namespace torvexa::fakes
