#include "analysis/navigation.h"

#include <algorithm>
#include <map>

namespace vantel::analysis {

namespace {

using Role = Occurrence::Role;

const Occurrence* FirstWithRole(const Analysis& a, Role role, const std::string& name) {
    for (const Occurrence& o : a.occurrences)
        if (o.role == role && o.name == name) return &o;
    return nullptr;
}

// From the first card of a statement to the card before the next one.
SourceSpan StatementSpan(const Source& source, std::size_t index) {
    const auto& statements = source.Analysis().statements;
    const int first = std::max(statements[index].line, 1);
    int last = first;
    if (index + 1 < statements.size()) last = std::max(first, statements[index + 1].line - 1);
    last = std::min(last, source.CardCount());
    const int end = static_cast<int>(source.Card(last - 1).size()) + 1;
    return {{first, 1}, {last, end}};
}

} // namespace

bool IsDefinition(Role role) {
    return role == Role::LabelDefinition || role == Role::FunctionDefinition;
}

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

std::vector<SourceSpan> Definitions(const Analysis& a, const Named& named) {
    std::vector<SourceSpan> out;
    std::string label = named.name;
    if (!named.label) {
        if (const Occurrence* define = FirstWithRole(a, Role::FunctionDefinition, named.name))
            out.push_back(define->span);
        const Function* f = a.FunctionNamed(named.name);
        label = f != nullptr ? f->entryLabel : "";
    }
    if (const Occurrence* definition = FirstWithRole(a, Role::LabelDefinition, label))
        out.push_back(definition->span);
    return out;
}

std::vector<Symbol> Outline(const Source& source) {
    const Analysis& a = source.Analysis();
    std::vector<Symbol> symbols;
    std::map<std::string, std::size_t> byLabel; // index in symbols
    for (std::size_t i = 0; i < a.statements.size(); ++i) {
        const Statement& s = a.statements[i];
        if (s.label.empty() || byLabel.contains(s.label)) continue;
        const Occurrence* definition = FirstWithRole(a, Role::LabelDefinition, s.label);
        if (definition == nullptr) continue;
        byLabel[s.label] = symbols.size();
        symbols.push_back({Symbol::Kind::Label,
                           s.label,
                           "statement " + std::to_string(s.number),
                           StatementSpan(source, i),
                           definition->span,
                           {}});
    }
    for (const Function& f : a.functions) {
        const auto label = f.entryLabel.empty() ? byLabel.end() : byLabel.find(f.entryLabel);
        if (label == byLabel.end()) {
            symbols.push_back(
                {Symbol::Kind::Function, f.name, f.prototype, f.nameSpan, f.nameSpan, {}});
            continue;
        }
        // Under its entry label, where its body starts.
        Symbol& parent = symbols[label->second];
        parent.children.push_back(
            {Symbol::Kind::Function, f.name, f.prototype, parent.range, parent.selection, {}});
    }
    return symbols;
}

} // namespace vantel::analysis
