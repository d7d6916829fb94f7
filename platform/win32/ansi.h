// Conversions between the program's Unicode texts and the system's ANSI code page, for the 8-bit
// (A) system calls. This is the only place where the program's texts change encoding.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/exact_code_page.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

inline std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

// The path in the ANSI code page only when every character has an exact form there. The default
// conversion writes "?" (or a look-alike) for the others, and "?" is a wildcard to the file
// system's searches: a path that cannot be named in 8 bits must not silently name another file.
// Decided by the round trip, with no flag (platform/exact_code_page.h says why).
inline std::optional<std::string> ToAnsiExact(const std::wstring& text) {
    return ExactInCodePage(
        text,
        [](std::uint32_t flags, const wchar_t* wide, int length, char* bytes, int size) {
            return WideCharToMultiByte(CP_ACP, flags, wide, length, bytes, size, nullptr, nullptr);
        },
        [](std::uint32_t flags, const char* bytes, int length, wchar_t* wide, int size) {
            return MultiByteToWideChar(CP_ACP, flags, bytes, length, wide, size);
        });
}

inline std::wstring FromAnsi(const char* bytes, std::size_t length) {
    if (length == 0) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), out.data(), n);
    return out;
}

inline std::wstring FromAnsi(const std::string& text) {
    return FromAnsi(text.data(), text.size());
}

}  // namespace torvexa::win32
