#include "run_pipeline.h"

#include "run_files.h"
#include "text_files.h"

#include <cstdio>
#include <sys/stat.h>

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

// What a file looked like before a run, to tell whether the run wrote it.
struct FileStamp {
    bool exists = false;
    ino_t inode = 0;
    timespec modified{};
};

FileStamp StampOf(const std::string& path) {
    struct stat attributes {};
    if (stat(path.c_str(), &attributes) != 0) return {};
    return {true, attributes.st_ino, attributes.st_mtim};
}

bool WrittenSince(const FileStamp& before, const std::string& path) {
    const FileStamp after = StampOf(path);
    return after.exists && (!before.exists || after.inode != before.inode ||
                            after.modified.tv_sec != before.modified.tv_sec ||
                            after.modified.tv_nsec != before.modified.tv_nsec);
}

RunResult RunSubset(ProcessExecute& launcher, const RunRequest& request) {
    const std::string listing = SubsetListingFor(request.sourceFile);
    const FileStamp before = StampOf(listing);
    ProcessHandle handle = kNoHandle;
    std::string command = ProcessorCommand(request.processorDir, true, request.sourceFile);
    if (!launcher.Launch(command, handle, std::nullopt, false, false, kWaitInfinite)) {
        return {RunOutcome::ProcessorNotFound, {}, listing, false};
    }
    return {RunOutcome::Done, {}, listing, WrittenSince(before, listing)};
}

RunResult RunFull(ProcessExecute& launcher, const RunRequest& request) {
    const FullRunFiles files = FullRunFilesFor(request.sourceFile);
    std::string command = ProcessorCommand(request.processorDir, false, request.sourceFile);
    bool launched = false;
    {
        // The error file is prepared before the output file; both are
        // closed in the shell as soon as the processor has ended.
        UniqueFd errors = CreateEmptyFile(files.errors);
        if (!errors.Valid()) return {RunOutcome::CannotCreate, files.errors, files.listing, false};
        UniqueFd output = CreateEmptyFile(files.output);
        if (!output.Valid()) return {RunOutcome::CannotCreate, files.output, files.listing, false};
        ProcessHandle handle = kNoHandle;
        launched = launcher.Launch(command, handle, std::nullopt, false, false, kWaitInfinite,
                                   output.Get(), errors.Get());
    }
    if (!launched) return {RunOutcome::ProcessorNotFound, {}, files.listing, false};
    if (!WriteMergedListing(files.listing, files.errors, files.output)) {
        return {RunOutcome::CannotCreate, files.listing, files.listing, false};
    }
    return {RunOutcome::Done, {}, files.listing, true};
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

std::string ProcessorProgram(const RunRequest& request) {
    return request.processorDir + std::string(request.subsetMode ? kSubsetProgram : kFullProgram);
}

RunResult RunProcessor(ProcessExecute& launcher, const RunRequest& request) {
    return request.subsetMode ? RunSubset(launcher, request) : RunFull(launcher, request);
}

RunOutcome OpenListing(ProcessExecute& launcher, const RunRequest& request,
                       const std::string& listing) {
    const std::string command =
        EditListingCommand(request.editorCommand, request.largerFont, request.smallerFont, listing);
    return LaunchEditor(launcher, request, command) ? RunOutcome::Done : RunOutcome::EditorNotFound;
}

RunResult RunSource(ProcessExecute& launcher, const RunRequest& request) {
    RunResult result = RunProcessor(launcher, request);
    if (result.outcome == RunOutcome::Done)
        result.outcome = OpenListing(launcher, request, result.listing);
    return result;
}

} // namespace harbex
