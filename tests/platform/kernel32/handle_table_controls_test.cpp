#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "handle_table.h"

namespace {

struct Thing {
    int value;
};

TEST(HandleTable, StaleForeignAndGarbageHandlesAreRejected) {
    zv::HandleTable<Thing> table(3), other(4);
    uintptr_t a = table.Add(std::make_unique<Thing>(Thing{1}));
    ASSERT_NE(a, 0u);
    ASSERT_NE(table.Get(a), nullptr);
    EXPECT_EQ(table.Get(a)->value, 1);
    EXPECT_EQ(other.Get(a), nullptr);  // another kind's table
    EXPECT_EQ(table.LiveCount(), 1u);

    EXPECT_NE(table.Remove(a), nullptr);
    EXPECT_EQ(table.Get(a), nullptr);
    EXPECT_EQ(table.Remove(a), nullptr);
    // The slot is reused, under a new generation: the old handle stays dead.
    uintptr_t b = table.Add(std::make_unique<Thing>(Thing{2}));
    EXPECT_NE(a, b);
    EXPECT_EQ(table.Get(a), nullptr);
    EXPECT_EQ(table.Get(b)->value, 2);

    for (uintptr_t junk : {uintptr_t(0), uintptr_t(1), uintptr_t(4), ~uintptr_t(0), b + 64, b ^ 4})
        EXPECT_EQ(table.Get(junk), nullptr) << junk;
}

TEST(HandleTable, ManyHandlesStayDistinct) {
    zv::HandleTable<Thing> table(5);
    std::set<uintptr_t> handles;
    for (int i = 0; i < 5000; ++i)
        handles.insert(table.Add(std::make_unique<Thing>(Thing{i})));
    EXPECT_EQ(handles.size(), 5000u);
    int count = 0;
    table.ForEach([&](uintptr_t, Thing*) { ++count; });
    EXPECT_EQ(count, 5000);
}

}  // namespace
