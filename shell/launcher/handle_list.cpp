#include "handle_list.h"

namespace harbex {

void HandleList::Insert(Handle handle) {
    auto before = nodes_.before_begin();
    for (auto it = nodes_.begin(); it != nodes_.end() && *it <= handle; ++it) {
        if (*it == handle) return;
        before = it;
    }
    nodes_.insert_after(before, handle);
}

void HandleList::Remove(Handle handle) {
    nodes_.remove(handle);
}

std::optional<HandleList::Handle> HandleList::First() const {
    if (nodes_.empty()) return std::nullopt;
    return nodes_.front();
}

} // namespace harbex
