#pragma once
// Colours for SNOBOL4 sources and for vantel listings.

#include "listing_index.h"

#include <QSyntaxHighlighter>

namespace quillpad {

class SourceHighlighter : public QSyntaxHighlighter {
public:
    explicit SourceHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;
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
