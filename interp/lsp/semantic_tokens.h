// Semantic tokens: the tokenizer's classes in the protocol's encoding.
#pragma once

#include <optional>

#include "lsp/document.h"
#include "lsp/sites.h"

namespace vantel::lsp {

// The token types and modifiers, as the server announces them.
Json SemanticTokensLegend();

// The tokens of the whole document, or of the lines a range touches.
Json SemanticTokens(Document& document, Encoding encoding, std::optional<Range> range = {});

} // namespace vantel::lsp
