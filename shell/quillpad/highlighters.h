#pragma once
// Colours for SNOBOL4 sources and for vantel listings.

#include "listing_index.h"
#include "text_codec.h"

#include <QSyntaxHighlighter>
#include <functional>

namespace quillpad {

class SourceHighlighter : public QSyntaxHighlighter {
public:
    // `fileEncoding` tells how the file's lines are saved (and so where a
    // card's 160 bytes end).
    SourceHighlighter(QTextDocument* document, std::function<Encoding()> fileEncoding);

protected:
    void highlightBlock(const QString& text) override;

private:
    std::function<Encoding()> fileEncoding_;
};

// Listed cards are coloured like a source after their number; message
// lines stand out. Reads the index of the listing shown.
class ListingHighlighter : public QSyntaxHighlighter {
public:
    ListingHighlighter(QTextDocument* document, const ListingIndex& index);

protected:
    void highlightBlock(const QString& text) override;

private:
    const ListingIndex& index_;
};

} // namespace quillpad
