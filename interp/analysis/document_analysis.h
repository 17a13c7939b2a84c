// The analysis of one source text for editors: vantel's own translation
// run on the text (its reader, lexer and parser, with their limits), which
// gives the translation messages exactly as the listing words them, and
// from the statement table the labels, the functions that DEFINE calls with
// literal arguments define, every naming of them, the calls, and the
// warnings a reader wants that translation does not give.
//
// Each analysis is a run of its own (a run object is made and dropped), so
// nothing is carried from one text to the next; one at a time, as runs are.
// The parser nests up to 1000 levels: call it on a stack of a few MiB
// (kAnalysisStackBytes covers sanitised builds).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "translator/messages.h"

namespace vantel::analysis {

inline constexpr std::size_t kAnalysisStackBytes = std::size_t{256} << 20;

struct Diagnostic {
    enum class Severity { Error, Warning };
    Severity severity = Severity::Error;
    SourceSpan span;
    std::string message;
};

// A statement as the listing numbers it.
struct Statement {
    int number = 0;    // its position in the statement table
    int line = 0;      // of its first token
    std::string label; // empty when it has none
};

struct Function {
    std::string name;
    std::vector<std::string> parameters;
    std::vector<std::string> locals;
    std::string prototype;  // the literal's text
    std::string entryLabel; // empty when DEFINE's label is not a literal
    int statement = 0;      // of the DEFINE call
    SourceSpan nameSpan;    // of the name inside the prototype literal
    SourceSpan entrySpan;   // of the text inside the label literal
};

// One naming of a label or of a defined function in the source.
struct Occurrence {
    enum class Role {
        LabelDefinition,    // the statement's label
        LabelUse,           // a goto's target, the label on END
        EntryLabel,         // DEFINE's label literal (its text)
        FunctionDefinition, // the name in DEFINE's prototype literal
        FunctionCall,       // the name of a call
        FunctionVariable,   // the function's name as a variable (its result)
    };
    Role role;
    std::string name;
    SourceSpan span;
    bool IsLabel() const {
        return role == Role::LabelDefinition || role == Role::LabelUse || role == Role::EntryLabel;
    }
};

struct Call {
    std::string name;
    int arguments = 0; // as written
    SourceSpan span;   // of the name
};

struct Analysis {
    std::vector<Diagnostic> diagnostics; // translation messages, then warnings
    std::vector<Statement> statements;
    std::vector<Function> functions;     // in the order of their DEFINE calls
    std::vector<Occurrence> occurrences; // in the order found
    std::vector<Call> calls;
    std::vector<std::string> variables; // every name used as a variable, once
    bool ended = false;                 // the text has its END statement
    // Every statement was parsed, so that a label or DEFINE not seen is
    // not in the text.
    bool complete = false;
    // A DEFINE whose prototype is not a literal: any name may be a function.
    bool dynamicDefine = false;
    // A compact rendering of every statement's form (kind, label, trees,
    // gotos): two texts that give the same shape translate alike.
    std::string shape;

    const Statement* LabelNamed(std::string_view name) const;
    const Function* FunctionNamed(std::string_view name) const;
};

// Analyses text as vantel would translate it. Never throws for any text
// (std::bad_alloc aside).
Analysis Analyze(std::string_view text);

// A prototype 'NAME(PARAMETERS)LOCALS' as DEFINE reads it; nothing when
// DEFINE would report it as illegal.
struct Prototype {
    std::string_view name;
    std::vector<std::string_view> parameters;
    std::vector<std::string_view> locals;
};
std::optional<Prototype> ParsePrototype(std::string_view text);

// A name as the language writes one: a letter, then letters, digits and '.'.
bool IsName(std::string_view text);
// One of the five reserved words (S, F, END, RETURN, FRETURN), in any case.
bool IsReserved(std::string_view name);

} // namespace vantel::analysis
