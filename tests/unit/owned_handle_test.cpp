#include "platform/owned_handle.h"

#include <gtest/gtest.h>

#include <utility>

#include "tests/fakes/fake_process_api.h"
#include "tests/fakes/fake_registry_api.h"

namespace torvexa {
namespace {

TEST(OwnedHandle, ClosesOnceThroughItsInterfaceUnlessReleased) {
    fakes::FakeProcessApi api;
    const Handle snapshot = api.CreateToolhelp32Snapshot(2, 0);
    {
        SnapshotHandle owner(api, snapshot);
        SnapshotHandle moved(std::move(owner));  // the new owner closes it, once
        // A moved-from owner is empty by contract; that is what is checked here.
        EXPECT_FALSE(owner);  // NOLINT(bugprone-use-after-move)
        EXPECT_EQ(moved.get(), snapshot);
    }
    EXPECT_EQ(api.calls.back(), L"CloseHandle(0x100)");
    EXPECT_TRUE(api.openHandles.empty());

    const std::size_t before = api.calls.size();
    {
        ProcessHandle owner(api, 0);  // a failed open: nothing to close
        SnapshotHandle invalid(api, kInvalidHandleValue);
        ProcessHandle released(api, 0x200);
        EXPECT_EQ(released.release(), Handle{0x200});  // the caller closes it now
    }
    EXPECT_EQ(api.calls.size(), before);
}

TEST(OwnedHandle, AssigningClosesWhatWasHeld) {
    fakes::FakeRegistryApi api;
    api.keys[{0x80000001, L""}] = {};
    Handle first = 0, second = 0;
    ASSERT_EQ(api.RegOpenKeyExA(0x80000001, L"", 0, kKeyWrite, first), kErrorSuccess);
    ASSERT_EQ(api.RegOpenKeyExA(0x80000001, L"", 0, kKeyWrite, second), kErrorSuccess);
    RegistryKey key(api, first);
    key = RegistryKey(api, second);
    EXPECT_EQ(api.openHandles.size(), 1u);
    Handle third = 0;
    ASSERT_EQ(api.RegOpenKeyExA(0x80000001, L"", 0, kKeyWrite, third), kErrorSuccess);
    key.reset(third);  // closes the second, holds the third
    EXPECT_EQ(api.openHandles.size(), 1u);
    EXPECT_EQ(key.get(), third);
    key.reset();
    EXPECT_TRUE(api.openHandles.empty());
}

TEST(OwnedHandle, AnOpenCallFillsItsOwnerStraightAway) {
    fakes::FakeRegistryApi api;
    api.keys[{0x80000001, L"Software"}] = {};
    RegistryKey key(api);
    ASSERT_EQ(api.RegOpenKeyExA(0x80000001, L"Software", 0, kKeyWrite, *key.put()), kErrorSuccess);
    EXPECT_TRUE(key);
    // Filled again, it closes what it held first.
    ASSERT_EQ(api.RegOpenKeyExA(0x80000001, L"Software", 0, kKeyWrite, *key.put()), kErrorSuccess);
    EXPECT_EQ(api.openHandles.size(), 1u);

    // The readers' helper: the status, and an owner only for a key that was opened.
    const OpenedKey opened = OpenRegistryKey(api, 0x80000001, L"Software", kKeyQueryValue);
    EXPECT_EQ(opened.status, kErrorSuccess);
    EXPECT_EQ(api.openHandles.size(), 2u);
    const OpenedKey missing = OpenRegistryKey(api, 0x80000001, L"Nowhere", kKeyQueryValue);
    EXPECT_EQ(missing.status, kErrorFileNotFound);
    EXPECT_FALSE(missing.key);
    api.openFails = 5;
    EXPECT_FALSE(OpenRegistryKey(api, 0x80000001, L"Software", kKeyQueryValue).key);
    EXPECT_EQ(api.openHandles.size(), 2u);
}

}  // namespace
}  // namespace torvexa
