// quillpad against the language server, on random programs whose literals
// and comments hold characters of two, three and four bytes: at every place
// of every line the editor's analysis says what vantel-lsp says to a client
// counting UTF-16 units, as QString does. Underlines fall on the server's
// diagnostics, tooltips hold its hover, F12 goes where its definition
// points, Shift+F12 lists its references, the outline is its symbols, and
// the colours group tokens as its semantic tokens do.

#include "analysis_session.h"
#include "lsp/assistance.h"
#include "lsp/navigation.h"
#include "lsp/semantic_tokens.h"
#include "quillpad_test_support.h"
#include "random_programs.h"
#include "snobol_syntax.h"

#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace quillpad {
namespace {

using vantel::lsp::Json;
using LspPosition = vantel::lsp::Position;
constexpr auto kUtf16 = vantel::lsp::Encoding::Utf16;
const std::string kUri = "file:///tmp/random.sno";

TextPlace PlaceOf(const Json& position) {
    return {position["line"].get<int>(), position["character"].get<int>()};
}

TextRange RangeOf(const Json& range) {
    return {PlaceOf(range["start"]), PlaceOf(range["end"])};
}

std::string Show(const TextRange& r) {
    return std::to_string(r.from.line) + ":" + std::to_string(r.from.position) + "-" +
           std::to_string(r.to.line) + ":" + std::to_string(r.to.position);
}

// A random program as quillpad shows it (line ends made '\n'), with
// characters beyond ASCII in its literals and comments.
QString RandomText(std::mt19937& random) {
    const std::string bytes = vantel::test::RandomProgram(random);
    QString text = Decode(QByteArray::fromStdString(bytes)).text;
    text.replace("'ab'", QString::fromUtf16(u"'a\u00e9\u20ac\U0001F600b'"));
    text.replace("it's", QString::fromUtf16(u"it\u00e9's"));
    text.replace("* a comment", QString::fromUtf16(u"* a comment \u20ac\U0001F600"));
    return text;
}

class Differential {
public:
    explicit Differential(const QString& text)
        : text_(text), server_(text.toUtf8().toStdString(), 1) {
        document_.setPlainText(text);
        session_.SetPause(0);
        session_.SetActive(true);
    }

    bool Analysed() {
        return test::WaitUntil([this] { return session_.Current(); });
    }

    void CompareUnderlines() {
        const std::vector<Underline> mine = session_.Underlines();
        const auto& theirs = server_.Analysis().diagnostics;
        ASSERT_EQ(mine.size(), theirs.size());
        for (std::size_t i = 0; i < mine.size(); ++i) {
            const auto range = server_.RangeOf(theirs[i].span, kUtf16);
            const TextRange expected{{range.start.line, range.start.character},
                                     {range.end.line, range.end.character}};
            EXPECT_EQ(mine[i].message.toStdString(), theirs[i].message);
            if (expected.from == expected.to) // widened to a character, where there is one
                EXPECT_TRUE(mine[i].range.Holds(expected.from)) << Show(mine[i].range);
            else
                EXPECT_EQ(mine[i].range, expected) << Show(mine[i].range) << " " << Show(expected);
        }
    }

    // Hover, definition and references at every place of every line.
    void ComparePlaces() {
        for (QTextBlock block = document_.begin(); block.isValid(); block = block.next())
            for (int p = 0; p <= block.length() - 1; ++p)
                ComparePlace({block.blockNumber(), p});
    }

    void CompareOutline() {
        std::vector<std::pair<std::string, TextRange>> expected;
        Flatten(vantel::lsp::DocumentSymbols(server_, kUtf16), expected);
        std::vector<std::pair<std::string, TextRange>> mine;
        for (const OutlineItem& item : session_.Outline())
            mine.emplace_back(item.name.toStdString(), item.range);
        EXPECT_EQ(mine, expected);
    }

