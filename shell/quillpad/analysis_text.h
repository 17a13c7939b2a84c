#pragma once
// The editor holds characters; vantel reads bytes. A line is analysed as
// the bytes it is saved as: Latin-1 in a Latin-1 file (as long as the line
// fits Latin-1), UTF-8 otherwise. LineBytes maps one line's characters
// (QString positions, in UTF-16 units) to byte columns and back, so that
// the analysis's places land on the characters the user sees.

#include "text_codec.h"

#include <QString>
#include <QStringView>
#include <string>
#include <vector>

namespace quillpad {

class LineBytes {
public:
    // `limit`: only the first `limit` characters are mapped (a card is read
    // up to its 160th byte; a line of 100,000 characters need not be
    // mapped whole). -1 maps the whole line.
    LineBytes(QStringView line, Encoding fileEncoding, qsizetype limit = -1);

    const std::string& Bytes() const { return bytes_; }
    // The bytes before character `position`.
    int ByteColumn(int position) const;
    // The character that holds byte `column` (the line's end for a column
    // at or after the last byte mapped).
    int Position(int column) const;
    // The first character that starts at or after byte `column`.
    int PositionAfter(int column) const;

private:
    std::string bytes_;
    std::vector<int> starts_; // the byte column of each mapped character, then the end
    bool oneByteEach_ = true;
};

// The bytes vantel reads for the editor's text (lines joined by '\n').
std::string AnalysedBytes(const QString& text, Encoding fileEncoding);

} // namespace quillpad
