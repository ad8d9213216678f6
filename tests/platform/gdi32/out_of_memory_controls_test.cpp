// GDI32 when the platform's own memory runs out: a call fails with its failure result and
// ERROR_NOT_ENOUGH_MEMORY at whichever of its allocations memory runs out, leaves no
// object behind and leaves its device context usable; deleting never needs memory.
#include "gdi_test_util.h"

#include <zorvane_test/gdi32.h>
#include <zorvane_test/new_failures.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "platform/out_of_memory_sweep.h"

namespace {

using zv_oom::SweepCalls;
using zv_oom::SweepFailures;

struct Counts {
    size_t objects, dcs, icons;
    bool operator==(const Counts&) const = default;
};
Counts Live() {
    return {zv_test::LiveGdiObjectCount(), zv_test::LiveDcCount(), zv_test::LiveIconCount()};
}

// Runs `make` through every allocation failure. Each failed run gives null with
// ERROR_NOT_ENOUGH_MEMORY and leaves the counts as they were; the handle of the last run,
// which succeeded, is returned.
HANDLE SweepCreation(const std::function<HANDLE()>& make) {
    const Counts before = Live();
    auto sweep = SweepFailures(make, nullptr, [&] { EXPECT_EQ(Live(), before); });
    EXPECT_GT(sweep.runs, 1u);
    return sweep.result;
}

TEST(GdiOutOfMemory, CreationsFailWithoutAnObjectLeft) {
    zv_test::NewFailuresOff off;
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    Canvas mask(4, 8), color(4, 4);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[16];
    } dib{{DWORD(sizeof(BITMAPINFOHEADER)), 6, 5, 1, 4, BI_RGB, 0, 0, 0, 16, 0}, {}};
    struct {
        WORD version, count;
        PALETTEENTRY entries[16];
    } palette{0x300, 16, {}};
    const uint32_t bits[16] = {};
    LOGFONTA font{};
    font.lfHeight = -14;
    snprintf(font.lfFaceName, LF_FACESIZE, "%s", "Courier New");
    ICONINFO icon{TRUE, 0, 0, mask.bmp, color.bmp};

    auto object = [](HANDLE h) { return DeleteObject(h) != FALSE; };
    struct Case {
        const char* call;
        std::function<HANDLE()> make;
        std::function<bool(HANDLE)> release;
    } cases[] = {
        {"CreatePen", [] { return CreatePen(PS_SOLID, 1, RGB(1, 2, 3)); }, object},
        {"CreateSolidBrush", [] { return CreateSolidBrush(RGB(1, 2, 3)); }, object},
        {"CreateFontIndirectA", [&] { return CreateFontIndirectA(&font); }, object},
        {"CreatePalette",
         [&] { return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette)); }, object},
        {"CreateCompatibleBitmap", [&] { return CreateCompatibleBitmap(screen, 8, 8); }, object},
        {"CreateBitmap", [&] { return CreateBitmap(4, 4, 1, 32, bits); }, object},
        {"CreateDIBSection",
         [&] {
             void* p = nullptr;
             return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&dib), DIB_RGB_COLORS,
                                     &p, nullptr, 0);
         },
         object},
        {"CreateCompatibleDC", [] { return CreateCompatibleDC(nullptr); },
         [](HANDLE h) { return DeleteDC(HDC(h)) != FALSE; }},
        {"GetDC", [] { return GetDC(nullptr); },
         [](HANDLE h) { return ReleaseDC(nullptr, HDC(h)) == 1; }},
        {"CreateIconIndirect", [&] { return CreateIconIndirect(&icon); },
         [](HANDLE h) { return DestroyIcon(HICON(h)) != FALSE; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        const Counts before = Live();
        HANDLE made = SweepCreation(c.make);
        ASSERT_NE(made, nullptr);
        EXPECT_NE(Live(), before);
        auto released = zv_test::RunWithoutMemory([&] { return c.release(made); });
        EXPECT_TRUE(released.result);
        EXPECT_EQ(released.refused, 0u) << "releasing allocated";
        EXPECT_EQ(Live(), before);
    }
    ReleaseDC(nullptr, screen);
}

