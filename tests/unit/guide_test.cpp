// The guide that ships beside Torvexa.exe (resources/LEEME.txt, which the release command copies
// unchanged): it must open right in Notepad on every Windows the program runs on (Windows-1252,
// CR LF, no byte-order mark), and what it quotes of the window must be what the window shows. Its
// convention: «…» holds one whole text of the window, exactly as the program shows it; "…" holds a
// word of Windows' own (a button of its prompts and boxes). Nothing else in it is a quote.
#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/prin_form.h"
#include "platform/message_box.h"
#include "tests/fakes/code_page_1252.h"

namespace torvexa {
namespace {

using namespace prin_texts;

// Every status the window can show and every box heading and item it can open with: the guide
// says what each means and what to do next.
const wchar_t* const kExplained[] = {kInfected,
                                     kClean,
                                     kDisinfected,
                                     kNotChecked,
                                     kNotCheckedRunKey,
                                     kNotCheckedEither,
                                     kNotRemoved,
                                     kAlmostDone,
                                     kPendingIntro,
                                     kLeftIntro,
                                     kQuestionFirst,
                                     kQuestionSecond,
                                     kMsnClosed,
                                     kMsnNotClosed,
                                     kProcessesUnchecked,
                                     kRunKeyUnchecked,
                                     kPendingProgramsIntro};

// The words of Windows' own prompts and boxes that the guide tells the user to answer.
const std::set<std::wstring> kWindowsWords = {L"S\u00ED", L"No", L"Aceptar", L"Permitir",
                                              L"Continuar"};

constexpr std::size_t kMaxLine = 78;

std::string GuideBytes() {
    std::ifstream in(TORVEXA_GUIDE, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << TORVEXA_GUIDE;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The guide's bytes as Windows-1252; none when a byte is one the code page leaves undefined.
std::optional<std::wstring> Text1252(const std::string& bytes) {
    std::wstring text;
    for (const char byte : bytes) {
        const std::optional<wchar_t> c = fakes::From1252(static_cast<unsigned char>(byte));
        if (!c) return std::nullopt;
        text.push_back(*c);
    }
    return text;
}

// The guide's lines, split at "\r\n".
std::vector<std::wstring> GuideLines() {
    const std::optional<std::wstring> text = Text1252(GuideBytes());
    if (!text) return {};
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start < text->size();) {
        std::size_t end = text->find(L"\r\n", start);
        if (end == std::wstring::npos) end = text->size();
        lines.push_back(text->substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

struct Quotes {
    std::vector<std::wstring> window;   // between « and »
    std::vector<std::wstring> windows;  // between " and "
    std::size_t outside = 0;            // characters of the line outside its quotes
    bool broken = false;                // a mark without its partner on the same line
};

Quotes QuotesOf(const std::wstring& line) {
    Quotes q;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const wchar_t c = line[i];
        if (c == L'\u00BB' || c == L'\u201C' || c == L'\u201D') q.broken = true;
        if (c != L'\u00AB' && c != L'"') {
            ++q.outside;
            continue;
        }
        const std::size_t end = line.find(c == L'"' ? L'"' : L'\u00BB', i + 1);
        if (end == std::wstring::npos) {
            q.broken = true;
            break;
        }
        (c == L'"' ? q.windows : q.window).push_back(line.substr(i + 1, end - i - 1));
        i = end;
    }
    return q;
}

TEST(Guide, OpensInNotepadOnEveryWindows) {
    const std::string bytes = GuideBytes();
    ASSERT_FALSE(bytes.empty());
    // Notepad on 95, 98 and ME reads only the ANSI code page, and every later one reads a file
    // without a byte-order mark in it too: 1252 on Spanish Windows. A mark would show as
    // "\u00EF\u00BB\u00BF".
    EXPECT_NE(bytes.rfind("\xEF\xBB\xBF", 0), 0u) << "a UTF-8 byte-order mark";
    EXPECT_NE(bytes.rfind("\xFF\xFE", 0), 0u) << "a UTF-16 byte-order mark";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_TRUE(fakes::From1252(static_cast<unsigned char>(bytes[i])))
            << "byte " << i << " is undefined in Windows-1252";
    }
    // Notepad before Windows 10 shows a bare "\n" as no line break at all.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool bareLf = bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r');
        const bool bareCr = bytes[i] == '\r' && bytes.substr(i, 2) != "\r\n";
        ASSERT_FALSE(bareLf || bareCr) << "a line end other than CR LF at byte " << i;
    }
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << "the last line has no line end";

    // Short enough for Notepad's window without word wrap, except for a quote of the window,
    // which is never broken.
    const std::vector<std::wstring> lines = GuideLines();
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const Quotes q = QuotesOf(lines[n]);
        EXPECT_FALSE(q.broken) << "line " << n + 1 << ": a quote mark without its partner";
        const bool quoteMakesItLong = !q.window.empty() && q.outside <= kMaxLine;
        EXPECT_TRUE(lines[n].size() <= kMaxLine || quoteMakesItLong)
            << "line " << n + 1 << " has " << lines[n].size() << " characters";
    }
}

TEST(Guide, QuotesTheWindowExactlyAndNothingElse) {
    std::set<std::wstring> shown(std::begin(kExplained), std::end(kExplained));
    shown.insert(kAppTitle);
    shown.insert(PrinForm().caption);
    for (const ControlSpec& control : PrinForm().controls) shown.insert(control.text);

    std::set<std::wstring> quoted;
    const std::vector<std::wstring> lines = GuideLines();
    ASSERT_FALSE(lines.empty());
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const Quotes q = QuotesOf(lines[n]);
        for (const std::wstring& text : q.window) {
            EXPECT_TRUE(shown.contains(text))
                << "line " << n + 1 << " quotes what the window never shows: " << text;
            quoted.insert(text);
        }
        for (const std::wstring& word : q.windows)
            EXPECT_TRUE(kWindowsWords.contains(word))
                << "line " << n + 1 << " quotes a word of no prompt of Windows: " << word;
    }
    for (const wchar_t* text : kExplained)
        EXPECT_TRUE(quoted.contains(text)) << "the guide does not quote the window's " << text;
}

}  // namespace
}  // namespace torvexa
