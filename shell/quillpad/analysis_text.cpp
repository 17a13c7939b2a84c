#include "analysis_text.h"

#include <algorithm>

namespace quillpad {
namespace {

bool FitsLatin1(QStringView line) {
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

bool IsAscii(QStringView line) {
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool Latin1For(QStringView line, Encoding fileEncoding) {
    return fileEncoding == Encoding::Latin1 && FitsLatin1(line);
}

} // namespace

LineBytes::LineBytes(QStringView line, Encoding fileEncoding, qsizetype limit) {
    if (limit >= 0 && limit < line.size()) {
        // Never end the mapped part inside a surrogate pair.
        if (limit > 0 && line[limit - 1].isHighSurrogate()) ++limit;
        line = line.first(limit);
    }
    if (IsAscii(line) || Latin1For(line, fileEncoding)) {
        bytes_ = line.toLatin1().toStdString();
        return;
    }
    oneByteEach_ = false;
    starts_.reserve(static_cast<std::size_t>(line.size()) + 1);
    for (qsizetype i = 0; i < line.size();) {
        // One code point at a time, encoded as toUtf8 encodes it (a lone
        // surrogate becomes a replacement character).
        const qsizetype step =
            line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        for (qsizetype k = 0; k < step; ++k)
            starts_.push_back(static_cast<int>(bytes_.size()));
        if (line[i].unicode() < 0x80) {
            bytes_ += static_cast<char>(line[i].unicode());
        } else {
            const QByteArray piece = line.sliced(i, step).toUtf8();
            bytes_.append(piece.constData(), static_cast<std::size_t>(piece.size()));
        }
        i += step;
    }
    starts_.push_back(static_cast<int>(bytes_.size()));
}

int LineBytes::ByteColumn(int position) const {
    if (oneByteEach_) return std::clamp(position, 0, static_cast<int>(bytes_.size()));
    const auto at =
        static_cast<std::size_t>(std::clamp(position, 0, static_cast<int>(starts_.size()) - 1));
    return starts_[at];
}

int LineBytes::Position(int column) const {
    if (oneByteEach_) return std::clamp(column, 0, static_cast<int>(bytes_.size()));
    if (column >= static_cast<int>(bytes_.size())) return static_cast<int>(starts_.size()) - 1;
    // The last character that starts at or before the column.
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), std::max(column, 0));
    int position = static_cast<int>(after - starts_.begin()) - 1;
    // The second half of a surrogate pair starts where the first does.
    while (position > 0 && starts_[static_cast<std::size_t>(position - 1)] ==
                               starts_[static_cast<std::size_t>(position)])
        --position;
    return position;
}

int LineBytes::PositionAfter(int column) const {
    if (oneByteEach_) return std::clamp(column, 0, static_cast<int>(bytes_.size()));
    const auto at = std::lower_bound(starts_.begin(), starts_.end(), std::max(column, 0));
    return static_cast<int>(at - starts_.begin());
}

std::string AnalysedBytes(const QString& text, Encoding fileEncoding) {
    if (fileEncoding == Encoding::Utf8 || IsAscii(text)) return text.toUtf8().toStdString();
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0) end = text.size();
        const QStringView line = QStringView(text).sliced(start, end - start);
        const QByteArray piece = Latin1For(line, fileEncoding) ? line.toLatin1() : line.toUtf8();
        bytes.append(piece.constData(), static_cast<std::size_t>(piece.size()));
        if (end < text.size()) bytes += '\n';
        start = end + 1;
    }
    return bytes;
}

} // namespace quillpad
