// The program's command line as Windows hands it over, any text of any length: split into its
// arguments, then its switches read as the program starts. No switch is read that is not among
// the arguments; a line without quotes splits at its blanks; and the arguments, written back as a
// program writes a command line for another, split the same again.
//
// Input: the command line, the whole input as one text (0xFF bytes, which separate the texts of
// other targets, are left out).
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "tests/fuzz/fuzz_input.h"

namespace torvexa {
namespace {

using Arguments = std::vector<std::wstring>;

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool IsSwitch(std::wstring_view argument) {
    return !argument.empty() && (argument[0] == L'/' || argument[0] == L'-');
}

// Switch names are ASCII: only a-z and A-Z are one letter in two cases.
wchar_t AsciiUpper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Whether `argument` is a switch whose name, after its / or -, starts with `upper` (or is exactly
// `upper`, when `whole`) in either letter case.
bool SwitchNamed(std::wstring_view argument, std::wstring_view upper, bool whole = true) {
    if (!IsSwitch(argument)) return false;
    const std::wstring_view name = argument.substr(1);
    if (name.size() < upper.size() || (whole && name.size() != upper.size())) return false;
    return std::equal(upper.begin(), upper.end(), name.begin(),
                      [](wchar_t u, wchar_t c) { return AsciiUpper(c) == u; });
}

bool AnyNamed(const Arguments& arguments, std::initializer_list<std::wstring_view> names) {
    return std::any_of(arguments.begin(), arguments.end(), [&](const std::wstring& a) {
        return std::any_of(names.begin(), names.end(),
                           [&](std::wstring_view name) { return SwitchNamed(a, name); });
    });
}

// The same switches written the other way: - for /, / for -, each ASCII letter in the other case.
Arguments OtherWay(Arguments arguments) {
    for (std::wstring& a : arguments) {
        if (!IsSwitch(a)) continue;
        a[0] = a[0] == L'/' ? L'-' : L'/';
        for (wchar_t& c : a) {
            if (c >= L'a' && c <= L'z') {
                c = AsciiUpper(c);
            } else if (c >= L'A' && c <= L'Z') {
                c = static_cast<wchar_t>(c - L'A' + L'a');
            }
        }
    }
    return arguments;
}

// How a line without quotes splits: the program's path up to the first blank, then each run of
// other characters, backslashes and all.
Arguments SplitAtBlanks(std::wstring_view line) {
    std::size_t i = 0;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    Arguments arguments{std::wstring(line.substr(0, i))};
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        arguments.emplace_back(line.substr(start, i - start));
    }
    return arguments;
}

// `argument` written so that a Windows program reads it back whole: in quotes, with the backslashes
// before one of its quotes doubled and that quote escaped, and those before the closing quote
// doubled.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring text = L"\"";
    std::size_t slashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        text.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
        slashes = 0;
        text += c;
    }
    text.append(2 * slashes, L'\\');
    return text + L'"';
}

// The arguments written back into one command line. The program's path goes in quotes, unless it
// holds a quote itself: then it was written without them, and so holds no blank either.
std::wstring Joined(const Arguments& arguments) {
    const std::wstring& program = arguments.front();
    std::wstring line =
        program.find(L'"') != std::wstring::npos ? program : L"\"" + program + L"\"";
    for (std::size_t i = 1; i < arguments.size(); ++i) line += L" " + Quoted(arguments[i]);
    return line;
}

}  // namespace

int fuzz::FuzzOne(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    std::wstring line;
    while (!in.Empty()) line += in.Text();

    const Arguments split = SplitCommandLine(line);
    fuzz::Check(!split.empty(), "no program's path");
    std::size_t characters = 0;
    for (const std::wstring& a : split) characters += a.size();
    fuzz::Check(characters <= line.size(), "more characters than the line holds");
    if (line.find(L'"') == std::wstring::npos) {
        fuzz::Check(split == SplitAtBlanks(line), "a line without quotes split elsewhere");
    }
    fuzz::Check(SplitCommandLine(Joined(split)) == split, "written back, split differently");

    // The switches are read from the arguments after the program's path.
    const Arguments arguments(split.begin() + 1, split.end());
    const CommandLine command = ReadCommandLine(line);
    const bool anySwitch = std::any_of(arguments.begin(), arguments.end(),
                                       [](const std::wstring& a) { return IsSwitch(a); });
    fuzz::Check((command.mode == CommandLine::Mode::Window) == !anySwitch,
                "the window exactly when no argument is a switch");
    if (command.mode == CommandLine::Mode::Silent) {
        fuzz::Check(AnyNamed(arguments, {L"S", L"Q", L"SILENT", L"QUIET"}),
                    "silent without /S, /Q, /SILENT or /QUIET");
    }
    if (command.checkOnly) fuzz::Check(AnyNamed(arguments, {L"N"}), "check only without /N");
    if (command.log) {
        fuzz::Check(!command.log->empty(), "an empty log path");
        fuzz::Check(std::any_of(arguments.begin(), arguments.end(),
                                [&](const std::wstring& a) {
                                    return SwitchNamed(a, L"LOG=", false) &&
                                           a.substr(5) == *command.log;
                                }),
                    "a log path that no /LOG= holds");
    }

    // Neither the switch's sign nor its letters' case changes what is read; the log path is read
    // as written.
    const CommandLine otherWay = ParseCommandLine(OtherWay(arguments));
    fuzz::Check(otherWay.mode == command.mode && otherWay.checkOnly == command.checkOnly &&
                    otherWay.log.has_value() == command.log.has_value(),
                "read differently with - for / or in the other case");
    return 0;
}

}  // namespace torvexa
