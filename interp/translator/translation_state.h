// The translator's state of one run, in one structure: where the cards come
// from and where the messages go, the reader's and the lexer's position in
// the source, the statement table, the storage of its statements and
// expression nodes, the places they were found at, and the parser's depth
// guard. The run object owns it; the statement table lives as long as the
// run, so the executor reads it from here.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/run_slot.h"

#include "translator/internal_form.h"
#include "translator/scanner.h"

namespace vantel {

// Depth guard of one statement: parser nesting and node depth.
struct DepthGuard {
    int nesting = 0;
    bool tooDeep = false;
};

// Source text held in memory, read line by line as the source file is.
struct TextCards {
    std::string_view text;
    std::size_t next = 0; // offset of the next line
};

// Where the statements and the leaves of their expressions were found, for
// tools that point into the source. A leaf is a name, a call (at its name),
// a literal or an integer.
struct PlacedNode {
    const Expr* node;
    SourceSpan span;
};
struct PlacedStatement {
    int position;     // in the statement table
    SourceSpan first; // its first token: the label when it has one
};
struct SourcePlaces {
    std::vector<PlacedNode> nodes;
    std::vector<PlacedStatement> statements;
    std::optional<SourceSpan> endLabel; // the label named on END
    // Cleared when a statement went unparsed: a skip to an expected token
    // ran past a statement's end, a statement beyond the table was dropped,
    // translation stopped at the message limit, or the END card never came.
    bool everyStatementParsed = true;
};

struct TranslationState {
    TranslationState() = default;
    // Made in its slot and never moved: `sink` may point at `listing`.
    TranslationState(const TranslationState&) = delete;
    TranslationState& operator=(const TranslationState&) = delete;

    // Cards come from the source file unless text is given here.
    std::optional<TextCards> textCards;
    // Messages go to the sink: the listing's, unless text is translated
    // for a tool with a sink of its own.
    ListingSink listing;
    MessageSink* sink = &listing;
    // The line last read, before it is cut to a card (reused by every card).
    std::string line;
    ScannerState scan;
    Program program;
    // Nodes and statements, owned here for the whole run.
    std::vector<std::unique_ptr<Expr>> expressions;
    std::vector<std::unique_ptr<Stmt>> statements;
    DepthGuard depth;
    SourcePlaces places;
};

// The current run's translation state (constructed by the run object).
inline RunSlot<TranslationState> gTranslationSlot;
inline TranslationState& Translation() {
    return gTranslationSlot.get();
}
inline ScannerState& Scan() {
    return Translation().scan;
}
inline Program& TheProgram() {
    return Translation().program;
}

} // namespace vantel
