#pragma once
// Names and command lines of a run: the pure part of the run pipeline.

#include <string>
#include <string_view>
#include <vector>

namespace harbex {

// Program names and the path separator of this platform.
#ifdef _WIN32
inline constexpr std::string_view kSubsetProgram = "vantel.exe";
inline constexpr std::string_view kFullProgram = "snobol4.exe";
inline constexpr std::string_view kEditorProgram = "quillpad.exe";
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr std::string_view kSubsetProgram = "vantel";
inline constexpr std::string_view kFullProgram = "snobol4";
inline constexpr std::string_view kEditorProgram = "quillpad";
inline constexpr char kPathSeparator = '/';
#endif

// quillpad's own switch: debug the file it opens.
inline constexpr std::string_view kEditorDebugSwitch = "--debug";

// The full interpreter's listing, written in the shell's working folder.
inline constexpr std::string_view kInterpreterListing = "$sno.lst";

// The source base: the path up to and including its last '.', where only a
// '.' at the second character or later counts; without one, the whole path
// followed by ".".
std::string SourceBase(const std::string& sourcePath);

// The files of a full run, all beside the source.
struct FullRunFiles {
    std::string listing; // base + "lst"
    std::string output;  // base + "out": the interpreter's standard output
    std::string errors;  // base + "err": its standard error
};
FullRunFiles FullRunFilesFor(const std::string& sourcePath);

// The listing vantel writes: base + "lst", or "SNOBOL4.out" in the current
// folder when the path has no extension dot (the rule of ListingNameFor).
std::string SubsetListingFor(const std::string& sourcePath);

// The processor's command line for either mode.
std::string ProcessorCommand(const std::string& processorDir, bool subsetMode,
                             const std::string& sourcePath);
// The arguments the processor is started with: the words of that command
// line without the source, then the source path as one argument, so that
// blanks in it reach the processor as they are.
std::vector<std::string> ProcessorArguments(const std::string& processorDir, bool subsetMode,
                                            const std::string& sourcePath);

// Whether `program` can be started: a path with a "/" must be an executable
// file; a bare name is looked for in the folders of `searchPath` (PATH, an
// empty entry being the current folder).
bool ProgramFound(const std::string& program, const char* searchPath);

// " /L ", " /S " or nothing; Larger wins when both are set.
std::string_view EditorSwitch(bool largerFont, bool smallerFont);

// The editor command for a source file (File/Edit).
std::string EditSourceCommand(const std::string& editorCommand, bool largerFont, bool smallerFont,
                              const std::string& sourcePath);

// The editor command for a listing after a run (" -r " before the name).
std::string EditListingCommand(const std::string& editorCommand, bool largerFont, bool smallerFont,
                               const std::string& listingPath);

// The arguments harbex starts its own editor with: the words of the
// command above without the file, then the file as one argument, so that
// blanks in its path reach the editor as they are.
std::vector<std::string> EditSourceArguments(const std::string& editorCommand, bool largerFont,
                                             bool smallerFont, const std::string& sourcePath);
std::vector<std::string> EditListingArguments(const std::string& editorCommand, bool largerFont,
                                              bool smallerFont, const std::string& listingPath);

// Whether the program that the value of HARBEX_EDITOR names (its first word)
// can be started: a path with a "/" must be an executable file, a bare name
// is looked for in the folders of `searchPath` (PATH). True when the value
// names no program, as then quillpad opens the file itself.
bool HandOffEditorStartable(const char* editorVariable, const char* searchPath);

} // namespace harbex
