#include "lsp/assistance.h"

#include <algorithm>

#include "analysis/words.h"
#include "data/values.h"
#include "translator/characters.h"

namespace vantel::lsp {

namespace {

using analysis::Analysis;
using tokens::CardState;
using tokens::Token;
using tokens::TokenClass;

constexpr int kItemFunction = 3;
constexpr int kItemKeyword = 14;
constexpr int kItemReference = 18;

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

std::string List(const std::vector<std::string>& names) {
    if (names.empty()) return "none";
    std::string out;
    for (const std::string& n : names)
        out.append(out.empty() ? "" : ", ").append(n);
    return out;
}

std::string CallForm(const analysis::Function& f) {
    std::string out = f.name + "(";
    for (std::size_t i = 0; i < f.parameters.size(); ++i)
        out.append(i ? ", " : "").append(f.parameters[i]);
    return out + ")";
}

std::string FunctionText(const analysis::Function& f) {
    return CodeBlock(CallForm(f)) + "Defined by DEFINE('" + f.prototype + "') in statement " +
           std::to_string(f.statement) +
           (f.entryLabel.empty() ? "." : "; its body starts at the label " + f.entryLabel + ".") +
           "\n\nParameters: " + List(f.parameters) + "  \nLocals: " + List(f.locals);
}

std::string LabelText(Document& document, const std::string& name) {
    const analysis::Statement* s = document.Analysis().LabelNamed(name);
    if (s == nullptr) return "**" + name + "**: no statement has this label.";
    std::string text = "**" + name + "**: the label of statement " + std::to_string(s->number) +
                       ", line " + std::to_string(s->line) + ".\n\n";
    if (s->line >= 1 && s->line <= document.CardCount())
        text += CodeBlock(document.Card(s->line - 1));
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

// The words of the goto field and of END.
std::string SpecialText(const std::string& word, TokenClass kind) {
    if (kind == TokenClass::End)
        return "**END** ends the program: the cards after this one are its input data.";
    if (word == "END") return "**END**: the run ends here.";
    if (word == "RETURN") return "**RETURN**: the defined function returns, and its call succeeds.";
    if (word == "FRETURN") return "**FRETURN**: the defined function returns, and its call fails.";
    return "";
}

std::string HoverText(Document& document, const Site& site) {
    std::string name;
    if (NamesFunction(document, site, name))
        return FunctionText(*document.Analysis().FunctionNamed(name));
    if (!site.token) return "";
    const TokenClass kind = site.token->kind;
    if (const std::string special = SpecialText(site.word, kind); !special.empty()) return special;
    if (NamesLabel(site, name)) return LabelText(document, name);
    if (kind == TokenClass::Primitive || kind == TokenClass::Name)
        if (const words::PrimitiveWord* w = words::FindPrimitive(site.word))
            return PrimitiveText(*w);
    if (kind == TokenClass::Keyword)
        if (const words::KeywordWord* w = words::FindKeyword(site.word)) return KeywordText(*w);
    return "";
}

// The card up to the cursor and what the tokenizer makes of it.
struct Before {
    int card = 0;
    int column = 0; // of the cursor, in bytes
    std::string_view text;
    CardState state; // at the cursor
    std::vector<Token> tokens;
    bool data = false;
};

Before Prefix(Document& document, Position at, Encoding encoding) {
    Before b;
    const std::size_t offset = document.OffsetOf(at, encoding);
    b.card = document.CardAt(offset);
    const std::string_view card = document.Card(b.card);
    b.column = static_cast<int>(std::min(offset - document.CardStart(b.card), card.size()));
    b.text = card.substr(0, static_cast<std::size_t>(b.column));
    const CardState before = document.CardStates()[static_cast<std::size_t>(b.card)];
    b.data = before.mode == CardState::Mode::Data;
    b.tokens = tokens::TokenizeCard(b.text, before, b.state);
    return b;
}

// True when the cursor is inside a comment, a control card, a literal not
// yet closed, or beyond the card's columns.
bool InsideText(const Before& b) {
    if (b.tokens.empty()) return false;
    const Token& last = b.tokens.back();
    if (last.start + last.length < b.column) return false;
    switch (last.kind) {
    case TokenClass::Comment:
    case TokenClass::Control:
    case TokenClass::Cut:
        return true;
    case TokenClass::Literal:
        return last.length == 1 ||
               b.text[static_cast<std::size_t>(last.start)] !=
                   b.text[static_cast<std::size_t>(last.start + last.length - 1)];
    default:
        return false;
    }
}

Json Item(const std::string& label, int kind, const std::string& detail, const std::string& doc,
          const Json& replace) {
    Json item = {{"label", label},
                 {"kind", kind},
                 {"detail", detail},
                 {"filterText", label},
                 {"textEdit", {{"range", replace}, {"newText", label}}}};
    if (!doc.empty()) item["documentation"] = {{"kind", "markdown"}, {"value", doc}};
    return item;
}

} // namespace

Json Hover(Document& document, Position at, Encoding encoding) {
    const Site site = SiteAt(document, at, encoding);
    const std::string text = HoverText(document, site);
    if (text.empty()) return nullptr;
    Json hover = {{"contents", {{"kind", "markdown"}, {"value", text}}}};
    if (site.occurrence != nullptr)
        hover["range"] = ToJson(document.RangeOf(site.occurrence->span, encoding));
    return hover;
}

Json Completion(Document& document, Position at, Encoding encoding) {
    Json items = Json::array();
    const Before b = Prefix(document, at, encoding);
    if (b.data || InsideText(b)) return items;
    int wordStart = b.column;
    while (wordStart > 0 && IsNameChar(b.text[static_cast<std::size_t>(wordStart - 1)]))
        --wordStart;
    const bool keyword = wordStart > 0 && b.text[static_cast<std::size_t>(wordStart - 1)] == '&';
    if (keyword) --wordStart;
    if (wordStart == 0 && !b.tokens.empty() && b.tokens.front().kind == TokenClass::Label)
        return items; // a label being written
    const std::size_t cardStart = document.CardStart(b.card);
    const Json replace = ToJson(
        Range{document.PositionOf(cardStart + static_cast<std::size_t>(wordStart), encoding),
              document.PositionOf(cardStart + static_cast<std::size_t>(b.column), encoding)});
    const Analysis& a = document.Analysis();
    if (keyword) {
        for (const words::KeywordWord& w : words::Keywords())
            items.push_back(Item(std::string(w.name), kItemKeyword,
                                 w.isProtected ? "protected keyword" : "keyword",
                                 std::string(w.meaning), replace));
    } else if (b.state.mode == CardState::Mode::Goto && b.state.gotoDepth >= 1) {
        for (const analysis::Statement& s : a.statements)
            if (!s.label.empty() && a.LabelNamed(s.label) == &s)
                items.push_back(Item(s.label, kItemReference,
                                     "statement " + std::to_string(s.number), "", replace));
        for (const char* special : {"RETURN", "FRETURN", "END"})
            items.push_back(Item(special, kItemKeyword, "",
                                 SpecialText(special, TokenClass::GotoTarget), replace));
    } else {
        for (const analysis::Function& f : a.functions)
            if (a.FunctionNamed(f.name) == &f)
                items.push_back(Item(f.name, kItemFunction, CallForm(f), "", replace));
        for (const words::PrimitiveWord& w : words::Primitives())
            if (a.FunctionNamed(w.name) == nullptr)
                items.push_back(Item(std::string(w.name), kItemFunction, std::string(w.callForm),
                                     std::string(w.meaning), replace));
    }
    return items;
}

Json SignatureHelp(Document& document, Position at, Encoding encoding) {
    const Before b = Prefix(document, at, encoding);
    if (b.data || InsideText(b)) return nullptr;
    struct Open {
        std::string name; // empty for a parenthesis that is no call
        int commas = 0;
    };
    std::vector<Open> open;
    std::size_t t = 0;
    for (int i = 0; i < b.column; ++i) {
        while (t < b.tokens.size() && b.tokens[t].start + b.tokens[t].length <= i)
            ++t;
        const bool inToken = t < b.tokens.size() && b.tokens[t].start <= i;
        if (inToken && b.tokens[t].kind == TokenClass::Literal) continue;
        const char c = b.text[static_cast<std::size_t>(i)];
        if (c == '(') {
            std::string name;
            if (t > 0 && b.tokens[t - 1].start + b.tokens[t - 1].length == i &&
                (b.tokens[t - 1].kind == TokenClass::Primitive ||
                 b.tokens[t - 1].kind == TokenClass::Function))
                name = UpperCased(b.text.substr(static_cast<std::size_t>(b.tokens[t - 1].start),
                                                static_cast<std::size_t>(b.tokens[t - 1].length)));
            open.push_back({name, 0});
        } else if (c == ')' && !open.empty()) {
            open.pop_back();
        } else if (c == ',' && !open.empty()) {
            ++open.back().commas;
        }
    }
    const auto call =
        std::find_if(open.rbegin(), open.rend(), [](const Open& o) { return !o.name.empty(); });
    if (call == open.rend()) return nullptr;
    std::string label;
    std::vector<std::string> parameters;
    std::string doc;
    if (const analysis::Function* f = document.Analysis().FunctionNamed(call->name)) {
        label = CallForm(*f);
        parameters = f->parameters;
        doc = "Locals: " + List(f->locals);
    } else if (const words::PrimitiveWord* w = words::FindPrimitive(call->name)) {
        label = std::string(w->callForm);
        for (std::string_view p : words::Parameters(*w))
            parameters.emplace_back(p);
        doc = std::string(w->meaning);
    } else {
        return nullptr;
    }
    // Each parameter by its offsets in the label: a name may occur earlier.
    Json params = Json::array();
    std::size_t from = label.find('(') + 1;
    for (const std::string& p : parameters) {
        const std::size_t start = label.find(p, from);
        params.push_back({{"label", {start, start + p.size()}}});
        from = start + p.size();
    }
    const int active = parameters.empty()
                           ? 0
                           : std::min<int>(call->commas, static_cast<int>(parameters.size()) - 1);
    return {{"signatures",
             {{{"label", label},
               {"documentation", {{"kind", "markdown"}, {"value", doc}}},
               {"parameters", params}}}},
            {"activeSignature", 0},
            {"activeParameter", active}};
}

} // namespace vantel::lsp
