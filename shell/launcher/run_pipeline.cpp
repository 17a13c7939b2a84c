#include "run_pipeline.h"

#include "listing_summary.h"
#include "run_files.h"
#include "text_files.h"

#include <cstdio>
#include <cstdlib>
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

// Starts the editor without waiting. An empty editor command (no usable
// program folder) fails at once rather than starting the file itself. The
// editor hands the file on to the program HARBEX_EDITOR names, after its
// own start has succeeded: a program that cannot start is caught here.
bool LaunchEditor(ProcessExecute& launcher, const RunRequest& request,
                  std::vector<std::string> arguments, ProcessHandle* editor) {
    if (request.editorCommand.empty()) return false;
    if (!HandOffEditorStartable(std::getenv("HARBEX_EDITOR"), std::getenv("PATH"))) return false;
    ProcessHandle handle = kNoHandle;
    if (!launcher.Launch(std::move(arguments), handle, kNoWait)) return false;
    if (editor != nullptr) *editor = handle;
    return true;
}

std::optional<std::string> SummaryOf(const std::string& listing, std::optional<int> exitStatus) {
    const std::optional<std::vector<std::string>> lines = ReadLines(listing);
    if (!lines) return std::nullopt;
    return ListingSummary(*lines, exitStatus);
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
        return {RunOutcome::ProcessorNotFound, {}, listing, false, std::nullopt};
    }
    const bool written = WrittenSince(before, listing);
    return {RunOutcome::Done,
            {},
            listing,
            written,
            written ? SummaryOf(listing, launcher.LastExitStatus()) : std::nullopt};
}

RunResult RunFull(ProcessExecute& launcher, const RunRequest& request) {
    const FullRunFiles files = FullRunFilesFor(request.sourceFile);
    std::string command = ProcessorCommand(request.processorDir, false, request.sourceFile);
    bool launched = false;
    {
        // The error file is prepared before the output file; both are
        // closed in the shell as soon as the processor has ended.
        UniqueFd errors = CreateEmptyFile(files.errors);
        if (!errors.Valid())
            return {RunOutcome::CannotCreate, files.errors, files.listing, false, std::nullopt};
        UniqueFd output = CreateEmptyFile(files.output);
        if (!output.Valid())
            return {RunOutcome::CannotCreate, files.output, files.listing, false, std::nullopt};
        ProcessHandle handle = kNoHandle;
        launched = launcher.Launch(command, handle, std::nullopt, false, false, kWaitInfinite,
                                   output.Get(), errors.Get());
    }
    if (!launched) return {RunOutcome::ProcessorNotFound, {}, files.listing, false, std::nullopt};
    if (!WriteMergedListing(files.listing, files.errors, files.output)) {
        return {RunOutcome::CannotCreate, files.listing, files.listing, false, std::nullopt};
    }
    return {RunOutcome::Done,
            {},
            files.listing,
            true,
            SummaryOf(files.listing, launcher.LastExitStatus())};
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

bool EditSource(ProcessExecute& launcher, const RunRequest& request, ProcessHandle* editor) {
    return LaunchEditor(launcher, request,
                        EditSourceArguments(request.editorCommand, request.largerFont,
                                            request.smallerFont, request.sourceFile),
                        editor);
}

std::string ProcessorProgram(const RunRequest& request) {
    return request.processorDir + std::string(request.subsetMode ? kSubsetProgram : kFullProgram);
}

RunResult RunProcessor(ProcessExecute& launcher, const RunRequest& request) {
    return request.subsetMode ? RunSubset(launcher, request) : RunFull(launcher, request);
}

RunOutcome OpenListing(ProcessExecute& launcher, const RunRequest& request,
                       const std::string& listing, ProcessHandle* editor) {
    std::vector<std::string> arguments = EditListingArguments(
        request.editorCommand, request.largerFont, request.smallerFont, listing);
    return LaunchEditor(launcher, request, std::move(arguments), editor)
               ? RunOutcome::Done
               : RunOutcome::EditorNotFound;
}

RunResult RunSource(ProcessExecute& launcher, const RunRequest& request) {
    RunResult result = RunProcessor(launcher, request);
    if (result.outcome == RunOutcome::Done)
        result.outcome = OpenListing(launcher, request, result.listing);
    return result;
}

} // namespace harbex
