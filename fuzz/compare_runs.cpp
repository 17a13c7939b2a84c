#include "compare_runs.h"

#include <cstddef>
#include <cstdint>

#include "harness.h"

namespace fuzz {

namespace {

constexpr std::int32_t kStatementCap = 3000;
constexpr std::int64_t kMatchStepCap = 1'000'000;
constexpr std::size_t kWriteCap = std::size_t{4} << 20;

bool StepCapReached(const RunOutcome& run) {
    for (const auto& [name, content] : run.files)
        if (content.find("--- MATCH STEP LIMIT EXCEEDED ---") != std::string::npos) return true;
    return false;
}

const char* Difference(const RunOutcome& compiled, const RunOutcome& walked) {
    if (compiled.status != walked.status) return "the plain run ended with another status";
    for (const auto& [name, content] : compiled.files) {
        const auto other = walked.files.find(name);
        if (other == walked.files.end()) return "the plain run did not write a file";
        if (other->second != content) return "the plain run wrote another file or listing";
    }
    if (compiled.files.size() != walked.files.size()) return "the plain run wrote another file";
    return nullptr;
}

} // namespace

vantel::WorkCaps FuzzCaps() {
    return vantel::WorkCaps{kStatementCap, kMatchStepCap};
}

RunOutcome RunSource(std::string_view text, const vantel::RunSettings& settings) {
    static const std::string source = ScratchDir() + "/in.sno";
    static const std::string listing = vantel::ListingNameFor(source);
    ClearScratch();
    WriteFile(source, text);
    RunOutcome outcome;
    BeginSandbox(source, listing, kWriteCap);
    RunOnBigStack([&] {
        const char* arguments[] = {source.c_str()};
        outcome.status = vantel::RunVantel(1, arguments, settings);
    });
    EndSandbox();
    outcome.files = ScratchFiles();
    outcome.listingName = listing.substr(listing.rfind('/') + 1);
    outcome.files[outcome.listingName] = MaskedListing(outcome.files[outcome.listingName]);
    ClearScratch();
    return outcome;
}

Comparison CompareCompiledWithWalked(std::string_view text, vantel::RunSettings settings) {
    Comparison comparison;
    settings.verifyCode = true; // every statement's code keeps the slot discipline
    settings.fastPaths = true;
    comparison.compiled = RunSource(text, settings);
    settings.fastPaths = false;
    comparison.walked = RunSource(text, settings);
    if (!StepCapReached(comparison.compiled) && !StepCapReached(comparison.walked))
        comparison.difference = Difference(comparison.compiled, comparison.walked);
    return comparison;
}

} // namespace fuzz
