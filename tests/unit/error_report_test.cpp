#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "errors/mdlErrorHandle.h"

namespace torvexa {
namespace {

struct LineCase {
    bool api;
    std::int32_t code;
    std::wstring description, module, procedure;
    std::wstring expected;
};

TEST(ErrorReport, BuildsOneLinePerReportInTheFixedFormat) {
    const std::vector<LineCase> cases = {
        {true, 5, L"OpenProcess failed", L"mdlProcess", L"Kill_Process",
         L"ERROR: 5 at mdlProcess\\Kill_Process >>> OpenProcess failed"},
        {true, 0, L"d", L"m", L"p", L"ERROR: 0 at m\\p >>> d"},
        {true, -1, L"d", L"m", L"p", L"ERROR: -1 at m\\p >>> d"},
        {false, INT32_MIN, L"Out of memory", L"mdlProcess", L"Process32_Enum",
         L"VB ERROR: -2147483648 at mdlProcess\\Process32_Enum >>> Out of memory"},
        {true, 6, L"", L"", L"", L"ERROR: 6 at \\ >>> "},
        {false, 9, L"two\r\nlines \\ kept", L"m", L"p",
         L"VB ERROR: 9 at m\\p >>> two\r\nlines \\ kept"},
    };
    for (const auto& c : cases) {
        std::vector<std::wstring> lines;
        const mdlErrorHandle errors([&](const std::wstring& l) { lines.push_back(l); });
        if (c.api) {
            errors.ReportApiError(c.code, c.description, c.module, c.procedure);
        } else {
            errors.ReportRuntimeError(c.code, c.description, c.module, c.procedure);
        }
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], c.expected);
    }
}

TEST(ErrorReport, WithoutASinkLinesAreDiscarded) {
    // The shipped program's handler has no sink. Beside a counting one, the same reports reach
    // the counting sink and leave no trace of the sink-less handler on the standard streams.
    int counted = 0;
    const mdlErrorHandle counting([&](const std::wstring&) { ++counted; });
    const mdlErrorHandle shipped;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const mdlErrorHandle* errors : {&shipped, &counting}) {
        errors->ReportApiError(5, L"OpenProcess failed", L"mdlProcess", L"Kill_Process");
        errors->ReportRuntimeError(7, L"Out of memory", L"mdlProcess", L"Process32_Enum");
        errors->LogError(L"anything");
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(counted, 3);
}

}  // namespace
}  // namespace torvexa
