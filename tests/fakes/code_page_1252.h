// Windows-1252, the ANSI code page of Spanish, Latin American and English Windows, as Windows
// defines it: bytes 0x80 to 0x9F hold the euro, the typographic quotes and dashes and a few letters
// (five of them are undefined); every other byte is the Latin-1 character of its value.
#pragma once

#include <array>
#include <optional>

namespace torvexa::fakes {

inline constexpr char32_t kUndefined1252 = 0;
inline constexpr std::array<char32_t, 32> k1252From80 = {
    0x20AC,         kUndefined1252, 0x201A, 0x0192, 0x201E, 0x2026,         0x2020, 0x2021,
    0x02C6,         0x2030,         0x0160, 0x2039, 0x0152, kUndefined1252, 0x017D, kUndefined1252,
    kUndefined1252, 0x2018,         0x2019, 0x201C, 0x201D, 0x2022,         0x2013, 0x2014,
    0x02DC,         0x2122,         0x0161, 0x203A, 0x0153, kUndefined1252, 0x017E, 0x0178};

// The character of a byte; none for the five bytes the code page leaves undefined.
inline std::optional<wchar_t> From1252(unsigned char byte) {
    if (byte < 0x80 || byte > 0x9F) return static_cast<wchar_t>(byte);
    const char32_t c = k1252From80[byte - 0x80];
    if (c == kUndefined1252) return std::nullopt;
    return static_cast<wchar_t>(c);
}

// The byte of a character; none for a character the code page lacks.
inline std::optional<unsigned char> To1252(wchar_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (unsigned byte = 0x80; byte <= 0x9F; ++byte) {
        if (k1252From80[byte - 0x80] != kUndefined1252 &&
            static_cast<wchar_t>(k1252From80[byte - 0x80]) == c) {
            return static_cast<unsigned char>(byte);
        }
    }
    return std::nullopt;
}

}  // namespace torvexa::fakes
