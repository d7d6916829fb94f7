// Registry access: deletes one named value from a key given by its full path, such as
// "HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run". Silent about failures apart
// from one message box for a path that is not in the expected form.
#pragma once

#include <cstdint>
#include <string>

#include "platform/boolean.h"
#include "platform/message_box.h"
#include "platform/registry_api.h"
#include "platform/types.h"

namespace torvexa {

class Registro {
  public:
    Registro(RegistryApi& api, MessageBoxApi& boxes) : api_(api), boxes_(boxes) {}

    // True (-1) when the key was opened for writing, the deletion attempted and the key closed;
    // it does not say whether the value existed. False (0) for a rejected path, a root name not in
    // the root table, or a key that could not be opened. `keyPath` is left holding its sub-key
    // part, as SplitKeyPath rewrites it.
    std::int16_t DeleteRegValue(std::wstring& keyPath, const std::wstring& valueName);

    // Checks the path's form and splits it at its first backslash into a predefined root key
    // (0 when the root name is not known) and the sub-key path, which replaces `keyPath`. A path
    // that does not start with "HKEY_" or ends with a backslash is shown in an "Incorrect Format:"
    // box and left unchanged, with root key 0.
    void SplitKeyPath(std::wstring& keyPath, Handle& rootKey);

    // The predefined handle value of a root key name (exact, case-sensitive), 0 for any other.
    static Handle GetRootKeyHandle(const std::wstring& rootName);

  private:
    RegistryApi& api_;
    MessageBoxApi& boxes_;
    // Module state shared by the three procedures; no call depends on what an earlier one left.
    Handle rootKey_ = 0;
    Handle openedKey_ = 0;
    std::int32_t scratch_ = 0;
};

}  // namespace torvexa
