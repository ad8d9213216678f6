// The string-keyed map: hashing, keys, iteration and deletion inside it, pools, managed
// values and copies, bad arguments, and random operations checked against a model.
#include "runtime/string_map.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <deque>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "runtime_test_support.h"
#include "string_map_support.h"
#include "runtime/block_pool.h"

namespace {

// "k" and a number. Formatted in place: GCC 12 warns falsely (-Wrestrict) about
// "k" + std::to_string(n) when it inlines it at -O3.
std::string Key(int n) {
    char key[16];
    snprintf(key, sizeof key, "k%d", n);
    return key;
}

using StringMapTest = StringMapFixture<RuntimeTest>;

TEST(MapHashTest, KnownValuesAndSignedBytes) {
    EXPECT_EQ(Map_Hash("abc", 0), 0x3025F862u);
    EXPECT_EQ(Map_Hash("abc", 0) % 1024, 98u);
    EXPECT_EQ(Map_Hash("ABC", 1), 0x3025F862u);
    EXPECT_EQ(Map_Hash("ABC", 0), 0x20440042u);
    EXPECT_EQ(Map_Hash("", 0), 0u);
    EXPECT_EQ(Map_Hash("\x80", 0), (uint32_t)-128);
    EXPECT_EQ(Map_Hash("a\xff", 0), 97u * 65599u - 1u);
    // Only A-Z fold: bytes above 0x7F keep their case.
    EXPECT_EQ(Map_Hash("\xc9", 1), Map_Hash("\xc9", 0));
}

TEST_F(StringMapTest, NewMapIsEmptyAndLandsInTheOwnerVariable) {
    ASSERT_NE(New(), nullptr);
    EXPECT_EQ(map_->bucket_count, 1024);
    EXPECT_EQ(map_->element_count, 0);
    EXPECT_EQ(map_->type_code, 7);
    EXPECT_EQ(map_->flags, 0u);
    EXPECT_EQ(map_->owner, &map_);
    EXPECT_NE(map_->spare_element, nullptr);
    EXPECT_STREQ(map_->spare_element->key.text, "");
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(map_->buckets[i], nullptr);
    EXPECT_EQ(Map_Next(map_), nullptr);

    // A second Map_New on the same variable frees the first map.
    size_t blocks = RuntimeBlocks();
    Add("x", 1);
    ASSERT_NE(New(8, 16), nullptr);
    EXPECT_EQ(map_->bucket_count, 16);
    EXPECT_EQ(RuntimeBlocks(), blocks);
    EXPECT_EQ(Map_Free(map_), 1);
    EXPECT_EQ(map_, nullptr);
    EXPECT_EQ(RuntimeBlocks(), empty_blocks_);
}

TEST_F(StringMapTest, BucketCountBelowOneMakesOneBucket) {
    for (int32_t count : {0, -5}) {
        ASSERT_NE(New(8, count), nullptr);
        EXPECT_EQ(map_->bucket_count, 1);
        Add("a", 1);
        Add("b", 2);
        EXPECT_EQ(*static_cast<int32_t*>(Map_Find(map_, "a")), 1);
        EXPECT_EQ(Walk(), (std::vector<int32_t>{2, 1}));
    }
}

TEST_F(StringMapTest, TheNewestOfTwoEqualKeysIsFoundUntilDeleted) {
    New();
    int32_t* older = Add("key", 1);
    int32_t* newer = Add("key", 2);
    EXPECT_NE(older, newer);
    EXPECT_EQ(map_->element_count, 2);
    EXPECT_EQ(Map_Find(map_, "key"), newer);
    EXPECT_EQ(Map_DeleteCurrent(map_), nullptr);  // it was the head of its chain
    EXPECT_EQ(Map_Find(map_, "key"), older);
    EXPECT_EQ(map_->element_count, 1);
}

TEST_F(StringMapTest, AddWithFindFirstReusesTheValueZeroFilled) {
    New();
    int32_t* first = Add("k", 5);
    first[1] = 9;
    auto* again = static_cast<int32_t*>(Map_Add(map_, "k", 1));
    EXPECT_EQ(again, first);
    EXPECT_EQ(again[0], 0);
    EXPECT_EQ(again[1], 0);
    EXPECT_EQ(map_->element_count, 1);
    EXPECT_NE(Map_Add(map_, "other", 1), nullptr);  // not there: added
    EXPECT_EQ(map_->element_count, 2);
}

TEST_F(StringMapTest, NullKeyIsTheEmptyText) {
    New();
    int32_t* value = Add(nullptr, 3);
    EXPECT_EQ(Map_Find(map_, ""), value);
    EXPECT_EQ(Map_Find(map_, nullptr), value);
    EXPECT_EQ(Map_Add(map_, "", 1), value);
}

TEST_F(StringMapTest, KeysAreCopiesAndCaseMattersUnlessNoCase) {
    New();
    char key[] = "Name";
    int32_t* value = Add(key, 1);
    key[0] = 'X';
    EXPECT_EQ(Map_Find(map_, "Name"), value);
    EXPECT_EQ(Map_Find(map_, "name"), nullptr);
    EXPECT_EQ(Map_Find(map_, "Xame"), nullptr);

    StringMap* folded = nullptr;
    ASSERT_NE(Map_New(4, 0, nullptr, &folded, 64), nullptr);
    folded->flags |= MAP_NO_CASE;
    void* v = Map_Add(folded, "MiXeD", 0);
    EXPECT_EQ(Map_Find(folded, "mixed"), v);
    EXPECT_EQ(Map_Find(folded, "MIXED"), v);
    EXPECT_EQ(Map_Find(folded, "mixe"), nullptr);
    Map_Free(folded);
}

TEST_F(StringMapTest, KeysWithTheSameHashOrAlmostTheSameTextStayApart) {
    New(8, 16);
    ASSERT_EQ(Map_Hash("tk5lk0", 0), Map_Hash("obvpek", 0));
    int32_t* a = Add("tk5lk0", 1);
    int32_t* b = Add("obvpek", 2);
    EXPECT_EQ(Map_Find(map_, "tk5lk0"), a);
    EXPECT_EQ(Map_Find(map_, "obvpek"), b);
    Map_DeleteCurrent(map_);
    EXPECT_EQ(Map_Find(map_, "obvpek"), nullptr);
    EXPECT_EQ(Map_Find(map_, "tk5lk0"), a);

    // Every length, with neighbours that differ only in the first or the last byte.
    for (int length = 1; length <= 24; ++length) {
        std::string key(length, 'k');
        for (int i = 0; i < length; ++i)
            key[i] = (char)('a' + (i * 7 + length) % 26);
        std::string first = key, last = key, longer = key + "x";
        first[0] = '#';
        last[length - 1] = '$';
        int32_t* k = Add(key.c_str(), length);
        int32_t* f = Add(first.c_str(), -length);
        int32_t* l = Add(last.c_str(), 100 + length);
        ASSERT_EQ(Map_Find(map_, key.c_str()), k) << length;
        ASSERT_EQ(Map_Find(map_, first.c_str()), f) << length;
        ASSERT_EQ(Map_Find(map_, last.c_str()), l) << length;
        ASSERT_EQ(Map_Find(map_, longer.c_str()), nullptr) << length;
        ASSERT_EQ(Map_Find(map_, key.substr(0, length - 1).c_str()), nullptr) << length;
    }
}

TEST_F(StringMapTest, IterationGoesByBucketThenNewestFirstAndStaysEndedUntilReset) {
    New(8, 4);
    // Integer keys make the buckets plain to see.
    map_->flags |= MAP_INT_KEYS;
    for (int32_t key : {6, 1, 5, 2, -1})
        *static_cast<int32_t*>(Map_AddInt(map_, key, 0)) = key;
    // Buckets: 1 -> [5, 1]; 2 -> [2, 6]; 3 -> [-1] (unsigned 0xFFFFFFFF mod 4).
    EXPECT_EQ(Walk(), (std::vector<int32_t>{5, 1, 2, 6, -1}));
    EXPECT_EQ(Map_Next(map_), nullptr);
    EXPECT_EQ(Map_Next(map_), nullptr);
    EXPECT_EQ(*static_cast<int32_t*>(Map_FindInt(map_, -1)), -1);
    EXPECT_EQ(Map_FindInt(map_, 3), nullptr);
    // Text operations on an integer-keyed map find and add nothing.
    EXPECT_EQ(Map_Find(map_, "5"), nullptr);
    EXPECT_EQ(Map_Add(map_, "5", 0), nullptr);
    EXPECT_EQ(map_->element_count, 5);
}

TEST_F(StringMapTest, DeletingEveryElementInsideTheLoopVisitsEachOnce) {
    New(8, 8);
    std::set<int32_t> all;
    for (int i = 0; i < 100; ++i) {
        Add(Key(i % 60).c_str(), i);  // some keys twice
        all.insert(i);
    }
    size_t with_elements = RuntimeBlocks();
    std::multiset<int32_t> visited;
    Map_Reset(map_);
    while (void* value = Map_Next(map_)) {
        visited.insert(*static_cast<int32_t*>(value));
        Map_DeleteCurrent(map_);
    }
    EXPECT_EQ(std::set<int32_t>(visited.begin(), visited.end()), all);
    EXPECT_EQ(visited.size(), 100u);
    EXPECT_EQ(map_->element_count, 0);
    EXPECT_EQ(Walk(), std::vector<int32_t>{});
    // Keys and the pool's chunks went back.
    EXPECT_LT(RuntimeBlocks(), with_elements - 100);
    EXPECT_EQ(map_->element_pool->total_blocks, 0);
}

TEST_F(StringMapTest, DeletingEveryOtherElementKeepsTheRest) {
    New(8, 3);
    for (int i = 0; i < 30; ++i)
        Add(Key(i).c_str(), i);
    std::vector<int32_t> kept;
    Map_Reset(map_);
    bool drop = true;
    while (void* value = Map_Next(map_)) {
        if (drop)
            Map_DeleteCurrent(map_);
        else
            kept.push_back(*static_cast<int32_t*>(value));
        drop = !drop;
    }
    EXPECT_EQ(Walk(), kept);
    EXPECT_EQ(map_->element_count, 15);
}

TEST_F(StringMapTest, DeletionsOutsideAnIterationStepStillUnlinkTheRightElement) {
    New(8, 1);  // one chain: c, b, a
    Add("a", 1);
    Add("b", 2);
    Add("c", 3);
    ASSERT_NE(Map_Find(map_, "b"), nullptr);
    Map_DeleteCurrent(map_);  // after a search, not the head
    EXPECT_EQ(Walk(), (std::vector<int32_t>{3, 1}));
    Add("d", 4);  // d, c, a
    ASSERT_NE(Map_Find(map_, "a"), nullptr);
    Map_DeleteCurrent(map_);
    Map_DeleteCurrent(map_);  // a second deletion in a row takes the cursor's element
    EXPECT_EQ(Walk(), (std::vector<int32_t>{4}));
    EXPECT_EQ(map_->element_count, 1);
    // A search that fails leaves the cursor, so a deletion still takes the found element.
    Add("e", 5);  // e, d
    Map_Find(map_, "d");
    Map_Find(map_, "nothing");
    Map_DeleteCurrent(map_);
    EXPECT_EQ(Walk(), (std::vector<int32_t>{5}));
    Map_Reset(map_);
    EXPECT_EQ(Map_DeleteCurrent(map_), nullptr);  // no cursor: nothing
    EXPECT_EQ(map_->element_count, 1);
}

TEST_F(StringMapTest, ClearEmptiesAndTheMapStaysUsable) {
    New(8, 16);
    for (int i = 0; i < 40; ++i)
        Add(Key(i).c_str(), i);
    Map_Clear(map_);
    EXPECT_EQ(map_->element_count, 0);
    EXPECT_EQ(Walk(), std::vector<int32_t>{});
    EXPECT_EQ(Map_Find(map_, "k3"), nullptr);
    EXPECT_NE(Add("k3", 3), nullptr);
    EXPECT_EQ(Walk(), std::vector<int32_t>{3});
}

TEST_F(StringMapTest, MapsOfOneElementSizeShareOnePool) {
    New(8);
    StringMap* other = nullptr;
    StringMap* wider = nullptr;
    ASSERT_NE(Map_New(8, 0, nullptr, &other, 4), nullptr);
    ASSERT_NE(Map_New(12, 0, nullptr, &wider, 4), nullptr);
    EXPECT_EQ(other->element_pool, map_->element_pool);
    EXPECT_NE(wider->element_pool, map_->element_pool);
    Map_Free(other);
    Map_Free(wider);
    EXPECT_EQ(other, nullptr);
    Add("still", 1);
    EXPECT_NE(Map_Find(map_, "still"), nullptr);
}

TEST_F(StringMapTest, ManagedValuesAreInitialisedReleasedAndCopied) {
    size_t strings = StringBlocks();
    ASSERT_NE(New(sizeof(Binding), 32, kBindingLayout), nullptr);
    EXPECT_EQ(map_->flags, (uint32_t)MAP_MANAGED_VALUES);
    auto* b = static_cast<Binding*>(Map_Add(map_, "one", 0));
    ASSERT_NE(b->list, nullptr);
    EXPECT_EQ(Array_Header(b->list)->element_count, 3);
    String_Duplicate(&b->name, "first");
    static_cast<int32_t*>(b->list)[2] = 7;
    b->plain = 4;
    // Find first on it releases the old contents and makes them anew.
    auto* again = static_cast<Binding*>(Map_Add(map_, "one", 1));
    EXPECT_EQ(again, b);
    EXPECT_EQ(b->name, nullptr);
    EXPECT_EQ(static_cast<int32_t*>(b->list)[2], 0);
    EXPECT_EQ(StringBlocks(), strings);
    String_Duplicate(&b->name, "first");

    StringMap* copy = nullptr;
    ASSERT_NE(Map_New(sizeof(Binding), 7, kBindingLayout, &copy, 32), nullptr);
    EXPECT_EQ(Map_Copy(map_, copy, 0), 1);
    auto* c = static_cast<Binding*>(Map_Find(copy, "one"));
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c->name, b->name);
    EXPECT_STREQ(c->name, "first");
    EXPECT_NE(c->list, b->list);
    Map_Free(copy);
    Map_Find(map_, "one");
    Map_DeleteCurrent(map_);
    EXPECT_EQ(StringBlocks(), strings);
    Map_Free(map_);
    EXPECT_EQ(RuntimeBlocks(), empty_blocks_);
}

