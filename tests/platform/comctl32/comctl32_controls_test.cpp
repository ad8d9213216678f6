// Windows documents only the result of a refused InitCommonControlsEx; ours also says why.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

TEST(InitCommonControlsEx, AWrongRecordSizeSetsInvalidParameter) {
    INITCOMMONCONTROLSEX init = {12, 0xB48};
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(InitCommonControlsEx(&init));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

}  // namespace
