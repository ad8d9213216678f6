// Keys from the host's input as the event retrieval sees them: Tab moves the focus, except
// in editable rich text.
#include <zorvane_test/host.h>

#include <richedit.h>

#include "support/window_class.h"
#include "window_fixture.h"

namespace {

// Stand-ins for a rich-text control: one editable, one read-only.
LRESULT CALLBACK RichProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == EM_GETOPTIONS) return GetPropA(h, "readonly") ? ECO_READONLY : 0;
    return DefWindowProcA(h, m, w, l);
}

TEST_F(WindowSystemTest, TabMovesTheFocusExceptInEditableRichText) {
    HWND h = Window_Open(0, 0, 0, 300, 300, "", 0);
    auto make = [&](const char* cls, DWORD style) {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, h, nullptr,
                               nullptr, nullptr);
    };
    HWND a = make("Static", WS_TABSTOP);
    HWND skipped = make("Static", 0);
    HWND b = make("Static", WS_TABSTOP);
    HWND c = make("Static", WS_TABSTOP);
    (void)skipped;
    Drain();
    auto tab = [&](bool shift) {
        if (shift) zv_test::InjectKey(VK_SHIFT, true);
        zv_test::InjectKey(VK_TAB, true);
        zv_test::InjectKey(VK_TAB, false);
        if (shift) zv_test::InjectKey(VK_SHIFT, false);
        Drain();
        return GetFocus();
    };
    SetFocus(h);  // no focused child: Tab takes the first stop, Shift+Tab the last
    EXPECT_EQ(tab(false), a);
    EXPECT_EQ(tab(false), b);
    EXPECT_EQ(tab(false), c);
    EXPECT_EQ(tab(false), a) << "wraps to the first";
    EXPECT_EQ(tab(true), c) << "Shift+Tab on the first goes to the last";
    EXPECT_EQ(tab(true), b);
    SetFocus(h);
    EXPECT_EQ(tab(true), c);
    // Shift made the keyboard cues visible.
    EXPECT_EQ(SendMessageA(h, WM_QUERYUISTATE, 0, 0) & (UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);

    zv_support::ScopedWindowClass rich_class("RichEdit20A", RichProc);
    HWND rich = make("RichEdit20A", WS_TABSTOP);
    SetFocus(rich);
    EXPECT_EQ(tab(false), rich) << "an editable rich-text control keeps its Tab";
    SetPropA(rich, "readonly", rich);
    EXPECT_EQ(tab(false), a) << "a read-only one does not";
    DestroyWindow(rich);
}

}  // namespace
