#include "lsp/document.h"

#include <algorithm>

#include "translator/source_text.h"

namespace vantel::lsp {

namespace {

bool IsContinuationByte(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The length in bytes of the UTF-8 sequence at text[i]; a byte that starts
// no whole sequence counts alone.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if ((lead & 0xE0) == 0xC0)
        length = 2;
    else if ((lead & 0xF0) == 0xE0)
        length = 3;
    else if ((lead & 0xF8) == 0xF0)
        length = 4;
    if (i + length > text.size()) return 1;
    for (std::size_t k = 1; k < length; ++k)
        if (!IsContinuationByte(static_cast<unsigned char>(text[i + k]))) return 1;
    return length;
}

// UTF-16 code units of the first `count` bytes of a line; a character cut
// by the count is counted whole, so that later offsets never give earlier
// positions.
int Utf16Units(std::string_view line, std::size_t count) {
    int units = 0;
    for (std::size_t i = 0; i < count && i < line.size();) {
        const std::size_t length = SequenceLength(line, i);
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

// The bytes of a line that make up `units` UTF-16 code units (a position
// inside a character is taken as after it).
std::size_t Utf16Bytes(std::string_view line, int units) {
    std::size_t i = 0;
    while (i < line.size() && units > 0) {
        const std::size_t length = SequenceLength(line, i);
        units -= length == 4 ? 2 : 1;
        i += length;
    }
    return i;
}

} // namespace

Document::Document(std::string text, int version) : text_(std::move(text)), version_(version) {
    Index();
}

void Document::Replace(std::string text, int version) {
    text_ = std::move(text);
    version_ = version;
    Index();
}

void Document::Edit(const Range& range, std::string_view with, Encoding encoding, int version) {
    std::size_t from = OffsetOf(range.start, encoding);
    std::size_t to = OffsetOf(range.end, encoding);
    if (from > to) std::swap(from, to);
    text_.replace(from, to - from, with);
    version_ = version;
    Index();
}

void Document::Index() {
    lineStarts_.assign(1, 0);
    cardStarts_.assign(1, 0);
    for (std::size_t i = 0; i < text_.size(); ++i) {
        const char c = text_[i];
        if (c == '\n') {
            lineStarts_.push_back(i + 1);
            cardStarts_.push_back(i + 1);
        } else if (c == '\r' && (i + 1 == text_.size() || text_[i + 1] != '\n')) {
            lineStarts_.push_back(i + 1);
        }
    }
    analysis_.reset();
    states_.reset();
    published = false;
}

std::size_t Document::OffsetOf(Position p, Encoding encoding) const {
    if (p.line < 0) return 0;
    if (static_cast<std::size_t>(p.line) >= lineStarts_.size()) return text_.size();
    const std::size_t start = lineStarts_[static_cast<std::size_t>(p.line)];
    std::size_t end = start;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r')
        ++end;
    const std::string_view line = std::string_view(text_).substr(start, end - start);
    const int character = std::max(p.character, 0);
    if (encoding == Encoding::Utf8)
        return start + std::min(static_cast<std::size_t>(character), line.size());
    return start + Utf16Bytes(line, character);
}

Position Document::PositionOf(std::size_t offset, Encoding encoding) const {
    offset = std::min(offset, text_.size());
    const auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    const auto line = static_cast<std::size_t>(after - lineStarts_.begin()) - 1;
    const std::size_t start = lineStarts_[line];
    std::size_t end = start; // the offset, or the line's end before it
    while (end < offset && text_[end] != '\n' && text_[end] != '\r')
        ++end;
    const std::size_t count = end - start;
    const int character = encoding == Encoding::Utf8
                              ? static_cast<int>(count)
                              : Utf16Units(std::string_view(text_).substr(start), count);
    return {static_cast<int>(line), character};
}

std::string_view Document::Card(int index) const {
    std::size_t offset = CardStart(index);
    return offset < text_.size() ? LineAt(text_, offset) : std::string_view();
}

std::size_t Document::OffsetOf(const SourcePlace& place) const {
    if (place.line > CardCount()) return text_.size();
    const int index = std::max(place.line, 1) - 1;
    const std::size_t column = static_cast<std::size_t>(std::max(place.column, 1) - 1);
    return CardStart(index) + std::min(column, Card(index).size());
}

Range Document::RangeOf(const SourceSpan& span, Encoding encoding) const {
    const std::size_t from = OffsetOf(span.from);
    const std::size_t to = std::max(from, OffsetOf(span.to));
    return {PositionOf(from, encoding), PositionOf(to, encoding)};
}

int Document::CardAt(std::size_t offset) const {
    const auto after = std::upper_bound(cardStarts_.begin(), cardStarts_.end(), offset);
    return static_cast<int>(after - cardStarts_.begin()) - 1;
}

const analysis::Analysis& Document::Analysis() {
    if (!analysis_) analysis_ = analysis::Analyze(text_);
    return *analysis_;
}

const std::vector<tokens::CardState>& Document::CardStates() {
    if (!states_) states_ = tokens::LineStates(text_);
    return *states_;
}

std::vector<tokens::Token> Document::CardTokens(int index) {
    const auto& states = CardStates();
    tokens::CardState after;
    const tokens::CardState before = static_cast<std::size_t>(index) < states.size()
                                         ? states[static_cast<std::size_t>(index)]
                                         : tokens::CardState{};
    return tokens::TokenizeCard(Card(index), before, after);
}

} // namespace vantel::lsp
