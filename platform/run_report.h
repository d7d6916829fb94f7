// What a run without the window needs of the system to report its result: the local time, the
// computer's name, a line appended to a log file and a line on the standard output.
#pragma once

#include <string>
#include <string_view>

namespace torvexa {

// A moment of the machine's local time, to the second.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class RunReportApi {
  public:
    virtual ~RunReportApi() = default;
    virtual LocalTime Now() = 0;
    // The computer's (NetBIOS) name; empty when it cannot be read.
    virtual std::wstring ComputerName() = 0;
    // Appends `line` and a line end to the file `path` in UTF-8, creating the file when it is
    // missing; a relative path is taken from the current folder. Other machines' runs may append
    // to it at the same time: the line goes in whole at the file's end. False when it could not be
    // written, and at once for a path that names a device or a pipe, which is never opened
    // (platform/device_names.h).
    virtual bool AppendLine(const std::wstring& path, std::wstring_view line) = 0;
    // Writes `line` and a line end in UTF-8 to the standard output; false when the program has
    // none (started without redirection) or it could not be written.
    virtual bool WriteStandardOutput(std::wstring_view line) = 0;
};

}  // namespace torvexa
