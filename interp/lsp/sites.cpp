#include "lsp/sites.h"

#include "data/values.h"

namespace vantel::lsp {

namespace {

using analysis::Occurrence;
using tokens::TokenClass;

// The occurrence whose span holds the offset, else one that ends there.
const Occurrence* OccurrenceAt(Document& document, std::size_t offset) {
    const Occurrence* ending = nullptr;
    for (const Occurrence& o : document.Analysis().occurrences) {
        const std::size_t from = document.OffsetOf(o.span.from);
        const std::size_t to = document.OffsetOf(o.span.to);
        if (from <= offset && offset < to) return &o;
        if (offset == to && ending == nullptr) ending = &o;
    }
    return ending;
}

} // namespace

Site SiteAt(Document& document, Position position, Encoding encoding) {
    Site site;
    const std::size_t offset = document.OffsetOf(position, encoding);
    site.occurrence = OccurrenceAt(document, offset);
    site.card = document.CardAt(offset);
    const auto column = static_cast<int>(offset - document.CardStart(site.card));
    std::optional<tokens::Token> ending;
    for (const tokens::Token& t : document.CardTokens(site.card)) {
        if (t.start <= column && column < t.start + t.length) {
            site.token = t;
            break;
        }
        if (column == t.start + t.length) ending = t;
    }
    if (!site.token) site.token = ending;
    if (site.token) {
        const std::string_view card = document.Card(site.card);
        site.word = UpperCased(card.substr(static_cast<std::size_t>(site.token->start),
                                           static_cast<std::size_t>(site.token->length)));
    }
    return site;
}

bool NamesLabel(const Site& site, std::string& name) {
    if (site.occurrence != nullptr) {
        if (!site.occurrence->IsLabel()) return false;
        name = site.occurrence->name;
        return true;
    }
    if (!site.token ||
        (site.token->kind != TokenClass::Label && site.token->kind != TokenClass::GotoTarget))
        return false;
    name = site.word;
    return true;
}

bool NamesFunction(Document& document, const Site& site, std::string& name) {
    if (site.occurrence != nullptr) {
        if (site.occurrence->IsLabel()) return false;
        name = site.occurrence->name;
        return true;
    }
    if (!site.token ||
        (site.token->kind != TokenClass::Function && site.token->kind != TokenClass::Primitive &&
         site.token->kind != TokenClass::Name))
        return false;
    if (document.Analysis().FunctionNamed(site.word) == nullptr) return false;
    name = site.word;
    return true;
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
