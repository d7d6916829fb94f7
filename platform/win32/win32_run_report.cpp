#include "platform/win32/win32_run_report.h"

#include <string>

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
    const UniqueFileHandle file(OpenForAppending(path));
    return file && WriteAll(file.get(), Utf8Line(line));
}

bool Win32RunReport::WriteStandardOutput(std::wstring_view line) {
    // A program without a console has no standard output unless it was started with one
    // (redirected to a file or a pipe): then the handle is NULL or invalid.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
    return WriteAll(output, Utf8Line(line));
}

}  // namespace torvexa::win32
