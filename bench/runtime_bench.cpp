// Block pools against malloc/free of the same size, and the map's text search against
// std::unordered_map<std::string, ...>::find on the same keys.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/block_pool.h"
#include "runtime/heaps.h"
#include "runtime/string_map.h"

namespace {

constexpr int kBlockSize = 32;
constexpr int kResident = 1000;  // blocks held throughout, as a program in flight would

// Keeps a value alive as an input only. (The read-write form of DoNotOptimize can lose the
// store to a referenced vector element with this compiler.)
template <typename T>
void Keep(const T& value) {
    benchmark::DoNotOptimize(value);
}

struct HeapScope {
    HeapScope() { Runtime_CreateHeap(); }
    ~HeapScope() { Runtime_DestroyHeap(); }
};

// One block taken and given back at the top of a warm pool.
void BM_PoolAllocFreeLifo(benchmark::State& state) {
    HeapScope heap;
    BlockPool* pool = Pool_Create(kBlockSize, 16, 256, 0);
    std::vector<void*> resident;
    for (int i = 0; i < kResident; ++i)
        resident.push_back(Pool_Alloc(pool));
    for (auto _ : state) {
        void* block = Pool_Alloc(pool);
        Keep(block);
        Pool_Free(pool, block);
    }
    Pool_Destroy(pool);
}
BENCHMARK(BM_PoolAllocFreeLifo);

void BM_MallocFreeLifo(benchmark::State& state) {
    std::vector<void*> resident;
    for (int i = 0; i < kResident; ++i)
        resident.push_back(malloc(kBlockSize));
    for (auto _ : state) {
        void* block = malloc(kBlockSize);
        Keep(block);
        free(block);
    }
    for (void* block : resident)
        free(block);
}
BENCHMARK(BM_MallocFreeLifo);

// Sixteen blocks taken, then given back newest first; figures are per pair.
void BM_PoolAllocFreeLifoBurst(benchmark::State& state) {
    HeapScope heap;
    BlockPool* pool = Pool_Create(kBlockSize, 16, 256, 0);
    std::vector<void*> resident;
    for (int i = 0; i < kResident; ++i)
        resident.push_back(Pool_Alloc(pool));
    void* burst[16];
    for (auto _ : state) {
        for (void*& block : burst)
            block = Pool_Alloc(pool);
        Keep(burst);
        for (int i = 15; i >= 0; --i)
            Pool_Free(pool, burst[i]);
    }
    state.SetItemsProcessed(state.iterations() * 16);
    Pool_Destroy(pool);
}
BENCHMARK(BM_PoolAllocFreeLifoBurst);

void BM_MallocFreeLifoBurst(benchmark::State& state) {
    std::vector<void*> resident;
    for (int i = 0; i < kResident; ++i)
        resident.push_back(malloc(kBlockSize));
    void* burst[16];
    for (auto _ : state) {
        for (void*& block : burst)
            block = malloc(kBlockSize);
        Keep(burst);
        for (int i = 15; i >= 0; --i)
            free(burst[i]);
    }
    state.SetItemsProcessed(state.iterations() * 16);
    for (void* block : resident)
        free(block);
}
BENCHMARK(BM_MallocFreeLifoBurst);

// Random pattern: a random slot of a 4096-slot working set, about half of them live, is
// visited each time; a live block there is given back, an empty slot gets a new block. An
// iteration is one call, so a pair takes two.
constexpr int kWorkingSet = 4096;

std::vector<uint32_t> RandomSlots(int range) {
    std::mt19937 rng(42);
    std::vector<uint32_t> order(1 << 16);
    for (uint32_t& i : order)
        i = rng() % (uint32_t)range;
    return order;
}

template <typename Alloc, typename Free>
void RandomPattern(benchmark::State& state, Alloc alloc, Free free_block) {
    std::vector<void*> slots(kWorkingSet, nullptr);
    const std::vector<uint32_t> order = RandomSlots(kWorkingSet);
    for (int i = 0; i < kWorkingSet; i += 2)
        slots[(size_t)i] = alloc();
    size_t at = 0;
    for (auto _ : state) {
        void*& slot = slots[order[at++ & 0xFFFF]];
        if (slot) {
            free_block(slot);
            slot = nullptr;
        } else {
            slot = alloc();
            Keep(slot);
        }
    }
    for (void* block : slots)
        if (block) free_block(block);
    state.SetItemsProcessed(state.iterations());
}

void BM_PoolRandom(benchmark::State& state) {
    HeapScope heap;
    BlockPool* pool = Pool_Create(kBlockSize, 16, 256, 0);
    RandomPattern(
        state, [&] { return Pool_Alloc(pool); }, [&](void* b) { Pool_Free(pool, b); });
    Pool_Destroy(pool);
}
BENCHMARK(BM_PoolRandom);

void BM_MallocRandom(benchmark::State& state) {
    RandomPattern(
        state, [] { return malloc(kBlockSize); }, [](void* b) { free(b); });
}
BENCHMARK(BM_MallocRandom);

// Random order in a fragmented pool: 2,000 blocks taken and every other one given back
// (so the chunks hold free slots between live blocks), then, per round, 64 blocks taken
// and given back in a fixed random order. Figures are per pair.
constexpr int kRound = 64;

template <typename Alloc, typename Free>
void RandomOrderRounds(benchmark::State& state, Alloc alloc, Free free_block) {
    std::vector<void*> resident;
    for (int i = 0; i < 2 * kResident; ++i)
        resident.push_back(alloc());
    for (size_t i = 0; i < resident.size(); i += 2)
        free_block(resident[i]);
    std::vector<uint32_t> order(kRound);
    for (uint32_t i = 0; i < kRound; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    void* round[kRound];
    for (auto _ : state) {
        for (void*& block : round)
            block = alloc();
        Keep(round);
        for (uint32_t i : order)
            free_block(round[i]);
    }
    state.SetItemsProcessed(state.iterations() * kRound);
    for (size_t i = 1; i < resident.size(); i += 2)
        free_block(resident[i]);
}

void BM_PoolRandomOrder(benchmark::State& state) {
    HeapScope heap;
    BlockPool* pool = Pool_Create(kBlockSize, 16, 256, 0);
    RandomOrderRounds(
        state, [&] { return Pool_Alloc(pool); }, [&](void* b) { Pool_Free(pool, b); });
    Pool_Destroy(pool);
}
BENCHMARK(BM_PoolRandomOrder);

// The same rounds where no round reaches a chunk's end: chunks of 1,024 blocks, so that no
// chunk fills or gets its first block back during a round. The difference from the
// figure above is the cost of the chunk moves the rounds cause there.
void BM_PoolRandomOrderWithinChunks(benchmark::State& state) {
    HeapScope heap;
    BlockPool* pool = Pool_Create(kBlockSize, 1024, 1024, 0);
    RandomOrderRounds(
        state, [&] { return Pool_Alloc(pool); }, [&](void* b) { Pool_Free(pool, b); });
    Pool_Destroy(pool);
}
BENCHMARK(BM_PoolRandomOrderWithinChunks);

void BM_MallocRandomOrder(benchmark::State& state) {
    RandomOrderRounds(
        state, [] { return malloc(kBlockSize); }, [](void* b) { free(b); });
}
BENCHMARK(BM_MallocRandomOrder);

// Worst case for the pool: every chunk full, a random live block given back and a new one
// taken at once. The freed block's chunk moves to the available list and straight back.
void BM_PoolReplacePacked(benchmark::State& state) {
    HeapScope heap;
    BlockPool* pool = Pool_Create(kBlockSize, 16, 256, 0);
    std::vector<void*> live;
    for (int i = 0; i < kWorkingSet; ++i)
        live.push_back(Pool_Alloc(pool));
    const std::vector<uint32_t> order = RandomSlots(kWorkingSet);
    size_t at = 0;
    for (auto _ : state) {
        uint32_t i = order[at++ & 0xFFFF];
        Pool_Free(pool, live[i]);
        live[i] = Pool_Alloc(pool);
        Keep(live[i]);
    }
    Pool_Destroy(pool);
}
BENCHMARK(BM_PoolReplacePacked);

void BM_MallocReplacePacked(benchmark::State& state) {
    std::vector<void*> live;
    for (int i = 0; i < kWorkingSet; ++i)
        live.push_back(malloc(kBlockSize));
    const std::vector<uint32_t> order = RandomSlots(kWorkingSet);
    size_t at = 0;
    for (auto _ : state) {
        uint32_t i = order[at++ & 0xFFFF];
        free(live[i]);
        live[i] = malloc(kBlockSize);
        Keep(live[i]);
    }
    for (void* block : live)
        free(block);
}
BENCHMARK(BM_MallocReplacePacked);

// Two shapes of key: texts shaped like the event bindings' ("code:window:object:type"),
// which differ only in a few digits and so spread unevenly over the fixed buckets, and
// distinct lower-case words of 6 to 14 letters, as names in a program would be.
enum KeyShape { kBindingKeys = 0, kWordKeys = 1 };

std::vector<std::string> Keys(int count, int shape) {
    std::vector<std::string> keys;
    if (shape == kBindingKeys) {
        for (int i = 0; i < count; ++i) {
            keys.push_back(std::to_string(13100 + i % 19) + ":" + std::to_string(i / 19 % 32) +
                           ":" + std::to_string(i / 608) + ":" + std::to_string(i % 4 - 1));
        }
        return keys;
    }
    std::mt19937 rng(7);
    std::unordered_map<std::string, int> seen;
    while ((int)keys.size() < count) {
        std::string word(6 + rng() % 9, 'a');
        for (char& c : word)
            c = (char)('a' + rng() % 26);
        if (seen.emplace(word, 0).second) keys.push_back(word);
    }
    return keys;
}

void BM_MapFind(benchmark::State& state) {
    HeapScope heap;
    const std::vector<std::string> keys = Keys((int)state.range(0), (int)state.range(1));
    StringMap* map = nullptr;
    Map_New(8, 7, nullptr, &map, 1024);
    for (const std::string& key : keys)
        Map_Add(map, key.c_str(), 0);
    std::vector<const char*> probes;
    for (const std::string& key : keys)
        probes.push_back(key.c_str());
    std::shuffle(probes.begin(), probes.end(), std::mt19937(9));
    size_t at = 0;
    for (auto _ : state) {
        void* value = Map_Find(map, probes[at]);
        Keep(value);
        if (++at == probes.size()) at = 0;
    }
    Map_Free(map);
}
BENCHMARK(BM_MapFind)
    ->ArgsProduct({{1000, 10000, 100000}, {kBindingKeys, kWordKeys}})
    ->ArgNames({"keys", "words"});

void BM_UnorderedMapFind(benchmark::State& state) {
    const std::vector<std::string> keys = Keys((int)state.range(0), (int)state.range(1));
    std::unordered_map<std::string, int64_t> map;
    for (const std::string& key : keys)
        map[key] = 0;
    std::vector<std::string> probes = keys;
    std::shuffle(probes.begin(), probes.end(), std::mt19937(9));
    size_t at = 0;
    for (auto _ : state) {
        auto it = map.find(probes[at]);
        Keep(it);
        if (++at == probes.size()) at = 0;
    }
}
BENCHMARK(BM_UnorderedMapFind)
    ->ArgsProduct({{1000, 10000, 100000}, {kBindingKeys, kWordKeys}})
    ->ArgNames({"keys", "words"});

}  // namespace

BENCHMARK_MAIN();
