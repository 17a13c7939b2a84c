// The code listing: what each statement compiled to, one instruction a
// line with its effect written out from the instruction table's effect
// column, as VANTEL_DUMP_CODE=1 shows it.
//
//   statement 4 LOOP: 2 slots; success: statement 4; failure: next
//       1  CompareLT              s0 = LT(I, N)
//       2  LeafArithmetic         s1 = I + 1
//       3  ConcatenateAssign      I = s0 s1
//       4  EndGoto                done, on to the success goto
//
// Slots are s0, s1, ...; variable slots v0, v1, ...; a name read in place
// is the name, a constant is written as in a program.
#include <cstdio>
#include <string>

#include "executor/code.h"
#include "executor/executor.h"

namespace vantel {

namespace {

std::string Slot(int slot) {
    return "s" + std::to_string(slot);
}

std::string ConstantText(const Value& v) {
    switch (v.kind()) {
    case Kind::Integer:
        return IntegerText(v.integer());
    case Kind::String: {
        const std::string_view text = v.string()->name;
        const char quote = text.find('\'') == std::string_view::npos ? '\'' : '"';
        return quote + std::string(text) + quote;
    }
    case Kind::Null:
        return "''";
    default:
        return "?";
    }
}

std::string OperandText(const Operand& o) {
    switch (o.source) {
    case From::Slot:
        return Slot(o.slot);
    case From::Name:
        return std::string(o.name->name);
    case From::InPlace:
        break;
    }
    return ConstantText(*o.value);
}

std::string VariableText(const VariableOperand& v) {
    if (v.computed) return "v" + std::to_string(v.slot);
    return v.entry != nullptr ? std::string(v.entry->name) : "(no variable)";
}

std::string CalledName(const Instruction& i) {
    if (i.node == nullptr || i.node->entry == nullptr) return "(no function)";
    return std::string(i.node->entry->name);
}

// A call's argument slots, a .. a+b-1.
std::string Arguments(const Instruction& i) {
    std::string text;
    for (int k = 0; k < i.b; ++k) {
        if (k > 0) text += ", ";
        text += Slot(i.a + k);
    }
    return text;
}

// The text a placeholder of the effect column stands for (see opcodes.h).
std::string Placeholder(char letter, const Instruction& i, int number) {
    switch (letter) {
    case 'A':
        return Slot(i.a);
    case 'B':
        return Slot(i.b);
    case 'T':
        return Slot(i.a) + ".." + Slot(i.a + 2);
    case 'R':
        return Arguments(i);
    case 'W':
        return "v" + std::to_string(i.a);
    case 'X':
        return OperandText(i.x);
    case 'Y':
        return OperandText(i.y);
    case 'V':
        return VariableText(i.v);
    case 'O':
        return std::string(1, Letter(i.binaryOp));
    case 'U':
        return std::string(1, Letter(i.unaryOp));
    case 'F':
        return CalledName(i);
    case 'E':
        return i.immediate ? "$" : ".";
    case 'M':
        return i.message != nullptr ? i.message : "";
    case 'J':
        return std::to_string(number + i.jump);
    default:
        return std::string(1, letter);
    }
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The effect column of instruction i, number `number` of its code, with
// its placeholders (capitals standing alone) filled in.
std::string Effect(const Instruction& i, int number) {
    const std::string_view effect = Info(i.op).effect;
    std::string text;
    for (std::size_t k = 0; k < effect.size(); ++k) {
        const char c = effect[k];
        const bool alone = (k == 0 || !IsLetter(effect[k - 1])) &&
                           (k + 1 == effect.size() || !IsLetter(effect[k + 1]));
        if (c >= 'A' && c <= 'Z' && alone)
            text += Placeholder(c, i, number);
        else
            text += c;
    }
    return text;
}

// The code from `start` up to its end instruction, one line each.
std::string CodeLines(const std::vector<Instruction>& code, std::uint32_t start) {
    std::string text;
    for (std::size_t k = start; k < code.size(); ++k) {
        const Instruction& i = code[k];
        const int number = static_cast<int>(k - start) + 1;
        char head[64];
        std::snprintf(head, sizeof head, "    %3d  %-22s ", number, Info(i.op).name);
        text += head + Effect(i, number) + "\n";
        if (Info(i.op).uses & use::Ends) break;
    }
    return text;
}

std::string TransferText(const Transfer& t) {
    switch (t.kind) {
    case TransferKind::Next:
        return "next";
    case TransferKind::Statement:
        return "statement " + std::to_string(t.at);
    case TransferKind::Computed:
        return "computed goto " + std::to_string(t.at);
    case TransferKind::End:
        return "END";
    case TransferKind::Return:
        return "RETURN";
    case TransferKind::FReturn:
        return "FRETURN";
    case TransferKind::Undefined:
        return "undefined label";
    }
    return "?";
}

std::string GotoLines(const CompiledProgram& compiled, const Transfer& t) {
    if (t.kind != TransferKind::Computed) return "";
    const ComputedGoto& g = compiled.gotos[static_cast<std::size_t>(t.at)];
    return "  computed goto " + std::to_string(t.at) + " to " + VariableText(g.target) + ":\n" +
           CodeLines(compiled.code, g.code);
}

} // namespace

std::string StatementListing(const Program& program, const CompiledProgram& compiled, int n) {
    const StatementCode& code = compiled.statements[static_cast<std::size_t>(n)];
    const Stmt& s = *program.statements[static_cast<std::size_t>(n)];
    std::string text = "statement " + std::to_string(n);
    if (s.label != nullptr) text += " " + std::string(s.label->name);
    if (compiled.code[code.start].op == Op::Walk) return text + ": walked\n";
    text += ": " + std::to_string(code.slots) + (code.slots == 1 ? " slot" : " slots") +
            "; success: " + TransferText(code.onSuccess) +
            "; failure: " + TransferText(code.onFailure) + "\n";
    text += CodeLines(compiled.code, code.start);
    text += GotoLines(compiled, code.onSuccess);
    if (code.onFailure.kind != code.onSuccess.kind || code.onFailure.at != code.onSuccess.at)
        text += GotoLines(compiled, code.onFailure);
    return text;
}

std::string CodeListing(const Program& program, const CompiledProgram& compiled) {
    std::string text;
    for (int n = 1; n <= program.count; ++n)
        text += StatementListing(program, compiled, n);
    return text;
}

} // namespace vantel
