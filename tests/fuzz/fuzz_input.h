// Turns a fuzzer's bytes into the program's inputs. Texts are separated by the byte 0xFF (never
// part of UTF-8) and read as UTF-8, so that seeds stay readable and every 16-bit character, NUL
// included, can be reached; a byte that does not start a valid sequence stands for itself, and a
// character beyond the first plane becomes its surrogate pair, as a Windows wide string holds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace torvexa::fuzz {

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : at_(data), end_(data + size) {}

    bool Empty() const { return at_ == end_; }

    // 0 once the input is used up.
    std::uint8_t Byte() { return at_ == end_ ? 0 : *at_++; }

    // Little-endian, missing bytes read as 0.
    std::uint32_t Word32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t{Byte()} << (8 * i);
        return v;
    }

    // The text up to the next 0xFF byte (which is consumed) or to the end of the input.
    std::wstring Text() {
        std::wstring text;
        while (at_ != end_ && *at_ != 0xFF) AppendCharacter(text);
        if (at_ != end_) ++at_;
        return text;
    }

    std::vector<std::uint8_t> Rest() {
        std::vector<std::uint8_t> rest(at_, end_);
        at_ = end_;
        return rest;
    }

  private:
    void AppendCharacter(std::wstring& text) {
        const std::uint8_t lead = *at_;
        const int follow = lead >= 0xF0 && lead <= 0xF4  ? 3
                           : lead >= 0xE0                ? 2
                           : lead >= 0xC2 && lead < 0xE0 ? 1
                                                         : 0;
        if (follow == 0 || end_ - at_ <= follow) {
            text += static_cast<wchar_t>(lead);
            ++at_;
            return;
        }
        std::uint32_t code = lead & (0x3F >> follow);
        for (int i = 1; i <= follow; ++i) {
            if ((at_[i] & 0xC0) != 0x80) {
                text += static_cast<wchar_t>(lead);
                ++at_;
                return;
            }
            code = code << 6 | (at_[i] & 0x3F);
        }
        if (code > 0x10FFFF) {
            text += static_cast<wchar_t>(lead);
            ++at_;
            return;
        }
        at_ += follow + 1;
        if (code > 0xFFFF) {
            code -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (code >> 10));
            text += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            text += static_cast<wchar_t>(code);
        }
    }

    const std::uint8_t* at_;
    const std::uint8_t* end_;
};

// A broken expectation about the program's results: reported, then the fuzzer stops on it like
// on a crash and keeps the input.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}

// One input of a target: what each target checks, defined once per target. libFuzzer's entry
// point (fuzz_entry.cpp, linked into every target) hands it each input.
int FuzzOne(const std::uint8_t* data, std::size_t size);

}  // namespace torvexa::fuzz
