// Fuzz target: the compiled code against the walk over the trees.
//
// The input is the source file. It runs once compiled, with the
// interpreter's fast paths, and once walked without them (as under
// VANTEL_PLAIN=1), in one process; the listings (timing figures masked, run-
// time errors with their message and statement number), every file the runs
// left in the scratch folder, and the exit statuses must be the same. Runs are capped as in the interpreter target;
// a run stopped by the matcher step cap is not compared, since skipped scan
// positions are steps the fast run never takes.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "data/fast_paths.h"
#include "driver/run.h"
#include "executor/executor.h"
#include "harness.h"

namespace {

constexpr std::int32_t kStatementCap = 3000;
constexpr std::int64_t kMatchStepCap = 1'000'000;
constexpr std::size_t kWriteCap = std::size_t{4} << 20;

struct Outcome {
    int status = 0;
    std::map<std::string, std::string> files; // the listing among them
};

Outcome RunOnce(const std::string& source, std::string_view text, bool fast) {
    fuzz::ClearScratch();
    fuzz::WriteFile(source, text);
    const std::string listing = vantel::ListingNameFor(source);
    Outcome outcome;
    vantel::RunSettings settings;
    settings.fastPaths = fast;
    settings.verifyCode = true;
    settings.caps = vantel::WorkCaps{kStatementCap, kMatchStepCap};
    fuzz::BeginSandbox(source, listing, kWriteCap);
    fuzz::RunOnBigStack([&] {
        const char* arguments[] = {source.c_str()};
        outcome.status = vantel::RunVantel(1, arguments, settings);
    });
    fuzz::EndSandbox();
    outcome.files = fuzz::ScratchFiles();
    const std::string name = listing.substr(listing.rfind('/') + 1);
    outcome.files[name] = fuzz::MaskedListing(outcome.files[name]);
    return outcome;
}

bool StepCapReached(const Outcome& run) {
    for (const auto& [name, content] : run.files)
        if (content.find("--- MATCH STEP LIMIT EXCEEDED ---") != std::string::npos) return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string source = fuzz::ScratchDir() + "/in.sno";
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Outcome fast = RunOnce(source, text, true);
    const Outcome plain = RunOnce(source, text, false);
    fuzz::ClearScratch();
    if (StepCapReached(fast) || StepCapReached(plain)) return 0;
    fuzz::Check(fast.status == plain.status, "the plain run ended with another status");
    for (const auto& [name, content] : fast.files) {
        const auto other = plain.files.find(name);
        fuzz::Check(other != plain.files.end(), "the plain run did not write a file");
        fuzz::Check(other->second == content, "the plain run wrote another file or listing");
    }
    fuzz::Check(fast.files.size() == plain.files.size(), "the plain run wrote another file");
    return 0;
}
