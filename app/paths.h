// Full paths as the program compares and names them: the same file whatever the letter case, a
// path's file name, and the folder a file really is in for this 32-bit program on 64-bit Windows.
#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "app/worm.h"
#include "platform/file_system.h"

namespace torvexa {

// Whether two full paths name the same file, letter case aside (ASCII letters, as the file system
// compares the worm's names).
bool SamePath(std::wstring_view a, std::wstring_view b);

// The file-name part of a full path (the whole of a bare name).
inline std::wstring_view FileNameOf(std::wstring_view path) {
    return path.substr(path.find_last_of(L'\\') + 1);  // npos + 1 == 0
}

// Whether the file `path` names is one of `names`, letter case aside.
template <std::size_t N>
bool NamedAsOneOf(std::wstring_view path, const wchar_t* const (&names)[N]) {
    const std::wstring_view name = FileNameOf(path);
    return std::any_of(std::begin(names), std::end(names),
                       [&](const wchar_t* n) { return SamePath(name, n); });
}

// Whether `path` is the file of one of the worm's programs (its DLL is none).
inline bool IsWormProgram(std::wstring_view path) {
    return NamedAsOneOf(path, worm::kProcesses);
}

// Where the folder `folder`, or the file `path`, really is: on 64-bit Windows this 32-bit
// program's system folder is SysWOW64, and the restart, which runs without that redirection, must
// be told so. Elsewhere the path as it is.
std::wstring RealFolder(FileSystemApi& files, std::wstring_view folder);
std::wstring RealPath(FileSystemApi& files, const std::wstring& path);

}  // namespace torvexa
