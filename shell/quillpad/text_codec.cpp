#include "text_codec.h"

#include <QStringDecoder>
#include <QTextDocument>
#include <algorithm>
#include <array>

namespace quillpad {
namespace {

// Beyond this many differences between the lines as read and as saved,
// only the lines equal at the start and at the end keep their line ends
// (the search costs time and memory growing with the square of it).
constexpr qsizetype kMaxEdits = 2000;

void SplitLines(const QString& text, TextForm& form) {
    form.lines.clear();
    form.ends.clear();
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != '\n' && c != '\r') {
            line += c;
            continue;
        }
        LineEnd end = LineEnd::Lf;
        if (c == '\r') {
            end = i + 1 < text.size() && text[i + 1] == '\n' ? LineEnd::CrLf : LineEnd::Cr;
            if (end == LineEnd::CrLf) ++i;
        }
        form.lines.append(line);
        form.ends.push_back(end);
        line.clear();
    }
    form.lines.append(line);
    form.ends.push_back(LineEnd::None);
}

LineEnd UsualOf(const std::vector<LineEnd>& ends) {
    std::array<int, 4> counts{};
    for (const LineEnd end : ends)
        ++counts[static_cast<std::size_t>(end)];
    LineEnd usual = LineEnd::Lf;
    for (const LineEnd end : {LineEnd::CrLf, LineEnd::Cr}) {
        if (counts[static_cast<std::size_t>(end)] > counts[static_cast<std::size_t>(usual)]) {
            usual = end;
        }
    }
    return usual;
}

const char* BytesOf(LineEnd end) {
    switch (end) {
    case LineEnd::Lf:
        return "\n";
    case LineEnd::CrLf:
        return "\r\n";
    case LineEnd::Cr:
        return "\r";
    case LineEnd::None:
        break;
    }
    return "";
}

// Matches the lines of `before[b0..b1)` and `now[n0..n1)` by the shortest
// edit script (Myers' difference algorithm), writing into `match` the
// index in `before` of each line of `now` that stays. Gives up (leaving
// those lines unmatched) beyond kMaxEdits differences.
void MatchMiddle(const QStringList& before, qsizetype b0, qsizetype b1, const QStringList& now,
                 qsizetype n0, qsizetype n1, std::vector<qsizetype>& match) {
    const qsizetype rows = b1 - b0;
    const qsizetype columns = n1 - n0;
    const qsizetype limit = std::min<qsizetype>(rows + columns, kMaxEdits);
    std::vector<std::vector<qsizetype>> trace; // trace[d][k + d]: furthest x on diagonal k
    std::vector<qsizetype> previous;
    const auto furthest = [&](const std::vector<qsizetype>& v, qsizetype d, qsizetype k) {
        return v[static_cast<std::size_t>(k + d)];
    };
    for (qsizetype d = 0; d <= limit; ++d) {
        std::vector<qsizetype> current(static_cast<std::size_t>(2 * d + 1), 0);
        for (qsizetype k = -d; k <= d; k += 2) {
            qsizetype x = 0;
            if (d > 0) {
                const bool down = k == -d || (k != d && furthest(previous, d - 1, k - 1) <
                                                            furthest(previous, d - 1, k + 1));
                x = down ? furthest(previous, d - 1, k + 1) : furthest(previous, d - 1, k - 1) + 1;
            }
            qsizetype y = x - k;
            while (x < rows && y < columns && before[b0 + x] == now[n0 + y]) {
                ++x;
                ++y;
            }
            current[static_cast<std::size_t>(k + d)] = x;
            if (x < rows || y < columns) continue;
            // Done: walk back through the trace, marking the diagonals.
            trace.push_back(std::move(current));
            for (qsizetype e = d; e >= 0; --e) {
                const qsizetype kk = x - y;
                qsizetype startX = 0;
                qsizetype startY = 0;
                if (e > 0) {
                    const std::vector<qsizetype>& v = trace[static_cast<std::size_t>(e - 1)];
                    const bool down = kk == -e || (kk != e && furthest(v, e - 1, kk - 1) <
                                                                  furthest(v, e - 1, kk + 1));
                    const qsizetype prevK = down ? kk + 1 : kk - 1;
                    startX = furthest(v, e - 1, prevK);
                    startY = startX - prevK;
                    // The step of this round comes first, then its diagonal.
                    const qsizetype stepX = down ? startX : startX + 1;
                    const qsizetype stepY = down ? startY + 1 : startY;
                    for (; x > stepX && y > stepY; --x, --y)
                        match[static_cast<std::size_t>(n0 + y - 1)] = b0 + x - 1;
                } else {
                    for (; x > 0 && y > 0; --x, --y)
                        match[static_cast<std::size_t>(n0 + y - 1)] = b0 + x - 1;
                }
                x = startX;
                y = startY;
            }
            return;
        }
        trace.push_back(current);
        previous = std::move(current);
    }
}

