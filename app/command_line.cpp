#include "app/command_line.h"

namespace torvexa {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Switch names are ASCII; anything else is no switch the program knows.
std::wstring AsciiUpper(std::wstring_view text) {
    std::wstring upper(text);
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return upper;
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
    const std::size_t n = line.size();
    std::size_t i = 0;
    std::wstring program;
    if (i < n && line[i] == L'"') {
        for (++i; i < n && line[i] != L'"'; ++i) program += line[i];
        if (i < n) ++i;
    } else {
        for (; i < n && !IsBlank(line[i]); ++i) program += line[i];
    }
    std::vector<std::wstring> arguments{program};
    for (;;) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;
        std::wstring argument;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            if (line[i] == L'\\') {
                std::size_t slashes = 0;
                for (; i < n && line[i] == L'\\'; ++i) ++slashes;
                const bool beforeQuote = i < n && line[i] == L'"';
                argument.append(beforeQuote ? slashes / 2 : slashes, L'\\');
                if (beforeQuote && slashes % 2 == 1) argument += line[i++];
            } else if (line[i] == L'"') {
                if (quoted && i + 1 < n && line[i + 1] == L'"') {
                    argument += L'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += line[i++];
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine command;
    bool anySwitch = false, silent = false, unknown = false;
    for (const std::wstring& argument : arguments) {
        if (argument.empty() || (argument[0] != L'/' && argument[0] != L'-')) continue;
        anySwitch = true;
        const std::wstring name = AsciiUpper(std::wstring_view(argument).substr(1));
        if (name == L"S" || name == L"Q" || name == L"SILENT" || name == L"QUIET") {
            silent = true;
        } else if (name == L"N") {
            command.checkOnly = true;
        } else if (name.rfind(L"LOG=", 0) == 0 && name.size() > 4) {
            command.log = argument.substr(5);  // the path as written, in its own letter case
        } else {
            unknown = true;
        }
    }
    if (anySwitch)
        command.mode = silent && !unknown ? CommandLine::Mode::Silent : CommandLine::Mode::Refused;
    return command;
}

CommandLine ReadCommandLine(std::wstring_view line) {
    std::vector<std::wstring> arguments = SplitCommandLine(line);
    arguments.erase(arguments.begin());  // the program's own path
    return ParseCommandLine(arguments);
}

}  // namespace torvexa
