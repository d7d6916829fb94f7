// Scripted files, shell and clock for the window's handlers.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/shell.h"

namespace torvexa::fakes {

class FakeFileSystem : public FileSystemApi {
  public:
    std::map<std::wstring, bool> files;  // path (as the program writes it) -> deletable
    std::vector<std::wstring> calls;
    bool existsUnknown = false;
    std::function<void(const std::wstring&)> onDelete;  // lets a test throw from inside a step

    bool DeleteFileA(const std::wstring& path) override {
        calls.push_back(L"DeleteFileA(" + path + L")");
        if (onDelete) onDelete(path);
        auto it = files.find(path);
        if (it == files.end()) {
            lastError_ = 2;
            return false;
        }
        if (!it->second) {
            lastError_ = 5;
            return false;
        }
        files.erase(it);
        return true;
    }
    Presence FileExists(const std::wstring& path) override {
        if (existsUnknown) return Presence::Unknown;
        return files.count(path) ? Presence::Present : Presence::Absent;
    }
    std::uint32_t GetLastError() override { return lastError_; }

  private:
    std::uint32_t lastError_ = 0;
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
