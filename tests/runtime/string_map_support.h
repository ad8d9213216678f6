// A map under test in map_, made and filled through short helpers, and the number of
// runtime blocks before it was made; and a value record with managed fields.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include <gtest/gtest.h>

#include "runtime/arrays.h"
#include "runtime/string_map.h"

namespace {

// Base is RuntimeTest, or RuntimeControlsTest for the tests that force failures.
template <class Base>
class StringMapFixture : public Base {
  protected:
    void SetUp() override {
        Base::SetUp();
        empty_blocks_ = Base::RuntimeBlocks();
    }
    StringMap* New(int32_t value_size = 8, int32_t buckets = 1024, StructLayout layout = nullptr) {
        StringMap* made = Map_New(value_size, 7, layout, &map_, buckets);
        EXPECT_EQ(made, map_);
        return made;
    }
    int32_t* Add(const char* key, int32_t value, int32_t find_first = 0) {
        auto* slot = static_cast<int32_t*>(Map_Add(map_, key, find_first));
        if (slot) *slot = value;
        return slot;
    }
    std::vector<int32_t> Walk() {
        std::vector<int32_t> seen;
        Map_Reset(map_);
        while (void* value = Map_Next(map_))
            seen.push_back(*static_cast<int32_t*>(value));
        return seen;
    }

    StringMap* map_ = nullptr;
    size_t empty_blocks_ = 0;
};

struct Binding {
    char* name;
    void* list;  // array of int32
    int32_t plain;
};
const LayoutWord kBindingLayout[] = {offsetof(Binding, name),
                                     LAYOUT_ARRAY,
                                     offsetof(Binding, list),
                                     4,
                                     3,
                                     ARRAY_TYPE_INT32,
                                     0,
                                     LAYOUT_END};

}  // namespace
