#include "analysis/source.h"

#include <algorithm>

#include "translator/source_text.h"

namespace vantel::analysis {

Source::Source(std::string text) : text_(std::move(text)) {
    cardStarts_.assign(1, 0);
    for (std::size_t i = 0; i < text_.size(); ++i)
        if (text_[i] == '\n') cardStarts_.push_back(i + 1);
}

std::string Source::TakeText() {
    std::string text = std::move(text_);
    *this = Source();
    return text;
}

std::string_view Source::Card(int index) const {
    std::size_t offset = CardStart(index);
    return offset < text_.size() ? LineAt(text_, offset) : std::string_view();
}

int Source::CardAt(std::size_t offset) const {
    const auto after = std::upper_bound(cardStarts_.begin(), cardStarts_.end(), offset);
    return static_cast<int>(after - cardStarts_.begin()) - 1;
}

std::size_t Source::OffsetOf(const SourcePlace& place) const {
    if (place.line > CardCount()) return text_.size();
    const int index = std::max(place.line, 1) - 1;
    const std::size_t column = static_cast<std::size_t>(std::max(place.column, 1) - 1);
    return CardStart(index) + std::min(column, Card(index).size());
}

const vantel::analysis::Analysis& Source::Analysis() const {
    if (!analysis_) analysis_ = Analyze(text_);
    return *analysis_;
}

const std::vector<tokens::CardState>& Source::CardStates() const {
    if (!states_) states_ = tokens::LineStates(text_);
    return *states_;
}

std::vector<tokens::Token> Source::CardTokens(int index) const {
    const auto& states = CardStates();
    const auto at = static_cast<std::size_t>(index);
    const tokens::CardState before = at < states.size() ? states[at] : tokens::CardState{};
    tokens::CardState after;
    return tokens::TokenizeCard(Card(index), before, after);
}

void Source::Prepare() const {
    Analysis();
    CardStates();
}

} // namespace vantel::analysis
