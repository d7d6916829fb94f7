#include "platform/win32/text_api.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/win32/ansi.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {
namespace {

// Set once by the entry point, before any window, file or registry call; read by every call here.
bool ansiCalls = false;

// The path's 8-bit name, or none with the system's answer for a name it cannot take.
std::optional<std::string> AnsiPath(const std::wstring& path) {
    std::optional<std::string> exact = ToAnsiExact(path);
    if (!exact) ::SetLastError(ERROR_INVALID_NAME);
    return exact;
}

// A folder as GetSystemDirectory and GetWindowsDirectory give it: the length without the NUL, or
// the size needed when the buffer is too small.
template <typename Wide, typename Ansi>
std::wstring Folder(Wide wide, Ansi ansi) {
    if (ansiCalls) {
        char folder[MAX_PATH + 1] = {};
        const UINT length = ansi(folder, MAX_PATH + 1);
        return length > 0 && length <= MAX_PATH ? FromAnsi(folder, length) : std::wstring();
    }
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = wide(folder, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

// Reads a value's data into `buffer` (bytes), asking its size first. The value may grow between
// asking its size and reading it: asked again, a few times.
template <typename Query>
LSTATUS ReadValue(Query query, DWORD& type, std::vector<BYTE>& buffer) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD valueType = 0, bytes = 0;
        LSTATUS status = query(&valueType, nullptr, &bytes);
        if (status != ERROR_SUCCESS) return status;
        buffer.assign(bytes, 0);
        DWORD read = bytes;
        status = query(&valueType, buffer.data(), &read);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return status;
        buffer.resize(read);
        type = valueType;
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

template <typename Struct>
Struct Sized() {
    Struct record{};
    record.cbSize = sizeof record;
    return record;
}

}  // namespace

void ChooseWindows9xWay(bool windows9x) {
    ansiCalls = windows9x;
}

bool OnWindows9x() {
    return ansiCalls;
}

bool ClassRegistered(HINSTANCE instance, const wchar_t* className) {
    if (ansiCalls) {
        auto found = Sized<WNDCLASSEXA>();
        return ::GetClassInfoExA(instance, ToAnsi(className).c_str(), &found) != FALSE;
    }
    auto found = Sized<WNDCLASSEXW>();
    return ::GetClassInfoExW(instance, className, &found) != FALSE;
}

ATOM RegisterWindowClass(const WNDCLASSEXW& windowClass) {
    if (!ansiCalls) return ::RegisterClassExW(&windowClass);
    // The program's classes have no menu; the name is the one text.
    const std::string name = ToAnsi(windowClass.lpszClassName);
    WNDCLASSEXA ansi{};
    ansi.cbSize = sizeof ansi;
    ansi.style = windowClass.style;
    ansi.lpfnWndProc = windowClass.lpfnWndProc;
    ansi.cbClsExtra = windowClass.cbClsExtra;
    ansi.cbWndExtra = windowClass.cbWndExtra;
    ansi.hInstance = windowClass.hInstance;
    ansi.hIcon = windowClass.hIcon;
    ansi.hCursor = windowClass.hCursor;
    ansi.hbrBackground = windowClass.hbrBackground;
    ansi.lpszClassName = name.c_str();
    ansi.hIconSm = windowClass.hIconSm;
    return ::RegisterClassExA(&ansi);
}

HWND NewWindow(DWORD exStyle, const wchar_t* className, const std::wstring& text, DWORD style,
               const RECT& where, HWND parent, HMENU menu, HINSTANCE instance, void* createParam) {
    // The creation data reaches the procedure in lpCreateParams, the first member of both
    // CREATESTRUCTA and CREATESTRUCTW.
    if (ansiCalls) {
        return ::CreateWindowExA(exStyle, ToAnsi(className).c_str(), ToAnsi(text).c_str(), style,
                                 where.left, where.top, where.right, where.bottom, parent, menu,
                                 instance, createParam);
    }
    return ::CreateWindowExW(exStyle, className, text.c_str(), style, where.left, where.top,
                             where.right, where.bottom, parent, menu, instance, createParam);
}

LRESULT DefaultProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return ansiCalls ? ::DefWindowProcA(hwnd, message, wParam, lParam)
                     : ::DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CallProcedure(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return ansiCalls ? ::CallWindowProcA(procedure, hwnd, message, wParam, lParam)
                     : ::CallWindowProcW(procedure, hwnd, message, wParam, lParam);
}

LONG_PTR WindowLong(HWND hwnd, int index) {
    return ansiCalls ? ::GetWindowLongPtrA(hwnd, index) : ::GetWindowLongPtrW(hwnd, index);
}

LONG_PTR ChangeWindowLong(HWND hwnd, int index, LONG_PTR value) {
    // A procedure put in place with the A form receives the A messages, and the one it replaces
    // comes back in the form that CallProcedure hands messages on to.
    return ansiCalls ? ::SetWindowLongPtrA(hwnd, index, value)
                     : ::SetWindowLongPtrW(hwnd, index, value);
}

BOOL NextMessage(MSG& msg) {
    return ansiCalls ? ::GetMessageA(&msg, nullptr, 0, 0) : ::GetMessageW(&msg, nullptr, 0, 0);
}

bool DialogMessage(HWND dialog, MSG& msg) {
    return (ansiCalls ? ::IsDialogMessageA(dialog, &msg) : ::IsDialogMessageW(dialog, &msg)) !=
           FALSE;
}

void Dispatch(const MSG& msg) {
    if (ansiCalls) {
        ::DispatchMessageA(&msg);
    } else {
        ::DispatchMessageW(&msg);
    }
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return ansiCalls ? ::SendMessageA(hwnd, message, wParam, lParam)
                     : ::SendMessageW(hwnd, message, wParam, lParam);
}

void SetWindowTextTo(HWND hwnd, const std::wstring& text) {
    if (ansiCalls) {
        ::SetWindowTextA(hwnd, ToAnsi(text).c_str());
    } else {
        ::SetWindowTextW(hwnd, text.c_str());
    }
}

std::wstring WindowText(HWND hwnd) {
    if (ansiCalls) {
        std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(hwnd)) + 1, '\0');
        text.resize(static_cast<std::size_t>(
            ::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
        return FromAnsi(text);
    }
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

HCURSOR SystemCursor(const wchar_t* id) {
    // The system's cursors are named by number (MAKEINTRESOURCE), the same number in both forms.
    return ansiCalls ? ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(id))
                     : ::LoadCursorW(nullptr, id);
}

HICON ResourceIcon(HINSTANCE instance, int id) {
    return ansiCalls ? ::LoadIconA(instance, MAKEINTRESOURCEA(id))
                     : ::LoadIconW(instance, MAKEINTRESOURCEW(id));
}

HFONT CreateFontFrom(const LOGFONTW& font) {
    if (!ansiCalls) return ::CreateFontIndirectW(&font);
    // Both records hold the same numbers before the face name, which is the one text.
    LOGFONTA ansi{};
    static_assert(offsetof(LOGFONTA, lfFaceName) == offsetof(LOGFONTW, lfFaceName));
    std::memcpy(&ansi, &font, offsetof(LOGFONTW, lfFaceName));
    const std::string face = ToAnsi(font.lfFaceName);
    std::memcpy(ansi.lfFaceName, face.data(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    return ::CreateFontIndirectA(&ansi);
}

LOGFONTW LogFontOf(HGDIOBJ font) {
    LOGFONTW wide{};
    if (!ansiCalls) {
        if (::GetObjectW(font, sizeof wide, &wide) == 0) return LOGFONTW{};
        return wide;
    }
    LOGFONTA ansi{};
    if (::GetObjectA(font, sizeof ansi, &ansi) == 0) return wide;
    std::memcpy(&wide, &ansi, offsetof(LOGFONTA, lfFaceName));
    const std::wstring face = FromAnsi(ansi.lfFaceName, strnlen(ansi.lfFaceName, LF_FACESIZE));
    std::memcpy(wide.lfFaceName, face.data(),
                std::min<std::size_t>(face.size(), LF_FACESIZE - 1) * sizeof(wchar_t));
    return wide;
}

LONG LineHeight(HDC dc) {
    if (ansiCalls) {
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(dc, &metrics);
        return metrics.tmHeight;
    }
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    return metrics.tmHeight;
}

int DrawTextIn(HDC dc, std::wstring_view text, RECT& box, UINT format) {
    if (ansiCalls) {
        const std::string ansi = ToAnsi(std::wstring(text));
        return ::DrawTextA(dc, ansi.data(), static_cast<int>(ansi.size()), &box, format);
    }
    return ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, format);
}

void CharacterEnds(HDC dc, std::wstring_view text, int* ends, SIZE& extent) {
    const int count = static_cast<int>(text.size());
    extent = {};
    if (count == 0) return;
    if (!ansiCalls) {
        ::GetTextExtentExPointW(dc, text.data(), count, 0, nullptr, ends, &extent);
        return;
    }
    // 9x measures wide text with GetTextExtentPoint32W, as it draws it with ExtTextOutW: each
    // character ends where the text up to it does. (GetTextExtentExPointA would count bytes, not
    // characters, in a double-byte code page.)
    for (int i = 0; i < count; ++i) {
        ::GetTextExtentPoint32W(dc, text.data(), i + 1, &extent);
        ends[i] = extent.cx;
    }
}

bool HighContrastSetting() {
    if (ansiCalls) {
        auto contrast = Sized<HIGHCONTRASTA>();
        return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) !=
                   FALSE &&
               (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    }
    auto contrast = Sized<HIGHCONTRASTW>();
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != FALSE &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

DWORD FileAttributes(const std::wstring& path) {
    if (!ansiCalls) return ::GetFileAttributesW(path.c_str());
    const std::optional<std::string> ansi = AnsiPath(path);
    return ansi ? ::GetFileAttributesA(ansi->c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool ChangeFileAttributes(const std::wstring& path, DWORD attributes) {
    if (!ansiCalls) return ::SetFileAttributesW(path.c_str(), attributes) != FALSE;
    const std::optional<std::string> ansi = AnsiPath(path);
    return ansi && ::SetFileAttributesA(ansi->c_str(), attributes) != FALSE;
}

bool RemoveFile(const std::wstring& path) {
    if (!ansiCalls) {
        using DeleteWFn = BOOL(WINAPI*)(LPCWSTR);
        static const auto deleteW = reinterpret_cast<DeleteWFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "DeleteFileW")));
        if (deleteW != nullptr) return deleteW(path.c_str()) != FALSE;
    }
    const std::optional<std::string> ansi = AnsiPath(path);
    return ansi && ::DeleteFileA(ansi->c_str()) != FALSE;
}

HANDLE OpenFileAt(const std::wstring& path, DWORD access, DWORD share, DWORD creation) {
    if (!ansiCalls) {
        return ::CreateFileW(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    }
    const std::optional<std::string> ansi = AnsiPath(path);
    if (!ansi) return INVALID_HANDLE_VALUE;
    return ::CreateFileA(ansi->c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
}

HANDLE OpenForAppending(const std::wstring& path) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    // Append access alone: every write lands at the end of the file as it is then, also when other
    // machines append to the same file on a share at the same moment. 9x knows only read and
    // write access: there the writer moves to the end itself (win32_run_report.cpp, under a lock).
    if (!ansiCalls) return OpenFileAt(path, FILE_APPEND_DATA, kShare, OPEN_ALWAYS);
    const HANDLE file = OpenFileAt(path, GENERIC_WRITE, kShare, OPEN_ALWAYS);
    if (file != INVALID_HANDLE_VALUE) ::SetFilePointer(file, 0, nullptr, FILE_END);
    return file;
}

std::wstring SystemDirectory() {
    return Folder([](LPWSTR b, UINT n) { return ::GetSystemDirectoryW(b, n); },
                  [](LPSTR b, UINT n) { return ::GetSystemDirectoryA(b, n); });
}

std::wstring WindowsDirectory() {
    // Asked for WININIT.INI, on Windows 9x only; the 8-bit form on every Windows, so that the
    // program imports no wide form whose export by 9x's kernel32 could not be shown.
    char folder[MAX_PATH + 1] = {};
    const UINT length = ::GetWindowsDirectoryA(folder, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? FromAnsi(folder, length) : std::wstring();
}

std::optional<std::string> ShortAnsiPath(const std::wstring& path) {
    // The 8-bit form is the one wanted, on either way: the A call gives it directly.
    std::optional<std::string> ansi = ToAnsiExact(path);
    if (!ansi) return std::nullopt;
    char shortPath[MAX_PATH + 1] = {};
    const DWORD length = ::GetShortPathNameA(ansi->c_str(), shortPath, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH) return std::string(shortPath, length);
    return ansi;
}

HMODULE LoadLibraryFrom(const std::wstring& path, DWORD flags) {
    if (!ansiCalls) return ::LoadLibraryExW(path.c_str(), nullptr, flags);
    const std::optional<std::string> ansi = AnsiPath(path);
    return ansi ? ::LoadLibraryExA(ansi->c_str(), nullptr, flags) : nullptr;
}

bool FirstModulePath(HANDLE snapshot, DWORD& processId, std::wstring& path) {
    if (ansiCalls) {
        MODULEENTRY32 record{};
        record.dwSize = sizeof record;
        if (!::Module32First(snapshot, &record)) return false;
        processId = record.th32ProcessID;
        path = FromAnsi(record.szExePath, strnlen(record.szExePath, sizeof record.szExePath));
        return true;
    }
    using Module32FirstWFn = BOOL(WINAPI*)(HANDLE, MODULEENTRY32W*);
    static const auto module32FirstW = reinterpret_cast<Module32FirstWFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "Module32FirstW")));
    if (module32FirstW == nullptr) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    MODULEENTRY32W record{};
    record.dwSize = sizeof record;
    if (!module32FirstW(snapshot, &record)) return false;
    processId = record.th32ProcessID;
    // The field is 260 characters; a path that fills it has no NUL.
    path.assign(record.szExePath, ::wcsnlen(record.szExePath, std::size(record.szExePath)));
    return true;
}

bool FullProcessImageName(HANDLE process, DWORD flags, std::wstring& path) {
    using QueryFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    static const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameW")));
    if (ansiCalls || query == nullptr) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    // A path longer than MAX_PATH is possible here (the call takes the buffer's size).
    std::wstring buffer(32768, L'\0');
    auto length = static_cast<DWORD>(buffer.size());
    if (!query(process, flags, buffer.data(), &length)) return false;
    buffer.resize(length);
    path = std::move(buffer);
    return true;
}

LSTATUS QueryTextValue(HKEY key, const std::wstring& name, DWORD& type, std::wstring& data) {
    std::vector<BYTE> bytes;
    if (ansiCalls) {
        const std::string ansiName = ToAnsi(name);
        const LSTATUS status = ReadValue(
            [&](DWORD* t, BYTE* d, DWORD* n) {
                return ::RegQueryValueExA(key, ansiName.c_str(), nullptr, t, d, n);
            },
            type, bytes);
        // 8-bit text, its NULs included, widened character by character.
        if (status == ERROR_SUCCESS) {
            data = FromAnsi(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        return status;
    }
    const LSTATUS status =
        ReadValue([&](DWORD* t, BYTE* d,
                      DWORD* n) { return ::RegQueryValueExW(key, name.c_str(), nullptr, t, d, n); },
                  type, bytes);
    if (status == ERROR_SUCCESS) {
        data.assign(bytes.size() / sizeof(wchar_t), L'\0');
        std::memcpy(data.data(), bytes.data(), data.size() * sizeof(wchar_t));
    }
    return status;
}

std::optional<std::wstring> ExpandedEnvironment(const std::wstring& text) {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (ansiCalls) {
        using ExpandAFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
        const auto expand = reinterpret_cast<ExpandAFn>(
            reinterpret_cast<void*>(::GetProcAddress(kernel, "ExpandEnvironmentStringsA")));
        const std::optional<std::string> source = ToAnsiExact(text);
        if (expand == nullptr || !source) return std::nullopt;
        std::string buffer(32768, '\0');
        const DWORD length = expand(source->c_str(), buffer.data(), 32768);
        // The length counts the NUL (and, on 9x, may count one more).
        if (length == 0 || length > buffer.size()) return std::nullopt;
        return FromAnsi(buffer.c_str(), std::strlen(buffer.c_str()));
    }
    using ExpandWFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
    const auto expand = reinterpret_cast<ExpandWFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "ExpandEnvironmentStringsW")));
    if (expand == nullptr) return std::nullopt;
    std::wstring buffer(32768, L'\0');
    const DWORD length = expand(text.c_str(), buffer.data(), 32768);
    if (length == 0 || length > buffer.size()) return std::nullopt;
    buffer.resize(length - 1);
    return buffer;
}

bool SessionOfProcess(DWORD id, DWORD& session) {
    using SessionFn = BOOL(WINAPI*)(DWORD, DWORD*);
    static const auto query = reinterpret_cast<SessionFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "ProcessIdToSessionId")));
    if (query == nullptr) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    return query(id, &session) != FALSE;
}

std::wstring ComputerName() {
    if (ansiCalls) {
        char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
        return ::GetComputerNameA(name, &size) ? FromAnsi(name, size) : std::wstring();
    }
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

}  // namespace torvexa::win32
