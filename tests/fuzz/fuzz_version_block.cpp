// The version-string search of mclsFileProperties::FindFileInfo over arbitrary version blocks, in
// the 8-bit and the UTF-16 form and at sizes around 32,767 and 65,535 bytes, with the scripted
// version store answering the block.
//
// Input: one byte of choices, one byte that moves the size, one filler byte, then the block.
// Choices: bit 0 puts a valid UTF-16 "VS_VERSION_INFO" header in front; bit 1 then writes the
// block's real length into its first word (otherwise the next two input bytes are that word);
// with bit 5 set, bits 2-4 pick a size (32,767 / 32,768 / 65,535 / 65,536 / 32,766 / 65,534 /
// 98,304 / 131,072 bytes, moved by -8..+7), reached by filling between the header and the rest of
// the input. Large blocks run slowly, so only half the inputs ask for one.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fileinfo/mclsFileProperties.h"
#include "platform/runtime_error.h"
#include "tests/fakes/fake_file_info.h"
#include "tests/fuzz/fuzz_input.h"

namespace torvexa {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::size_t, 8> kSizes = {32767, 32768, 65535, 65536,
                                               32766, 65534, 98304, 131072};

void PutWord(Bytes& b, std::size_t n) {
    b.push_back(static_cast<std::uint8_t>(n & 0xFF));
    b.push_back(static_cast<std::uint8_t>(n >> 8 & 0xFF));
}

Bytes Utf16Header() {
    Bytes b;
    PutWord(b, 0);
    PutWord(b, 0x34);
    PutWord(b, 0);
    for (char c : std::string("VS_VERSION_INFO")) PutWord(b, static_cast<unsigned char>(c));
    PutWord(b, 0);
    PutWord(b, 0);  // padding to the next 4-byte boundary
    return b;
}

// Whether `value` and its terminating zero stand in the block, in the block's form.
bool StoredIn(const Bytes& block, const std::wstring& value, bool utf16) {
    Bytes encoded;
    for (wchar_t c : value) {
        if (utf16) {
            PutWord(encoded, static_cast<std::uint16_t>(c));
        } else {
            if (c > 0xFF) return false;
            encoded.push_back(static_cast<std::uint8_t>(c));
        }
    }
    encoded.resize(encoded.size() + (utf16 ? 2 : 1), 0);
    return std::search(block.begin(), block.end(), encoded.begin(), encoded.end()) != block.end();
}

}  // namespace

int fuzz::FuzzOne(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const std::uint8_t choices = in.Byte();
    const int move = (in.Byte() & 0x0F) - 8;
    const std::uint8_t filler = in.Byte();

    Bytes block;
    std::uint16_t givenLength = 0;
    if (choices & 1) {
        block = Utf16Header();
        if (!(choices & 2)) givenLength = static_cast<std::uint16_t>(in.Byte() | in.Byte() << 8);
    }
    const Bytes rest = in.Rest();
    if (choices & 0x20) {
        const auto target = static_cast<std::size_t>(
            static_cast<std::ptrdiff_t>(kSizes[(choices >> 2) & 7]) + move);
        const std::size_t have = block.size() + rest.size();
        if (target > have) block.resize(block.size() + (target - have), filler);
    }
    block.insert(block.end(), rest.begin(), rest.end());
    if (choices & 1) {
        const std::size_t length =
            (choices & 2) ? std::min<std::size_t>(block.size(), 0xFFFF) : givenLength;
        block[0] = static_cast<std::uint8_t>(length & 0xFF);
        block[1] = static_cast<std::uint8_t>(length >> 8);
    }
    const Bytes header = Utf16Header();
    const bool utf16 = block.size() >= header.size() - 4 &&
                       std::equal(header.begin() + 6, header.end() - 4, block.begin() + 6);

    fakes::FakeFileInfoSystem sys;
    sys.files[L"C:\\x.exe"] = Win32FindData{};
    if (!block.empty()) sys.versionBlocks[L"C:\\x.exe"] = block;
    mclsFileProperties props(sys, sys, sys, sys);
    try {
        fuzz::Check(props.FindFileInfo(L"C:\\x.exe", kFalse) == 1, "a gathered file gives 1");
    } catch (const RuntimeError& e) {
        fuzz::Check(e.number() == RuntimeError::kInvalidArgument, "only a value without its zero");
    }
    for (const std::wstring* value :
         {&props.CompanyName(), &props.FileDescription(), &props.FileVersion(),
          &props.InternalName(), &props.LegalCopyright(), &props.OriginalFileName(),
          &props.ProductName(), &props.ProductVersion()}) {
        fuzz::Check(value->find(L'\0') == std::wstring::npos, "a value ends at its zero");
        fuzz::Check(value->empty() || StoredIn(block, *value, utf16),
                    "a value is read from the block, in its form");
    }
    return 0;
}

}  // namespace torvexa
