#include "lsp/sites.h"

namespace vantel::lsp {

Site SiteAt(const Document& document, Position position, Encoding encoding) {
    return analysis::SiteAt(document.Source(), document.OffsetOf(position, encoding));
}

std::optional<analysis::Named> NamedAt(const Document& document, Position position,
                                       Encoding encoding) {
    return analysis::NamedAt(document.Source(), document.OffsetOf(position, encoding));
}

Position PositionFrom(const Json& json) {
    return {json.at("line").get<int>(), json.at("character").get<int>()};
}

Json ToJson(const Position& p) {
    return {{"line", p.line}, {"character", p.character}};
}

Json ToJson(const Range& r) {
    return {{"start", ToJson(r.start)}, {"end", ToJson(r.end)}};
}

Json LocationJson(const std::string& uri, const Range& r) {
    return {{"uri", uri}, {"range", ToJson(r)}};
}

} // namespace vantel::lsp
