// Random source texts for the differential tests of the translator's seam
// and the editor's tokenizer: cards of every kind, statements with labels,
// gotos, calls, literals and keywords, now and then broken forms, odd bytes
// and line ends, and sometimes no END.
#pragma once

#include <random>
#include <string>

namespace vantel::test {

std::string RandomProgram(std::mt19937& random);

} // namespace vantel::test
