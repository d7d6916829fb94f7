// The text seam's 9x way, taken here on the system Wine reports: the A functions work on NT as on
// 9x, so the conversions, the refusals and the WININIT.INI record are checked for real. The texts'
// code page is Windows-1252, the ANSI code page of the Spanish and English Windows the program
// speaks to (Wine takes it from the locale: en_US and es_ES give 1252).
#include "platform/win32/text_api.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/restart_deletes.h"
#include "platform/win32/ansi.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_registry_api.h"
#include "platform/win32/win32_system.h"
#include "tests/win32/support.h"

namespace torvexa {
namespace {

using namespace win32;

// The program's own texts: "¿", the accents and "ñ" are all in code page 1252.
const std::wstring kSpanish = L"\u00BFSeguro? Desinfecci\u00F3n, m\u00E1quina, Espa\u00F1a";
const std::string kSpanish1252 =
    "\xBFSeguro? Desinfecci\xF3n, m\xE1quina, Espa\xF1"
    "a";

struct UniqueWindow {
    explicit UniqueWindow(HWND window) : hwnd(window) {}
    ~UniqueWindow() {
        if (hwnd != nullptr) DestroyWindow(hwnd);
    }
    UniqueWindow(const UniqueWindow&) = delete;
    UniqueWindow& operator=(const UniqueWindow&) = delete;
    HWND get() const { return hwnd; }
    HWND hwnd;
};

class TextApi : public ::testing::Test {
  protected:
    void SetUp() override {
        if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is " << GetACP();
        ChooseWindows9xWay(true);
    }
    void TearDown() override { ChooseWindows9xWay(was9x_); }

  private:
    const bool was9x_ = OnWindows9x();
};

TEST_F(TextApi, AWindowsTextGoesThroughCodePage1252BothWays) {
    const UniqueWindow label(NewWindow(0, L"STATIC", kSpanish, WS_POPUP, {0, 0, 10, 10}, nullptr,
                                       nullptr, GetModuleHandleA(nullptr), nullptr));
    ASSERT_NE(label.get(), nullptr);
    // The 8-bit text is the code page's; read back, it is the program's own text again.
    char bytes[128] = {};
    GetWindowTextA(label.get(), bytes, sizeof bytes);
    EXPECT_EQ(std::string(bytes), kSpanish1252);
    EXPECT_EQ(WindowText(label.get()), kSpanish);

    SetWindowTextTo(label.get(), L"");
    EXPECT_EQ(WindowText(label.get()), L"");
    // Outside the code page: the code page's look-alike where it has one, "?" where not.
    SetWindowTextTo(label.get(), L"\u03A9 \u6F22 \u00F1");
    EXPECT_EQ(WindowText(label.get()), L"O ? \u00F1");
}

TEST_F(TextApi, APathWithoutAn8BitNameIsRefusedNotTurnedIntoAnother) {
    const std::wstring folder = test::MakeScratchFolder(L"textapi");
    const std::wstring spanish = folder + L"\\" + kSpanish.substr(9, 12) + L".txt";
    const UniqueFileHandle made(OpenFileAt(spanish, GENERIC_WRITE, 0, CREATE_ALWAYS));
    ASSERT_TRUE(made);
    EXPECT_NE(FileAttributes(spanish), INVALID_FILE_ATTRIBUTES);
    // "?" would be a wildcard to a search; here the name simply has no 8-bit form.
    SetLastError(0);
    EXPECT_EQ(FileAttributes(folder + L"\\\u03A9.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_FALSE(ChangeFileAttributes(folder + L"\\\u03A9.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(OpenForAppending(folder + L"\\\u03A9.txt"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ShortAnsiPath(folder + L"\\\u03A9.txt"), std::nullopt);
    EXPECT_TRUE(ShortAnsiPath(spanish).has_value());
    // A best-fit look-alike names another file that is there: "\u0142" would be "l".
    const UniqueFileHandle other(OpenFileAt(folder + L"\\l.txt", GENERIC_WRITE, 0, CREATE_ALWAYS));
    ASSERT_TRUE(other);
    EXPECT_EQ(FileAttributes(folder + L"\\\u0142.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    // The worm's paths, and the typographic characters of the code page, are named exactly.
    EXPECT_EQ(ToAnsiExact(L"C:\\windows\\system32\\HKT1.dll"), "C:\\windows\\system32\\HKT1.dll");
    EXPECT_EQ(ToAnsiExact(kSpanish + L"\u2019\u20AC"), kSpanish1252 + "\x92\x80");
}

TEST_F(TextApi, TheRegistryTheLocaleAndUpperCaseTakeTheAnsiForms) {
    const std::wstring subKey = L"Software\\TorvexaText" + std::to_wstring(GetCurrentProcessId());
    UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring list = std::wstring(L"\\??\\C:\\a.dll\0\0", 14) + kSpanish + L'\0' + L'\0';
    RegSetValueExW(key.get(), L"List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                   static_cast<DWORD>(list.size()) * DWORD{sizeof(wchar_t)});
    DWORD type = 0;
    std::wstring data;
    EXPECT_EQ(QueryTextValue(key.get(), L"List", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(data, list);
    EXPECT_EQ(QueryTextValue(key.get(), L"Missing", type, data), ERROR_FILE_NOT_FOUND);
    key.reset();
    RegDeleteKeyW(HKEY_CURRENT_USER, subKey.c_str());

    EXPECT_FALSE(LocaleInfo(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND).empty());
    EXPECT_FALSE(ComputerName().empty());
    // A character that the code page lacks stays itself.
    EXPECT_EQ(UpperCased(L"espa\u00F1a \u03C9"), L"ESPA\u00D1A \u03C9");
    EXPECT_EQ(UpperCased(L""), L"");
}

// A file in use on 9x: the NUL line in the Windows folder's WININIT.INI, read back as pending.
TEST_F(TextApi, OnThe9xWayAFileGoesAtTheRestartThroughWininit) {
    Win32FileSystem files;
    const std::wstring wininit = files.GetWindowsDirectoryW() + L"\\WININIT.INI";
    const std::string before = files.ReadWholeFile(wininit).value_or("");
    // Another program's record and a section of another name, kept byte for byte.
    const std::string others = "[boot]\r\nkeep=1\r\n[rename]\r\nC:\\A.SYS=C:\\B.SYS\r\n";
    ASSERT_TRUE(files.WriteWholeFile(wininit, others));

    const std::wstring file = test::MakeScratchFolder(L"wininit") + L"\\HKT1.dll";
    const UniqueFileHandle held(OpenFileAt(file, GENERIC_WRITE, 0, CREATE_ALWAYS));
    WininitRenames restart(files);
    EXPECT_TRUE(restart.Add(file));
    const auto pending = restart.Read();
    ASSERT_TRUE(pending.has_value());
    EXPECT_TRUE(restart.Deletes(*pending, file));
    const std::string written = files.ReadWholeFile(wininit).value_or("");
    EXPECT_TRUE(written.starts_with(others + "NUL=")) << written;
    EXPECT_EQ(files.FileExists(files.GetWindowsDirectoryW() + L"\\WININIT.TVO"), Presence::Absent);
    EXPECT_TRUE(written.ends_with("HKT1.dll\r\n")) << written;

    if (before.empty()) {
        DeleteFileW(wininit.c_str());
    } else {
        files.WriteWholeFile(wininit, before);
    }
}

}  // namespace
}  // namespace torvexa
