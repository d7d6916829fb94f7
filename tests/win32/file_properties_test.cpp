#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileinfo/mclsFileProperties.h"
#include "platform/win32/win32_file_info.h"
#include "tests/win32/support.h"

namespace torvexa {
namespace {

// The thousands separator the run was staged with (TORVEXA_THOUSANDS, set beside LC_ALL by the
// staged test entries); empty when the run takes the machine's own locale.
std::wstring StagedSeparator() {
    wchar_t value[8]{};
    return GetEnvironmentVariableW(L"TORVEXA_THOUSANDS", value, 8) ? value : L"";
}

FILETIME Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    const SYSTEMTIME st{year, month, 0, day, hour, minute, second, 0};
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

class FilePropertiesLayer : public ::testing::Test {
  protected:
    void SetUp() override { folder = test::MakeScratchFolder(L"fileprops"); }

    // A file of `size` bytes with fixed times: created and last read 25/12/2003 23:59:30 UTC,
    // last written 5/3/2004 09:07:03 UTC.
    std::wstring MakeFile(const std::wstring& name, LONG size) {
        std::wstring path = folder + L"\\" + name;
        const win32::UniqueFileHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_TRUE(file);
        HANDLE h = file.get();
        SetFilePointer(h, size, nullptr, FILE_BEGIN);
        SetEndOfFile(h);
        const FILETIME christmas = Utc(2003, 12, 25, 23, 59, 30), march = Utc(2004, 3, 5, 9, 7, 3);
        EXPECT_TRUE(SetFileTime(h, &christmas, &christmas, &march));
        return path;
    }

