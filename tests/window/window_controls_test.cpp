// Windows under the host: centring against a display of a chosen size.
#include <zorvane_test/host.h>

#include "window_fixture.h"

namespace {

using Events_ = std::vector<int32_t>;

TEST_F(WindowSystemTest, CentringClampsToTheScreenAndTheParentEdge) {
    zv_test::SetHeadlessDisplay(300, 200, 60);
    HWND big = Window_Open(1, 10, 10, 500, 100, "", WS_CAPTION | WINDOW_CENTRE_SCREEN);
    RECT r;
    GetWindowRect(big, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, (200 - (r.bottom - r.top)) / 2);
    zv_test::SetHeadlessDisplay(1024, 768, 60);
    HWND parent = Window_Open(2, 0, 0, 50, 50, "", WS_CAPTION);
    HWND child =
        Window_OpenWithParent(3, 10, 10, 300, 300, "", WS_CAPTION | WINDOW_CENTRE_PARENT, parent);
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(GetWindow(child, GW_OWNER), parent);
    // Without a parent, the active window is the reference.
    HWND centred = Window_Open(4, 0, 0, 20, 20, "", WS_CAPTION | WINDOW_CENTRE_PARENT);
    RECT rp, rcw;
    GetWindowRect(child, &rp);
    GetWindowRect(centred, &rcw);
    EXPECT_EQ(rcw.left,
              std::max<LONG>(0, (rp.right - rp.left - (rcw.right - rcw.left)) / 2 + rp.left));
}

}  // namespace

namespace {}  // namespace
