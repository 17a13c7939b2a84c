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
    case Part::Operator:
        format.setForeground(QColor(0x9a, 0x3a, 0x3a));
        break;
    case Part::Primitive:
        format.setForeground(QColor(0x00, 0x6b, 0x75));
        break;
    }
    return format;
}

} // namespace

SourceHighlighter::SourceHighlighter(QTextDocument* document,
                                     std::function<Encoding()> fileEncoding)
    : QSyntaxHighlighter(document), fileEncoding_(std::move(fileEncoding)) {}

void SourceHighlighter::highlightBlock(const QString& text) {
    int state = previousBlockState();
    for (const PartSpan& span : CardParts(text, fileEncoding_(), state)) {
        setFormat(span.start, span.length, FormatOf(span.part));
    }
    setCurrentBlockState(state);
}

ListingHighlighter::ListingHighlighter(QTextDocument* document, const ListingIndex& index)
    : QSyntaxHighlighter(document), index_(index) {}

void ListingHighlighter::highlightBlock(const QString& text) {
    const int line = currentBlock().blockNumber();
    int state = previousBlockState();
    setCurrentBlockState(state);
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
    // The listing holds the card's bytes as vantel read them; shown as
    // UTF-8 where they are UTF-8.
    const QStringView card = QStringView(text).mid(kCardColumn);
    for (const PartSpan& span : CardParts(card, Encoding::Utf8, state)) {
        setFormat(kCardColumn + span.start, span.length, FormatOf(span.part));
    }
    setCurrentBlockState(state);
}

} // namespace quillpad
