// HandleTable<T>: opaque handles for platform objects of one kind.
//
// A handle encodes a slot index and the slot's generation, so a handle that was
// closed, or one that was never handed out, is recognised as invalid instead of
// being dereferenced. Lookups are lock-free; creation and removal take a lock.
// Using a handle on one thread while another thread closes it is a caller error
// (as on Windows), but it never reaches freed table memory: slots are never moved.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace zv {

template <class T>
class HandleTable {
  public:
    // tag distinguishes kinds: a handle of one table is never valid in another.
    explicit HandleTable(uint32_t tag) : tag_(tag & 0xF) {}
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // Stores obj (taking ownership) and returns its handle, or 0 when the table is full.
    // Out of memory it throws std::bad_alloc and leaves the table as it was (obj goes).
    uintptr_t Add(std::unique_ptr<T> obj) {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool fresh = free_.empty();
        if (fresh && used_ >= kMaxSlots) return 0;
        const uint32_t index = fresh ? used_ : free_.back();
        // Remove gives every slot back through free_; the room for that is made here,
        // where failing is still allowed, so that a removal never allocates.
        if (fresh && free_.capacity() <= used_)
            free_.reserve(std::max<size_t>(64, 2 * size_t(used_)));
        Slot& s = SlotAt(index);
        if (fresh)
            ++used_;
        else
            free_.pop_back();
        s.obj.store(obj.release(), std::memory_order_release);
        ++live_;
        return Encode(index, s.generation.load(std::memory_order_relaxed));
    }

    // The live object of a handle, or nullptr.
    T* Get(uintptr_t handle) const {
        uint32_t index, generation;
        if (!Decode(handle, &index, &generation)) return nullptr;
        const Slot* s = SlotIfExists(index);
        if (!s || s->generation.load(std::memory_order_acquire) != generation) return nullptr;
        return s->obj.load(std::memory_order_acquire);
    }
    template <class H>
    T* Get(H handle) const {
        return Get(reinterpret_cast<uintptr_t>(handle));
    }

    // Removes a handle's object and returns it, or nullptr when the handle is invalid.
    // Never allocates.
    std::unique_ptr<T> Remove(uintptr_t handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        uint32_t index, generation;
        if (!Decode(handle, &index, &generation)) return nullptr;
        Slot* s = SlotIfExists(index);
        if (!s || s->generation.load(std::memory_order_relaxed) != generation) return nullptr;
        T* obj = s->obj.exchange(nullptr, std::memory_order_acq_rel);
        if (!obj) return nullptr;
        s->generation.store((generation + 1) & kGenerationMask, std::memory_order_release);
        free_.push_back(index);
        --live_;
        return std::unique_ptr<T>(obj);
    }
    template <class H>
    std::unique_ptr<T> Remove(H handle) {
        return Remove(reinterpret_cast<uintptr_t>(handle));
    }

    size_t LiveCount() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return live_;
    }

    // Calls fn(handle, T*) for every live object, under the table's lock.
    template <class Fn>
    void ForEach(Fn&& fn) const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (uint32_t i = 0; i < used_; ++i) {
            const Slot& s = *SlotIfExists(i);
            if (T* obj = s.obj.load(std::memory_order_acquire))
                fn(Encode(i, s.generation.load(std::memory_order_relaxed)), obj);
        }
    }

    ~HandleTable() {
        for (auto& block : blocks_) {
            if (!block) continue;
            for (size_t i = 0; i < kBlockSize; ++i)
                delete block[i].obj.load();
        }
    }

  private:
    static constexpr uint32_t kBlockBits = 10;
    static constexpr uint32_t kBlockSize = 1u << kBlockBits;
    static constexpr uint32_t kMaxBlocks = 64;
    static constexpr uint32_t kMaxSlots = kBlockSize * kMaxBlocks;  // 65536
    static constexpr uint32_t kGenerationMask = 0x7FF;

    struct Slot {
        std::atomic<T*> obj{nullptr};
        std::atomic<uint32_t> generation{1};
    };

    // Layout of a handle value: | generation (11) | index + 1 (16) | tag (4) | 0 0 |.
    // The two low bits stay clear so a handle looks like an aligned pointer, and 0 is
    // never produced.
    uintptr_t Encode(uint32_t index, uint32_t generation) const {
        return (uintptr_t(generation) << 22) | (uintptr_t(index + 1) << 6) | (uintptr_t(tag_) << 2);
    }
    bool Decode(uintptr_t h, uint32_t* index, uint32_t* generation) const {
        if (h == 0 || (h & 3) != 0 || ((h >> 2) & 0xF) != tag_ || (h >> 33) != 0) return false;
        uint32_t i = uint32_t((h >> 6) & 0xFFFF);
        if (i == 0) return false;
        *index = i - 1;
        *generation = uint32_t(h >> 22) & kGenerationMask;
        return true;
    }

    Slot& SlotAt(uint32_t index) {
        auto& block = blocks_[index >> kBlockBits];
        if (!block) {
            block.reset(new Slot[kBlockSize]);
            blockPtrs_[index >> kBlockBits].store(block.get(), std::memory_order_release);
        }
        return block[index & (kBlockSize - 1)];
    }
    const Slot* SlotIfExists(uint32_t index) const {
        if (index >= kMaxSlots) return nullptr;
        // Blocks are created under the lock and never freed while the table lives, so a
        // racing reader sees either nullptr or a complete block.
        const Slot* block = blockPtrs_[index >> kBlockBits].load(std::memory_order_acquire);
        return block ? &block[index & (kBlockSize - 1)] : nullptr;
    }
    Slot* SlotIfExists(uint32_t index) {
        return const_cast<Slot*>(static_cast<const HandleTable*>(this)->SlotIfExists(index));
    }

    uint32_t tag_;
    mutable std::mutex mutex_;
    std::unique_ptr<Slot[]> blocks_[kMaxBlocks];
    std::atomic<Slot*> blockPtrs_[kMaxBlocks] = {};
    std::vector<uint32_t> free_;
    uint32_t used_ = 0;
    size_t live_ = 0;
};

}  // namespace zv
