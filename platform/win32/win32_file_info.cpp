#include "platform/win32/win32_file_info.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/win32/ansi.h"
#include "platform/win32/text_api.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {
namespace {

static_assert(sizeof(SHFILEINFOA) == ShFileInfo::kSystemSize || sizeof(void*) != 4,
              "the 8-bit shell record of a 32-bit program is 352 bytes");

// A fixed 8-bit field of the system's records as the program's fixed field of the same length:
// the text before the field's first zero in Unicode, zeros after it.
template <std::size_t N, std::size_t M>
void CopyField(const CHAR (&from)[N], std::array<wchar_t, M>& to) {
    const std::wstring text = FromAnsi(from, strnlen(from, N));
    to.fill(L'\0');
    std::copy_n(text.begin(), std::min(text.size(), M), to.begin());
}

// A path that has no exact 8-bit form names no file: the call fails as for a bad name.
std::optional<std::string> PathOrFail(const std::wstring& path) {
    std::optional<std::string> exact = ToAnsiExact(path);
    if (!exact) ::SetLastError(ERROR_INVALID_NAME);
    return exact;
}

FileTime FromSystem(const FILETIME& ft) {
    return {ft.dwLowDateTime, ft.dwHighDateTime};
}

}  // namespace

Handle Win32FileFind::FindFirstFileA(const std::wstring& fileName, Win32FindData& data) {
    const std::optional<std::string> path = PathOrFail(fileName);
    if (!path) return kInvalidHandleValue;
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA(path->c_str(), &found);
    data.dwFileAttributes = found.dwFileAttributes;
    data.ftCreationTime = FromSystem(found.ftCreationTime);
    data.ftLastAccessTime = FromSystem(found.ftLastAccessTime);
    data.ftLastWriteTime = FromSystem(found.ftLastWriteTime);
    data.nFileSizeHigh = found.nFileSizeHigh;
    data.nFileSizeLow = found.nFileSizeLow;
    data.dwReserved0 = found.dwReserved0;
    data.dwReserved1 = found.dwReserved1;
    CopyField(found.cFileName, data.cFileName);
    CopyField(found.cAlternateFileName, data.cAlternateFileName);
    return reinterpret_cast<Handle>(search);
}

bool Win32FileFind::FindClose(Handle findHandle) {
    return ::FindClose(reinterpret_cast<HANDLE>(findHandle)) != FALSE;
}

bool Win32FileFind::FileTimeToSystemTime(const FileTime& fileTime, SystemTime& systemTime) {
    const FILETIME ft{fileTime.dwLowDateTime, fileTime.dwHighDateTime};
    SYSTEMTIME st{systemTime.wYear,   systemTime.wMonth,       systemTime.wDayOfWeek,
                  systemTime.wDay,    systemTime.wHour,        systemTime.wMinute,
                  systemTime.wSecond, systemTime.wMilliseconds};
    const BOOL converted = ::FileTimeToSystemTime(&ft, &st);
    systemTime = {st.wYear, st.wMonth,  st.wDayOfWeek, st.wDay,
                  st.wHour, st.wMinute, st.wSecond,    st.wMilliseconds};
    return converted != FALSE;
}

std::uint32_t Win32VersionInfo::GetFileVersionInfoSizeA(const std::wstring& fileName,
                                                        std::uint32_t& handle) {
    const std::optional<std::string> path = PathOrFail(fileName);
    if (!path) return 0;
    DWORD h = handle;
    const DWORD size = ::GetFileVersionInfoSizeA(path->c_str(), &h);
    handle = h;
    return size;
}

bool Win32VersionInfo::GetFileVersionInfoA(const std::wstring& fileName, std::uint32_t handle,
                                           std::uint32_t length, std::uint8_t* data) {
    const std::optional<std::string> path = PathOrFail(fileName);
    return path && ::GetFileVersionInfoA(path->c_str(), handle, length, data) != FALSE;
}

std::uintptr_t Win32ShellFileInfo::SHGetFileInfoA(const std::wstring& path,
                                                  std::uint32_t fileAttributes, ShFileInfo& info,
                                                  std::uint32_t infoSize, std::uint32_t flags) {
    const std::optional<std::string> ansiPath = PathOrFail(path);
    if (!ansiPath) return 0;
    SHFILEINFOA record{};
    record.hIcon = reinterpret_cast<HICON>(info.hIcon);
    record.iIcon = info.iIcon;
    record.dwAttributes = info.dwAttributes;
    const DWORD_PTR result = ::SHGetFileInfoA(ansiPath->c_str(), fileAttributes, &record,
                                              std::min<UINT>(infoSize, sizeof record), flags);
    info.hIcon = reinterpret_cast<Handle>(record.hIcon);
    info.iIcon = record.iIcon;
    info.dwAttributes = record.dwAttributes;
    CopyField(record.szDisplayName, info.szDisplayName);
    CopyField(record.szTypeName, info.szTypeName);
    return result;
}

std::wstring Win32Locale::ThousandSeparator() {
    return LocaleInfo(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND);
}

std::wstring Win32Locale::UpperCase(const std::wstring& text) {
    return UpperCased(text);
}

std::wstring Win32Locale::FromAnsiCodePage(const std::string& bytes) {
    return FromAnsi(bytes);
}

}  // namespace torvexa::win32
