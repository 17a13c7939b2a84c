// A source text as vantel reads it, with what editors ask of it: its cards
// (lines ended by LF; a CR just before the LF is not part of the card),
// the byte offset of a translator's line and column, the analysis of the
// text and the tokenizer's state before each card.
//
// The analysis and the states are made when first asked for, or all at
// once by Prepare. A text is analysed on a deep stack, one analysis at a
// time in a process (see document_analysis.h), so an editor that analyses
// on a thread of its own prepares the Source there and hands it on; after
// Prepare nothing in it changes, and it may be read from any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/document_analysis.h"
#include "analysis/tokenizer.h"
#include "translator/messages.h"

namespace vantel::analysis {

class Source {
public:
    explicit Source(std::string text = {});

    const std::string& Text() const { return text_; }
    // The text, leaving this source empty (an edit without a copy).
    std::string TakeText();

    int CardCount() const { return static_cast<int>(cardStarts_.size()); }
    std::string_view Card(int index) const; // from 0
    std::size_t CardStart(int index) const { return cardStarts_[static_cast<std::size_t>(index)]; }
    // The card holding an offset (the last card for offsets beyond the text).
    int CardAt(std::size_t offset) const;
    // A translator's place (line and column from 1) as a byte offset,
    // clamped into its card and into the text.
    std::size_t OffsetOf(const SourcePlace& place) const;

    const vantel::analysis::Analysis& Analysis() const;
    // The tokenizer's state before each card, and one more after the last.
    const std::vector<tokens::CardState>& CardStates() const;
    // The tokens of one card.
    std::vector<tokens::Token> CardTokens(int index) const;

    // Makes the analysis and the card states now.
    void Prepare() const;

private:
    std::string text_;
    std::vector<std::size_t> cardStarts_;
    mutable std::optional<vantel::analysis::Analysis> analysis_;
    mutable std::optional<std::vector<tokens::CardState>> states_;
};

} // namespace vantel::analysis
