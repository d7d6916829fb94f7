// A scripted registry: keys are (root, path) pairs holding named values. Every call is recorded.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry_api.h"
#include "platform/runtime_error.h"

namespace torvexa::fakes {

class FakeRegistryApi : public RegistryApi {
  public:
    using Key = std::pair<Handle, std::wstring>;
    std::map<Key, std::set<std::wstring>> keys;
    std::vector<std::wstring> calls;
    std::optional<std::int32_t> openFails;  // e.g. 5, access denied
    std::set<std::wstring> openRefused;     // keys, by their path, that answer access denied
    std::optional<std::int32_t> deleteFails;
    std::optional<std::wstring> throwOnDelete;  // a run-time failure inside the deletion
    std::set<std::wstring> deleteRefused;       // values whose deletion answers access denied
    std::set<Handle> openHandles;

    std::int32_t RegOpenKeyExA(Handle root, const std::wstring& subKey, std::uint32_t options,
                               std::uint32_t desiredAccess, Handle& result) override {
        calls.push_back(L"RegOpenKeyExA(" + std::to_wstring(root) + L"," + subKey + L"," +
                        std::to_wstring(options) + L"," + std::to_wstring(desiredAccess) + L")");
        if (openFails) return *openFails;
        if (openRefused.count(subKey)) return 5;
        auto it = keys.find({root, subKey});
        if (it == keys.end()) return 2;  // ERROR_FILE_NOT_FOUND
        result = next_++;
        opened_[result] = it->first;
        openHandles.insert(result);
        return kErrorSuccess;
    }
    std::int32_t RegDeleteValueA(Handle key, const std::wstring& valueName) override {
        calls.push_back(L"RegDeleteValueA(" + std::to_wstring(key) + L"," + valueName + L")");
        if (throwOnDelete == valueName)
            throw RuntimeError(RuntimeError::kOutOfMemory, L"Out of memory");
        if (deleteFails) return *deleteFails;
        if (deleteRefused.count(valueName)) return 5;
        auto it = opened_.find(key);
        if (it == opened_.end()) return 6;
        return keys[it->second].erase(valueName) ? kErrorSuccess : 2;
    }
    std::int32_t RegCloseKey(Handle key) override {
        calls.push_back(L"RegCloseKey(" + std::to_wstring(key) + L")");
        opened_.erase(key);
        return openHandles.erase(key) ? kErrorSuccess : 6;
    }

    std::int32_t ValueExists(Handle key, const std::wstring& valueName) override {
        calls.push_back(L"ValueExists(" + std::to_wstring(key) + L"," + valueName + L")");
        if (queryFails) return *queryFails;
        if (auto refused = queryFailsFor.find(valueName); refused != queryFailsFor.end()) {
            return refused->second;
        }
        auto it = opened_.find(key);
        if (it == opened_.end()) return 6;
        return keys[it->second].count(valueName) ? kErrorSuccess : kErrorFileNotFound;
    }
    std::optional<std::int32_t> queryFails;
    std::map<std::wstring, std::int32_t> queryFailsFor;  // one value's answer, by its name

    // Values with data (a REG_MULTI_SZ list, say), by key; the key must be in `keys` as well.
    std::map<Key, std::map<std::wstring, std::wstring>> multiStrings;
    std::optional<std::int32_t> queryDataFails;
    std::map<std::wstring, std::uint32_t> types;  // a value's type by its name (REG_SZ = 1, ...)
    std::int32_t RegQueryValueExW(Handle key, const std::wstring& valueName, std::uint32_t& type,
                                  std::wstring& data) override {
        calls.push_back(L"RegQueryValueExW(" + std::to_wstring(key) + L"," + valueName + L")");
        if (queryDataFails) return *queryDataFails;
        auto it = opened_.find(key);
        if (it == opened_.end()) return 6;
        const auto& values = multiStrings[it->second];
        auto value = values.find(valueName);
        if (value == values.end()) return kErrorFileNotFound;
        auto typed = types.find(valueName);
        type = typed == types.end() ? kRegMultiSz : typed->second;
        data = value->second;
        return kErrorSuccess;
    }

  private:
    Handle next_ = 0x500;
    std::map<Handle, Key> opened_;
};

}  // namespace torvexa::fakes
