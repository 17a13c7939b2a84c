// What stands at a client's position: a naming of a label or a defined
// function that the analysis found, and the token under the cursor (which
// is there also where the statement did not translate).
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "analysis/document_analysis.h"
#include "analysis/tokenizer.h"
#include "lsp/document.h"

namespace vantel::lsp {

using Json = nlohmann::json;

struct Site {
    const analysis::Occurrence* occurrence = nullptr;
    std::optional<tokens::Token> token;
    int card = 0;
    std::string word; // the token's text, in capitals
};

// The token ending at the position counts as well, so that a cursor just
// after a name finds it.
Site SiteAt(Document& document, Position position, Encoding encoding);

// The names a site refers to, as labels or as functions.
bool NamesLabel(const Site& site, std::string& name);
bool NamesFunction(Document& document, const Site& site, std::string& name);

// Protocol shapes.
Position PositionFrom(const Json& json); // throws on a missing member
Json ToJson(const Position& p);
Json ToJson(const Range& r);
Json LocationJson(const std::string& uri, const Range& r);

} // namespace vantel::lsp
