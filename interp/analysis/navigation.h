// Labels and defined functions across a source: where a name is defined,
// every naming of it, and the outline of the text. Editors turn the spans
// into places of their own.
#pragma once

#include <string>
#include <vector>

#include "analysis/sites.h"

namespace vantel::analysis {

bool IsDefinition(Occurrence::Role role);

// The namings of a name, in the order found: definitions when asked for,
// a function's name used as a variable when asked for, all others always.
std::vector<const Occurrence*> OccurrencesOf(const Analysis& analysis, const Named& named,
                                             bool withDefinitions, bool withVariables);

// Where a name is defined: a label at its statement; a function at the
// name in its DEFINE's prototype, then at its entry label.
std::vector<SourceSpan> Definitions(const Analysis& analysis, const Named& named);

// One entry of the outline: a label (the first statement that has it),
// with the functions whose body starts there as its children; a function
// whose entry label no statement has stands on its own, at its DEFINE.
struct Symbol {
    enum class Kind { Label, Function };
    Kind kind = Kind::Label;
    std::string name;
    std::string detail;   // "statement N", or the function's prototype
    SourceSpan range;     // the statement's cards, or the name in DEFINE
    SourceSpan selection; // the name
    std::vector<Symbol> children;
};
std::vector<Symbol> Outline(const Source& source);

} // namespace vantel::analysis