TEST_F(StringMapTest, CopyRefusesWhatCannotHoldTheSourceAndKeepsTheSourceCursor) {
    New(8);
    Add("a", 1);
    Add("b", 2);
    StringMap* other = nullptr;
    StringMap* narrow = nullptr;
    StringMap* numbers = nullptr;
    Map_New(8, 0, nullptr, &other, 3);
    Map_New(4, 0, nullptr, &narrow, 3);
    Map_New(8, 0, nullptr, &numbers, 3);
    numbers->flags |= MAP_INT_KEYS;
    EXPECT_EQ(Map_Copy(nullptr, other, 1), 0);
    EXPECT_EQ(Map_Copy(map_, nullptr, 1), 0);
    EXPECT_EQ(Map_Copy(map_, narrow, 0), 0);
    EXPECT_EQ(Map_Copy(map_, numbers, 0), 0);
    EXPECT_EQ(narrow->element_count, 0);
    EXPECT_EQ(numbers->element_count, 0);
    EXPECT_EQ(Map_Copy(map_, map_, 0), 1);  // onto itself: nothing changes
    EXPECT_EQ(Map_Copy(map_, map_, 1), 1);
    EXPECT_EQ(map_->element_count, 2);

    void* b = Map_Find(map_, "b");
    Add("x", 0);
    Map_Find(map_, "b");
    EXPECT_EQ(Map_Copy(map_, other, 1), 1);
    EXPECT_EQ(map_->current, static_cast<MapElement*>(b) - 1);
    EXPECT_EQ(Map_Copy(map_, other, 1), 1);  // cleared first: no duplicates
    EXPECT_EQ(other->element_count, 3);
    EXPECT_EQ(Map_Copy(map_, other, 0), 1);
    EXPECT_EQ(other->element_count, 6);
    Map_Free(other);
    Map_Free(narrow);
    Map_Free(numbers);
}

