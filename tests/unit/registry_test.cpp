#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/Registro.h"
#include "tests/fakes/fake_message_box.h"
#include "tests/fakes/fake_registry_api.h"

namespace torvexa {
namespace {

constexpr Handle kHklm = 0x80000002;
constexpr Handle kHkcu = 0x80000001;
const std::wstring kRunPath =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kRunSubKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class RegistryTest : public ::testing::Test {
  protected:
    fakes::FakeRegistryApi api;
    fakes::FakeMessageBox boxes;
    Registro registro{api, boxes};
};

TEST(RootKeys, ExactNamesMapToThePredefinedHandles) {
    const std::vector<std::pair<std::wstring, Handle>> cases = {
        {L"HKEY_CLASSES_ROOT", 0x80000000},
        {L"HKEY_CURRENT_USER", 0x80000001},
        {L"HKEY_LOCAL_MACHINE", 0x80000002},
        {L"HKEY_USERS", 0x80000003},
        {L"HKEY_PERFORMANCE_DATA", 0x80000004},
        {L"HKEY_CURRENT_CONFIG", 0x80000005},
        {L"HKEY_DYN_DATA", 0x80000006},
        {L"HKEY_Local_Machine", 0},
        {L"HKEY_", 0},
        {L"HKLM", 0},
        {L"", 0},
    };
    for (const auto& [name, handle] : cases)
        EXPECT_EQ(Registro::GetRootKeyHandle(name), handle) << name;
}

TEST_F(RegistryTest, SplitsAcceptedPathsAtTheFirstBackslash) {
    struct Case {
        std::wstring path, subKey;
        Handle root;
    };
    const std::vector<Case> cases = {
        {kRunPath, kRunSubKey, kHklm},
        {L"HKEY_CURRENT_USER", L"", kHkcu},
        {L"HKEY_CURRENT_USER\\\\Software", L"\\Software", kHkcu},
        {L"HKEY_Current_User\\Software", L"Software", 0},  // accepted, unknown root: no message
        {L"HKEY_", L"", 0},
    };
    for (const auto& c : cases) {
        std::wstring path = c.path;
        Handle root = 123;
        registro.SplitKeyPath(path, root);
        EXPECT_EQ(path, c.subKey) << c.path;
        EXPECT_EQ(root, c.root) << c.path;
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RegistryTest, RejectsMalformedPathsWithTheIncorrectFormatBox) {
    const std::vector<std::wstring> rejected = {L"hkey_local_machine\\SOFTWARE", kRunPath + L"\\",
                                                L"", L"HKEY", L"Software\\HKEY_"};
    for (const auto& original : rejected) {
        boxes.shown.clear();
        std::wstring path = original;
        Handle root = 123;
        registro.SplitKeyPath(path, root);
        EXPECT_EQ(path, original);
        EXPECT_EQ(root, 0u);
        ASSERT_EQ(boxes.shown.size(), 1u) << original;
        EXPECT_EQ(boxes.shown[0].text, L"Incorrect Format:\n\n" + original);
        EXPECT_EQ(boxes.shown[0].title, L"Torvexa");
        EXPECT_EQ(boxes.shown[0].type, kMbOk);
    }
}

TEST_F(RegistryTest, DeletesTheValueWithWriteAccessAndClosesTheKey) {
    api.keys[{kHklm, kRunSubKey}] = {L"realone_nt2003", L"keep"};
    std::wstring path = kRunPath;

    EXPECT_EQ(registro.DeleteRegValue(path, L"realone_nt2003"), -1);
    EXPECT_EQ(path, kRunSubKey);  // the argument holds the sub-key part afterwards
    const std::vector<std::wstring> expected = {
        L"RegOpenKeyExA(2147483650," + kRunSubKey + L",0,131078)",
        L"RegDeleteValueA(1280,realone_nt2003)", L"RegCloseKey(1280)"};
    EXPECT_EQ(api.calls, expected);
    EXPECT_EQ(api.keys[std::pair(kHklm, kRunSubKey)], std::set<std::wstring>{L"keep"});
    EXPECT_TRUE(api.openHandles.empty());
}

TEST_F(RegistryTest, ResultSaysWhetherTheKeyWasOpenedNotWhetherTheValueExisted) {
    api.keys[{kHklm, kRunSubKey}] = {};
    api.keys[{kHkcu, L""}] = {L"v"};
    struct Case {
        std::wstring path, value;
        std::int16_t expected;
        std::size_t calls;
    };
    const std::vector<Case> cases = {
        {kRunPath, L"missing", -1, 3},
        {kRunPath, L"", -1, 3},  // an empty value name is passed on unchanged
        {L"HKEY_CURRENT_USER", L"v", -1, 3},
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\NoSuchKey", L"v", 0, 1},
        {L"HKEY_NOT_A_ROOT\\x", L"v", 0, 0},
        {L"hkey_local_machine\\x", L"v", 0, 0},
    };
    for (const auto& c : cases) {
        api.calls.clear();
        std::wstring path = c.path;
        EXPECT_EQ(registro.DeleteRegValue(path, c.value), c.expected) << c.path;
        EXPECT_EQ(api.calls.size(), c.calls) << c.path;
    }
    EXPECT_TRUE(api.keys[std::pair(kHkcu, std::wstring())].empty());
    EXPECT_TRUE(api.openHandles.empty());
}

TEST_F(RegistryTest, RefusedOpenReturnsFalseAndClosesNothing) {
    api.keys[{kHklm, kRunSubKey}] = {L"realone_nt2003"};
    api.openFails = 5;
    std::wstring path = kRunPath;
    EXPECT_EQ(registro.DeleteRegValue(path, L"realone_nt2003"), 0);
    EXPECT_EQ(api.calls.size(), 1u);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace torvexa
