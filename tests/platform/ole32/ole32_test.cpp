#include <gtest/gtest.h>
#include <ole2.h>

namespace {

TEST(RevokeDragDrop, RevokesWhatWasRegisteredOnce) {
    HWND hwnd = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_NE(hwnd, nullptr);
    auto* target = reinterpret_cast<IDropTarget*>(hwnd);  // never called here
    EXPECT_EQ(RevokeDragDrop(hwnd), DRAGDROP_E_NOTREGISTERED);
    EXPECT_EQ(RegisterDragDrop(hwnd, target), S_OK);
    EXPECT_EQ(RegisterDragDrop(hwnd, target), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(RevokeDragDrop(hwnd), S_OK);
    EXPECT_EQ(RevokeDragDrop(hwnd), DRAGDROP_E_NOTREGISTERED);
    DestroyWindow(hwnd);
    EXPECT_EQ(RevokeDragDrop(hwnd), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RegisterDragDrop(hwnd, target), DRAGDROP_E_INVALIDHWND);
}

}  // namespace
