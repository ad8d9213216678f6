// Text with the platform's font directories changed: synthetic italics, and no fonts at all.
#include "gdi_test_util.h"

#include <zorvane_test/gdi32.h>

#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

// With only the upright files (Debian's fonts-dejavu-core), italics are slanted by hand;
// with no font file at all, text still measures and draws without failing.
TEST(GdiText, SyntheticItalicAndNoFontsAtAll) {
    const std::vector<std::string> saved = zv_test::FontDirectories();
    std::string regular;
    for (const std::string& d : saved) {
        FILE* f = fopen((d + "DejaVuSans.ttf").c_str(), "rb");
        if (f) {
            fclose(f);
            regular = d + "DejaVuSans.ttf";
            break;
        }
    }
    ASSERT_FALSE(regular.empty());
    char dir[] = "/tmp/zv_fontsXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string copy = std::string(dir) + "/DejaVuSans.ttf";
    ASSERT_EQ(symlink(regular.c_str(), copy.c_str()), 0);
    zv_test::SetFontDirectories({dir});

    HFONT italic = Font(-24, true);
    EXPECT_EQ(zv_test::FontFileOf(italic), copy);
    Canvas c(60, 40), upright_canvas(60, 40);
    c.Clear();
    upright_canvas.Clear();
    HFONT upright = Font(-24);
    for (auto [canvas, font] : {std::pair{&c, italic}, std::pair{&upright_canvas, upright}})
        DrawWhiteText(*canvas, font, 2, 2, "l");
    // The slanted stem reaches further right at its top than at its bottom.
    auto rightmost = [](const Canvas& cv, int y) {
        int r = -1;
        for (int x = 0; x < cv.w; ++x)
            if (cv.At(x, y)) r = x;
        return r;
    };
    int top = -1, bottom = -1;
    for (int y = 0; y < 40; ++y)
        if (rightmost(c, y) >= 0) {
            if (top < 0) top = y;
            bottom = y;
        }
    ASSERT_GE(top, 0);
    EXPECT_GT(rightmost(c, top), rightmost(c, bottom));
    EXPECT_EQ(rightmost(upright_canvas, top + 1), rightmost(upright_canvas, bottom - 1));
    DeleteObject(italic);
    DeleteObject(upright);

    zv_test::SetFontDirectories({"/nonexistent"});
    HFONT none = Font(-16);
    EXPECT_EQ(zv_test::FontFileOf(none), "");
    HGDIOBJ old = SelectObject(c.dc, none);
    SIZE sz;
    EXPECT_TRUE(GetTextExtentPoint32A(c.dc, "abc", 3, &sz));
    EXPECT_GT(sz.cx, 0);
    EXPECT_GT(sz.cy, 0);
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, "abc", 3));
    SelectObject(c.dc, old);
    DeleteObject(none);

    zv_test::SetFontDirectories(saved);
    unlink(copy.c_str());
    rmdir(dir);
}

}  // namespace
