// The whole command line as the program starts with it: the program's path is never a switch, and
// the lines the administrator's guide gives read as it says.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace torvexa {
namespace {

using Mode = CommandLine::Mode;

TEST(CommandLine, TheProgramsPathIsNeverASwitch) {
    EXPECT_EQ(ReadCommandLine(L"").mode, Mode::Window);
    EXPECT_EQ(ReadCommandLine(L"-S").mode, Mode::Window);
    EXPECT_EQ(ReadCommandLine(L"\"/S /N\"").mode, Mode::Window);
    const CommandLine c = ReadCommandLine(L"\"C:\\Torvexa\\-n.exe\" /s");
    EXPECT_EQ(c.mode, Mode::Silent);
    EXPECT_FALSE(c.checkOnly);
    // The path ends at its closing quote even with a switch straight after it.
    EXPECT_EQ(ReadCommandLine(L"\"C:\\a\\\"/S").mode, Mode::Silent);
}

TEST(CommandLine, ALogPathWithSpacesGoesInQuotesEitherWay) {
    const CommandLine whole =
        ReadCommandLine(L"Torvexa.exe /S \"/LOG=\\\\server\\logs\\torvexa log.txt\"");
    EXPECT_EQ(whole.mode, Mode::Silent);
    EXPECT_EQ(whole.log, L"\\\\server\\logs\\torvexa log.txt");
    const CommandLine path = ReadCommandLine(L"Torvexa.exe /LOG=\"C:\\Torvexa logs\\t.log\" -S -N");
    EXPECT_EQ(path.mode, Mode::Silent);
    EXPECT_TRUE(path.checkOnly);
    EXPECT_EQ(path.log, L"C:\\Torvexa logs\\t.log");
}

}  // namespace
}  // namespace torvexa
