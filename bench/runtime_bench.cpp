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

// The two sources of blocks, measured with the same patterns: a block pool (chunks of
// First blocks, then of Next) on the runtime's heap, and malloc/free of the same size.
// A pattern works on the source's Blocks(), a handle it keeps by value, so that the
// pool's address stays in a register as it would in a caller's loop.
struct PoolBlocks {
    BlockPool* pool;
    void* Alloc() const { return Pool_Alloc(pool); }
    void Free(void* block) const { Pool_Free(pool, block); }
};

template <int First, int Next>
class PoolOf {
  public:
    PoolOf() : pool_(Pool_Create(kBlockSize, First, Next, 0)) {}
    ~PoolOf() { Pool_Destroy(pool_); }
    PoolOf(const PoolOf&) = delete;
    PoolOf& operator=(const PoolOf&) = delete;
    PoolBlocks Blocks() const { return {pool_}; }

  private:
    HeapScope heap_;
    BlockPool* pool_;
};
using Pool = PoolOf<16, 256>;
// Chunks of 1,024 blocks: no chunk fills or gets its first block back during a round of
// the random-order pattern.
using PoolWithLargeChunks = PoolOf<1024, 1024>;

struct MallocBlocks {
    void* Alloc() const { return malloc(kBlockSize); }
    void Free(void* block) const { free(block); }
};

struct Malloc {
    MallocBlocks Blocks() const { return {}; }
};

// Blocks held throughout, as a program in flight would.
template <typename Blocks>
std::vector<void*> TakeBlocks(Blocks blocks, int count) {
    std::vector<void*> held;
    for (int i = 0; i < count; ++i)
        held.push_back(blocks.Alloc());
    return held;
}

template <typename Blocks>
void GiveBack(Blocks blocks, const std::vector<void*>& held) {
    for (void* block : held)
        blocks.Free(block);
}

// One block taken and given back at the top of a warm pool.
template <typename Source>
void BM_AllocFreeLifo(benchmark::State& state) {
    Source source;
    const auto blocks = source.Blocks();
    const std::vector<void*> resident = TakeBlocks(blocks, kResident);
    for (auto _ : state) {
        void* block = blocks.Alloc();
        Keep(block);
        blocks.Free(block);
    }
    GiveBack(blocks, resident);
}
BENCHMARK_TEMPLATE(BM_AllocFreeLifo, Pool);
BENCHMARK_TEMPLATE(BM_AllocFreeLifo, Malloc);

// Sixteen blocks taken, then given back newest first; figures are per pair.
template <typename Source>
void BM_AllocFreeLifoBurst(benchmark::State& state) {
    Source source;
    const auto blocks = source.Blocks();
    const std::vector<void*> resident = TakeBlocks(blocks, kResident);
    void* burst[16];
    for (auto _ : state) {
        for (void*& block : burst)
            block = blocks.Alloc();
        Keep(burst);
        for (int i = 15; i >= 0; --i)
            blocks.Free(burst[i]);
    }
    state.SetItemsProcessed(state.iterations() * 16);
    GiveBack(blocks, resident);
}
BENCHMARK_TEMPLATE(BM_AllocFreeLifoBurst, Pool);
BENCHMARK_TEMPLATE(BM_AllocFreeLifoBurst, Malloc);

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

template <typename Source>
void BM_Random(benchmark::State& state) {
    Source source;
    const auto blocks = source.Blocks();
    const std::vector<uint32_t> order = RandomSlots(kWorkingSet);
    std::vector<void*> slots(kWorkingSet, nullptr);
    for (int i = 0; i < kWorkingSet; i += 2)
        slots[(size_t)i] = blocks.Alloc();
    size_t at = 0;
    for (auto _ : state) {
        void*& slot = slots[order[at++ & 0xFFFF]];
        if (slot) {
            blocks.Free(slot);
            slot = nullptr;
        } else {
            slot = blocks.Alloc();
            Keep(slot);
        }
    }
    for (void* block : slots)
        if (block) blocks.Free(block);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_TEMPLATE(BM_Random, Pool);
BENCHMARK_TEMPLATE(BM_Random, Malloc);

// Random order in a fragmented pool: 2,000 blocks taken and every other one given back
// (so the chunks hold free slots between live blocks), then, per round, 64 blocks taken
// and given back in a fixed random order. Figures are per pair. With large chunks no
// round reaches a chunk's end; the difference between the two pool figures is the cost
// of the chunk moves the rounds cause.
constexpr int kRound = 64;

template <typename Source>
void BM_RandomOrder(benchmark::State& state) {
    Source source;
    const auto blocks = source.Blocks();
    std::vector<void*> resident = TakeBlocks(blocks, 2 * kResident);
    for (size_t i = 0; i < resident.size(); i += 2)
        blocks.Free(resident[i]);
    std::vector<uint32_t> order(kRound);
    for (uint32_t i = 0; i < kRound; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    void* round[kRound];
    for (auto _ : state) {
        for (void*& block : round)
            block = blocks.Alloc();
        Keep(round);
        for (uint32_t i : order)
            blocks.Free(round[i]);
    }
    state.SetItemsProcessed(state.iterations() * kRound);
    for (size_t i = 1; i < resident.size(); i += 2)
        blocks.Free(resident[i]);
}
BENCHMARK_TEMPLATE(BM_RandomOrder, Pool);
BENCHMARK_TEMPLATE(BM_RandomOrder, PoolWithLargeChunks);
BENCHMARK_TEMPLATE(BM_RandomOrder, Malloc);

// Worst case for the pool: every chunk full, a random live block given back and a new one
// taken at once. The freed block's chunk moves to the available list and straight back.
template <typename Source>
void BM_ReplacePacked(benchmark::State& state) {
    Source source;
    const auto blocks = source.Blocks();
    std::vector<void*> live = TakeBlocks(blocks, kWorkingSet);
    const std::vector<uint32_t> order = RandomSlots(kWorkingSet);
    size_t at = 0;
    for (auto _ : state) {
        uint32_t i = order[at++ & 0xFFFF];
        blocks.Free(live[i]);
        live[i] = blocks.Alloc();
        Keep(live[i]);
    }
    GiveBack(blocks, live);
}
BENCHMARK_TEMPLATE(BM_ReplacePacked, Pool);
BENCHMARK_TEMPLATE(BM_ReplacePacked, Malloc);

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
