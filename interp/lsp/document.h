// One open text document: its text as the client edits it, and the two
// ways of counting its lines. The client counts lines as the protocol does
// (ended by CR LF, LF or a lone CR) and characters in UTF-16 code units (or
// in bytes, when both sides agree on UTF-8); vantel counts lines ended by
// LF and columns in bytes. Every place passes through a byte offset in the
// text, so the two never disagree. The analysis and the line states of the
// text are made when first asked for after a change.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/document_analysis.h"
#include "analysis/tokenizer.h"
#include "translator/messages.h"

namespace vantel::lsp {

enum class Encoding { Utf16, Utf8 };

// A place as the client gives it: line and character from 0.
struct Position {
    int line = 0;
    int character = 0;
    friend bool operator==(const Position&, const Position&) = default;
};
struct Range {
    Position start;
    Position end;
};

class Document {
public:
    Document(std::string text, int version);

    const std::string& Text() const { return text_; }
    int Version() const { return version_; }

    // The whole text anew.
    void Replace(std::string text, int version);
    // Bytes between two positions replaced (positions beyond a line's end
    // or the text's end are taken as those ends; a reversed range is put
    // right first).
    void Edit(const Range& range, std::string_view with, Encoding encoding, int version);

    // Client positions and byte offsets (clamped into the text).
    std::size_t OffsetOf(Position p, Encoding encoding) const;
    Position PositionOf(std::size_t offset, Encoding encoding) const;

    // vantel's cards: lines ended by LF, without a CR before it.
    int CardCount() const { return static_cast<int>(cardStarts_.size()); }
    std::string_view Card(int index) const; // from 0
    std::size_t CardStart(int index) const { return cardStarts_[static_cast<std::size_t>(index)]; }
    // A translator's place (line and column from 1) as a byte offset.
    std::size_t OffsetOf(const SourcePlace& place) const;
    Range RangeOf(const SourceSpan& span, Encoding encoding) const;
    // The card holding an offset, and the column (from 0) in it.
    int CardAt(std::size_t offset) const;

    const analysis::Analysis& Analysis();
    // The tokenizer's state before each card (one more after the last).
    const std::vector<tokens::CardState>& CardStates();
    // The tokens of one card.
    std::vector<tokens::Token> CardTokens(int index);

    // Diagnostics of this version were sent to the client.
    bool published = false;

private:
    void Index();

    std::string text_;
    int version_ = 0;
    std::vector<std::size_t> lineStarts_; // the client's lines
    std::vector<std::size_t> cardStarts_; // vantel's lines
    std::optional<analysis::Analysis> analysis_;
    std::optional<std::vector<tokens::CardState>> states_;
};

} // namespace vantel::lsp
