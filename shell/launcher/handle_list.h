#pragma once
// The launcher's ascending list of process handles.

#include <cstdint>
#include <forward_list>
#include <optional>

namespace harbex {

// Process handles, kept in ascending order (compared as unsigned 32-bit
// numbers) in a singly linked list; a handle is held at most once.
class HandleList {
public:
    using Handle = std::uint32_t;

    // Inserts at the place that keeps the list ascending; a duplicate is ignored.
    void Insert(Handle handle);
    // Removes the handle when present.
    void Remove(Handle handle);
    // The smallest handle, or none when the list is empty.
    std::optional<Handle> First() const;
    bool Empty() const { return nodes_.empty(); }
    auto begin() const { return nodes_.begin(); }
    auto end() const { return nodes_.end(); }

private:
    std::forward_list<Handle> nodes_;
};

} // namespace harbex
