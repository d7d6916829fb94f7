// The one seam between the program's Unicode texts and the system calls that take or give text.
// Windows 2000, XP and later implement the wide (W) functions. Windows 95, 98 and ME export them
// but implement only a handful (ExtTextOutW, TextOutW, GetTextExtentPoint32W, GetCharWidthW,
// MessageBoxW, lstrlenW, GetCommandLineW, MultiByteToWideChar, WideCharToMultiByte, the
// resource-finding ones): every other W call fails there. The program learns once, at start,
// which family it runs on, and from then on every call below takes the W function on NT and the
// A function on 9x, with the texts converted to and from the ANSI code page (ansi.h). The calls
// that 9x implements in their W form are made directly, everywhere.
//
// On 9x a character of a text that the ANSI code page lacks becomes what WideCharToMultiByte's
// default conversion makes of it: the code page's look-alike where it has one ("O" for the Greek
// Omega), "?" otherwise (the program's own Spanish texts, "¿" and the accents included, are all in
// code page 1252). A path with such a character has no 8-bit name: the call fails with
// ERROR_INVALID_NAME instead of reaching another file.
//
// A window created through here with a system class or one of the program's classes is an ANSI
// window on 9x: its procedure receives WM_GETTEXT, WM_SETTEXT and WM_CHAR with 8-bit texts. The
// engine hands those messages on untouched (DefaultProcedure, CallProcedure), so the texts reach a
// procedure of the same kind as the one they were sent to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/win.h"

namespace torvexa::win32 {

// Whether GetVersion's answer names Windows 95, 98 or ME: its high bit is set there only.
constexpr bool IsWindows9xVersion(DWORD version) {
    return (version & 0x80000000U) != 0;
}
// Chooses the 9x way (the A calls) or the NT way (the W calls) for the rest of the run. The entry
// point calls it first, with IsWindows9xVersion(GetVersion()); until then the NT way is taken. A
// test may choose the 9x way on NT, where the A functions work as well.
void ChooseWindows9xWay(bool windows9x);
// Whether the program runs the 9x way.
bool OnWindows9x();

// Windows: classes, creation, procedures and messages.
bool ClassRegistered(HINSTANCE instance, const wchar_t* className);
ATOM RegisterWindowClass(const WNDCLASSEXW& windowClass);
// CreateWindowEx; `where` is its x, y, width and height.
HWND NewWindow(DWORD exStyle, const wchar_t* className, const std::wstring& text, DWORD style,
               const RECT& where, HWND parent, HMENU menu, HINSTANCE instance, void* createParam);
// DefWindowProc and CallWindowProc: the message goes on as it came.
LRESULT DefaultProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallProcedure(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LONG_PTR WindowLong(HWND hwnd, int index);
LONG_PTR ChangeWindowLong(HWND hwnd, int index, LONG_PTR value);
// GetMessage, IsDialogMessage and DispatchMessage for the message loop.
BOOL NextMessage(MSG& msg);
bool DialogMessage(HWND dialog, MSG& msg);
void Dispatch(const MSG& msg);
// SendMessage for a message that carries no text (WM_SETFONT, BM_CLICK, ...).
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void SetWindowTextTo(HWND hwnd, const std::wstring& text);
// A window's text, as WM_GETTEXT gives it.
std::wstring WindowText(HWND hwnd);
// A cursor of the system's (IDC_ARROW, IDC_HAND) and an icon of the program's resources, by number.
HCURSOR SystemCursor(const wchar_t* id);
HICON ResourceIcon(HINSTANCE instance, int id);

// Fonts and text.
HFONT CreateFontFrom(const LOGFONTW& font);
// The description of a font object (GetObject); a zeroed one when it cannot be read.
LOGFONTW LogFontOf(HGDIOBJ font);
// The height of a line of the font selected into `dc` (GetTextMetrics' tmHeight).
LONG LineHeight(HDC dc);
// DrawText of `text` in `box`; with DT_CALCRECT, `box` is where it would go.
int DrawTextIn(HDC dc, std::wstring_view text, RECT& box, UINT format);
// Where each character of `text` ends, from its start, with the font selected into `dc`
// (GetTextExtentExPoint's widths): `ends` holds text.size() values. The whole width in `extent`.
void CharacterEnds(HDC dc, std::wstring_view text, int* ends, SIZE& extent);
// Whether high contrast is on (SystemParametersInfo with SPI_GETHIGHCONTRAST).
bool HighContrastSetting();

// Files. A path without an exact 8-bit name fails on 9x with ERROR_INVALID_NAME.
DWORD FileAttributes(const std::wstring& path);
bool ChangeFileAttributes(const std::wstring& path, DWORD attributes);
// DeleteFile. The wide call is looked up on NT (whether 95, 98 and ME export it could not be
// shown); the exact 8-bit path on 9x.
bool RemoveFile(const std::wstring& path);
// CreateFile of an existing or new file, with FILE_ATTRIBUTE_NORMAL and no security attributes.
HANDLE OpenFileAt(const std::wstring& path, DWORD access, DWORD share, DWORD creation);
// A file opened for appending only (created when missing): each write lands at its end.
HANDLE OpenForAppending(const std::wstring& path);
// The system folder and the Windows folder; empty when they cannot be had.
std::wstring SystemDirectory();
std::wstring WindowsDirectory();
// The path in its short (8.3) form and the ANSI code page, as 9x's restart wants it; the long form
// where the system gives none; none when the path has no exact 8-bit name.
std::optional<std::string> ShortAnsiPath(const std::wstring& path);
// LoadLibraryEx by full path.
HMODULE LoadLibraryFrom(const std::wstring& path, DWORD flags);

// Tool Help: the full path of the first module of a module snapshot (Module32First), with the
// process it belongs to; false with the system's last error when there is none. The wide call is
// looked up on NT: Windows 95, 98 and ME do not export it.
bool FirstModulePath(HANDLE snapshot, DWORD& processId, std::wstring& path);

// QueryFullProcessImageNameW: Windows Vista and later, looked up, so that the loader of older
// Windows starts the program; Windows 9x has no such call and is not asked. Fails with
// ERROR_CALL_NOT_IMPLEMENTED where the system has none.
bool FullProcessImageName(HANDLE process, DWORD flags, std::wstring& path);

// The registry: a value's data as UTF-16 text (a REG_MULTI_SZ with its NULs), as RegQueryValueEx
// reads it; the status as the registry gives it.
LSTATUS QueryTextValue(HKEY key, const std::wstring& name, DWORD& type, std::wstring& data);

// `text` with its %NAME% parts expanded (ExpandEnvironmentStrings); none when it cannot be. Both
// forms are looked up: the 8-bit one on 9x, the wide one on NT.
std::optional<std::wstring> ExpandedEnvironment(const std::wstring& text);
// The session the process `id` runs in (ProcessIdToSessionId, looked up: Windows 2000 and later);
// fails with ERROR_CALL_NOT_IMPLEMENTED where the system has no such call.
bool SessionOfProcess(DWORD id, DWORD& session);

// The machine and the locale.
std::wstring ComputerName();
std::wstring LocaleInfo(LCID locale, LCTYPE type);
// CharUpperBuff. On 9x a character that the ANSI code page lacks stays as it is.
std::wstring UpperCased(const std::wstring& text);

}  // namespace torvexa::win32
