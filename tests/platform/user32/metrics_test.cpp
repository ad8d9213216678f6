// The fixed non-client metrics, AdjustWindowRectEx, and the window and client rectangles
// they give.
#include <gtest/gtest.h>
#include <windows.h>

#include "user32_fixtures.h"

using namespace user32_test;

namespace {

TEST_F(WindowTest, NonClientMetricsAndRectangles) {
    struct Case {
        DWORD style, ex;
        BOOL menu;
        RECT expected;
    };
    std::vector<Case> cases = {
        {WS_CAPTION | WS_SYSMENU, 0, FALSE, {-3, -22, 643, 483}},
        {WS_OVERLAPPEDWINDOW, 0, FALSE, {-4, -23, 644, 484}},
        {WS_POPUP, 0, FALSE, {0, 0, 640, 480}},
        {WS_POPUP | WS_BORDER, 0, FALSE, {-1, -1, 641, 481}},
        {WS_CAPTION, WS_EX_TOOLWINDOW, FALSE, {-3, -18, 643, 483}},
        {WS_CAPTION, WS_EX_CLIENTEDGE, TRUE, {-5, -43, 645, 485}},
    };
    for (auto& c : cases) {
        RECT r = {0, 0, 640, 480};
        ASSERT_TRUE(AdjustWindowRectEx(&r, c.style, c.menu, c.ex));
        EXPECT_TRUE(EqualRect(&r, &c.expected))
            << std::hex << c.style << " " << c.ex << ": " << std::dec << r.left << "," << r.top
            << "," << r.right << "," << r.bottom;
    }
    RECT r = {0, 0, 640, 480};
    AdjustWindowRectEx(&r, WS_CAPTION | WS_SYSMENU, FALSE, 0);
    EXPECT_EQ(r.right - r.left, 646);
    EXPECT_EQ(r.bottom - r.top, 505);
    EXPECT_FALSE(AdjustWindowRectEx(nullptr, 0, FALSE, 0));
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CXFIXEDFRAME), 3);

    HWND hwnd = Make(WS_CAPTION | WS_SYSMENU, nullptr, 0, 0, 646, 505);
    RECT wr, cr;
    GetWindowRect(hwnd, &wr);
    GetClientRect(hwnd, &cr);
    EXPECT_EQ(wr.left, 0);
    EXPECT_EQ(wr.right, 646);
    EXPECT_EQ(cr.right, 640);
    EXPECT_EQ(cr.bottom, 480);
    POINT p = {0, 0};
    ClientToScreen(hwnd, &p);
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 22);
    // A child's window rectangle is reported in screen coordinates.
    HWND child = Make(WS_CHILD, hwnd, 5, 6, 10, 10);
    GetWindowRect(child, &wr);
    EXPECT_EQ(wr.left, 8);
    EXPECT_EQ(wr.top, 28);
}

}  // namespace
