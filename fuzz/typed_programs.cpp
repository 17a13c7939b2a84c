// Prints the programs the typed fuzz target generates, and runs them.
//
//   typed_programs SEED [COUNT]          the programs of seeds SEED, SEED+1, ...
//   typed_programs --input FILE          the program a fuzzer input makes
//   typed_programs --listing SEED        runs the program of SEED and prints its
//                                        listing (timing masked); walked when
//                                        VANTEL_PLAIN=1
//   typed_programs --check SEED COUNT    runs each compiled and walked and counts
//                                        how the runs end; fails when a program
//                                        does not translate or the runs differ
// --no-self before the others keeps variables out of their own assignments.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "compare_runs.h"
#include "driver/run.h"
#include "harness.h"
#include "program_generator.h"

namespace {

std::vector<std::uint8_t> SeedBytes(std::uint64_t seed) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 8; ++i)
        bytes.push_back(static_cast<std::uint8_t>(seed >> (8 * i)));
    return bytes;
}

// How a run ended: its run-time message, or the end without one.
std::string Ending(const std::string& listing) {
    if (listing.find("Execution begins...") == std::string::npos) return "not translated";
    const std::size_t error = listing.find("--- ERROR OCCURRED ON STATEMENT");
    if (error == std::string::npos) return "ran to its end";
    const std::size_t start = listing.rfind("\n--- ", error - 2);
    if (start == std::string::npos) return "error";
    return listing.substr(start + 1, listing.find('\n', start + 1) - start - 1);
}

long StatementsExecuted(const std::string& listing) {
    const std::string_view key = " NUMBER OF STATEMENTS EXECUTED: ";
    const std::size_t at = listing.find(key);
    return at == std::string::npos ? 0 : std::atol(listing.c_str() + at + key.size());
}

int Check(std::uint64_t first, std::uint64_t count, const fuzz::GeneratorOptions& options) {
    std::map<std::string, int> endings;
    long statements = 0;
    int failed = 0;
    for (std::uint64_t seed = first; seed < first + count; ++seed) {
        const std::string program = fuzz::GenerateProgram(SeedBytes(seed), options);
        vantel::RunSettings settings;
        settings.caps = fuzz::FuzzCaps();
        const fuzz::Comparison comparison = fuzz::CompareCompiledWithWalked(program, settings);
        const std::string ending = Ending(comparison.Listing());
        ++endings[ending];
        statements += StatementsExecuted(comparison.Listing());
        if (comparison.difference != nullptr || ending == "not translated") {
            std::printf("seed %llu: %s\n", static_cast<unsigned long long>(seed),
                        comparison.difference != nullptr ? comparison.difference : ending.c_str());
            failed = 1;
        }
    }
    std::printf("%llu programs, %ld statements executed on average\n",
                static_cast<unsigned long long>(count), statements / static_cast<long>(count));
    for (const auto& [ending, times] : endings)
        std::printf("%6d  %s\n", times, ending.c_str());
    return failed;
}

int Usage() {
    std::fprintf(stderr, "usage: typed_programs [--no-self] SEED [COUNT]\n"
                         "       typed_programs [--no-self] --input FILE\n"
                         "       typed_programs [--no-self] --listing SEED\n"
                         "       typed_programs [--no-self] --check SEED COUNT\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    fuzz::GeneratorOptions options;
    if (!arguments.empty() && arguments[0] == "--no-self") {
        options.selfOperands = false;
        arguments.erase(arguments.begin());
    }
    if (arguments.empty()) return Usage();
    if (arguments[0] == "--input" && arguments.size() == 2) {
        const std::string input = fuzz::ReadFile(arguments[1]);
        const std::vector<std::uint8_t> bytes(input.begin(), input.end());
        std::fputs(fuzz::GenerateProgram(bytes, options).c_str(), stdout);
        return 0;
    }
    if (arguments[0] == "--listing" && arguments.size() == 2) {
        vantel::RunSettings settings = vantel::SettingsFromEnvironment();
        settings.caps = fuzz::FuzzCaps();
        const std::uint64_t seed = std::strtoull(arguments[1].c_str(), nullptr, 10);
        const fuzz::RunOutcome run =
            fuzz::RunSource(fuzz::GenerateProgram(SeedBytes(seed), options), settings);
        std::fputs(run.files.at(run.listingName).c_str(), stdout);
        return 0;
    }
    if (arguments[0] == "--check" && arguments.size() == 3)
        return Check(std::strtoull(arguments[1].c_str(), nullptr, 10),
                     std::strtoull(arguments[2].c_str(), nullptr, 10), options);
    if (arguments.size() > 2 || arguments[0].starts_with("-")) return Usage();
    const std::uint64_t first = std::strtoull(arguments[0].c_str(), nullptr, 10);
    const std::uint64_t count =
        arguments.size() == 2 ? std::strtoull(arguments[1].c_str(), nullptr, 10) : 1;
    for (std::uint64_t seed = first; seed < first + count; ++seed)
        std::printf("* seed %llu\n%s", static_cast<unsigned long long>(seed),
                    fuzz::GenerateProgram(SeedBytes(seed), options).c_str());
    return 0;
}
