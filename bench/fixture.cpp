#include "fixture.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "data/diagnostics.h"
#include "data/values.h"
#include "driver/run.h"

namespace vantel::bench {

namespace {

const std::string& SourcePath() {
    static const std::string path = [] {
        char pattern[] = "/tmp/vantel-microbench-XXXXXX";
        const char* dir = mkdtemp(pattern);
        return std::string(dir != nullptr ? dir : "/tmp") + "/bench.sno";
    }();
    return path;
}

} // namespace

void FreshTables() {
    // The tables stay current until the next call: a benchmark works on them.
    static std::unique_ptr<RunObject> run;
    run.reset();
    run = std::make_unique<RunObject>();
    EnterInitialStrings();
}

int RunProgram(const std::string& source) {
    std::ofstream(SourcePath(), std::ios::binary) << source;
    const char* arguments[] = {SourcePath().c_str()};
    return RunVantel(1, arguments);
}

} // namespace vantel::bench
