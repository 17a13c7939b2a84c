#include "harness.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "data/diagnostics.h"
#include "data/textfile.h"
#include "data/values.h"
#include "driver/run.h"
#include "translator/internal_form.h"

namespace vantel::test {

namespace {

// The scratch folder of this test process, removed with what is in it when
// the process ends.
struct ScratchFolder {
    std::string path;
    bool made = false;
    ScratchFolder() {
        char pattern[] = "/tmp/vantel-unit-XXXXXX";
        const char* name = mkdtemp(pattern);
        made = name != nullptr;
        path = made ? name : "/tmp";
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        if (made) std::filesystem::remove_all(path, ignored);
    }
};

std::string TempDir() {
    static const ScratchFolder folder;
    return folder.path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

namespace {

// The tables a test works on stay current until the next fresh start or
// whole run (one run at a time).
std::unique_ptr<RunObject>& TestRun() {
    static std::unique_ptr<RunObject> run;
    return run;
}

void FreshRun() {
    TestRun().reset();
    TestRun() = std::make_unique<RunObject>();
}

} // namespace

void DropTables() {
    TestRun().reset();
}

void FreshTables(bool translating) {
    FreshRun();
    RunInfo().translating = translating;
    EnterInitialStrings();
}

std::string TranslateText(const std::string& source) {
    const std::string path = TempDir() + "/unit.sno";
    const std::string listing = TempDir() + "/unit.lst";
    WriteFile(path, source);
    FreshRun();
    RunInfo().translating = true;
    OpenSource(path);
    OpenListing(listing);
    try {
        Translate();
    } catch (const RunEnd&) {
    }
    CloseListing();
    CloseSource();
    RunInfo().translating = false;
    return ReadFile(listing);
}

std::string ScratchPath(const std::string& name) {
    return TempDir() + "/" + name;
}

std::string RunProgram(const std::string& source, int* status) {
    return RunProgramWith(source, RunSettings{}, status);
}

std::string RunProgramWith(const std::string& source, const RunSettings& settings, int* status) {
    const std::string path = TempDir() + "/run.sno";
    WriteFile(path, source);
    const char* args[] = {path.c_str()};
    TestRun().reset();
    // Every program a test runs has its compiled code checked.
    RunSettings checked = settings;
    checked.verifyCode = true;
    const int result = RunVantel(1, args, checked);
    if (status != nullptr) *status = result;
    const std::string listing = ReadFile(TempDir() + "/run.lst");
    static const std::regex timing(" (COMPILATION TIME|EXECUTION TIME:) -?[0-9]+ ");
    return std::regex_replace(listing, timing, " $1 N ");
}

TwoRuns RunTwice(const std::string& source) {
    TwoRuns runs;
    runs.first = RunProgram(source, &runs.firstStatus);
    runs.second = RunProgram(source, &runs.secondStatus);
    return runs;
}

std::vector<std::string> OutputLines(const std::string& source) {
    std::istringstream listing(RunProgram(source));
    std::vector<std::string> lines;
    bool on = false;
    for (std::string line; std::getline(listing, line);) {
        if (line == " EXECUTION HAS TERMINATED.") break;
        if (on && line.rfind("--- ", 0) == 0)
            lines.push_back(line);
        else if (on && !line.empty())
            lines.push_back(line.substr(1));
        if (line == "Execution begins...") on = true;
    }
    return lines;
}

} // namespace vantel::test
