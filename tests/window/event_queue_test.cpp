// Event retrieval: the queue merges back-to-back duplicates and keeps the current event,
// purges one window's events, and waits until a message comes.
#include <thread>

#include "window_fixture.h"

namespace {

using Codes = std::vector<int32_t>;

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

}  // namespace
