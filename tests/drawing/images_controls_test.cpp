// Images: row sizes, DIB creation, the alpha test, premultiplying, blending with and
// without msimg32, alpha drawing through the operation table, and freeing every image.
#include "surface_target.h"

namespace {

class ImagesTest : public DrawingTest {
  protected:
    void SetUp() override {
        DrawingTest::SetUp();
        Images_Init();
        Drawing_Init();
        ASSERT_NE(Drawing_AlphaBlend, nullptr);
    }
    void TearDown() override {
        Images_End();
        Drawing_End();
        DrawingTest::TearDown();
    }

    // A 32-bit top-down section filled with one BGRA value.
    static HBITMAP Section32(int w, int h, uint32_t bgra, uint32_t** bits_out = nullptr) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        for (int i = 0; i < w * h; ++i)
            static_cast<uint32_t*>(bits)[i] = bgra;
        if (bits_out) *bits_out = static_cast<uint32_t*>(bits);
        return b;
    }
    zv_test::Kernel32Reset reset_;
};

TEST_F(ImagesTest, RowBytes) {
    EXPECT_EQ(Dib_RowBytes(3, 24), 12);
    EXPECT_EQ(Dib_RowBytes(5, 1), 4);
    EXPECT_EQ(Dib_RowBytes(33, 1), 8);
    EXPECT_EQ(Dib_RowBytes(3, 16), 8);
    EXPECT_EQ(Dib_RowBytes(3, 15), 8);
    EXPECT_EQ(Dib_RowBytes(9, 4), 8);
    EXPECT_EQ(Dib_RowBytes(5, 8), 8);
    EXPECT_EQ(Dib_RowBytes(7, 32), 28);
    EXPECT_EQ(Dib_RowBytes(7, 12), 28);
}

TEST_F(ImagesTest, CreateDibRaisesSmallDepthsTo24) {
    for (auto [depth, expect] : {std::pair{8, 24}, {1, 24}, {16, 24}, {24, 24}, {32, 32}}) {
        HBITMAP b = Images_CreateDib(10, 10, depth);
        ASSERT_NE(b, nullptr);
        DIBSECTION ds;
        ASSERT_EQ(GetObjectA(b, sizeof ds, &ds), int(sizeof ds));
        EXPECT_EQ(ds.dsBm.bmBitsPixel, expect) << depth;
        EXPECT_GT(ds.dsBmih.biHeight, 0);  // bottom-up
        DeleteObject(b);
    }
    EXPECT_EQ(Images_CreateDib(0, 10, 32), nullptr);
    EXPECT_EQ(Images_CreateDib(10, 10, 40), nullptr);
}

TEST_F(ImagesTest, WhichBitmapsCarryAlpha) {
    HBITMAP section = Section32(4, 4, 0x00102030);  // alpha bytes all 0: still a 32-bit section
    EXPECT_EQ(Bitmap_HasAlpha(section), 1);
    HBITMAP rgb = Images_CreateDib(4, 4, 24);
    EXPECT_EQ(Bitmap_HasAlpha(rgb), 0);
    // A 32-bit device-dependent bitmap counts only when a pixel has non-zero alpha.
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 3, 3);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(Bitmap_HasAlpha(ddb), 0);
    uint32_t px[9] = {0, 0, 0, 0, 0x80000000, 0, 0, 0, 0};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 3;
    bi.bmiHeader.biHeight = -3;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    EXPECT_EQ(SetDIBits(nullptr, ddb, 0, 3, px, &bi, DIB_RGB_COLORS), 3);
    EXPECT_EQ(Bitmap_HasAlpha(ddb), 1);
    EXPECT_EQ(Bitmap_HasAlpha(reinterpret_cast<HBITMAP>(GetStockObject(BLACK_PEN))), 0);
    EXPECT_EQ(Bitmap_HasAlpha(nullptr), 0);
    DeleteObject(section);
    DeleteObject(rgb);
    DeleteObject(ddb);
}

