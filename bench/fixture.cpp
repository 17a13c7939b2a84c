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

namespace {

// The tables a benchmark works on stay current until the next fresh start
// or whole run (one run at a time).
std::unique_ptr<RunObject>& BenchRun() {
    static std::unique_ptr<RunObject> run;
    return run;
}

} // namespace

void FreshTables() {
    BenchRun().reset();
    BenchRun() = std::make_unique<RunObject>();
    EnterInitialStrings();
}

int RunProgram(const std::string& source) {
    std::ofstream(SourcePath(), std::ios::binary) << source;
    const char* arguments[] = {SourcePath().c_str()};
    BenchRun().reset();
    return RunVantel(1, arguments);
}

} // namespace vantel::bench
