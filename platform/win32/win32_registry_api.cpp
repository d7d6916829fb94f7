#include "platform/win32/win32_registry_api.h"

#include <cstddef>
#include <string>
#include <utility>

#include "platform/win32/ansi.h"
#include "platform/win32/text_api.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {
namespace {

// Predefined root keys are 32-bit values that the system sign-extends on 64-bit builds.
HKEY ToHkey(Handle h) {
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(h))));
}

}  // namespace

std::int32_t Win32RegistryApi::RegOpenKeyExA(Handle root, const std::wstring& subKey,
                                             std::uint32_t options, std::uint32_t desiredAccess,
                                             Handle& result) {
    HKEY key = nullptr;
    const LSTATUS status =
        ::RegOpenKeyExA(ToHkey(root), ToAnsi(subKey).c_str(), options, desiredAccess, &key);
    result = reinterpret_cast<Handle>(key);
    return status;
}

std::int32_t Win32RegistryApi::RegDeleteValueA(Handle key, const std::wstring& valueName) {
    return ::RegDeleteValueA(reinterpret_cast<HKEY>(key), ToAnsi(valueName).c_str());
}

std::int32_t Win32RegistryApi::RegCloseKey(Handle key) {
    return ::RegCloseKey(reinterpret_cast<HKEY>(key));
}

std::int32_t Win32RegistryApi::ValueExists(Handle key, const std::wstring& valueName) {
    return ::RegQueryValueExA(reinterpret_cast<HKEY>(key), ToAnsi(valueName).c_str(), nullptr,
                              nullptr, nullptr, nullptr);
}

std::int32_t Win32RegistryApi::RegQueryValueExW(Handle key, const std::wstring& valueName,
                                                std::uint32_t& type, std::wstring& data) {
    DWORD valueType = 0;
    const LSTATUS status = QueryTextValue(reinterpret_cast<HKEY>(key), valueName, valueType, data);
    if (status == ERROR_SUCCESS) type = valueType;
    return status;
}

}  // namespace torvexa::win32
