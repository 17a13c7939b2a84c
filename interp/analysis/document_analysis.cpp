#include "analysis/document_analysis.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "analysis/words.h"
#include "data/limits.h"
#include "driver/run.h"
#include "translator/characters.h"
#include "translator/internal_form.h"

namespace vantel::analysis {

namespace {

using Role = Occurrence::Role;

class Collector final : public MessageSink {
public:
    explicit Collector(std::vector<Diagnostic>& out) : out_(out) {}
    void Message(std::string_view text, const SourceSpan& where) override {
        out_.push_back({Diagnostic::Severity::Error, where, std::string(text)});
    }

private:
    std::vector<Diagnostic>& out_;
};

std::string NameOf(const StringItem* entry) {
    return entry != nullptr ? std::string(entry->name) : std::string();
}

// The text of a literal starts one column after its opening quote.
SourceSpan InsideLiteral(const SourceSpan& literal, std::size_t offset, std::size_t length) {
    const int from = literal.from.column + 1 + static_cast<int>(offset);
    return {{literal.from.line, from}, {literal.from.line, from + static_cast<int>(length)}};
}

// Renders an expression for the shape: (op left right), names, 'text', numbers.
void RenderTree(const Expr* e, std::string& out) {
    if (e == nullptr) {
        out += '~';
        return;
    }
    switch (e->kind) {
    case ExprKind::Unary:
        out.append("(").append(1, Letter(e->unaryOp));
        RenderTree(e->left, out);
        out += ')';
        break;
    case ExprKind::Binary:
        out.append("(").append(1, Letter(e->binaryOp)).append(" ");
        RenderTree(e->left, out);
        out += ' ';
        RenderTree(e->right, out);
        out += ')';
        break;
    case ExprKind::Identifier:
        out.append(NameOf(e->entry));
        break;
    case ExprKind::Integer:
        out.append(std::to_string(e->number.integer()));
        break;
    case ExprKind::Literal:
        out.append("'").append(NameOf(e->entry)).append("'");
        break;
    case ExprKind::Call:
        out.append(NameOf(e->entry)).append("[");
        for (int i = 0; i < e->count; ++i) {
            if (i > 0) out += ',';
            RenderTree(e->args[static_cast<std::size_t>(i)], out);
        }
        out += ']';
        break;
    }
}

void RenderTarget(const Target& t, char which, std::string& out) {
    if (t.kind == TargetKind::None) return;
    out.append(" ").append(1, which).append("(");
    if (t.kind == TargetKind::Special)
        out += static_cast<char>(t.special);
    else
        RenderTree(t.expression, out);
    out += ')';
}

void RenderStatement(int number, const Stmt& s, std::string& out) {
    out.append(std::to_string(number)).append(" [").append(NameOf(s.label)).append("] ");
    out += static_cast<char>('0' + static_cast<int>(s.kind));
    for (const Expr* part : {s.subject, s.pattern, s.object}) {
        out += ' ';
        RenderTree(part, out);
    }
    RenderTarget(s.gotos.unconditional, 'U', out);
    RenderTarget(s.gotos.success, 'S', out);
    RenderTarget(s.gotos.failure, 'F', out);
    out += '\n';
}

// Reads the statement table and the places while the run lives.
class TableReader {
public:
    explicit TableReader(Analysis& result) : result_(result) {
        for (const PlacedNode& p : Translation().places.nodes)
            places_.emplace(p.node, p.span);
    }

    void Read() {
        const Program& program = TheProgram();
        for (const PlacedStatement& placed : Translation().places.statements) {
            const Stmt& s = *program.statements[static_cast<std::size_t>(placed.position)];
            ReadStatement(placed, s);
            RenderStatement(placed.position, s, result_.shape);
        }
        if (program.endLabel != nullptr && Translation().places.endLabel) {
            result_.occurrences.push_back(
                {Role::LabelUse, NameOf(program.endLabel), *Translation().places.endLabel});
            result_.shape.append("END ").append(NameOf(program.endLabel)).append("\n");
        }
        for (const auto& [call, statement] : defines_)
            ReadDefine(*call, statement);
        NameFunctions();
    }

private:
    SourceSpan PlaceOf(const Expr* e) const {
        const auto found = places_.find(e);
        return found != places_.end() ? found->second : SourceSpan{};
    }

