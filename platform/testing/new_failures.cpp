// The global operator new of the test programs: it hands each request to the operator new
// that would have served it otherwise (the C++ library's, or a sanitizer's), unless the
// calling thread has been told to fail it (zorvane_test/new_failures.h). The operator
// delete stays the one that came with that allocator, so both halves keep matching.
#include <zorvane_test/new_failures.h>

#include <dlfcn.h>

#include <cstdlib>
#include <new>

namespace {

struct FailureState {
    bool armed = false;
    size_t remaining = 0;
    size_t refused = 0;
    int forwarding = 0;  // inside the next allocator, which may come back through here
};
thread_local FailureState t_state;

bool Refuse() {
    FailureState& s = t_state;
    if (!s.armed || s.forwarding) return false;
    if (s.remaining > 0) {
        --s.remaining;
        return false;
    }
    ++s.refused;
    return true;
}

template <class Fn>
Fn Next(const char* symbol) {
    void* fn = dlsym(RTLD_NEXT, symbol);
    if (!fn) std::abort();  // no allocator behind this one: nothing can work
    return reinterpret_cast<Fn>(fn);
}

// Calls the next allocator, with this thread's own requests passed through meanwhile.
template <class Fn, class... Args>
void* Forward(Fn fn, Args... args) {
    struct Depth {
        Depth() { ++t_state.forwarding; }
        ~Depth() { --t_state.forwarding; }
    } depth;
    return fn(args...);
}

using Plain = void* (*)(std::size_t);
using NoThrow = void* (*)(std::size_t, const std::nothrow_t&);
using Aligned = void* (*)(std::size_t, std::align_val_t);
using AlignedNoThrow = void* (*)(std::size_t, std::align_val_t, const std::nothrow_t&);

// The names the next allocator has for each form (the Itanium C++ ABI's, with a 64-bit
// size_t).
static_assert(sizeof(std::size_t) == sizeof(unsigned long));

}  // namespace

namespace zv_test {

void FailNewAfter(size_t successes) {
    t_state.armed = true;
    t_state.remaining = successes;
    t_state.refused = 0;
}

size_t ClearNewFailures() {
    t_state.armed = false;
    return t_state.refused;
}

}  // namespace zv_test

void* operator new(std::size_t size) {
    static const Plain next = Next<Plain>("_Znwm");
    if (Refuse()) throw std::bad_alloc();
    return Forward(next, size);
}

void* operator new[](std::size_t size) {
    static const Plain next = Next<Plain>("_Znam");
    if (Refuse()) throw std::bad_alloc();
    return Forward(next, size);
}

void* operator new(std::size_t size, const std::nothrow_t& tag) noexcept {
    static const NoThrow next = Next<NoThrow>("_ZnwmRKSt9nothrow_t");
    if (Refuse()) return nullptr;
    return Forward(next, size, tag);
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    static const NoThrow next = Next<NoThrow>("_ZnamRKSt9nothrow_t");
    if (Refuse()) return nullptr;
    return Forward(next, size, tag);
}

void* operator new(std::size_t size, std::align_val_t align) {
    static const Aligned next = Next<Aligned>("_ZnwmSt11align_val_t");
    if (Refuse()) throw std::bad_alloc();
    return Forward(next, size, align);
}

void* operator new[](std::size_t size, std::align_val_t align) {
    static const Aligned next = Next<Aligned>("_ZnamSt11align_val_t");
    if (Refuse()) throw std::bad_alloc();
    return Forward(next, size, align);
}

void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t& tag) noexcept {
    static const AlignedNoThrow next = Next<AlignedNoThrow>("_ZnwmSt11align_val_tRKSt9nothrow_t");
    if (Refuse()) return nullptr;
    return Forward(next, size, align, tag);
}

void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t& tag) noexcept {
    static const AlignedNoThrow next = Next<AlignedNoThrow>("_ZnamSt11align_val_tRKSt9nothrow_t");
    if (Refuse()) return nullptr;
    return Forward(next, size, align, tag);
}
