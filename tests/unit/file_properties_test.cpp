#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fileinfo/mclsFileProperties.h"
#include "platform/runtime_error.h"
#include "tests/fakes/fake_file_info.h"

namespace torvexa {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Entries = std::vector<std::pair<std::string, std::string>>;

void PutWord(Bytes& b, std::size_t n) {
    b.push_back(static_cast<std::uint8_t>(n & 0xFF));
    b.push_back(static_cast<std::uint8_t>(n >> 8 & 0xFF));
}
void PadTo4(Bytes& b, std::size_t from = 0) {
    while ((b.size() - from) % 4) b.push_back(0);
}

// A block stored with 8-bit characters: each entry's value starts at the next multiple of 4 after
// its key's zero, counted from the key's first character.
Bytes AnsiBlock(const std::vector<Entries>& tables) {
    Bytes b;
    PutWord(b, 0);
    PutWord(b, 0);
    for (char c : std::string("VS_VERSION_INFO")) b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
    PadTo4(b);
    for (const auto& table : tables) {
        for (const auto& [key, value] : table) {
            PutWord(b, 0);
            PutWord(b, value.size() + 1);
            const std::size_t keyStart = b.size();
            b.insert(b.end(), key.begin(), key.end());
            b.push_back(0);
            PadTo4(b, keyStart);
            b.insert(b.end(), value.begin(), value.end());
            b.push_back(0);
            PadTo4(b);
        }
    }
    return b;
}

void PutUtf16(Bytes& b, const std::string& text) {
    for (char c : text) PutWord(b, static_cast<unsigned char>(c));
    PutWord(b, 0);
}

// A block as every Win32 executable holds it: UTF-16 texts, values at the block's next 4-byte
// boundary; `scratch` bytes follow the block's own length, as the system adds them.
Bytes Utf16Block(const std::vector<Entries>& tables, std::size_t leading = 0,
                 const Bytes& scratch = {}) {
    Bytes b;
    PutWord(b, 0);
    PutWord(b, 0);
    PutWord(b, 1);
    PutUtf16(b, "VS_VERSION_INFO");
    PadTo4(b);
    b.resize(b.size() + leading, 0);
    for (const auto& table : tables) {
        for (const auto& [key, value] : table) {
            PutWord(b, 0);
            PutWord(b, value.size() + 1);
            PutWord(b, 1);
            PutUtf16(b, key);
            PadTo4(b);
            PutUtf16(b, value);
            PadTo4(b);
        }
    }
    b[0] = static_cast<std::uint8_t>(b.size() & 0xFF);
    b[1] = static_cast<std::uint8_t>(b.size() >> 8);
    b.insert(b.end(), scratch.begin(), scratch.end());
    return b;
}

const Entries kAllKeys = {
    {"CompanyName", "Maker"},       {"FileDescription", "Remover"},
    {"FileVersion", "1.00"},        {"InternalName", "Torvexa"},
    {"LegalCopyright", "(c) 2004"}, {"OriginalFilename", "Torvexa.exe"},
    {"ProductName", "Torvexa"},     {"ProductVersion", "1.00.0012"},
};

FileTime At(std::uint64_t ticks) {
    return {static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
}
// 5 March 2004 09:07:03 UTC and 25 December 2003 23:59:30 UTC.
constexpr std::uint64_t kMarch2004 = 127229512230000000ull;
constexpr std::uint64_t kChristmas2003 = 127168703700000000ull;

Win32FindData File(std::uint32_t attributes, std::uint64_t size) {
    Win32FindData d;
    d.dwFileAttributes = attributes;
    d.ftCreationTime = At(kChristmas2003);
    d.ftLastWriteTime = At(kMarch2004);
    d.ftLastAccessTime = At(kChristmas2003);
    d.nFileSizeHigh = static_cast<std::uint32_t>(size >> 32);
    d.nFileSizeLow = static_cast<std::uint32_t>(size);
    return d;
}

std::vector<std::wstring> VersionStrings(const mclsFileProperties& p) {
    return {p.CompanyName(),    p.FileDescription(),  p.FileVersion(), p.InternalName(),
            p.LegalCopyright(), p.OriginalFileName(), p.ProductName(), p.ProductVersion()};
}
const std::vector<std::wstring> kAllValues = {L"Maker",   L"Remover",  L"1.00",
                                              L"Torvexa", L"(c) 2004", L"Torvexa.exe",
                                              L"Torvexa", L"1.00.0012"};

class FileProperties : public ::testing::Test {
  protected:
    // a.exe: archive bit, 77 bytes, every version key, a shell type and icon.
    void ReadFullFile() {
        sys.files[L"a.exe"] = File(kFileAttributeArchive, 77);
        sys.versionBlocks[L"a.exe"] = Utf16Block({kAllKeys});
        sys.shellAnswers[L"a.exe"] = {L"Aplicación", 3};
        props.FindFileInfo(L"a.exe", kTrue);
    }

    fakes::FakeFileInfoSystem sys;
    mclsFileProperties props{sys, sys, sys, sys};
};

TEST_F(FileProperties, ReadsVersionStringsFromBothBlockForms) {
    Bytes bigAnsi(40000, 'x');
    const Bytes tail = AnsiBlock({kAllKeys});
    bigAnsi.insert(bigAnsi.end(), tail.begin(), tail.end());
    bigAnsi.insert(bigAnsi.begin(), tail.begin(), tail.begin() + 24);  // header, not a key

    const struct {
        const char* name;
        Bytes block;
        std::vector<std::wstring> expected;
    } cases[] = {
        {"8-bit, every key", AnsiBlock({kAllKeys}), kAllValues},
        {"UTF-16, every key", Utf16Block({kAllKeys}), kAllValues},
        {"8-bit, first table wins",
         AnsiBlock({{{"CompanyName", "Primera"}}, {{"CompanyName", "Second"}}}),
         {L"Primera", L"", L"", L"", L"", L"", L"", L""}},
        {"UTF-16, first table wins",
         Utf16Block({{{"CompanyName", "Primera"}}, {{"CompanyName", "Second"}}}),
         {L"Primera", L"", L"", L"", L"", L"", L"", L""}},
        {"keys are case-sensitive",
         AnsiBlock({{{"originalfilename", "x.exe"}}}),
         {L"", L"", L"", L"", L"", L"", L"", L""}},
        {"UTF-16 keys are case-sensitive",
         Utf16Block({{{"ORIGINALFILENAME", "x.exe"}}}),
         {L"", L"", L"", L"", L"", L"", L"", L""}},
        {"8-bit block beyond 32,767 bytes", bigAnsi, kAllValues},
        {"UTF-16 block beyond 32,767 bytes", Utf16Block({kAllKeys}, 40000), kAllValues},
        {"the system's scratch area is not searched",
         Utf16Block({}, 0, Utf16Block({{{"CompanyName", "ghost"}}})),
         {L"", L"", L"", L"", L"", L"", L"", L""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeFileInfoSystem s;
        s.files[L"a.exe"] = File(0, 10);
        s.versionBlocks[L"a.exe"] = c.block;
        mclsFileProperties p{s, s, s, s};
        EXPECT_EQ(p.FindFileInfo(L"a.exe", kTrue), 1);
        EXPECT_EQ(VersionStrings(p), c.expected);
    }
}

TEST_F(FileProperties, EmptyValuesAreReadAsEmptyTexts) {
    sys.versionBlocks[L"a"] = AnsiBlock({{{"CompanyName", "Old"}}});
    sys.versionBlocks[L"b"] = AnsiBlock({{{"CompanyName", ""}}});
    sys.versionBlocks[L"c"] = Utf16Block({{{"CompanyName", "Old"}}});
    sys.versionBlocks[L"d"] = Utf16Block({{{"CompanyName", ""}}});
    props.FindFileInfo(L"a", kTrue);
    props.FindFileInfo(L"b", kTrue);
    EXPECT_EQ(props.CompanyName(), L"");
    props.FindFileInfo(L"c", kTrue);
    props.FindFileInfo(L"d", kTrue);
    EXPECT_EQ(props.CompanyName(), L"");
}

TEST_F(FileProperties, AValueWithoutTerminatorFailsAfterTheEarlierSteps) {
    sys.files[L"old.exe"] = File(kFileAttributeHidden, 5);
    sys.versionBlocks[L"old.exe"] = AnsiBlock({kAllKeys});
    sys.shellAnswers[L"old.exe"] = {L"Aplicación", 7};
    props.FindFileInfo(L"old.exe", kTrue);

    for (bool utf16 : {false, true}) {
        SCOPED_TRACE(utf16 ? "UTF-16" : "8-bit");
        Bytes block = utf16 ? Utf16Block({{{"CompanyName", "New"}, {"InternalName", "cut"}}})
                            : AnsiBlock({{{"CompanyName", "New"}, {"InternalName", "cut"}}});
        // Cut the block in the middle of the last value: no zero follows it.
        block.resize(block.size() - (utf16 ? 6 : 3));
        if (utf16) block[0] = static_cast<std::uint8_t>(block.size());
        sys.files[L"new.exe"] = File(kFileAttributeReadOnly, 1000);
        sys.versionBlocks[L"new.exe"] = block;

        try {
            props.FindFileInfo(L"new.exe", kFalse);
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), RuntimeError::kInvalidArgument);
        }
        EXPECT_EQ(props.ReadOnly(), kTrue);
        EXPECT_EQ(props.Hidden(), kFalse);
        EXPECT_EQ(props.FileName(), L"NEW.EXE");
        EXPECT_EQ(props.ByteSize(), L"1,000");
        EXPECT_EQ(props.CompanyName(), L"New");           // found before the failing key
        EXPECT_EQ(props.InternalName(), L"Torvexa");      // the failing key
        EXPECT_EQ(props.ProductVersion(), L"1.00.0012");  // never reached
        EXPECT_EQ(props.FileType(), L"Aplicación");       // no shell query
        EXPECT_EQ(props.IconIndex(), 7);
        props.FindFileInfo(L"old.exe", kTrue);
    }
}

TEST_F(FileProperties, GathersTimesFlagsNameSizeAndShellAnswers) {
    sys.files[L"c:\\docs\\*.txt"] = File(kFileAttributeReadOnly | kFileAttributeArchive, 1234567);
    sys.shellAnswers[L"c:\\docs\\*.txt"] = {L"Text Document", 42};
    EXPECT_EQ(props.FindFileInfo(L"c:\\docs\\*.txt", 1), 1);

    EXPECT_EQ(props.CreationTime(), L"25/12/2003 23:59:30");
    EXPECT_EQ(props.LastWriteTime(), L"5/3/2004 9:7:3");
    EXPECT_EQ(props.LastAccessTime(), L"25/12/2003");
    EXPECT_EQ(props.FileName(), L"C:\\DOCS\\*.TXT");
    EXPECT_EQ(props.ByteSize(), L"1,234,567");
    EXPECT_EQ(props.FileType(), L"Text Document");
    EXPECT_EQ(props.IconIndex(), 42);
    EXPECT_TRUE(sys.openSearches.empty());
    EXPECT_EQ(sys.calls,
              (std::vector<std::wstring>{L"FindFirstFileA(c:\\docs\\*.txt)", L"FindClose",
                                         L"GetFileVersionInfoSizeA(c:\\docs\\*.txt)",
                                         L"SHGetFileInfoA(c:\\docs\\*.txt,0,352)"}));
}

TEST_F(FileProperties, EachAttributeBitSetsItsOwnFlag) {
    const struct {
        std::uint32_t bits;
        std::int16_t (mclsFileProperties::*flag)() const;
    } flags[] = {
        {kFileAttributeReadOnly, &mclsFileProperties::ReadOnly},
        {kFileAttributeHidden, &mclsFileProperties::Hidden},
        {kFileAttributeSystem, &mclsFileProperties::System},
        {kFileAttributeDirectory, &mclsFileProperties::Directory},
        {kFileAttributeArchive, &mclsFileProperties::Archive},
        {kFileAttributeNormal, &mclsFileProperties::Normal},
        {kFileAttributeTemporary, &mclsFileProperties::Temporary},
        {kFileAttributeCompressed, &mclsFileProperties::Compress},
    };
    std::uint32_t all = 0x40;  // a bit none of the flags reads
    for (const auto& f : flags) all |= f.bits;
    for (const auto& f : flags) {
        sys.files[L"f"] = File(f.bits, 1);
        props.FindFileInfo(L"f", kTrue);
        for (const auto& g : flags) {
            EXPECT_EQ((props.*g.flag)(), g.bits == f.bits ? kTrue : kFalse) << std::hex << f.bits;
        }
        sys.files[L"f"] = File(all, 1);
        props.FindFileInfo(L"f", kTrue);
        EXPECT_EQ((props.*f.flag)(), kTrue);
    }
}

TEST_F(FileProperties, SizeTextGroupsEveryDigitWithTheUsersSeparator) {
    const struct {
        std::uint64_t size;
        const wchar_t* comma;
        const wchar_t* fullStop;
        std::int32_t asNumber;
    } sizes[] = {
        {0, L"", L"", 0},
        {999, L"999", L"999", 999},
        {1000, L"1,000", L"1.000", 1000},
        {1234567, L"1,234,567", L"1.234.567", 1234567},
        {1500000000, L"1,500,000,000", L"1.500.000.000", 1500000000},
        {2147483648ull, L"2,147,483,648", L"2.147.483.648", 2147483647},
        {4294967296ull, L"4,294,967,296", L"4.294.967.296", 2147483647},
    };
    for (const auto& s : sizes) {
        sys.files[L"f"] = File(0, s.size);
        sys.separator = L",";
        props.FindFileInfoView(L"f", kTrue);
        EXPECT_EQ(props.ByteSize(), s.comma);
        sys.separator = L".";
        props.FindFileInfo(L"f", kTrue);
        EXPECT_EQ(props.ByteSize(), s.fullStop);
        EXPECT_EQ(props.FindFileSize(L"f"), s.asNumber);
    }
}

TEST_F(FileProperties, NothingMatchingGivesTheZeroRecord) {
    ReadFullFile();
    EXPECT_EQ(props.FindFileInfo(L"missing.exe", kTrue), 1);
    EXPECT_EQ(props.CreationTime(), L"1/1/1601 0:0:0");
    EXPECT_EQ(props.LastWriteTime(), L"1/1/1601 0:0:0");
    EXPECT_EQ(props.LastAccessTime(), L"1/1/1601");
    EXPECT_EQ(props.Archive(), kFalse);
    EXPECT_EQ(props.ByteSize(), L"");
    EXPECT_EQ(props.FileType(), L"");
    EXPECT_EQ(props.IconIndex(), 0);
    EXPECT_EQ(props.FileName(), L"MISSING.EXE");
    EXPECT_EQ(VersionStrings(props), kAllValues);  // kept from a.exe
    EXPECT_EQ(props.FindFileSize(L"missing.exe"), 0);
    EXPECT_EQ(props.FindFileSize(L""), 0);
}

TEST_F(FileProperties, AnEmptyPathChangesNothingAndCallsNothing) {
    ReadFullFile();
    sys.calls.clear();
    EXPECT_EQ(props.FindFileInfo(L"", kTrue), 0);
    EXPECT_EQ(props.FindFileInfoView(L"", kTrue), 0);
    EXPECT_TRUE(sys.calls.empty());
    EXPECT_EQ(props.FileName(), L"A.EXE");
    EXPECT_EQ(props.ByteSize(), L"77");
    EXPECT_EQ(props.Archive(), kTrue);
    EXPECT_EQ(props.IconIndex(), 3);
    EXPECT_EQ(VersionStrings(props), kAllValues);
}

TEST_F(FileProperties, TheViewChangesExactlyItsSixProperties) {
    sys.files[L"a.exe"] = File(kFileAttributeArchive | kFileAttributeReadOnly, 77);
    sys.versionBlocks[L"a.exe"] = AnsiBlock({kAllKeys});
    sys.shellAnswers[L"a.exe"] = {L"Aplicación", 3};
    sys.files[L"b.txt"] = File(kFileAttributeHidden, 1000);
    sys.files[L"b.txt"].ftLastWriteTime = At(kChristmas2003);
    sys.versionBlocks[L"b.txt"] = AnsiBlock({{{"CompanyName", "Other"}}});
    sys.shellAnswers[L"b.txt"] = {L"Documento de texto", 9};

    props.FindFileInfoView(L"a.exe", kTrue);
    EXPECT_EQ(props.FileName(), L"");  // a new instance's values stay
    EXPECT_EQ(props.Archive(), kFalse);
    EXPECT_EQ(VersionStrings(props), std::vector<std::wstring>(8));

    props.FindFileInfo(L"a.exe", kTrue);
    sys.calls.clear();
    EXPECT_EQ(props.FindFileInfoView(L"b.txt", kFalse), 1);
    EXPECT_EQ(props.LastWriteTime(), L"25/12/2003 23:59:30");
    EXPECT_EQ(props.ByteSize(), L"1,000");
    EXPECT_EQ(props.FileType(), L"Documento de texto");
    EXPECT_EQ(props.IconIndex(), 9);
    EXPECT_EQ(props.FileName(), L"A.EXE");
    EXPECT_EQ(props.Archive(), kTrue);
    EXPECT_EQ(props.ReadOnly(), kTrue);
    EXPECT_EQ(props.Hidden(), kFalse);
    EXPECT_EQ(VersionStrings(props), kAllValues);
    EXPECT_EQ(sys.calls, (std::vector<std::wstring>{L"FindFirstFileA(b.txt)", L"FindClose",
                                                    L"SHGetFileInfoA(b.txt,0,352)"}));
}

TEST_F(FileProperties, LargeIconChoiceSelectsTheShellFlags) {
    for (std::int16_t large : {kTrue, std::int16_t{1}, std::int16_t{2}}) {
        props.FindFileInfo(L"x", large);
        props.FindFileInfoView(L"x", large);
    }
    props.FindFileInfo(L"x", kFalse);
    props.FindFileInfoView(L"x", kFalse);
    EXPECT_EQ(sys.shellFlags, (std::vector<std::uint32_t>{0x4400, 0x4400, 0x4400, 0x4400, 0x4400,
                                                          0x4400, 0x4401, 0x4401}));
}

TEST_F(FileProperties, UnreadableVersionBlockKeepsTheStringsAndStillAsksTheShell) {
    ReadFullFile();
    sys.versionReadFails = true;
    sys.versionBlocks[L"b.exe"] = AnsiBlock({{{"CompanyName", "Other"}}});
    sys.shellAnswers[L"b.exe"] = {L"Aplicación", 4};
    props.FindFileInfo(L"b.exe", kTrue);
    EXPECT_EQ(VersionStrings(props), kAllValues);
    EXPECT_EQ(props.IconIndex(), 4);
}

}  // namespace
}  // namespace torvexa
