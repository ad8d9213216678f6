// Icons: drawing through the mask, destroying, and the platform's count of live icons.
#include "gdi_test_util.h"

#include <zorvane_test/gdi32.h>

namespace {

TEST(GdiIcon, DrawAndDestroy) {
    const size_t icons = zv_test::LiveIconCount();
    Canvas color(2, 2), mask(2, 2);
    color.px[0] = 0x0000FF;
    color.px[3] = 0x00FF00;
    mask.px[1] = mask.px[2] = 0xFFFFFF;  // pixels 1 and 2 keep the destination
    ICONINFO ii{TRUE, 0, 0, mask.bmp, color.bmp};
    HICON icon = CreateIconIndirect(&ii);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(zv_test::LiveIconCount(), icons + 1);
    Canvas c(4, 4);
    c.Clear(0x404040);
    ASSERT_TRUE(DrawIconEx(c.dc, 1, 1, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(c.At(1, 1), 0x0000FFu);
    EXPECT_EQ(c.At(2, 1), 0x404040u);
    EXPECT_EQ(c.At(2, 2), 0x00FF00u);
    EXPECT_EQ(c.At(0, 0), 0x404040u);
    EXPECT_TRUE(DrawIconEx(c.dc, 0, 0, icon, 4, 4, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(c.At(3, 3), 0x00FF00u);
    EXPECT_EQ(GetObjectType(icon), 0u);
    EXPECT_TRUE(DestroyIcon(icon));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DestroyIcon(icon));
    EXPECT_NE(GetLastError(), 0xdeadbeefu);
    EXPECT_FALSE(DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(zv_test::LiveIconCount(), icons);
}

}  // namespace