TEST_F(StringMapTest, NullMapsAndBadArgumentsFailCleanly) {
    EXPECT_EQ(Map_Free(nullptr), 0);
    EXPECT_EQ(Map_Find(nullptr, "a"), nullptr);
    EXPECT_EQ(Map_FindInt(nullptr, 1), nullptr);
    EXPECT_EQ(Map_Add(nullptr, "a", 0), nullptr);
    EXPECT_EQ(Map_AddInt(nullptr, 1, 1), nullptr);
    Map_Reset(nullptr);
    EXPECT_EQ(Map_Next(nullptr), nullptr);
    EXPECT_EQ(Map_DeleteCurrent(nullptr), nullptr);
    Map_Clear(nullptr);
    EXPECT_EQ(Map_Copy(nullptr, nullptr, 0), 0);
    EXPECT_EQ(Map_CurrentKey(nullptr), nullptr);

    New();
    StringMap* kept = map_;
    EXPECT_EQ(Map_New(-1, 0, nullptr, &map_, 16), nullptr);  // fails before freeing
    EXPECT_EQ(map_, kept);
    EXPECT_EQ(Map_New(0x7FFFFFF0, 0, nullptr, &map_, 16), nullptr);
    EXPECT_EQ(map_, kept);
    // A bucket array too large for the heap: the old map is gone, the variable is none.
    EXPECT_EQ(Map_New(8, 0, nullptr, &map_, 0x7FFFFFFF), nullptr);
    EXPECT_EQ(map_, nullptr);
    EXPECT_EQ(RuntimeBlocks(), empty_blocks_);
    EXPECT_EQ(Map_FindInt(New(), 3), nullptr);  // integer search in a text map
    EXPECT_EQ(Map_AddInt(map_, 3, 0), nullptr);
}

