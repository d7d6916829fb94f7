#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win32/text_api.h"
#include "platform/win32/win32_run_report.h"
#include "platform/win32/win32_system.h"
#include "tests/win32/support.h"

namespace torvexa {
namespace {

TEST(FileSystemLayer, DeletesFilesAndTellsPresenceHonestly) {
    win32::Win32FileSystem files;
    const std::wstring folder = test::MakeScratchFolder(L"files");
    const std::wstring plain = folder + L"\\plain.dll", locked = folder + L"\\READONLY.exe";
    for (const auto& p : {plain, locked}) {
        const win32::UniqueFileHandle file(
            CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
    }
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(files.FileExists(plain), Presence::Present);
    EXPECT_TRUE(files.DeleteFile(plain));
    EXPECT_EQ(files.FileExists(plain), Presence::Absent);
    EXPECT_FALSE(files.DeleteFile(plain));
    EXPECT_EQ(files.GetLastError(), 2u);
    EXPECT_EQ(files.FileExists(folder + L"\\no\\such\\dir.exe"), Presence::Absent);

    // Windows paths are case-insensitive: the upper-case path names the lower-case file.
    EXPECT_EQ(files.FileExists(folder + L"\\readonly.EXE"), Presence::Present);
    EXPECT_FALSE(files.DeleteFile(locked));
    EXPECT_EQ(files.GetLastError(), 5u);
    EXPECT_EQ(files.FileExists(locked), Presence::Present);

    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(files.DeleteFile(locked));
    RemoveDirectoryW(folder.c_str());

    // A Run value's %SystemRoot% names the Windows folder, as Windows starts it.
    EXPECT_EQ(files.ExpandEnvironmentStringsW(L"%SystemRoot%\\x.exe"),
              files.GetWindowsDirectoryW() + L"\\x.exe");
}

// A loaded DLL refuses its delete, not an open for it; a file that is not there refuses both.
TEST(FileSystemLayer, AnOpenForDeletionIsGrantedToALoadedDll) {
    win32::Win32FileSystem files;
    const std::wstring folder = test::MakeScratchFolder(L"loaded");
    const std::wstring dll = folder + L"\\HKT1.dll";
    ASSERT_TRUE(CopyFileW((test::BuildDir() + L"\\planted_dll.dll").c_str(), dll.c_str(), FALSE));
    const HMODULE loaded = LoadLibraryW(dll.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(files.CanOpenFor(dll, kDeleteAccess)) << files.GetLastError();
    EXPECT_FALSE(files.CanOpenFor(folder + L"\\none.dll", kDeleteAccess));
    EXPECT_EQ(files.GetLastError(), 2u);
    FreeLibrary(loaded);
    EXPECT_TRUE(files.DeleteFile(dll));
    // Held by another handle without delete sharing, it refuses the open as in use (9x grants it
    // unasked). An open for nothing would be granted, and say nothing.
    if (!win32::OnWindows9x()) {
        const win32::UniqueFileHandle held(CreateFileW(dll.c_str(), GENERIC_WRITE,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                       CREATE_ALWAYS, 0, nullptr));
        EXPECT_FALSE(files.CanOpenFor(dll, kDeleteAccess));
        EXPECT_EQ(files.GetLastError(), 32u);
    }
    DeleteFileW(dll.c_str());
    RemoveDirectoryW(folder.c_str());
}

// The log: never a device; after another machine's run that locked the end and writes there a
// moment later (on 9x's way: NT's append relies on Windows refusing a write into a locked range,
// which Wine does not do).
TEST(RunReportLayer, ALineGoesInWholeAfterALockedEndAndNeverIntoADevice) {
    EXPECT_FALSE(win32::Win32RunReport().AppendLine(L"NUL", L"x"));
    if (!win32::OnWindows9x()) return;
    const std::wstring log = test::MakeScratchFolder(L"log") + L"\\torvexa.log";
    const win32::UniqueFileHandle other(CreateFileW(log.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                    CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(LockFile(other.get(), 0, 0, 64, 0));
    DWORD done = 0;
    std::thread writer([&] {
        Sleep(300);
        WriteFile(other.get(), "other\r\n", 7, &done, nullptr);
        UnlockFile(other.get(), 0, 0, 64, 0);
    });
    EXPECT_TRUE(win32::Win32RunReport().AppendLine(log, L"torvexa"));
    writer.join();
    char bytes[64] = {};
    SetFilePointer(other.get(), 0, nullptr, FILE_BEGIN);
    ReadFile(other.get(), bytes, sizeof bytes - 1, &done, nullptr);
    EXPECT_STREQ(bytes, "other\r\ntorvexa\r\n");
}

TEST(ShellLayer, AMissingDocumentIsRefusedWithoutBlocking) {
    win32::Win32Shell shell;
    const std::wstring missing = test::MakeScratchFolder(L"shell") + L"\\missing.torvexa-none";
    const Handle result =
        shell.ShellExecuteA(0, L"Open", missing, std::nullopt, std::nullopt, kSwShowNormal);
    EXPECT_LE(result, 32u);
}

}  // namespace
}  // namespace torvexa
