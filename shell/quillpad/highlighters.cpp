#include "highlighters.h"

#include "snobol_syntax.h"

#include <QTextCharFormat>

namespace quillpad {
namespace {

QTextCharFormat FormatOf(Part part) {
    QTextCharFormat format;
    switch (part) {
    case Part::Label:
        format.setForeground(QColor(0x05, 0x50, 0xae));
        format.setFontWeight(QFont::Bold);
        break;
    case Part::Comment:
        format.setForeground(QColor(0x6a, 0x73, 0x7d));
        format.setFontItalic(true);
        break;
    case Part::Control:
        format.setForeground(QColor(0x82, 0x50, 0xdf));
        format.setFontWeight(QFont::Bold);
        break;
    case Part::Continuation:
        format.setForeground(QColor(0xbc, 0x4c, 0x00));
        format.setFontWeight(QFont::Bold);
        break;
    case Part::Literal:
        format.setForeground(QColor(0x11, 0x63, 0x29));
        break;
    case Part::Keyword:
        format.setForeground(QColor(0x95, 0x38, 0x00));
        format.setFontWeight(QFont::Bold);
        break;
    case Part::Goto:
        format.setForeground(QColor(0x8a, 0x0f, 0x7a));
        break;
    }
    return format;
}

CardState StateBefore(int previous) {
    return previous < 0 ? CardState::Statement : static_cast<CardState>(previous);
}

} // namespace

SourceHighlighter::SourceHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void SourceHighlighter::highlightBlock(const QString& text) {
    CardState after = StateBefore(previousBlockState());
    for (const PartSpan& span : CardParts(text, StateBefore(previousBlockState()), after)) {
        setFormat(span.start, span.length, FormatOf(span.part));
    }
    setCurrentBlockState(static_cast<int>(after));
}

ListingHighlighter::ListingHighlighter(QTextDocument* document, const ListingIndex& index)
    : QSyntaxHighlighter(document), index_(index) {}

void ListingHighlighter::highlightBlock(const QString& text) {
    const int line = currentBlock().blockNumber();
    const CardState before = StateBefore(previousBlockState());
    setCurrentBlockState(static_cast<int>(before));
    if (index_.KindOf(line) == ListingLine::Message) {
        QTextCharFormat message;
        message.setForeground(QColor(0xa4, 0x00, 0x00));
        message.setFontWeight(QFont::Bold);
        setFormat(0, static_cast<int>(text.size()), message);
        return;
    }
    if (index_.KindOf(line) != ListingLine::Card) return;
    constexpr int kCardColumn = 8;
    QTextCharFormat number;
    number.setForeground(QColor(0x6a, 0x73, 0x7d));
    setFormat(0, kCardColumn, number);
    CardState after = before;
    const QStringView card = QStringView(text).mid(kCardColumn);
    for (const PartSpan& span : CardParts(card, before, after)) {
        setFormat(kCardColumn + span.start, span.length, FormatOf(span.part));
    }
    setCurrentBlockState(static_cast<int>(after));
}

} // namespace quillpad