    // Each of the server's token types (with its modifiers) is one colour
    // of quillpad's or none, no two types share a colour, and characters
    // the server leaves out stay plain.
    void CompareColours(std::map<int, std::optional<Part>>& colourOfType) {
        const Json data = vantel::lsp::SemanticTokens(server_, kUtf16)["data"];
        std::vector<std::vector<std::optional<Part>>> parts;
        int state = -1;
        for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
            std::vector<std::optional<Part>> line(static_cast<std::size_t>(block.length()));
            for (const PartSpan& span : CardParts(block.text(), Encoding::Utf8, state))
                for (int i = span.start; i < span.start + span.length; ++i)
                    line[static_cast<std::size_t>(i)] = span.part;
            parts.push_back(std::move(line));
        }
        int line = 0, start = 0;
        for (std::size_t i = 0; i + 5 <= data.size(); i += 5) {
            const int deltaLine = data[i].get<int>();
            start = deltaLine == 0 ? start + data[i + 1].get<int>() : data[i + 1].get<int>();
            line += deltaLine;
            const int type = data[i + 3].get<int>() * 2 + data[i + 4].get<int>();
            for (int c = start; c < start + data[i + 2].get<int>(); ++c) {
                auto& mine = parts[static_cast<std::size_t>(line)][static_cast<std::size_t>(c)];
                const auto known = colourOfType.emplace(type, mine).first;
                EXPECT_EQ(known->second, mine) << "type " << type << " at " << line << ":" << c;
                mine.reset(); // seen
            }
        }
        for (std::size_t l = 0; l < parts.size(); ++l)
            for (std::size_t c = 0; c < parts[l].size(); ++c)
                EXPECT_FALSE(parts[l][c].has_value()) << "coloured alone at " << l << ":" << c;
    }

private:
    static void Flatten(const Json& symbols, std::vector<std::pair<std::string, TextRange>>& out) {
        for (const Json& s : symbols) {
            out.emplace_back(s["name"].get<std::string>(), RangeOf(s["selectionRange"]));
            if (s.contains("children")) Flatten(s["children"], out);
        }
    }

    void ComparePlace(const TextPlace& place) {
        const LspPosition at{place.line, place.position};
        const std::string where = std::to_string(place.line) + ":" + std::to_string(place.position);
        const Json hover = vantel::lsp::Hover(server_, at, kUtf16);
        EXPECT_EQ(session_.Hover(place).toStdString(),
                  hover.is_null() ? "" : hover["contents"]["value"].get<std::string>())
            << where;

        const Json definitions = vantel::lsp::Definition(server_, kUri, at, kUtf16);
        QString problem;
        const std::optional<TextRange> definition = session_.Definition(place, problem);
        ASSERT_EQ(definition.has_value(), !definitions.is_null()) << where;
        if (definition) {
            std::vector<TextRange> targets;
            for (const Json& d : definitions)
                targets.push_back(RangeOf(d["range"]));
            const auto here = std::find_if(targets.begin(), targets.end(),
                                           [&](const TextRange& r) { return r.Holds(place); });
            const TextRange next =
                here == targets.end() || here + 1 == targets.end() ? targets.front() : *(here + 1);
            EXPECT_EQ(*definition, next) << where;
        }

        const Json references = vantel::lsp::References(server_, kUri, at, true, kUtf16);
        QString name;
        std::vector<TextRange> mine;
        for (const Reference& r : session_.References(place, name))
            mine.push_back(r.range);
        std::vector<TextRange> expected;
        if (!references.is_null())
            for (const Json& r : references)
                expected.push_back(RangeOf(r["range"]));
        EXPECT_EQ(mine, expected) << where;
    }

    QString text_;
    QTextDocument document_;
    AnalysisSession session_{document_, [] { return Encoding::Utf8; }};
    vantel::lsp::Document server_;
};

TEST(AnalysisDifferential, TheEditorSaysWhatTheServerSays) {
    std::mt19937 random(28);
    std::map<int, std::optional<Part>> colourOfType;
    for (int i = 0; i < 60; ++i) {
        const QString text = RandomText(random);
        SCOPED_TRACE(text.toStdString());
        Differential d(text);
        ASSERT_TRUE(d.Analysed());
        d.CompareUnderlines();
        d.ComparePlaces();
        d.CompareOutline();
        d.CompareColours(colourOfType);
        if (::testing::Test::HasFailure()) break;
    }
    std::map<Part, int> typeOfColour;
    for (const auto& [type, part] : colourOfType)
        if (part) {
            EXPECT_TRUE(typeOfColour.emplace(*part, type).second) << "two types share a colour";
        }
    EXPECT_GE(typeOfColour.size(), 8u); // the random programs show nearly every colour
}

} // namespace
} // namespace quillpad
