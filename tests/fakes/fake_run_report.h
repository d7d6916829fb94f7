// Records the lines a run without the window writes; either way can be made to fail.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/run_report.h"

namespace torvexa::fakes {

class FakeRunReport : public RunReportApi {
  public:
    std::vector<std::wstring> output;
    std::vector<std::pair<std::wstring, std::wstring>> appended;
    bool appendFails = false, noOutput = false;

    LocalTime Now() override { return {2026, 12, 8, 22, 30, 5}; }
    std::wstring ComputerName() override { return L"PC-01"; }
    bool AppendLine(const std::wstring& path, std::wstring_view line) override {
        if (appendFails) throw std::runtime_error("disk full");
        appended.emplace_back(path, std::wstring(line));
        return true;
    }
    bool WriteStandardOutput(std::wstring_view line) override {
        if (noOutput) return false;
        output.emplace_back(line);
        return true;
    }
};

}  // namespace torvexa::fakes
