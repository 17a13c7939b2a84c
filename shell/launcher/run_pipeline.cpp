#include "run_pipeline.h"

#include "fileinfo/run_names.h"
#include "listing_summary.h"
#include "run_files.h"
#include "text_files.h"

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

RunResult MakeResult(RunOutcome outcome, std::string file, std::string listing) {
    RunResult result;
    result.outcome = outcome;
    result.file = std::move(file);
    result.listing = std::move(listing);
    return result;
}

RunResult RunSubset(ProcessExecute& launcher, const RunRequest& request) {
    const std::string listing = SubsetListingFor(request.sourceFile);
    const FileStamp before = StampOf(listing);
    // Held in memory, never in a file beside the source.
    const UniqueFd errors(memfd_create("processor-errors", MFD_CLOEXEC));
    ProcessHandle handle = kNoHandle;
    if (!launcher.Launch(ProcessorArguments(request.processorDir, true, request.sourceFile), handle,
                         kWaitInfinite, kNoHandle, errors.Get())) {
        return MakeResult(RunOutcome::ProcessorNotFound, {}, listing);
    }
    RunResult result = MakeResult(RunOutcome::Done, {}, listing);
    result.listingWritten = WrittenSince(before, listing);
    if (result.listingWritten) result.summary = SummaryOf(listing, launcher.LastExitStatus());
    if (errors.Valid()) result.processorWords = ReadStart(errors.Get(), kProcessorWordsLimit);
    return result;
}

// The file of a full run that is the source itself, if any: the run would
// empty, replace or delete it.
std::optional<std::string> FileThatIsTheSource(const FullRunFiles& files,
                                               const std::string& source) {
    for (const std::string& file :
         {files.errors, files.output, files.listing, std::string(kInterpreterListing)}) {
        if (SameFile(file, source)) return file;
    }
    return std::nullopt;
}

// Removes a file this run made when the run cannot go on: only while the
// name still leads to the descriptor's file.
void RemoveMade(const std::string& path, const UniqueFd& made) {
    struct stat opened {};
    struct stat named {};
    if (fstat(made.Get(), &opened) == 0 && lstat(path.c_str(), &named) == 0 &&
        opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
        unlink(path.c_str());
    }
}

// Starts the interpreter with its output and error files; the error file is
// prepared before the output file, and both are closed in the shell as soon
// as the processor has ended.
RunResult LaunchFull(ProcessExecute& launcher, std::vector<std::string> arguments,
                     const FullRunFiles& files) {
    const UniqueFd errors = CreateEmptyFile(files.errors);
    if (!errors.Valid()) return MakeResult(RunOutcome::CannotCreate, files.errors, files.listing);
    const UniqueFd output = CreateEmptyFile(files.output);
    if (!output.Valid()) {
        RemoveMade(files.errors, errors);
        return MakeResult(RunOutcome::CannotCreate, files.output, files.listing);
    }
    ProcessHandle handle = kNoHandle;
    if (!launcher.Launch(std::move(arguments), handle, kWaitInfinite, output.Get(), errors.Get())) {
        RemoveMade(files.errors, errors);
        RemoveMade(files.output, output);
        return MakeResult(RunOutcome::ProcessorNotFound, {}, files.listing);
    }
    return MakeResult(RunOutcome::Done, {}, files.listing);
}

RunResult RunFull(ProcessExecute& launcher, const RunRequest& request) {
    const FullRunFiles files = FullRunFilesFor(request.sourceFile);
    if (const auto source = FileThatIsTheSource(files, request.sourceFile))
        return MakeResult(RunOutcome::WouldReplaceSource, *source, files.listing);
    std::vector<std::string> arguments =
        ProcessorArguments(request.processorDir, false, request.sourceFile);
    if (!ProgramFound(arguments.front(), std::getenv("PATH")))
        return MakeResult(RunOutcome::ProcessorNotFound, {}, files.listing);
    RunResult result = LaunchFull(launcher, std::move(arguments), files);
    if (result.outcome != RunOutcome::Done) return result;
    if (!WriteMergedListing(files.listing, files.errors, files.output))
        return MakeResult(RunOutcome::CannotCreate, files.listing, files.listing);
    result.listingWritten = true;
    result.summary = SummaryOf(files.listing, launcher.LastExitStatus());
    return result;
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

bool DebugSource(ProcessExecute& launcher, const RunRequest& request, ProcessHandle* editor) {
    std::vector<std::string> arguments = EditSourceArguments(
        request.editorCommand, request.largerFont, request.smallerFont, request.sourceFile);
    arguments.insert(arguments.end() - 1, std::string(kEditorDebugSwitch));
    return LaunchEditor(launcher, request, std::move(arguments), editor);
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
    if (result.outcome == RunOutcome::Done && result.listingWritten)
        result.outcome = OpenListing(launcher, request, result.listing);
    return result;
}

} // namespace harbex
