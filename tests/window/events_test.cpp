// Event retrieval, the window procedure's events, bindings and posted events.
#include <thread>

#include <richedit.h>

#include <algorithm>

#include "window_fixture.h"

namespace {

using Codes = std::vector<int32_t>;

std::vector<std::string> g_calls;
void CallA() {
    g_calls.push_back("A:" + std::to_string(Events->current_code));
}
void CallB() {
    g_calls.push_back("B");
}
void CallC() {
    g_calls.push_back("C");
}
void CallD() {
    g_calls.push_back("D");
}
void CallE() {
    g_calls.push_back("E");
}
void CallF() {
    g_calls.push_back("F");
}

int g_released = 0;
void Release(INT_PTR data) {
    g_released += int(data);
}

TEST_F(WindowSystemTest, QueueMergesBackToBackDuplicatesAndKeepsTheCurrentEvent) {
    EXPECT_EQ(Event_Poll(), 0) << "nothing queued, nothing waiting";
    Messages->last_wparam = 77;
    EXPECT_EQ(Event_Poll(), 0);
    EXPECT_EQ(Messages->last_wparam, 77u) << "an empty poll leaves the message state alone";

    Event_Post(13100, 5, 2, 0);
    Event_Post(13100, 5, 2, 0);    // merged
    Event_Post(0x10000, 1, 2, 0);  // codes from 0x10000 up never merge
    Event_Post(0x10000, 1, 2, 0);
    Event_Post(13101, 1, 2, 0);
    Event_Post(13100, 5, 2, 0);  // not back to back: kept
    Codes got;
    while (int32_t c = Event_TakeQueued())
        got.push_back(c);
    EXPECT_EQ(got, (Codes{13100, 0x10000, 0x10000, 13101, 13100}));

    Event_Post(EVENT_SIZE_WINDOW, 3, 4, 9);
    EXPECT_EQ(Event_Poll(), EVENT_SIZE_WINDOW);
    EXPECT_EQ(Events->current_code, EVENT_SIZE_WINDOW);
    EXPECT_EQ(Events->current_object, 3);
    EXPECT_EQ(Events->current_window, 4);
    EXPECT_EQ(Events->current_type, 9);
    EXPECT_EQ(Messages->last_wparam, 0u);
    EXPECT_EQ(Messages->event_lparam, 0);
    // Empty: code 0, type -1, window and object kept.
    EXPECT_EQ(Event_TakeQueued(), 0);
    EXPECT_EQ(Events->current_type, EVENT_ANY);
    EXPECT_EQ(Events->current_window, 4);
    EXPECT_EQ(Events->current_object, 3);

    // A dispatched message leaves its parameters.
    HWND h = Window_Open(0, 0, 0, 100, 100, "", 0);
    Drain();
    PostMessageA(h, WM_USER + 3, 11, 12);
    EXPECT_EQ(Event_Poll(), WM_USER + 3);
    EXPECT_EQ(Messages->last_wparam, 11u);
    EXPECT_EQ(Messages->event_lparam, 12);

    // Data is released when the next event is taken, even from an empty queue.
    Event_PostWithData(13110, 0, 0, 0, 5, Release);
    EXPECT_EQ(Event_TakeQueued(), 13110);
    EXPECT_EQ(g_released, 0);
    EXPECT_EQ(Event_TakeQueued(), 0);
    EXPECT_EQ(g_released, 5);
}

TEST_F(WindowSystemTest, PurgeDropsOneWindowsEvents) {
    Event_Post(13100, 0, 1, 0);
    Event_Post(13101, 0, 2, 0);
    Event_Post(13102, 0, 1, 0);
    Event_Post(13103, 0, 3, 0);
    Event_Post(13104, 0, 1, 0);
    Event_PurgeWindow(1);
    Event_Post(13105, 0, 4, 0);  // the tail is right after purging
    Codes got;
    while (int32_t c = Event_TakeQueued())
        got.push_back(c);
    EXPECT_EQ(got, (Codes{13101, 13103, 13105}));
}

TEST_F(WindowSystemTest, BindingsRunForTheFiveKeysInOrder) {
    g_calls.clear();
    ASSERT_TRUE(Bindings_Add(13100, 2, 5, 0, 2, CallA));
    ASSERT_TRUE(Bindings_Add(13100, 2, 5, EVENT_ANY, 2, CallB));
    ASSERT_TRUE(Bindings_Add(13100, 2, EVENT_ANY, EVENT_ANY, 2, CallC));
    ASSERT_TRUE(Bindings_Add(13100, EVENT_ANY, EVENT_ANY, EVENT_ANY, 7, CallD));
    ASSERT_TRUE(Bindings_Add(13100, EVENT_ANY, 5, 0, 8, CallE));
    ASSERT_TRUE(Bindings_Add(13100, 2, EVENT_ANY, 0, 2, CallF));  // never looked up
    Event_Post(13100, 5, 2, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"A:13100", "B", "C", "D", "E"}));
    EXPECT_EQ(Events->current_code, 0) << "the current event is restored after the callbacks";

    // Window -1: the first and fifth lookups are the same key and run twice.
    g_calls.clear();
    Bindings_Add(13101, EVENT_ANY, 1, 0, 9, CallB);
    Event_Post(13101, 1, EVENT_ANY, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"B", "B"}));

    // Removing window 2 keeps bindings whose window field differs, even under keys naming 2.
    Bindings_Add(13102, 2, 0, 0, 3, CallC);
    Bindings_RemoveWindow(2);
    g_calls.clear();
    Event_Post(13100, 5, 2, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"D", "E"}));
    g_calls.clear();
    Event_Post(13102, 0, 2, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"C"}));
}

