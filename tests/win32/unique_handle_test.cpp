#include "platform/win32/unique_handle.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace torvexa::win32 {
namespace {

HGDIOBJ SelectedFont(HDC dc) {
    return GetCurrentObject(dc, OBJ_FONT);
}

// What was selected before a scope is selected again when it ends, on a throw too, however many
// objects it selected meanwhile; and the borrowed DC and the fonts are given back.
TEST(HandleScopes, PutBackWhatWasSelectedOnEveryPath) {
    const WindowDc dc = BorrowDc(nullptr);
    ASSERT_TRUE(dc);
    const HGDIOBJ before = SelectedFont(dc.get());
    const UniqueFont first(CreateFontW(20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"));
    const UniqueFont second(CreateFontW(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"));
    ASSERT_TRUE(first && second);
    {
        const SelectScope selected(dc.get(), first.get());
        EXPECT_EQ(SelectedFont(dc.get()), first.get());
        selected.Select(second.get());
        EXPECT_EQ(SelectedFont(dc.get()), second.get());
    }
    EXPECT_EQ(SelectedFont(dc.get()), before);
    try {
        const SelectScope selected(dc.get(), first.get());
        throw std::runtime_error("drawing failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(SelectedFont(dc.get()), before);
}

}  // namespace
}  // namespace torvexa::win32
