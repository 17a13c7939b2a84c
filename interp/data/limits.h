// Fixed sizes of the interpreter's tables. Every table is a fixed array with
// an overflow message instead of growing, so a run's memory is bounded by
// these figures and a hostile program meets a defined message, not a crash.
#pragma once

namespace vantel {

// String table slots; entering one more name reports "TOO MANY STRINGS".
inline constexpr int kStringTableSize = 5000;
// Longest string; longer concatenations report
// "CONCATENATED STRINGS EXCEED MAXIMUM SIZE".
inline constexpr int kMaxStringLength = 32000;
// Statement table positions; one more reports "TOO MANY STATEMENTS".
inline constexpr int kMaxStatements = 500;
// Arguments stored per call; a ninth reports
// "TOO MANY ARGUMENTS IN FUNCTION CALL".
inline constexpr int kMaxArguments = 8;
// Characters kept of a source card; the rest of the line is skipped.
inline constexpr int kCardWidth = 160;
// Translation stops starting statements after this many errors.
inline constexpr int kMaxTranslationErrors = 25;
// Parser nesting and expression-tree depth; beyond it the statement reports
// "EXPRESSION TOO DEEPLY NESTED". Keeps recursion off the machine stack's edge.
inline constexpr int kMaxExpressionDepth = 1000;
// Nodes in one pattern; a construction needing more reports
// "TOO MANY NODES IN PATTERN".
inline constexpr int kMaxPatternNodes = 32;
// Nested ARBNO repetitions during one match; deeper reports
// "PATTERN NESTED TOO DEEPLY".
inline constexpr int kMaxArbnoNesting = 1000;
// Programmer-defined functions; an eleventh reports "FUNCTION TABLE OVERFLOW".
inline constexpr int kMaxFunctions = 10;
// Parameters and locals per function; a ninth of either reports
// "TOO MANY PARAMETERS OR LOCALS IN PROTOTYPE".
inline constexpr int kMaxParameters = 8;
inline constexpr int kMaxLocals = 8;
// Slots of the run stack that saves values across calls; a full stack
// reports "RUN STACK OVERFLOW".
inline constexpr int kRunStackSize = 50;
// Characters of a variable name taken by the INPUT and OUTPUT functions.
inline constexpr int kAssociationNameLength = 80;

} // namespace vantel
