// Drag-and-drop registration on its own. Windows needs OleInitialize first and calls the
// target's AddRef; our single entry point does neither, so this runs against ours alone.
#include <gtest/gtest.h>
#include <ole2.h>

#include "support/counted_drop_target.h"

namespace {

TEST(RevokeDragDrop, RevokesWhatWasRegisteredOnce) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    HWND hwnd = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_NE(hwnd, nullptr);
    zv_support::CountedDropTarget target;
    EXPECT_EQ(RevokeDragDrop(hwnd), DRAGDROP_E_NOTREGISTERED);
    EXPECT_EQ(RegisterDragDrop(hwnd, &target), S_OK);
    EXPECT_EQ(target.refs, 2u) << "the registration holds a reference";
    EXPECT_EQ(RegisterDragDrop(hwnd, &target), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(target.refs, 2u);
    EXPECT_EQ(RevokeDragDrop(hwnd), S_OK);
    EXPECT_EQ(target.refs, 1u) << "revoking gives it back";
    EXPECT_EQ(RevokeDragDrop(hwnd), DRAGDROP_E_NOTREGISTERED);
    EXPECT_EQ(target.refs, 1u);
    DestroyWindow(hwnd);
    EXPECT_EQ(RevokeDragDrop(hwnd), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RegisterDragDrop(hwnd, &target), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(target.refs, 1u);
    OleUninitialize();
}

TEST(RegisterDragDrop, WantsOleInitialisedOnTheThread) {
    HWND hwnd = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_NE(hwnd, nullptr);
    zv_support::CountedDropTarget target;
    EXPECT_TRUE(FAILED(RegisterDragDrop(hwnd, &target)));
    EXPECT_EQ(target.refs, 1u);
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
    OleUninitialize();
    EXPECT_EQ(RegisterDragDrop(hwnd, &target), S_OK);
    EXPECT_EQ(RevokeDragDrop(hwnd), S_OK);
    OleUninitialize();
    DestroyWindow(hwnd);
}

}  // namespace
