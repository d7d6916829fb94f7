#include <gtest/gtest.h>

#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_registry_api.h"
#include "registry/Registro.h"
#include "tests/fakes/fake_message_box.h"
#include "tests/win32/support.h"

namespace torvexa {
namespace {

// Works in a scratch key under HKEY_CURRENT_USER that the test makes and removes.
class RegistryLayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        subKey_ = L"Software\\TorvexaTest" + std::to_wstring(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key_.put(), nullptr),
                  ERROR_SUCCESS);
        const DWORD one = 1;
        for (const wchar_t* name : {L"realone_nt2003", L"keep"}) {
            RegSetValueExW(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                           sizeof one);
        }
    }
    void TearDown() override {
        key_.reset();
        RegDeleteKeyW(HKEY_CURRENT_USER, subKey_.c_str());  // it has values only, no sub-keys
    }
    bool ValueExists(const wchar_t* name) {
        return RegQueryValueExW(key_.get(), name, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
    std::wstring Path() const { return L"HKEY_CURRENT_USER\\" + subKey_; }

    win32::Win32RegistryApi api;
    fakes::FakeMessageBox boxes;
    Registro registro{api, boxes};
    std::wstring subKey_;
    win32::UniqueKey key_;
};

TEST_F(RegistryLayerTest, DeletesOnlyTheNamedValue) {
    std::wstring path = Path();
    EXPECT_EQ(registro.DeleteRegValue(path, L"realone_nt2003"), -1);
    EXPECT_FALSE(ValueExists(L"realone_nt2003"));
    EXPECT_TRUE(ValueExists(L"keep"));
    EXPECT_EQ(path, subKey_);
}

TEST_F(RegistryLayerTest, OutcomesOfMissingValuesKeysAndRoots) {
    struct Case {
        std::wstring path, value;
        std::int16_t expected;
    };
    const Case cases[] = {
        {Path(), L"no_such_value", -1},
        {Path() + L"\\NoSuchKey", L"keep", 0},
        {L"HKEY_NOT_A_ROOT\\Software", L"keep", 0},
    };
    for (const auto& c : cases) {
        std::wstring path = c.path;
        EXPECT_EQ(registro.DeleteRegValue(path, c.value), c.expected) << c.path;
    }
    EXPECT_TRUE(ValueExists(L"keep"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RegistryLayerTest, MalformedPathShowsTheBoxAndTouchesNothing) {
    std::wstring path = Path() + L"\\";
    EXPECT_EQ(registro.DeleteRegValue(path, L"keep"), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, L"Incorrect Format:\n\n" + Path() + L"\\");
    EXPECT_TRUE(ValueExists(L"keep"));
}

}  // namespace
}  // namespace torvexa
