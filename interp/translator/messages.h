// Where the translator's messages go. Each message is handed to a sink with
// the place in the source where it was found: the listing is one sink (the
// message on lines of its own, where vantel's listing has always had it), a
// language server or an editor is another (the message under its token).
#pragma once

#include <string_view>

namespace vantel {

// A place in the source: the line, counted from 1 as the source's lines are
// (a continuation card is a line of its own), and the column on that card,
// from 1. Column card length + 1 is just after the card's last character.
struct SourcePlace {
    int line = 0;
    int column = 0;
    friend bool operator==(const SourcePlace&, const SourcePlace&) = default;
};

// From the first character of a token to the place just after its last.
struct SourceSpan {
    SourcePlace from;
    SourcePlace to;
    friend bool operator==(const SourceSpan&, const SourceSpan&) = default;
};

class MessageSink {
public:
    // `text` is the message as the listing words it, without its frame.
    virtual void Message(std::string_view text, const SourceSpan& where) = 0;

protected:
    ~MessageSink() = default;
};

// The listing file's sink: two empty lines, then "--- text ---".
class ListingSink final : public MessageSink {
public:
    void Message(std::string_view text, const SourceSpan& where) override;
};

} // namespace vantel
