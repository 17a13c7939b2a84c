// A fixed array of N elements that starts all zero, in pages of its own
// mapped from the system. Fresh pages are zero already, so a run that starts
// its large tables this way touches only the pages it uses: value-
// initialising the same tables (or calloc, which clears what it reuses)
// would write every byte of them at each start, several times the work of
// a short run.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

namespace vantel {

template <typename T, std::size_t N> class ZeroedArray {
    // Mapped memory holds such elements at once (their lifetime begins
    // with the mapping), and zero bytes are their wanted first value.
    static_assert(std::is_aggregate_v<T> || std::is_scalar_v<T>);
    static_assert(std::is_trivially_destructible_v<T>);

public:
    ZeroedArray() : elements_(static_cast<T*>(Map())) {}
    ZeroedArray(const ZeroedArray&) = delete;
    ZeroedArray& operator=(const ZeroedArray&) = delete;

    T& operator[](std::size_t i) { return elements_.get()[i]; }
    const T& operator[](std::size_t i) const { return elements_.get()[i]; }
    T* data() { return elements_.get(); }
    static constexpr std::size_t size() { return N; }

private:
    static constexpr std::size_t kBytes = N * sizeof(T);
    static void* Map() {
        void* p = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        return p;
    }
    struct Free {
        void operator()(T* p) const { munmap(p, kBytes); }
    };
    std::unique_ptr<T, Free> elements_;
};

} // namespace vantel
