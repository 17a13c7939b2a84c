#include "run_pipeline.h"

#include "run_files.h"
#include "text_files.h"

#include <cstdio>

namespace harbex {

namespace {

constexpr char kErrorsHeading[] = "\nInterpreter Output and Errors:\n";
constexpr char kOutputHeading[] = "\nOutput:\n";

void AppendSection(std::string& text, const char* heading, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    text += heading;
    for (const std::string& line : lines)
        text.append(line).append("\n");
}

std::vector<std::string> LinesOrNothing(const std::string& path) {
    return ReadLines(path).value_or(std::vector<std::string>{});
}

// Starts an editor command without waiting. An empty editor command (no
// usable program folder) fails at once rather than starting the file itself.
bool LaunchEditor(ProcessExecute& launcher, const RunRequest& request, const std::string& command) {
    if (request.editorCommand.empty()) return false;
    ProcessHandle handle = kNoHandle;
    return launcher.Launch(command, handle, std::nullopt, false, false, kNoWait);
}

RunResult EditorStep(ProcessExecute& launcher, const RunRequest& request,
                     const std::string& listing) {
    std::string command =
        EditListingCommand(request.editorCommand, request.largerFont, request.smallerFont, listing);
    if (!LaunchEditor(launcher, request, command)) return {RunOutcome::EditorNotFound, {}};
    return {};
}

RunResult RunSubset(ProcessExecute& launcher, const RunRequest& request) {
    ProcessHandle handle = kNoHandle;
    std::string command = ProcessorCommand(request.processorDir, true, request.sourceFile);
    if (!launcher.Launch(command, handle, std::nullopt, false, false, kWaitInfinite)) {
        return {RunOutcome::ProcessorNotFound, {}};
    }
    return EditorStep(launcher, request, SubsetListingFor(request.sourceFile));
}

RunResult RunFull(ProcessExecute& launcher, const RunRequest& request) {
    const FullRunFiles files = FullRunFilesFor(request.sourceFile);
    std::string command = ProcessorCommand(request.processorDir, false, request.sourceFile);
    bool launched = false;
    {
        // The error file is prepared before the output file; both are
        // closed in the shell as soon as the processor has ended.
        UniqueFd errors = CreateEmptyFile(files.errors);
        if (!errors.Valid()) return {RunOutcome::CannotCreate, files.errors};
        UniqueFd output = CreateEmptyFile(files.output);
        if (!output.Valid()) return {RunOutcome::CannotCreate, files.output};
        ProcessHandle handle = kNoHandle;
        launched = launcher.Launch(command, handle, std::nullopt, false, false, kWaitInfinite,
                                   output.Get(), errors.Get());
    }
    if (!launched) return {RunOutcome::ProcessorNotFound, {}};
    if (!WriteMergedListing(files.listing, files.errors, files.output)) {
        return {RunOutcome::CannotCreate, files.listing};
    }
    return EditorStep(launcher, request, files.listing);
}

} // namespace

std::string MergeListing(const std::vector<std::string>& interpreterListing,
                         const std::vector<std::string>& errors,
                         const std::vector<std::string>& output) {
    std::string text;
    for (const std::string& line : interpreterListing)
        text.append(line).append("\n");
    text += "\n";
    AppendSection(text, kErrorsHeading, errors);
    AppendSection(text, kOutputHeading, output);
    return text;
}

bool WriteMergedListing(const std::string& listingPath, const std::string& errorsPath,
                        const std::string& outputPath) {
    const std::string interpreterListing(kInterpreterListing);
    std::string text = MergeListing(LinesOrNothing(interpreterListing), LinesOrNothing(errorsPath),
                                    LinesOrNothing(outputPath));
    if (!WriteFileWhole(listingPath, text)) return false;
    std::remove(interpreterListing.c_str());
    return true;
}

bool EditSource(ProcessExecute& launcher, const RunRequest& request) {
    return LaunchEditor(launcher, request,
                        EditSourceCommand(request.editorCommand, request.largerFont,
                                          request.smallerFont, request.sourceFile));
}

RunResult RunSource(ProcessExecute& launcher, const RunRequest& request) {
    return request.subsetMode ? RunSubset(launcher, request) : RunFull(launcher, request);
}

} // namespace harbex
