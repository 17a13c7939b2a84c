#include "program_generator.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

namespace fuzz {

namespace {

// ---- Choices --------------------------------------------------------------------------

// The bytes one by one, then a splitmix64 sequence seeded by all of them.
class Choices {
public:
    explicit Choices(std::span<const std::uint8_t> bytes) : bytes_(bytes), state_(Hash(bytes)) {}

    // A number below count (0 when count is 0 or 1).
    unsigned Below(unsigned count) {
        if (count <= 1) return 0;
        unsigned raw = NextByte();
        if (count > 256) raw = raw << 8 | NextByte();
        return raw % count;
    }
    bool OneIn(unsigned n) { return Below(n) == 0; }
    // An index into weights, each as likely as its weight.
    std::size_t Weighted(std::initializer_list<unsigned> weights) {
        unsigned total = 0;
        for (const unsigned weight : weights)
            total += weight;
        unsigned pick = Below(total);
        std::size_t index = 0;
        for (const unsigned weight : weights) {
            if (pick < weight) return index;
            pick -= weight;
            ++index;
        }
        return 0;
    }
    template <typename Item, std::size_t count>
    const Item& Among(const std::array<Item, count>& items) {
        return items[Below(count)];
    }

private:
    static std::uint64_t Hash(std::span<const std::uint8_t> bytes) {
        std::uint64_t hash = 0xcbf29ce484222325; // FNV-1a
        for (const std::uint8_t byte : bytes)
            hash = (hash ^ byte) * 0x100000001b3;
        return hash;
    }
    std::uint8_t NextByte() {
        if (next_ < bytes_.size()) return bytes_[next_++];
        state_ += 0x9e3779b97f4a7c15;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return static_cast<std::uint8_t>(z ^ (z >> 31));
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t next_ = 0;
    std::uint64_t state_;
};

// ---- Names ----------------------------------------------------------------------------

enum class Kind { Integer, String, Pattern, Any };
constexpr std::size_t kKinds = 4;

// Variables by the kind of value the generator gives them (null aside: a
// local starts null). Variables of any kind are what computed names designate.
constexpr std::array<std::string_view, 2> kIntegerNames = {"N", "M"};
constexpr std::array<std::string_view, 3> kStringNames = {"T", "W", "STR"};
constexpr std::array<std::string_view, 3> kPatternNames = {"P", "Q", "PAT"};
constexpr std::array<std::string_view, 3> kAnyNames = {"A", "B", "C"};
// Loop counters, assigned by their loops alone, so that every loop ends;
// loops nest two deep.
constexpr int kMaxLoops = 2;
constexpr std::array<std::string_view, kMaxLoops> kCounters = {"I1", "I2"};
// Holders of names: $K is an integer variable, $Z a string one, $V a pattern
// one, $X and $Y one of any kind.
constexpr std::array<std::string_view, kKinds> kHolders = {"K", "Z", "V", "X"};
// Never assigned: the null operand of P = U P.
constexpr std::string_view kUnset = "U";

// Primitives a program may define over, each with its prototype and the two
// results its body may give (the object of "NAME = ", or for a predicate the
// test whose success or failure it returns). The results call no function
// that may be defined over, so an override never reaches itself.
struct Override {
    std::string_view prototype;
    std::array<std::string_view, 2> results;
    bool predicate; // the body succeeds or fails instead of giving a value
};
constexpr std::array<Override, 8> kOverrides = {{
    {"SIZE(T)", {"3", "(N + 1)"}, false},
    {"TRIM(T)", {"T 'x'", "'t'"}, false},
    {"DUPL(T,N)", {"T T", "N"}, false},
    {"REMDR(N,M)", {"N", "7"}, false},
    {"LEN(N)", {"'a' | 'b'", "''"}, false},
    {"ANY(T)", {"(T | 'b')", "'1'"}, false},
    {"GT(N,M)", {"LT(M, N)", "EQ(N, M)"}, true},
    {"IDENT(A,B)", {"DIFFER(A, B)", "EQ(0, 0)"}, true},
}};

constexpr std::string_view kAlphabet = "aab1 .xA";

// ---- The program being made -----------------------------------------------------------

struct Line {
    std::string label;
    std::string body;
    std::string gotos;
};

// A function the program defines: one of its own or a primitive's name.
struct Function {
    std::string name;
    std::vector<Kind> parameters;
    Kind result = Kind::Integer;
    // Each body has its own prototype (other parameter names and locals, the
    // same kinds) and entry label; DEFINE switches between them.
    std::vector<std::string> prototypes;
    std::vector<std::string> labels;
    const Override* overrides = nullptr;
    bool definedAtStart = true;
};

constexpr unsigned kRunStackSlots = 50;

// The remainder of a counter (never negative) by a divisor, in arithmetic:
// REMDR may be defined over, and a transfer must find its label.
std::string Remainder(const std::string& counter, unsigned divisor) {
    const std::string d = std::to_string(divisor);
    return "(" + counter + " - " + d + " * (" + counter + " / " + d + "))";
}

class Generator {
public:
    Generator(std::span<const std::uint8_t> bytes, const GeneratorOptions& options)
        : c_(bytes), options_(options) {}

    std::string Program();

private:
    // Statements.
    void Init();
    void DeclareFunctions();
    void Bodies();
    void Body(Function& function, std::size_t variant);
    void Blocks(int depth, int most);
    void Block(int depth);
    void Simple(int depth);
    void TypedAssignment(Kind kind, int depth);
    void SelfAssignment(Kind kind, const std::string& target);
    void AnyAssignment(int depth);
    void Match(int depth, std::string gotos = {});
    void Replacement(int depth);
    void Output(int depth);
    void Loop(int depth);
    void KindCycle();
    void Conditional(int depth);
    void JumpTable(int depth);
    void Files();
    void Define();
    void Keyword();
    void Limit();
    void Emit(std::string body, std::string gotos = {}, std::string label = {});
    void EmitLabel(std::string label);