    void ReadStatement(const PlacedStatement& placed, const Stmt& s) {
        result_.statements.push_back({placed.position, placed.first.from.line, NameOf(s.label)});
        if (s.label != nullptr)
            result_.occurrences.push_back({Role::LabelDefinition, NameOf(s.label), placed.first});
        for (const Expr* part : {s.subject, s.pattern, s.object})
            Walk(part, placed.position);
        for (const Target* t : {&s.gotos.unconditional, &s.gotos.success, &s.gotos.failure}) {
            if (t->kind != TargetKind::Computed || t->expression == nullptr) continue;
            const Expr* e = t->expression;
            if (e->kind == ExprKind::Identifier && e->entry != nullptr)
                result_.occurrences.push_back({Role::LabelUse, NameOf(e->entry), PlaceOf(e)});
            else
                Walk(e, placed.position);
        }
    }

    // Every call and name of an expression, without recursion.
    void Walk(const Expr* root, int statement) {
        std::vector<const Expr*> work{root};
        while (!work.empty()) {
            const Expr* e = work.back();
            work.pop_back();
            if (e == nullptr) continue;
            switch (e->kind) {
            case ExprKind::Call:
                if (e->entry != nullptr) {
                    result_.calls.push_back({NameOf(e->entry), e->count, PlaceOf(e)});
                    if (e->entry->name == "DEFINE") defines_.emplace_back(e, statement);
                }
                for (int i = e->count - 1; i >= 0; --i)
                    work.push_back(e->args[static_cast<std::size_t>(i)]);
                break;
            case ExprKind::Identifier:
                if (e->entry != nullptr) names_.push_back({NameOf(e->entry), PlaceOf(e)});
                break;
            case ExprKind::Unary:
            case ExprKind::Binary:
                work.push_back(e->right);
                work.push_back(e->left);
                break;
            case ExprKind::Integer:
            case ExprKind::Literal:
                break;
            }
        }
    }

    static const Expr* LiteralArgument(const Expr& call, int index) {
        if (call.count <= index) return nullptr;
        const Expr* e = call.args[static_cast<std::size_t>(index)];
        return e != nullptr && e->kind == ExprKind::Literal && e->entry != nullptr ? e : nullptr;
    }

    // DEFINE('NAME(PARAMETERS)LOCALS', 'LABEL') with literal arguments.
    void ReadDefine(const Expr& call, int statement) {
        const Expr* prototype = LiteralArgument(call, 0);
        if (prototype == nullptr) {
            result_.dynamicDefine = true;
            return;
        }
        const std::string text(prototype->entry->name);
        const std::optional<Prototype> parsed = ParsePrototype(text);
        if (!parsed) return; // DEFINE will report it when it runs
        Function f;
        f.name = std::string(parsed->name);
        for (std::string_view p : parsed->parameters)
            f.parameters.emplace_back(p);
        for (std::string_view l : parsed->locals)
            f.locals.emplace_back(l);
        f.prototype = text;
        f.statement = statement;
        f.nameSpan = InsideLiteral(PlaceOf(prototype), 0, f.name.size());
        result_.occurrences.push_back({Role::FunctionDefinition, f.name, f.nameSpan});
        if (const Expr* label = LiteralArgument(call, 1)) {
            f.entryLabel = NameOf(label->entry);
            f.entrySpan = InsideLiteral(PlaceOf(label), 0, f.entryLabel.size());
            if (IsName(f.entryLabel))
                result_.occurrences.push_back({Role::EntryLabel, f.entryLabel, f.entrySpan});
        }
        result_.functions.push_back(std::move(f));
    }

    // Calls of defined functions, and their names used as variables.
    void NameFunctions() {
        for (const Call& c : result_.calls)
            if (result_.FunctionNamed(c.name) != nullptr)
                result_.occurrences.push_back({Role::FunctionCall, c.name, c.span});
        for (const auto& [name, span] : names_) {
            if (result_.FunctionNamed(name) != nullptr)
                result_.occurrences.push_back({Role::FunctionVariable, name, span});
            result_.variables.push_back(name);
        }
        std::sort(result_.variables.begin(), result_.variables.end());
        result_.variables.erase(std::unique(result_.variables.begin(), result_.variables.end()),
                                result_.variables.end());
    }