// The stock objects are made on first use, all at once. A first use that runs out of
// memory leaves none of them behind, and a later one makes them all. (Only a program that
// has not used GDI yet gets to see this; elsewhere they are there from the start.)
TEST(GdiOutOfMemory, StockObjectsComeAllAtOnceOrNotAtAll) {
    zv_test::NewFailuresOff off;
    const size_t handles = zv_test::GdiHandleCount();
    HGDIOBJ pen = SweepFailures([] { return GetStockObject(BLACK_PEN); }, nullptr,
                                [&] { EXPECT_EQ(zv_test::GdiHandleCount(), handles); })
                      .result;
    ASSERT_NE(pen, nullptr);
    for (int i : {WHITE_BRUSH, NULL_BRUSH, WHITE_PEN, BLACK_PEN, NULL_PEN, SYSTEM_FONT,
                  DEFAULT_PALETTE, DEFAULT_GUI_FONT, DC_BRUSH, DC_PEN})
        EXPECT_NE(GetObjectType(GetStockObject(i)), 0u) << i;
    // The default bitmap is one of them: a new memory DC has it.
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAP bm{};
    EXPECT_EQ(GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 1);
    DeleteDC(dc);
}

TEST(GdiOutOfMemory, DrawingCallsFailAndLeaveTheirDeviceContextUsable) {
    zv_test::NewFailuresOff off;
    Canvas canvas(48, 40);
    Tools tools(canvas.dc, RGB(255, 0, 0), RGB(0, 0, 255));
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } dib{{DWORD(sizeof(BITMAPINFOHEADER)), 8, -8, 1, 8, BI_RGB, 0, 0, 0, 256, 0}, {}};
    for (int i = 0; i < 256; ++i)
        dib.colors[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(255 - i), 0};
    uint8_t indexes[64];
    for (int i = 0; i < 64; ++i)
        indexes[i] = uint8_t(i * 4);
    const auto* info = reinterpret_cast<BITMAPINFO*>(&dib);
    struct Case {
        const char* call;
        std::function<bool()> draw;
    } cases[] = {
        // A box one pixel high: its outline's sides overlap and are gathered first.
        {"Rectangle", [&] { return Rectangle(canvas.dc, 2, 2, 30, 3) != FALSE; }},
        {"Rectangle", [&] { return Rectangle(canvas.dc, 2, 2, 30, 20) != FALSE; }},
        {"Ellipse", [&] { return Ellipse(canvas.dc, 1, 1, 40, 30) != FALSE; }},
        {"RoundRect", [&] { return RoundRect(canvas.dc, 3, 3, 45, 38, 12, 9) != FALSE; }},
        {"ExtFloodFill",
         [&] { return ExtFloodFill(canvas.dc, 20, 15, RGB(255, 0, 0), FLOODFILLBORDER) != FALSE; }},
        {"TextOutA", [&] { return TextOutA(canvas.dc, 2, 2, "Zorvane", 7) != FALSE; }},
        {"GetTextExtentPoint32A",
         [&] {
             SIZE size;
             return GetTextExtentPoint32A(canvas.dc, "Zorvane", 7, &size) != FALSE;
         }},
        {"StretchDIBits",
         [&] {
             return StretchDIBits(canvas.dc, 0, 0, 16, 16, 0, 0, 8, 8, indexes, info,
                                  DIB_RGB_COLORS, SRCCOPY) != 0;
         }},
        {"SetDIBits",
         [&] {
             return SetDIBits(canvas.dc, canvas.bmp, 0, 8, indexes, info, DIB_RGB_COLORS) != 0;
         }},
        {"GetDIBits",
         [&] {
             uint8_t out[64];
             auto copy = dib;
             return GetDIBits(canvas.dc, canvas.bmp, 0, 8, out,
                              reinterpret_cast<BITMAPINFO*>(&copy), DIB_RGB_COLORS) != 0;
         }},
    };
    const Counts before = Live();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        auto sweep = SweepCalls(c.draw, [&](bool refused, bool drawn, DWORD error) {
            if (refused && !drawn) {
                EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
            }
            EXPECT_EQ(Live(), before);
        });
        EXPECT_TRUE(sweep.result);
    }
    // Still the pen and brush of before, and still drawing.
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PEN), tools.pen);
    canvas.Clear();
    EXPECT_TRUE(Rectangle(canvas.dc, 0, 0, 4, 4));
    EXPECT_EQ(canvas.At(0, 0), 0xFF0000u);  // the red outline, as 0x00RRGGBB
    EXPECT_EQ(canvas.At(1, 1), 0x0000FFu);  // the blue inside
}

}  // namespace
