// The text seam's calls that only the file-properties class makes. They stand apart from
// text_api.cpp so that Torvexa.exe, whose window does not use that class, links none of them and
// imports none of their functions (an object taken from the library brings in every import it
// names, whatever the linker then drops).
#include <optional>
#include <string>

#include "platform/win32/ansi.h"
#include "platform/win32/text_api.h"

namespace torvexa::win32 {

std::wstring LocaleInfo(LCID locale, LCTYPE type) {
    // The sizes count the closing NUL.
    if (OnWindows9x()) {
        std::string info(static_cast<std::size_t>(::GetLocaleInfoA(locale, type, nullptr, 0)),
                         '\0');
        if (info.empty()) return {};
        const int n = ::GetLocaleInfoA(locale, type, info.data(), static_cast<int>(info.size()));
        return n > 0 ? FromAnsi(info.data(), static_cast<std::size_t>(n) - 1) : std::wstring();
    }
    std::wstring info(static_cast<std::size_t>(::GetLocaleInfoW(locale, type, nullptr, 0)), L'\0');
    if (info.empty()) return {};
    const int n = ::GetLocaleInfoW(locale, type, info.data(), static_cast<int>(info.size()));
    info.resize(n > 0 ? static_cast<std::size_t>(n) - 1 : 0);
    return info;
}

std::wstring UpperCased(const std::wstring& text) {
    std::wstring upper = text;
    if (upper.empty()) return upper;
    if (!OnWindows9x()) {
        ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        return upper;
    }
    // Character by character, so that one the code page lacks stays itself instead of "?".
    for (wchar_t& c : upper) {
        const std::optional<std::string> exact = ToAnsiExact(std::wstring(1, c));
        if (!exact) continue;
        std::string ansi = *exact;
        ::CharUpperBuffA(ansi.data(), static_cast<DWORD>(ansi.size()));
        const std::wstring back = FromAnsi(ansi);
        if (back.size() == 1) c = back[0];
    }
    return upper;
}

}  // namespace torvexa::win32
