#pragma once
// What the listing view knows of a vantel listing: which lines are listed
// cards (with their statement numbers), which are messages ("--- ... ---"),
// and the card each message is about, so that the view can step from
// message to card.

#include <optional>
#include <string>
#include <vector>

namespace quillpad {

enum class ListingLine { Other, Card, Message };

struct ListingMessage {
    int line = 0;      // the (first) message line, counted from 0
    int lastLine = 0;  // its last line: a run-time error takes two
    int cardLine = -1; // the card it is about; -1 when that card is not listed
    int statement = 0; // the card's statement number; 0 when unknown
};

class ListingIndex {
public:
    ListingIndex() = default;
    explicit ListingIndex(const std::vector<std::string>& lines);

    ListingLine KindOf(int line) const;
    // The statement number of a card line; 0 for comment and control cards
    // and for lines that are not cards.
    int StatementAt(int line) const;
    const std::vector<ListingMessage>& Messages() const { return messages_; }
    // The first message below / the last message above `line`, wrapping
    // around at the ends; none when the listing has no message.
    std::optional<int> MessageAfter(int line) const;
    std::optional<int> MessageBefore(int line) const;
    // The message on `line`, or the first message about the card on `line`.
    // Messages are in the order of their lines.
    std::optional<int> MessageOn(int line) const;
    std::optional<int> MessageAboutCard(int line) const;
    // The line of `source` (counted from 0) that a message is about: its
    // card, or for a statement that was not listed the listed card of the
    // nearest statement; none when the listing names no card.
    std::optional<int> SourceLineOf(int message, const std::vector<std::string>& source) const;

private:
    int NearestListedCard(int statement) const;

    std::vector<ListingLine> kinds_;
    std::vector<int> statements_;
    std::vector<ListingMessage> messages_;
};

// The lines of a source that vantel lists, in order: all of them while
// listing is on; a "-UNLIST" card is listed and turns it off, "-LIST"
// turns it on again and is itself not listed.
std::vector<int> ListedSourceLines(const std::vector<std::string>& source);

enum class Direction { Forward, Backward };

// F8 and Shift+F8: each step goes to the next (previous) message, whose
// card the view marks. Steps follow on from the last stop while the cursor
// is still where the last step left it; after the cursor was moved they
// start again from the cursor's line.
class MessageStepper {
public:
    struct Stop {
        int message = 0; // index into ListingIndex::Messages()
        int line = 0;    // where the cursor goes: the message's first line
    };
    std::optional<Stop> Step(const ListingIndex& index, int cursorLine, Direction direction);
    // A stop chosen otherwise (the first message of a listing, a double
    // click); later steps follow on from it.
    Stop Select(const ListingIndex& index, int message);
    void Forget() { last_.reset(); }

private:
    std::optional<Stop> last_;
};

} // namespace quillpad
