#pragma once
// One run of the current source through a language processor, and the
// editor starts; the windows turn the outcomes into messages.

#include "process_execute.h"

#include <optional>
#include <string>
#include <vector>

namespace harbex {

// What a run needs from the main window.
struct RunRequest {
    std::string processorDir;  // put in front of the processor's name
    std::string editorCommand; // editor path and a blank; empty: no editor
    std::string sourceFile;
    bool subsetMode = false;
    bool largerFont = false;
    bool smallerFont = false;
};

enum class RunOutcome {
    Done,
    ProcessorNotFound,  // the processor could not be started
    EditorNotFound,     // the listing is ready but the editor could not start
    CannotCreate,       // a file of the run could not be made (see RunResult::file)
    WouldReplaceSource, // a file of the run is the source itself (RunResult::file)
};

// What the processor's own words (its standard error) are kept of.
inline constexpr std::size_t kProcessorWordsLimit = 4096;

struct RunResult {
    RunOutcome outcome = RunOutcome::Done;
    std::string file;            // the file that could not be made
    std::string listing;         // the listing the run opens in the editor
    bool listingWritten = false; // the run wrote (or replaced) that listing
    // How the run ended, read from the listing it wrote (see ListingSummary).
    std::optional<std::string> summary;
    // What vantel wrote on its standard error, without the last line end
    // (its reason when it wrote no listing); the full interpreter's goes to
    // the error file and into the listing instead.
    std::string processorWords;
};

// The listing of a full run: the interpreter's listing, an empty line, then
// the error and output sections, each with its heading only when it has lines.
std::string MergeListing(const std::vector<std::string>& interpreterListing,
                         const std::vector<std::string>& errors,
                         const std::vector<std::string>& output);

// Builds the full run's listing file from "$sno.lst" (in the working
// folder), the error file and the output file, and deletes "$sno.lst"
// once the listing is written. Missing inputs count as empty. False when
// the listing cannot be written; "$sno.lst" is then kept.
bool WriteMergedListing(const std::string& listingPath, const std::string& errorsPath,
                        const std::string& outputPath);

// Starts the editor on the source file (File/Edit) without waiting; false
// when there is no editor command, the editor cannot start, or the editor
// that HARBEX_EDITOR names for it cannot be started.
// The editor's handle goes to `editor` when given.
bool EditSource(ProcessExecute& launcher, const RunRequest& request,
                ProcessHandle* editor = nullptr);

// The editor on the source with quillpad's "--debug": it opens the file
// and debugs it. False when the editor cannot be started.
bool DebugSource(ProcessExecute& launcher, const RunRequest& request,
                 ProcessHandle* editor = nullptr);

// The program a run starts: the processor folder and the processor's name.
std::string ProcessorProgram(const RunRequest& request);

// The first part of a run: the processor (waiting for it) and, in full
// mode, the merge. Done when the listing step may follow, which it does
// only when the listing was written. Full mode refuses a source that one
// of the run's files would replace, and makes its error and output files
// only once the processor has been found.
RunResult RunProcessor(ProcessExecute& launcher, const RunRequest& request);

// The last part: the editor on the listing, without waiting; Done or
// EditorNotFound. The editor's handle goes to `editor` when given.
RunOutcome OpenListing(ProcessExecute& launcher, const RunRequest& request,
                       const std::string& listing, ProcessHandle* editor = nullptr);

// A whole run: RunProcessor, then OpenListing when it wrote a listing.
RunResult RunSource(ProcessExecute& launcher, const RunRequest& request);

} // namespace harbex
