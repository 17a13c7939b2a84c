// The colours of SNOBOL4 cards: each token lands on the characters the user
// sees, however the line encodes (the tokenizer counts bytes, the editor
// characters), cards are cut after their 160th byte, and what a card leaves
// for the next (a goto field, the data after END) is carried while lines
// are typed and deleted.

#include "highlighters.h"
#include "snobol_syntax.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace quillpad {
namespace {

// The line with each coloured character marked by its part's letter.
std::string Marked(const QString& line, Encoding encoding, int& state) {
    std::string marks(static_cast<std::size_t>(line.size()), ' ');
    for (const PartSpan& span : CardParts(line, encoding, state)) {
        const char letter = "LCXNSKGOP"[static_cast<int>(span.part)];
        for (int i = span.start; i < span.start + span.length; ++i)
            marks[static_cast<std::size_t>(i)] = letter;
    }
    return marks;
}

TEST(Syntax, PartsLandOnCharactersWhateverTheEncoding) {
    struct Line {
        const char16_t* text;
        const char* marks;
    };
    // Each literal holds characters of one, two, three and four bytes.
    const Line program[] = {
        {u"* comment \u00e9", "CCCCCCCCCCC"},
        {u"LOOP X = 'd\u00e9j\u20ac \U0001F600' LEN(2) :S(LOOP)F(",
         "LLLL   O SSSSSSSSS PPP    GGGLLLLGGG"},
        {u"+ END)", "N LLLG"},
        {u" Y = \"\u00e9\" &trim ;END", "   O SSS KKKKK  KKK"},
        {u"* data after END, not a comment", "                               "},
    };
    int state = -1;
    for (const Line& line : program) {
        const QString text = QString::fromUtf16(line.text);
        EXPECT_EQ(Marked(text, Encoding::Utf8, state), line.marks) << text.toStdString();
    }
}

TEST(Syntax, CardsAreCutAfterTheir160thByte) {
    // 80 two-byte characters fill a UTF-8 card; in Latin-1 they take 80 bytes.
    const QString line = " X = '" + QString(80, QChar(0xe9)) + "'";
    int state = -1;
    std::string utf8 = Marked(line, Encoding::Utf8, state);
    EXPECT_EQ(utf8.substr(0, 6), "   O S");
    EXPECT_EQ(utf8.substr(6 + 77), std::string(line.size() - 83, 'C')); // from byte 160 on
    state = -1;
    EXPECT_EQ(Marked(line, Encoding::Latin1, state), "   O " + std::string(82, 'S'));
    // A line of 100,000 characters: the cut runs to its end.
    const QString longLine = " " + QString(100000, 'A');
    state = -1;
    const std::vector<PartSpan> parts = CardParts(longLine, Encoding::Utf8, state);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].start, 160);
    EXPECT_EQ(parts[0].start + parts[0].length, longLine.size());
}

bool Coloured(const QTextDocument& document, int line) {
    return !document.findBlockByNumber(line).layout()->formats().isEmpty();
}

TEST(Syntax, WhatACardLeavesIsCarriedWhileTyping) {
    QTextDocument document;
    document.documentLayout(); // as in an editor: edits are told to the highlighter
    document.setPlainText(" X = 1\n Y = 2\n Z = 'three'");
    SourceHighlighter colours(&document, [] { return Encoding::Utf8; });
    colours.rehighlight();
    EXPECT_TRUE(Coloured(document, 2));
    // END typed on the first line makes the lines after it data.
    QTextCursor cursor(&document);
    cursor.insertText("END\n");
    EXPECT_FALSE(Coloured(document, 3));
    // Deleted again, they are statements once more.
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    EXPECT_TRUE(Coloured(document, 2));
    // A goto field opened at a line's end goes on in its continuation card.
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText(" :S(\n+ DONE)");
    const QList<QTextLayout::FormatRange> formats =
        document.findBlockByNumber(1).layout()->formats();
    ASSERT_FALSE(formats.isEmpty());
    EXPECT_EQ(formats.last().start + formats.last().length, 7); // "+ DONE)" ends in the goto's ')'
}

} // namespace
} // namespace quillpad
