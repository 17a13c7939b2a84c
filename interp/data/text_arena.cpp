#include "data/text_arena.h"

#include <cassert>
#include <cstring>

namespace vantel {

namespace {

void CopyTo(char* target, std::string_view text) {
    if (!text.empty()) std::memcpy(target, text.data(), text.size());
}

} // namespace

char* TextArena::Room(std::size_t size) {
    if (current_ == nullptr || static_cast<std::size_t>(end_ - tail_) < size) {
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
        current_ = chunks_.back().get();
        tail_ = current_;
        end_ = current_ + kChunkSize;
    }
    char* place = tail_;
    tail_ += size;
    return place;
}

std::string_view TextArena::Store(std::string_view text) {
    lastAdded_ = 0;
    if (text.size() > kChunkSize) {
        // A chunk of its own, kept out of the way of the current chunk's tail.
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
        char* place = chunks_.back().get();
        CopyTo(place, text);
        return {place, text.size()};
    }
    char* place = Room(text.size());
    CopyTo(place, text);
    return {place, text.size()};
}

std::string_view TextArena::StoreJoined(std::string_view left, std::string_view right) {
    assert(left.size() + right.size() <= kChunkSize);
    // Comparing the end of left with the tail is defined for any pointers;
    // equal means left lies in the current chunk, right before the tail.
    if (!left.empty() && current_ != nullptr && left.data() + left.size() == tail_ &&
        static_cast<std::size_t>(end_ - tail_) >= right.size()) {
        CopyTo(tail_, right);
        tail_ += right.size();
        lastAdded_ = right.size();
        return {left.data(), left.size() + right.size()};
    }
    const std::size_t size = left.size() + right.size();
    char* place = Room(size);
    CopyTo(place, left);
    CopyTo(place + left.size(), right);
    lastAdded_ = size;
    return {place, size};
}

void TextArena::UndoLastJoined() {
    if (lastAdded_ != 0) tail_ -= lastAdded_;
    lastAdded_ = 0;
}

void TextArena::Reset() {
    chunks_.clear();
    current_ = tail_ = end_ = nullptr;
    lastAdded_ = 0;
}

} // namespace vantel
