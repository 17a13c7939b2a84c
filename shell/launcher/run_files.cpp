#include "run_files.h"

#include "fileinfo/run_names.h"
#include "process_execute.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace harbex {

namespace {

// Position of the last '.' that is not the first character, or npos.
std::size_t ExtensionDot(const std::string& path) {
    std::size_t dot = path.rfind('.');
    return dot == 0 ? std::string::npos : dot;
}

std::vector<std::string> WordsAndFile(const std::string& words, const std::string& file) {
    std::vector<std::string> arguments = SplitCommandLine(words);
    arguments.push_back(file);
    return arguments;
}

bool IsExecutableFile(const std::filesystem::path& path) {
    struct stat attributes {};
    return stat(path.c_str(), &attributes) == 0 && S_ISREG(attributes.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string SourceBase(const std::string& sourcePath) {
    std::size_t dot = ExtensionDot(sourcePath);
    if (dot == std::string::npos) return sourcePath + ".";
    return sourcePath.substr(0, dot + 1);
}

FullRunFiles FullRunFilesFor(const std::string& sourcePath) {
    const std::string base = SourceBase(sourcePath);
    return {base + "lst", base + "out", base + "err"};
}

std::string SubsetListingFor(const std::string& sourcePath) {
    return ListingNameFor(sourcePath);
}

namespace {

// The processor's command line up to the source path.
std::string ProcessorWords(const std::string& processorDir, bool subsetMode) {
    std::string command = processorDir;
    if (subsetMode) {
        command.append(kSubsetProgram).append(" ");
    } else {
        command.append(kFullProgram).append(" -r -l ").append(kInterpreterListing).append(" ");
    }
    return command;
}

} // namespace

std::string ProcessorCommand(const std::string& processorDir, bool subsetMode,
                             const std::string& sourcePath) {
    return ProcessorWords(processorDir, subsetMode) + sourcePath;
}

std::vector<std::string> ProcessorArguments(const std::string& processorDir, bool subsetMode,
                                            const std::string& sourcePath) {
    return WordsAndFile(ProcessorWords(processorDir, subsetMode), sourcePath);
}

bool ProgramFound(const std::string& program, const char* searchPath) {
    if (program.empty()) return false;
    if (program.find('/') != std::string::npos) return IsExecutableFile(program);
    const std::string folders = searchPath == nullptr ? "" : searchPath;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = folders.find(':', start);
        // An empty entry is the current folder.
        const std::filesystem::path folder = folders.substr(start, end - start);
        if (IsExecutableFile((folder.empty() ? std::filesystem::path(".") : folder) / program))
            return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

std::string_view EditorSwitch(bool largerFont, bool smallerFont) {
    if (largerFont) return " /L ";
    if (smallerFont) return " /S ";
    return "";
}

std::string EditSourceCommand(const std::string& editorCommand, bool largerFont, bool smallerFont,
                              const std::string& sourcePath) {
    std::string command = editorCommand;
    command.append(EditorSwitch(largerFont, smallerFont));
    return command + sourcePath;
}

std::string EditListingCommand(const std::string& editorCommand, bool largerFont, bool smallerFont,
                               const std::string& listingPath) {
    std::string command = editorCommand;
    command.append(EditorSwitch(largerFont, smallerFont)).append(" -r ");
    return command + listingPath + " ";
}

std::vector<std::string> EditSourceArguments(const std::string& editorCommand, bool largerFont,
                                             bool smallerFont, const std::string& sourcePath) {
    std::string words = editorCommand;
    words.append(EditorSwitch(largerFont, smallerFont));
    return WordsAndFile(words, sourcePath);
}

std::vector<std::string> EditListingArguments(const std::string& editorCommand, bool largerFont,
                                              bool smallerFont, const std::string& listingPath) {
    std::string words = editorCommand;
    words.append(EditorSwitch(largerFont, smallerFont)).append(" -r ");
    return WordsAndFile(words, listingPath);
}

bool HandOffEditorStartable(const char* editorVariable, const char* searchPath) {
    const std::vector<std::string> words =
        SplitCommandLine(editorVariable == nullptr ? "" : editorVariable);
    return words.empty() || ProgramFound(words.front(), searchPath);
}

} // namespace harbex
