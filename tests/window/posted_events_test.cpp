// Event bindings and posted events. Binding keys are their text: a binding added through
// Bindings_Add is found in the map under "code:window:object:type" written out by hand,
// and a binding put into the map under such a text runs for its event, so neither side
// leans on the same formatter. The five lookups of an event run in order, and an event
// posted from another thread arrives.
#include <string>
#include <thread>
#include <vector>

#include "window_fixture.h"

namespace {

void Bound() {}

TEST_F(WindowSystemTest, BindingKeysAreTheirTextInTheMap) {
    ASSERT_TRUE(Bindings_Add(13100, 2, 5, EVENT_ANY, 2, Bound));
    auto* binding = static_cast<EventBinding*>(Map_Find(Bindings, "13100:2:5:-1"));
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(binding->window, 2);
    ASSERT_NE(binding->callbacks, nullptr);
    EXPECT_EQ(binding->callbacks->callback, Bound);
    EXPECT_EQ(Map_Find(Bindings, "13100:2:5:0"), nullptr);
    ASSERT_TRUE(Bindings_Add(INT32_MIN, INT32_MAX, 0, EVENT_ANY, 4, Bound));
    EXPECT_NE(Map_Find(Bindings, "-2147483648:2147483647:0:-1"), nullptr);
}

std::vector<std::string> g_ran;
void RanExact() {
    g_ran.push_back("13100:2:5:0");
}
void RanAnyWindow() {
    g_ran.push_back("13100:-1:5:0");
}
void RanExtreme() {
    g_ran.push_back("-2147483648:2147483647:0:-1");
}

// A binding put into the map by its text, as another part of the runtime would.
void BindByText(const char* key, int32_t owner, BindingCallbackFn fn) {
    auto* node = static_cast<BindingCallback*>(Runtime_Alloc(sizeof(BindingCallback), TRUE));
    ASSERT_NE(node, nullptr);
    node->callback = fn;
    auto* binding = static_cast<EventBinding*>(Map_Add(Bindings, key, 0));
    ASSERT_NE(binding, nullptr);
    binding->callbacks = node;
    binding->window = owner;
}

TEST_F(WindowSystemTest, EventsFindBindingsByTheirText) {
    g_ran.clear();
    BindByText("13100:2:5:0", 2, RanExact);
    BindByText("13100:-1:5:0", 9, RanAnyWindow);
    BindByText("-2147483648:2147483647:0:-1", 9, RanExtreme);
    Event_Post(13100, 5, 2, 0);
    EXPECT_EQ(g_ran, (std::vector<std::string>{"13100:2:5:0", "13100:-1:5:0"}));
    g_ran.clear();
    Event_Post(INT32_MIN, 0, INT32_MAX, 3);
    EXPECT_EQ(g_ran, (std::vector<std::string>{"-2147483648:2147483647:0:-1"}));
}

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

}  // namespace