TEST_F(StringMapTest, FreeReleasesTheExtraBlocks) {
    New();
    void* first = HeapAlloc(RuntimeHeap, 0, 32);
    void* second = HeapAlloc(RuntimeHeap, 0, 32);
    *static_cast<void**>(first) = second;
    *static_cast<void**>(second) = nullptr;
    map_->extra_blocks = first;
    EXPECT_EQ(Map_Free(map_), 1);
    EXPECT_EQ(RuntimeBlocks(), empty_blocks_);
}

TEST_F(StringMapTest, MapsComeAndGoThroughTheContainerHandlers) {
    EXPECT_EQ(ContainerHandlers.map_alloc, &Map_New);
    EXPECT_EQ(ContainerHandlers.map_copy, &Map_Copy);
    EXPECT_EQ(ContainerHandlers.map_free, &Map_Free);
}

struct MapVariant {
    int32_t bucket_count;
    uint32_t flags;  // MAP_NO_CASE or MAP_INT_KEYS, set after Map_New
    int steps;
};

struct Value {
    uint32_t tag;
    uint32_t check;
    char pad[4];
};

class MapModelTest : public RuntimeTest, public ::testing::WithParamInterface<MapVariant> {};

TEST_P(MapModelTest, RandomOperationsMatchTheModel) {
    const MapVariant v = GetParam();
    const bool int_keys = v.flags & MAP_INT_KEYS;
    const bool no_case = v.flags & MAP_NO_CASE;
    StringMap* map = nullptr;
    ASSERT_NE(Map_New(sizeof(Value), 0, nullptr, &map, v.bucket_count), nullptr);
    map->flags |= v.flags;
    const int32_t buckets = map->bucket_count;
    ASSERT_EQ(buckets, v.bucket_count < 1 ? 1 : v.bucket_count);
    const size_t base_blocks = RuntimeBlocks();

    struct Entry {
        std::string key;  // as the model compares it
        int32_t number;
        Value* value;
        uint32_t tag;
    };
    std::vector<std::deque<Entry>> model((size_t)buckets);  // front = chain head
    int32_t count = 0;
    size_t key_blocks = 0;

    // Keys: a few hundred texts, some differing only in case, some with high bytes.
    std::vector<std::string> texts = {"", "abc", "ABC", "Abc", "\x80\xff", "\xe9t\xe9"};
    for (int i = 0; i < 400; ++i)
        texts.push_back((i % 3 ? "key" : "KEY") + std::to_string(i % 300));
    auto folded = [&](const std::string& s) {
        if (!no_case) return s;
        std::string f = s;
        for (char& c : f)
            if (c >= 'A' && c <= 'Z') c = (char)(c + 32);
        return f;
    };
    auto bucket_of = [&](const std::string& text, int32_t number) -> size_t {
        if (int_keys) return (uint32_t)number % (uint32_t)buckets;
        return Map_Hash(text.c_str(), no_case) % (uint32_t)buckets;
    };
    auto find_entry = [&](size_t b, const std::string& key, int32_t number) -> Entry* {
        for (Entry& e : model[b])
            if (int_keys ? e.number == number : e.key == key) return &e;
        return nullptr;
    };
    auto expected_order = [&]() {
        std::vector<Entry*> order;
        for (auto& chain : model)
            for (Entry& e : chain)
                order.push_back(&e);
        return order;
    };

    std::mt19937 rng(v.bucket_count * 7 + v.flags);
    uint32_t next_tag = 1;
    for (int step = 0; step < v.steps; ++step) {
        std::string text = texts[rng() % texts.size()];
        int32_t number = (int32_t)(rng() % 600) - 100;
        const char* key = (!int_keys && text.empty() && rng() % 2) ? nullptr : text.c_str();
        std::string mkey = folded(text);
        size_t b = bucket_of(mkey, number);
        int op = (int)(rng() % 100);
        int adds = count < 1200 ? 45 : 30;
        if (op < adds) {  // add
            bool find_first = rng() % 3 == 0;
            Entry* existing = find_first ? find_entry(b, mkey, number) : nullptr;
            auto* value = static_cast<Value*>(int_keys ? Map_AddInt(map, number, find_first)
                                                       : Map_Add(map, key, find_first));
            ASSERT_NE(value, nullptr);
            ASSERT_EQ(value->tag, 0u);
            ASSERT_EQ(value->check, 0u);
            value->tag = next_tag++;
            value->check = ~value->tag;
            if (existing) {
                ASSERT_EQ(value, existing->value) << "step " << step;
                existing->tag = value->tag;
            } else {
                model[b].push_front({mkey, number, value, value->tag});
                ++count;
                if (!int_keys) ++key_blocks;
            }
        } else if (op < 75) {  // find
            Entry* e = find_entry(b, mkey, number);
            MapElement* cursor = map->current;
            void* found = int_keys ? Map_FindInt(map, number) : Map_Find(map, key);
            ASSERT_EQ(found, e ? e->value : nullptr) << "step " << step;
            if (e) {
                ASSERT_EQ(e->value->tag, e->tag);
            } else {
                ASSERT_EQ(map->current, cursor);
            }
        } else if (op < 95) {  // find, then delete what was found
            Entry* e = find_entry(b, mkey, number);
            void* found = int_keys ? Map_FindInt(map, number) : Map_Find(map, key);
            ASSERT_EQ(found, e ? e->value : nullptr);
            if (e) {
                Map_DeleteCurrent(map);
                auto& chain = model[b];
                chain.erase(std::find_if(chain.begin(), chain.end(),
                                         [&](const Entry& x) { return &x == e; }));
                --count;
                if (!int_keys) --key_blocks;
            }
        } else if (op < 99) {  // iterate, deleting some
            std::vector<Entry*> order = expected_order();
            std::vector<std::pair<size_t, Value*>> doomed;
            Map_Reset(map);
            size_t i = 0;
            while (void* value = Map_Next(map)) {
                ASSERT_LT(i, order.size());
                ASSERT_EQ(value, order[i]->value) << "step " << step << " element " << i;
                if (rng() % 4 == 0) {
                    Map_DeleteCurrent(map);
                    doomed.push_back({bucket_of(order[i]->key, order[i]->number), order[i]->value});
                }
                ++i;
            }
            ASSERT_EQ(i, order.size());
            ASSERT_EQ(Map_Next(map), nullptr);
            for (auto& [db, dv] : doomed) {
                auto& chain = model[db];
                chain.erase(std::find_if(chain.begin(), chain.end(),
                                         [&](const Entry& e) { return e.value == dv; }));
                --count;
                if (!int_keys) --key_blocks;
            }
        } else if (rng() % 8 == 0) {  // copy into a fresh map and compare
            StringMap* copy = nullptr;
            ASSERT_NE(Map_New(sizeof(Value), 0, nullptr, &copy, buckets), nullptr);
            copy->flags |= v.flags;
            MapElement* cursor = map->current;
            ASSERT_EQ(Map_Copy(map, copy, 1), 1);
            ASSERT_EQ(map->current, cursor);
            ASSERT_EQ(copy->element_count, count);
            // Each chain arrives in reverse: the copy adds them head first.
            std::vector<uint32_t> expected;
            for (auto& chain : model)
                for (auto it = chain.rbegin(); it != chain.rend(); ++it)
                    expected.push_back(it->tag);
            std::vector<uint32_t> seen;
            Map_Reset(copy);
            while (void* value = Map_Next(copy))
                seen.push_back(static_cast<Value*>(value)->tag);
            ASSERT_EQ(seen, expected);
            Map_Free(copy);
            ASSERT_EQ(copy, nullptr);
        } else if (rng() % 50 == 0) {  // clear
            Map_Clear(map);
            for (auto& chain : model)
                chain.clear();
            count = 0;
            key_blocks = 0;
        }
        ASSERT_EQ(map->element_count, count) << "step " << step;
        // Elements live in the pool's chunks; text keys are one block each.
        ASSERT_GE(RuntimeBlocks(), base_blocks + key_blocks);
        ASSERT_EQ(map->element_pool->total_blocks == 0, count == 0) << "step " << step;
    }
    Map_Free(map);
    EXPECT_EQ(map, nullptr);
}

INSTANTIATE_TEST_SUITE_P(KeysAndBuckets, MapModelTest,
                         ::testing::Values(MapVariant{1024, 0, 400000},
                                           MapVariant{7, MAP_NO_CASE, 250000},
                                           MapVariant{13, MAP_INT_KEYS, 250000},
                                           MapVariant{0, 0, 120000}));

}  // namespace
