// The silent run's log: a line goes in whole after another writer's, and a device or a pipe is
// never written.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win32/text_api.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_run_report.h"
#include "tests/win32/support.h"

namespace torvexa {
namespace {

std::string Bytes(const std::wstring& path) {
    const win32::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
    std::string bytes(256, '\0');
    DWORD read = 0;
    ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    return bytes.substr(0, read);
}

// Another machine's run has locked the end of the log and writes its line there a moment later.
// On 9x's way only: NT's append relies on Windows refusing a write into another's locked range,
// which Wine does not do (it checks locks against locks only).
TEST(RunReportLayer, ALineWaitsForAnotherWritersLockedEndAndGoesInWholeAfterIt) {
    if (!win32::OnWindows9x()) GTEST_SKIP() << "Wine lets a write into a locked range";
    const std::wstring log = test::MakeScratchFolder(L"log") + L"\\torvexa.log";
    const win32::UniqueFileHandle other(CreateFileW(log.c_str(), GENERIC_WRITE,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                    CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(other.get(), "first\r\n", 7, &written, nullptr);
    ASSERT_TRUE(LockFile(other.get(), 7, 0, 64, 0));
    std::thread writer([&] {
        Sleep(300);
        WriteFile(other.get(), "other\r\n", 7, &written, nullptr);
        UnlockFile(other.get(), 7, 0, 64, 0);
    });
    EXPECT_TRUE(win32::Win32RunReport().AppendLine(log, L"torvexa"));
    writer.join();
    EXPECT_EQ(Bytes(log), "first\r\nother\r\ntorvexa\r\n");
}

TEST(RunReportLayer, ADeviceOrAPipeIsNeverWritten) {
    // A pipe whose server never reads: a write to it would wait without end.
    const win32::UniqueFileHandle pipe(CreateNamedPipeW(
        L"\\\\.\\pipe\\torvexa-log", PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr));
    ASSERT_TRUE(pipe);
    win32::Win32RunReport report;
    for (const wchar_t* path : {L"\\\\.\\pipe\\torvexa-log", L"NUL", L"nul.log"}) {
        EXPECT_FALSE(report.AppendLine(path, L"torvexa")) << path;
    }
}

}  // namespace
}  // namespace torvexa
