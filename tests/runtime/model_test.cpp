// Long random operation sequences, each step checked against a plain model of what the
// structure must hold.
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <deque>
#include <list>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/block_pool.h"
#include "runtime/object_table.h"
#include "runtime_test_support.h"

namespace {

// ---- Object table ---------------------------------------------------------------------

struct Thing {
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
    g_model_table = Objects_NewTable(sizeof(Thing), kGrowth, CloseModelThing);
    ObjectTable* table = g_model_table;
    ASSERT_NE(table, nullptr);
    const size_t base_blocks = RuntimeBlocks();

    struct Numbered {
        Thing* record = nullptr;
        uint32_t tag = 0;  // 0: not live
    };
    std::map<int32_t, Numbered> numbered;
    struct Dynamic {
        Thing* record;
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

    auto expected_find = [&](int32_t n) -> Thing* {
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
            Thing* record = static_cast<Thing*>(Objects_Create(table, n));
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
                Thing* record = static_cast<Thing*>(Objects_Create(table, OBJECT_DYNAMIC));
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
            Thing* record = static_cast<Thing*>(Objects_Find(table, n));
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

// ---- Block pool -------------------------------------------------------------------------

struct PoolVariant {
    int32_t block_size;
    int32_t minimum;
    int32_t maximum;
    int32_t flags;
    int steps;
    int peak;  // blocks the random walk swings up to
};

class PoolModelTest : public RuntimeTest, public ::testing::WithParamInterface<PoolVariant> {};

// The pool's chunks, modelled slot by slot: every Pool_Alloc must return exactly the slot the
// rules predict, every block must keep what was written into it, and the heap must hold
// exactly the chunks the model holds.
TEST_P(PoolModelTest, RandomOperationsMatchTheModel) {
    const PoolVariant v = GetParam();
    const size_t base_blocks = RuntimeBlocks();
    BlockPool* pool = Pool_Create(v.block_size, v.minimum, v.maximum, v.flags);
    ASSERT_NE(pool, nullptr);
    BlockPool* second_reference = nullptr;
    if (v.flags & POOL_SHARED) {
        second_reference = Pool_Create(v.block_size, v.minimum, v.maximum, v.flags);
        ASSERT_EQ(second_reference, pool);
    }
    const size_t pool_blocks = RuntimeBlocks() - base_blocks;
    const int32_t slot = pool->slot_size;

    struct Chunk {
        char* first_slot = nullptr;  // learnt from the chunk's first block
        int32_t capacity = 0;
        int32_t handed_out = 0;
        std::vector<int32_t> free_slots;  // top = most recently freed
        bool full = false;
    };
    std::list<Chunk> chunks;             // owns the chunks
    std::deque<Chunk*> available, full;  // front = head
    int32_t total = 0;
    struct Live {
        unsigned char* block;
        Chunk* chunk;
        int32_t index;
        uint32_t tag;
    };
    std::vector<Live> live;
    const size_t tag_bytes = std::min<size_t>((size_t)v.block_size, 8);
    auto fill = [&](unsigned char* block, uint32_t tag) {
        for (size_t i = 0; i < tag_bytes; ++i)
            block[i] = (unsigned char)(tag >> (i % 4 * 8));
    };
    auto intact = [&](const unsigned char* block, uint32_t tag) {
        for (size_t i = 0; i < tag_bytes; ++i)
            if (block[i] != (unsigned char)(tag >> (i % 4 * 8))) return false;
        return true;
    };
    auto remove_from = [](std::deque<Chunk*>& list, Chunk* chunk) {
        list.erase(std::find(list.begin(), list.end(), chunk));
    };

    std::mt19937 rng(v.block_size * 31 + v.minimum + v.flags);
    uint32_t next_tag = 1;
    int target = v.peak;
    for (int step = 0; step < v.steps; ++step) {
        if (step % 5000 == 0) target = 1 + (int)(rng() % (uint32_t)v.peak);
        bool grow = live.empty() || (rng() % 100) < ((int)live.size() < target ? 60u : 40u);
        if (grow) {
            // What the rules predict.
            Chunk* chunk;
            int32_t index;
            if (!available.empty()) {
                chunk = available.front();
                if (!chunk->free_slots.empty()) {
                    index = chunk->free_slots.back();
                    chunk->free_slots.pop_back();
                } else {
                    index = chunk->handed_out++;
                }
                if (chunk->free_slots.empty() && chunk->handed_out >= chunk->capacity) {
                    available.pop_front();
                    full.push_front(chunk);
                }
            } else {
                int32_t n = (total >> 4) & ~15;
                n = n < v.minimum ? v.minimum : n > v.maximum ? v.maximum : n;
                chunks.emplace_back();
                chunk = &chunks.back();
                chunk->capacity = n;
                chunk->handed_out = 1;
                total += n;
                index = 0;
                (n > 1 ? available : full).push_front(chunk);
            }
            auto* block = static_cast<unsigned char*>(Pool_Alloc(pool));
            ASSERT_NE(block, nullptr);
            char* slot_start = (char*)block - sizeof(void*);
            if (!chunk->first_slot) chunk->first_slot = slot_start - (ptrdiff_t)index * slot;
            ASSERT_EQ(slot_start, chunk->first_slot + (ptrdiff_t)index * slot) << "step " << step;
            ASSERT_EQ((uintptr_t)block % sizeof(void*), 0u);
            uint32_t tag = next_tag++;
            fill(block, tag);
            live.push_back({block, chunk, index, tag});
        } else {
            size_t at = rng() % live.size();
            Live gone = live[at];
            live[at] = live.back();
            live.pop_back();
            ASSERT_TRUE(intact(gone.block, gone.tag)) << "step " << step;
            Pool_Free(pool, gone.block);
            Chunk* chunk = gone.chunk;
            bool was_full = chunk->free_slots.empty() && chunk->handed_out >= chunk->capacity;
            chunk->free_slots.push_back(gone.index);
            if ((int32_t)chunk->free_slots.size() == chunk->handed_out) {
                remove_from(was_full ? full : available, chunk);
                total -= chunk->capacity;
                for (auto it = chunks.begin(); it != chunks.end(); ++it)
                    if (&*it == chunk) {
                        chunks.erase(it);
                        break;
                    }
            } else if (was_full) {
                remove_from(full, chunk);
                available.push_front(chunk);
            }
        }
        ASSERT_EQ(pool->total_blocks, total) << "step " << step;
        ASSERT_EQ(RuntimeBlocks(), base_blocks + pool_blocks + chunks.size()) << "step " << step;
        // The hot chunk heads the available list while still linked on the full list.
        const bool hot = pool->hot_chunk != nullptr;
        ASSERT_EQ(pool->available_chunks == nullptr && !hot, available.empty());
        ASSERT_EQ(pool->full_chunks == nullptr, full.empty() && !hot);
        if (hot) {
            ASSERT_EQ((char*)(pool->hot_chunk + 1), available.front()->first_slot);
        }
        // Pool_Alloc's in-line path takes from the head, except in a locked pool.
        if (v.flags & POOL_LOCKED || available.empty())
            ASSERT_EQ(pool->current, nullptr);
        else
            ASSERT_EQ((char*)(pool->current + 1), available.front()->first_slot);
        if (step == v.steps / 2 && second_reference) {
            Pool_Destroy(second_reference);  // one reference goes; the pool stays
            ASSERT_EQ(pool->shared_entry->reference_count, 1);
        }
    }
    for (const Live& l : live)
        ASSERT_TRUE(intact(l.block, l.tag));
    Pool_Clear(pool);
    EXPECT_EQ(pool->total_blocks, 0);
    EXPECT_EQ(RuntimeBlocks(), base_blocks + pool_blocks);
    Pool_Destroy(pool);
    EXPECT_EQ(RuntimeBlocks(), base_blocks);
}

INSTANTIATE_TEST_SUITE_P(
    ChunkSizesAndLocking, PoolModelTest,
    ::testing::Values(PoolVariant{32, 16, 256, 0, 300000, 3000},
                      PoolVariant{28, 16, 65536, POOL_SHARED, 250000, 6000},
                      PoolVariant{5, 16, 256, POOL_LOCKED, 200000, 1500},
                      PoolVariant{40, 16, 256, POOL_SHARED | POOL_LOCKED, 150000, 1500},
                      PoolVariant{8, 1, 1, 2, 60000, 200}, PoolVariant{100, 3, 7, 0, 100000, 400}));

// ---- Map ----------------------------------------------------------------------------------

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
