#include "listing_index.h"

#include "fileinfo/listing_lines.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string_view>
#include <unordered_map>

namespace quillpad {
namespace {

constexpr std::string_view kBanner = " SNOBOL SUBSET INTERPRETTER. VERSION 1.0";
constexpr std::string_view kCompiled = " COMPILATION COMPLETE. ";
using listing::IsMessage;
using listing::kMessageClose;
constexpr std::string_view kErrorOn = listing::kErrorStatement;

std::string_view WithoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// A listed card: the statement number right-aligned in four places (four
// blanks for comment and control cards), four blanks, then the card. The
// number widens beyond four places only when it needs more digits.
std::optional<int> CardNumber(std::string_view line) {
    if (line.size() < 8) return std::nullopt;
    if (line.substr(0, 8) == "        ") return 0;
    const std::size_t start = line.find_first_not_of(' ');
    std::size_t end = start;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9')
        ++end;
    if (end == start || end != std::max<std::size_t>(4, end - start)) return std::nullopt;
    if (line.substr(end, 4) != "    ") return std::nullopt;
    int number = 0;
    const auto parsed = std::from_chars(line.data() + start, line.data() + end, number);
    if (parsed.ec != std::errc() || number <= 0) return std::nullopt;
    return number;
}

std::optional<int> ErrorStatement(std::string_view line) {
    if (line.substr(0, kErrorOn.size()) != kErrorOn || !IsMessage(line)) return std::nullopt;
    const std::string_view digits =
        line.substr(kErrorOn.size(), line.size() - kErrorOn.size() - kMessageClose.size());
    int number = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (parsed.ec != std::errc() || parsed.ptr != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

} // namespace

ListingIndex::ListingIndex(const std::vector<std::string>& lines)
    : kinds_(lines.size(), ListingLine::Other), statements_(lines.size(), 0) {
    enum class Region { BeforeCards, Cards, AfterCards } region = Region::BeforeCards;
    // Statement number -> first card line; a map, as a listing may name
    // any number up to 2147483647.
    std::unordered_map<int, int> firstCardOf;
    int lastCard = -1;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const std::string_view line = WithoutCarriageReturn(lines[i]);
        if (IsMessage(line)) {
            kinds_[i] = ListingLine::Message;
            messages_.push_back({i, i, lastCard, lastCard >= 0 ? statements_[lastCard] : 0});
        } else if (region == Region::BeforeCards) {
            if (line == kBanner) region = Region::Cards;
        } else if (region == Region::Cards) {
            if (line == kCompiled) {
                region = Region::AfterCards;
            } else if (const auto number = CardNumber(line)) {
                kinds_[i] = ListingLine::Card;
                statements_[i] = *number;
                lastCard = i;
                if (*number > 0) firstCardOf.try_emplace(*number, i);
            }
        }
    }
    // A run-time message is followed by the line naming its statement: the
    // two lines are one message, about that statement's card wherever it
    // was listed.
    std::vector<ListingMessage> merged;
    for (ListingMessage message : messages_) {
        const auto statement = ErrorStatement(WithoutCarriageReturn(lines[message.line]));
        if (statement) {
            const auto card = firstCardOf.find(*statement);
            message.cardLine = card != firstCardOf.end() ? card->second : -1;
            message.statement = *statement;
            if (!merged.empty() && merged.back().lastLine == message.line - 1) {
                message.line = merged.back().line;
                merged.pop_back();
            }
        }
        merged.push_back(message);
    }
    messages_ = std::move(merged);
}

ListingLine ListingIndex::KindOf(int line) const {
    if (line < 0 || line >= static_cast<int>(kinds_.size())) return ListingLine::Other;
    return kinds_[line];
}

int ListingIndex::StatementAt(int line) const {
    return KindOf(line) == ListingLine::Card ? statements_[line] : 0;
}

std::optional<int> ListingIndex::MessageAfter(int line) const {
    if (messages_.empty()) return std::nullopt;
    for (std::size_t m = 0; m < messages_.size(); ++m) {
        if (messages_[m].line > line) return static_cast<int>(m);
    }
    return 0;
}

std::optional<int> ListingIndex::MessageBefore(int line) const {
    if (messages_.empty()) return std::nullopt;
    for (std::size_t m = messages_.size(); m-- > 0;) {
        if (messages_[m].line < line) return static_cast<int>(m);
    }
    return static_cast<int>(messages_.size()) - 1;
}

std::optional<int> ListingIndex::MessageOn(int line) const {
    for (std::size_t m = 0; m < messages_.size(); ++m) {
        if (messages_[m].line <= line && line <= messages_[m].lastLine) {
            return static_cast<int>(m);
        }
    }
    return std::nullopt;
}

std::optional<int> ListingIndex::MessageAboutCard(int line) const {
    if (KindOf(line) != ListingLine::Card) return std::nullopt;
    for (std::size_t m = 0; m < messages_.size(); ++m) {
        if (messages_[m].cardLine == line) return static_cast<int>(m);
    }
    return std::nullopt;
}

int ListingIndex::NearestListedCard(int statement) const {
    int best = -1;
    long long bestDistance = 0;
    for (int line = 0; line < static_cast<int>(kinds_.size()); ++line) {
        if (kinds_[line] != ListingLine::Card || statements_[line] == 0) continue;
        const long long distance =
            std::llabs(static_cast<long long>(statements_[line]) - statement);
        if (best < 0 || distance < bestDistance) {
            best = line;
            bestDistance = distance;
        }
    }
    return best;
}

std::optional<int> ListingIndex::SourceLineOf(int message,
                                              const std::vector<std::string>& source) const {
    if (message < 0 || message >= static_cast<int>(messages_.size())) return std::nullopt;
    const ListingMessage& chosen = messages_[message];
    int card = chosen.cardLine;
    if (card < 0 && chosen.statement > 0) card = NearestListedCard(chosen.statement);
    if (card < 0) return std::nullopt;
    const auto ordinal = std::count(kinds_.begin(), kinds_.begin() + card, ListingLine::Card);
    const std::vector<int> listed = ListedSourceLines(source);
    if (ordinal >= static_cast<std::ptrdiff_t>(listed.size())) return std::nullopt;
    return listed[static_cast<std::size_t>(ordinal)];
}

std::vector<int> ListedSourceLines(const std::vector<std::string>& source) {
    std::vector<int> listed;
    bool listing = true;
    for (int i = 0; i < static_cast<int>(source.size()); ++i) {
        const std::string_view card = WithoutCarriageReturn(source[i]);
        if (listing) listed.push_back(i);
        if (card.substr(0, 1) != "-") continue;
        // Only as many characters as the word has are compared.
        if (card.substr(1, 4) == "LIST") {
            listing = true;
        } else if (card.substr(1, 6) == "UNLIST") {
            listing = false;
        }
    }
    return listed;
}

MessageStepper::Stop MessageStepper::Select(const ListingIndex& index, int message) {
    last_ = Stop{message, index.Messages().at(message).line};
    return *last_;
}

std::optional<MessageStepper::Stop> MessageStepper::Step(const ListingIndex& index, int cursorLine,
                                                         Direction direction) {
    const int count = static_cast<int>(index.Messages().size());
    if (count == 0) return std::nullopt;
    std::optional<int> next;
    if (last_ && last_->line == cursorLine && last_->message < count) {
        next = (last_->message + (direction == Direction::Forward ? 1 : count - 1)) % count;
    } else if (direction == Direction::Forward) {
        next = index.MessageAfter(cursorLine);
    } else {
        next = index.MessageBefore(cursorLine);
    }
    return Select(index, *next);
}

} // namespace quillpad
