// Object tables: numbered and dynamic objects, enumeration, freeing, bad arguments, and a
// million random operations checked against a model.
#include "runtime/object_table.h"

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <random>
#include <unordered_map>
#include <vector>

#include "object_table_support.h"
#include "runtime_test_support.h"

namespace {

using ObjectTableTest = ObjectTableFixture<RuntimeTest>;

TEST_F(ObjectTableTest, NumberBeyondTheSlotsGrowsByOneStepBeyondIt) {
    EXPECT_EQ(g_table->slot_count, 16);
    ASSERT_NE(Make(20), nullptr);
    EXPECT_EQ(g_table->slot_count, 36);
    for (int i = 16; i < 36; ++i) {
        if (i == 20) continue;
        EXPECT_EQ(g_table->slots[i], nullptr) << i;
    }
    EXPECT_NE(Objects_Find(g_table, 20), nullptr);
    EXPECT_EQ(Objects_Find(g_table, 21), nullptr);
}

TEST_F(ObjectTableTest, RecreatingALiveNumberClosesItAndReturnsTheSameEmptyRecord) {
    Thing* first = Make(4, 77);
    first->payload[2] = 9;
    Thing* second = Make(4, 0);
    EXPECT_EQ(second, first);
    EXPECT_EQ(g_closed, std::vector<int32_t>{4});
    EXPECT_EQ(second->payload[2], 0);

    // A kind whose close routine keeps the record as it is still gets an empty record.
    g_close_frees = false;
    second->handle = 5;
    second->payload[0] = 3;
    Thing* third = static_cast<Thing*>(Objects_Create(g_table, 4));
    EXPECT_EQ(third, first);
    EXPECT_EQ(third->handle, 0);
    EXPECT_EQ(third->payload[0], 0);
}

TEST_F(ObjectTableTest, FreedNumberIsNotFoundAndComesBackInTheSameRecord) {
    Thing* thing = Make(3);
    size_t blocks = RuntimeBlocks();
    Objects_Free(g_table, 3);
    EXPECT_EQ(Objects_Find(g_table, 3), nullptr);
    EXPECT_EQ(RuntimeBlocks(), blocks);  // the record stays in its slot
    // A record in the slot is handed to the close routine even when it is not live; the
    // routine finds no object there and does nothing.
    EXPECT_EQ(Make(3), thing);
    EXPECT_EQ(g_closed, std::vector<int32_t>{3});
    EXPECT_EQ(g_found_on_close, std::vector<bool>{false});
    // A number whose slot never held a record is not closed at all.
    ASSERT_NE(Make(7), nullptr);
    EXPECT_EQ(g_closed, std::vector<int32_t>{3});
}

TEST_F(ObjectTableTest, DynamicObjectsHaveIdentifiersNoNumberReaches) {
    Thing* a = Make(OBJECT_DYNAMIC, 1);
    Thing* b = Make(OBJECT_DYNAMIC, 2);
    int32_t ida = Objects_IdentifierOf(g_table, a);
    int32_t idb = Objects_IdentifierOf(g_table, b);
    EXPECT_GE(ida, OBJECT_DYNAMIC_FIRST);
    EXPECT_GE(idb, OBJECT_DYNAMIC_FIRST);
    EXPECT_NE(ida, idb);
    EXPECT_EQ(Objects_Find(g_table, ida), a);
    EXPECT_EQ(Objects_Find(g_table, idb), b);

    // Numbers inside the identifier range and below -1 name nothing and change nothing.
    for (int32_t bad : {OBJECT_DYNAMIC_FIRST, ida, 0x7FFFFFFF, -2, -1000, INT32_MIN}) {
        EXPECT_EQ(Objects_Create(g_table, bad), nullptr) << bad;
        Objects_Free(g_table, bad < -1 ? bad : OBJECT_DYNAMIC_FIRST + 999);
    }
    EXPECT_EQ(g_table->slot_count, 16);
    EXPECT_EQ(Objects_Find(g_table, ida), a);
    EXPECT_EQ(Objects_Find(g_table, -2), nullptr);
    EXPECT_EQ(Objects_Find(g_table, OBJECT_DYNAMIC), nullptr);
    EXPECT_EQ(Objects_Find(g_table, idb + 100), nullptr);

    size_t blocks = RuntimeBlocks();
    Objects_Free(g_table, ida);
    EXPECT_EQ(RuntimeBlocks(), blocks - 1);
    EXPECT_EQ(Objects_Find(g_table, ida), nullptr);
    Objects_Free(g_table, ida);  // twice: nothing
    EXPECT_EQ(Objects_Find(g_table, idb), b);
    // A dynamic record is found only while live, like a numbered one.
    b->handle = 0;
    EXPECT_EQ(Objects_Find(g_table, idb), nullptr);
}

TEST_F(ObjectTableTest, EnumerationGivesNumbersInOrderThenDynamicOldestFirst) {
    Make(5);
    Make(2);
    Thing* a = Make(OBJECT_DYNAMIC);
    Thing* b = Make(OBJECT_DYNAMIC);
    Make(9, 0);  // made but not live
    Objects_EnumStart(g_table);
    std::vector<int32_t> numbers;
    std::vector<void*> records;
    int32_t n;
    while (void* record = Objects_EnumNext(g_table, &n)) {
        numbers.push_back(n);
        records.push_back(record);
    }
    std::vector<int32_t> expected = {2, 5, Objects_IdentifierOf(g_table, a),
                                     Objects_IdentifierOf(g_table, b)};
    EXPECT_EQ(numbers, expected);
    EXPECT_EQ(records[2], a);
    EXPECT_EQ(records[3], b);
    EXPECT_EQ(Objects_EnumNext(g_table, &n), nullptr);
}

TEST_F(ObjectTableTest, FreeingDuringEnumerationIsSafe) {
    Thing* a = Make(OBJECT_DYNAMIC);
    Thing* b = Make(OBJECT_DYNAMIC);
    Thing* c = Make(OBJECT_DYNAMIC);
    int32_t idb = Objects_IdentifierOf(g_table, b);
    Objects_EnumStart(g_table);
    int32_t n;
    EXPECT_EQ(Objects_EnumNext(g_table, &n), a);
    // The next object to visit goes away under the cursor.
    Objects_Free(g_table, idb);
    EXPECT_EQ(Objects_EnumNext(g_table, &n), c);
    EXPECT_EQ(Objects_EnumNext(g_table, &n), nullptr);
}

TEST_F(ObjectTableTest, FreeAllClosesEveryObjectIncludingDynamicOnes) {
    size_t empty_blocks = RuntimeBlocks();
    for (int i : {0, 3, 17})
        Make(i);
    for (int i = 0; i < 3; ++i)
        Make(OBJECT_DYNAMIC);
    EXPECT_EQ(CloseThing(OBJECT_DYNAMIC), 1);
    EXPECT_EQ(g_closed.size(), 6u);
    Objects_EnumStart(g_table);
    int32_t n;
    EXPECT_EQ(Objects_EnumNext(g_table, &n), nullptr);
    EXPECT_EQ(g_table->dynamic_list, nullptr);
    // The three numbered records and the identifier table stay; the nodes are gone.
    EXPECT_EQ(RuntimeBlocks(), empty_blocks + 3 + 1);

    ObjectTable* silent = Objects_NewTable(8, 4, nullptr);
    ASSERT_NE(Objects_Create(silent, 1), nullptr);
    EXPECT_EQ(Objects_FreeAll(silent), 0);
}

TEST_F(ObjectTableTest, BadTablesAndArgumentsFailCleanly) {
    EXPECT_EQ(Objects_NewTable(2, 16, nullptr), nullptr);
    EXPECT_EQ(Objects_NewTable(16, 0, nullptr), nullptr);
    EXPECT_EQ(Objects_NewTable(-16, 4, nullptr), nullptr);
    EXPECT_EQ(Objects_Create(nullptr, 1), nullptr);
    EXPECT_EQ(Objects_Find(nullptr, 1), nullptr);
    Objects_Free(nullptr, 1);
    EXPECT_EQ(Objects_FreeAll(nullptr), 0);
    Objects_EnumStart(nullptr);
    int32_t n = 0;
    EXPECT_EQ(Objects_EnumNext(nullptr, &n), nullptr);
    EXPECT_EQ(Objects_IdentifierOf(nullptr, nullptr), OBJECT_DYNAMIC);
}

struct ModelThing {
    int32_t handle;
    uint32_t tag;
};

ObjectTable* g_model_table;
int g_model_closes;

int32_t CloseModelThing(int32_t number) {
    if (number == OBJECT_DYNAMIC) return Objects_FreeAll(g_model_table);
    ++g_model_closes;
    Objects_Free(g_model_table, number);
    return 1;
}

using ObjectTableModelTest = RuntimeTest;

TEST_F(ObjectTableModelTest, MillionRandomOperationsMatchTheModel) {
    constexpr int kGrowth = 16;
    g_model_table = Objects_NewTable(sizeof(ModelThing), kGrowth, CloseModelThing);
    ObjectTable* table = g_model_table;
    ASSERT_NE(table, nullptr);
    const size_t base_blocks = RuntimeBlocks();

    struct Numbered {
        ModelThing* record = nullptr;
        uint32_t tag = 0;  // 0: not live
    };
    std::map<int32_t, Numbered> numbered;
    struct Dynamic {
        ModelThing* record;
        uint32_t tag;  // 0: made not live by the test
        uint64_t order;
        size_t index;  // in dynamic_ids
    };
    std::unordered_map<int32_t, Dynamic> dynamic;
    std::vector<int32_t> dynamic_ids;  // for picking one at random
    std::vector<int32_t> stale_ids;
    int32_t slot_count = kGrowth;
    bool have_side_table = false;
    uint32_t next_tag = 1;
    uint64_t next_order = 0;
    std::mt19937 rng(1234);
    auto pick = [&](int n) { return (int)(rng() % (uint32_t)n); };

    auto expected_find = [&](int32_t n) -> ModelThing* {
        auto it = numbered.find(n);
        if (it != numbered.end()) return it->second.tag ? it->second.record : nullptr;
        auto d = dynamic.find(n);
        if (d != dynamic.end()) return d->second.tag ? d->second.record : nullptr;
        return nullptr;
    };
    auto forget_dynamic = [&](int32_t id) {
        auto it = dynamic.find(id);
        size_t index = it->second.index;
        dynamic_ids[index] = dynamic_ids.back();
        dynamic[dynamic_ids[index]].index = index;
        dynamic_ids.pop_back();
        dynamic.erase(it);
        stale_ids.push_back(id);
        if (stale_ids.size() > 64) stale_ids.erase(stale_ids.begin());
    };
    auto random_dynamic = [&]() -> int32_t {
        return dynamic_ids.empty() ? OBJECT_DYNAMIC_FIRST + pick(50)
                                   : dynamic_ids[(size_t)pick((int)dynamic_ids.size())];
    };
    auto random_number = [&]() -> int32_t {
        switch (pick(10)) {
            case 0:
                return pick(3000);
            case 1:
                return -2 - pick(100);
            case 2:
                return (int32_t)rng();
            case 3:
                return stale_ids.empty() ? OBJECT_DYNAMIC_FIRST
                                         : stale_ids[(size_t)pick((int)stale_ids.size())];
            case 4:
            case 5:
                return random_dynamic();
            default:
                return pick(300);
        }
    };

    for (int step = 0; step < 1000000; ++step) {
        int op = pick(100);
        if (op < 25) {  // create a number
            int32_t n = pick(50) == 0 ? pick(3000) : pick(300);
            int closes = g_model_closes;
            ModelThing* record = static_cast<ModelThing*>(Objects_Create(table, n));
            ASSERT_NE(record, nullptr);
            if (n >= slot_count) slot_count = n + kGrowth;
            Numbered& entry = numbered[n];
            if (entry.record) {
                ASSERT_EQ(record, entry.record);
                ASSERT_EQ(g_model_closes, closes + 1);
            }
            ASSERT_EQ(record->handle, 0);
            ASSERT_EQ(record->tag, 0u);
            entry.record = record;
            entry.tag = next_tag++;
            record->handle = 1;
            record->tag = entry.tag;
        } else if (op < 40) {  // create a dynamic object, or free one when there are many
            if (dynamic.size() >= 500) {
                int32_t id = random_dynamic();
                Objects_Free(table, id);
                forget_dynamic(id);
            } else {
                ModelThing* record =
                    static_cast<ModelThing*>(Objects_Create(table, OBJECT_DYNAMIC));
                ASSERT_NE(record, nullptr);
                int32_t id = Objects_IdentifierOf(table, record);
                ASSERT_GE(id, OBJECT_DYNAMIC_FIRST);
                ASSERT_EQ(dynamic.count(id), 0u);
                stale_ids.erase(std::remove(stale_ids.begin(), stale_ids.end(), id),
                                stale_ids.end());
                ASSERT_EQ(record->handle, 0);
                record->handle = 1;
                record->tag = next_tag++;
                dynamic[id] = {record, record->tag, next_order++, dynamic_ids.size()};
                dynamic_ids.push_back(id);
                have_side_table = true;
            }
        } else if (op < 70) {  // find
            int32_t n = random_number();
            ModelThing* record = static_cast<ModelThing*>(Objects_Find(table, n));
            ASSERT_EQ(record, expected_find(n)) << "step " << step << " number " << n;
            if (record) {
                auto it = numbered.find(n);
                ASSERT_EQ(record->tag, it != numbered.end() ? it->second.tag : dynamic[n].tag);
            }
        } else if (op < 88) {  // free
            int32_t n = random_number();
            Objects_Free(table, n);
            auto it = numbered.find(n);
            if (it != numbered.end()) {
                it->second.tag = 0;
                ASSERT_EQ(it->second.record->handle, 0);
            }
            if (dynamic.count(n)) forget_dynamic(n);
        } else if (op < 93) {  // bad numbers change nothing
            int32_t n = pick(2) ? -2 - pick(1000) : OBJECT_DYNAMIC_FIRST + pick(1 << 20);
            ASSERT_EQ(Objects_Create(table, n), nullptr);
        } else if (op < 96) {  // an object stops being live without being freed
            if (!dynamic.empty()) {
                Dynamic& d = dynamic[random_dynamic()];
                d.record->handle = 0;
                d.tag = 0;
            }
        } else if (op < 99 || step % 37 != 0) {
            // Checked below.
        } else if (pick(40) == 0) {  // close everything
            int closes = g_model_closes;
            size_t live_numbered = 0;
            for (auto& [n, e] : numbered)
                live_numbered += e.tag != 0;
            ASSERT_EQ(Objects_FreeAll(table), 1);
            ASSERT_EQ(g_model_closes, closes + (int)(live_numbered + dynamic.size()));
            for (auto& [n, e] : numbered)
                e.tag = 0;
            while (!dynamic_ids.empty())
                forget_dynamic(dynamic_ids.back());
        } else {  // full enumeration
            std::vector<int32_t> expected;
            for (auto& [n, e] : numbered)
                if (e.tag) expected.push_back(n);
            std::vector<std::pair<uint64_t, int32_t>> by_age;
            for (auto& [id, d] : dynamic)
                by_age.push_back({d.order, id});
            std::sort(by_age.begin(), by_age.end());
            for (auto& [order, id] : by_age)
                expected.push_back(id);
            std::vector<int32_t> seen;
            Objects_EnumStart(table);
            int32_t n;
            while (Objects_EnumNext(table, &n))
                seen.push_back(n);
            ASSERT_EQ(seen, expected) << "step " << step;
        }
        ASSERT_EQ(table->slot_count, slot_count);
        ASSERT_EQ(RuntimeBlocks(),
                  base_blocks + numbered.size() + dynamic.size() + (have_side_table ? 1 : 0))
            << "step " << step;
    }
}

}  // namespace
