// Fuzz target: the whole interpreter, source text to listing, in-process.
//
// The input is the source file. Each input runs twice, and the two listings
// (timing figures masked) and exit statuses must agree; then a fixed probe
// program runs and must write the listing it wrote in a fresh process. So a
// run leaves nothing behind that a later run could see (keywords, the
// string table, functions, the run stack, pending assignments, files).
// Work is capped so every input ends quickly: statements, matcher steps
// and bytes written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "driver/run.h"
#include "executor/executor.h"
#include "harness.h"

namespace {

constexpr std::int32_t kStatementCap = 3000;
constexpr std::int64_t kMatchStepCap = 1'000'000;
constexpr std::size_t kWriteCap = std::size_t{4} << 20;

// Touches every table a run could leave something in: a residue shows as
// another listing (a function too many, a dump entry, a keyword's value).
constexpr const char* kProbe =
    "-DEBUG\n"
    "        &DUMP = 1\n"
    "        OUTPUT = &STCOUNT ' ' &STFCOUNT ' ' &TRACE ' ' &FTRACE ' ' &TRIM\n"
    "        OUTPUT = &ANCHOR ' ' &CODE ' ' &STLIMIT ' ' &STNO ' ' &STLASTNO\n"
    "        OUTPUT = INPUT\n"
    "        OUTPUT = SIZE(&ALPHABET)\n"
    "        DEFINE('G0(N)', 'G0')\n"
    "        DEFINE('G1()', 'G1')\n"
    "        DEFINE('G2()', 'G1')\n"
    "        DEFINE('G3()', 'G1')\n"
    "        DEFINE('G4()', 'G1')\n"
    "        DEFINE('G5()', 'G1')\n"
    "        DEFINE('G6()', 'G1')\n"
    "        DEFINE('G7()', 'G1')\n"
    "        DEFINE('G8()', 'G1')\n"
    "        DEFINE('G9()', 'G1')\n"
    "        OUTPUT = G0(24)\n"
    "        X = 'abcabc'\n"
    "        X ARB . Y 'c' . Z @C RPOS(0)\n"
    "        OUTPUT = Y ' ' Z ' ' C\n"
    "        OUTPUT = IN1\n"
    "        OUTPUT = OUT1                                         :(END)\n"
    "G0      G0 = GT(N, 1) G0(N - 1) 'x'                            :S(RETURN)\n"
    "        G0 = 'x'                                               :(RETURN)\n"
    "G1      G1 = 1                                                 :(RETURN)\n"
    "END\n"
    "the data line\n";

struct Outcome {
    int status = 0;
    std::string listing;
};

Outcome RunOnce(const std::string& source, std::string_view text) {
    fuzz::ClearScratch();
    fuzz::WriteFile(source, text);
    const std::string listing = vantel::ListingNameFor(source);
    Outcome outcome;
    vantel::RunSettings settings;
    settings.verifyCode = true;
    settings.caps = vantel::WorkCaps{kStatementCap, kMatchStepCap};
    fuzz::BeginSandbox(source, listing, kWriteCap);
    fuzz::RunOnBigStack([&] {
        const char* arguments[] = {source.c_str()};
        outcome.status = vantel::RunVantel(1, arguments, settings);
    });
    fuzz::EndSandbox();
    outcome.listing = fuzz::MaskedListing(fuzz::ReadFile(listing));
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string source = fuzz::ScratchDir() + "/in.sno";
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static const Outcome probe = RunOnce(source, kProbe); // before any input
    const Outcome first = RunOnce(source, text);
    const Outcome second = RunOnce(source, text);
    fuzz::Check(first.status == second.status, "a second run ended with another status");
    fuzz::Check(first.listing == second.listing, "a second run wrote another listing");
    const Outcome after = RunOnce(source, kProbe);
    fuzz::Check(after.status == probe.status && after.listing == probe.listing,
                "the probe program ran differently after this input");
    fuzz::ClearScratch();
    return 0;
}
