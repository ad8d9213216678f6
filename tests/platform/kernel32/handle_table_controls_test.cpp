#include <gtest/gtest.h>

#include <zorvane_test/new_failures.h>

#include <memory>
#include <new>
#include <set>
#include <vector>

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

// Adds a thing with every allocation refused; true when the add ran out of memory.
bool AddRefused(zv::HandleTable<Thing>& table, int value, uintptr_t* handle) {
    auto thing = std::make_unique<Thing>(Thing{value});
    zv_test::NewFailuresOff off;
    zv_test::FailNewAfter(0);
    try {
        *handle = table.Add(std::move(thing));
    } catch (const std::bad_alloc&) {
        return true;
    }
    return false;
}

TEST(HandleTable, AnAddThatRunsOutOfMemoryLeavesTheTableAsItWas) {
    zv::HandleTable<Thing> table(6);
    uintptr_t h = 0;
    // The first add needs the first block of slots; the 1025th, the second.
    EXPECT_TRUE(AddRefused(table, 1, &h));
    EXPECT_EQ(table.LiveCount(), 0u);
    std::vector<uintptr_t> handles;
    for (int i = 0; i < 1024; ++i)
        handles.push_back(table.Add(std::make_unique<Thing>(Thing{i})));
    EXPECT_TRUE(AddRefused(table, 7, &h));
    EXPECT_EQ(table.LiveCount(), 1024u);

    // No slot was lost or handed out twice: the next add takes the next one.
    uintptr_t next = table.Add(std::make_unique<Thing>(Thing{1024}));
    ASSERT_NE(next, 0u);
    EXPECT_EQ(std::set<uintptr_t>(handles.begin(), handles.end()).count(next), 0u);
    EXPECT_EQ(table.Get(next)->value, 1024);
    EXPECT_EQ(table.Get(handles[5])->value, 5);
}

TEST(HandleTable, RemovingNeverAllocates) {
    zv::HandleTable<Thing> table(7);
    std::vector<uintptr_t> handles;
    for (int i = 0; i < 3000; ++i)
        handles.push_back(table.Add(std::make_unique<Thing>(Thing{i})));
    zv_test::NewFailuresOff off;
    zv_test::FailNewAfter(0);
    size_t removed = 0;
    for (uintptr_t h : handles)
        removed += table.Remove(h) != nullptr;
    EXPECT_EQ(zv_test::ClearNewFailures(), 0u);
    EXPECT_EQ(removed, handles.size());
    EXPECT_EQ(table.LiveCount(), 0u);
    // A freed slot is taken again without allocating.
    auto thing = std::make_unique<Thing>(Thing{1});
    auto again = zv_test::RunWithoutMemory([&] { return table.Add(std::move(thing)); });
    EXPECT_EQ(again.refused, 0u);
    EXPECT_NE(again.result, 0u);
}

}  // namespace
