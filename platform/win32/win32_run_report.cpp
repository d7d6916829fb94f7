#include "platform/win32/win32_run_report.h"

#include <string>

#include "platform/device_names.h"
#include "platform/win32/text_api.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {
namespace {

// `line` in UTF-8 with Windows' line end.
std::string Utf8Line(std::wstring_view line) {
    const std::wstring withEnd = std::wstring(line) + L"\r\n";
    const int length = static_cast<int>(withEnd.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, withEnd.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) {
        WideCharToMultiByte(CP_UTF8, 0, withEnd.data(), length, utf8.data(), bytes, nullptr,
                            nullptr);
    }
    return utf8;
}

// One write of the whole line: a pipe or a file opened for appending takes it in one piece.
bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// How often, and how long apart, a line waits for another writer's line to go in first.
constexpr int kAppendTries = 100;
constexpr DWORD kAppendWaitMs = 20;

// Writes `bytes` at the end of the log as one piece, against other runs writing to the same file
// (other machines', on a share). Where the system does not append for the program (Windows 95, 98
// and ME), the range the line will take at the end is locked, and the end read again under the
// lock: a writer that read the same end waits for the lock, and one that wrote meanwhile has moved
// the end. The locks are the system's, enforced on every write: a writer that appends without
// locking (NT's append) cannot write into a locked range either, and is refused (lock violation)
// until it is free, then tries again. A file system that keeps no locks writes the line unlocked.
bool AppendWhole(HANDLE file, const std::string& bytes) {
    const auto size = static_cast<DWORD>(bytes.size());
    for (int tries = 0; tries < kAppendTries; ++tries) {
        if (tries > 0) Sleep(kAppendWaitMs);
        const DWORD end = SetFilePointer(file, 0, nullptr, FILE_END);
        if (end == INVALID_SET_FILE_POINTER) return false;
        // NT appends whole by itself, and its append-only handle cannot lock.
        const bool locked = OnWindows9x() && LockFile(file, end, 0, size, 0);
        if (!locked && OnWindows9x() && GetLastError() == ERROR_LOCK_VIOLATION) continue;
        if (locked && SetFilePointer(file, 0, nullptr, FILE_END) != end) {
            UnlockFile(file, end, 0, size, 0);
            continue;
        }
        const bool written = WriteAll(file, bytes);
        const DWORD error = GetLastError();
        if (locked) UnlockFile(file, end, 0, size, 0);
        if (written) return true;
        if (error != ERROR_LOCK_VIOLATION) return false;
    }
    return false;
}

}  // namespace

LocalTime Win32RunReport::Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::wstring Win32RunReport::ComputerName() {
    return win32::ComputerName();
}

bool Win32RunReport::AppendLine(const std::wstring& path, std::wstring_view line) {
    // A device or a pipe is not opened at all; should a path the rule lets pass lead to one all
    // the same (a link to it), it is not written.
    if (NamesADeviceOrPipe(path)) return false;
    const UniqueFileHandle file(OpenForAppending(path));
    return file && GetFileType(file.get()) == FILE_TYPE_DISK &&
           AppendWhole(file.get(), Utf8Line(line));
}

bool Win32RunReport::WriteStandardOutput(std::wstring_view line) {
    // A program without a console has no standard output unless it was started with one
    // (redirected to a file or a pipe): then the handle is NULL or invalid.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
    return WriteAll(output, Utf8Line(line));
}

}  // namespace torvexa::win32
