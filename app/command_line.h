// The program's command line: split into arguments as Windows programs split theirs, and the
// switches among them read. Without a switch the program opens its window as it always did; the
// switches ask for the run without the window (app/silent_run.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvexa {

// The arguments of a Windows command line, split as Windows programs split them: spaces and tabs
// separate them outside quotes; a double quote opens or closes a quoted part; 2n backslashes
// before a quote give n backslashes and the quote acts as one, 2n+1 give n and a literal quote;
// backslashes elsewhere are literal; inside quotes, "" gives a literal quote. The first argument,
// the program's path, is taken as Windows takes it: up to the closing quote, or the first space.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);

struct CommandLine {
    enum class Mode {
        Window,   // no switch: the program as it always was
        Silent,   // /S: the run without the window
        Refused,  // an unknown switch, or /N or /LOG= without /S: nothing is done
    };
    Mode mode = Mode::Window;
    bool checkOnly = false;           // /N
    std::optional<std::wstring> log;  // /LOG=<path>
};

// Reads the switches among `arguments` (those after the program's path). A switch starts with /
// or -, in any letter case; arguments that are not switches (a file dropped on the program) are
// ignored.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// The switches of the whole command line `line`, program's path first, as the program starts with
// it: split, then read, the path left out.
CommandLine ReadCommandLine(std::wstring_view line);

}  // namespace torvexa
