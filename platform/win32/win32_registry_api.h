// The registry over the real advapi32 calls, 8-bit forms.
#pragma once

#include "platform/registry_api.h"

namespace torvexa::win32 {

class Win32RegistryApi final : public RegistryApi {
  public:
    std::int32_t RegOpenKeyExA(Handle root, const std::wstring& subKey, std::uint32_t options,
                               std::uint32_t desiredAccess, Handle& result) override;
    std::int32_t RegDeleteValueA(Handle key, const std::wstring& valueName) override;
    std::int32_t RegCloseKey(Handle key) override;
    std::int32_t ValueExists(Handle key, const std::wstring& valueName) override;
    std::int32_t RegQueryValueExW(Handle key, const std::wstring& valueName, std::uint32_t& type,
                                  std::wstring& data) override;
};

}  // namespace torvexa::win32
