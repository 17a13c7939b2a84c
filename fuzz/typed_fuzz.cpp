// Fuzz target: generated programs, compiled against walked.
//
// The input drives the program generator (program_generator.h): every input
// is a well-formed program with typed expressions. It runs compiled, with the
// interpreter's fast paths, and walked without them; the listings (timing
// masked), the files left in the scratch folder and the exit statuses must be
// the same, and the program must translate (the generator writes only
// well-formed programs). On a finding the program goes to standard error;
// `typed_programs --input FILE` prints it again from the kept input.
//
// TYPED_FUZZ_SELF_OPERANDS=0 keeps variables out of their own assignments.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "compare_runs.h"
#include "harness.h"
#include "program_generator.h"

namespace {

fuzz::GeneratorOptions OptionsFromEnvironment() {
    fuzz::GeneratorOptions options;
    const char* self = std::getenv("TYPED_FUZZ_SELF_OPERANDS");
    options.selfOperands = self == nullptr || std::strcmp(self, "0") != 0;
    return options;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::GeneratorOptions options = OptionsFromEnvironment();
    const std::string program = fuzz::GenerateProgram({data, size}, options);
    vantel::RunSettings settings;
    settings.caps = fuzz::FuzzCaps();
    const fuzz::Comparison comparison = fuzz::CompareCompiledWithWalked(program, settings);
    const bool translated = comparison.Listing().find("Execution begins...") != std::string::npos;
    if (!translated || comparison.difference != nullptr)
        std::fprintf(stderr, "---- the program ----\n%s---- end of the program ----\n",
                     program.c_str());
    fuzz::Check(translated, "a generated program did not translate");
    fuzz::Check(comparison.difference == nullptr, comparison.difference);
    return 0;
}
