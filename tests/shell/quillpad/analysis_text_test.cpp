// Characters and bytes: on random lines of one- to four-byte characters
// (and lone surrogates, which a paste can bring), a line's bytes are those
// it is saved as, and character positions and byte columns map onto each
// other without ever landing inside a character.

#include "analysis_text.h"

#include <QString>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace quillpad {
namespace {

QString RandomLine(std::mt19937& random, bool latin1Only) {
    const QString pieces[] = {"a",
                              " ",
                              "'",
                              QString(QChar(0xe9)),
                              QString(QChar(0xff)),
                              QString(QChar(0x20ac)),
                              QString::fromUtf16(u"\U0001F600"),
                              QString(QChar(0xd83d)), // a high surrogate alone
                              QString(QChar(0xde00))};
    const int kinds = latin1Only ? 5 : 9;
    QString line;
    const int length = std::uniform_int_distribution<int>(0, 40)(random);
    for (int i = 0; i < length; ++i)
        line += pieces[std::uniform_int_distribution<int>(0, kinds - 1)(random)];
    return line;
}

bool InsidePair(const QString& line, int p) {
    return p > 0 && p < line.size() && line[p - 1].isHighSurrogate() && line[p].isLowSurrogate();
}

TEST(AnalysisText, PositionsAndByteColumnsMapOntoEachOther) {
    std::mt19937 random(3);
    for (int i = 0; i < 2000; ++i) {
        const bool latin1Only = i % 3 == 0;
        const Encoding file = i % 2 == 0 ? Encoding::Utf8 : Encoding::Latin1;
        const QString line = RandomLine(random, latin1Only);
        const LineBytes bytes(line, file);
        const bool fits =
            std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() <= 0xFF; });
        const bool saysLatin1 = file == Encoding::Latin1 && fits;
        ASSERT_EQ(bytes.Bytes(), (saysLatin1 ? line.toLatin1() : line.toUtf8()).toStdString());
        for (int p = 0; p <= line.size(); ++p) {
            const int start = InsidePair(line, p) ? p - 1 : p;
            const QString before = line.left(start);
            const int column = bytes.ByteColumn(p);
            ASSERT_EQ(column, (saysLatin1 ? before.toLatin1() : before.toUtf8()).size()) << p;
            ASSERT_EQ(bytes.Position(column), start) << p;
            ASSERT_EQ(bytes.PositionAfter(column), start) << p;
        }
        // Every byte belongs to the character that starts at or before it.
        const int size = static_cast<int>(bytes.Bytes().size());
        for (int b = 0; b < size; ++b) {
            const int p = bytes.Position(b);
            ASSERT_LE(bytes.ByteColumn(p), b);
            ASSERT_GT(bytes.ByteColumn(bytes.PositionAfter(b + 1)), b);
        }
        ASSERT_EQ(bytes.Position(size), line.size());
    }
}

TEST(AnalysisText, ALimitMapsAWholeBeginningOnly) {
    const QString line = QString::fromUtf16(u"ab\U0001F600cd") + QString(100000, 'x');
    const LineBytes first(line, Encoding::Utf8, 3); // would end inside the pair
    EXPECT_EQ(first.Bytes(), "ab\xf0\x9f\x98\x80");
    EXPECT_EQ(first.Position(100), 4);
    EXPECT_EQ(LineBytes(line, Encoding::Utf8, 161).Bytes().size(), 163u);
}

TEST(AnalysisText, TheTextIsAnalysedAsItIsSaved) {
    const QString text = QString::fromUtf16(u"* caf\u00e9\n X = '\u20ac'\n\u00e9");
    EXPECT_EQ(AnalysedBytes(text, Encoding::Utf8), text.toUtf8().toStdString());
    // In a Latin-1 file each line that still fits Latin-1 keeps one byte a
    // character; a line that does not is UTF-8.
    EXPECT_EQ(AnalysedBytes(text, Encoding::Latin1), "* caf\xe9\n X = '\xe2\x82\xac'\n\xe9");
    EXPECT_EQ(AnalysedBytes("", Encoding::Latin1), "");
    EXPECT_EQ(AnalysedBytes("\n", Encoding::Latin1), "\n");
}

} // namespace
} // namespace quillpad
