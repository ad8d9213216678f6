// The gadget-container state: saved with the window that holds it and given back, and no
// subclassing for a window opened without gadgets.
#include "window_fixture.h"

namespace {

TEST_F(WindowSystemTest, GadgetContainerSaveAndRestore) {
    EXPECT_EQ(GadgetList_Use(nullptr), nullptr);
    HWND first = Window_Open(1, 0, 0, 100, 100, "", 0);
    EXPECT_EQ(GadgetList_Use(nullptr), first);
    HWND* first_nesting = GadgetList->nesting;
    GadgetList->nesting[0] = nullptr;
    GadgetList->nesting_depth = 0;
    HWND second = Window_Open(2, 0, 0, 100, 100, "", 0);
    EXPECT_EQ(GadgetList_Use(nullptr), second);
    EXPECT_EQ(GadgetList->nesting_capacity, 10);
    EXPECT_NE(GadgetList->nesting, first_nesting);
    // The first window's state waits in its entry and comes back.
    EXPECT_EQ(GadgetList_Use(first), second);
    EXPECT_EQ(GadgetList->container, first);
    EXPECT_EQ(GadgetList->nesting, first_nesting);
    // A window opened without gadgets is not subclassed and changes nothing.
    HWND plain = Window_Open(3, 0, 0, 100, 100, "", WINDOW_NO_GADGETS);
    EXPECT_EQ(GadgetList_Use(nullptr), first);
    EXPECT_EQ(GetWindowLongPtrA(plain, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(Window_ClassProc));
    EXPECT_EQ(GetWindowLongPtrA(first, GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(GadgetList_SubclassProc));
    // Destroying the current container leaves none.
    Window_Close(1);
    EXPECT_EQ(GadgetList_Use(nullptr), nullptr);
}

}  // namespace
