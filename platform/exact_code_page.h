// Whether a text has an exact form in an 8-bit code page, and that form. The conversion is made
// with no flag and then converted back: only a text that comes back the same is exact. A flag is
// part of a function's contract on each Windows: WC_NO_BEST_FIT_CHARS is documented for 2000 and
// later only, nothing says how 95, 98 and ME take it, and NT 4.0 refuses a later flag of the same
// family with ERROR_INVALID_FLAGS. Were it refused, every path would be. The round trip catches
// both the default character ("?") and a best-fit look-alike ("l" for "ł"), on every Windows.
//
// Portable: the two conversions are given, so the rule is tested on the host against a model of
// a code page, and platform/win32/ansi.h gives it the system's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace torvexa {

// `narrow(flags, text, length, bytes, size)` and `widen(flags, bytes, length, text, size)` are
// WideCharToMultiByte and MultiByteToWideChar in the code page: the count written, or the count
// needed when `size` is 0; 0 on failure.
template <typename Narrow, typename Widen>
std::optional<std::string> ExactInCodePage(const std::wstring& text, Narrow narrow, Widen widen) {
    if (text.empty()) return std::string();
    constexpr std::uint32_t kNoFlags = 0;
    const int length = static_cast<int>(text.size());
    const int n = narrow(kNoFlags, text.data(), length, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(n), '\0');
    if (narrow(kNoFlags, text.data(), length, bytes.data(), n) != n) return std::nullopt;
    if (widen(kNoFlags, bytes.data(), n, nullptr, 0) != length) return std::nullopt;
    std::wstring back(text.size(), L'\0');
    if (widen(kNoFlags, bytes.data(), n, back.data(), length) != length) return std::nullopt;
    if (back != text) return std::nullopt;
    return bytes;
}

}  // namespace torvexa