    // Expressions by kind; compound ones come in parentheses, so every one
    // can stand as an operand, a subject or the operand of a unary operator.
    std::string Of(Kind kind, int depth);
    std::string Integer(int depth);
    std::string IntegerOperand(int depth);
    std::string IntegerLeaf();
    std::string SmallInteger(int depth);
    std::string NonZero();
    std::string String(int depth);
    std::string StringLeaf();
    std::string NonNullString(int depth);
    std::string Literal();
    std::string Pattern(int depth);
    std::string PatternLeaf(int depth);
    std::string PatternSequence(int depth);
    std::string AnyValue(int depth);
    std::string Predicate(int depth);
    std::string Call(Kind result, int depth);
    std::string Read(Kind kind);
    std::string Target(Kind kind);
    std::string CaptureTarget();
    std::string CursorTarget();
    std::string AnyName();
    std::string Negated(const std::string& operand);
    std::string NewLabel(std::string_view stem);
    std::string_view Name(Kind kind);
    std::string CounterInUse();
    // The greatest N for which REC(N) fits the run stack: one call takes a
    // slot for REC, one for N and one for its local.
    unsigned DeepestRecursion() const { return kRunStackSlots / (recursionLocal_ ? 3 : 2) - 1; }

    Choices c_;
    GeneratorOptions options_;
    std::vector<Line> lines_;
    std::vector<Function> functions_;
    std::size_t callable_ = 0; // functions [0, callable_) may be called here
    int labels_ = 0;
    int loops_ = 0;
    bool outputFile_ = false;
    bool inputFile_ = false;
    bool hasRecursion_ = false;
    bool recursionLocal_ = false; // REC(N)L1: three run-stack slots a call
    // While an object is made without the target's kind of variable (self
    // operands off).
    std::array<bool, kKinds> excluded_{};
};

std::string Quoted(std::string_view text) {
    const char quote = text.find('\'') == std::string_view::npos ? '\'' : '"';
    return quote + std::string(text) + quote;
}

// Cards hold 160 characters: a long statement goes on continuation cards,
// broken at a blank outside a literal (a blank more or less between tokens
// changes nothing).
void AppendCards(std::string& text, const Line& line) {
    constexpr std::size_t kWidth = 150;
    std::string card = line.label;
    if (!line.body.empty()) card += " " + line.body;
    if (!line.gotos.empty()) card += " " + line.gotos;
    std::size_t start = 0;
    while (card.size() - start > kWidth) {
        std::size_t cut = std::string::npos;
        char quote = 0;
        for (std::size_t i = start; i < start + kWidth; ++i) {
            const char ch = card[i];
            if (quote != 0) {
                if (ch == quote) quote = 0;
            } else if (ch == '\'' || ch == '"') {
                quote = ch;
            } else if (ch == ' ' && i > start) {
                cut = i;
            }
        }
        if (cut == std::string::npos) break;
        text.append(card, start, cut - start);
        text += "\n+";
        start = cut;
    }
    text.append(card, start);
    text += "\n";
}

std::string Generator::NewLabel(std::string_view stem) {
    return std::string(stem) + std::to_string(++labels_);
}

void Generator::Emit(std::string body, std::string gotos, std::string label) {
    lines_.push_back(Line{std::move(label), std::move(body), std::move(gotos)});
}

// A statement of the label alone, which the next transfer reaches.
void Generator::EmitLabel(std::string label) {
    Emit({}, {}, std::move(label));
}

std::string_view Generator::Name(Kind kind) {
    switch (kind) {
    case Kind::Integer:
        return c_.Among(kIntegerNames);
    case Kind::String:
        return c_.Among(kStringNames);
    case Kind::Pattern:
        return c_.Among(kPatternNames);
    case Kind::Any:
        return c_.Among(kAnyNames);
    }
    return kUnset;
}

std::string Generator::CounterInUse() {
    if (loops_ == 0) return std::string(kCounters[0]);
    return std::string(kCounters[c_.Below(static_cast<unsigned>(loops_))]);
}

// ---- Expressions ----------------------------------------------------------------------

std::string Generator::Of(Kind kind, int depth) {
    switch (kind) {
    case Kind::Integer:
        return Integer(depth);
    case Kind::String:
        return String(depth);
    case Kind::Pattern:
        return Pattern(depth);
    case Kind::Any:
        return AnyValue(depth);
    }
    return {};
}

// A variable of the kind as an operand: by name, by a constant computed name,
// or through the kind's holder of names.
std::string Generator::Read(Kind kind) {
    if (excluded_[static_cast<std::size_t>(kind)]) return {};
    const std::string name(Name(kind));
    switch (c_.Weighted({6, 1, 2, 1})) {
    case 0:
        return name;
    case 1:
        return "$" + Quoted(name);
    case 2:
        return "$" + std::string(kHolders[static_cast<std::size_t>(kind)]);
    default:
        if (kind == Kind::Any) return "$(" + AnyName() + ")";
        return name;
    }
}

// An assignment target of the kind.
std::string Generator::Target(Kind kind) {
    const std::string name(Name(kind));
    switch (c_.Weighted({6, 1, 2, 1})) {
    case 0:
        return name;
    case 1:
        return "$" + Quoted(name);
    case 2:
        return "$" + std::string(kHolders[static_cast<std::size_t>(kind)]);
    default:
        return kind == Kind::Any ? "$(" + AnyName() + ")" : name;
    }
}

// An expression giving the name of a variable of any kind.
std::string Generator::AnyName() {
    switch (c_.Weighted({3, 2, 1, 1})) {
    case 0:
        return Quoted(c_.Among(kAnyNames));
    case 1:
        return c_.OneIn(2) ? "X" : "Y";
    case 2:
        return "('C' " + CounterInUse() + ")";
    default:
        return "(" + Quoted(c_.Among(kAnyNames)) + " 'D')";
    }
}

// What . and $ assign a captured text to.
std::string Generator::CaptureTarget() {
    switch (c_.Weighted({4, 4, 3, 2, 1})) {
    case 0:
        return std::string(c_.Among(kStringNames));
    case 1:
        return std::string(c_.Among(kAnyNames));
    case 2:
        return "$" + std::string(c_.OneIn(3) ? "Z" : c_.OneIn(2) ? "X" : "Y");
    case 3:
        return "$(" + AnyName() + ")";
    default:
        return "OUTPUT";
    }
}

// What @ assigns a cursor to (an integer fits integer and any variables).
std::string Generator::CursorTarget() {
    switch (c_.Weighted({3, 3, 3, 1})) {
    case 0:
        return std::string(c_.Among(kIntegerNames));
    case 1:
        return std::string(c_.Among(kAnyNames));
    case 2:
        return "($" + std::string(c_.OneIn(2) ? "X" : "Y") + ")";
    default:
        return "($K)";
    }
}

std::string Generator::Literal() {
    std::string text;
    const unsigned length = c_.Weighted({1, 3, 4, 2, 1});
    for (unsigned i = 0; i < length; ++i)
        text.push_back(kAlphabet[c_.Below(static_cast<unsigned>(kAlphabet.size()))]);
    if (c_.OneIn(12)) return '"' + text + "'\""; // the other quote inside
    return Quoted(text);
}

std::string Generator::Negated(const std::string& operand) {
    // A unary operator applies to a primary: a name, a number, a literal, a
    // call or a parenthesised expression, but not another unary operation.
    const char first = operand.empty() ? ' ' : operand.front();
    if (first == '$' || first == '-' || first == '+' || first == '@' || first == '&')
        return "-(" + operand + ")";
    return "-" + operand;
}

std::string Generator::IntegerLeaf() {
    static constexpr std::array<std::string_view, 6> kBig = {
        "2147483647", "2147483648", "65536", "100000", "1000", "4294967295"};
    switch (c_.Weighted({6, 4, 2, 1})) {
    case 0:
        return std::to_string(c_.Below(10));
    case 1: {
        std::string name = Read(Kind::Integer);
        return name.empty() ? std::to_string(c_.Below(10)) : name;
    }
    case 2:
        return CounterInUse();
    default:
        return std::string(c_.Among(kBig));
    }
}

// An operand of arithmetic, where a keyword converts to its number.
std::string Generator::IntegerOperand(int depth) {
    static constexpr std::array<std::string_view, 5> kKeywords = {"&STCOUNT", "&STNO", "&ANCHOR",
                                                                  "&TRACE", "&STFCOUNT"};
    if (c_.OneIn(14)) return std::string(c_.Among(kKeywords));
    return Integer(depth);
}

std::string Generator::NonZero() {
    const unsigned value = 1 + c_.Below(9);
    return c_.OneIn(5) ? "-" + std::to_string(value) : std::to_string(value);
}

std::string Generator::Integer(int depth) {
    if (depth <= 0) return IntegerLeaf();
    static constexpr std::array<std::string_view, 3> kOperators = {"+", "-", "*"};
    static constexpr std::array<std::string_view, 7> kNumerals = {
        "'12'", "' 7'", "'-3'", "'$1F'", "'0x10'", "'x7fffffff'", "''"};
    switch (c_.Weighted({6, 5, 2, 2, 2, 1, 2, 2, 1, 1})) {
    case 0:
        return IntegerLeaf();
    case 1:
        return "(" + IntegerOperand(depth - 1) + " " + std::string(c_.Among(kOperators)) + " " +
               IntegerOperand(depth - 1) + ")";
    case 2:
        return "(" + IntegerOperand(depth - 1) + " / " + NonZero() + ")";
    case 3:
        return "SIZE(" + String(depth - 1) + ")";
    case 4:
        return "REMDR(" + Integer(depth - 1) + ", " + NonZero() + ")";
    case 5:
        return Negated(Integer(depth - 1));
    case 6:
        return "(" + Predicate(depth - 1) + " " + Integer(depth - 1) + ")";
    case 7:
        return Call(Kind::Integer, depth - 1);
    case 8:
        return "+" + std::string(c_.Among(kNumerals));
    default: // may divide by zero: the run ends the same both ways
        return c_.OneIn(6) ? "(" + IntegerLeaf() + " / " + IntegerLeaf() + ")" : IntegerLeaf();
    }
}

// A small number that is never negative: the argument of LEN, POS, DUPL.
std::string Generator::SmallInteger(int depth) {
    switch (c_.Weighted({6, 2, 2, 1})) {
    case 0:
        return std::to_string(c_.Below(5));
    case 1:
        return CounterInUse();
    case 2:
        return "SIZE(" + String(depth - 1) + ")";
    default:
        return "REMDR(SIZE(" + StringLeaf() + "), 3)";
    }
}

std::string Generator::StringLeaf() {
    switch (c_.Weighted({5, 4, 1, 1})) {
    case 0:
        return Literal();
    case 1: {
        std::string name = Read(Kind::String);
        return name.empty() ? Literal() : name;
    }
    case 2:
        return c_.OneIn(3) ? "Z" : c_.OneIn(2) ? "X" : "Y"; // a name, as a string
    // TRIM makes the alphabet a string: assigned as it is, the keyword's
    // value would make the variable its alias.
    default:
        return c_.OneIn(6) ? "TRIM(&ALPHABET)" : Literal();
    }
}

std::string Generator::String(int depth) {
    if (depth <= 0) return StringLeaf();
    switch (c_.Weighted({6, 4, 1, 1, 1, 1, 1, 1})) {
    case 0:
        return StringLeaf();
    case 1: {
        const std::string right = c_.OneIn(4) ? Integer(depth - 1) : String(depth - 1);
        return "(" + String(depth - 1) + " " + right + ")";
    }
    case 2:
        return "TRIM(" + String(depth - 1) + ")";
    case 3:
        return "DUPL(" + String(depth - 1) + ", " + std::to_string(c_.Below(4)) + ")";
    case 4:
        return "(" + Predicate(depth - 1) + " " + String(depth - 1) + ")";
    case 5:
        return Call(Kind::String, depth - 1);
    case 6:
        return inputFile_ && c_.OneIn(2) ? "IF" : c_.OneIn(3) ? "INPUT" : Literal();
    default:
        return Integer(depth - 1); // converts where a string is needed
    }
}

// A string that is never null: the argument of ANY, SPAN, BREAK, NOTANY.
std::string Generator::NonNullString(int depth) {
    if (c_.OneIn(3)) return "(" + String(depth - 1) + " 'a')";
    std::string text = Literal();
    return text.size() > 2 ? text : "'ab'";
}

std::string Generator::PatternLeaf(int depth) {
    static constexpr std::array<std::string_view, 5> kPositions = {"LEN", "POS", "TAB", "RPOS",
                                                                   "RTAB"};
    static constexpr std::array<std::string_view, 4> kClasses = {"ANY", "NOTANY", "SPAN", "BREAK"};
    switch (c_.Weighted({5, 4, 1, 3, 2, 1})) {
    case 0:
        return std::string(c_.Among(kPositions)) + "(" + SmallInteger(depth) + ")";
    case 1:
        return std::string(c_.Among(kClasses)) + "(" + NonNullString(depth) + ")";
    case 2:
        return "ARB";
    case 3: {
        std::string name = Read(Kind::Pattern);
        return name.empty() ? "LEN(1)" : name;
    }
    case 4:
        return "@" + CursorTarget();
    default:
        return "@($" + std::string(c_.OneIn(2) ? "X" : "Y") + ")";
    }
}

std::string Generator::Pattern(int depth) {
    if (depth <= 0) return PatternLeaf(0);
    switch (c_.Weighted({5, 4, 2, 2, 1, 1, 1, 1, 1})) {
    case 0:
        return PatternLeaf(depth);
    case 1: {
        const std::size_t other = c_.Weighted({4, 2, 1});
        const std::string right = other == 0   ? Pattern(depth - 1)
                                  : other == 1 ? StringLeaf()
                                               : AnyValue(depth - 1);
        return "(" + Pattern(depth - 1) + " " + right + ")";
    }
    case 2: {
        const std::string right = c_.OneIn(3) ? StringLeaf() : Pattern(depth - 1);
        return "(" + Pattern(depth - 1) + " | " + right + ")";
    }
    case 3:
        return "(" + Pattern(depth - 1) + " . " + CaptureTarget() + ")";
    case 4:
        return "(" + Pattern(depth - 1) + " $ " + CaptureTarget() + ")";
    case 5:
        return "ARBNO(" + Pattern(depth - 1) + ")";
    case 6:
        return "(" + Predicate(depth - 1) + " " + Pattern(depth - 1) + ")";
    case 7:
        return Call(Kind::Pattern, depth - 1);
    default:
        return "(" + StringLeaf() + " " + Pattern(depth - 1) + ")";
    }
}

// The pattern of a match or replacement: elements side by side, as written.
std::string Generator::PatternSequence(int depth) {
    std::string sequence;
    const unsigned count = 1 + c_.Weighted({3, 3, 2});
    for (unsigned i = 0; i < count; ++i) {
        if (i > 0) sequence += " ";
        switch (c_.Weighted({5, 2, 2})) {
        case 0:
            sequence += Pattern(depth);
            break;
        case 1:
            sequence += StringLeaf();
            break;
        default: {
            const std::string name = Read(Kind::Any);
            sequence += name.empty() ? PatternLeaf(0) : name;
        }
        }
    }
    return sequence;
}

std::string Generator::AnyValue(int depth) {
    switch (c_.Weighted({2, 2, 3, 3, 1})) {
    case 0:
        return Integer(depth);
    case 1:
        return String(depth);
    case 2:
        return Pattern(depth);
    case 3: {
        const std::string name = Read(Kind::Any);
        return name.empty() ? "''" : name;
    }
    default:
        return "''";
    }
}

std::string Generator::Predicate(int depth) {
    static constexpr std::array<std::string_view, 6> kComparisons = {"LT", "LE", "EQ",
                                                                     "NE", "GE", "GT"};
    if (c_.OneIn(4)) {
        const std::string name = c_.OneIn(2) ? "IDENT" : "DIFFER";
        if (c_.OneIn(8)) return name + "(" + AnyValue(depth) + ",)";
        return name + "(" + AnyValue(depth) + ", " + AnyValue(depth) + ")";
    }
    const std::string_view name = c_.Among(kComparisons);
    // A comparison takes any count; one a program may define over takes two.
    if ((name == "LT" || name == "LE") && c_.OneIn(8))
        return std::string(name) + (c_.OneIn(2) ? "()" : "(" + Integer(depth) + ")");
    return std::string(name) + "(" + IntegerOperand(depth) + ", " + IntegerOperand(depth) + ")";
}

// A call of one of the program's functions giving the kind, or an expression
// of the kind when there is none.
std::string Generator::Call(Kind result, int depth) {
    std::vector<const Function*> candidates;
    for (std::size_t i = 0; i < callable_; ++i)
        if (functions_[i].result == result && functions_[i].overrides == nullptr)
            candidates.push_back(&functions_[i]);
    if (candidates.empty()) return result == Kind::Pattern ? PatternLeaf(depth) : Of(result, 0);
    const Function& function = *candidates[c_.Below(static_cast<unsigned>(candidates.size()))];
    std::string call = function.name + "(";
    for (std::size_t i = 0; i < function.parameters.size(); ++i)
        call += (i > 0 ? ", " : "") + Of(function.parameters[i], depth);
    return call + ")";
}

// ---- Statements -----------------------------------------------------------------------

void Generator::Init() {
    if (!c_.OneIn(7)) Emit("&DUMP = 1");
    if (c_.OneIn(10)) Emit("&ANCHOR = 0");
    // The holders of names first: every computed name has a value to read.
    Emit("K = " + Quoted(c_.Among(kIntegerNames)));
    Emit("Z = " + Quoted(c_.Among(kStringNames)));
    Emit("V = " + Quoted(c_.Among(kPatternNames)));
    Emit("X = " + Quoted(c_.Among(kAnyNames)));
    Emit("Y = " + Quoted(c_.Among(kAnyNames)));
    for (const std::string_view name : kIntegerNames)
        Emit(std::string(name) + " = " + Integer(1));
    for (const std::string_view name : kStringNames)
        if (!c_.OneIn(5)) Emit(std::string(name) + " = " + String(1));
    for (const std::string_view name : kPatternNames)
        if (!c_.OneIn(5)) Emit(std::string(name) + " = " + Pattern(c_.Below(3)));
    for (const std::string_view name : kAnyNames)
        if (c_.OneIn(2)) Emit(std::string(name) + " = " + AnyValue(1));
}

// Picks the functions: a few of the program's own (each body calling only
// those before it, so that only REC recurses), the recursive REC, and
// primitives defined over.
void Generator::DeclareFunctions() {
    const unsigned own = c_.Weighted({2, 3, 3, 2});
    static constexpr std::array<Kind, 3> kResults = {Kind::Integer, Kind::String, Kind::Pattern};
    for (unsigned f = 1; f <= own; ++f) {
        Function function;
        function.name = "F" + std::to_string(f);
        function.result = c_.Among(kResults);
        const unsigned parameters = c_.Weighted({2, 3, 2, 1});
        for (unsigned p = 0; p < parameters; ++p)
            function.parameters.push_back(c_.Among(kResults));
        const unsigned variants = 1 + c_.Weighted({3, 2});
        for (unsigned v = 0; v < variants; ++v) {
            // Parameter names of the parameter's kind where one is free, so
            // that a call hides a global of that kind; locals of any name.
            std::vector<std::string> used;
            auto unused = [&](Kind kind) {
                for (int attempt = 0; attempt < 4; ++attempt) {
                    std::string name(Name(kind));
                    bool taken = false;
                    for (const std::string& other : used)
                        taken = taken || other == name;
                    if (!taken) return name;
                }
                return std::string{};
            };
            std::string prototype = function.name + "(";
            for (std::size_t p = 0; p < function.parameters.size(); ++p) {
                std::string name = unused(function.parameters[p]);
                if (name.empty()) name = "ARG" + std::to_string(p);
                used.push_back(name);
                prototype += (p > 0 ? "," : "") + name;
            }
            prototype += ")";
            const unsigned locals = c_.Weighted({3, 2, 1});
            static constexpr std::array<Kind, 4> kAllKinds = {Kind::Integer, Kind::String,
                                                              Kind::Pattern, Kind::Any};
            for (unsigned l = 0; l < locals; ++l) {
                std::string name = unused(c_.Among(kAllKinds));
                if (name.empty()) continue;
                used.push_back(name);
                prototype += (l > 0 && prototype.back() != ')' ? "," : "") + name;
            }
            function.prototypes.push_back(prototype);
            function.labels.push_back(function.name + (v == 0 ? "" : "." + std::to_string(v)));
        }
        functions_.push_back(std::move(function));
    }
    hasRecursion_ = !c_.OneIn(3);
    recursionLocal_ = c_.OneIn(3);
    const unsigned overrides = c_.Weighted({4, 3, 1});
    for (unsigned o = 0; o < overrides; ++o) {
        const Override& override = c_.Among(kOverrides);
        const std::string_view prototype = override.prototype;
        const std::string name(prototype.substr(0, prototype.find('(')));
        bool taken = false;
        for (const Function& other : functions_)
            taken = taken || other.name == name;
        if (taken) continue;
        Function function;
        function.name = name;
        function.overrides = &override;
        function.prototypes.emplace_back(prototype);
        function.labels.push_back("OV." + name);
        function.definedAtStart = c_.OneIn(3);
        functions_.push_back(std::move(function));
    }
}

void Generator::Body(Function& function, std::size_t variant) {
    const std::string& label = function.labels[variant];
    if (function.overrides != nullptr) {
        const Override& override = *function.overrides;
        const std::string result(override.results[c_.Below(2)]);
        if (override.predicate)
            Emit(result, ":S(RETURN)F(FRETURN)", label);
        else
            Emit(function.name + " = " + result, ":(RETURN)", label);
        return;
    }
    EmitLabel(label);
    const unsigned statements = c_.Weighted({2, 3, 2, 1});
    for (unsigned s = 0; s < statements; ++s) {
        if (c_.OneIn(6)) {
            // Redefined while it runs: the next call takes another body, and
            // this call's parameters and locals come back as they were saved.
            const std::size_t other = c_.Below(static_cast<unsigned>(function.prototypes.size()));
            Emit("DEFINE(" + Quoted(function.prototypes[other]) + ", " +
                 Quoted(function.labels[other]) + ")");
            continue;
        }
        Simple(2);
    }
    const std::string result = Of(function.result, 2);
    if (c_.OneIn(4))
        Emit(function.name + " = (" + Predicate(1) + " " + result + ")", ":S(RETURN)F(FRETURN)");
    else
        Emit(function.name + " = " + result, ":(RETURN)");
}

void Generator::Bodies() {
    for (std::size_t f = 0; f < functions_.size(); ++f) {
        callable_ = f;
        for (std::size_t v = 0; v < functions_[f].labels.size(); ++v)
            Body(functions_[f], v);
    }
    if (hasRecursion_) {
        Emit("REC = LE(N, 0) " + (c_.OneIn(2) ? std::string("0") : Integer(1)), ":S(RETURN)",
             "REC");
        if (recursionLocal_) Emit("L1 = N");
        Emit("REC = REC(N - 1) + 1", ":(RETURN)");
    }
    callable_ = 0;
    for (const Function& function : functions_)
        callable_ += function.overrides == nullptr ? 1 : 0;
}

void Generator::SelfAssignment(Kind kind, const std::string& target) {
    // The target read back in the object, alone or beside something that
    // leaves it as it is (null, a predicate) or extends it.
    const std::string self = target;
    switch (c_.Weighted({3, 3, 2, 2, 2, 3, 1})) {
    case 0:
        Emit(target + " = " + self);
        break;
    case 1:
        Emit(target + " = " + std::string(kUnset) + " " + self);
        break;
    case 2:
        Emit(target + " = '' " + self);
        break;
    case 3:
        Emit(target + " = " + self + " ''");
        break;
    case 4:
        Emit(target + " = " + Predicate(1) + " " + self);
        break;
    case 5:
        switch (kind) {
        case Kind::Integer:
            Emit(target + " = " + self + " + " + IntegerLeaf());
            break;
        case Kind::Pattern:
            Emit(target + " = " +
                 (c_.OneIn(2) ? PatternLeaf(1) + " " + self : self + " " + PatternLeaf(1)));
            break;
        case Kind::String:
            Emit(target + " = " +
                 (c_.OneIn(2) ? StringLeaf() + " " + self : self + " " + StringLeaf()));
            break;
        case Kind::Any:
            Emit(target + " = " + self + " " + AnyValue(1));
            break;
        }
        break;
    default:
        Emit(target + " = (" + self + ")");
        break;
    }
}

void Generator::TypedAssignment(Kind kind, int depth) {
    const std::string target = Target(kind);
    if (options_.selfOperands && c_.OneIn(4)) return SelfAssignment(kind, target);
    if (!options_.selfOperands) excluded_[static_cast<std::size_t>(kind)] = true;
    std::string object = Of(kind, depth);
    if (kind == Kind::Integer && options_.selfOperands && c_.OneIn(5)) // N = LT(N, 9) N + 1
        object = "LT(" + target + ", " + IntegerLeaf() + ") " + target + " + 1";
    excluded_ = {};
    Emit(target + " = " + object);
}

// An assignment of any value to a variable of any kind, often to a computed
// variable from an object whose leftmost part computes another variable.
void Generator::AnyAssignment(int depth) {
    const std::string target = Target(Kind::Any);
    if (options_.selfOperands && c_.OneIn(6)) return SelfAssignment(Kind::Any, target);
    if (!options_.selfOperands) excluded_[static_cast<std::size_t>(Kind::Any)] = true;
    std::string object;
    if (c_.OneIn(3)) {
        const std::string cursor = "@($" + std::string(c_.OneIn(2) ? "Y" : "X") + ")";
        switch (c_.Weighted({2, 2, 1, 1, 1})) {
        case 0:
            object = cursor;
            break;
        case 1:
            object = cursor + " " + PatternLeaf(1);
            break;
        case 2:
            object = "ARBNO(" + cursor + ")";
            break;
        case 3:
            object = cursor + " . " + CaptureTarget();
            break;
        default:
            object = "(" + cursor + " | " + PatternLeaf(1) + ")";
            break;
        }
    } else {
        object = AnyValue(depth);
    }
    excluded_ = {};
    Emit(target + " = " + object);
}

void Generator::Match(int depth, std::string gotos) {
    std::string subject;
    switch (c_.Weighted({4, 3, 1, 1})) {
    case 0:
        subject = Read(Kind::String);
        break;
    case 1:
        subject = String(depth - 1);
        break;
    case 2:
        subject = Integer(depth - 1);
        break;
    default:
        subject = c_.OneIn(4) ? "$X" : StringLeaf();
        break;
    }
    if (subject.empty()) subject = Literal();
    Emit(subject + " " + PatternSequence(depth), std::move(gotos));
}

void Generator::Replacement(int depth) {
    const std::string subject = Target(Kind::String);
    std::string pattern = PatternSequence(depth);
    if (options_.selfOperands && c_.OneIn(5)) // the subject captures a part of itself
        pattern = "(" + Pattern(depth - 1) + " . " + subject + ") " + pattern;
    std::string object;
    const std::size_t form =
        c_.Weighted({2, 4, options_.selfOperands ? 2u : 0u, options_.selfOperands ? 1u : 0u});
    switch (form) {
    case 0:
        break; // the matched part is deleted
    case 1:
        object = String(depth);
        break;
    case 2:
        object = subject;
        break; // the subject replaced by itself
    default:
        object = c_.OneIn(2) ? subject + " " + subject : StringLeaf() + " " + subject;
        break;
    }
    Emit(subject + " " + pattern + " =" + (object.empty() ? "" : " " + object));
}

void Generator::Output(int depth) {
    switch (c_.Weighted({4, 3, 2, 1, 1})) {
    case 0:
        Emit("OUTPUT = " + String(depth));
        break;
    case 1:
        Emit("OUTPUT = " + Integer(depth));
        break;
    case 2: {
        // Variables of any kind, by their identity rather than their text.
        const std::string a = Read(Kind::Any);
        const std::string b = Read(Kind::Any);
        Emit("OUTPUT = " + std::string(c_.OneIn(2) ? "IDENT(" : "DIFFER(") +
             (a.empty() ? "''" : a) + ", " + (b.empty() ? "''" : b) + ") " + Literal());
        break;
    }
    case 3:
        if (outputFile_) {
            Emit("OF = " + String(depth));
            break;
        }
        [[fallthrough]];
    default:
        Emit("OUTPUT = SIZE(" + Read(Kind::String) + ") ' ' " + Read(Kind::String));
        break;
    }
}

// A statement without a transfer.
void Generator::Simple(int depth) {
    static constexpr std::array<Kind, 3> kTyped = {Kind::Integer, Kind::String, Kind::Pattern};
    switch (c_.Weighted({7, 3, 3, 3, 3, 1, 1, 1})) {
    case 0:
        TypedAssignment(c_.Among(kTyped), depth);
        break;
    case 1:
        AnyAssignment(depth);
        break;
    case 2:
        Match(depth);
        break;
    case 3:
        Replacement(depth);
        break;
    case 4:
        Output(depth);
        break;
    case 5:
        Emit(c_.OneIn(3) ? Call(Kind::Integer, depth) : Predicate(depth));
        break;
    case 6:
        switch (c_.Below(3)) {
        case 0:
            Emit("X = " + AnyName());
            break;
        case 1:
            Emit("Z = " + Quoted(c_.Among(kStringNames)));
            break;
        default:
            Emit("V = " + Quoted(c_.Among(kPatternNames)));
            break;
        }
        break;
    default:
        if (c_.OneIn(4))
            Emit("DUMP(1)");
        else
            Keyword();
        break;
    }
}

void Generator::Keyword() {
    switch (c_.Weighted({3, 3, 2, 1, 1, 1, 1})) {
    case 0:
        Emit("&TRACE = " + std::to_string(c_.Below(40)));
        break;
    case 1:
        Emit("&FTRACE = " + std::to_string(c_.Below(40)));
        break;
    case 2:
        Emit("&ANCHOR = " + std::to_string(c_.Below(2)));
        break;
    case 3:
        Emit("&TRIM = " + std::to_string(c_.Below(2)));
        break;
    case 4:
        Emit("&CODE = " + Integer(1));
        break;
    case 5:
        Emit("&STLIMIT = &STCOUNT + " + std::to_string(20 + c_.Below(200)));
        break;
    default:
        // A keyword's value makes a variable its alias: A = &TRACE, A = 3.
        Emit(std::string(c_.Among(kAnyNames)) + " = " + (c_.OneIn(2) ? "&TRACE" : "&ANCHOR"));
        break;
    }
}

void Generator::Blocks(int depth, int most) {
    const int count = 1 + static_cast<int>(c_.Below(static_cast<unsigned>(most)));
    for (int i = 0; i < count; ++i)
        Block(depth);
}

void Generator::Block(int depth) {
    switch (c_.Weighted({8, depth > 0 && loops_ < kMaxLoops ? 3u : 0u, loops_ < kMaxLoops ? 2u : 0u,
                         depth > 0 ? 2u : 0u, 1, 1, 2, 1})) {
    case 0:
        Simple(3);
        break;
    case 1:
        Loop(depth);
        break;
    case 2:
        KindCycle();
        break;
    case 3:
        Conditional(depth);
        break;
    case 4:
        JumpTable(depth);
        break;
    case 5:
        if (hasRecursion_) {
            // Mostly deep, up to the last level the run stack holds (one
            // more is among the limits).
            const unsigned level = c_.OneIn(3) ? c_.Below(6) : DeepestRecursion() - 3 + c_.Below(4);
            Emit(std::string(c_.OneIn(2) ? "OUTPUT" : "N") + " = REC(" + std::to_string(level) +
                 ")");
        } else {
            Simple(2);
        }
        break;
    case 6:
        Files();
        break;
    default:
        Define();
        break;
    }
}

// A counted loop in one of the forms people write.
void Generator::Loop(int depth) {
    const std::string counter(kCounters[static_cast<std::size_t>(loops_)]);
    const std::string head = NewLabel("L");
    const std::string exit = NewLabel("E");
    const std::string limit = std::to_string(1 + c_.Below(5));
    Emit(counter + " = 0");
    const std::size_t form = c_.Below(3);
    if (form == 0) {
        Emit(counter + " = LT(" + counter + ", " + limit + ") " + counter + " + 1",
             ":F(" + exit + ")", head);
    } else if (form == 1) {
        Emit("GE(" + counter + ", " + limit + ")", ":S(" + exit + ")", head);
        Emit(counter + " = " + counter + " + 1");
    } else {
        EmitLabel(head);
    }
    ++loops_;
    Blocks(depth - 1, 3);
    --loops_;
    if (form == 2) {
        Emit(counter + " = " + counter + " + 1");
        Emit("LT(" + counter + ", " + limit + ")", ":S(" + head + ")");
    } else {
        Emit({}, ":(" + head + ")");
    }
    EmitLabel(exit);
}

// One match statement run several times while the variables of its pattern
// change kind (integer, string, pattern) from one run to the next, chosen by
// a computed goto.
void Generator::KindCycle() {
    const std::string counter(kCounters[static_cast<std::size_t>(loops_)]);
    const std::string head = NewLabel("L");
    const std::string exit = NewLabel("E");
    const std::string stem = NewLabel("K") + ".";
    const std::string join = NewLabel("J");
    Emit(counter + " = 0");
    Emit(counter + " = LT(" + counter + ", " + std::to_string(2 + c_.Below(4)) + ") " + counter +
             " + 1",
         ":F(" + exit + ")", head);
    ++loops_;
    const std::string changing = c_.OneIn(3) ? "$X" : std::string(c_.Among(kAnyNames));
    Emit({}, ":($(" + Quoted(stem) + " " + Remainder(counter, 3) + "))");
    static constexpr std::array<Kind, 3> kOrder = {Kind::Integer, Kind::String, Kind::Pattern};
    for (std::size_t k = 0; k < kOrder.size(); ++k) {
        std::string value = Of(kOrder[k], 1);
        if (kOrder[k] == Kind::Pattern && c_.OneIn(2)) value = "LEN(" + counter + ")";
        Emit(changing + " = " + value, k + 1 < kOrder.size() ? ":(" + join + ")" : "",
             stem + std::to_string(k));
    }
    EmitLabel(join);
    // The site: the changing variable as a leaf, beside others, or as the
    // subject's pattern whole.
    std::string pattern;
    switch (c_.Below(4)) {
    case 0:
        pattern = changing;
        break;
    case 1:
        pattern = PatternLeaf(1) + " " + changing;
        break;
    case 2:
        pattern = changing + " . " + CaptureTarget();
        break;
    default:
        pattern = "(" + changing + " | " + StringLeaf() + ") " + Read(Kind::Any);
        break;
    }
    const std::string subject = c_.OneIn(2) ? Read(Kind::String) : Literal();
    if (c_.OneIn(3))
        Emit(Target(Kind::String) + " " + pattern + " = " + String(1));
    else
        Emit((subject.empty() ? Literal() : subject) + " " + pattern);
    if (c_.OneIn(2)) Simple(2);
    --loops_;
    Emit({}, ":(" + head + ")");
    EmitLabel(exit);
}

void Generator::Conditional(int depth) {
    const std::string skip = NewLabel("SK");
    const std::string gotos = (c_.OneIn(2) ? ":S(" : ":F(") + skip + ")";
    if (c_.OneIn(2))
        Match(2, gotos);
    else
        Emit(Predicate(2), gotos);
    Blocks(depth - 1, 3);
    EmitLabel(skip);
}

// A computed goto to one of a few labels, all of which go on to one place.
void Generator::JumpTable(int depth) {
    const std::string stem = NewLabel("J") + ".";
    const std::string join = NewLabel("JE");
    const unsigned ways = 2 + c_.Below(2);
    std::string selector;
    if (c_.OneIn(2))
        selector = Remainder(CounterInUse(), ways);
    else
        selector = std::to_string(c_.Below(ways));
    if (c_.OneIn(2)) {
        Emit("G = " + Quoted(stem) + " " + selector);
        Emit({}, ":($G)");
    } else {
        Emit({}, ":($(" + Quoted(stem) + " " + selector + "))");
    }
    for (unsigned way = 0; way < ways; ++way) {
        EmitLabel(stem + std::to_string(way));
        Simple(depth);
        if (way + 1 < ways) Emit({}, ":(" + join + ")");
    }
    EmitLabel(join);
}

// Files of the scratch folder: written through OF, read through IF (the
// source itself among them).
void Generator::Files() {
    static constexpr std::array<std::string_view, 3> kWritten = {"f1.txt", "f2.txt", "f1.txt"};
    static constexpr std::array<std::string_view, 4> kRead = {"f1.txt", "f2.txt", "in.sno",
                                                              "none.txt"};
    switch (c_.Weighted({3, 3, 2, 1})) {
    case 0:
        Emit("OUTPUT(" + std::string(c_.OneIn(4) ? "('O' 'F')" : "'OF'") + ", " +
             Quoted(c_.Among(kWritten)) + ")");
        outputFile_ = true;
        break;
    case 1:
        if (outputFile_) {
            Emit("OF = " + String(2));
            break;
        }
        [[fallthrough]];
    case 2:
        Emit("INPUT('IF', " + Quoted(c_.Among(kRead)) + ")");
        inputFile_ = true;
        break;
    default:
        if (inputFile_)
            Emit(std::string(c_.Among(kStringNames)) + " = IF");
        else
            Emit("T = INPUT");
        break;
    }
}

// A DEFINE while the program runs: a primitive taken over (perhaps only
// from some turn of a loop on), or another body for a function.
void Generator::Define() {
    if (functions_.empty()) return Simple(2);
    const Function& function = functions_[c_.Below(static_cast<unsigned>(functions_.size()))];
    const std::size_t variant = c_.Below(static_cast<unsigned>(function.prototypes.size()));
    const std::string define = "DEFINE(" + Quoted(function.prototypes[variant]) + ", " +
                               Quoted(function.labels[variant]) + ")";
    if (loops_ > 0 && c_.OneIn(2))
        Emit("(EQ(" + CounterInUse() + ", " + std::to_string(1 + c_.Below(3)) + ") " + define +
             ")");
    else
        Emit(define);
}

// One of the limits, at the end of the program, where it ends the run.
void Generator::Limit() {
    switch (c_.Below(6)) {
    case 0:
        Emit("T = DUPL('abcd', " + std::to_string(7990 + c_.Below(20)) + ")");
        break;
    case 1: {
        const std::string head = NewLabel("LIM");
        Emit("PAT = LEN(1)");
        Emit("PAT = PAT PAT", ":(" + head + ")", head);
        break;
    }
    case 2:
        if (hasRecursion_) {
            Emit("OUTPUT = REC(" + std::to_string(DeepestRecursion() + 1 + c_.Below(3)) + ")");
            break;
        }
        [[fallthrough]];
    case 3:
        for (int f = 0; f < 11; ++f)
            Emit("DEFINE('G" + std::to_string(f) + "()', 'MAIN')");
        break;
    case 4: {
        const std::string head = NewLabel("LIM");
        Emit("&STLIMIT = &STCOUNT + " + std::to_string(c_.Below(30)));
        Emit("N = N + 1", ":(" + head + ")", head);
        break;
    }
    default:
        // Every text ARB tries is captured, and each takes a string entry.
        Emit("&ANCHOR = 0");
        Emit("DUPL('a', 300) ARB . A 'b'");
        break;
    }
}

std::string Generator::Program() {
    Init();
    DeclareFunctions();
    for (const Function& function : functions_)
        if (function.definedAtStart)
            Emit("DEFINE(" + Quoted(function.prototypes[0]) + ", " + Quoted(function.labels[0]) +
                 ")");
    if (hasRecursion_)
        Emit(recursionLocal_ ? "DEFINE('REC(N)L1', 'REC')" : "DEFINE('REC(N)', 'REC')");
    Emit({}, ":(MAIN)");
    Bodies();
    EmitLabel("MAIN");
    for (int part = 0; part < 3; ++part)
        Blocks(2, 4);
    if (c_.OneIn(12)) Limit();

    std::string text;
    for (const Line& line : lines_)
        AppendCards(text, line);
    text += "END\n";
    const unsigned data = c_.Below(5);
    for (unsigned i = 0; i < data; ++i) {
        std::string line;
        const unsigned length = c_.Below(6);
        for (unsigned j = 0; j < length; ++j)
            line.push_back(kAlphabet[c_.Below(static_cast<unsigned>(kAlphabet.size()))]);
        text += line + (c_.OneIn(3) ? "  " : "") + "\n";
    }
    return text;
}

} // namespace

std::string GenerateProgram(std::span<const std::uint8_t> bytes, const GeneratorOptions& options) {
    return Generator(bytes, options).Program();
}

} // namespace fuzz
