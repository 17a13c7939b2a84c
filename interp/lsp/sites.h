// What stands at a client's position (analysis::SiteAt on the document's
// source), and the protocol's shapes of places.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "analysis/sites.h"
#include "lsp/document.h"

namespace vantel::lsp {

using Json = nlohmann::json;
using analysis::Site;

Site SiteAt(const Document& document, Position position, Encoding encoding);
std::optional<analysis::Named> NamedAt(const Document& document, Position position,
                                       Encoding encoding);

// Protocol shapes.
Position PositionFrom(const Json& json); // throws on a missing member
Json ToJson(const Position& p);
Json ToJson(const Range& r);
Json LocationJson(const std::string& uri, const Range& r);

} // namespace vantel::lsp
