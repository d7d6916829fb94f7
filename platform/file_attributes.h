// The file attribute bits the program reads and sets (FILE_ATTRIBUTE_*), and the value that
// says they could not be read (INVALID_FILE_ATTRIBUTES).
#pragma once

#include <cstdint>

namespace torvexa {

inline constexpr std::uint32_t kFileAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kFileAttributeHidden = 0x2;
inline constexpr std::uint32_t kFileAttributeSystem = 0x4;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kFileAttributeTemporary = 0x100;
inline constexpr std::uint32_t kFileAttributeCompressed = 0x800;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

}  // namespace torvexa
