// Fuzz target: pattern construction and the matcher.
//
// The input is a small stack program that builds patterns through the
// construction functions (nodes, concatenation, alternation, ARBNO, value
// assignment, cursor position), followed by a subject. The top pattern is
// matched anchored or unanchored as a match statement would, and checked:
// every table stays well linked, a success ends inside the subject, and
// every value assigned during the match is a piece of the subject or a
// cursor position within it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/diagnostics.h"
#include "data/pattern_table.h"
#include "data/values.h"
#include "driver/run.h"
#include "executor/executor.h"
#include "harness.h"

namespace {

using vantel::Routine;
using vantel::Value;

constexpr std::int64_t kMatchStepCap = 300'000;
constexpr std::size_t kMaxStack = 16;
constexpr int kVariables = 3;

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool AtEnd() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string_view Text(std::size_t length) {
        length = std::min(length, size_ - at_);
        const std::string_view text(reinterpret_cast<const char*>(data_ + at_), length);
        at_ += length;
        return text;
    }
    std::string_view Rest() { return Text(size_ - at_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void CheckTable(const Value& v) {
    const vantel::PatternTable* t = v.pattern();
    if (t == nullptr) return;
    fuzz::Check(t->count >= 1 && t->count <= vantel::kMaxPatternNodes, "node count");
    fuzz::Check(t->refs >= 1, "reference count");
    for (int i = 1; i <= t->count; ++i) {
        const vantel::PatternNode& n = t->node(i);
        fuzz::Check(n.subsequent >= 0 && n.subsequent <= t->count, "subsequent link");
        fuzz::Check(n.alternate == 0 || (n.alternate > i && n.alternate <= t->count),
                    "alternate link");
    }
}

vantel::StringItem* Variable(int index) {
    static const char* const kNames[kVariables] = {"V1", "V2", "V3"};
    return vantel::LookupOrEnter(kNames[index]);
}

Value Pop(std::vector<Value>& stack) {
    if (stack.empty()) return Value();
    Value v = std::move(stack.back());
    stack.pop_back();
    return v;
}

// Builds patterns as the input directs; returns the subject.
std::string_view Build(Reader& in, std::vector<Value>& stack) {
    static const Routine kCounted[] = {Routine::Length, Routine::Pos, Routine::Tab, Routine::RPos,
                                       Routine::RTab};
    static const Routine kSets[] = {Routine::Any, Routine::NotAny, Routine::Span, Routine::Break};
    while (!in.AtEnd()) {
        const std::uint8_t op = in.Byte();
        if (op == 0xFF) break; // the subject follows
        Value made;
        switch (op % 11) {
        case 0: // a string node
            made = vantel::ToPattern(vantel::InternString(in.Text(in.Byte() % 8)));
            break;
        case 1: // LEN, POS, TAB, RPOS, RTAB
            made = vantel::MakeNodePattern(kCounted[op / 11 % 5], Value::Integer(in.Byte() % 40));
            break;
        case 2: { // ANY, NOTANY, SPAN, BREAK
            const std::string_view set = in.Text(1 + in.Byte() % 6);
            if (set.empty()) break;
            made = vantel::MakeNodePattern(kSets[op / 11 % 4], vantel::InternString(set));
            break;
        }
        case 3: // ARB
            made = vantel::LookupOrEnter("ARB")->value;
            break;
        case 4: {
            const Value q = Pop(stack), p = Pop(stack);
            made = vantel::ConcatPatterns(p, q);
            break;
        }
        case 5: {
            const Value q = Pop(stack), p = Pop(stack);
            made = vantel::AlternatePatterns(p, q);
            break;
        }
        case 6:
            made = vantel::MakeArbno(Pop(stack));
            break;
        case 7:
            made = vantel::ValueAssignmentPattern(Pop(stack), Variable(op / 11 % kVariables),
                                                  op / 33 % 2 == 0);
            break;
        case 8:
            made = vantel::MakeNodePattern(Routine::Cursor,
                                           Value::String(Variable(op / 11 % kVariables)));
            break;
        case 9:
            if (!stack.empty()) made = stack.back();
            break;
        default: // the null pattern
            break;
        }
        CheckTable(made);
        if (stack.size() == kMaxStack) stack.erase(stack.begin());
        stack.push_back(std::move(made));
    }
    return in.Rest();
}

void CheckAssigned(std::string_view subject) {
    for (int i = 0; i < kVariables; ++i) {
        const Value& v = Variable(i)->value;
        if (v.kind() == vantel::Kind::Integer)
            fuzz::Check(v.integer() >= 0 && v.integer() <= static_cast<int>(subject.size()),
                        "cursor position outside the subject");
        else if (v.kind() == vantel::Kind::String)
            fuzz::Check(subject.find(v.string()->name) != std::string_view::npos,
                        "assigned text is not a piece of the subject");
        else
            fuzz::Check(v.IsNull(), "assigned value of an unexpected kind");
    }
}

void Match(std::string_view subject, const Value& pattern, bool anchored) {
    const int length = static_cast<int>(subject.size());
    vantel::ClearPending();
    int start = 0, cursor = 0;
    for (; start < (anchored || length == 0 ? 1 : length); ++start) {
        vantel::Exec().failure = false;
        cursor = vantel::MatchAttempt(subject, pattern.pattern(), start);
        if (vantel::Exec().failure) {
            fuzz::Check(cursor == 0, "failed attempt with a cursor");
            continue;
        }
        fuzz::Check(cursor >= start && cursor <= length, "final cursor outside the subject");
        if (cursor > 0) break;
    }
    if (cursor > 0) {
        vantel::Exec().failure = false;
        vantel::PerformPending();
    } else {
        vantel::ClearPending();
    }
    CheckAssigned(subject);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantel::RunSettings settings;
    settings.caps.matchSteps = kMatchStepCap;
    fuzz::RunOnBigStack([&] {
        const vantel::RunObject run(settings);
        vantel::EnterInitialStrings();
        try {
            Reader in(data, size);
            const bool anchored = in.Byte() % 2 == 0;
            std::vector<Value> stack;
            const std::string_view subject = Build(in, stack);
            if (!stack.empty()) Match(subject, vantel::ToPattern(stack.back()), anchored);
        } catch (const vantel::RunEnd&) {
            // A construction beyond 32 nodes, ARBNO nested too deeply, or the step cap.
        }
    });
    return 0;
}
