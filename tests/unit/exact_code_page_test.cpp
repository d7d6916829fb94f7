// A path's exact 8-bit form on a Windows that refuses WideCharToMultiByte's WC_NO_BEST_FIT_CHARS
// with ERROR_INVALID_FLAGS (nothing says 95, 98 and ME take it): the worm's paths are still named
// exactly, so the check and the removal work there, and a path outside the code page is refused
// rather than turned into another.
#include "platform/exact_code_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/prin_form.h"
#include "app/worm.h"
#include "tests/fakes/code_page_1252.h"
#include "tests/unit/prin_machine.h"

namespace torvexa {
namespace {

constexpr std::uint32_t kErrorInvalidFlags = 1004;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorInvalidName = 123;

// The conversions of a Windows 98 in code page 1252 that refuses every flag. Without a flag,
// WideCharToMultiByte writes a character the code page lacks as a look-alike where it knows one
// (best fit) and as "?" otherwise.
struct Windows98 {
    std::uint32_t lastError = 0;

    static char Narrowed(wchar_t c) {
        if (const auto byte = fakes::To1252(c)) return static_cast<char>(*byte);
        switch (c) {
            case L'\u0141':
                return 'L';  // Ł
            case L'\u0142':
                return 'l';  // ł
            case L'\u03A9':
                return 'O';  // Ω
            case L'\uFF2D':
                return 'M';  // fullwidth M
            default:
                return '?';
        }
    }
    template <typename From, typename To, typename Each>
    int Convert(std::uint32_t flags, const From* text, int length, To* out, int size,
                Each convert) {
        if (flags != 0) return Fail(kErrorInvalidFlags);
        std::basic_string<To> converted;
        for (int i = 0; i < length; ++i) converted += convert(text[i]);
        const int n = static_cast<int>(converted.size());
        if (size == 0) return n;
        if (size < n) return Fail(kErrorInsufficientBuffer);
        std::copy(converted.begin(), converted.end(), out);
        return n;
    }
    int WideCharToMultiByte(std::uint32_t flags, const wchar_t* text, int length, char* bytes,
                            int size) {
        return Convert(flags, text, length, bytes, size, Narrowed);
    }
    int MultiByteToWideChar(std::uint32_t flags, const char* bytes, int length, wchar_t* text,
                            int size) {
        // Windows gives the five undefined bytes the control character of their value.
        return Convert(flags, bytes, length, text, size, [](char byte) {
            const auto b = static_cast<unsigned char>(byte);
            return fakes::From1252(b).value_or(static_cast<wchar_t>(b));
        });
    }
    std::optional<std::string> Exact(const std::wstring& text) {
        return ExactInCodePage(
            text, [this](auto... a) { return WideCharToMultiByte(a...); },
            [this](auto... a) { return MultiByteToWideChar(a...); });
    }

