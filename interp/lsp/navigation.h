// Labels and defined functions across a document: its outline, going to a
// definition, references, highlights and renaming. The answers are the
// protocol's result objects.
#pragma once

#include <string>

#include "lsp/document.h"
#include "lsp/sites.h"

namespace vantel::lsp {

Json DocumentSymbols(Document& document, Encoding encoding);
Json Definition(Document& document, const std::string& uri, Position at, Encoding encoding);
Json References(Document& document, const std::string& uri, Position at, bool withDefinitions,
                Encoding encoding);
Json Highlights(Document& document, Position at, Encoding encoding);
// Throw RpcError when the name cannot be renamed, or not to that name.
Json PrepareRename(Document& document, Position at, Encoding encoding);
Json Rename(Document& document, const std::string& uri, Position at, const std::string& newName,
            Encoding encoding);

} // namespace vantel::lsp
