// The report of a run without the window, over the real system calls.
#pragma once

#include "platform/run_report.h"

namespace torvexa::win32 {

class Win32RunReport final : public RunReportApi {
  public:
    LocalTime Now() override;
    std::wstring ComputerName() override;
    bool AppendLine(const std::wstring& path, std::wstring_view line) override;
    bool WriteStandardOutput(std::wstring_view line) override;
};

}  // namespace torvexa::win32
