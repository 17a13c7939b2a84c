#include "analysis/hover.h"

#include <algorithm>

#include "analysis/words.h"

namespace vantel::analysis {

namespace {

using tokens::TokenClass;

// A code block whose fence no backquote run in the text can close.
std::string CodeBlock(std::string_view text) {
    std::size_t run = 0, longest = 0;
    for (char c : text) {
        run = c == '`' ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    const std::string fence(std::max<std::size_t>(3, longest + 1), '`');
    return fence + "\n" + std::string(text) + "\n" + fence + "\n";
}

std::string FunctionText(const Function& f) {
    return CodeBlock(CallForm(f)) + "Defined by DEFINE('" + f.prototype + "') in statement " +
           std::to_string(f.statement) +
           (f.entryLabel.empty() ? "." : "; its body starts at the label " + f.entryLabel + ".") +
           "\n\nParameters: " + NameList(f.parameters) + "  \nLocals: " + NameList(f.locals);
}

std::string LabelText(const Source& source, const std::string& name) {
    const Statement* s = source.Analysis().LabelNamed(name);
    if (s == nullptr) return "**" + name + "**: no statement has this label.";
    std::string text = "**" + name + "**: the label of statement " + std::to_string(s->number) +
                       ", line " + std::to_string(s->line) + ".\n\n";
    if (s->line >= 1 && s->line <= source.CardCount()) text += CodeBlock(source.Card(s->line - 1));
    return text;
}

std::string PrimitiveText(const words::PrimitiveWord& w) {
    return CodeBlock(w.callForm) + std::string(w.meaning) +
           (w.arity < 0 ? " Takes any number of arguments." : "");
}

std::string KeywordText(const words::KeywordWord& w) {
    return CodeBlock(w.name) + std::string(w.meaning) +
           "\n\nProtected: " + (w.isProtected ? "yes" : "no") +
           "  \nInitial value: " + std::string(w.initialValue);
}

} // namespace

std::string CallForm(const Function& f) {
    std::string out = f.name + "(";
    for (std::size_t i = 0; i < f.parameters.size(); ++i)
        out.append(i ? ", " : "").append(f.parameters[i]);
    return out + ")";
}

std::string NameList(const std::vector<std::string>& names) {
    if (names.empty()) return "none";
    std::string out;
    for (const std::string& n : names)
        out.append(out.empty() ? "" : ", ").append(n);
    return out;
}

std::string SpecialText(std::string_view word, TokenClass kind) {
    if (kind == TokenClass::End)
        return "**END** ends the program: the cards after this one are its input data.";
    if (word == "END") return "**END**: the run ends here.";
    if (word == "RETURN") return "**RETURN**: the defined function returns, and its call succeeds.";
    if (word == "FRETURN") return "**FRETURN**: the defined function returns, and its call fails.";
    return "";
}

std::string HoverText(const Source& source, const Site& site) {
    std::string name;
    if (NamesFunction(source.Analysis(), site, name))
        return FunctionText(*source.Analysis().FunctionNamed(name));
    if (!site.token) return "";
    const TokenClass kind = site.token->kind;
    if (const std::string special = SpecialText(site.word, kind); !special.empty()) return special;
    if (NamesLabel(site, name)) return LabelText(source, name);
    if (kind == TokenClass::Primitive || kind == TokenClass::Name)
        if (const words::PrimitiveWord* w = words::FindPrimitive(site.word))
            return PrimitiveText(*w);
    if (kind == TokenClass::Keyword)
        if (const words::KeywordWord* w = words::FindKeyword(site.word)) return KeywordText(*w);
    return "";
}

} // namespace vantel::analysis