    std::wstring folder;
    win32::Win32FileFind files;
    win32::Win32VersionInfo versions;
    win32::Win32ShellFileInfo shell;
    win32::Win32Locale locale;
    mclsFileProperties props{files, versions, shell, locale};
};

TEST_F(FilePropertiesLayer, TimesInUtcAttributesAndSizeOfARealFile) {
    if (!StagedSeparator().empty()) {
        TIME_ZONE_INFORMATION zone{};
        GetTimeZoneInformation(&zone);
        ASSERT_NE(zone.Bias, 0) << "the staged run should not be in UTC";
    }
    const std::wstring path = MakeFile(L"Muestra.dat", 1234567);
    // The lighter query first: reading the version block reads the file and so moves its last
    // access time.
    mclsFileProperties view{files, versions, shell, locale};
    EXPECT_EQ(view.FindFileInfoView(path, kTrue), 1);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

    EXPECT_EQ(props.FindFileInfo(path, kTrue), 1);
    EXPECT_EQ(props.LastWriteTime(), L"5/3/2004 9:7:3");
    EXPECT_EQ(props.LastAccessTime(), L"25/12/2003");
    EXPECT_EQ(props.ReadOnly(), kTrue);
    EXPECT_EQ(props.Archive(), kTrue);
    for (auto flag : {props.Hidden(), props.System(), props.Normal(), props.Temporary(),
                      props.Compress(), props.Directory()}) {
        EXPECT_EQ(flag, kFalse);
    }
    EXPECT_EQ(props.FileName(), locale.UpperCase(path));
    EXPECT_NE(props.FileName(), path);
    if (const std::wstring sep = StagedSeparator(); !sep.empty()) {
        EXPECT_EQ(props.ByteSize(), L"1" + sep + L"234" + sep + L"567");
    }
    EXPECT_EQ(props.FindFileSize(path), 1234567);

    // Both queries give the same six values for the same file; the view sets nothing else.
    EXPECT_EQ(view.CreationTime(), props.CreationTime());
    EXPECT_EQ(view.LastWriteTime(), props.LastWriteTime());
    EXPECT_EQ(view.LastAccessTime(), props.LastAccessTime());
    EXPECT_EQ(view.ByteSize(), props.ByteSize());
    EXPECT_EQ(view.FileType(), props.FileType());
    EXPECT_EQ(view.IconIndex(), props.IconIndex());
    EXPECT_EQ(view.ReadOnly(), kFalse);
    EXPECT_EQ(view.FileName(), L"");

    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

TEST_F(FilePropertiesLayer, WildcardsMissingPathsAndDirectories) {
    const std::wstring path = MakeFile(L"uno.log", 999);
    const std::wstring pattern = folder + L"\\*.log";
    EXPECT_EQ(props.FindFileInfo(pattern, kFalse), 1);
    EXPECT_EQ(props.FileName(), locale.UpperCase(pattern));
    EXPECT_EQ(props.ByteSize(), L"999");
    EXPECT_EQ(props.LastWriteTime(), L"5/3/2004 9:7:3");

    EXPECT_EQ(props.FindFileInfo(folder + L"\\no\\such.file", kFalse), 1);
    EXPECT_EQ(props.CreationTime(), L"1/1/1601 0:0:0");
    EXPECT_EQ(props.LastWriteTime(), L"1/1/1601 0:0:0");
    EXPECT_EQ(props.LastAccessTime(), L"1/1/1601");
    EXPECT_EQ(props.ByteSize(), L"");
    EXPECT_EQ(props.FileType(), L"");
    EXPECT_EQ(props.IconIndex(), 0);
    EXPECT_EQ(props.FindFileSize(folder + L"\\no\\such.file"), 0);

    EXPECT_EQ(props.FindFileInfo(folder, kTrue), 1);
    EXPECT_EQ(props.Directory(), kTrue);
    EXPECT_EQ(props.FindFileSize(folder), 0);
    DeleteFileW(path.c_str());
}

TEST_F(FilePropertiesLayer, ANameWithNo8BitFormMatchesNothingRatherThanAnotherFile) {
    // In an 8-bit code page "тест" would become "????", a wildcard that matches "abcd.txt".
    const std::wstring other = MakeFile(L"abcd.txt", 5);
    const std::wstring cyrillic = folder + L"\\\u0442\u0435\u0441\u0442.txt";
    EXPECT_EQ(props.FindFileInfo(cyrillic, kFalse), 1);
    EXPECT_EQ(props.ByteSize(), L"");
    EXPECT_EQ(props.LastWriteTime(), L"1/1/1601 0:0:0");
    EXPECT_EQ(props.FileType(), L"");
    EXPECT_EQ(props.FindFileSize(cyrillic), 0);
    DeleteFileW(other.c_str());
}

TEST_F(FilePropertiesLayer, ReadsTheVersionStringsOfAnExecutable) {
    const std::wstring exe = test::BuildDir() + L"\\versioned.exe";
    EXPECT_EQ(props.FindFileInfoView(exe, kTrue), 1);
    EXPECT_EQ(props.CompanyName(), L"");  // the view does not read the version block
    EXPECT_NE(props.ByteSize(), L"");

    EXPECT_EQ(props.FindFileInfo(exe, kTrue), 1);
    const std::vector<std::wstring> strings = {props.CompanyName(),    props.FileDescription(),
                                               props.FileVersion(),    props.InternalName(),
                                               props.LegalCopyright(), props.OriginalFileName(),
                                               props.ProductName(),    props.ProductVersion()};
    EXPECT_EQ(strings, (std::vector<std::wstring>{L"Pruebas Torvexa",
                                                  L"Programa de prueba con bloque de version",
                                                  L"2.05.0007", L"versioned", L"Copyright (C) 2004",
                                                  L"versioned.exe", L"Torvexa pruebas", L"2.05"}));

    // A file without a version block leaves them as they are.
    EXPECT_EQ(props.FindFileInfo(MakeFile(L"plain.txt", 10), kTrue), 1);
    EXPECT_EQ(props.OriginalFileName(), L"versioned.exe");
}

TEST_F(FilePropertiesLayer, ReadsTheProgramsOwnVersionBlock) {
    EXPECT_EQ(props.FindFileInfo(test::BuildDir() + L"\\Torvexa.exe", kFalse), 1);
    EXPECT_EQ(props.InternalName(), L"Torvexa");
    EXPECT_EQ(props.OriginalFileName(), L"Torvexa.exe");
    EXPECT_EQ(props.FileVersion(), L"1.00");
    EXPECT_EQ(props.ProductVersion(), L"1.00");
}

TEST_F(FilePropertiesLayer, TheShellNamesTheTypeOfAKnownExtension) {
    const std::wstring path = MakeFile(L"nota.txt", 10);
    EXPECT_EQ(props.FindFileInfo(path, kTrue), 1);
    const std::wstring typeName = props.FileType();
    EXPECT_FALSE(typeName.empty());
    EXPECT_EQ(props.FindFileInfoView(path, kFalse), 1);
    EXPECT_EQ(props.FileType(), typeName);
    DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace torvexa
