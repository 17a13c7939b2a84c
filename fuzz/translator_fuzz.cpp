// Fuzz target: the translator alone (reader, lexer, parser, statement dump).
//
// The input is the source file. After translation the statement table is
// checked: every position filled, every expression within the depth limit
// with its recorded depth right, no call with more than the stored
// arguments, and each value's string-table entry inside the table.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "data/diagnostics.h"
#include "data/limits.h"
#include "data/textfile.h"
#include "driver/run.h"
#include "harness.h"
#include "translator/internal_form.h"

namespace {

std::unordered_set<const vantel::StringItem*> gEntries; // the table's entries

bool IsEntry(const vantel::StringItem* entry) {
    return entry == nullptr || entry == vantel::EmptyNameItem() || gEntries.contains(entry);
}

// Recomputes depths bottom-up without recursion and checks each node.
int CheckExpression(const vantel::Expr* root) {
    if (root == nullptr) return 0;
    struct Frame {
        const vantel::Expr* e;
        bool expanded;
    };
    std::vector<Frame> work{{root, false}};
    std::unordered_map<const vantel::Expr*, int> depths; // computed so far
    auto depthOf = [&](const vantel::Expr* e) {
        if (e == nullptr) return 0;
        const auto found = depths.find(e);
        fuzz::Check(found != depths.end(), "expression node visited out of order");
        return found->second;
    };
    while (!work.empty()) {
        Frame f = work.back();
        work.pop_back();
        const vantel::Expr* e = f.e;
        if (!f.expanded) {
            work.push_back({e, true});
            fuzz::Check(e->count >= 0 && e->count <= vantel::kMaxArguments, "argument count");
            for (int i = 0; i < e->count; ++i)
                if (e->args[static_cast<std::size_t>(i)] != nullptr)
                    work.push_back({e->args[static_cast<std::size_t>(i)], false});
            if (e->left != nullptr) work.push_back({e->left, false});
            if (e->right != nullptr) work.push_back({e->right, false});
            continue;
        }
        int deepest = std::max(depthOf(e->left), depthOf(e->right));
        for (int i = 0; i < e->count; ++i)
            deepest = std::max(deepest, depthOf(e->args[static_cast<std::size_t>(i)]));
        const int depth = deepest + 1;
        fuzz::Check(depth == e->depth, "recorded expression depth is wrong");
        fuzz::Check(depth <= vantel::kMaxExpressionDepth, "expression deeper than the limit");
        fuzz::Check(IsEntry(e->entry), "expression names an entry outside the table");
        fuzz::Check(depths.emplace(e, depth).second, "expression node shared");
    }
    return depthOf(root);
}

void CheckTarget(const vantel::Target& t) {
    if (t.kind == vantel::TargetKind::Computed) CheckExpression(t.expression);
}

void CheckProgram() {
    const vantel::Program& p = vantel::TheProgram();
    gEntries.clear();
    for (int i = 1; i <= vantel::StringCount(); ++i)
        gEntries.insert(vantel::StringAt(i));
    fuzz::Check(p.count >= 0 && p.count <= vantel::kMaxStatements, "statement count");
    for (int i = 1; i <= p.count; ++i) {
        const vantel::Stmt* s = p.statements[static_cast<std::size_t>(i)];
        fuzz::Check(s != nullptr, "empty statement position");
        fuzz::Check(IsEntry(s->label), "label outside the table");
        CheckExpression(s->subject);
        CheckExpression(s->pattern);
        CheckExpression(s->object);
        CheckTarget(s->gotos.unconditional);
        CheckTarget(s->gotos.success);
        CheckTarget(s->gotos.failure);
    }
    fuzz::Check(vantel::StringCount() <= vantel::kStringTableSize, "string table overfull");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string source = fuzz::ScratchDir() + "/in.sno";
    fuzz::WriteFile(source, std::string_view(reinterpret_cast<const char*>(data), size));
    fuzz::RunOnBigStack([] {
        const vantel::RunObject run;
        vantel::RunInfo().translating = true;
        fuzz::Check(vantel::OpenSource(source), "cannot open the source");
        fuzz::Check(vantel::OpenListing("/dev/null"), "cannot open /dev/null");
        try {
            vantel::Translate();
            CheckProgram();
        } catch (const vantel::RunEnd&) {
            // "PROGRAM HAS NO END.": the run ends during translation.
        }
        vantel::CloseSource();
        vantel::CloseListing();
    });
    return 0;
}
