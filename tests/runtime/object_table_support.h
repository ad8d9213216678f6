// An object table of small records around each test, with a close routine that notes
// what it was asked to close and frees it unless a test says otherwise.
#pragma once

#include <stdint.h>

#include <vector>

#include <gtest/gtest.h>

#include "runtime/object_table.h"

namespace {

struct Thing {
    int32_t handle;  // non-zero while live
    int32_t payload[5];
};

ObjectTable* g_table;
std::vector<int32_t> g_closed;
bool g_close_frees = true;

std::vector<bool> g_found_on_close;

int32_t CloseThing(int32_t number) {
    if (number == OBJECT_DYNAMIC) return Objects_FreeAll(g_table);
    g_closed.push_back(number);
    g_found_on_close.push_back(Objects_Find(g_table, number) != nullptr);
    if (!Objects_Find(g_table, number)) return 0;
    if (g_close_frees) Objects_Free(g_table, number);
    return 1;
}

// Base is RuntimeTest, or RuntimeControlsTest for the tests that force failures.
template <class Base>
class ObjectTableFixture : public Base {
  protected:
    void SetUp() override {
        Base::SetUp();
        g_closed.clear();
        g_found_on_close.clear();
        g_close_frees = true;
        g_table = Objects_NewTable(sizeof(Thing), 16, CloseThing);
        ASSERT_NE(g_table, nullptr);
    }
    Thing* Make(int32_t number, int32_t handle = 1) {
        auto* thing = static_cast<Thing*>(Objects_Create(g_table, number));
        if (thing) thing->handle = handle;
        return thing;
    }
};

}  // namespace
