// The texts that explain what stands at a place, in Markdown: a primitive's
// call form and meaning, a keyword's meaning, protection and initial value,
// a label's statement and card, a defined function's prototype and locals,
// and the words of the goto field. The language server's hover and the
// editor's tooltips show the same texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/sites.h"

namespace vantel::analysis {

// The explanation of a site; empty when there is nothing to explain.
std::string HoverText(const Source& source, const Site& site);

// A defined function as it is called: "FACT(N)".
std::string CallForm(const Function& function);
// Names separated by commas, or "none".
std::string NameList(const std::vector<std::string>& names);
// What END, RETURN and FRETURN mean as goto targets, and what the END
// statement means (kind End); empty for any other word.
std::string SpecialText(std::string_view word, tokens::TokenClass kind);

} // namespace vantel::analysis
