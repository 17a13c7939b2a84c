#include "lsp/navigation.h"

#include <algorithm>
#include <map>

#include "analysis/words.h"
#include "data/limits.h"
#include "data/values.h"
#include "lsp/json_rpc.h"

namespace vantel::lsp {

namespace {

using analysis::Analysis;
using analysis::Occurrence;
using Role = Occurrence::Role;

constexpr int kSymbolFunction = 12;
constexpr int kSymbolLabel = 20; // Key: a label is the key to its statement
constexpr int kHighlightText = 1;
constexpr int kHighlightRead = 2;

// What a position names: a label or a defined function.
struct Named {
    bool label = true;
    std::string name;
};

std::optional<Named> NamedAt(Document& document, Position at, Encoding encoding) {
    const Site site = SiteAt(document, at, encoding);
    Named named;
    if (NamesLabel(site, named.name)) return named;
    named.label = false;
    if (NamesFunction(document, site, named.name)) return named;
    return std::nullopt;
}

bool IsDefinition(Role role) {
    return role == Role::LabelDefinition || role == Role::FunctionDefinition;
}

// The occurrences of a name; `roles` says which besides definitions.
std::vector<const Occurrence*> OccurrencesOf(const Analysis& a, const Named& named,
                                             bool withDefinitions, bool withVariables) {
    std::vector<const Occurrence*> out;
    for (const Occurrence& o : a.occurrences) {
        if (o.name != named.name || o.IsLabel() != named.label) continue;
        if (IsDefinition(o.role) && !withDefinitions) continue;
        if (o.role == Role::FunctionVariable && !withVariables) continue;
        out.push_back(&o);
    }
    return out;
}

const Occurrence* LabelDefinition(const Analysis& a, const std::string& name) {
    for (const Occurrence& o : a.occurrences)
        if (o.role == Role::LabelDefinition && o.name == name) return &o;
    return nullptr;
}

const Occurrence* FunctionDefinition(const Analysis& a, const std::string& name) {
    for (const Occurrence& o : a.occurrences)
        if (o.role == Role::FunctionDefinition && o.name == name) return &o;
    return nullptr;
}

// From the first line of a statement to the line before the next one.
Range StatementRange(Document& document, std::size_t index, Encoding encoding) {
    const auto& statements = document.Analysis().statements;
    const int first = std::max(statements[index].line, 1);
    int last = first;
    if (index + 1 < statements.size()) last = std::max(first, statements[index + 1].line - 1);
    last = std::min(last, document.CardCount());
    const std::size_t end = document.CardStart(last - 1) + document.Card(last - 1).size();
    return {document.PositionOf(document.CardStart(first - 1), encoding),
            document.PositionOf(end, encoding)};
}

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

} // namespace

Json DocumentSymbols(Document& document, Encoding encoding) {
    const Analysis& a = document.Analysis();
    Json symbols = Json::array();
    struct LabelSymbol {
        std::size_t index; // in symbols
        Range range, selection;
    };
    std::map<std::string, LabelSymbol> byLabel;
    for (std::size_t i = 0; i < a.statements.size(); ++i) {
        const analysis::Statement& s = a.statements[i];
        const Occurrence* definition = s.label.empty() ? nullptr : LabelDefinition(a, s.label);
        if (definition == nullptr || byLabel.contains(s.label)) continue;
        const LabelSymbol symbol{symbols.size(), StatementRange(document, i, encoding),
                                 document.RangeOf(definition->span, encoding)};
        byLabel[s.label] = symbol;
        symbols.push_back(Symbol(s.label, "statement " + std::to_string(s.number), kSymbolLabel,
                                 symbol.range, symbol.selection));
    }
    for (const analysis::Function& f : a.functions) {
        if (f.entryLabel.empty() || !byLabel.contains(f.entryLabel)) {
            const Range at = document.RangeOf(f.nameSpan, encoding);
            symbols.push_back(Symbol(f.name, f.prototype, kSymbolFunction, at, at));
            continue;
        }
        // Under its entry label, where its body starts.
        const LabelSymbol& label = byLabel[f.entryLabel];
        symbols[label.index]["children"].push_back(
            Symbol(f.name, f.prototype, kSymbolFunction, label.range, label.selection));
    }
    return symbols;
}

Json Definition(Document& document, const std::string& uri, Position at, Encoding encoding) {
    const std::optional<Named> named = NamedAt(document, at, encoding);
    if (!named) return nullptr;
    const Analysis& a = document.Analysis();
    Json locations = Json::array();
    if (!named->label) {
        if (const Occurrence* define = FunctionDefinition(a, named->name))
            locations.push_back(LocationJson(uri, document.RangeOf(define->span, encoding)));
    }
    const std::string label =
        named->label
            ? named->name
            : (a.FunctionNamed(named->name) ? a.FunctionNamed(named->name)->entryLabel : "");
    if (const Occurrence* definition = LabelDefinition(a, label))
        locations.push_back(LocationJson(uri, document.RangeOf(definition->span, encoding)));
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
        highlights.push_back({{"range", ToJson(document.RangeOf(o->span, encoding))},
                              {"kind", IsDefinition(o->role) ? kHighlightText : kHighlightRead}});
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
