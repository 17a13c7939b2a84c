#include "lsp/navigation.h"

#include <algorithm>
#include <map>

#include "analysis/navigation.h"
#include "analysis/words.h"
#include "data/limits.h"
#include "data/values.h"
#include "lsp/json_rpc.h"

namespace vantel::lsp {

namespace {

using analysis::Analysis;
using analysis::Named;
using analysis::Occurrence;
using analysis::OccurrencesOf;
using Role = Occurrence::Role;

constexpr int kSymbolFunction = 12;
constexpr int kSymbolLabel = 20; // Key: a label is the key to its statement
constexpr int kHighlightText = 1;
constexpr int kHighlightRead = 2;

Json Symbol(const std::string& name, const std::string& detail, int kind, const Range& range,
            const Range& selection) {
    return {{"name", name},
            {"detail", detail},
            {"kind", kind},
            {"range", ToJson(range)},
            {"selectionRange", ToJson(selection)}};
}

void Fail(std::string message) {
    throw RpcError{ErrorCode::RequestFailed, std::move(message)};
}

// A new name for a label or a function, in capitals; fails with the reason.
std::string CheckedNewName(const Analysis& a, const Named& named, const std::string& newName) {
    if (!analysis::IsName(newName))
        Fail("'" + newName + "' is not a name: a letter, then letters, digits and periods");
    if (analysis::IsReserved(newName)) Fail(newName + " is a reserved word");
    const std::string folded = UpperCased(newName);
    if (folded == named.name) return folded;
    if (named.label) {
        if (a.LabelNamed(folded) != nullptr) Fail("A statement already has the label " + folded);
        return folded;
    }
    if (words::FindPrimitive(folded) != nullptr) Fail(folded + " is a primitive function");
    if (a.FunctionNamed(folded) != nullptr) Fail("A function " + folded + " is already defined");
    if (std::binary_search(a.variables.begin(), a.variables.end(), folded))
        Fail(folded + " is already a variable in this file");
    for (const analysis::Function& f : a.functions)
        if (std::find(f.parameters.begin(), f.parameters.end(), folded) != f.parameters.end() ||
            std::find(f.locals.begin(), f.locals.end(), folded) != f.locals.end())
            Fail(folded + " is a parameter or local of " + f.name);
    return folded;
}

// Renaming must not push a card's end past its 160 columns, where the
// reader would drop it.
void CheckCardWidths(Document& document, const std::vector<const Occurrence*>& found,
                     std::size_t newLength) {
    std::map<int, int> growth; // by line
    for (const Occurrence* o : found)
        growth[o->span.from.line] +=
            static_cast<int>(newLength) - (o->span.to.column - o->span.from.column);
    for (const auto& [line, more] : growth) {
        if (line < 1 || line > document.CardCount()) continue;
        const int length = static_cast<int>(document.Card(line - 1).size());
        if (more > 0 && length + more > kCardWidth)
            Fail("Line " + std::to_string(line) + " would be longer than " +
                 std::to_string(kCardWidth) + " columns, and its end would be lost");
    }
}

Json SymbolJson(const Document& document, const analysis::Symbol& symbol, Encoding encoding) {
    const bool label = symbol.kind == analysis::Symbol::Kind::Label;
    Json json = Symbol(symbol.name, symbol.detail, label ? kSymbolLabel : kSymbolFunction,
                       document.RangeOf(symbol.range, encoding),
                       document.RangeOf(symbol.selection, encoding));
    for (const analysis::Symbol& child : symbol.children)
        json["children"].push_back(SymbolJson(document, child, encoding));
    return json;
}

} // namespace

Json DocumentSymbols(Document& document, Encoding encoding) {
    Json symbols = Json::array();
    for (const analysis::Symbol& symbol : analysis::Outline(document.Source()))
        symbols.push_back(SymbolJson(document, symbol, encoding));
    return symbols;
}

Json Definition(Document& document, const std::string& uri, Position at, Encoding encoding) {
    const std::optional<Named> named = NamedAt(document, at, encoding);
    if (!named) return nullptr;
    Json locations = Json::array();
    for (const SourceSpan& span : analysis::Definitions(document.Analysis(), *named))
        locations.push_back(LocationJson(uri, document.RangeOf(span, encoding)));
    return locations.empty() ? Json(nullptr) : locations;
}

Json References(Document& document, const std::string& uri, Position at, bool withDefinitions,
                Encoding encoding) {
    const std::optional<Named> named = NamedAt(document, at, encoding);
    if (!named) return nullptr;
    Json locations = Json::array();
    for (const Occurrence* o : OccurrencesOf(document.Analysis(), *named, withDefinitions, false))
        locations.push_back(LocationJson(uri, document.RangeOf(o->span, encoding)));
    return locations;
}

Json Highlights(Document& document, Position at, Encoding encoding) {
    const std::optional<Named> named = NamedAt(document, at, encoding);
    if (!named) return nullptr;
    Json highlights = Json::array();
    for (const Occurrence* o : OccurrencesOf(document.Analysis(), *named, true, false))
        highlights.push_back(
            {{"range", ToJson(document.RangeOf(o->span, encoding))},
             {"kind", analysis::IsDefinition(o->role) ? kHighlightText : kHighlightRead}});
    return highlights;
}

Json PrepareRename(Document& document, Position at, Encoding encoding) {
    const Site site = SiteAt(document, at, encoding);
    if (site.occurrence == nullptr)
        Fail("Only a label or a function defined in this file can be renamed");
    if (!document.Analysis().complete)
        Fail("Renaming needs every statement translated: mend the translation errors first");
    if (!site.occurrence->IsLabel() &&
        document.Analysis().FunctionNamed(site.occurrence->name) == nullptr)
        Fail("Only a label or a function defined in this file can be renamed");
    return {{"range", ToJson(document.RangeOf(site.occurrence->span, encoding))},
            {"placeholder", site.occurrence->name}};
}

Json Rename(Document& document, const std::string& uri, Position at, const std::string& newName,
            Encoding encoding) {
    PrepareRename(document, at, encoding);
    const Site site = SiteAt(document, at, encoding);
    const Named named{site.occurrence->IsLabel(), site.occurrence->name};
    const Analysis& a = document.Analysis();
    const std::string folded = CheckedNewName(a, named, newName);
    const std::vector<const Occurrence*> found = OccurrencesOf(a, named, true, true);
    CheckCardWidths(document, found, newName.size());
    Json edits = Json::array();
    for (const Occurrence* o : found) {
        // Inside DEFINE's literals names are compared as written: capitals.
        const bool literal = o->role == Role::EntryLabel || o->role == Role::FunctionDefinition;
        edits.push_back({{"range", ToJson(document.RangeOf(o->span, encoding))},
                         {"newText", literal ? folded : newName}});
    }
    return {{"changes", {{uri, edits}}}};
}

} // namespace vantel::lsp
