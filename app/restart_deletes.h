// Files that Windows deletes at the next restart, before any program starts: the list it keeps in
// the value PendingFileRenameOperations of HKLM\System\CurrentControlSet\Control\Session Manager.
// A file in use cannot be deleted now; recorded there, it goes at the restart. One list serves
// both registry views of 64-bit Windows, and 64-bit Windows reads it without the redirection of
// the system folder that a 32-bit program lives under.
//
// Windows 95, 98 and ME have neither the list nor MoveFileEx. Their start-up carries out the
// section [rename] of %windir%\WININIT.INI before Windows loads, under DOS: a line "NUL=path" there
// deletes the file, named in its short 8.3 form. The program writes and reads that section itself,
// the whole file at once (the profile functions cannot write the same key twice, and each file
// needs a NUL line of its own), and keeps every other byte of the file as it was.
//
// WININIT.INI may hold what an installer left for the restart (a driver replaced, say), so it is
// replaced whole or not at all. 9x cannot rename a file over another, so the new bytes go to a file
// of their own beside it (WININIT.TVN), are read back, and only then is the old file renamed aside
// (WININIT.TVO), the new one renamed into place and the old one deleted. A power cut at any step
// leaves the old file or the new one whole under one of the three names; the next Read or Add
// finishes or undoes the replacement before anything else.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/paths.h"
#include "platform/file_system.h"
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

// The paths that the [rename] section of a WININIT.INI's bytes deletes: the values of its NUL
// lines, in file order. Section and key are matched without regard to letter case, blanks around
// them and around the value are not part of them; a line of another section, a line without '='
// and a comment (';') are not. Lines end with CR LF or LF alone.
std::vector<std::string> WininitDeletes(std::string_view file);

// The bytes of a WININIT.INI with the line "NUL=`path`" (CR LF) added after the last line of its
// first [rename] section, or in a new [rename] section at the end; every other byte as it was.
std::string WithWininitDelete(std::string_view file, std::string_view path);

// The list of files that Windows deletes at the next restart. Which one a machine keeps is
// chosen once, by the composition root, from the Windows it runs on.
class RestartList {
  public:
    virtual ~RestartList() = default;
    // The list as it stands now: empty when there is none; none when it cannot be read, which
    // proves nothing either way.
    virtual std::optional<std::vector<PendingOperation>> Read() = 0;
    // Whether `operations`, as Read gave them, delete the file `path` at the restart.
    virtual bool Deletes(const std::vector<PendingOperation>& operations,
                         const std::wstring& path) = 0;
    // Records `path` for deletion at the next restart; false when it could not be written. Says
    // nothing of what is there already: check with Deletes first, so that no file is recorded
    // twice.
    virtual bool Add(const std::wstring& path) = 0;
};

// Windows NT's list: the value PendingFileRenameOperations, written through MoveFileEx.
class PendingRenames final : public RestartList {
  public:
    PendingRenames(RegistryApi& registry, FileSystemApi& files)
        : registry_(registry), files_(files) {}

    std::optional<std::vector<PendingOperation>> Read() override;
    bool Deletes(const std::vector<PendingOperation>& operations,
                 const std::wstring& path) override;
    bool Add(const std::wstring& path) override;

  private:
    RegistryApi& registry_;
    FileSystemApi& files_;
};

// Windows 95, 98 and ME's list: the [rename] section of %windir%\WININIT.INI, each NUL line read
// as a deletion of its path (the 8-bit text's bytes as the characters of the same numbers), and
// the file replaced whole or not at all when a line is added.
class WininitRenames final : public RestartList {
  public:
    explicit WininitRenames(FileSystemApi& files) : files_(files) {}

    std::optional<std::vector<PendingOperation>> Read() override;
    bool Deletes(const std::vector<PendingOperation>& operations,
                 const std::wstring& path) override;
    bool Add(const std::wstring& path) override;

  private:
    // What a replacement of WININIT.INI came to.
    enum class Replaced { Yes, No, ChangedMeanwhile };

    std::wstring WininitPath();
    // The file's bytes, once an interrupted replacement has been finished or undone; none when
    // that, or the reading, fails.
    std::optional<std::string> ReadWininit();
    // Finishes or undoes a replacement that a power cut (or a failure) interrupted, from the
    // names that are there; false when it cannot tell or cannot do it.
    bool RecoverWininit();
    // Puts `bytes` in place of the file, which held `old` when it was read.
    Replaced ReplaceWininit(const std::string& old, const std::string& bytes);
    // The path as 9x's restart names it, in the form that Read gives its NUL lines: none when it
    // has no 8-bit name.
    std::optional<std::wstring> WininitName(const std::wstring& path);

    FileSystemApi& files_;
};

}  // namespace torvexa
