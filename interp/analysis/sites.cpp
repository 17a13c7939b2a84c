#include "analysis/sites.h"

#include "data/values.h"

namespace vantel::analysis {

namespace {

using tokens::TokenClass;

// The occurrence whose span holds the offset, else one that ends there.
const Occurrence* OccurrenceAt(const Source& source, std::size_t offset) {
    const Occurrence* ending = nullptr;
    for (const Occurrence& o : source.Analysis().occurrences) {
        const std::size_t from = source.OffsetOf(o.span.from);
        const std::size_t to = source.OffsetOf(o.span.to);
        if (from <= offset && offset < to) return &o;
        if (offset == to && ending == nullptr) ending = &o;
    }
    return ending;
}

} // namespace

Site SiteAt(const Source& source, std::size_t offset) {
    Site site;
    site.occurrence = OccurrenceAt(source, offset);
    site.card = source.CardAt(offset);
    const auto column = static_cast<int>(offset - source.CardStart(site.card));
    std::optional<tokens::Token> ending;
    for (const tokens::Token& t : source.CardTokens(site.card)) {
        if (t.start <= column && column < t.start + t.length) {
            site.token = t;
            break;
        }
        if (column == t.start + t.length) ending = t;
    }
    if (!site.token) site.token = ending;
    if (site.token) {
        const std::string_view card = source.Card(site.card);
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

bool NamesFunction(const Analysis& analysis, const Site& site, std::string& name) {
    if (site.occurrence != nullptr) {
        if (site.occurrence->IsLabel()) return false;
        name = site.occurrence->name;
        return true;
    }
    if (!site.token ||
        (site.token->kind != TokenClass::Function && site.token->kind != TokenClass::Primitive &&
         site.token->kind != TokenClass::Name))
        return false;
    if (analysis.FunctionNamed(site.word) == nullptr) return false;
    name = site.word;
    return true;
}

std::optional<Named> NamedAt(const Source& source, std::size_t offset) {
    const Site site = SiteAt(source, offset);
    Named named;
    if (NamesLabel(site, named.name)) return named;
    named.label = false;
    if (NamesFunction(source.Analysis(), site, named.name)) return named;
    return std::nullopt;
}

} // namespace vantel::analysis
