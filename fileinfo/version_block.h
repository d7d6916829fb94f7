// A file's version block as GetFileVersionInfoA hands it over, and the lookup of its strings by
// key text. The lookup does not walk the block's structure: the first occurrence of a key
// anywhere in the block wins, whichever string table it lies in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/locale.h"

namespace torvexa {

class VersionBlock {
  public:
    explicit VersionBlock(std::vector<std::uint8_t> bytes);

    // Blocks of 32-bit and 64-bit executables hold their keys and values in UTF-16; older ones
    // in 8-bit characters.
    bool IsUtf16() const { return utf16_; }

    // The value stored after `key` (exact, case-sensitive), or nothing when the key is not in the
    // block. Throws RuntimeError (invalid argument) when the value has no terminating zero within
    // the block. 8-bit values are read in the system's ANSI code page.
    std::optional<std::wstring> Find(std::string_view key, LocaleApi& locale) const;

  private:
    std::optional<std::wstring> FindAnsi(std::string_view key, LocaleApi& locale) const;
    std::optional<std::wstring> FindUtf16(std::string_view key) const;

    std::vector<std::uint8_t> bytes_;
    bool utf16_ = false;
};

}  // namespace torvexa
