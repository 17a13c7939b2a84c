// Saving changes no byte the user did not edit: each line keeps its own
// line end, whatever mix the file has, and new or edited lines take the
// file's usual one.

#include "text_codec.h"

#include <array>
#include <gtest/gtest.h>
#include <random>

namespace quillpad {
namespace {

const char* BytesOfUsual(LineEnd end) {
    return end == LineEnd::CrLf ? "\r\n" : end == LineEnd::Cr ? "\r" : "\n";
}

TEST(TextCodec, LinesNotEditedKeepTheirBytesAndEditedOnesTakeTheUsualEnd) {
    struct Case {
        const char* name;
        QByteArray before;
        QString from; // replaced once in the text ("" keeps the text)
        QString to;
        QByteArray after;
    };
    const std::vector<Case> cases = {
        {"mixed, unedited", "a\rb\r\nc\nd", "", "", "a\rb\r\nc\nd"},
        {"lone CRs, unedited", "x\ry\r", "", "", "x\ry\r"},
        {"lone CRs, a line added", "x\ry\r", "y\n", "y\nz", "x\ry\rz"},
        {"CR LF, a line edited", "a\r\nb\r\nc\n", "b", "B", "a\r\nB\r\nc\n"},
        {"CR LF, a line inserted", "a\r\nb\r\nc\r\n", "a\n", "a\nnew\n", "a\r\nnew\r\nb\r\nc\r\n"},
        {"mostly LF, one edited", "1\n2\r\n3\n4\r\n5\n", "4", "4x", "1\n2\r\n3\n4x\n5\n"},
        {"mixed, a line removed", "1\r\n2\n3\r4\r\n", "2\n", "", "1\r\n3\r4\r\n"},
        {"Latin-1 mixed, unedited", "caf\xe9\r\nb\rc", "", "", "caf\xe9\r\nb\rc"},
        {"Latin-1 gains a euro sign", "caf\xe9\r\n", "caf", "\u20ac", "\xe2\x82\xac\xc3\xa9\r\n"},
        {"byte order mark kept",
         "\xef\xbb\xbf"
         "END\r\n",
         "", "",
         "\xef\xbb\xbf"
         "END\r\n"},
        {"empty", "", "", "", ""},
        // The decoder holds back a cut-off sequence without an error.
        {"a Latin-1 letter last", "END\r\ncaf\xe9", "END", "END X", "END X\r\ncaf\xe9"},
        {"no line end at all, text added", "END", "END", "END X", "END X"},
        {"a final line end added", "a\r\nb", "b", "b\n", "a\r\nb\r\n"},
    };
    for (const Case& c : cases) {
        DecodedText decoded = Decode(c.before);
        EXPECT_FALSE(decoded.text.contains('\r')) << c.name;
        QString text = decoded.text;
        if (!c.from.isEmpty()) {
            const qsizetype at = text.indexOf(c.from);
            ASSERT_GE(at, 0) << c.name;
            text.replace(at, c.from.size(), c.to);
        }
        TextForm form = decoded.form;
        EXPECT_EQ(Encode(text, form), c.after) << c.name;
        // What was written is the form of the next save.
        EXPECT_EQ(Encode(text, form), c.after) << c.name << " (saved again)";
    }
}

TEST(TextCodec, TheUsualLineEndIsTheMostCommonOne) {
    EXPECT_EQ(Decode("a\r\nb\r\nc\n").form.usual, LineEnd::CrLf);
    EXPECT_EQ(Decode("a\rb\rc\r\n").form.usual, LineEnd::Cr);
    EXPECT_EQ(Decode("a\r\nb\n").form.usual, LineEnd::Lf); // a tie
    EXPECT_EQ(Decode("no end").form.usual, LineEnd::Lf);
    // Far apart edits keep every line between them as it was.
    QByteArray big;
    for (int i = 0; i < 3000; ++i)
        big += QByteArray::number(i) + (i % 3 == 1 ? "\r" : "\r\n");
    DecodedText decoded = Decode(big);
    QString text = decoded.text;
    text.replace(0, 1, "zero");
    text.replace(text.lastIndexOf("2999"), 4, "last");
    QByteArray expected = big;
    expected.replace(0, 1, "zero");
    expected.replace(expected.lastIndexOf("2999"), 4, "last");
    EXPECT_EQ(Encode(text, decoded.form), expected);
}

TEST(TextCodec, AnyBytesComeBackUnchangedWhenNotEdited) {
    std::mt19937 random(7);
    const std::array<char, 8> alphabet = {'a', '\r', '\n', ' ', '\xe9', '\xc3', '\xa9', '\0'};
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        for (int length = static_cast<int>(random() % 24); length > 0; --length)
            bytes += alphabet[random() % alphabet.size()];
        if (round % 7 == 0) bytes.prepend("\xef\xbb\xbf");
        DecodedText decoded = Decode(bytes);
        EXPECT_EQ(Encode(decoded.text, decoded.form), bytes) << bytes.toHex().toStdString();
    }
}

TEST(TextCodec, RandomEditsKeepTheEndOfEveryLineLeftAlone) {
    std::mt19937 random(18);
    const std::array<const char*, 3> ends = {"\n", "\r\n", "\r"};
    for (int round = 0; round < 200; ++round) {
        const int count = 1 + static_cast<int>(random() % 60);
        std::vector<std::pair<QString, const char*>> lines;
        for (int i = 0; i < count; ++i)
            lines.emplace_back(QString("L%1").arg(i), ends[random() % ends.size()]);
        QByteArray before;
        for (const auto& [text, end] : lines)
            before += text.toLatin1() + end;
        DecodedText decoded = Decode(before);
        const char* usual = BytesOfUsual(decoded.form.usual);
        // Deletions and insertions anywhere; inserted lines are new.
        for (int edit = static_cast<int>(random() % 8); edit > 0; --edit) {
            const auto at = static_cast<std::size_t>(random() % (lines.size() + 1));
            if (random() % 2 == 0 && at < lines.size()) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
            } else {
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                             {QString("N%1").arg(edit), usual});
            }
        }
        QString text;
        QByteArray expected;
        for (const auto& [line, end] : lines) {
            text += line + "\n";
            expected += line.toLatin1() + end;
        }
        EXPECT_EQ(Encode(text, decoded.form), expected) << "round " << round;
    }
}

} // namespace
} // namespace quillpad
