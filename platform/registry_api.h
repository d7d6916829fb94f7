// The registry calls, one method per Windows operation. Texts are Unicode here; the real layer
// passes them to the 8-bit (A) functions in the ANSI code page. Results are the system's status
// codes (0 = kErrorSuccess): the registry does not set the last error.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace torvexa {

inline constexpr std::uint32_t kKeyWrite = 0x20006;      // KEY_WRITE
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;  // KEY_QUERY_VALUE
inline constexpr std::int32_t kErrorSuccess = 0;         // ERROR_SUCCESS
inline constexpr std::int32_t kErrorFileNotFound = 2;    // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kRegMultiSz = 7;          // REG_MULTI_SZ
inline constexpr Handle kHkeyLocalMachine = 0x80000002;  // HKEY_LOCAL_MACHINE

class RegistryApi {
  public:
    virtual ~RegistryApi() = default;

    virtual std::int32_t RegOpenKeyExA(Handle root, const std::wstring& subKey,
                                       std::uint32_t options, std::uint32_t desiredAccess,
                                       Handle& result) = 0;
    virtual std::int32_t RegDeleteValueA(Handle key, const std::wstring& valueName) = 0;
    virtual std::int32_t RegCloseKey(Handle key) = 0;
    // Asks only whether the value is there (no data is read): kErrorSuccess when it is,
    // kErrorFileNotFound when it is not.
    virtual std::int32_t ValueExists(Handle key, const std::wstring& valueName) = 0;
    // Reads a value's data as UTF-16 text, unchanged: a REG_MULTI_SZ comes back with its NULs.
    // `type` is the value's type (kRegMultiSz, say).
    virtual std::int32_t RegQueryValueExW(Handle key, const std::wstring& valueName,
                                          std::uint32_t& type, std::wstring& data) = 0;
};

}  // namespace torvexa
