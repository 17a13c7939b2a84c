#include "analysis/formatting.h"

#include <algorithm>
#include <optional>

#include "analysis/document_analysis.h"
#include "analysis/tokenizer.h"
#include "data/limits.h"
#include "translator/source_text.h"

namespace vantel::formatting {

namespace {

using tokens::CardState;
using tokens::Token;
using tokens::TokenClass;

struct Line {
    std::string_view text; // without its line end
    std::size_t offset = 0;
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    for (std::size_t offset = 0; offset < text.size();) {
        const std::size_t start = offset;
        lines.push_back({LineAt(text, offset), start});
    }
    return lines;
}

bool IsStatementCard(std::string_view line) {
    const char first = line.empty() ? ' ' : line[0];
    return first != '*' && first != '-' && first != '.' && first != '+';
}

// True when the statement of line i goes on in a continuation card.
bool Continued(const std::vector<Line>& lines, std::size_t i) {
    for (std::size_t next = i + 1; next < lines.size(); ++next) {
        const char first = lines[next].text.empty() ? ' ' : lines[next].text[0];
        if (first == '*' || first == '-') continue;
        return first == '.' || first == '+';
    }
    return false;
}

bool Unterminated(std::string_view card, const Token& t) {
    return t.length < 2 || card[static_cast<std::size_t>(t.start + t.length - 1)] !=
                               card[static_cast<std::size_t>(t.start)];
}

// A ';' or '#' outside literals: more than one statement on the card.
bool HoldsSeparator(std::string_view card, const std::vector<Token>& ts) {
    std::size_t t = 0;
    for (int i = 0; i < static_cast<int>(card.size()); ++i) {
        while (t < ts.size() && ts[t].start + ts[t].length <= i)
            ++t;
        const bool inLiteral =
            t < ts.size() && ts[t].kind == TokenClass::Literal && ts[t].start <= i;
        const char c = card[static_cast<std::size_t>(i)];
        if (!inLiteral && (c == ';' || c == '#')) return true;
    }
    return false;
}

int SkipBlanks(std::string_view card, int i) {
    while (i < static_cast<int>(card.size()) && card[static_cast<std::size_t>(i)] == ' ')
        ++i;
    return i;
}

// The edits of one card holding one whole statement.
void AlignCard(int index, std::string_view card, const std::vector<Token>& ts,
               std::vector<LineEdit>& out) {
    for (const Token& t : ts)
        if (t.kind == TokenClass::End || t.kind == TokenClass::Cut ||
            (t.kind == TokenClass::Literal && Unterminated(card, t)))
            return;
    if (HoldsSeparator(card, ts)) return;
    const bool labelled = !ts.empty() && ts[0].kind == TokenClass::Label && ts[0].start == 0;
    if (!labelled && (card.empty() || card[0] != ' ')) return;
    const int labelEnd = labelled ? ts[0].length : 0;
    const int bodyStart = SkipBlanks(card, labelEnd);
    if (bodyStart == static_cast<int>(card.size()) || bodyStart == labelEnd) return;
    // The goto field's ':'; a statement of a goto alone keeps its blanks.
    std::optional<int> gotoStart;
    for (const Token& t : ts)
        if (t.kind == TokenClass::Goto && card[static_cast<std::size_t>(t.start)] == ':') {
            gotoStart = t.start;
            break;
        }
    if (gotoStart == bodyStart) return;
    int shift = 0; // how far the first edit moves what follows it
    if (bodyStart - labelEnd != 1) {
        out.push_back({index, labelEnd, bodyStart, " "});
        shift = 1 - (bodyStart - labelEnd);
    }
    if (gotoStart && card[static_cast<std::size_t>(*gotoStart - 1)] == ' ') {
        int bodyEnd = *gotoStart;
        while (card[static_cast<std::size_t>(bodyEnd - 1)] == ' ')
            --bodyEnd;
        const int wanted = std::max(1, (kGotoColumn - 1) - (bodyEnd + shift));
        const int length = static_cast<int>(card.size()) + shift + wanted - (*gotoStart - bodyEnd);
        const int blanks = length <= kCardWidth ? wanted : 1;
        if (blanks != *gotoStart - bodyEnd)
            out.push_back(
                {index, bodyEnd, *gotoStart, std::string(static_cast<std::size_t>(blanks), ' ')});
    }
}

// The same statements and the same messages on the same lines.
bool TranslatesAlike(std::string_view before, std::string_view after) {
    const analysis::Analysis a = analysis::Analyze(before);
    const analysis::Analysis b = analysis::Analyze(after);
    if (a.shape != b.shape || a.diagnostics.size() != b.diagnostics.size()) return false;
    for (std::size_t i = 0; i < a.diagnostics.size(); ++i)
        if (a.diagnostics[i].message != b.diagnostics[i].message ||
            a.diagnostics[i].span.from.line != b.diagnostics[i].span.from.line)
            return false;
    return true;
}

} // namespace

std::vector<LineEdit> AlignStatements(std::string_view text) {
    const std::vector<Line> lines = SplitLines(text);
    std::vector<LineEdit> edits;
    CardState state;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        CardState after;
        const std::vector<Token> ts = tokens::TokenizeCard(lines[i].text, state, after);
        const bool fits = lines[i].text.size() <= static_cast<std::size_t>(kCardWidth);
        if (state.mode != CardState::Mode::Data && fits && IsStatementCard(lines[i].text) &&
            !Continued(lines, i))
            AlignCard(static_cast<int>(i), lines[i].text, ts, edits);
        state = after;
    }
    if (edits.empty() || !TranslatesAlike(text, ApplyEdits(text, edits))) return {};
    return edits;
}

std::string ApplyEdits(std::string_view text, const std::vector<LineEdit>& edits) {
    const std::vector<Line> lines = SplitLines(text);
    std::string out;
    std::size_t copied = 0;
    for (const LineEdit& e : edits) {
        if (e.line < 0 || static_cast<std::size_t>(e.line) >= lines.size()) continue;
        const std::size_t from =
            lines[static_cast<std::size_t>(e.line)].offset + static_cast<std::size_t>(e.from);
        const std::size_t to =
            lines[static_cast<std::size_t>(e.line)].offset + static_cast<std::size_t>(e.to);
        if (from < copied || to > text.size() || from > to) continue;
        out.append(text.substr(copied, from - copied)).append(e.text);
        copied = to;
    }
    out.append(text.substr(copied));
    return out;
}

} // namespace vantel::formatting
