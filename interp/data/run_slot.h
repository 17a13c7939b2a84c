// Where the current run keeps one layer's state: storage at a fixed address
// (so that reaching the state costs what reaching a global does, on the
// interpreter's hottest paths) in which the run object constructs the state
// when the run starts and destroys it when the run ends. Between runs the
// slot holds nothing; one run at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace vantel {

template <typename T> class RunSlot {
public:
    T& get() { return *std::launder(reinterpret_cast<T*>(bytes_)); }
    bool live() const { return live_; }
    void Construct() {
        std::construct_at(reinterpret_cast<T*>(bytes_));
        live_ = true;
    }
    void Destroy() {
        std::destroy_at(&get());
        live_ = false;
    }

private:
    alignas(T) std::byte bytes_[sizeof(T)];
    bool live_ = false;
};

} // namespace vantel