TEST_F(WindowSystemTest, EventPostedFromAnotherThread) {
    ASSERT_NE(PostedEventWindow, nullptr);
    ASSERT_NE(PostedEventMessage, 0u);
    std::thread sender([] {
        auto* block = static_cast<PostedEventBlock*>(Runtime_Alloc(sizeof(PostedEventBlock), TRUE));
        block->code = EVENT_CLOSE_WINDOW;
        block->window = 0;
        block->object = 0;
        PostMessageA(PostedEventWindow, PostedEventMessage, 0, reinterpret_cast<LPARAM>(block));
    });
    sender.join();
    EXPECT_EQ(Event_Poll(), int32_t(PostedEventMessage));
    EXPECT_EQ(Event_Poll(), EVENT_CLOSE_WINDOW);
    EXPECT_EQ(Events->current_window, 0);
}

TEST_F(WindowSystemTest, WaitingWithoutLimitReturnsWhenAnotherThreadPosts) {
    HWND h = Window_Open(0, 0, 0, 100, 100, "", 0);
    Drain();
    std::thread poster([h] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostMessageA(h, WM_USER + 1, 0, 0);
    });
    EXPECT_EQ(Event_Wait(-1), WM_USER + 1);
    poster.join();
    // A time-out with nothing coming returns 0 and leaves the message state alone.
    Messages->last_lparam = 5;
    EXPECT_EQ(Event_Wait(10), 0);
    EXPECT_EQ(Messages->last_lparam, 5);
}

TEST_F(WindowSystemTest, HookFirstThenTable) {
    HWND h = Window_Open(0, 0, 0, 100, 100, "", 0);
    Drain();
    auto* record = static_cast<WindowRecord*>(Objects_Find(WindowTable, 0));
    record->hook = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return LRESULT(RESULT_CONTINUE); };
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_EQ(Drain(), Codes{EVENT_CLOSE_WINDOW});
    record->hook = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return LRESULT(RESULT_DEFAULT); };
    SendMessageA(h, WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(Drain().empty());
    // RESULT_DEFAULT from the hook goes to the default procedure: WM_CLOSE destroys.
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h));
    record->hook = nullptr;
}

}  // namespace
