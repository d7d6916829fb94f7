// Files that Windows deletes at the next restart, before any program starts: the list it keeps in
// the value PendingFileRenameOperations of HKLM\System\CurrentControlSet\Control\Session Manager.
// A file in use cannot be deleted now; recorded there, it goes at the restart. One list serves
// both registry views of 64-bit Windows, and 64-bit Windows reads it without the redirection of
// the system folder that a 32-bit program lives under.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_api.h"

namespace torvexa {

// One operation of the list: a file and its new name, in the system's own form
// ("\??\C:\windows\system32\x.dll"); an empty new name deletes the file.
struct PendingOperation {
    std::wstring source, target;
    bool operator==(const PendingOperation&) const = default;
};

// The operations in the value's data: pairs of NUL-terminated strings, the list ended by an empty
// one. Data cut short gives the complete pairs before the cut.
std::vector<PendingOperation> ParsePendingOperations(const std::wstring& data);

// Whether `operations` delete the file `path` (a full path such as "C:\windows\syswow64\x.dll")
// at the restart. Letter case does not matter, as it does not to the file system.
bool DeletesAtRestart(const std::vector<PendingOperation>& operations, const std::wstring& path);

// Whether two full paths name the same file, letter case aside.
bool SamePath(std::wstring_view a, std::wstring_view b);

class RestartDeletes {
  public:
    explicit RestartDeletes(RegistryApi& registry) : registry_(registry) {}

    // The list as it stands now: empty when there is none; none when it cannot be read, which
    // proves nothing either way.
    std::optional<std::vector<PendingOperation>> Read();

  private:
    RegistryApi& registry_;
};

}  // namespace torvexa