// Marks the lines of `now` that match lines of `before` (in order) with
// the index of their match: the lines equal at both ends, and between them
// those that the shortest edit leaves alone.
std::vector<qsizetype> MatchLines(const QStringList& before, const QStringList& now) {
    std::vector<qsizetype> match(static_cast<std::size_t>(now.size()), -1);
    qsizetype head = 0;
    while (head < before.size() && head < now.size() && before[head] == now[head]) {
        match[static_cast<std::size_t>(head)] = head;
        ++head;
    }
    qsizetype tailBefore = before.size();
    qsizetype tailNow = now.size();
    while (tailBefore > head && tailNow > head && before[tailBefore - 1] == now[tailNow - 1]) {
        --tailBefore;
        --tailNow;
        match[static_cast<std::size_t>(tailNow)] = tailBefore;
    }
    if (tailBefore > head && tailNow > head) {
        MatchMiddle(before, head, tailBefore, now, head, tailNow, match);
    }
    return match;
}

} // namespace

DecodedText Decode(const QByteArray& bytes) {
    DecodedText decoded;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    // UTF-8 only when it comes back byte for byte: the decoder holds back
    // a sequence cut off at the end (a lone 8-bit character) without an error.
    QStringEncoder back(QStringEncoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    if (utf8.hasError() || QByteArray(back(text)) != bytes) {
        decoded.form.encoding = Encoding::Latin1;
        text = QString::fromLatin1(bytes);
    }
    SplitLines(text, decoded.form);
    decoded.form.usual = UsualOf(decoded.form.ends);
    decoded.text = decoded.form.lines.join('\n');
    return decoded;
}

std::vector<LineEnd> LineEndsFor(const QStringList& lines, const TextForm& form) {
    const std::vector<qsizetype> match = MatchLines(form.lines, lines);
    std::vector<LineEnd> ends(static_cast<std::size_t>(lines.size()), form.usual);
    for (std::size_t i = 0; i < ends.size(); ++i) {
        const qsizetype was = match[i];
        if (was >= 0 && form.ends[static_cast<std::size_t>(was)] != LineEnd::None) {
            ends[i] = form.ends[static_cast<std::size_t>(was)];
        }
    }
    if (!ends.empty()) ends.back() = LineEnd::None;
    return ends;
}

QByteArray Encode(const QString& text, TextForm& form) {
    const QStringList lines = text.split('\n');
    const std::vector<LineEnd> ends = LineEndsFor(lines, form);
    QString joined;
    joined.reserve(text.size() + lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        joined += lines[i];
        joined += QLatin1String(BytesOf(ends[static_cast<std::size_t>(i)]));
    }
    form.lines = lines;
    form.ends = ends;
    if (form.encoding == Encoding::Latin1) {
        const bool fits = std::all_of(joined.cbegin(), joined.cend(),
                                      [](QChar c) { return c.unicode() <= 0xFF; });
        if (fits) return joined.toLatin1();
        form.encoding = Encoding::Utf8;
    }
    QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return utf8(joined);
}

QString TextOf(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, '\n');
    return text;
}

} // namespace quillpad
