// The run without the window that the command line's switches ask for (app/command_line.h): check
// the machine for the worm, remove it unless told to check only, and say how that ended in an exit
// code and one line (on the standard output, and appended to a log file when one is named). No
// window, no message box, nothing that needs a desktop; the messenger is never touched.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/disinfection.h"
#include "platform/message_box.h"
#include "platform/run_report.h"

namespace torvexa {

// The exit codes of a run without the window (and of a command line the program refuses).
inline constexpr int kExitClean = 0;           // nothing of the worm found
inline constexpr int kExitRemoved = 1;         // found and removed completely
inline constexpr int kExitLeft = 2;            // found; something left or not verified
inline constexpr int kExitFoundChecked = 3;    // found; check only, nothing changed
inline constexpr int kExitUnchecked = 4;       // nothing found, but the check was incomplete
inline constexpr int kExitInvalidSwitch = 87;  // refused command line: nothing done
inline constexpr int kExitRestart = 3010;      // removed but for files that go at the restart

// How a run ended: its exit code and the result in words, every item left or pending named.
struct SilentResult {
    int exitCode = kExitClean;
    std::wstring words;
};

// `found` is what the check saw; `left`, what was left after the disinfection (none when the
// disinfection did not run: nothing found, or check only).
SilentResult Judge(const Remnants& found, const std::optional<Remnants>& left);

// The one line a run reports: local date and time (ISO 8601), computer name, exit code, words.
std::wstring ReportLine(const LocalTime& time, const std::wstring& computer,
                        const SilentResult& result);

// Message boxes for a run without the window: none is shown, and every question is answered as
// if it could not be shown (0).
class NoMessageBoxes final : public MessageBoxApi {
  public:
    int MessageBox(const std::wstring&, const std::wstring&, std::uint32_t) override { return 0; }
};

// The run without the window that `command` (as ReadCommandLine read it) asks for: check the
// machine, remove what was found unless told to check only, judge that as the window does, report
// it; returns its exit code. A report that cannot be written changes neither the work nor the code.
int RunSilent(const CommandLine& command, Disinfection& disinfection, RunReportApi& report);

}  // namespace torvexa
