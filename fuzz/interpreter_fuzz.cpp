// Fuzz target: the whole interpreter, source text to listing, in-process.
//
// The input is the source file. Each input runs twice; the two listings
// (timing figures masked) and exit statuses must agree, which shows that a
// run leaves nothing behind that a later run could see. Work is capped so
// every input ends quickly: statements, matcher steps and bytes written.
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

// The listing with the digits of the two timing lines removed.
std::string Masked(const std::string& listing) {
    std::string out;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        std::string_view line(listing.data() + start, end - start);
        if (line.starts_with(" COMPILATION TIME ") || line.starts_with(" EXECUTION TIME: "))
            line = line.substr(0, 17);
        out.append(line);
        out.push_back('\n');
        start = end + 1;
    }
    return out;
}

struct Outcome {
    int status = 0;
    std::string listing;
};

Outcome RunOnce(const std::string& source, std::string_view text) {
    fuzz::ClearScratch();
    fuzz::WriteFile(source, text);
    const std::string listing = vantel::ListingNameFor(source);
    Outcome outcome;
    fuzz::BeginSandbox(source, listing, kWriteCap);
    fuzz::RunOnBigStack([&] {
        const char* arguments[] = {source.c_str()};
        outcome.status = vantel::RunVantel(1, arguments);
    });
    fuzz::EndSandbox();
    outcome.listing = Masked(fuzz::ReadFile(listing));
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantel::gWorkCaps.statements = kStatementCap;
    vantel::gWorkCaps.matchSteps = kMatchStepCap;
    static const std::string source = fuzz::ScratchDir() + "/in.sno";
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Outcome first = RunOnce(source, text);
    const Outcome second = RunOnce(source, text);
    fuzz::Check(first.status == second.status, "a second run ended with another status");
    fuzz::Check(first.listing == second.listing, "a second run wrote another listing");
    fuzz::ClearScratch();
    return 0;
}
