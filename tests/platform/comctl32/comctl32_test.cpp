#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

TEST(InitCommonControlsEx, ChecksTheRecordSize) {
    INITCOMMONCONTROLSEX init = {sizeof(INITCOMMONCONTROLSEX), 0xB48};
    EXPECT_TRUE(InitCommonControlsEx(&init));
    init.dwSize = 12;
    EXPECT_FALSE(InitCommonControlsEx(&init));
    EXPECT_FALSE(InitCommonControlsEx(nullptr));
}

}  // namespace