TEST_F(ImagesTest, PremultiplyScalesByAlphaAndLeavesOpaquePixels) {
    uint32_t* bits = nullptr;
    HBITMAP b = Section32(2, 1, 0, &bits);
    // B, G, R, A = 255, 128, 0, 128 and an opaque pixel.
    bits[0] = 0x800080FF;
    bits[1] = 0xFF336699;
    HBITMAP copy = Bitmap_Premultiply(b, nullptr);
    ASSERT_NE(copy, nullptr);
    DIBSECTION ds;
    ASSERT_EQ(GetObjectA(copy, sizeof ds, &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
    const uint8_t* p = static_cast<uint8_t*>(ds.dsBm.bmBits);
    EXPECT_EQ(p[0], 127);
    EXPECT_EQ(p[1], 64);
    EXPECT_EQ(p[2], 0);
    EXPECT_EQ(p[3], 128);
    uint32_t second;
    memcpy(&second, p + 4, 4);
    EXPECT_EQ(second, 0xFF336699u);
    Bitmap_DeleteCopy(copy);
    EXPECT_EQ(GetObjectType(copy), 0u);
    DeleteObject(b);
}

TEST_F(ImagesTest, AlphaImageBlendsPerPixelOrByConstant) {
    SurfaceTarget t(8, 4);
    DrawingContext* c = t.NewContext();
    ASSERT_NE(Draw_Begin(c), nullptr);
    Draw_SetMode(0);
    Draw_Box(0, 0, 8, 4, 0xFFFFFF);              // white ground
    HBITMAP half = Section32(2, 2, 0x800000FF);  // blue at half alpha, not premultiplied
    c->ops.alpha_image(c, half, 0, 0, 255);
    // Premultiplied: blue (255 * 128) >> 8 = 127, plus white * (127 / 255).
    EXPECT_EQ(t.At(0, 0), 0x7F7FFEu);
    EXPECT_EQ(t.At(2, 0), 0xFFFFFFu);
    HBITMAP rgb = Images_CreateDib(2, 2, 24);  // black
    c->ops.alpha_image(c, rgb, 4, 0, 128);
    EXPECT_EQ(t.At(4, 0), 0x7F7F7Fu);
    c->ops.alpha_image(c, rgb, 6, 0, 255);
    EXPECT_EQ(t.At(6, 0), 0u);
    c->ops.alpha_image(c, rgb, 4, 2, 0);
    EXPECT_EQ(t.At(4, 2), 0xFFFFFFu);
    c->ops.alpha_image(c, nullptr, 0, 0, 255);
    // After a direct pixel write the device context is taken back first.
    c->ops.plot_colour(c, 7, 3, 0);
    c->ops.alpha_image(c, rgb, 0, 2, 255);
    EXPECT_EQ(t.At(0, 2), 0u);
    Draw_End();
    DeleteObject(half);
    DeleteObject(rgb);
}

TEST_F(ImagesTest, WithoutMsimg32ConstantAlphaIsAnOpaqueCopy) {
    Drawing_End();
    zv_test::HideModule("msimg32.dll");
    Drawing_Init();
    EXPECT_EQ(Drawing_AlphaBlend, nullptr);
    HBITMAP section = Section32(2, 2, 0x80FF0000);
    EXPECT_EQ(Bitmap_HasAlpha(section), 0);
    EXPECT_EQ(Bitmap_Premultiply(section, nullptr), nullptr);
    SurfaceTarget t(4, 2);
    HDC dc = t.MakeDc();
    Bitmap_BlendPerPixel(dc, 0, 0, 0, 0, section, nullptr, 255);
    EXPECT_EQ(t.At(0, 0), 0u);
    Bitmap_BlendConstant(dc, 0, 0, 0, 0, section, nullptr, 10);
    EXPECT_EQ(t.At(1, 1), 0xFF0000u);
    Bitmap_DeleteCopy(section);  // nothing without AlphaBlend
    EXPECT_EQ(GetObjectType(section), DWORD(OBJ_BITMAP));
    DeleteObject(section);
    zv_test::HideModule("msimg32.dll", false);
}

TEST_F(ImagesTest, ImageFreeClosesBitmapsAndIconsNumberedAndDynamic) {
    const size_t icons = zv_test::LiveIconCount();
    ImageRecord* a = static_cast<ImageRecord*>(Objects_Create(Images_Table, 3));
    a->handle = Images_CreateDib(2, 2, 24);
    ImageRecord* b = static_cast<ImageRecord*>(Objects_Create(Images_Table, OBJECT_DYNAMIC));
    HBITMAP mask = Images_CreateDib(2, 2, 24);
    ICONINFO ii{TRUE, 0, 0, mask, nullptr};
    ii.hbmColor = mask;
    b->handle = CreateIconIndirect(&ii);
    DeleteObject(mask);
    ASSERT_NE(b->handle, nullptr);
    EXPECT_EQ(zv_test::LiveIconCount(), icons + 1);
    EXPECT_EQ(Image_Free(3), 1);
    EXPECT_EQ(Objects_Find(Images_Table, 3), nullptr);
    EXPECT_EQ(Image_Free(3), 0);
    a = static_cast<ImageRecord*>(Objects_Create(Images_Table, 3));
    a->handle = Images_CreateDib(2, 2, 24);
    Image_Free(OBJECT_DYNAMIC);
    EXPECT_EQ(zv_test::LiveIconCount(), icons);
    EXPECT_EQ(Objects_Find(Images_Table, 3), nullptr);
}

}  // namespace
