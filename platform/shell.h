// The system shell's "open a document or address" operation.
#pragma once

#include <optional>
#include <string>

#include "platform/types.h"

namespace torvexa {

inline constexpr int kSwShowNormal = 1;  // SW_SHOWNORMAL

class ShellApi {
  public:
    virtual ~ShellApi() = default;
    // Absent parameters and directory are passed as null texts. Returns the shell's instance
    // value (greater than 32 on success).
    virtual Handle ShellExecuteA(Handle window, const std::wstring& verb, const std::wstring& file,
                                 const std::optional<std::wstring>& parameters,
                                 const std::optional<std::wstring>& directory, int showCommand) = 0;
};

}  // namespace torvexa
