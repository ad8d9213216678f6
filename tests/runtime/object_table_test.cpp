#include "runtime/object_table.h"

#include <string.h>

#include <vector>

#include "runtime_test_support.h"

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

class ObjectTableTest : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
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

}  // namespace
