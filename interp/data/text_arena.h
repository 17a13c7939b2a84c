// Append-only storage for the string table's texts.
//
// Texts are stored in chunks that never move, so a view of a stored text
// stays valid until Reset. A text that extends the last one stored (the
// left side of a concatenation, still at the tail of its chunk) costs only
// its new characters: the joined view starts where the left one starts.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace vantel {

class TextArena {
public:
    static constexpr std::size_t kChunkSize = 64 * 1024;

    // Copies text in and returns the stored view. A text larger than a
    // chunk gets a chunk of its own.
    std::string_view Store(std::string_view text);
    // Stores left followed by right and returns the view of both. When left
    // ends at the tail and its chunk has room, only right is copied. The
    // joined text must fit in a chunk.
    std::string_view StoreJoined(std::string_view left, std::string_view right);
    // Gives back the characters added by the last StoreJoined (when its
    // text turned out to be stored already). Only once per StoreJoined.
    void UndoLastJoined();
    // Frees every chunk; every stored view becomes invalid.
    void Reset();

    std::size_t ChunkCount() const { return chunks_.size(); }
    // Characters in use in the current chunk.
    std::size_t TailOffset() const {
        return current_ == nullptr ? 0 : static_cast<std::size_t>(tail_ - current_);
    }

private:
    char* Room(std::size_t size); // a place for size characters at the tail

    std::vector<std::unique_ptr<char[]>> chunks_;
    char* current_ = nullptr; // start of the chunk that takes joined texts
    char* tail_ = nullptr;    // its first free character
    char* end_ = nullptr;     // its end
    std::size_t lastAdded_ = 0;
};

} // namespace vantel
