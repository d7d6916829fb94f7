// A scripted file system, version store, shell and locale for the file-properties class: files
// are found by their exact name, every call is recorded, times convert as the system does.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cwctype>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_find.h"
#include "platform/locale.h"
#include "platform/shell_file_info.h"
#include "platform/version_info.h"

namespace torvexa::fakes {

struct FakeShellAnswer {
    std::wstring typeName;
    std::int32_t icon = 0;
};

class FakeFileInfoSystem : public FileFindApi,
                           public VersionInfoApi,
                           public ShellFileInfoApi,
                           public LocaleApi {
  public:
    std::map<std::wstring, Win32FindData> files;
    std::map<std::wstring, std::vector<std::uint8_t>> versionBlocks;
    std::map<std::wstring, FakeShellAnswer> shellAnswers;
    std::wstring separator = L",";
    bool versionReadFails = false;

    std::vector<std::wstring> calls;
    std::vector<std::uint32_t> shellFlags;
    std::set<Handle> openSearches;

    Handle FindFirstFileA(const std::wstring& name, Win32FindData& data) override {
        calls.push_back(L"FindFirstFileA(" + name + L")");
        if (data != Win32FindData{}) throw std::logic_error("find record not zero-filled");
        auto it = files.find(name);
        if (it == files.end()) return kInvalidHandleValue;
        data = it->second;
        openSearches.insert(next_);
        return next_++;
    }
    bool FindClose(Handle search) override {
        calls.emplace_back(L"FindClose");
        return openSearches.erase(search) == 1;
    }
    bool FileTimeToSystemTime(const FileTime& ft, SystemTime& st) override {
        using namespace std::chrono;
        const std::uint64_t ticks = (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
        if (ticks >= 0x8000000000000000ull) return false;
        const std::uint64_t seconds = ticks / 10'000'000;
        // 1 January 1601 is 134774 days before 1 January 1970.
        const auto day = sys_days{} + days{static_cast<std::int64_t>(seconds / 86400) - 134774};
        const year_month_day date{day};
        const std::uint64_t inDay = seconds % 86400;
        st.wYear = static_cast<std::uint16_t>(static_cast<int>(date.year()));
        st.wMonth = static_cast<std::uint16_t>(static_cast<unsigned>(date.month()));
        st.wDay = static_cast<std::uint16_t>(static_cast<unsigned>(date.day()));
        st.wHour = static_cast<std::uint16_t>(inDay / 3600);
        st.wMinute = static_cast<std::uint16_t>(inDay / 60 % 60);
        st.wSecond = static_cast<std::uint16_t>(inDay % 60);
        return true;
    }

    std::uint32_t GetFileVersionInfoSizeA(const std::wstring& name,
                                          std::uint32_t& handle) override {
        calls.push_back(L"GetFileVersionInfoSizeA(" + name + L")");
        handle = 0;
        auto it = versionBlocks.find(name);
        return it == versionBlocks.end() ? 0 : static_cast<std::uint32_t>(it->second.size());
    }
    bool GetFileVersionInfoA(const std::wstring& name, std::uint32_t, std::uint32_t length,
                             std::uint8_t* data) override {
        calls.push_back(L"GetFileVersionInfoA(" + name + L"," + std::to_wstring(length) + L")");
        auto it = versionBlocks.find(name);
        if (versionReadFails || it == versionBlocks.end() || it->second.size() != length) {
            return false;
        }
        std::memcpy(data, it->second.data(), length);
        return true;
    }

    std::uintptr_t SHGetFileInfoA(const std::wstring& path, std::uint32_t attributes,
                                  ShFileInfo& info, std::uint32_t size,
                                  std::uint32_t flags) override {
        calls.push_back(L"SHGetFileInfoA(" + path + L"," + std::to_wstring(attributes) + L"," +
                        std::to_wstring(size) + L")");
        shellFlags.push_back(flags);
        auto it = shellAnswers.find(path);
        // Like the system, an unknown path leaves the record as the caller passed it.
        if (it == shellAnswers.end()) return 0;
        info.iIcon = it->second.icon;
        std::copy(it->second.typeName.begin(), it->second.typeName.end(), info.szTypeName.begin());
        return 1;
    }

    std::wstring ThousandSeparator() override { return separator; }
    std::wstring UpperCase(const std::wstring& text) override {
        std::wstring upper = text;
        for (auto& c : upper) c = static_cast<wchar_t>(std::towupper(c));
        return upper;
    }
    // One character per byte, as in a Latin code page.
    std::wstring FromAnsiCodePage(const std::string& bytes) override {
        std::wstring text;
        for (unsigned char b : bytes) text += static_cast<wchar_t>(b);
        return text;
    }

  private:
    Handle next_ = 0x100;
};

}  // namespace torvexa::fakes
