// Binding keys as their text: a binding added through Bindings_Add is found in the map
// under "code:window:object:type" written out by hand, and a binding put into the map
// under such a text runs for its event, so neither side leans on the same formatter.
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

}  // namespace
