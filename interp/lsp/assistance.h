// Help while typing: hover, completion and signature help. They read the
// card under the cursor with the tokenizer, so that they work in a
// statement that does not translate yet, and the analysis for the labels
// and functions of the document.
#pragma once

#include "lsp/document.h"
#include "lsp/sites.h"

namespace vantel::lsp {

Json Hover(Document& document, Position at, Encoding encoding);
Json Completion(Document& document, Position at, Encoding encoding);
Json SignatureHelp(Document& document, Position at, Encoding encoding);

} // namespace vantel::lsp
