#include "lsp/assistance.h"

#include <algorithm>

#include "analysis/hover.h"
#include "analysis/words.h"
#include "data/values.h"
#include "translator/characters.h"

namespace vantel::lsp {

namespace {

using analysis::Analysis;
using analysis::CallForm;
using analysis::NameList;
using analysis::SpecialText;
using tokens::CardState;
using tokens::Token;
using tokens::TokenClass;

constexpr int kItemFunction = 3;
constexpr int kItemKeyword = 14;
constexpr int kItemReference = 18;

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
    const std::string text = analysis::HoverText(document.Source(), site);
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
        doc = "Locals: " + NameList(f->locals);
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
