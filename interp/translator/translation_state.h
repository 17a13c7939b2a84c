// The translator's state of one run, in one structure: the reader's and the
// lexer's position in the source, the statement table, the storage of its
// statements and expression nodes, and the parser's depth guard. The run
// object owns it; the statement table lives as long as the run, so the
// executor reads it from here.
#pragma once

#include <memory>
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

struct TranslationState {
    ScannerState scan;
    Program program;
    // Nodes and statements, owned here for the whole run.
    std::vector<std::unique_ptr<Expr>> expressions;
    std::vector<std::unique_ptr<Stmt>> statements;
    DepthGuard depth;
    // Where the statements are in the source, for a debugger: the line each
    // starts on, by position (0 unused), and the type of every card read
    // (its first character: a blank or a letter for a statement, '+' or
    // '.' for a continuation, '*' or '-'), line 1 first.
    std::vector<int> statementLines{0};
    std::vector<char> cardTypes;
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
