#include "app/paths.h"

#include <optional>

namespace torvexa {
namespace {

wchar_t Folded(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

}  // namespace

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return Folded(x) == Folded(y); });
}

std::wstring RealFolder(FileSystemApi& files, std::wstring_view folder) {
    const std::optional<std::wstring> redirectedTo = files.GetSystemWow64DirectoryW();
    if (redirectedTo && SamePath(folder, files.GetSystemDirectoryW())) return *redirectedTo;
    return std::wstring(folder);
}

std::wstring RealPath(FileSystemApi& files, const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return path;
    return RealFolder(files, std::wstring_view(path).substr(0, slash)) + path.substr(slash);
}

}  // namespace torvexa
