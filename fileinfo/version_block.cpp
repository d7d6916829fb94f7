#include "fileinfo/version_block.h"

#include <algorithm>

#include "platform/runtime_error.h"

namespace torvexa {
namespace {

// A UTF-16 block starts with three 16-bit words (lengths and type) and then this key.
constexpr std::string_view kRootKey = "VS_VERSION_INFO";
constexpr std::size_t kUtf16RootKeyOffset = 6;

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::size_t AlignTo4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

bool Utf16KeyAt(const std::vector<std::uint8_t>& bytes, std::size_t at, std::string_view key) {
    if (at + 2 * key.size() > bytes.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (Word(bytes, at + 2 * i) != static_cast<unsigned char>(key[i])) return false;
    }
    return true;
}

[[noreturn]] void NoTerminator() {
    throw RuntimeError(RuntimeError::kInvalidArgument, L"Invalid procedure call or argument");
}

}  // namespace

VersionBlock::VersionBlock(std::vector<std::uint8_t> bytes)
    : bytes_(std::move(bytes)), utf16_(Utf16KeyAt(bytes_, kUtf16RootKeyOffset, kRootKey)) {}

std::optional<std::wstring> VersionBlock::Find(std::string_view key, LocaleApi& locale) const {
    return utf16_ ? FindUtf16(key) : FindAnsi(key, locale);
}

// 8-bit entries: the key, its zero, zero bytes up to a multiple of 4 counted from the key's
// first character, then the value up to its zero. The whole buffer is searched.
std::optional<std::wstring> VersionBlock::FindAnsi(std::string_view key, LocaleApi& locale) const {
    const auto found = std::search(bytes_.begin(), bytes_.end(), key.begin(), key.end());
    if (found == bytes_.end()) return std::nullopt;
    const std::size_t start =
        static_cast<std::size_t>(found - bytes_.begin()) + AlignTo4(key.size() + 1);
    if (start >= bytes_.size()) NoTerminator();
    const auto end = std::find(bytes_.begin() + static_cast<std::ptrdiff_t>(start), bytes_.end(),
                               std::uint8_t{0});
    if (end == bytes_.end()) NoTerminator();
    return locale.FromAnsiCodePage(
        std::string(bytes_.begin() + static_cast<std::ptrdiff_t>(start), end));
}

// UTF-16 entries: the key and its 16-bit zero, padding to the block's next 4-byte boundary, then
// the value up to its 16-bit zero. Only the block's own length (its first word) is searched: the
// system may add a scratch area after it.
std::optional<std::wstring> VersionBlock::FindUtf16(std::string_view key) const {
    const std::size_t limit =
        std::min<std::size_t>(Word(bytes_, 0), bytes_.size()) & ~std::size_t{1};
    for (std::size_t at = 0; at + 2 * key.size() <= limit; at += 2) {
        if (!Utf16KeyAt(bytes_, at, key)) continue;
        std::wstring value;
        for (std::size_t i = AlignTo4(at + 2 * (key.size() + 1)); i + 2 <= limit; i += 2) {
            const std::uint16_t unit = Word(bytes_, i);
            if (unit == 0) return value;
            value += static_cast<wchar_t>(unit);
        }
        NoTerminator();
    }
    return std::nullopt;
}

}  // namespace torvexa
