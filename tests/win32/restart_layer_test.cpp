#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "app/disinfection.h"
#include "app/modules.h"
#include "app/restart_deletes.h"
#include "errors/mdlErrorHandle.h"
#include "platform/win32/text_api.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_process_api.h"
#include "platform/win32/win32_registry_api.h"
#include "platform/win32/win32_system.h"
#include "process/mdlProcess.h"
#include "registry/Registro.h"

namespace torvexa {
namespace {

constexpr const wchar_t* kSessionManager = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kPendingValue = L"PendingFileRenameOperations";

// Keeps the machine's restart list as it was before the test, whatever the test recorded. A list
// that could not be read is left as the test leaves it, never deleted.
class RestartListKept {
  public:
    RestartListKept() {
        win32::UniqueKey key;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.put());
        std::uint32_t type = 0;
        read_ = win32::Win32RegistryApi().RegQueryValueExW(reinterpret_cast<Handle>(key.get()),
                                                           kPendingValue, type, data_);
    }
    ~RestartListKept() {
        win32::UniqueKey key;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.put());
        if (read_ == ERROR_SUCCESS) {
            const std::size_t bytes = data_.size() * sizeof(wchar_t);
            RegSetValueExW(key.get(), kPendingValue, 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(data_.data()), static_cast<DWORD>(bytes));
        } else if (read_ == ERROR_FILE_NOT_FOUND) {
            RegDeleteValueW(key.get(), kPendingValue);
        }
    }
    RestartListKept(const RestartListKept&) = delete;
    RestartListKept& operator=(const RestartListKept&) = delete;

  private:
    std::int32_t read_ = ERROR_FILE_NOT_FOUND;
    std::wstring data_;
};

bool IsWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The real layer on this machine (a 32-bit prefix, or a 64-bit one where this 32-bit program
// runs under WoW64): a worm file held open by another handle goes to the restart list under the
// folder it really is in, once, and is reported pending.
TEST(RestartLayer, AFileInUseIsRecordedWhereItReallyIsAndOnce) {
    win32::Win32FileSystem files;
    win32::Win32RegistryApi registryApi;
    win32::Win32ProcessApi processApi;
    win32::Win32MessageBox boxes;
    win32::Win32Clock clock;
    Modules modules(processApi, registryApi, files, clock, boxes, win32::OnWindows9x());
    Disinfection& disinfection = modules.disinfection;

    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring really = std::wstring(windows) + (IsWow64() ? L"\\syswow64" : L"\\system32");
    const std::optional<std::wstring> redirected = files.GetSystemWow64DirectoryW();
    ASSERT_EQ(redirected.has_value(), IsWow64());
    if (redirected) {
        EXPECT_TRUE(SamePath(*redirected, really));
    }

    const RestartListKept kept;
    const std::wstring hkt1 = L"C:\\windows\\system32\\HKT1.dll";
    win32::UniqueFileHandle held(
        CreateFileW(hkt1.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, nullptr));
    ASSERT_TRUE(held);

    for (int press = 1; press <= 2; ++press) {
        const Remnants left = disinfection.Run();
        EXPECT_FALSE(left.AnythingLeft()) << "press " << press;
        ASSERT_EQ(left.pending.size(), 1u) << "press " << press;
        EXPECT_EQ(left.pending[0], hkt1);
        const auto list = PendingRenames(registryApi, files).Read();
        ASSERT_TRUE(list.has_value());
        int records = 0;
        for (const PendingOperation& op : *list) {
            if (!op.target.empty()) continue;
            records += SamePath(op.source, L"\\??\\" + really + L"\\HKT1.dll");
            // The redirected name would delete nothing at the restart on 64-bit Windows.
            if (IsWow64()) {
                EXPECT_FALSE(SamePath(op.source, L"\\??\\" + hkt1));
            }
        }
        EXPECT_EQ(records, 1) << "press " << press;
    }
    // Its marks were cleared before the deletion was tried.
    EXPECT_EQ(GetFileAttributesW(hkt1.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              0u);

    held.reset();
    EXPECT_TRUE(DeleteFileW(hkt1.c_str()));
    EXPECT_TRUE(disinfection.Check().None());
}

}  // namespace
}  // namespace torvexa