    Analysis& result_;
    std::unordered_map<const Expr*, SourceSpan> places_;
    std::vector<std::pair<const Expr*, int>> defines_;
    std::vector<std::pair<std::string, SourceSpan>> names_;
};

bool Before(const Diagnostic& a, const Diagnostic& b) {
    return std::pair(a.span.from.line, a.span.from.column) <
           std::pair(b.span.from.line, b.span.from.column);
}

void Warn(std::vector<Diagnostic>& out, const SourceSpan& span, std::string message) {
    out.push_back({Diagnostic::Severity::Warning, span, std::move(message)});
}

std::string Plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Warnings a reader wants that translation does not give. Those that need
// every label and DEFINE of the text wait until every statement parses.
void AddWarnings(Analysis& a) {
    std::vector<Diagnostic> warnings;
    if (a.complete) {
        for (const Occurrence& o : a.occurrences)
            if (o.role == Role::LabelUse && a.LabelNamed(o.name) == nullptr)
                Warn(warnings, o.span, "No statement has the label " + o.name);
        for (const Function& f : a.functions) {
            if (!f.entryLabel.empty() && a.LabelNamed(f.entryLabel) == nullptr)
                Warn(warnings, f.entrySpan,
                     "DEFINE names the entry label " + f.entryLabel + ", which no statement has");
        }
    }
    if (!a.dynamicDefine) {
        for (const Call& c : a.calls) {
            if (a.FunctionNamed(c.name) != nullptr) continue;
            const words::PrimitiveWord* p = words::FindPrimitive(c.name);
            if (p == nullptr && a.complete)
                Warn(warnings, c.span,
                     c.name + " is neither a primitive nor defined by a DEFINE in this file");
            else if (p != nullptr && p->arity >= 0 && p->arity != c.arguments)
                Warn(warnings, c.span,
                     c.name + " takes " + Plural(p->arity, "argument", "arguments") + ", not " +
                         std::to_string(c.arguments));
        }
    }
    std::stable_sort(warnings.begin(), warnings.end(), Before);
    a.diagnostics.insert(a.diagnostics.end(), warnings.begin(), warnings.end());
}

bool IsPrototypeName(std::string_view name) {
    if (name.empty() || name[0] < 'A' || name[0] > 'Z') return false;
    return std::all_of(name.begin() + 1, name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
    });
}

// A comma-separated list of names, at most `most` of them.
bool SplitNames(std::string_view list, std::size_t most, std::vector<std::string_view>& out) {
    if (list.empty()) return true;
    for (;;) {
        const std::size_t comma = list.find(',');
        const std::string_view piece = list.substr(0, comma);
        if (out.size() == most || !IsPrototypeName(piece)) return false;
        out.push_back(piece);
        if (comma == std::string_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
}

} // namespace

const Statement* Analysis::LabelNamed(std::string_view name) const {
    for (const Statement& s : statements)
        if (!s.label.empty() && s.label == name) return &s;
    return nullptr;
}

const Function* Analysis::FunctionNamed(std::string_view name) const {
    for (const Function& f : functions)
        if (f.name == name) return &f;
    return nullptr;
}

Analysis Analyze(std::string_view text) {
    Analysis result;
    const RunObject run;
    Collector collector(result.diagnostics);
    result.ended = TranslateText(text, collector);
    result.complete = result.ended && Translation().places.everyStatementParsed;
    TableReader(result).Read();
    AddWarnings(result);
    return result;
}

std::optional<Prototype> ParsePrototype(std::string_view text) {
    const std::size_t open = text.rfind('(');
    if (open == std::string_view::npos || open == 0 || !IsPrototypeName(text.substr(0, open)))
        return std::nullopt;
    const std::size_t close = text.rfind(')');
    if (close == std::string_view::npos || close < open) return std::nullopt;
    Prototype p;
    p.name = text.substr(0, open);
    if (!SplitNames(text.substr(open + 1, close - open - 1), kMaxParameters, p.parameters) ||
        !SplitNames(text.substr(close + 1), kMaxLocals, p.locals))
        return std::nullopt;
    return p;
}

bool IsName(std::string_view text) {
    return !text.empty() && IsLetter(text[0]) &&
           std::all_of(text.begin() + 1, text.end(), [](char c) { return IsNameChar(c); });
}

bool IsReserved(std::string_view name) {
    const std::string folded = UpperCased(name);
    return folded == "S" || folded == "F" || folded == "END" || folded == "RETURN" ||
           folded == "FRETURN";
}

} // namespace vantel::analysis