  private:
    int Fail(std::uint32_t error) {
        lastError = error;
        return 0;
    }
};

TEST(ExactCodePage, WithoutTheFlagTheWormsPathsAndEveryCharacterOf1252AreExact) {
    Windows98 system;
    for (const wchar_t* path : worm::kFiles) {
        const std::wstring wide = path;
        EXPECT_EQ(system.Exact(wide), std::string(wide.begin(), wide.end()));
    }
    EXPECT_EQ(system.Exact(L"C:\\WINDOWS\\SYSTEM32\\moniker.exe"),
              "C:\\WINDOWS\\SYSTEM32\\moniker.exe");
    EXPECT_EQ(system.Exact(L""), "");
    // Every character of the code page, the typographic ones included, comes back itself.
    EXPECT_EQ(system.Exact(L"C:\\Mis documentos\\\u00BFEspa\u00F1a\u2019s \u20AC\u201C.txt"),
              "C:\\Mis documentos\\\xBF"
              "Espa\xF1"
              "a\x92s \x80\x93.txt");
    EXPECT_EQ(system.lastError, 0u);
}

TEST(ExactCodePage, APathOutsideTheCodePageIsRefusedNotTurnedIntoAnother) {
    Windows98 system;
    for (const std::wstring path : {
             L"C:\\windows\\system32\\\u0142.exe",          // best fit: "l.exe"
             L"C:\\windows\\system32\\\uFF2DONIKER.exe",    // best fit: the worm's own file
             L"C:\\\u041F\u0430\u043F\u043A\u0430\\a.txt",  // Cyrillic: "?????"
             L"C:\\\u6F22\u5B57\\a.txt",                    // CJK
             L"\u03A9",
         }) {
        EXPECT_EQ(system.Exact(path), std::nullopt) << path.size();
    }
    // A conversion that fails refuses too: it is never taken for an empty name.
    EXPECT_EQ(ExactInCodePage(
                  L"C:\\a", [](auto...) { return 0; }, [](auto...) { return 0; }),
              std::nullopt);
}

// A double-byte code page (932, Japanese): two characters of two bytes each, ASCII in one, "?"
// for the rest. Its exact form has more bytes than the text has characters.
TEST(ExactCodePage, InADoubleByteCodePageAPathIsJudgedByItsCharactersNotItsBytes) {
    const std::wstring kanji = L"\u6F22\u5B57";
    const std::string pairs = "\x8A\xBF\x8E\x9A";
    auto narrow = [&](std::uint32_t, const wchar_t* text, int length, char* bytes, int size) {
        std::string out;
        for (int i = 0; i < length; ++i) {
            const std::size_t k = kanji.find(text[i]);
            out += k != std::wstring::npos ? pairs.substr(2 * k, 2)
                                           : std::string(1, text[i] < 0x80 ? char(text[i]) : '?');
        }
        if (size != 0) std::copy_n(out.begin(), std::min<int>(size, int(out.size())), bytes);
        return int(out.size());
    };
    auto widen = [&](std::uint32_t, const char* bytes, int length, wchar_t* text, int size) {
        std::wstring out;
        for (int i = 0; i < length; ++i) {
            const std::size_t k = pairs.find(std::string(bytes + i, std::min(2, length - i)));
            out += k != std::string::npos && k % 2 == 0 ? kanji[k / 2] : wchar_t(bytes[i]);
            i += k != std::string::npos && k % 2 == 0;
        }
        if (size != 0) std::copy_n(out.begin(), std::min<int>(size, int(out.size())), text);
        return int(out.size());
    };
    EXPECT_EQ(ExactInCodePage(L"C:\\" + kanji + L"\\a.txt", narrow, widen),
              "C:\\" + pairs + "\\a.txt");
    EXPECT_EQ(ExactInCodePage(L"C:\\" + kanji + L"\u00F1.txt", narrow, widen), std::nullopt);
}

// The 9x file calls as text_api makes them: the 8-bit path, or ERROR_INVALID_NAME without one.
struct AnsiFiles : fakes::FakeFileSystem {
    Windows98 system;
    std::vector<std::string> named;  // the 8-bit paths the calls were made with
    bool refused = false;

    bool Named(const std::wstring& path) {
        const std::optional<std::string> ansi = system.Exact(path);
        refused = !ansi;
        if (ansi) named.push_back(*ansi);
        return ansi.has_value();
    }
    bool DeleteFile(const std::wstring& path) override {
        return Named(path) && FakeFileSystem::DeleteFile(path);
    }
    Presence FileExists(const std::wstring& path) override {
        return Named(path) ? FakeFileSystem::FileExists(path) : Presence::Unknown;
    }
    std::uint32_t GetFileAttributesW(const std::wstring& path) override {
        return Named(path) ? FakeFileSystem::GetFileAttributesW(path) : kInvalidFileAttributes;
    }
    bool SetFileAttributesW(const std::wstring& path, std::uint32_t value) override {
        return Named(path) && FakeFileSystem::SetFileAttributesW(path, value);
    }
    std::uint32_t GetLastError() override {
        return refused ? kErrorInvalidName : FakeFileSystem::GetLastError();
    }
};

TEST(ExactCodePage, OnA98ThatRefusesTheFlagEveryWormFileIsExaminedAndDeleted) {
    fakes::MachineWith<mdlProcess, AnsiFiles> m(true);
    m.Infect();
    m.files.attributes[fakes::kHkt1] = 0x1 | 0x2 | 0x4;  // read-only, hidden, system
    m.form.Form_Load();
    EXPECT_EQ(m.Status(), prin_texts::kInfected);

    m.form.Click(ControlId::Command1);
    EXPECT_EQ(m.Status(), prin_texts::kDisinfected);
    for (const wchar_t* path : worm::kFiles) {
        EXPECT_FALSE(m.files.files.contains(path)) << path;
        const std::wstring wide = path;
        EXPECT_TRUE(std::count(m.files.named.begin(), m.files.named.end(),
                               std::string(wide.begin(), wide.end())) > 0);
    }
    EXPECT_TRUE(m.files.files.contains(L"C:\\keep.txt"));
    EXPECT_FALSE(m.files.refused);
}

}  // namespace
}  // namespace torvexa
